#pragma once
// Loader of the XML network format: the grammar of the document as bindings whose callbacks are member
// functions of the loader, and the handlers that build the network while the document streams by.

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/double_array.h"
#include "definitions/equation.h"
#include "xml/xml_binding.h"
#include "xml/xml_error_handler.h"
#include "xml/xml_reader.h"

class VRX_case;
class VRX_network;
class VRX_userProperties;
class VRX_nodeDefinition;

class XmlNetLoader : public XmlReader, public XmlErrorHandler {
public:
    using Handler = void (XmlNetLoader::*)(IXmlReader* reader);

    // An element of the grammar with up to three handlers of the loader.
    class Binding : public IXmlHandler, public XmlBinding {
    public:
        Binding(XmlNetLoader* loader, const char* name, Handler start, Handler end, Handler word, int flags);

        void OnStartElement(IXmlReader* reader) override;
        void OnEndElement(IXmlReader* reader) override;
        void OnText(IXmlReader* reader) override;
        bool WantsText() const override { return wordHandler != nullptr; }

    protected:
        XmlNetLoader* loader;
        Handler startHandler;
        Handler endHandler;
        Handler wordHandler;
    };

    // A node element: creates the node at its start, sets arcs, outcomes and parameters at its end.
    class NodeBinding : public Binding {
    public:
        // kindEnd: the kind's own finishing step (may be null); supported: false for the kinds that
        // this loader refuses with a message.
        NodeBinding(XmlNetLoader* loader, const char* name, int typeCode, Handler kindEnd, bool hasStates,
                    bool supported);

        void OnStartElement(IXmlReader* reader) override;
        void OnEndElement(IXmlReader* reader) override;

    private:
        int typeCode;
        Handler kindEnd;
        bool hasStates;
        bool supported;
    };

    // A temporal definition of the "dynamic" section: the temporal arcs of one plate node and order at
    // its end, then the kind's finishing step on the temporal definition they made.
    class TemporalBinding : public Binding {
    public:
        TemporalBinding(XmlNetLoader* loader, const char* name, int typeCode, Handler kindEnd);

        void OnStartElement(IXmlReader* reader) override;
        void OnEndElement(IXmlReader* reader) override;

    private:
        int typeCode;
        Handler kindEnd;
    };

    XmlNetLoader(VRX_network* network, const char* fileName);
    XmlNetLoader(const XmlNetLoader&) = delete;
    XmlNetLoader& operator=(const XmlNetLoader&) = delete;
    ~XmlNetLoader() override;

    // Builds the grammar; extension (may be null) becomes the required child of "extensions".
    void CreateBindings(IXmlBinding* extension);
    IXmlBinding* GetRootBinding() const { return rootBinding; }
    // Node identifier -> handle of every node this load created.
    const std::map<std::string, int>& GetNodeIds() const { return nodeIds; }

private:
    // A new binding owned by the loader.
    Binding* MakeBinding(const char* name, Handler start, Handler end, Handler word,
                         int flags = IXmlBinding::InheritStrictness);
    NodeBinding* MakeNodeBinding(const char* name, int typeCode, Handler kindEnd, bool hasStates,
                                 bool supported = true);
    // The children every node element shares, then the kind's data and optional content bindings.
    void AddNodeKind(IXmlBinding* nodes, NodeBinding* kind, bool hasStates, IXmlBinding* data,
                     std::initializer_list<IXmlBinding*> optional);
    void CreateNodeBindings(IXmlBinding* nodes);
    void CreateCaseBindings(IXmlBinding* root);

    // Elements of the network, the costs and the cases.
    void OnRootStart(IXmlReader* reader);
    void OnPropertyStart(IXmlReader* reader);
    void OnNetworkPropertyEnd(IXmlReader* reader);
    void OnNodePropertyEnd(IXmlReader* reader);
    // A property given again: the same value is read once with a warning, another is refused naming
    // `owner` ("Network [N]", "Node [A]") and the property; false once refused.
    bool CheckRepeatedProperty(IXmlReader* reader, const VRX_userProperties& properties,
                               const std::string& owner, const std::string& value, bool& repeated);
    void OnEpisStart(IXmlReader* reader);
    void OnCostNodeStart(IXmlReader* reader);
    void OnCostWord(IXmlReader* reader);
    void OnCostEnd(IXmlReader* reader);
    void OnCostNodeEnd(IXmlReader* reader);
    void OnDynamicStart(IXmlReader* reader);
    void OnDynamicEnd(IXmlReader* reader);
    // Temporal definitions under "dynamic", sharing the data bindings of the node kinds.
    void AddTemporalKind(const char* name, int typeCode, Handler kindEnd, IXmlBinding* data,
                         std::initializer_list<IXmlBinding*> optional);
    void StartTemporalDefinition(IXmlReader* reader, int typeCode);
    bool FinishTemporalDefinition(IXmlReader* reader, int typeCode);
    void OnCaseStart(IXmlReader* reader);
    void OnDescriptionEnd(IXmlReader* reader);
    void OnEvidenceStart(IXmlReader* reader);
    void OnTargetStart(IXmlReader* reader);

    // Node elements and their content.
    void StartNode(IXmlReader* reader, int typeCode);
    bool FinishNode(IXmlReader* reader, bool hasStates);
    // A table past the limit, or a CPT whose probabilities cannot fill its table, is refused (naming the
    // node and the size) before the node's arcs build the table.
    bool CheckTableSize(IXmlReader* reader, bool hasStates);
    // Logs, naming the node, that the file gives numberArray's count of `what` for a table of `cells`.
    void LogShortList(const char* what, int64_t cells) const;
    void ResetNodeLists();
    void OnStateStart(IXmlReader* reader);
    void OnParentWord(IXmlReader* reader);
    void OnNumbersStart(IXmlReader* reader);
    void OnNumberWord(IXmlReader* reader);
    void OnNumbersEnd(IXmlReader* reader);
    void OnResultWord(IXmlReader* reader);
    void OnPositiveWeightWord(IXmlReader* reader);
    void OnNegativeWeightWord(IXmlReader* reader);
    void OnParentWeightWord(IXmlReader* reader);
    void OnParentTypeWord(IXmlReader* reader);
    void OnStrengthWord(IXmlReader* reader);
    void OnParameterWord(IXmlReader* reader);
    void OnDistinguishedStateWord(IXmlReader* reader);
    void OnAdderWeightWord(IXmlReader* reader);
    void OnBaselineEnd(IXmlReader* reader);
    void OnPriorBeliefEnd(IXmlReader* reader);
    void FinishCpt(IXmlReader* reader);
    void FinishTruthTable(IXmlReader* reader);
    // Numbers read (what: "table", "utilities", "weights") that a file's table may not hold (NaN,
    // infinities, negative probabilities; base/table_entries.h): reported naming the node; true then.
    // Probabilities in [-1e-6, 0) are made 0 first, with a warning.
    bool RefuseNonFinite(IXmlReader* reader, const char* what, bool probabilities = false);
    // The same of numbers read into `values` ("parameters" of the noisy kinds, probabilities).
    bool RefuseNonFinite(IXmlReader* reader, const char* what, VRX_doubleArray& values, bool probabilities);
    // Before `nodes` more nodes and `arcs` more arcs are built for node `id`: true, the refusal reported,
    // when the read would pass kMaxReadBytes.
    bool RefuseReadSize(IXmlReader* reader, const std::string& id, int nodes, int type, int arcs,
                        int64_t cells = 0);
    int64_t readArcs_ = 0;
    int64_t readNodeBytes_ = 0;
    void FinishUtility(IXmlReader* reader);
    void FinishMau(IXmlReader* reader);
    void FinishMauExpressions(IXmlReader* reader);
    void FinishCast(IXmlReader* reader);
    void FinishDemorgan(IXmlReader* reader);
    void FinishNoisyMax(IXmlReader* reader);
    void FinishNoisyAdder(IXmlReader* reader);
    // The two equation kinds: equation texts, bounds, discretisation intervals, component members.
    void CreateEquationBindings(IXmlBinding* nodes);
    void OnDefinitionStart(IXmlReader* reader);
    void OnDefinitionEnd(IXmlReader* reader);
    void OnIntervalStart(IXmlReader* reader);
    void OnMemberWord(IXmlReader* reader);
    void FinishEquation(IXmlReader* reader);
    void FinishEquationScc(IXmlReader* reader);

    // Word readers: the word must be one number; false after reporting its position in the list.
    bool ReadDoubleWord(IXmlReader* reader, std::vector<double>& list);
    bool ReadIntWord(IXmlReader* reader, std::vector<int>& list);
    // Reads the noisy adder's "function" attribute into adderFunction.
    bool ReadAdderFunction(IXmlReader* reader);
    // The loader's messages that name an argument: message + ": '" + argument + "'".
    void ReportWithArgument(IXmlReader* reader, const char* message, const std::string& argument);
    // The handle of a node of this file, -1 when none has that identifier.
    int FindNodeId(const std::string& id) const;

    VRX_network* network;
    // Set when the network held nodes before the load.
    bool checkExistingIds = false;
    int currentNode = -1;
    // Each node's observation cost element as first given, and the node of a repeat while it is open.
    std::map<int, std::string> costElements_;
    int repeatedCostNode_ = -1;
    // The same for the temporal definitions, by node and order.
    std::map<std::pair<int, int>, std::string> temporalElements_;
    bool repeatedTemporal_ = false;
    VRX_nodeDefinition* currentDefinition = nullptr;
    VRX_case* currentCase = nullptr;
    std::string propertyId;
    std::map<std::string, int> nodeIds;
    std::vector<std::unique_ptr<Binding>> bindings;
    IXmlBinding* rootBinding = nullptr;
    IXmlBinding* parentsBinding = nullptr;
    IXmlBinding* stateBinding = nullptr;
    IXmlBinding* nodePropertyBinding = nullptr;
    IXmlBinding* dynamicBinding = nullptr;
    int currentOrder = 1;
    int sliceCount = 0;
    // Whose outcome names a definition's words name: a temporal definition's are the plate node's.
    VRX_nodeDefinition* outcomeSource = nullptr;

    // Per-node working lists, emptied when a node element or an observation-cost node starts.
    std::vector<std::string> stateIds;
    std::unordered_set<std::string> stateIdSet;  // stateIds again, for duplicate checks in O(1)
    std::vector<std::string> stateLabels;
    int defaultState = -1;
    std::vector<int> faultStates;
    std::vector<int> parentHandles;
    std::vector<double> numbers;
    VRX_doubleArray numberArray;
    std::map<std::string, int> resultNames;
    std::vector<int> resultIndices;
    std::vector<double> positiveWeights;
    std::vector<double> negativeWeights;
    double baselineValue = -1.0;
    std::vector<double> parentWeights;
    std::vector<int> parentTypes;
    double priorBeliefValue = -1.0;
    std::vector<int> strengthIndices;
    std::vector<double> ciParameters;
    std::vector<int> distinguishedStates;
    std::vector<double> adderWeights;
    int adderFunction = 0;
    std::vector<std::string> expressions;  // texts that parsed
    std::vector<DiscretizationInterval> intervals;
    std::vector<std::string> memberIds;
};
