// Outcomes no sample reached, bounded from the tables of the node's family and its observed children.
#include "inference/missed_outcomes.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "inference/part_view.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace vovido {

namespace {

// Per outcome k of a node, the least and the most of the table's entries start + offset (start a
// multiple of run) whose coordinate of stride `stride` is k; the products multiplied by them. The node's
// own table: run 1, offset 0, stride 1; a child's: run its outcome count, offset its finding.
void MultiplyByExtremes(const VRX_Dmatrix& table, int run, int offset, int stride, std::vector<double>& least,
                        std::vector<double>& most) {
    const auto outcomes = static_cast<int>(least.size());
    std::vector<double> low(least.size(), 1.0);
    std::vector<double> high(least.size(), 0.0);
    const double* data = table.GetData();
    for (int e = offset; e < table.GetNumberOfElements(); e += run) {
        const int k = e / stride % outcomes;
        low[k] = std::min(low[k], data[e]);
        high[k] = std::max(high[k], data[e]);
    }
    for (int k = 0; k < outcomes; k++) {
        least[k] *= low[k];
        most[k] *= high[k];
    }
}

}  // namespace

double MissedOutcomes::LowerBound(const PartView& view, int i, const double* counts) {
    const int n = view.GetNumberOfOutcomes(i);
    const VRX_Dmatrix* own = view.GetNodeTable(i);
    if (view.GetEvidence(i) >= 0 || own == nullptr || n < 2) return 0.0;
    int missed = 0;
    for (int k = 0; k < n; k++) missed += counts[k] == 0.0 ? 1 : 0;
    if (missed == 0 || missed == n) return 0.0;
    std::vector<double> least(static_cast<size_t>(n), 1.0);
    std::vector<double> most(static_cast<size_t>(n), 1.0);
    MultiplyByExtremes(*own, 1, 0, 1, least, most);
    for (int c : view.GetChildIndices(i)) {
        // Children outside the part are no part of what was sampled.
        if (c == PartView::kOutsidePart) continue;
        const int finding = view.GetEvidence(c);
        const VRX_Dmatrix* table = view.GetNodeTable(c);
        if (finding < 0 || table == nullptr) return 0.0;
        const std::vector<int>& parents = view.GetParentIndices(c);
        const auto j = std::find(parents.begin(), parents.end(), i) - parents.begin();
        if (j >= table->GetNumberOfDimensions() - 1) return 0.0;
        MultiplyByExtremes(*table, view.GetNumberOfOutcomes(c), finding, table->GetStrides()[j], least, most);
    }
    // Every other factor of the joint is the same whichever outcome the node takes.
    double missedLeast = 0.0;
    double reachedMost = 0.0;
    for (int k = 0; k < n; k++) {
        if (counts[k] == 0.0) {
            missedLeast += least[k];
        } else {
            reachedMost += most[k];
        }
    }
    if (!(reachedMost > 0.0)) return 0.0;
    const double ratio = missedLeast / reachedMost;
    return ratio / (1.0 + ratio);
}

void MissedOutcomes::AddNode(const PartView& view, int i, const double* counts) {
    try {
        const double bound = LowerBound(view, i, counts);
        if (!(bound >= kLikelyMissed)) return;
        const VRX_node* node = view.GetNetwork()->GetNode(view.GetNodeHandle(i));
        if (node == nullptr || node->GetId() == nullptr) return;
        if (++nodes_ > 1 && !(bound > largest_)) return;
        largest_ = bound;
        node_ = node->GetId();
        const VRX_idArray* names = node->GetDefinition()->GetOutcomesNames();
        outcome_.clear();
        for (int k = 0; k < view.GetNumberOfOutcomes(i); k++) {
            if (counts[k] != 0.0) continue;
            const char* name = names != nullptr && k < names->GetCount() ? (*names)[k] : nullptr;
            outcome_ += std::string(outcome_.empty() ? "[" : ", [") + (name != nullptr ? name : "?") + "]";
        }
    } catch (const std::bad_alloc&) {
        node_.clear();
    }
}

namespace {

// Updates repeated within one call (policy evaluation, annealed MAP) fold into one entry.
const NoticeKind kMissedOutcomesNotice = {
    "Warning: in {count}, no sample reached outcomes that the evidence makes likely, and their beliefs are "
    "far off",
    "update", nullptr};

}  // namespace

void MissedOutcomes::Warn() const {
    if (nodes_ == 0 || node_.empty()) return;
    char bound[32];
    std::snprintf(bound, sizeof bound, "%.3f", largest_);
    try {
        std::string text = "Warning: no sample reached " + outcome_ + " of [" + node_ +
                           "], though its observed children give it a probability of at least " + bound +
                           ": its beliefs are far off";
        if (nodes_ > 1) text += " (and those of " + std::to_string(nodes_ - 1) + " more nodes)";
        text += ".";
        LogNotice(errorLog, kNoUsefulSamples, text.c_str(), nullptr,
                  {&kMissedOutcomesNotice, std::string(), "[" + node_ + "] " + bound});
    } catch (const std::bad_alloc&) {
        LogError(errorLog, kNoUsefulSamples,
                 "Warning: no sample reached an outcome the evidence makes likely.", nullptr);
    }
}

}  // namespace vovido
