#pragma once
// The network: node table with handles, ordinary and cost arcs, graph queries, targets, evidence
// bookkeeping, algorithm settings and saved cases.

#include "base/int_array.h"
#include "base/vrx_object.h"
#include "model/algorithm_settings.h"
#include "model/creation.h"
#include "model/documentation.h"
#include "model/network_settings.h"
#include "model/node_entry.h"
#include "model/node_id_index.h"
#include "model/user_properties.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class ErrorLog;
class VRX_header;
class VRX_node;
class VRX_stringArray;
class VRX_submodelHandler;
class VRX_caseList;
class VRX_case;
class VRX_valueOfInformation;
class VRX_temporalExtension;

namespace ReadingFlags {
constexpr int kReading = 1;
constexpr int kAllowCycles = 2;
constexpr int kAllowDuplicateIds = 4;
}  // namespace ReadingFlags

// Network file formats; kByExtension picks one from the file name's extension.
namespace FileFormatCode {
constexpr int kByExtension = 0;
constexpr int kErgo = 1;
constexpr int kNetica = 2;
constexpr int kMsbn = 3;
constexpr int kVrx = 4;
constexpr int kHugin = 5;
constexpr int kXmlBif = 6;
constexpr int kKi = 7;
constexpr int kXvrx = 8;
}  // namespace FileFormatCode

class VRX_fileFormat;
class VRX_network;
namespace vovido {
class NoticesOff;
}

// The format code of the file name's last extension (compared without regard to case), or kOutOfRange.
[[nodiscard]] int FileFormatFromExtension(const char* fileName);
// A new speaker of the format for the network, or null ("Unknown File Format" logged for an unknown
// or unavailable format). A format code of 0 is replaced by the one of the file name's extension.
std::unique_ptr<VRX_fileFormat> CreateSpeaker(VRX_network* network, const char* fileName, int& format);

// The settings (VRX_networkSettings) are a base, so that their members read as the network's own and
// are copied and restored as one value.
class VRX_network : public VRX_object, public VRX_networkSettings {
public:
    VRX_network();
    // A working copy for the algorithms: definitions, values and handles, no descriptive data.
    struct ModelOnly {};
    VRX_network(const VRX_network& source, ModelOnly);
    VRX_network(const VRX_network& source);
    VRX_network& operator=(const VRX_network&) = delete;
    ~VRX_network() override;

    void CleanUp(int deep) override;
    void CheckValidity(int deep) override;
    void CheckConsistency(int deep) override;

    [[nodiscard]] int Initialize(int slots, int increment);
    [[nodiscard]] int CopyModelOnly(const VRX_network& source);
    [[nodiscard]] int CopyFrom(const VRX_network& source, bool staticCopy);

    // Node table.
    [[nodiscard]] int AddNode(int typeCode, const char* id);
    // Engine-internal: a node with the reserved identifier "@", which AddNode never hands out.
    [[nodiscard]] int AddTemporaryNode(int typeCode);
    [[nodiscard]] int DeleteNode(int handle);
    [[nodiscard]] int DeleteAllNodes();
    VRX_node* GetNode(int handle) const;
    bool IsLiveHandle(int handle) const {
        return handle >= 0 && handle < numSlots && nodes[handle].node != nullptr;
    }
    [[nodiscard]] int GetFirstNode() const;
    [[nodiscard]] int GetNextNode(int handle) const;
    [[nodiscard]] int GetLastNode() const;
    [[nodiscard]] int GetAllNodes(VRX_intArray& out) const;
    [[nodiscard]] int GetAllNodeIds(VRX_stringArray& out) const;
    [[nodiscard]] int FindNode(const char* id) const;
    int IsIdInUse(const char* id, int except) const;
    // Logs why id cannot name a new node, node `except` (-1 for none) or a submodel: the node or the
    // submodel that holds it. Returns code.
    int RefuseTakenId(const char* id, int except, int code) const;
    bool AcceptNodeIdChange(int handle, const char* oldId, const char* newId);
    // Told by a node's header once the node's identifier has changed (either text may be null).
    void OnNodeIdChanged(const VRX_node& node, const char* oldId, const char* newId);
    VRX_header* GetHeader() const;
    ErrorLog& GetErrorLog() const;
    // What messages call a node of a model-only copy, whose nodes have no identifiers: the identifier
    // the node has in the network the copy was made from (or its copies' source); null when unknown.
    const char* GetSourceId(int handle) const;
    int GetNumberOfNodes() const { return numNodes; }
    int GetNumberOfSlots() const { return numSlots; }
    VRX_nodeEntry& GetEntry(int handle) const { return nodes[handle]; }
    // Definition type code of a live node, 0 without definition, kOutOfRange for a bad handle.
    [[nodiscard]] int GetNodeType(int handle) const;

    // Arcs and graph queries.
    [[nodiscard]] int AddArc(int parent, int child, int arcKind = 0);
    // The ordinary arcs from each of `count` parents to child, in order, results[i] what AddArc would
    // answer for parent i; kOutOfMemory when the arcs could not be listed, else 0. A table over the
    // parents is built once, at its final size: where it is refused (the limit, memory), none of the
    // arcs it would have taken is added, and the refusal is logged once.
    [[nodiscard]] int AddArcs(const int* parents, int count, int child, int* results);
    [[nodiscard]] int RemoveArc(int parent, int child, int arcKind = 0);
    [[nodiscard]] int AddCostArc(int parent, int child);
    [[nodiscard]] int RemoveCostArc(int parent, int child);
    [[nodiscard]] int RemoveAllParents(int handle);
    int AreAdjacent(int a, int b) const;
    VRX_intArray& GetParents(int handle, int arcKind = 0) const { return nodes[handle].Parents(arcKind); }
    VRX_intArray& GetChildren(int handle, int arcKind = 0) const { return nodes[handle].Children(arcKind); }
    [[nodiscard]] int GetNumberOfParents(int handle, int arcKind = 0) const;
    [[nodiscard]] int GetNumberOfChildren(int handle, int arcKind = 0) const;
    [[nodiscard]] int GetDiscreteParents(int handle, VRX_intArray& out, int arcKind = 0) const;
    [[nodiscard]] int ReorderParents(int handle, const VRX_intArray& order);
    [[nodiscard]] int IsAcyclic();
    [[nodiscard]] int WouldCreateCycle(int parent, int child);
    [[nodiscard]] int IsSinglyConnected();
    [[nodiscard]] int GetAncestors(int handle, VRX_intArray& out);
    [[nodiscard]] int GetDescendants(int handle, VRX_intArray& out);
    [[nodiscard]] int GetCostDescendants(int handle, VRX_intArray& out);
    VRX_intArray& GetTopologicalOrder();
    [[nodiscard]] int ComputeHeights();
    [[nodiscard]] int GetInfluenceDiagramOrder(VRX_intArray& out);
    [[nodiscard]] int SortByInfluenceDiagramOrder(VRX_intArray& list);
    void GetCostTopologicalOrder(VRX_intArray& out);
    [[nodiscard]] int SortByCostArcOrder(VRX_intArray& list);
    bool IsGroupCostNode(int handle) const;
    int SetFlagsOfAllNodes(int mask);
    // Clears the given marks on every slot.
    void ClearMarksOfAllNodes(int mask);
    // Sets the ancestor mark (4) on every ancestor of the node over ordinary arcs.
    void MarkAncestors(int handle);

    // Targets.
    [[nodiscard]] int SetTarget(int handle);
    [[nodiscard]] int UnsetTarget(int handle);
    [[nodiscard]] int IsTarget(int handle) const;
    int ClearAllTargets();
    int GetNumberOfTargets() const { return numTargets; }

    // Evidence bookkeeping and change notices.
    [[nodiscard]] int GetEvidenceNodes(VRX_intArray& out) const;
    int ClearAllEvidence();
    int ClearAllPropagatedEvidence();
    int InvalidateValues();
    int InvalidateDecisionValues();
    [[nodiscard]] int PropagateEvidence(int handle);
    [[nodiscard]] int RepropagateEvidence(int handle);
    // Change notices. The change they report has been made already; what the re-propagation they start
    // finds shows in the evidence state, so a caller may pass over the result.
    int NotifyEvidenceSet(int handle);
    int NotifyEvidenceCleared(int handle);
    int NotifyValuesChanged();
    int NotifyChange(int handle, int code);
    int NotifyArcAdded(int parent, int child);
    int NotifyArcRemoved(int parent, int child);
    // Told by a node value that took evidence, propagated evidence or likelihoods (value flag 1, 4 or 16).
    void NoteEvidenceHolder(int handle);
    // True when some node's value holds evidence, propagated evidence or likelihoods.
    bool HasAnyEvidence();
    // Told by a node value that was marked up to date.
    void NoteValueCurrent() { valuesMayBeCurrent_ = true; }

    // Brings the beliefs (or expected utilities) of the nodes up to date.
    [[nodiscard]] int UpdateBeliefs();
    // Discrete networks (with temporary nodes for virtual evidence).
    [[nodiscard]] int UpdateBayesianNetwork();
    // Probability of the evidence (virtual evidence included as likelihoods); the targets are left as
    // found. False when it cannot be computed.
    bool CalcPropEvidence(double* result, bool useChainRule);

    // Algorithm settings.
    void SetBayesianAlgorithm(int code);
    void SetHybridAlgorithm(int code);
    void SetInfluenceDiagramAlgorithm(int code);
    void SetDiscSamples(int count) { discSamples = count; }
    void SetDiscAvoidZero(bool on) { discAvoidZero = on ? 1 : 0; }
    [[nodiscard]] int SetEpisParams(const VRX_episParams& params);
    [[nodiscard]] int SetAnnealedMapTuning(const VRX_annealedMapTuning& tuning);
    int GetBayesianAlgorithm() const { return bnAlgorithm; }
    int GetHybridAlgorithm() const { return hybridAlgorithm; }
    int GetInfluenceDiagramAlgorithm() const { return idAlgorithm; }
    const VRX_episParams& GetEpisParams() const { return episParams; }
    const VRX_annealedMapTuning& GetAnnealedMapTuning() const { return annealedMapTuning; }

    // Saved cases.
    VRX_case* AddCase(const char* name);
    VRX_case* GetCase(int index) const;
    int GetNumberOfCases() const;
    void EnableCaseSync(bool on);
    VRX_caseList& GetCaseList() const { return *cases; }
    void OnNodeTypeChanged(int handle, int previousType);
    void OnOutcomeInserted(int handle, int position);
    void OnOutcomeRemoved(int handle, int position);
    void OnOutcomesReordered(int handle, const VRX_intArray& order);

    // Temporal type kept in each slot (dynamic networks).
    int GetTemporalType(int handle) const { return nodes[handle].temporalType; }
    [[nodiscard]] int SetTemporalType(int handle, int type);

    // Dynamic networks. GetTemporalExtension makes the temporal data on first use (null only when out of
    // memory); FindTemporalExtension answers null while there is none.
    VRX_temporalExtension* GetTemporalExtension();
    VRX_temporalExtension* FindTemporalExtension() const { return temporalExtension.get(); }
    int GetSliceCount() const;
    [[nodiscard]] int SetSliceCount(int count);
    int GetMaxTemporalOrder() const;
    [[nodiscard]] int GetMaxNodeTemporalOrder(int handle);
    bool TemporalArcExists(int parent, int child, int order);
    [[nodiscard]] int AddTemporalArc(int parent, int child, int order);
    [[nodiscard]] int RemoveTemporalArc(int parent, int child, int order);
    [[nodiscard]] int GetTemporalOrders(int handle, VRX_intArray& out);
    [[nodiscard]] int GetTemporalParents(int handle, int order, VRX_intArray& out);
    [[nodiscard]] int GetTemporalChildren(int handle, std::vector<std::pair<int, int>>& out);
    [[nodiscard]] int GetUnrolledParents(int handle, int order, std::vector<std::pair<int, int>>& out);
    [[nodiscard]] int GetAllUnrolledParents(int handle, std::vector<std::pair<int, int>>& out);

    VRX_submodelHandler& GetSubmodelHandler() const { return *submodels; }

    // ---- Defined in engine/network_update.cpp: the dispatch behind UpdateBeliefs, UpdateBayesianNetwork
    // and CalcPropEvidence, which the engine layer installs at start-up, and the routes it takes.
    [[nodiscard]] int RouteBeliefUpdate();
    // The route's own update, before the check of what it wrote.
    [[nodiscard]] int RunUpdateRoute();
    [[nodiscard]] int RouteBayesianNetworkUpdate();
    bool RouteProbabilityOfEvidence(double* result, bool useChainRule);
    [[nodiscard]] int UpdateInfluenceDiagram();
    [[nodiscard]] int UpdateEquationNetwork();
    // The two methods of CalcPropEvidence, which replace the targets (clustering leaves the parents of
    // the observed nodes marked, and the observed nodes without parents, the chain rule none). The chain rule
    // leaves every node's evidence, flags and beliefs, propagationFlags and changeMask as it found them, also
    // on failure. status, when given, receives why clustering failed (kOutOfMemory: the join tree passes its
    // limit, logged).
    bool ProbEvidenceByClustering(double& result, int* status = nullptr);
    bool ChainRuleProbEvidence(double& result);
    // Annealed MAP search over the MAP nodes given the (node, outcome) evidence pairs.
    [[nodiscard]] int AnnealedMAP(const std::vector<std::pair<int, int>>& evidence,
                                  const VRX_intArray& mapNodes, VRX_intArray& outcomes,
                                  double& mapProbability, double& evidenceProbability, int seed);
    [[nodiscard]] int UpdateValueOfInformation(VRX_valueOfInformation& settings);

    // ---- Defined in engine/network_files.cpp.
    // Network files, in the format of the code (0: by the file name's extension). A read that fails
    // leaves the network as it was; extension is handed to the speaker (the XML format's graphical part).
    [[nodiscard]] int ReadFile(const char* fileName, int format = FileFormatCode::kByExtension,
                               void* extension = nullptr);
    [[nodiscard]] int WriteFile(const char* fileName, int format = FileFormatCode::kByExtension,
                                void* extension = nullptr);
    // Empties the network before a read: nodes, submodels, cases, topological order; the table keeps its
    // size, and settings and descriptive records stay for the reader to overwrite.
    int ClearForReading();
    // Empties the network and reads the file into it with the speaker, once; the read's status.
    [[nodiscard]] int ReadOnce(VRX_fileFormat& speaker, const char* fileName, bool lookAhead);

    // ---- Defined in inference/unroll_network.cpp.
    // The static network of every slice into target, with the node map (slice t's copy of plate node i
    // at t * plate count + i); kOutOfRange without temporal data. On failure target is left empty.
    [[nodiscard]] int UnrollNetwork(VRX_network& target, std::vector<int>& map);

    // The settings as one value.
    const VRX_networkSettings& Settings() const { return *this; }

    // Descriptive records, read and written directly by the file formats and the Java layer.
    VRX_creation creation;
    VRX_userProperties userProperties;
    VRX_documentation documentation;
    // ReadingFlags of the read in progress; 0 outside a read.
    int readingFlags = 0;
    // The cells of the tables the read in progress has built or is about to build (see
    // kMaxFileTableCells), and the size of its file.
    int64_t readTableCells = 0;
    int64_t readFileBytes = 0;
    // Whether the read may go on counting its tables without building them once they pass what its
    // file gives (see kLookAheadTableCells), and whether it does: its arcs are then refused, uncounted
    // in the log from readCountingFrom on, and ReadFile reads the file again where its tables fit.
    bool readLookAhead = false;
    bool readCountingOnly = false;
    int readCountingFrom = 0;
    // The log entry of the refusal of the read's tables; -1 when none.
    int readRefusalEntry = -1;
    // Whether the read in progress passed the limit of its tables: that refusal is its cause, and the
    // readers stop at it rather than report every later table as past the limit too.
    bool readTablesRefused = false;
    // While a file is read: 0 when `added` cells more keep the tables of the read within
    // kMaxFileTableCells; else kOutOfMemory, the refusal logged naming the node, its table of `cells`
    // cells (`how` it is built, appended to its size: "" or " computed from its parameters") and the
    // sum, and readTablesRefused set. Counts nothing.
    [[nodiscard]] int CheckReadTables(int node, int64_t cells, int64_t added, const char* how = "");

private:
    void InitializeMembers();
    // Runs edit(temporal data), made for it when there is none; a refused edit drops what it made, so that
    // a static network stays static.
    template <typename Edit>
    [[nodiscard]] int EditTemporalData(Edit edit);
    // After a change notice, when automatic updating is on: a failed update has been logged and leaves
    // the values marked out of date, which is all a notice can do about it. A notice sent by the update
    // running on this network starts none.
    void AutoUpdate() {
        if ((propagationFlags & PropagationFlags::kAutoUpdate) && !updateRunning_) (void)UpdateBeliefs();
    }
    [[nodiscard]] int FindFreeSlot();
    [[nodiscard]] int GrowNodeTable();
    std::string GenerateNodeId() const;
    // While a file is read: 0 while the child's table over the parents (of a kind the arcs build) keeps
    // the file's tables within their limit (see kMaxFileTableCells); else every result kOutOfMemory and the
    // refusal logged naming the node and the sizes.
    [[nodiscard]] int CountTableRead(int child, const int* parents, int count, int* results);
    // Whether a file is read and the child's table is one its arcs build.
    bool ArcsBuildReadTable(int child) const;
    // AddArcs once the file's tables are counted.
    [[nodiscard]] int AddArcsToTable(const int* parents, int count, int child, int* results);
    // Empties the table after a failed copy, so the network stays usable.
    void DropTable();
    // After the table was replaced or emptied wholesale (copies, reads): the identifier index and the
    // evidence holders are gathered again on their next use, and the free-slot hint starts over.
    void ResetTableBookkeeping();
    // The slot's node goes, and with it its identifier's entry in the index.
    void ReleaseNode(int handle);
    // The index, rebuilt first when incomplete; false when it could not be (out of memory), and the
    // callers then search the table.
    bool EnsureIdIndex() const;
    // True when the live node holds exactly this identifier.
    bool HoldsId(int handle, const char* id) const;
    // Lowest live handle other than except holding the identifier, kOutOfRange when none: the index's answer,
    // or a search of the table without one.
    int FindNodeExcept(const char* id, int except) const;
    void RebuildEvidenceHolders();
    // The phases of PropagateEvidence, each resuming the pending call `frame` and setting descend to a node
    // that just received propagated evidence and is not yet visited.
    struct PropagationFrame;
    [[nodiscard]] int PropagationStep(PropagationFrame& frame, VRX_intArray& coords, int& descend);
    [[nodiscard]] int PropagateForward(PropagationFrame& frame, VRX_intArray& coords, int& descend);
    [[nodiscard]] int PropagateToChild(PropagationFrame& frame, int child, VRX_intArray& coords,
                                       int& descend);
    [[nodiscard]] int PropagateBackward(PropagationFrame& frame, int& descend);
    // Clears the walk marks of a slot first reached by the current invalidation walk.
    void RefreshWalkMarks(VRX_nodeEntry& entry) const;
    // The propagation of RepropagateEvidence: around the nodes an edit touched (handle, and other when it
    // is a node), or over the whole table when the propagated evidence elsewhere may be out of step.
    [[nodiscard]] int RepropagateAround(int handle, int other);
    void RepropagateEverywhere();
    // Marks, for a walk with lazy marks, the ancestors of every finding and likelihood that was set, not
    // propagated: the nodes through which evidence opens a path. A node of likelihoods is marked itself.
    void MarkAncestorsOfFindingsLazily();
    // The walk of RepropagateEvidence from the edited node, with lazy marks.
    void InvalidateAround(int handle);
    [[nodiscard]] int RepropagateEvidence(int handle, int other);
    // The identifiers a model-only copy of this network names its nodes by.
    std::shared_ptr<const std::vector<std::string>> SourceIdsForCopy() const;
    // The table of a copy: every slot, with whole nodes or (model only) nodes without descriptive data.
    [[nodiscard]] int CopyTableFrom(const VRX_network& source, bool modelOnly);
    // Marks every node reachable from start over parents (up) or children of the arc kind; 0 or kOutOfMemory.
    [[nodiscard]] int MarkReachable(int start, bool up, int arcKind, int mark);
    bool IsDecisionNode(int handle) const;
    // With lazyMarks the walk clears each slot's walk marks when it first reaches it, instead of relying
    // on a pass over every slot beforehand.
    void PassInvalidation(int handle, bool fromChild, bool& utilityReached, bool lazyMarks);
    [[nodiscard]] int CheckEvidencePossible(int handle);

    std::unique_ptr<VRX_submodelHandler> submodels;
    std::unique_ptr<VRX_nodeEntry[]> nodes;
    int numSlots = 0;
    // Slots allocated: the table grows geometrically underneath numSlots, so that adding nodes one by
    // one costs amortised constant time; slots from numSlots on are free and out of reach.
    int capacity_ = 0;
    // Every slot below it is taken.
    int lowestFreeHint_ = 0;
    int numNodes = 0;
    int numTargets = 0;
    VRX_intArray topologicalOrder;
    std::unique_ptr<VRX_caseList> cases;
    std::unique_ptr<VRX_temporalExtension> temporalExtension;
    // Set by AddTemporaryNode while it runs: reserved identifiers are accepted.
    bool allowReservedIds_ = false;
    // Set while AddNode gives its new node an identifier it has just found unused (SetNewNodeId): the
    // change need not be tested again.
    const char* vettedId_ = nullptr;
    int SetNewNodeId(VRX_node& node, const char* id, bool vetted);
    // Set while UpdateBeliefs runs on this network, which refuses to start again inside itself.
    bool updateRunning_ = false;
    // Of a model-only copy: the identifiers of its source's nodes by handle, shared by copies of copies.
    std::shared_ptr<const std::vector<std::string>> sourceIds_;
    mutable vovido::NodeIdIndex idIndex_;
    // Handles whose values took evidence since they were last looked at: each live value with evidence
    // is among them (entries that no longer hold any are dropped when met), so a network without
    // evidence is known as such without a pass over its table.
    std::vector<int> evidenceHolders_;
    bool evidenceHoldersComplete_ = false;
    // Stamp of the current lazily marked invalidation walk (VRX_nodeEntry::walkEpoch).
    uint64_t walkEpoch_ = 0;
    // False only while no value of the table can be up to date (since an invalidation of them all), so
    // that a walk marking values out of date has nothing to do: edits on a network never updated, or
    // one long invalidated, cost no walk each.
    bool valuesMayBeCurrent_ = false;
    // Visits of the current walk: a walk that reached a good part of the table pays for a look at whether
    // any value is still current.
    int64_t lazyWalkVisits_ = 0;
    // The propagated evidence is what propagation from the findings gives, so that an edit re-propagates
    // only around what it touched. A change notice missed (notices off, masked, propagation off) clears
    // it, and the next re-propagation covers the whole table; a scope that holds notices off for trials
    // and copies (vovido::NoticesOff) puts it back.
    bool propagationCurrent_ = false;
    // Findings whose propagation ran on its own since the last re-propagation around them: one from a
    // finding set later may find more there, so the next one re-propagates around them as well.
    std::vector<int> propagatedAlone_;
    friend class vovido::NoticesOff;

    // What a read sets aside so that a failed read can put it back (network_files.cpp); every member
    // that a reader can change belongs in it.
    struct ReadBackup;
    [[nodiscard]] int SetAsideForReading(ReadBackup& backup);
    void RestoreAfterFailedRead(ReadBackup& backup);
};
