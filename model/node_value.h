#pragma once
// Abstract node value: what inference computed for a node, together with the node's evidence.

#include "base/int_array.h"
#include "base/vrx_object.h"

#include <cstdint>

class VRX_network;
class VRX_doubleArray;
class VRX_Dmatrix;

namespace ValueType {
constexpr int kNone = 0;
constexpr int kBeliefVector = 3;
constexpr int kExpectedUtility = 4;
constexpr int kListOfDecisions = 6;
constexpr int kMauExpectedUtility = 7;
constexpr int kEqEvaluation = 8;
constexpr int kContinuous = 9;
}  // namespace ValueType

namespace ValueFlags {
constexpr uint32_t kEvidence = 1;
constexpr uint32_t kUpToDate = 2;
constexpr uint32_t kPropagatedEvidence = 4;
constexpr uint32_t kCutOff = 8;
constexpr uint32_t kVirtualEvidence = 16;
}  // namespace ValueFlags

namespace vovido {

// An edit of a node's outcome set, as the node's value follows it.
struct OutcomeEdit {
    enum Kind {
        kInserted,   // a new outcome at index
        kRemoved,    // the outcome at index went
        kReordered,  // new position j holds old position (*order)[j]
        kReplaced,   // a new outcome set altogether
    };
    Kind kind;
    int index;
    const VRX_intArray* order;
};

// Where an outcome index lands after the edit; -1 when that outcome is gone (for kReplaced, when the
// index no longer lies below the new count n).
int OutcomeAfterEdit(const OutcomeEdit& edit, int outcome, int n);

}  // namespace vovido

class VRX_nodeValue : public VRX_object {
public:
    VRX_nodeValue(int handle, VRX_network* network);
    VRX_nodeValue(const VRX_nodeValue& source);
    VRX_nodeValue& operator=(const VRX_nodeValue&) = delete;
    ~VRX_nodeValue() override;

    void CleanUp(int deep) override;

    [[nodiscard]] virtual int CloneFrom(VRX_nodeValue& source);
    [[nodiscard]] virtual int CopyFrom(VRX_nodeValue& source);
    [[nodiscard]] virtual int RebuildFromDefinition();
    [[nodiscard]] virtual int GetType() const = 0;
    [[nodiscard]] virtual int GetSize();
    [[nodiscard]] virtual int AddIndexingParent(int parent);
    [[nodiscard]] virtual int GetContEvidence(double& out);
    [[nodiscard]] virtual int GetEvidence();
    [[nodiscard]] virtual int SetEvidence(int outcome);
    [[nodiscard]] virtual int SetContEvidence(double value);
    [[nodiscard]] virtual int ClearEvidence();
    [[nodiscard]] virtual int ClearPropagatedEvidence();
    [[nodiscard]] virtual int SetPropagatedContEvidence(double value);
    [[nodiscard]] virtual int SetPropagatedEvidence(int outcome);
    [[nodiscard]] virtual int GetVirtualEvidence(VRX_doubleArray& out);
    [[nodiscard]] virtual int SetVirtualEvidence(const VRX_doubleArray& weights);
    [[nodiscard]] virtual int GetValue(VRX_Dmatrix*& out);
    [[nodiscard]] virtual int SetValue(const VRX_Dmatrix& matrix);

    uint32_t GetValueFlags() const { return valueFlags; }
    bool HasFlag(uint32_t bit) const { return (valueFlags & bit) != 0; }
    // Evidence of either kind: observed by the user or fixed by propagation.
    bool HasEvidence() const {
        return (valueFlags & (ValueFlags::kEvidence | ValueFlags::kPropagatedEvidence)) != 0;
    }
    bool IsUpToDate() const { return HasFlag(ValueFlags::kUpToDate); }
    void SetValueFlag(uint32_t bit, bool on) {
        if (on) {
            AddValueFlags(bit);
        } else {
            RemoveValueFlags(bit);
        }
    }
    const VRX_intArray& GetIndexingParents() const { return indexingParents; }

    // Evidence of a plate node by time slice: slice 0 is the value's own evidence, later slices are kept
    // by the network's temporal data. The setters answer kWrongNodeType unless the node is a plate node, and
    // kOutOfRange for a slice outside the slice count.
    [[nodiscard]] int GetTemporalEvidence(int slice);
    [[nodiscard]] int SetTemporalEvidence(int slice, int outcome);
    [[nodiscard]] int ClearTemporalEvidence(int slice);
    bool IsTemporalEvidence(int slice);
    bool HasTemporalEvidence();

    VRX_network* GetNetwork() const { return network; }
    int GetHandle() const { return handle; }
    void Bind(VRX_network* net, int nodeHandle) {
        network = net;
        handle = nodeHandle;
        if (HasEvidence()) TellNetworkOfEvidence();
        if (IsUpToDate() && !HasEvidence()) TellNetworkOfCurrentValue();
    }

    // Keeps the evidence in step once the node's outcomes were edited (the definition has changed
    // already). The base holds no evidence.
    [[nodiscard]] virtual int FollowOutcomeEdit(const vovido::OutcomeEdit& edit);

protected:
    // Copies the fields every value shares; used by the kinds' CopyFrom.
    [[nodiscard]] int CopyBaseFrom(VRX_nodeValue& source);

    // Flags change only through these, so that the network learns of every value that takes evidence or
    // is marked up to date.
    // A value holding evidence is current by its evidence, which no walk of the network takes back: only
    // the others are told of.
    void AddValueFlags(uint32_t bits) {
        const bool had = HasEvidence();
        valueFlags |= bits;
        if (!had && HasEvidence()) TellNetworkOfEvidence();
        if ((bits & ValueFlags::kUpToDate) && !HasEvidence()) TellNetworkOfCurrentValue();
    }
    // The beliefs of an outcome about to be made evidence: current without a notice.
    void AddUpToDateForEvidence() { valueFlags |= ValueFlags::kUpToDate; }
    void RemoveValueFlags(uint32_t bits) { valueFlags &= ~bits; }
    void ReplaceValueFlags(uint32_t flags) {
        valueFlags = 0;
        AddValueFlags(flags);
    }

    VRX_network* network = nullptr;
    int handle = -1;
    VRX_intArray indexingParents;

private:
    void TellNetworkOfEvidence();
    void TellNetworkOfCurrentValue();

    uint32_t valueFlags = 0;
};
