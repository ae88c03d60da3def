// Cutting the relevance graph down to what the targets and the evidence make relevant, and splitting it
// into independent parts. Every walk keeps its own stack: networks may be chains of any length.
#include "inference/relevant_parts.h"

#include "base/dmatrix.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"

#include <new>

using vovido::RelevantPartList;

namespace {

// Error of a table test that must stop the work; other failures only mean "no such outcome".
bool IsFatal(int rc) {
    return rc == kOutOfMemory;
}

}  // namespace

bool RelevanceGraph::IsTarget(const RelevanceNode* record) const {
    if (record->node == nullptr) return false;
    return allNodesTargets_ || network_->IsTarget(record->node->GetHandle()) == 1;
}

void RelevanceGraph::PruneBarren(RelevanceNode* record) {
    auto isBarren = [this](const RelevanceNode* r) {
        return !r->IsObserved() && !IsTarget(r) && r->label != RelevanceLabel::kBarren &&
               r->children.IsEmpty();
    };
    if (!isBarren(record)) return;
    struct Frame {
        RelevanceNode* record;
        int next;
    };
    std::vector<Frame> stack;
    record->label = RelevanceLabel::kBarren;
    stack.push_back({record, 0});
    while (!stack.empty()) {
        Frame& top = stack.back();
        RelevanceNode* r = top.record;
        if (top.next < r->parents.GetCount()) {
            RelevanceNode* parent = r->parents[top.next++];
            parent->RemoveChild(r);
            if (isBarren(parent)) {
                parent->label = RelevanceLabel::kBarren;
                stack.push_back({parent, 0});
            }
            continue;
        }
        r->parents.Clear();
        stack.pop_back();
    }
}

int RelevanceGraph::AbsorbEvidence(RelevanceNode* record) {
    // Each frame walks a copy of its record's children and then of its parents: spreading evidence
    // removes records from lists further up the walk, and only records that became observed are
    // removed, which the walk skips anyway.
    struct Frame {
        RelevanceNode* record;
        bool parentsPhase;
        size_t begin;
        size_t next;
    };
    std::vector<Frame> stack;
    std::vector<RelevanceNode*> copies;
    auto enter = [&](RelevanceNode* r) {
        r->label = RelevanceLabel::kEvidenceSpread;
        const size_t begin = copies.size();
        copies.insert(copies.end(), r->children.begin(), r->children.end());
        stack.push_back({r, false, begin, begin});
    };
    enter(record);
    while (!stack.empty()) {
        Frame& top = stack.back();
        RelevanceNode* r = top.record;
        const int e = r->evidence;
        if (top.next == copies.size()) {
            if (top.parentsPhase) {
                copies.resize(top.begin);
                stack.pop_back();
            } else {
                copies.resize(top.begin);
                copies.insert(copies.end(), r->parents.begin(), r->parents.end());
                top.parentsPhase = true;
                top.next = top.begin;
            }
            continue;
        }
        RelevanceNode* other = copies[top.next++];
        if (other->label == RelevanceLabel::kBarren || other->IsObserved()) continue;

        if (!top.parentsPhase) {
            // A child that is certain of one outcome whatever its other parents do.
            const int n = other->GetNumberOfOutcomes();
            int certain = -1;
            for (int k = 0; k < n && certain < 0; k++) {
                const int rc = other->TableEqualsAt(1.0, r, e, k);
                if (IsFatal(rc)) return rc;
                if (rc == 1) certain = k;
            }
            if (certain < 0) continue;
            if (const int rc = other->SetObservedBeliefs(certain)) return rc;
            for (RelevanceNode* parent : other->parents) parent->RemoveChild(other);
            other->parents.Clear();
            if (const int rc = other->CreateOwnTable()) return rc;
            enter(other);
            continue;
        }

        // A parent with exactly one outcome under which the observation is possible.
        const int n = other->GetNumberOfOutcomes();
        int possible = 0;
        int outcome = -1;
        for (int j = 0; j < n && possible < 2; j++) {
            const int rc = r->TableEqualsAt(0.0, other, j, e);
            if (IsFatal(rc)) return rc;
            if (rc != 1) {
                possible++;
                outcome = j;
            }
        }
        if (possible != 1) continue;
        if (const int rc = other->SetObservedBeliefs(outcome)) return rc;
        other->RemoveChild(r);
        if (const int rc = r->AbsorbParentEvidence(other)) return rc;
        r->RemoveParent(other);
        enter(other);
    }
    return kSuccess;
}

int RelevanceGraph::CutEvidenceArcs() {
    for (RelevanceNode* record : records) {
        if (!record->IsObserved()) continue;
        for (RelevanceNode* child : record->children) {
            if (const int rc = child->AbsorbParentEvidence(record)) return rc;
            child->RemoveParent(record);
        }
        record->children.Clear();
    }
    return kSuccess;
}

int RelevanceGraph::AbsorbRoot(RelevanceNode* record) {
    // Summing a root into its child may make the child a summable root in turn: a loop, not recursion.
    // A root's table is its distribution; a root without one (no definition table) is left in place.
    auto isSummable = [this](const RelevanceNode* r) {
        return !r->IsObserved() && !IsTarget(r) && r->label != RelevanceLabel::kRootSummed &&
               r->parents.IsEmpty() && r->children.GetCount() == 1 && r->table != nullptr &&
               r->table->GetNumberOfElements() == r->GetNumberOfOutcomes();
    };
    RelevanceNode* r = record;
    while (isSummable(r)) {
        RelevanceNode* child = r->children[0];
        r->label = RelevanceLabel::kRootSummed;
        if (const int rc = child->MarginalizeParent(r)) return rc;
        child->RemoveParent(r);
        r->children.Clear();
        r = child;
    }
    return kSuccess;
}

void RelevanceGraph::LabelComponent(RelevanceNode* record, int label) {
    if (record->label == label) return;
    struct Frame {
        RelevanceNode* record;
        int next;
    };
    std::vector<Frame> stack;
    record->label = label;
    stack.push_back({record, 0});
    while (!stack.empty()) {
        Frame& top = stack.back();
        RelevanceNode* r = top.record;
        const int numParents = r->parents.GetCount();
        if (top.next >= numParents + r->children.GetCount()) {
            stack.pop_back();
            continue;
        }
        const int i = top.next++;
        RelevanceNode* next = i < numParents ? r->parents[i] : r->children[i - numParents];
        if (next->label != label) {
            next->label = label;
            stack.push_back({next, 0});
        }
    }
}

int RelevanceGraph::LabelComponents() {
    SetLabels(RelevanceLabel::kCleared);
    int count = 0;
    for (RelevanceNode* record : records) {
        if (record->node == nullptr || !IsTarget(record) || record->label != RelevanceLabel::kCleared)
            continue;
        count++;
        LabelComponent(record, count);
    }
    RemoveLabelled(RelevanceLabel::kCleared);
    return count;
}

int RelevanceGraph::SplitIntoParts(int count, std::vector<std::unique_ptr<RelevanceGraph>>& parts) {
    try {
        // Everything that allocates happens before the first record changes hands.
        std::vector<int> sizes(static_cast<size_t>(count > 0 ? count : 0), 0);
        for (const RelevanceNode* record : records) {
            if (record->label >= 1 && record->label <= count) sizes[record->label - 1]++;
        }
        std::vector<std::unique_ptr<RelevanceGraph>> made;
        made.reserve(sizes.size());
        for (int size : sizes) {
            made.emplace_back(new RelevanceGraph(network_, block_));
            made.back()->noisyMaxRelevance = noisyMaxRelevance;
            made.back()->records.reserve(static_cast<size_t>(size));
        }
        parts.reserve(parts.size() + made.size());

        for (RelevanceNode* record : records) {
            if (record->label < 1 || record->label > count) {
                RemoveNode(record);
                continue;
            }
            RelevanceGraph* part = made[record->label - 1].get();
            record->graph = part;
            part->records.push_back(record);
            if (record->IsObserved()) part->evidenceCount++;
        }
        records.clear();
        evidenceCount = 0;

        int status = kSuccess;
        for (std::unique_ptr<RelevanceGraph>& part : made) {
            if (part->records.size() == 1 && part->records[0]->IsObserved()) {
                RelevanceNode* only = part->records[0];
                const int rc = only->SetObservedBeliefs(only->evidence);
                if (rc != kSuccess && status == kSuccess) status = rc;
                continue;
            }
            parts.push_back(std::move(part));
        }
        return status;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

std::unique_ptr<RelevantPartList> FindRelevantParts(VRX_network& network, bool pruneRoots,
                                                    bool absorbEvidence, int* status, bool splitNoisyMax,
                                                    int* recordsRead, vovido::RelevanceSeeds* seeds) {
    int rc = kSuccess;
    std::unique_ptr<RelevantPartList> parts;
    if (network.GetNumberOfNodes() > 0) {
        try {
            parts = std::make_unique<RelevantPartList>();
            RelevanceGraph graph(network, absorbEvidence, splitNoisyMax, false, seeds);
            rc = graph.GetStatus();
            if (recordsRead != nullptr) *recordsRead = graph.GetNumberOfRecords();
            // Without a target every node counts as one; the network's marks are left alone.
            graph.SetAllNodesTargets(network.GetNumberOfTargets() == 0);
            const std::vector<RelevanceNode*>& records = graph.records;
            if (rc == kSuccess) {
                for (size_t i = 0; i < records.size(); i++) graph.PruneBarren(records[i]);
            }
            if (rc == kSuccess && absorbEvidence) {
                for (size_t i = 0; i < records.size() && rc == kSuccess; i++) {
                    RelevanceNode* record = records[i];
                    if (record->label == RelevanceLabel::kCleared && record->IsObserved()) {
                        rc = graph.AbsorbEvidence(record);
                    }
                }
            }
            if (rc == kSuccess) {
                for (size_t i = 0; i < records.size(); i++) graph.PruneBarren(records[i]);
                graph.RemoveLabelled(RelevanceLabel::kBarren);
                rc = graph.CutEvidenceArcs();
            }
            if (rc == kSuccess && pruneRoots) {
                for (size_t i = 0; i < records.size() && rc == kSuccess; i++)
                    rc = graph.AbsorbRoot(records[i]);
                if (rc == kSuccess) graph.RemoveLabelled(RelevanceLabel::kRootSummed);
            }
            if (rc == kSuccess) rc = graph.SplitIntoParts(graph.LabelComponents(), *parts);
        } catch (const std::bad_alloc&) {
            rc = kOutOfMemory;
        }
        if (rc != kSuccess) parts.reset();
    }
    if (status != nullptr) *status = rc;
    return parts;
}
