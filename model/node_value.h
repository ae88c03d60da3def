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

class VRX_nodeValue : public VRX_object {
public:
    VRX_nodeValue(int handle, VRX_network* network);
    VRX_nodeValue(const VRX_nodeValue& source);
    VRX_nodeValue& operator=(const VRX_nodeValue&) = delete;
    ~VRX_nodeValue() override;

    void CleanUp(int deep) override;

    virtual int CloneFrom(VRX_nodeValue& source);
    virtual int CopyFrom(VRX_nodeValue& source);
    virtual int RebuildFromDefinition();
    virtual int GetType() const = 0;
    virtual int GetSize();
    virtual int AddIndexingParent(int parent);
    virtual int GetContEvidence(double& out);
    virtual int GetEvidence();
    virtual int SetEvidence(int outcome);
    virtual int SetContEvidence(double value);
    virtual int ClearEvidence();
    virtual int ClearPropagatedEvidence();
    virtual int SetPropagatedContEvidence(double value);
    virtual int SetPropagatedEvidence(int outcome);
    virtual int GetVirtualEvidence(VRX_doubleArray& out);
    virtual int SetVirtualEvidence(const VRX_doubleArray& weights);
    virtual int GetValue(VRX_Dmatrix*& out);
    virtual int SetValue(const VRX_Dmatrix& matrix);

    uint32_t GetValueFlags() const { return valueFlags; }
    bool HasFlag(uint32_t bit) const { return (valueFlags & bit) != 0; }
    // Evidence of either kind: observed by the user or fixed by propagation.
    bool HasEvidence() const {
        return (valueFlags & (ValueFlags::kEvidence | ValueFlags::kPropagatedEvidence)) != 0;
    }
    bool IsUpToDate() const { return HasFlag(ValueFlags::kUpToDate); }
    void SetValueFlag(uint32_t bit, bool on) { valueFlags = on ? (valueFlags | bit) : (valueFlags & ~bit); }
    const VRX_intArray& GetIndexingParents() const { return indexingParents; }

    VRX_network* GetNetwork() const { return network; }
    int GetHandle() const { return handle; }
    void Bind(VRX_network* net, int nodeHandle) {
        network = net;
        handle = nodeHandle;
    }

protected:
    // Copies the fields every value shares; used by the kinds' CopyFrom.
    int CopyBaseFrom(VRX_nodeValue& source);

    VRX_network* network = nullptr;
    int handle = -1;
    uint32_t valueFlags = 0;
    VRX_intArray indexingParents;
};
