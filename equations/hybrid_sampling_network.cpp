// The hybrid sampling network: construction, evidence settled by inversion, and the sampling runs.
#include "equations/hybrid_sampling_network.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "base/counted_notices.h"
#include "base/distributions.h"
#include "base/error_log.h"
#include "base/expression_parser.h"
#include "base/number_text.h"
#include "base/parsed_equation.h"
#include "base/random_generator.h"
#include "base/status_codes.h"
#include "definitions/hybrid_definition.h"
#include "equations/distribution_support.h"
#include "equations/inversion_choice.h"
#include "equations/monotonic_inverse.h"
#include "equations/sample_memory.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"

using vovido::IsDiscreteType;

using SampleNode = VRX_hybridSampleNode;

namespace vovido {

void SeedHybridGenerators(unsigned int seed) {
    mixtureGenerator.Seed(seed);
    sampleNodeGenerator.Seed(seed + 1u);
    messageGenerator.Seed(seed + 2u);
    GetSamplerGenerator().Seed(seed + 3u);
}

std::string DropInvalidParameterReports(int first) {
    std::string call;
    try {
        (void)EraseEntriesStartingWith(errorLog, first, "Invalid parameters in a call of ", call);
    } catch (const std::bad_alloc&) {
        // Without memory for the call's name the reports stay.
    }
    return call;
}

bool TimesEvidenceWeight(ScaledWeight& w, VRX_hybridSampleNode& node) {
    const double e = node.GetEvidenceWeight();
    return e == 0.0 && node.IsContinuous() && !node.IsDeterministic() ? w.TimesExp(node.LogEvidenceWeight())
                                                                      : w.Times(e);
}

int PositionIn(const std::vector<VRX_hybridSampleNode*>& list, const VRX_hybridSampleNode* node) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == node) return static_cast<int>(i);
    }
    return -1;
}

// Normal(m, s) with the variable in m alone becomes m + Normal(0, s), whose m can be solved for: the
// noise is drawn and the inverse weighed by the variable's own density, as for a noise term.
namespace {
void SplitNormalMeans(ExpressionSlot& slot, const std::string& variable) {
    if (!slot) return;
    for (int i = 0; i < slot->GetOperandCount(); ++i) {
        if (ExpressionSlot* operand = slot->GetOperandSlot(i)) SplitNormalMeans(*operand, variable);
    }
    if (slot->GetType() != kDistributionKind) return;
    auto& call = static_cast<VRX_function&>(*slot);
    if (std::strcmp(call.GetName(), "Normal") != 0 || !call.arguments[0] || !call.arguments[1] ||
        CountVariable(*call.arguments[0], variable) == 0 || CountVariable(*call.arguments[1], variable) != 0)
        return;
    std::unique_ptr<VRX_function> noise = CreateFunctionCall("Normal");
    if (!noise) return;
    noise->SetArgument(0, std::make_unique<VRX_constant>(0.0));
    noise->SetArgument(1, call.DetachArgument(1));
    ExpressionSlot sum = vovido::MakeBinary<VRX_operatorPlus>(call.DetachArgument(0), std::move(noise));
    sum->sign = slot->sign;
    slot = std::move(sum);
}
}  // namespace

int SolveElementFor(const std::string& id, const std::string& text, const std::string& variable,
                    std::string& out) {
    ParsedEquation equation;
    if (ParseEquation(equation, (id + "=" + text).c_str(), nullptr, nullptr) != kSuccess) return kOutOfRange;
    SplitNormalMeans(equation.right, variable);
    if (SolveEquationFor(equation, variable) != kSuccess || !equation.right ||
        CountVariable(*equation.right, variable) != 0)
        return kOutOfRange;
    out.clear();
    ExpressionToText(*equation.right, out);
    return kSuccess;
}

double InvertElement(VRX_Helement& element, const std::string& nodeId, double v, const std::string& parentId,
                     double& out, bool checked) {
    const double h = 1e-6 * std::max(1.0, std::fabs(v));
    // An equation no rule solves for the parent is solved numerically (the inversion is chosen only where
    // that solution is the only one).
    bool numeric = false;
    auto inverse = [&](double at, double& result) {
        if (numeric) return SolveNumerically(element, parentId, at, result);
        element.SetVariableValue(nodeId, at);
        if (element.EvaluateNamed(parentId, result) == kSuccess) return true;
        auto* equation = dynamic_cast<VRX_equationElement*>(&element);
        VRX_expression* rule = nullptr;
        numeric = equation != nullptr && equation->FindNamedExpression(parentId, rule) != kSuccess;
        return numeric && SolveNumerically(element, parentId, at, result);
    };
    double above = 0.0, below = 0.0;
    const bool ok1 = inverse(v + h, above);
    const bool ok2 = inverse(v - h, below);
    // Last at v itself: the element keeps the node's value.
    const bool ok = inverse(v, out);
    if (numeric) element.SetVariableValue(nodeId, v);
    if (!ok1 || !ok2 || !ok) return 0.0;
    // An inverse is taken on one branch (Sqrt(x) = -1 gives x = 1): the value must bring the equation back
    // to v, else no value of the parent explains it.
    if (checked) {
        element.SetVariableValue(parentId, out);
        double back = 0.0;
        if (element.Evaluate(back) != kSuccess ||
            !(std::fabs(back - v) <= 1e-7 * std::max({1.0, std::fabs(v), std::fabs(out)})))
            return 0.0;
    }
    // The density of the observed value is the parent's density at the inverse times |d inverse / dv|.
    const double jacobian = std::fabs(above - below) / (2.0 * h);
    return std::isfinite(jacobian) ? jacobian : 0.0;
}

}  // namespace vovido

namespace {

// The first unobserved continuous parent of the node when every other parent is observed, else null.
VRX_hybridSampleNode* FreeContinuousParent(const VRX_hybridSampleNode& node) {
    VRX_hybridSampleNode* free = nullptr;
    for (VRX_hybridSampleNode* p : node.parents) {
        if (p->IsObserved()) continue;
        if (free != nullptr || !p->IsContinuous()) return nullptr;
        free = p;
    }
    return free;
}

// True when the parent is an ancestor of another parent of the node: inverting the node for it would
// need its value before it is drawn.
bool IsAncestorOfOtherParent(const VRX_hybridSampleNode& node, const VRX_hybridSampleNode& parent,
                             size_t slots) {
    std::vector<const VRX_hybridSampleNode*> stack;
    std::vector<char> seen(slots, 0);
    for (const VRX_hybridSampleNode* p : node.parents) {
        if (p != &parent) stack.push_back(p);
    }
    while (!stack.empty()) {
        const VRX_hybridSampleNode* n = stack.back();
        stack.pop_back();
        if (seen[static_cast<size_t>(n->handle)]) continue;
        seen[static_cast<size_t>(n->handle)] = 1;
        for (const VRX_hybridSampleNode* p : n->parents) {
            if (p == &parent) return true;
            stack.push_back(p);
        }
    }
    return false;
}

// True when the variable occurs once, reached through sums and differences only: the inverse for it
// is then the observed value plus terms of the others, defined everywhere and with a Jacobian of 1.
bool EntersAdditively(const VRX_expression& tree, const std::string& name) {
    if (tree.GetType() == vovido::kVariableKind) return static_cast<const VRX_variable&>(tree).name == name;
    // The mean of a Normal call is its value less a noise term.
    if (tree.GetType() == vovido::kDistributionKind) {
        const auto& call = static_cast<const VRX_function&>(tree);
        const vovido::ExpressionSlot& mean = call.arguments[0];
        const vovido::ExpressionSlot& deviation = call.arguments[1];
        return call.entry != nullptr && call.entry->name != nullptr &&
               std::strcmp(call.entry->name, "Normal") == 0 && mean && deviation && tree.sign == 1 &&
               CountVariable(*deviation, name) == 0 && EntersAdditively(*mean, name);
    }
    if (tree.GetType() != vovido::kPlusKind && tree.GetType() != vovido::kMinusKind) return false;
    const auto& op = static_cast<const VRX_binaryOperator&>(tree);
    if (!op.left || !op.right) return false;
    const int inLeft = CountVariable(*op.left, name);
    if (inLeft + CountVariable(*op.right, name) != 1) return false;
    return EntersAdditively(inLeft == 1 ? *op.left : *op.right, name);
}

bool EntersAdditively(const VRX_equationElement& element, const std::string& name) {
    const vovido::ExpressionSlot tree = ParseExpression(element.GetText().c_str(), nullptr, nullptr);
    return tree && tree->sign == 1 && EntersAdditively(*tree, name);
}

// True when the variable, on its way to the top, passes through a step that many values share (a
// square, an even power, a periodic function): its inverse then gives one of several solutions.
bool HasOtherSolutions(const VRX_expression& tree, const std::string& name) {
    if (tree.GetType() == vovido::kFunctionKind) {
        const auto& call = static_cast<const VRX_function&>(tree);
        for (const vovido::ExpressionSlot& argument : call.arguments) {
            if (!argument || CountVariable(*argument, name) == 0) continue;
            for (const char* shared : {"Sin", "Cos", "Tan", "Sqr"}) {
                if (std::strcmp(call.GetName(), shared) == 0) return true;
            }
            return HasOtherSolutions(*argument, name);
        }
        return false;
    }
    if (tree.GetType() < vovido::kPlusKind || tree.GetType() > vovido::kExpKind) return false;
    const auto& op = static_cast<const VRX_binaryOperator&>(tree);
    if (!op.left || !op.right) return false;
    const bool inLeft = CountVariable(*op.left, name) > 0;
    if (tree.GetType() == vovido::kExpKind && inLeft) {
        // An odd power has one real root; a power that is no integer takes no negative base.
        if (op.right->GetType() != vovido::kConstantKind) return true;
        const double b = static_cast<const VRX_constant&>(*op.right).value * op.right->sign;
        if (b == std::floor(b) && std::fmod(b, 2.0) == 0.0) return true;
    }
    return HasOtherSolutions(inLeft ? *op.left : *op.right, name);
}

bool StrictlyMonotonicIn(const VRX_equationElement& element, const std::string& name) {
    const VRX_expression* tree = element.GetMainExpression();
    return tree != nullptr && vovido::StrictlyMonotonicIn(*tree, name);
}

bool HasOtherSolutions(const VRX_equationElement& element, const std::string& name) {
    const VRX_expression* tree = element.GetMainExpression();
    return tree != nullptr && HasOtherSolutions(*tree, name);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// View

int HybridNetworkView::GetNumberOfNodes() const {
    return network_.GetNumberOfNodes();
}
int HybridNetworkView::GetNumberOfSamples() const {
    return network_.numSamples;
}
int HybridNetworkView::GetDefinitionType(int handle) const {
    return network_.GetNodeType(handle);
}
VRX_node* HybridNetworkView::GetNode(int handle) const {
    return network_.GetNode(handle);
}
std::string HybridNetworkView::GetNodeId(int handle) const {
    const VRX_node* node = network_.GetNode(handle);
    const char* id = node != nullptr ? node->GetId() : nullptr;
    return id != nullptr ? id : "";
}

int HybridNetworkView::GetEvidenceNodes(VRX_intArray& out) const {
    return network_.GetEvidenceNodes(out);
}

VRX_defHybrid* HybridNetworkView::GetHybridDefinition(int handle) const {
    const VRX_node* node = network_.GetNode(handle);
    return node != nullptr ? dynamic_cast<VRX_defHybrid*>(node->GetDefinition()) : nullptr;
}

VRX_Helement* HybridNetworkView::GetElementAt(int handle, int index) const {
    const vovido::ElementTable* table = GetElementTable(handle);
    if (table == nullptr || index < 0 || index >= static_cast<int>(table->cells.size())) return nullptr;
    return table->cells[static_cast<size_t>(index)].get();
}

const vovido::ElementTable* HybridNetworkView::GetElementTable(int handle) const {
    const VRX_defHybrid* definition = GetHybridDefinition(handle);
    return definition != nullptr ? &definition->GetElementTable() : nullptr;
}

int HybridNetworkView::GetNumberOfOutcomes(int handle) const {
    VRX_defHybrid* definition = GetHybridDefinition(handle);
    return definition != nullptr ? definition->GetNumberOfOutcomes() : kWrongNodeType;
}

bool HybridNetworkView::HasEvidence(int handle) const {
    const VRX_node* node = network_.GetNode(handle);
    return node != nullptr && node->GetValue() != nullptr && node->GetValue()->HasEvidence();
}

int HybridNetworkView::GetDiscreteEvidence(int handle) const {
    if (!HasEvidence(handle) || !IsDiscreteType(GetDefinitionType(handle))) return -1;
    return network_.GetNode(handle)->GetValue()->GetEvidence();
}

int HybridNetworkView::GetContinuousEvidence(int handle, double& out) const {
    if (!HasEvidence(handle) || IsDiscreteType(GetDefinitionType(handle))) return -1;
    return network_.GetNode(handle)->GetValue()->GetContEvidence(out);
}

int HybridNetworkView::GetLowerBound(int handle, double& out) const {
    const VRX_defHybrid* definition = GetHybridDefinition(handle);
    return definition != nullptr ? definition->GetLowerBound(out) : kWrongNodeType;
}

int HybridNetworkView::GetUpperBound(int handle, double& out) const {
    const VRX_defHybrid* definition = GetHybridDefinition(handle);
    return definition != nullptr ? definition->GetUpperBound(out) : kWrongNodeType;
}

const VRX_intArray& HybridNetworkView::GetParents(int handle) const {
    return network_.GetParents(handle);
}
const VRX_intArray& HybridNetworkView::GetChildren(int handle) const {
    return network_.GetChildren(handle);
}

int HybridNetworkView::GetElement(int handle, const int* const* coordinates, VRX_Helement*& out) const {
    out = nullptr;
    const VRX_defHybrid* definition = GetHybridDefinition(handle);
    return definition != nullptr ? definition->GetElement(coordinates, out) : kWrongNodeType;
}

// ---------------------------------------------------------------------------------------------------
// Construction

namespace {

// The discrete elements of the node's cells.
template <class Visit>
void ForEachDiscreteElement(const HybridNetworkView& view, const VRX_hybridSampleNode& node, Visit visit) {
    const vovido::ElementTable* table = node.IsContinuous() ? nullptr : view.GetElementTable(node.handle);
    if (table == nullptr) return;
    for (const auto& cell : table->cells) {
        if (auto* element = dynamic_cast<VRX_discreteElement*>(cell.get())) visit(*element);
    }
}

}  // namespace

HybridSampleNet::HybridSampleNet(HybridNetworkView networkView)
    : view(networkView), firstEntry_(errorLog.GetNumberOfEntries()) {
    nodeCount = view.GetNumberOfNodes();
    BuildNodes();
    for (auto& node : sampleNodes) {
        if (node) ForEachDiscreteElement(view, *node, [](VRX_discreteElement& e) { e.ClearStrayWeights(); });
    }
    if (runFlags & 16) return;
    VRX_intArray evidence;
    (void)view.GetEvidenceNodes(evidence);  // fails only out of memory: the nodes listed so far
    for (int i = 0; i < evidence.GetCount(); ++i) {
        SampleNode* node = GetSampleNode(evidence[i]);
        if (node == nullptr || !node->IsObserved()) continue;
        for (SampleNode* p : node->parents) MarkAncestors(*p);
    }
    for (auto& node : sampleNodes) {
        if (!node) continue;
        bool all = !node->children.empty();
        for (SampleNode* c : node->children) all = all && c->IsObserved();
        if (all) node->nodeFlags |= SampleNodeFlags::kChildrenObserved;
        all = !node->parents.empty();
        for (SampleNode* p : node->parents) all = all && p->IsObserved();
        if (all) node->nodeFlags |= SampleNodeFlags::kParentsObserved;
    }
    origin_.assign(sampleNodes.size(), -1);
    for (auto& node : sampleNodes) {
        if (node && node->IsObserved() && PrepareInversion(*node) != kSuccess) runFlags |= 16;
    }
    if (!(runFlags & 16) && !EvidenceWithinRanges()) runFlags |= 16;
    std::vector<SampleNode*> observed;
    for (auto& node : sampleNodes) {
        if (node && node->IsObserved()) observed.push_back(node.get());
    }
    for (SampleNode* node : observed) PropagateDeterministicEvidence(*node);
    if (BuildDrawingOrder() != kSuccess) runFlags |= 16;
    constantFactor_.assign(sampleNodes.size(), 0);
}

HybridSampleNet::~HybridSampleNet() = default;

std::vector<long long> HybridSampleNet::GetStrayCounts() const {
    std::vector<long long> counts;
    for (const auto& node : sampleNodes) {
        if (node)
            ForEachDiscreteElement(view, *node,
                                   [&](VRX_discreteElement& e) { counts.push_back(e.GetStrayCount()); });
    }
    return counts;
}

void HybridSampleNet::RestoreStrayCounts(const std::vector<long long>& counts) const {
    size_t i = 0;
    for (const auto& node : sampleNodes) {
        if (!node) continue;
        ForEachDiscreteElement(view, *node, [&](VRX_discreteElement& e) {
            if (i < counts.size()) e.RestoreStrayCount(counts[i++]);
        });
    }
}

void HybridSampleNet::WarnOfStrayWeights() const {
    // Weights taken as they are would be no probabilities: every algorithm takes one below 0 as 0
    // and scales the others to sum 1.
    constexpr int kNamed = 3;
    std::string names, example;
    int nodes = 0;
    long long total = 0;
    for (const auto& node : sampleNodes) {
        if (!node) continue;
        long long count = 0;
        ForEachDiscreteElement(view, *node, [&](VRX_discreteElement& e) {
            if (e.GetStrayCount() > 0 && example.empty()) {
                VRX_idArray* outcomes = node->GetDefinition().GetOutcomesNames();
                const char* outcome = outcomes != nullptr ? (*outcomes)[e.GetStrayOutcome()] : nullptr;
                // The undefined marker is no weight: it is said as what it is.
                char weight[48] = " an undefined weight";
                const double w = e.GetStrayWeight();
                if (std::isfinite(w) && !IsUndefinedValue(w))
                    std::snprintf(weight, sizeof weight, " the weight %.4g", w);
                example = "node " + node->id + " gave outcome " +
                          (outcome != nullptr ? std::string(outcome) : std::to_string(e.GetStrayOutcome())) +
                          weight + (e.GetStrayValues().empty() ? "" : " at ") + e.GetStrayValues();
            }
            count += e.GetStrayCount();
        });
        if (count == 0) continue;
        total += count;
        if (++nodes <= kNamed) names += (nodes > 1 ? ", " : "") + node->id;
    }
    if (nodes == 0) return;
    if (nodes > kNamed) names += " and " + std::to_string(nodes - kNamed) + " more";
    const std::string text = "Warning: weights outside [0, 1] in " + std::to_string(total) +
                             " evaluations of " + (nodes > 1 ? "nodes " : "node ") + names +
                             " were taken as probabilities (a weight below 0 as 0, the others scaled to sum "
                             "1), e.g. " +
                             example + ".";
    LogError(errorLog, kNoUsefulSamples, text.c_str(), nullptr);
}

void HybridSampleNet::Refuse(const std::string& why) {
    runFlags |= 16;
    if (refusal_.empty()) refusal_ = why;
}

void HybridSampleNet::BuildNodes() {
    VRX_network& network = view.GetNetwork();
    sampleNodes.resize(static_cast<size_t>(network.GetNumberOfSlots()));
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        VRX_node* node = network.GetNode(h);
        auto* definition = dynamic_cast<VRX_defHybrid*>(node->GetDefinition());
        VRX_nodeValue* value = node->GetValue();
        if (definition == nullptr || value == nullptr) {
            Refuse("Node [" + view.GetNodeId(h) + "] is not a node of a hybrid network.");
            continue;
        }
        const std::string fault = definition->FindNameFault();
        if (!fault.empty()) Refuse(fault);
        if (IsDiscreteType(definition->GetType())) {
            const int state = view.GetDiscreteEvidence(h);
            sampleNodes[static_cast<size_t>(h)] =
                std::make_unique<VRX_discreteSampleNode>(*this, h, *definition, state);
        } else {
            double evidence = 0.0;
            const bool has = view.GetContinuousEvidence(h, evidence) == kSuccess;
            sampleNodes[static_cast<size_t>(h)] =
                std::make_unique<VRX_continuousSampleNode>(*this, h, *definition, has, evidence);
        }
    }
    if (runFlags & 16) return;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        SampleNode& node = *sampleNodes[static_cast<size_t>(h)];
        for (int p : node.GetDefinition().GetDimensionParents()) {
            SampleNode* parent = GetSampleNode(p);
            node.parents.push_back(parent);
            node.parentStates.push_back(parent->GetStatePointer());
        }
        node.discreteParentCount = static_cast<int>(node.parents.size());
        node.parentStates.push_back(node.GetZeroCoordinate());
        const VRX_intArray& parents = view.GetParents(h);
        for (int i = 0; i < parents.GetCount(); ++i) {
            SampleNode* parent = GetSampleNode(parents[i]);
            if (parent->IsContinuous()) node.parents.push_back(parent);
        }
        if (node.parentStates.size() != node.GetDefinition().GetElementTable().dimensions.size() ||
            static_cast<int>(node.parents.size()) != parents.GetCount()) {
            Refuse("The definition of node [" + node.id + "] does not fit its parents.");
            return;
        }
    }
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        SampleNode& node = *sampleNodes[static_cast<size_t>(h)];
        const VRX_intArray& children = view.GetChildren(h);
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < children.GetCount(); ++i) {
                SampleNode* child = GetSampleNode(children[i]);
                if (child->IsContinuous() == (pass == 1)) node.children.push_back(child);
            }
            if (pass == 0) node.discreteChildCount = static_cast<int>(node.children.size());
        }
    }
}

void HybridSampleNet::MarkAncestors(SampleNode& start) {
    // Observed nodes pass the walk on without the mark; each node is entered once.
    std::vector<char> seen(sampleNodes.size(), 0);
    std::vector<SampleNode*> stack{&start};
    while (!stack.empty()) {
        SampleNode* node = stack.back();
        stack.pop_back();
        if (seen[static_cast<size_t>(node->handle)]) continue;
        seen[static_cast<size_t>(node->handle)] = 1;
        if (!node->IsObserved()) node->nodeFlags |= SampleNodeFlags::kEvidenceAncestor;
        for (SampleNode* p : node->parents) stack.push_back(p);
    }
}

SampleNode* HybridSampleNet::ChooseInversionParent(SampleNode& node, bool& anyFree, bool& chosenAdditive,
                                                   bool& chosenShared) {
    const vovido::ElementTable& table = *view.GetElementTable(node.handle);
    // The parent the evidence is explained through, ranked by: an inversion that does not need the
    // parent's value before it is drawn (an ancestor of another parent would), an inverse that is
    // the only solution, a noise term (a parent that is no equation: its density weighs the
    // inverse, and the inversion ends there), a parent that enters additively (weighting by the
    // Jacobian of another inverse, a cube root say, gives weights of unbounded variance where its
    // derivative vanishes). Among equals the widest (below), then the last.
    SampleNode* chosen = nullptr;
    int chosenRank = -1, chosenSides = 0;
    double chosenDeviation = 0.0, chosenSpread = std::nan("");
    // A free continuous parent that some value could be given to.
    anyFree = false;
    // Every continuous parent the cells can be solved for gets its inverse (the message passing
    // sends lambda messages through them). Discrete and observed parents never take a value from an
    // inversion.
    for (size_t i = static_cast<size_t>(node.discreteParentCount); i < node.parents.size(); ++i) {
        SampleNode* parent = node.parents[i];
        bool solvable = true;
        for (const auto& cell : table.cells) {
            auto* element = dynamic_cast<VRX_equationElement*>(cell.get());
            VRX_expression* inverse = nullptr;
            std::string text;
            solvable = element != nullptr &&
                       (element->FindNamedExpression(parent->id, inverse) == kSuccess ||
                        (vovido::SolveElementFor(node.id, element->GetText(), parent->id, text) == kSuccess &&
                         element->SetNamedExpression(parent->id, text) == kSuccess));
            if (!solvable) break;
        }
        // A function no rule solves for the parent (Sinh(x), x^3 + x) is inverted numerically where the
        // parent has a single solution: every other parent observed, one root within its support.
        const auto* only = table.cells.size() == 1
                               ? dynamic_cast<const VRX_equationElement*>(table.cells[0].get())
                               : nullptr;
        const bool numeric =
            !solvable && node.IsObserved() && !parent->IsFixed() && only != nullptr &&
            (StrictlyMonotonicIn(*only, parent->id) || CountSolutionsInSupport(node, *parent) == 1);
        solvable = solvable || numeric;
        // A deterministic parent without a free continuous parent of its own (a constant, say)
        // could only take the inverse if it happened to equal its own value: never chosen.
        bool movable = !parent->IsDeterministic();
        for (size_t j = static_cast<size_t>(parent->discreteParentCount); j < parent->parents.size(); ++j)
            movable = movable || !parent->parents[j]->IsFixed();
        if (!parent->IsFixed() && movable) anyFree = true;
        if (!solvable) continue;
        bool plain = !numeric, shared = false;
        for (const auto& cell : table.cells) {
            const auto& equation = static_cast<const VRX_equationElement&>(*cell);
            plain = plain && EntersAdditively(equation, parent->id);
            shared = shared || (!numeric && HasOtherSolutions(equation, parent->id));
        }
        node.singleInverse.resize(node.parents.size(), 0);
        node.singleInverse[i] = shared ? 0 : 1;
        if (!movable || parent->IsFixed()) continue;
        // A term of whole numbers (Bernoulli) has no density to weigh a continuous inverse by.
        const bool density = !parent->IsDeterministic() && !vovido::DrawsWholeNumbersOnly(*parent, view);
        const int rank = (IsAncestorOfOtherParent(node, *parent, sampleNodes.size()) ? 0 : 8) +
                         (shared ? 0 : 4) + (density ? 2 : 0) + (plain ? 1 : 0);
        // Among equals, the term of the widest reach: drawing the narrow ones and solving for it keeps
        // the weights even, and a draw of a bounded term can leave no value of the other. Told by the
        // spread of the log weights the inverse gives where both can be told, else by the term's support
        // (unbounded sides) and deviation.
        const double spread = vovido::InversionSpread(node, *parent, view);
        int sides = 1;
        double deviation = 0.0;
        const vovido::ElementTable* own = view.GetElementTable(parent->handle);
        const auto* call = own != nullptr && own->cells.size() == 1
                               ? dynamic_cast<const VRX_distributionElement*>(own->cells[0].get())
                               : nullptr;
        if (parent->IsDeterministic() || call == nullptr ||
            !CallReach(call->GetExpression(), sides, deviation)) {
            sides = 1;
            deviation = 0.0;
        }
        const bool bySpread = !std::isnan(spread) && !std::isnan(chosenSpread);
        if (rank < chosenRank ||
            (rank == chosenRank &&
             (bySpread ? spread > chosenSpread
                       : sides < chosenSides || (sides == chosenSides && deviation < chosenDeviation))))
            continue;
        chosen = parent;
        chosenRank = rank;
        chosenSides = sides;
        chosenDeviation = deviation;
        chosenSpread = spread;
        chosenAdditive = plain;
        chosenShared = shared;
    }
    return chosen;
}

int HybridSampleNet::PrepareInversion(SampleNode& observed) {
    // Evidence is weighed by the density of its distribution, known for a call alone or one added to
    // other terms ("x + Normal(0, 1)"); "x * Normal(1, 0.1)" draws, but has none at hand.
    if (observed.IsContinuous() && !observed.IsDeterministic()) {
        for (const auto& cell : view.GetElementTable(observed.handle)->cells) {
            const auto* element = dynamic_cast<const VRX_distributionElement*>(cell.get());
            if (element != nullptr && !element->HasDensity()) {
                Refuse("The evidence on [" + observed.id +
                       "] cannot be weighed: its distribution is neither a call of a distribution nor one "
                       "added to other terms, and has no density.");
                return kOutOfRange;
            }
        }
    }
    SampleNode* node = &observed;
    while (node->IsDeterministic() && !(node->nodeFlags & SampleNodeFlags::kInverts)) {
        bool anyFree = false, chosenAdditive = false, chosenShared = false;
        SampleNode* chosen = ChooseInversionParent(*node, anyFree, chosenAdditive, chosenShared);
        const int solutions = chosen != nullptr && chosenShared && node == &observed
                                  ? CountSolutionsInSupport(*node, *chosen)
                                  : -1;
        if (solutions == 0) {
            Refuse("The evidence on [" + observed.id + "] is impossible: its equation has no solution for [" +
                   chosen->id + "] within the support of [" + chosen->id + "].");
            return kOutOfRange;
        }
        // One solution where the parent can lie: the inverse is that one, nothing is left out.
        if (chosen != nullptr && chosenShared && solutions != 1) {
            const std::string text = "Warning: " + vovido::SeveralSolutionsText(*node, *chosen) +
                                     "; the evidence is explained through one of them only.";
            LogError(errorLog, kNoUsefulSamples, text.c_str(), nullptr);
        }
        // A free continuous parent without an inverse would have to be drawn at one of a few points.
        if (chosen == nullptr && anyFree) {
            Refuse(
                node == &observed
                    ? "The evidence on [" + node->id +
                          "] cannot be explained through its equation: no parent has a single inverse there."
                    : "The evidence on [" + observed.id + "] cannot be explained through the equation of [" +
                          node->id + "], which it fixes: no parent of [" + node->id +
                          "] has a single inverse there.");
            return kOutOfRange;
        }
        // Nothing to invert: the node's samples are weighed by whether its equation holds.
        if (chosen == nullptr) return kSuccess;
        node->invertedParent = chosen->handle;
        node->nodeFlags |= SampleNodeFlags::kInverts;
        if (chosenAdditive) node->nodeFlags |= SampleNodeFlags::kInvertsAdditively;
        chosen->nodeFlags |= SampleNodeFlags::kInverted;
        origin_[static_cast<size_t>(chosen->handle)] = observed.handle;
        node = chosen;
    }
    return kSuccess;
}

namespace {
int OriginHandle(const std::vector<int>& origins, const VRX_hybridSampleNode& node) {
    const int origin = origins[static_cast<size_t>(node.handle)];
    return origin >= 0 ? origin : node.handle;
}

// "[a]", "[a] and [b]", "[a], [b] and [c]".
std::string JoinedNames(const std::vector<std::string>& names) {
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? " and " : ", ";
        out += "[" + names[i] + "]";
    }
    return out;
}
}  // namespace

const std::string& HybridSampleNet::EvidenceOrigin(const SampleNode& node) const {
    const size_t slot = static_cast<size_t>(node.handle);
    const SampleNode* origin = slot < origin_.size() ? GetSampleNode(origin_[slot]) : nullptr;
    return origin != nullptr ? origin->id : node.id;
}

void HybridSampleNet::PropagateDeterministicEvidence(SampleNode& start) {
    std::vector<SampleNode*> pending{&start};
    while (!pending.empty()) {
        SampleNode& node = *pending.back();
        pending.pop_back();
        SampleNode* free = node.IsDeterministic() ? FreeContinuousParent(node) : nullptr;
        VRX_Helement* own = free != nullptr ? node.TakeElement() : nullptr;
        double inverse = 0.0;
        if (own != nullptr &&
            vovido::InvertElement(*own, node.id, node.GetValue(), free->id, inverse, true) > 0.0 &&
            std::isfinite(inverse)) {
            free->Fix(inverse);
            origin_[static_cast<size_t>(free->handle)] = OriginHandle(origin_, node);
            pending.push_back(free);
        }
        for (SampleNode* child : node.children) {
            if (child->IsObserved() || !child->IsDeterministic()) continue;
            bool all = true;
            for (const SampleNode* p : child->parents) all = all && p->IsObserved();
            VRX_Helement* element = all ? child->TakeElement() : nullptr;
            double value = 0.0;
            if (element == nullptr || element->Evaluate(value) != kSuccess || !std::isfinite(value)) continue;
            child->Fix(value);
            origin_[static_cast<size_t>(child->handle)] = OriginHandle(origin_, node);
            pending.push_back(child);
        }
    }
}

int HybridSampleNet::BuildDrawingOrder() {
    order_.clear();
    std::vector<std::vector<SampleNode*>> successors(sampleNodes.size());
    std::vector<int> pending(sampleNodes.size(), 0);
    auto edge = [&](SampleNode* from, SampleNode* to) {
        successors[static_cast<size_t>(from->handle)].push_back(to);
        ++pending[static_cast<size_t>(to->handle)];
    };
    for (auto& node : sampleNodes) {
        if (!node) continue;
        const bool inverts = (node->nodeFlags & SampleNodeFlags::kInverts) != 0;
        SampleNode* inverted = inverts ? GetSampleNode(node->invertedParent) : nullptr;
        for (SampleNode* p : node->parents) {
            // An observed parent's value is known before any draw: waiting for it would only tie the
            // inversion to the draws above the parent's own evidence.
            if (p == inverted || (inverted != nullptr && p->IsObserved())) continue;
            edge(p, node.get());
            if (inverted != nullptr) edge(p, inverted);
        }
        if (inverted != nullptr) edge(node.get(), inverted);
    }
    std::deque<SampleNode*> ready;
    for (auto& node : sampleNodes) {
        if (node && pending[static_cast<size_t>(node->handle)] == 0) ready.push_back(node.get());
    }
    while (!ready.empty()) {
        SampleNode* node = ready.front();
        ready.pop_front();
        order_.push_back(node);
        for (SampleNode* next : successors[static_cast<size_t>(node->handle)]) {
            if (--pending[static_cast<size_t>(next->handle)] == 0) ready.push_back(next);
        }
    }
    if (static_cast<int>(order_.size()) == nodeCount) return kSuccess;
    // The network has no cycle: observed equations that share parents invert each for another parent,
    // whose inverse needs the value the other fixes.
    std::vector<std::string> observed, fixed;
    for (auto& node : sampleNodes) {
        if (!node || pending[static_cast<size_t>(node->handle)] == 0 ||
            !(node->nodeFlags & SampleNodeFlags::kInverts))
            continue;
        const std::string& origin = EvidenceOrigin(*node);
        if (std::find(observed.begin(), observed.end(), origin) == observed.end()) observed.push_back(origin);
        fixed.push_back(GetSampleNode(node->invertedParent)->id);
    }
    Refuse("The evidence on " + JoinedNames(observed) + " cannot be settled one node at a time: it fixes " +
           JoinedNames(fixed) + " only together, each inverse needing a value another one gives.");
    return kOutOfRange;
}

// ---------------------------------------------------------------------------------------------------
// Sampling

double HybridSampleNet::ApplyInversion(SampleNode& node) {
    SampleNode* parent = GetSampleNode(node.invertedParent);
    VRX_Helement* element = node.TakeElement();
    if (parent == nullptr || element == nullptr) return 0.0;
    double at = 0.0;
    const double jacobian = vovido::InvertElement(*element, node.id, node.GetValue(), parent->id, at,
                                                  !(node.nodeFlags & SampleNodeFlags::kInvertsAdditively));
    parent->SetValue(at);
    zeroCause_ = jacobian > 0.0 ? ZeroCause::kNone : ZeroCause::kNoInverse;
    if (parent->IsContinuous()) {
        const auto& c = static_cast<const VRX_continuousSampleNode&>(*parent);
        if (jacobian > 0.0 && !c.InSupport(at)) {
            zeroCause_ = ZeroCause::kOutsideRange;
            return 0.0;
        }
    }
    return jacobian;
}

double HybridSampleNet::DrawSample(bool useProposals, double& logOffset) {
    vovido::ScaledWeight w;
    for (SampleNode* node : order_) {
        ZeroCause cause = ZeroCause::kNone;
        bool positive = true;
        if (node->nodeFlags & SampleNodeFlags::kInverts) {
            positive = w.Times(ApplyInversion(*node));
            cause = zeroCause_;
        } else if (node->IsFixed()) {
            // A factor every draw shares (an observed root, say) is left out: far in a tail it would
            // underflow, and the weights are compared with each other only.
            if (!constantFactor_[static_cast<size_t>(node->handle)])
                positive = vovido::TimesEvidenceWeight(w, *node);
            cause = ZeroCause::kOutsideSupport;
        } else {
            // A draw from the conditional weighs 1, or 0 when it fails.
            positive = w.Times(useProposals ? node->ScaledSampleFromProposal(w.logOffset)
                                            : node->SampleFromConditional());
            cause = ZeroCause::kDrawFailed;
        }
        if (!positive) {
            zeroNode_ = node;
            zeroCause_ = cause == ZeroCause::kNone ? ZeroCause::kDrawFailed : cause;
            logOffset = 0.0;
            return 0.0;
        }
    }
    logOffset = w.logOffset;
    return w.value;
}

int HybridSampleNet::DrawWeightedSamples(bool useProposals, long long limit, double& sum, double& squares) {
    sum = squares = 0.0;
    int accepted = 0;
    // The weights as they come while none leaves the range of a double (reference 0), else on the scale
    // of a reference that follows the largest.
    double reference = 0.0;
    for (long long attempt = 0; accepted < view.GetNumberOfSamples() && attempt < limit; ++attempt) {
        vovido::ScaledWeight drawn;
        drawn.value = DrawSample(useProposals, drawn.logOffset);
        if (!(drawn.value > 0.0)) continue;
        const double w = vovido::WeightOnScale(drawn, sum, reference, [&](double scale) {
            sum *= scale;
            squares *= scale * scale;
            for (auto& node : sampleNodes) {
                if (node && !node->IsObserved()) node->ScaleEstimate(scale);
            }
        });
        ++accepted;
        sum += w;
        squares += w * w;
        for (auto& node : sampleNodes) {
            if (node && !node->IsObserved()) node->AddSampleToEstimate(w);
        }
    }
    return accepted;
}

bool HybridSampleNet::ChainForFewWeights(int accepted, long long limit, double sum, double squares) {
    // Weights that rest on one or two draws, of a handful that fitted or of all (a noise of heavy
    // scale, most draws' weights negligible beside one): the chain does better where it can start.
    constexpr double kFewestEffective = 10.0;
    const double effective = vovido::EffectiveSampleSize(sum, squares);
    if (!(effective < kFewestEffective)) return false;
    char why[160];
    if (100LL * accepted < view.GetNumberOfSamples())
        std::snprintf(why, sizeof why, "only %d of %lld draws of the sampler %s", accepted, limit,
                      WhatDrawsFit());
    else
        std::snprintf(why, sizeof why,
                      "the weights of the sampler's draws rest on an effective sample size of %.1f",
                      effective);
    return RunChainFallback(why);
}

void HybridSampleNet::WarnOfFewSamples(int accepted, long long limit, double sum, double squares) {
    if (accepted < view.GetNumberOfSamples()) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "Warning: sampling stopped after %lld attempts with %d of %d samples.", limit, accepted,
                      view.GetNumberOfSamples());
        LogError(errorLog, kNoUsefulSamples, text, nullptr);
    }
    // Every estimate rests on the same weighted samples: one warning names the unobserved nodes.
    std::string names;
    int named = 0;
    for (SampleNode* node : order_) {
        if (node->IsObserved() || node->internal) continue;
        if (++named <= 3) names += (named > 1 ? ", " : "") + node->id;
    }
    if (named > 3) names += " and " + std::to_string(named - 3) + " more";
    if (named > 0)
        weightsWarned_ = vovido::WarnOfFewEffectiveSamples(
            (named > 1 ? "the estimates of nodes " : "the estimate of node ") + names, named > 1, sum,
            squares, accepted);
}

bool HybridSampleNet::ChainForMissedRegions() {
    // Proposals that found one of several regions of a belief lead every draw there. The chain reaches
    // regions mirrored through 0 (x*x) by its reflections, but none that small steps do not join (a
    // sine's): there the draws stand, said to be partial.
    bool mirrored = false;
    const std::string missed = MissedRegions(mirrored);
    if (missed.empty()) return false;
    if (mirrored && RunChainFallback(missed, true)) return true;
    const std::string text =
        "Warning: " + missed + ": the estimate may leave the others out, or weigh them by chance.";
    LogError(errorLog, kNoUsefulSamples, text.c_str(), nullptr);
    return false;
}

int HybridSampleNet::RunSampling(bool useProposals, const std::vector<ThinProposal>& thin) {
    if (runFlags & 16) return kOutOfRange;
    for (auto& node : sampleNodes) {
        if (node && !node->IsObserved()) node->ResetEstimate();
    }
    // Evidence that few draws explain must not keep the loop going for long: a run may take four times the
    // attempts that every draw explaining it would take, and no more than a few seconds of draws.
    if (!FindConstantFactors()) return kNoUsefulSamples;
    const long long limit = SampleAttemptLimit(drawTerms, std::max(view.GetNumberOfSamples(), 0));
    double sum = 0.0, squares = 0.0;
    const int accepted = DrawWeightedSamples(useProposals, limit, sum, squares);
    if (accepted == 0 && view.GetNumberOfSamples() > 0 && nodeCount > 0) {
        if (RunChainFallback()) return kSuccess;
        ExplainImpossibleEvidence();
        return kNoUsefulSamples;
    }
    if (ChainForFewWeights(accepted, limit, sum, squares)) return kSuccess;
    // Weights that look healthy on the one value or region a thin message found are worth one draw.
    const std::string uncorrected = UncorrectedProposals(thin);
    if (!uncorrected.empty()) {
        if (RunChainFallback(uncorrected, true)) return kSuccess;
        const std::string text =
            "Warning: " + uncorrected + ": the estimates may sit on one value or one region of the belief.";
        LogError(errorLog, kNoUsefulSamples, text.c_str(), nullptr);
    }
    WarnOfFewSamples(accepted, limit, sum, squares);
    for (auto& node : sampleNodes) {
        if (node && !node->IsObserved()) node->FinishEstimate();
    }
    if (useProposals && (runFlags & 1) && ChainForMissedRegions()) return kSuccess;
    WriteAllResults();
    return kSuccess;
}

void HybridSampleNet::WriteAllResults(bool fromMessages) {
    for (auto& node : sampleNodes) {
        if (!node) continue;
        if (fromMessages) {
            node->WriteMessageResults(*view.GetNode(node->handle));
        } else {
            node->WriteResults(*view.GetNode(node->handle));
        }
    }
}

int HybridSampleNet::RunWeightedSampling() {
    return RunSampling(false);
}

int HybridSampleNet::RunImportanceSampling() {
    return RunSampling(true);
}

int HybridSampleNet::RunMessagePassingSampling(bool planOnlyWhereNeeded) {
    if (runFlags & 16) return kOutOfRange;
    bool evidence = false;
    for (auto& node : sampleNodes) evidence = evidence || (node && node->IsObserved());
    if (!evidence) return RunWeightedSampling();
    if (planOnlyWhereNeeded) runFlags |= 8;
    runFlags |= 2;
    int rc = RunMessagePassing(false);
    if (rc == kSuccess) rc = RunSampling(true, FindThinProposals());
    runFlags &= ~(2 | 8);
    return rc;
}
