#pragma once
// Value of information: the gain in expected utility when chance nodes are observed before a decision,
// judged from a point of view in the decision sequence. The settings object names the question and
// keeps the answer; the assessor solves a copy of the diagram with and without the observations.
// After Howard, "Information value theory", 1966.

#include "base/dmatrix.h"
#include "base/int_array.h"
#include "base/vrx_object.h"

class VRX_network;

class VRX_valueOfInformation : public VRX_object {
public:
    // Bound to the network when it is given and valid: its decisions and actions are listed then.
    explicit VRX_valueOfInformation(VRX_network* network);
    ~VRX_valueOfInformation() override;

    // With deep set also drops the observed nodes and the results; always unbinds the network.
    void CleanUp(int deep) override;
    // Valid while bound to a network.
    void CheckValidity(int deep) override;
    // Consistent when valid and the decision, the point of view and every observed node are live.
    void CheckConsistency(int deep) override;

    // The decision is never among the observed nodes: AddNode of the decision and SetDecision of an
    // observed node are refused with kWrongNodeType, logged naming the node (the reasons below).
    [[nodiscard]] int AddNode(int handle);
    [[nodiscard]] int RemoveNode(int handle);
    [[nodiscard]] int SetDecision(int handle);
    // Why the node cannot be observed (it is the decision) or be the decision (it is observed); null when
    // the rule allows it.
    const char* WhyNotObserved(int handle) const;
    const char* WhyNotDecision(int handle) const;
    [[nodiscard]] int SetPointOfView(int handle);

    VRX_network* GetNetwork() const { return network; }
    const VRX_intArray& GetDecisions() const { return decisions; }
    const VRX_intArray& GetActions() const { return actions; }
    const VRX_intArray& GetObservedNodes() const { return observedNodes; }
    int GetDecision() const { return decisionNode; }
    int GetPointOfView() const { return pointOfView; }
    const VRX_intArray& GetIndexingNodes() const { return indexingNodes; }
    const VRX_Dmatrix& GetValues() const { return valueTable; }

private:
    friend class VRX_valueOfInformationAssessor;
    bool IsLive(int handle) const;

    VRX_network* network = nullptr;
    VRX_intArray decisions;
    VRX_intArray actions;
    VRX_intArray observedNodes;
    int decisionNode = -1;
    int pointOfView = -1;
    VRX_intArray indexingNodes;
    VRX_Dmatrix valueTable;
};

class VRX_valueOfInformationAssessor {
public:
    // 0; kObjectNotValid or kObjectNotConsistent for settings that are not valid or not consistent;
    // kOutOfRange with a message for a diagram without utility nodes; else the first failure of a copy, an
    // arc or a solution. The settings' network is never changed, and the settings' results only on success.
    [[nodiscard]] int ComputeValueOfInformation(VRX_valueOfInformation& settings);
};
