#pragma once
// Abstract node definition: the outcomes and parameters of one node, kept in step with the graph.

#include <memory>

#include "base/vrx_object.h"

class VRX_network;
class VRX_intArray;
class VRX_doubleArray;
class VRX_stringArray;
class VRX_idArray;
class VRX_Dmatrix;

namespace vovido {
struct CheckedTable;
}

// Definition type codes: the low five bits say what the node is, the higher bits which kind of
// definition it has.
namespace DefinitionBits {
constexpr int kDecision = 0x1;
constexpr int kChance = 0x2;
constexpr int kDeterministic = 0x4;
constexpr int kUtility = 0x8;
constexpr int kDiscrete = 0x10;
constexpr int kCast = 0x20;
constexpr int kDeMorgan = 0x40;
constexpr int kNoisyMax = 0x80;
constexpr int kNoisyAdder = 0x100;
constexpr int kMau = 0x200;
constexpr int kEquationGroup = 0x400;
constexpr int kDiscreteChildOfContinuous = 0x800;
constexpr int kHybrid = 0x1000;
}  // namespace DefinitionBits

namespace DefinitionType {
constexpr int kNone = 0;
constexpr int kEquation = 0x4;
constexpr int kTable = 0x8;
constexpr int kList = 0x11;
constexpr int kCpt = 0x12;
constexpr int kTruthTable = 0x14;
constexpr int kCast = 0x32;
constexpr int kDeMorgan = 0x52;
constexpr int kNoisyMax = 0x92;
constexpr int kNoisyAdder = 0x112;
constexpr int kMau = 0x208;
constexpr int kEquationScc = 0x404;
constexpr int kDchildHparent = 0x810;
constexpr int kDistribution = 0x1002;
constexpr int kHEquation = 0x1004;
}  // namespace DefinitionType

namespace vovido {

// Kinds whose outcomes index the tables of their children: LIST, CPT, TRUTHTABLE, NOISY_MAX,
// NOISY_ADDER.
bool IsIndexingType(int typeCode);
// Decision or utility: such a node makes the network an influence diagram.
inline bool IsDecisionOrUtilityType(int typeCode) {
    return (typeCode & (DefinitionBits::kDecision | DefinitionBits::kUtility)) != 0;
}
inline bool IsDiscreteType(int typeCode) {
    return (typeCode & DefinitionBits::kDiscrete) != 0;
}

}  // namespace vovido

// Change code a definition's own NotifyChange passes on to the network.
constexpr int kDefinitionChangeNotice = 123445;

class VRX_nodeDefinition : public VRX_object {
public:
    VRX_nodeDefinition(int handle, VRX_network* network);
    // Copies the network and handle only; kinds copy their own data.
    VRX_nodeDefinition(const VRX_nodeDefinition& source);
    VRX_nodeDefinition& operator=(const VRX_nodeDefinition&) = delete;
    ~VRX_nodeDefinition() override;

    // Valid when attached to a live node of its network.
    void CheckValidity(int deep) override;

    [[nodiscard]] virtual int GetType() const = 0;
    virtual const char* GetTypeName() const = 0;

    // Parent edits, called by the network around its arc and outcome edits.
    [[nodiscard]] virtual int AddParent(int parent);
    [[nodiscard]] virtual int RemoveParent(int parent);
    [[nodiscard]] virtual int AbsorbParentEvidence(int parent);
    [[nodiscard]] virtual int MarginalizeParent(int parent);
    [[nodiscard]] virtual int InsertParentOutcome(int parent, int index);
    [[nodiscard]] virtual int RemoveParentOutcome(int parent, int index);
    [[nodiscard]] virtual int ReorderParentOutcomes(int parent, const VRX_intArray& order);
    [[nodiscard]] virtual int ReorderParents(const VRX_intArray& order);
    virtual int RenameParentId(int parent, const char* oldId, const char* newId);
    virtual int ReservedQuery();
    virtual int NotifyChange(int code);

    [[nodiscard]] virtual int GetSize();
    [[nodiscard]] virtual int CloneFrom(VRX_nodeDefinition& source);
    [[nodiscard]] virtual int RebuildFromParents();
    // Makes this definition a copy of, or a conversion from, a definition of any kind.
    [[nodiscard]] virtual int CopyFrom(VRX_nodeDefinition& source);
    [[nodiscard]] virtual int RemoveInvalidParents();

    // Outcomes.
    [[nodiscard]] virtual int AddOutcome(const char* name);
    [[nodiscard]] virtual int InsertOutcome(int index, const char* name);
    [[nodiscard]] virtual int RemoveOutcome(int index);
    [[nodiscard]] virtual int GetNumberOfOutcomes();
    [[nodiscard]] virtual int RenameOutcome(int index, const char* name);
    [[nodiscard]] virtual int RenameOutcomes(const VRX_stringArray& names);
    virtual VRX_idArray* GetOutcomesNames();
    [[nodiscard]] virtual int SetOutcomes(const VRX_stringArray& names);
    [[nodiscard]] virtual int SetNumberOfOutcomes(int count);
    [[nodiscard]] virtual int ChangeOrderOfOutcomes(const VRX_intArray& order);
    [[nodiscard]] virtual int ChangeOutcomes(const VRX_stringArray& names, const VRX_intArray& map);

    // Parameters. The getters hand out pointers into the definition, valid until its next change.
    [[nodiscard]] virtual int GetDefinitionStrings(VRX_stringArray*& out);
    [[nodiscard]] virtual int GetDefinitionInts(VRX_intArray*& out);
    [[nodiscard]] virtual int GetDefinitionDoubles(VRX_doubleArray*& out);
    [[nodiscard]] virtual int GetDefinition(VRX_Dmatrix*& out);
    [[nodiscard]] virtual int SetDefinition(const VRX_Dmatrix& matrix);
    [[nodiscard]] virtual int SetDefinitionStrings(const VRX_stringArray& strings);
    [[nodiscard]] virtual int SetDefinitionInts(const VRX_intArray& ints);
    [[nodiscard]] virtual int SetDefinitionDoubles(const VRX_doubleArray& doubles);
    virtual int CopyParametersTo(VRX_nodeDefinition& target);

    // Shared services of every kind. After one outcome was inserted at index: the children, cost children,
    // extra definition and value follow. A child that cannot take it has every child take it back, with
    // takenBack set: the caller then takes back its own insertion.
    [[nodiscard]] int NotifyOutcomeInserted(int index, bool& takenBack);
    [[nodiscard]] int NotifyOutcomeRemoved(int index, VRX_idArray& outcomeIds);
    // Before this node's outcome at index is removed: every child and cost child tries the removal on a
    // copy of itself. The first that cannot refuses the edit, logged naming both nodes; 0 when all can.
    [[nodiscard]] int CheckChildrenTakeOutcomeRemoval(int index);
    [[nodiscard]] int NotifyOutcomesReordered(const VRX_intArray& order);
    [[nodiscard]] int CopyParameters(VRX_nodeDefinition& target) { return CopyParametersTo(target); }
    [[nodiscard]] static int InsertZeroItem(VRX_Dmatrix& matrix, int dimension, int index);

    // The node's temporal definition of exactly that order (a plate node of a dynamic network); null
    // when there is none. Its entries, and their replacement: kWrongNodeType without temporal data,
    // kOutOfRange without a definition of that order.
    VRX_nodeDefinition* FindTemporalDefinition(int order) const;
    VRX_doubleArray* GetTemporalDefinition(int order);
    [[nodiscard]] int SetTemporalDefinition(int order, const VRX_doubleArray& entries);

    VRX_network* GetNetwork() const { return network; }
    int GetHandle() const { return handle; }
    void Bind(VRX_network* net, int nodeHandle) {
        network = net;
        handle = nodeHandle;
    }

    // What the last belief update found in this definition's table (created when first asked for, never
    // copied): the update's table check keeps it and alone reads it.
    vovido::CheckedTable& CheckedTableCache();
    // The same, null while no update checked the table: what counts the memory an update holds reads it.
    const vovido::CheckedTable* FindCheckedTable() const { return checkedTable_.get(); }

protected:
    // The base validity rule: the network holds a live node at this handle.
    bool IsAttachedToLiveNode() const;

    VRX_network* network = nullptr;
    int handle = -1;

private:
    std::unique_ptr<vovido::CheckedTable> checkedTable_;
};
