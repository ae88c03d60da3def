// Evidence outside every value its node can take, told before any draw from where the parents can lie:
// the draws would spend their whole budget failing to fit it.
#include <algorithm>
#include <string>
#include <vector>

#include "definitions/hybrid_definition.h"
#include "definitions/hybrid_element.h"
#include "equations/hybrid_sampling_network.h"
#include "equations/value_range.h"

using SampleNode = VRX_hybridSampleNode;
using vovido::ValueRange;

namespace {

// A node of more cells than this (discrete parents of many states) is given the whole line: its range
// would cost more than the draws it spares.
constexpr size_t kMostRangeCells = 4096;

// Where the node's cells put its value, each parent within the range `parentRange` gives it; the whole
// line for a cell that is neither an equation nor a distribution.
ValueRange RangeOfCells(const SampleNode& node, const HybridNetworkView& view,
                        vovido::FunctionRef<ValueRange(const SampleNode&)> parentRange) {
    const vovido::ElementTable* table = view.GetElementTable(node.handle);
    if (table == nullptr || table->cells.empty() || table->cells.size() > kMostRangeCells) return {};
    auto variable = [&](const std::string& name) {
        for (const SampleNode* p : node.parents) {
            if (p->id == name) return parentRange(*p);
        }
        return ValueRange{};
    };
    ValueRange out{0.0, -1.0};
    for (const auto& cell : table->cells) {
        const VRX_expression* tree = nullptr;
        if (const auto* equation = dynamic_cast<const VRX_equationElement*>(cell.get())) {
            tree = equation->GetMainExpression();
        } else if (const auto* distribution = dynamic_cast<const VRX_distributionElement*>(cell.get())) {
            tree = &distribution->GetExpression();
        }
        if (tree == nullptr) return {};
        const ValueRange r = vovido::RangeOfExpression(*tree, variable);
        out = out.lower > out.upper ? r
                                    : ValueRange{std::min(out.lower, r.lower), std::max(out.upper, r.upper)};
    }
    return out;
}

}  // namespace

bool HybridSampleNet::EvidenceWithinRanges() {
    std::vector<SampleNode*> observed;
    for (auto& node : sampleNodes) {
        if (node && node->IsObserved() && node->IsContinuous() && node->HasFreeParentOtherThan(nullptr))
            observed.push_back(node.get());
    }
    if (observed.empty()) return true;
    // Only the ancestors of the evidence matter.
    const std::vector<char> above = vovido::AncestorsOf(observed, sampleNodes.size());
    // By handle, parents first: an observed node's value, else where its cells and its range put it.
    std::vector<ValueRange> ranges(sampleNodes.size());
    auto known = [&ranges](const SampleNode& p) { return ranges[static_cast<size_t>(p.handle)]; };
    for (SampleNode* node : vovido::ParentsFirst(sampleNodes)) {
        ValueRange& r = ranges[static_cast<size_t>(node->handle)];
        if (!node->IsContinuous() || !above[static_cast<size_t>(node->handle)]) continue;
        if (node->IsObserved()) {
            r = {node->GetValue(), node->GetValue()};
            continue;
        }
        r = RangeOfCells(*node, view, known);
        const auto& c = static_cast<const VRX_continuousSampleNode&>(*node);
        r = vovido::Intersect(r, {c.cutLower, c.cutUpper});
    }
    for (SampleNode* node : observed) {
        const double v = node->GetValue();
        if (RangeOfCells(*node, view, known).Holds(v)) continue;
        std::string why;
        const SampleNode* inverted =
            (node->nodeFlags & SampleNodeFlags::kInverts) ? GetSampleNode(node->invertedParent) : nullptr;
        if (!node->IsDeterministic()) {
            why = "it lies outside the support of [" + node->id + "] under every draw.";
        } else if (inverted == nullptr) {
            continue;
        } else {
            // The cause the draws would find: no value of the parent at all, none within its distribution's
            // support, or none within its range.
            auto loose = [&](const SampleNode& p) { return &p == inverted ? ValueRange{} : known(p); };
            auto uncut = [&](const SampleNode& p) {
                return &p == inverted ? RangeOfCells(p, view, known) : known(p);
            };
            why = !RangeOfCells(*node, view, loose).Holds(v)
                      ? "no inverse through " + RefusalName(*inverted) + " gives it."
                  : !RangeOfCells(*node, view, uncut).Holds(v)
                      ? "it puts " + RefusalName(*inverted) + " outside its support."
                      : OutsideRangeText(*inverted);
        }
        Refuse("The evidence on [" + node->id + "] is impossible: " + why);
        return false;
    }
    return true;
}
