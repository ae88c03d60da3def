#pragma once
// Visitor over the kinds of node definition that the XML network format writes.

class VRX_nodeDefinition;

class NodeDefVisitor {
public:
    virtual void VisitMau(VRX_nodeDefinition* definition) = 0;
    virtual void VisitUtility(VRX_nodeDefinition* definition) = 0;
    virtual void VisitDecision(VRX_nodeDefinition* definition) = 0;
    virtual void VisitEquation(VRX_nodeDefinition* definition) = 0;
    virtual void VisitDemorgan(VRX_nodeDefinition* definition) = 0;
    virtual void VisitCast(VRX_nodeDefinition* definition) = 0;
    virtual void VisitNoisyAdder(VRX_nodeDefinition* definition) = 0;
    virtual void VisitNoisyMax(VRX_nodeDefinition* definition) = 0;
    virtual void VisitTruthTable(VRX_nodeDefinition* definition) = 0;
    virtual void VisitCpt(VRX_nodeDefinition* definition) = 0;
    virtual ~NodeDefVisitor() = default;

    // Dispatches by the definition's type code; false (nothing visited) for a null definition or a kind
    // the format does not write.
    bool Visit(VRX_nodeDefinition* definition);
};
