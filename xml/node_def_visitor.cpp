// Dispatch of a node definition to the visit operation of its kind.
#include "xml/node_def_visitor.h"

#include "model/node_definition.h"

bool NodeDefVisitor::Visit(VRX_nodeDefinition* definition) {
    if (definition == nullptr) return false;
    switch (definition->GetType()) {
        case DefinitionType::kMau:
            VisitMau(definition);
            return true;
        case DefinitionType::kTable:
            VisitUtility(definition);
            return true;
        case DefinitionType::kList:
            VisitDecision(definition);
            return true;
        case DefinitionType::kEquation:
            VisitEquation(definition);
            return true;
        case DefinitionType::kDeMorgan:
            VisitDemorgan(definition);
            return true;
        case DefinitionType::kCast:
            VisitCast(definition);
            return true;
        case DefinitionType::kNoisyAdder:
            VisitNoisyAdder(definition);
            return true;
        case DefinitionType::kNoisyMax:
            VisitNoisyMax(definition);
            return true;
        case DefinitionType::kTruthTable:
            VisitTruthTable(definition);
            return true;
        case DefinitionType::kCpt:
            VisitCpt(definition);
            return true;
        default:
            return false;
    }
}
