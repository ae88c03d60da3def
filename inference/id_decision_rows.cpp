// The joint of a decision and its information in a working copy, from one clique-tree propagation per
// relevant part.
#include "inference/id_decision_rows.h"

#include <memory>
#include <new>
#include <vector>

#include "base/dmatrix.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "inference/clique_tree.h"
#include "inference/impossible_evidence.h"
#include "inference/part_view.h"
#include "inference/relevance_graph.h"
#include "inference/relevant_parts.h"
#include "inference/temporary_evidence_nodes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace vovido {

namespace {

bool PartHoldsEvidence(const RelevanceGraph& part) {
    for (int i = 0; i < part.GetNumberOfRecords(); i++) {
        if (part.GetRecord(i)->IsObserved()) return true;
    }
    return false;
}

// The family's joint out of the propagated tree, over the part indices of the parents and the decision.
int ReadFamily(const RelevanceGraph& part, const CliqueTree& tree, const VRX_network& work, int decision,
               std::vector<double>& joint) {
    const VRX_intArray& parents = work.GetParents(decision);
    VRX_intArray variables;
    VRX_intArray sizes;
    for (int k = 0; k <= parents.GetCount(); k++) {
        const int h = k < parents.GetCount() ? parents[k] : decision;
        const int at = part.FindNode(h);
        if (at < 0) return kOutOfRange;
        if (variables.Add(at) != kSuccess ||
            sizes.Add(work.GetNode(h)->GetDefinition()->GetNumberOfOutcomes()) != kSuccess)
            return kOutOfMemory;
    }
    VRX_Dmatrix marginal;
    if (marginal.Setup(sizes) != kSuccess) return kOutOfMemory;
    if (const int rc = tree.GetMarginal(variables, marginal)) return rc;
    joint.assign(marginal.GetData(), marginal.GetData() + marginal.GetNumberOfElements());
    return kSuccess;
}

// Every target a node of the family, so that no parent is pruned or summed away; without a decision
// (-1), every observed node, so that every part of the evidence is kept.
int TargetFamily(VRX_network& work, int decision) {
    work.ClearAllTargets();
    if (decision < 0) {
        for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) {
            const VRX_nodeValue* value = work.GetNode(h)->GetValue();
            if (value == nullptr || !value->HasEvidence()) continue;
            if (const int rc = work.SetTarget(h)) return rc;
        }
        return kSuccess;
    }
    const VRX_intArray& parents = work.GetParents(decision);
    for (int k = 0; k < parents.GetCount(); k++) {
        if (const int rc = work.SetTarget(parents[k])) return rc;
    }
    return work.SetTarget(decision);
}

// The relevant parts of the copy for the decision's family and the join trees of those that bear on it,
// structure only: nothing proportional to a table is allocated.
int PlanTrees(VRX_network& work, int decision, std::unique_ptr<RelevantPartList>& parts,
              std::vector<std::unique_ptr<PartView>>& views, std::vector<std::unique_ptr<CliqueTree>>& trees,
              DecisionTreeSize& size) {
    if (const int rc = TargetFamily(work, decision)) return rc;
    int status = kSuccess;
    parts = FindRelevantParts(work, false, false, &status);
    work.ClearAllTargets();
    if (parts == nullptr) return status != kSuccess ? status : kOutOfRange;
    for (std::unique_ptr<RelevanceGraph>& part : *parts) {
        const bool family = decision >= 0 && part->FindNode(decision) >= 0;
        views.emplace_back();
        trees.emplace_back();
        // Parts without evidence have probability one and tell nothing about the decision.
        if (!family && !PartHoldsEvidence(*part)) continue;
        views.back() = std::make_unique<PartView>(*part);
        if (views.back()->GetStatus() != kSuccess) return views.back()->GetStatus();
        trees.back() = std::make_unique<CliqueTree>();
        if (const int rc = trees.back()->BuildStructure(*views.back())) return rc;
        const uint64_t entries = trees.back()->GetTotalSize();
        size.entries = entries > UINT64_MAX - size.entries ? UINT64_MAX : size.entries + entries;
        size.nodes += part->GetNumberOfRecords();
    }
    return kSuccess;
}

}  // namespace

int SizeDecisionRows(VRX_network& work, int decision, DecisionTreeSize& size) {
    size = DecisionTreeSize{};
    try {
        TemporaryEvidenceNodes temporary(&work);
        if (const int rc = temporary.GetStatus()) return rc;
        std::unique_ptr<RelevantPartList> parts;
        std::vector<std::unique_ptr<PartView>> views;
        std::vector<std::unique_ptr<CliqueTree>> trees;
        return PlanTrees(work, decision, parts, views, trees, size);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

int PropagateDecisionRows(VRX_network& work, int decision, uint64_t limit, std::vector<double>& joint,
                          DecisionTreeSize& size) {
    size = DecisionTreeSize{};
    joint.clear();
    try {
        // Virtual evidence becomes observed temporary children for the time of the propagation.
        TemporaryEvidenceNodes temporary(&work);
        if (const int rc = temporary.GetStatus()) return rc;
        if (const int rc = CheckEvidencePossible(work)) return rc;
        // The trees are sized first: nothing is allocated for a set of parts past the limit.
        std::unique_ptr<RelevantPartList> parts;
        std::vector<std::unique_ptr<PartView>> views;
        std::vector<std::unique_ptr<CliqueTree>> trees;
        if (const int rc = PlanTrees(work, decision, parts, views, trees, size)) return rc;
        if (size.entries > limit) return kOutOfMemory;
        for (size_t i = 0; i < parts->size(); i++) {
            if (trees[i] == nullptr) continue;
            CliqueTree& tree = *trees[i];
            if (const int rc = tree.LoadTables(*views[i])) return rc;
            if (const int rc = tree.EnterEvidence(*views[i])) return rc;
            if (const int rc = tree.Propagate()) return rc;
            const RelevanceGraph& part = *(*parts)[i];
            if (decision >= 0 && part.FindNode(decision) >= 0) {
                if (const int rc = ReadFamily(part, tree, work, decision, joint)) return rc;
            }
            trees[i].reset();
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return decision < 0 || !joint.empty() ? kSuccess : kOutOfRange;
}

int CheckEvidenceProbability(VRX_network& work, uint64_t limit, DecisionTreeSize& size) {
    std::vector<double> none;
    return PropagateDecisionRows(work, -1, limit, none, size);
}

}  // namespace vovido
