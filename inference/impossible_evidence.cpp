// Detection of evidence of probability zero by spreading it through deterministic table entries.
#include "inference/impossible_evidence.h"

#include <new>
#include <string>
#include <vector>

#include "base/column_scaling.h"
#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_value.h"

namespace {

class EvidenceSpreader {
public:
    explicit EvidenceSpreader(VRX_network& network) : network_(network) {}

    int Run() {
        const int slots = network_.GetNumberOfSlots();
        outcome_.assign(static_cast<size_t>(slots), -1);
        queued_.assign(static_cast<size_t>(slots), 0);
        for (int h = network_.GetFirstNode(); h >= 0; h = network_.GetNextNode(h)) {
            VRX_nodeValue* value = network_.GetNode(h)->GetValue();
            if (value == nullptr || !value->HasEvidence()) continue;
            outcome_[h] = value->GetEvidence();
            Queue(h);
        }
        while (!work_.empty()) {
            const int r = work_.back();
            work_.pop_back();
            queued_[r] = 0;
            if (const int rc = SpreadToParents(r)) return rc;
            if (const int rc = SpreadToChildren(r)) return rc;
        }
        // A family whose fixed members leave the fixed outcome no weight: covers families fixed in full
        // after their node was last looked at.
        for (int h = network_.GetFirstNode(); h >= 0; h = network_.GetNextNode(h)) {
            if (outcome_[h] < 0 || IsCutOff(h)) continue;
            VRX_Dmatrix* table = FamilyTable(h);
            if (table == nullptr) continue;
            if (const int rc = FillCoordinates(h, outcome_[h])) return rc;
            if (vovido::ReadEntriesEqual(*table, 0.0, coords_) == 1) return Impossible(h);
        }
        return kSuccess;
    }

private:
    bool IsCutOff(int h) const {
        const VRX_nodeValue* value = network_.GetNode(h)->GetValue();
        return value != nullptr && value->HasFlag(ValueFlags::kCutOff);
    }

    // The node's table when it has one dimension per parent and one for the node.
    VRX_Dmatrix* FamilyTable(int h) const {
        VRX_nodeDefinition* definition = network_.GetNode(h)->GetDefinition();
        VRX_Dmatrix* table = nullptr;
        if (definition == nullptr || definition->GetDefinition(table) != kSuccess || table == nullptr)
            return nullptr;
        return table->GetNumberOfDimensions() == network_.GetNumberOfParents(h) + 1 ? table : nullptr;
    }

    // Coordinates over h's table: each parent's fixed outcome or -1 (free), then own (-1 for free).
    int FillCoordinates(int h, int own) {
        const VRX_intArray& parents = network_.GetParents(h);
        const int n = parents.GetCount();
        if (coords_.GetSize() < n + 1 && coords_.SetSize(n + 1) != kSuccess) return kOutOfMemory;
        for (int k = 0; k < n; k++) coords_[k] = outcome_[parents[k]];
        coords_[n] = own;
        return kSuccess;
    }

    void Queue(int h) {
        if (queued_[h]) return;
        queued_[h] = 1;
        work_.push_back(h);
    }

    // A newly fixed node is looked at, and so are its fixed children, whose tables it now slices.
    void Fix(int h, int outcome) {
        outcome_[h] = outcome;
        Queue(h);
        const VRX_intArray& children = network_.GetChildren(h);
        for (int i = 0; i < children.GetCount(); i++) {
            if (outcome_[children[i]] >= 0) Queue(children[i]);
        }
    }

    int SpreadToParents(int r) {
        if (IsCutOff(r)) return kSuccess;
        VRX_Dmatrix* table = FamilyTable(r);
        if (table == nullptr) return kSuccess;
        if (const int rc = FillCoordinates(r, outcome_[r])) return rc;
        if (vovido::ReadEntriesEqual(*table, 0.0, coords_) == 1) return Impossible(r);
        const VRX_intArray& parents = network_.GetParents(r);
        for (int k = 0; k < parents.GetCount(); k++) {
            const int p = parents[k];
            if (outcome_[p] >= 0) continue;
            const int n = table->GetDimensions()[k];
            int possible = 0;
            int last = -1;
            for (int j = 0; j < n && possible < 2; j++) {
                coords_[k] = j;
                if (vovido::ReadEntriesEqual(*table, 0.0, coords_) != 1) {
                    possible++;
                    last = j;
                }
            }
            coords_[k] = -1;
            if (possible == 0) return Impossible(r);
            if (possible == 1) {
                Fix(p, last);
                coords_[k] = last;
            }
        }
        return kSuccess;
    }

    int SpreadToChildren(int r) {
        const VRX_intArray& children = network_.GetChildren(r);
        for (int i = 0; i < children.GetCount(); i++) {
            const int c = children[i];
            if (outcome_[c] >= 0 || IsCutOff(c)) continue;
            VRX_Dmatrix* table = FamilyTable(c);
            if (table == nullptr) continue;
            if (const int rc = FillCoordinates(c, -1)) return rc;
            const int last = network_.GetNumberOfParents(c);
            const int n = table->GetDimensions()[last];
            for (int k = 0; k < n; k++) {
                coords_[last] = k;
                if (vovido::ReadEntriesEqual(*table, 1.0, coords_) == 1) {
                    Fix(c, k);
                    break;
                }
            }
        }
        return kSuccess;
    }

    int Impossible(int h) const {
        // A temporary node that stands for virtual evidence is no node of the caller's: the nodes whose
        // evidence and likelihoods conflict are named instead.
        const VRX_node* node = network_.GetNode(h);
        const char* id = node != nullptr ? node->GetId() : nullptr;
        if (id != nullptr && id[0] == '@') {
            const std::string text =
                "Evidence is impossible: its probability is zero given the evidence on " +
                vovido::EvidenceNodesText(network_) + ", so no beliefs can be computed.";
            return LogError(errorLog, kConflictingEvidence, text.c_str(), nullptr);
        }
        // A node that other evidence fixed is no finding of the caller's: the findings are named too.
        const VRX_nodeValue* value = node != nullptr ? node->GetValue() : nullptr;
        const bool callers = value != nullptr && (value->HasFlag(ValueFlags::kEvidence) ||
                                                  value->HasFlag(ValueFlags::kVirtualEvidence));
        const std::string given = callers ? std::string() : vovido::EvidenceNodesText(network_, h);
        const std::string text = "Evidence is impossible: it has probability zero at node [" +
                                 vovido::NodeLabel(network_, h) + "]" +
                                 (given.empty() ? std::string() : ", given the evidence on " + given) + ".";
        return LogError(errorLog, kConflictingEvidence, text.c_str(), nullptr);
    }

    VRX_network& network_;
    std::vector<int> outcome_;
    std::vector<char> queued_;
    std::vector<int> work_;
    VRX_intArray coords_;
};

}  // namespace

int vovido::CheckEvidencePossible(VRX_network& network) {
    try {
        EvidenceSpreader spreader(network);
        return spreader.Run();
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

std::string vovido::EvidenceNodesText(const VRX_network& network, int left) {
    constexpr int kListed = 8;
    std::string observed;
    std::vector<int> named;
    int count = 0;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const VRX_node* node = network.GetNode(h);
        const VRX_nodeValue* value = node->GetValue();
        // An outcome that other evidence forces is no evidence of the caller's.
        if (value == nullptr ||
            !(value->HasFlag(ValueFlags::kEvidence) || value->HasFlag(ValueFlags::kVirtualEvidence)))
            continue;
        // A temporary child standing for virtual evidence is named by the node whose likelihoods it holds.
        int shown = h;
        const char* id = node->GetId();
        if (id != nullptr && id[0] == '@') {
            const VRX_intArray& parents = network.GetParents(h);
            if (parents.GetCount() == 0) continue;
            shown = parents[0];
        }
        bool seen = shown == left;
        for (const int n : named) seen = seen || n == shown;
        if (seen) continue;
        named.push_back(shown);
        if (++count <= kListed) observed += (count > 1 ? ", [" : "[") + NodeLabel(network, shown) + "]";
    }
    if (count > kListed) observed += " and " + std::to_string(count - kListed) + " more";
    return observed;
}

void vovido::NameImpossibleEvidence(const VRX_network& network, int logStart) {
    static const char kWithoutNodes[] =
        "Evidence is impossible: its probability is zero, so no beliefs can be computed.";
    try {
        const std::string observed = EvidenceNodesText(network);
        if (observed.empty()) return;
        std::string rest;
        if (!EraseEntriesStartingWith(errorLog, logStart, kWithoutNodes, rest)) return;
        const std::string text = "Evidence is impossible: its probability is zero given the evidence on " +
                                 observed + ", so no beliefs can be computed.";
        (void)LogError(errorLog, kConflictingEvidence, text.c_str(), nullptr);
    } catch (const std::bad_alloc&) {
        // The words without the nodes stay.
    }
}
