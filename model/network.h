#pragma once
// The network: node table with handles, ordinary and cost arcs, graph queries, targets, evidence
// bookkeeping, algorithm settings and saved cases.

#include "model/algorithm_settings.h"
#include "model/creation.h"
#include "model/documentation.h"
#include "base/int_array.h"
#include "model/node_entry.h"
#include "model/user_properties.h"
#include "base/vrx_object.h"

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

namespace PropagationFlags {
constexpr int kNotices = 1;
constexpr int kDeterministic = 2;
constexpr int kAutoUpdate = 8;
}  // namespace PropagationFlags

namespace ChangeKind {
constexpr int kArcAdded = 1;
constexpr int kArcRemoved = 2;
constexpr int kEvidenceSet = 4;
constexpr int kEvidenceCleared = 8;
constexpr int kDefinition64 = 64;
constexpr int kDefinition128 = 128;
constexpr int kDefinition256 = 256;
constexpr int kDefaultMask = 463;
}  // namespace ChangeKind

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

// The format code of the file name's last extension (compared without regard to case), or -2.
int FileFormatFromExtension(const char* fileName);
// A new speaker of the format for the network, or null ("Unknown File Format" logged for an unknown
// or unavailable format). A format code of 0 is replaced by the one of the file name's extension.
std::unique_ptr<VRX_fileFormat> CreateSpeaker(VRX_network* network, const char* fileName, int& format);

class VRX_network : public VRX_object {
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

    int Initialize(int slots, int increment);
    int CopyModelOnly(const VRX_network& source);
    int CopyFrom(const VRX_network& source, bool staticCopy);

    // Node table.
    int AddNode(int typeCode, const char* id);
    // Engine-internal: a node with the reserved identifier "@", which AddNode never hands out.
    int AddTemporaryNode(int typeCode);
    int DeleteNode(int handle);
    int DeleteAllNodes();
    VRX_node* GetNode(int handle) const;
    bool IsLiveHandle(int handle) const {
        return handle >= 0 && handle < numSlots && nodes[handle].node != nullptr;
    }
    int GetFirstNode() const;
    int GetNextNode(int handle) const;
    int GetLastNode() const;
    int GetAllNodes(VRX_intArray& out) const;
    int GetAllNodeIds(VRX_stringArray& out) const;
    int FindNode(const char* id) const;
    int IsIdInUse(const char* id, int except) const;
    bool AcceptNodeIdChange(int handle, const char* oldId, const char* newId);
    VRX_header* GetHeader() const;
    ErrorLog& GetErrorLog() const;
    int GetNumberOfNodes() const { return numNodes; }
    int GetNumberOfSlots() const { return numSlots; }
    VRX_nodeEntry& GetEntry(int handle) const { return nodes[handle]; }
    // Definition type code of a live node, 0 without definition, -2 for a bad handle.
    int GetNodeType(int handle) const;

    // Arcs and graph queries.
    int AddArc(int parent, int child, int arcKind = 0);
    int RemoveArc(int parent, int child, int arcKind = 0);
    int AddCostArc(int parent, int child);
    int RemoveCostArc(int parent, int child);
    int RemoveAllParents(int handle);
    int AreAdjacent(int a, int b) const;
    VRX_intArray& GetParents(int handle, int arcKind = 0) const { return nodes[handle].Parents(arcKind); }
    VRX_intArray& GetChildren(int handle, int arcKind = 0) const { return nodes[handle].Children(arcKind); }
    int GetNumberOfParents(int handle, int arcKind = 0) const;
    int GetNumberOfChildren(int handle, int arcKind = 0) const;
    int GetDiscreteParents(int handle, VRX_intArray& out, int arcKind = 0) const;
    int ReorderParents(int handle, const VRX_intArray& order);
    int IsAcyclic();
    int WouldCreateCycle(int parent, int child);
    int IsSinglyConnected();
    int GetAncestors(int handle, VRX_intArray& out);
    int GetDescendants(int handle, VRX_intArray& out);
    int GetCostDescendants(int handle, VRX_intArray& out);
    VRX_intArray& GetTopologicalOrder();
    int ComputeHeights();
    int GetInfluenceDiagramOrder(VRX_intArray& out);
    int SortByInfluenceDiagramOrder(VRX_intArray& list);
    void GetCostTopologicalOrder(VRX_intArray& out);
    int SortByCostArcOrder(VRX_intArray& list);
    bool IsGroupCostNode(int handle) const;
    int SetFlagsOfAllNodes(int mask);
    // Clears the given marks on every slot.
    void ClearMarksOfAllNodes(int mask);
    // Sets the ancestor mark (4) on every ancestor of the node over ordinary arcs.
    void MarkAncestors(int handle);

    // Targets.
    int SetTarget(int handle);
    int UnsetTarget(int handle);
    int IsTarget(int handle) const;
    int ClearAllTargets();
    int GetNumberOfTargets() const { return numTargets; }

    // Evidence bookkeeping and change notices.
    int GetEvidenceNodes(VRX_intArray& out) const;
    int ClearAllEvidence();
    int ClearAllPropagatedEvidence();
    int InvalidateValues();
    int InvalidateDecisionValues();
    int PropagateEvidence(int handle);
    int RepropagateEvidence(int handle);
    int NotifyEvidenceSet(int handle);
    int NotifyEvidenceCleared(int handle);
    int NotifyValuesChanged();
    int NotifyChange(int handle, int code);
    int NotifyArcAdded(int parent, int child);
    int NotifyArcRemoved(int parent, int child);

    // Brings the beliefs (or expected utilities) of the nodes up to date.
    int UpdateBeliefs();
    // The dispatch behind UpdateBeliefs, which the engine layer installs at start-up.
    int RouteBeliefUpdate();
    // The routes of UpdateBeliefs: discrete networks (with temporary nodes for virtual evidence),
    // influence diagrams and equation networks.
    int UpdateBayesianNetwork();
    int UpdateInfluenceDiagram();
    int UpdateEquationNetwork();
    // Probability of the evidence (virtual evidence included as likelihoods); the targets are left as
    // found. False when it cannot be computed.
    bool CalcPropEvidence(double* result, bool useChainRule);
    // The two methods of CalcPropEvidence, which replace the targets (clustering leaves the parents of
    // the observed nodes marked, the chain rule none). The chain rule leaves every node's evidence, flags
    // and beliefs, propagationFlags and changeMask as it found them, also on failure.
    bool ProbEvidenceByClustering(double& result);
    bool ChainRuleProbEvidence(double& result);
    // Annealed MAP search over the MAP nodes given the (node, outcome) evidence pairs.
    int AnnealedMAP(const std::vector<std::pair<int, int>>& evidence, const VRX_intArray& mapNodes,
                    VRX_intArray& outcomes, double& mapProbability, double& evidenceProbability, int seed);
    int UpdateValueOfInformation(VRX_valueOfInformation& settings);

    // Algorithm settings.
    void SetBayesianAlgorithm(int code);
    void SetHybridAlgorithm(int code);
    void SetInfluenceDiagramAlgorithm(int code);
    void SetDiscSamples(int count) { discSamples = count; }
    void SetDiscAvoidZero(bool on) { discAvoidZero = on ? 1 : 0; }
    int SetEpisParams(const VRX_episParams& params);
    int SetAnnealedMapTuning(const VRX_annealedMapTuning& tuning);
    int GetBayesianAlgorithm() const { return bnAlgorithm; }
    int GetHybridAlgorithm() const { return hybridAlgorithm; }
    int GetInfluenceDiagramAlgorithm() const { return idAlgorithm; }
    const VRX_episParams& GetEpisParams() const { return episParams; }
    const VRX_annealedMapTuning& GetAnnealedMapTuning() const { return annealedMapTuning; }

    // Network files, in the format of the code (0: by the file name's extension). A read that fails
    // leaves the network as it was; extension is handed to the speaker (the XML format's graphical part).
    int ReadFile(const char* fileName, int format = FileFormatCode::kByExtension, void* extension = nullptr);
    int WriteFile(const char* fileName, int format = FileFormatCode::kByExtension, void* extension = nullptr);
    // Empties the network before a read: nodes, submodels, cases, topological order; the table keeps its
    // size, and settings and descriptive records stay for the reader to overwrite.
    int ClearForReading();

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
    int SetTemporalType(int handle, int type);

    VRX_submodelHandler& GetSubmodelHandler() const { return *submodels; }

    // Settings read and written directly by the file formats and the Java layer.
    VRX_creation creation;
    VRX_userProperties userProperties;
    VRX_documentation documentation;
    int numSamples = 1000;
    int discSamples = 10000;
    int bnAlgorithm = 0;
    int idAlgorithm = 0;
    int hybridAlgorithm = 14;
    unsigned char discAvoidZero = 1;
    int propagationFlags = PropagationFlags::kNotices | PropagationFlags::kDeterministic;
    int changeMask = ChangeKind::kDefaultMask;
    int readingFlags = 0;
    int faultNameFormat = 3;

private:
    void InitializeMembers();
    int FindFreeSlot();
    int GrowNodeTable();
    std::string GenerateNodeId() const;
    // Empties the table after a failed copy, so the network stays usable.
    void DropTable();
    // Copies counters and settings shared by both kinds of copy.
    void CopySettingsFrom(const VRX_network& source);
    // The table of a copy: every slot, with whole nodes or (model only) nodes without descriptive data.
    int CopyTableFrom(const VRX_network& source, bool modelOnly);
    // Marks every node reachable from start over parents (up) or children of the arc kind; 0 or -42.
    int MarkReachable(int start, bool up, int arcKind, int mark);
    bool IsDecisionNode(int handle) const;
    void PassInvalidation(int handle, bool fromChild, bool& utilityReached);
    int CheckEvidencePossible(int handle);

    std::unique_ptr<VRX_submodelHandler> submodels;
    std::unique_ptr<VRX_nodeEntry[]> nodes;
    int numSlots = 0;
    int numNodes = 0;
    int slotIncrement = 50;
    int numTargets = 0;
    VRX_intArray topologicalOrder;
    VRX_episParams episParams;
    VRX_annealedMapTuning annealedMapTuning;
    std::unique_ptr<VRX_caseList> cases;
    // Set by AddTemporaryNode while it runs: reserved identifiers are accepted.
    bool allowReservedIds_ = false;

    // What a read sets aside so that a failed read can put it back (network_files.cpp); every member
    // that a reader can change belongs in it.
    struct ReadBackup;
    int SetAsideForReading(ReadBackup& backup);
    void RestoreAfterFailedRead(ReadBackup& backup);
};
