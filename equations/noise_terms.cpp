// Distribution calls in equation cells become noise nodes of a working copy.
#include "equations/noise_terms.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/expression.h"
#include "base/expression_parser.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/hybrid_definition.h"
#include "equations/equation_to_hybrid.h"
#include "equations/hybrid_sample_node.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_info.h"
#include "model/node_value.h"

using vovido::ExpressionSlot;

namespace {

VRX_defHybrid* NoisyCellsOf(VRX_network& network, int h) {
    if (network.GetNodeType(h) != DefinitionType::kHEquation) return nullptr;
    return dynamic_cast<VRX_defHybrid*>(network.GetNode(h)->GetDefinition());
}

// The cell's tree (a copy, its slot on the heap: a call may be the whole tree, and the places must
// survive moves of the cell) and the places of its calls; no tree for a cell without an expression.
struct NoisyCell {
    std::unique_ptr<ExpressionSlot> tree;
    std::vector<ExpressionSlot*> calls;
};

NoisyCell ReadCell(VRX_Helement* element) {
    NoisyCell cell;
    const auto* equation = dynamic_cast<const VRX_equationElement*>(element);
    if (equation == nullptr || !equation->HasExpression()) return cell;
    cell.tree = std::make_unique<ExpressionSlot>(equation->GetMainExpression()->Clone());
    (*cell.tree)->CollectDistributions(cell.tree.get(), cell.calls);
    return cell;
}

// The coordinates of the cell of that linear index (last dimension fastest).
VRX_intArray CellCoordinates(const std::vector<int>& dimensions, int index) {
    std::vector<int> states(dimensions.size());
    for (size_t k = dimensions.size(); k-- > 0;) {
        states[k] = index % dimensions[k];
        index /= dimensions[k];
    }
    VRX_intArray out;
    for (int s : states) (void)out.Add(s);  // a few ints
    return out;
}

// A noise node for the k-th call of every cell (a cell with fewer calls draws an unused standard
// Normal), with the equation's discrete parents, so that its cells line up with the equation's, and the
// parents its calls' arguments name; its handle or a negative code.
int AddNoiseNode(VRX_network& work, int equation, std::vector<NoisyCell>& cells, size_t k,
                 const std::string& name) {
    const int n = work.AddNode(DefinitionType::kDistribution, name.c_str());
    if (n < 0) return n;
    if (VRX_nodeInfo* info = work.GetNode(n)->GetInfo()) {
        const char* owner = work.GetNode(equation)->GetId();
        if (const int rc =
                info->userProperties.AddProperty(kInternalNodeProperty, owner != nullptr ? owner : ""))
            return rc;
        // Its range frames the draws: the term's support is its distribution's.
        if (const int rc = info->userProperties.AddProperty(kOpenRangeProperty, "")) return rc;
    }
    VRX_defHybrid& source = *static_cast<VRX_defHybrid*>(work.GetNode(equation)->GetDefinition());
    for (int parent : source.GetDimensionParents()) {
        if (const int rc = work.AddArc(parent, n)) return rc;
    }
    double lower = 1e300, upper = -1e300;
    for (NoisyCell& cell : cells) {
        if (k >= cell.calls.size()) continue;
        ExpressionSlot& call = *cell.calls[k];
        std::vector<std::string> names;
        GetVariables(*call, names);
        for (const std::string& variable : names) {
            const int parent = work.FindNode(variable.c_str());
            if (parent < 0) return kOutOfRange;
            if (work.AreAdjacent(parent, n) == 0) {
                if (const int rc = work.AddArc(parent, n)) return rc;
            }
        }
        const int sign = call->sign;
        call->sign = 1;
        double low = 0.0, high = 0.0;
        NoiseTermRange(*call, low, high);
        lower = std::min(lower, low);
        upper = std::max(upper, high);
        call->sign = sign;
    }
    VRX_defHybrid& noise = *static_cast<VRX_defHybrid*>(work.GetNode(n)->GetDefinition());
    const ExpressionSlot unused = ParseExpression("Normal(0, 1)", nullptr, nullptr);
    for (size_t i = 0; i < cells.size(); ++i) {
        const bool own = k < cells[i].calls.size();
        ExpressionSlot call = own ? (*cells[i].calls[k])->Clone() : unused->Clone();
        call->sign = 1;
        const VRX_intArray at = CellCoordinates(noise.GetElementTable().dimensions, static_cast<int>(i));
        if (const int rc = noise.SetElement(at, std::make_unique<VRX_distributionElement>(*call))) return rc;
        if (!own) continue;
        // The call's place in the equation reads the noise node, with the call's sign.
        auto variable = std::make_unique<VRX_variable>(name);
        variable->sign = (*cells[i].calls[k])->sign;
        *cells[i].calls[k] = std::move(variable);
    }
    if (const int rc = noise.SetLowerBound(lower)) return rc;
    if (const int rc = noise.SetUpperBound(upper)) return rc;
    if (const int rc = work.AddArc(n, equation)) return rc;
    return n;
}

int SeparateNodeNoise(VRX_network& work, const VRX_network& source, int h, int& counter) {
    VRX_defHybrid& definition = *NoisyCellsOf(work, h);
    std::vector<NoisyCell> cells;
    size_t count = 0;
    for (int i = 0; i < definition.GetElementTable().GetSize(); ++i) {
        cells.push_back(ReadCell(definition.GetElementAt(i)));
        count = std::max(count, cells.back().calls.size());
    }
    for (size_t k = 0; k < count; ++k) {
        std::string name;
        do {
            MakeAuxiliaryName(name, counter, source);
        } while (work.IsIdInUse(name.c_str(), -1));
        const int n = AddNoiseNode(work, h, cells, k, name);
        if (n < 0) return n;
    }
    std::vector<std::string> read;
    for (size_t i = 0; i < cells.size() && count > 0; ++i) {
        if (!cells[i].tree) continue;
        GetVariables(**cells[i].tree, read);
        if (cells[i].calls.empty()) continue;
        std::string text;
        ExpressionToText(**cells[i].tree, text);
        const VRX_intArray at = CellCoordinates(definition.GetElementTable().dimensions, static_cast<int>(i));
        if (const int rc = definition.SetElement(at, std::make_unique<VRX_equationElement>(text))) return rc;
    }
    // A continuous parent that only a call read now reaches the equation through its noise node alone;
    // an arc left to it would count its evidence twice.
    const VRX_intArray parents(work.GetParents(h));
    for (int i = 0; i < parents.GetCount() && count > 0; ++i) {
        const char* id = work.GetNode(parents[i])->GetId();
        if (vovido::IsDiscreteType(work.GetNodeType(parents[i])) || id == nullptr ||
            std::find(read.begin(), read.end(), id) != read.end())
            continue;
        if (const int rc = work.RemoveArc(parents[i], h)) return rc;
    }
    return kSuccess;
}

// A distribution node with a cell that has no density at hand (`x * Normal(1, 0.5)`): its evidence
// could not be weighed, so it becomes an equation whose calls are noise nodes.
bool LacksDensity(VRX_network& network, int h) {
    if (network.GetNodeType(h) != DefinitionType::kDistribution) return false;
    const auto& definition = *static_cast<VRX_defHybrid*>(network.GetNode(h)->GetDefinition());
    for (int i = 0; i < definition.GetElementTable().GetSize(); ++i) {
        const auto* cell = dynamic_cast<const VRX_distributionElement*>(definition.GetElementAt(i));
        if (cell != nullptr && !cell->HasDensity()) return true;
    }
    return false;
}

// The node as an equation of the same cells, range and evidence.
int TurnIntoEquation(VRX_network& work, int h) {
    VRX_node& node = *work.GetNode(h);
    auto& before = *static_cast<VRX_defHybrid*>(node.GetDefinition());
    std::vector<std::string> texts;
    for (int i = 0; i < before.GetElementTable().GetSize(); ++i) {
        const auto* cell = dynamic_cast<const VRX_distributionElement*>(before.GetElementAt(i));
        texts.emplace_back();
        if (cell != nullptr) ExpressionToText(cell->GetExpression(), texts.back());
    }
    double lower = 0.0, upper = 0.0, evidence = 0.0;
    (void)before.GetLowerBound(lower);  // a continuous kind: 0
    (void)before.GetUpperBound(upper);
    // A bound nobody set stays unset: it cuts nothing off.
    const auto& ranged = static_cast<const VRX_defContinuousHybrid&>(before);
    const bool lowerSet = ranged.IsLowerBoundSet(), upperSet = ranged.IsUpperBoundSet();
    const bool observed =
        node.GetValue()->HasEvidence() && node.GetValue()->GetContEvidence(evidence) == kSuccess;
    if (const int rc = node.ChangeType(DefinitionType::kHEquation)) return rc;
    auto& after = *static_cast<VRX_defHybrid*>(node.GetDefinition());
    for (size_t i = 0; i < texts.size(); ++i) {
        if (texts[i].empty()) continue;
        const VRX_intArray at = CellCoordinates(after.GetElementTable().dimensions, static_cast<int>(i));
        if (const int rc = after.SetElement(at, std::make_unique<VRX_equationElement>(texts[i]))) return rc;
    }
    if (const int rc = lowerSet ? after.SetLowerBound(lower) : kSuccess) return rc;
    if (const int rc = upperSet ? after.SetUpperBound(upper) : kSuccess) return rc;
    return observed ? node.GetValue()->SetContEvidence(evidence) : kSuccess;
}

}  // namespace

bool HasNoisyEquationCells(VRX_network& network) {
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        VRX_defHybrid* definition = NoisyCellsOf(network, h);
        if (definition == nullptr) continue;
        for (int i = 0; i < definition->GetElementTable().GetSize(); ++i) {
            if (!ReadCell(definition->GetElementAt(i)).calls.empty()) return true;
        }
    }
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        if (LacksDensity(network, h)) return true;
    }
    return false;
}

int SeparateNoiseTerms(VRX_network& work, const VRX_network& source) {
    std::vector<int> equations;
    for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) {
        if (LacksDensity(work, h)) {
            if (const int rc = TurnIntoEquation(work, h)) return rc;
        }
        if (NoisyCellsOf(work, h) != nullptr) equations.push_back(h);
    }
    int counter = 1;
    for (int h : equations) {
        if (const int rc = SeparateNodeNoise(work, source, h, counter)) return rc;
    }
    return kSuccess;
}

int CopyBeliefsBack(VRX_network& source, VRX_network& work) {
    for (int h = source.GetFirstNode(); h >= 0; h = source.GetNextNode(h)) {
        VRX_nodeValue& value = *source.GetNode(h)->GetValue();
        const int rc = value.CopyFrom(*work.GetNode(h)->GetValue());
        // The copy takes the working node's binding too: the value stays the source node's.
        value.Bind(&source, h);
        if (rc != kSuccess) return rc;
    }
    return kSuccess;
}
