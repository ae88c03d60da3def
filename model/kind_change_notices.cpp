// The warnings of a change of kind about the nodes and evidence around the node changed.
#include "model/kind_change_notices.h"

#include <new>
#include <vector>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_kind_words.h"
#include "model/node_label.h"
#include "model/node_value.h"

namespace vovido {

namespace {

const NoticeKind kKindChangeNotice = {"A change of kind removed arcs or reset tables around {count}", "node",
                                      nullptr};
const NoticeKind kTemporalArcsNotice = {"A change of kind removed temporal arcs of {count}", "node", nullptr};
const NoticeKind kClearedEvidenceNotice = {"A change of kind cleared the evidence of {count}", "node",
                                           nullptr};

std::string NodeList(const VRX_network& network, const VRX_intArray& handles) {
    std::string text;
    for (int i = 0; i < handles.GetCount(); ++i) {
        if (!text.empty()) text += ", ";
        text += "[" + NodeLabel(network, handles[i]) + "]";
    }
    return text;
}

std::string KindOf(const VRX_node& node) {
    return KindNodeText(node.GetDefinition());
}

// The handles of `former` that are live and no longer in `now`.
void AppendGone(const VRX_network& network, const VRX_intArray& former, const VRX_intArray& now,
                VRX_intArray& gone) {
    for (int i = 0; i < former.GetCount(); ++i) {
        const int h = former[i];
        if (network.IsLiveHandle(h) && !now.IsInList(h) && gone.Add(h) != kSuccess) throw std::bad_alloc();
    }
}

// Takes out of the call's entries the refused-parents notices of these nodes, which the one warning
// of the change replaces.
void EraseRefusedParentNotices(const VRX_network& network, int handle, const VRX_intArray& children,
                               int firstEntry) {
    std::string rest;
    const auto erase = [&](int h) {
        const std::string prefix = "Parent could not be added to node [" + NodeLabel(network, h) + "]:";
        while (EraseEntriesStartingWith(errorLog, firstEntry, prefix, rest)) {
        }
    };
    erase(handle);
    for (int i = 0; i < children.GetCount(); ++i) erase(children[i]);
}

}  // namespace

void ReportKindChange(const VRX_network& network, int handle, const KindChangeNeighbours& former,
                      const VRX_intArray& reset, int firstEntry) {
    try {
        VRX_intArray fromParents;
        VRX_intArray toChildren;
        VRX_intArray costChildren;
        AppendGone(network, former.parents, network.GetParents(handle, 0), fromParents);
        AppendGone(network, former.children, network.GetChildren(handle, 0), toChildren);
        AppendGone(network, former.costChildren, network.GetChildren(handle, 1), costChildren);
        EraseRefusedParentNotices(network, handle, former.children, firstEntry);
        if (fromParents.GetCount() == 0 && toChildren.GetCount() == 0 && costChildren.GetCount() == 0 &&
            reset.GetCount() == 0)
            return;
        std::vector<std::string> clauses;
        if (fromParents.GetCount() > 0 || toChildren.GetCount() > 0) {
            std::string arcs =
                fromParents.GetCount() + toChildren.GetCount() == 1 ? "removed the arc" : "removed the arcs";
            if (fromParents.GetCount() > 0) arcs += " from " + NodeList(network, fromParents);
            if (fromParents.GetCount() > 0 && toChildren.GetCount() > 0) arcs += " and";
            if (toChildren.GetCount() > 0) arcs += " to " + NodeList(network, toChildren);
            clauses.push_back(arcs + ", which the kinds at their ends do not take");
        }
        if (costChildren.GetCount() > 0)
            clauses.push_back("removed the cost arcs to " + NodeList(network, costChildren));
        if (reset.GetCount() > 0)
            clauses.push_back(
                reset.GetCount() == 1
                    ? "reset the table of " + NodeList(network, reset) + " to its kind's defaults"
                    : "reset the tables of " + NodeList(network, reset) + " to their kinds' defaults");
        const std::string label = "[" + NodeLabel(network, handle) + "]";
        std::string what = "Node " + label + " : its change to " + KindOf(*network.GetNode(handle));
        for (size_t i = 0; i < clauses.size(); ++i)
            what += (i == 0 ? " " : i + 1 == clauses.size() ? ", and " : ", ") + clauses[i];
        (void)LogNotice(errorLog, kWrongNodeType, what.c_str(), nullptr, {&kKindChangeNotice, label, label});
    } catch (const std::bad_alloc&) {
        (void)LogError(errorLog, kWrongNodeType,
                       "A change of kind removed arcs and reset tables of other nodes", nullptr);
    }
}

void ReportTemporalArcsDropped(const VRX_network& network, int handle, int count) {
    const std::string label = "[" + NodeLabel(network, handle) + "]";
    const std::string what = "Node " + label + " : its change to " + KindOf(*network.GetNode(handle)) +
                             " removed " +
                             (count == 1 ? "a temporal arc" : std::to_string(count) + " temporal arcs") +
                             " into or out of it, which the kinds at their ends do not take";
    (void)LogNotice(errorLog, kWrongNodeType, what.c_str(), nullptr, {&kTemporalArcsNotice, label, label});
}

FormerEvidence EvidenceOf(VRX_node& node) {
    FormerEvidence former;
    VRX_nodeValue* value = node.GetValue();
    if (value == nullptr) return former;
    former.likelihoods = value->HasFlag(ValueFlags::kVirtualEvidence);
    if ((value->GetValueFlags() & ValueFlags::kEvidence) == 0) return former;
    former.outcome = value->GetEvidence();
    VRX_nodeDefinition* definition = node.GetDefinition();
    const VRX_idArray* names = definition != nullptr ? definition->GetOutcomesNames() : nullptr;
    if (names != nullptr && former.outcome >= 0 && former.outcome < names->GetCount() &&
        (*names)[former.outcome] != nullptr)
        former.id = (*names)[former.outcome];
    return former;
}

void SettleEvidenceAfterChange(VRX_node& node, const FormerEvidence& former) {
    VRX_nodeValue* value = node.GetValue();
    if (former.likelihoods && (value == nullptr || !value->HasFlag(ValueFlags::kVirtualEvidence))) {
        const std::string label = "[" + NodeLabel(*node.GetNetwork(), node.GetHandle()) + "]";
        const std::string what = "Node " + label +
                                 " : its virtual evidence was cleared: it does not fit the outcomes of " +
                                 KindOf(node);
        (void)LogNotice(errorLog, kOutOfRange, what.c_str(), nullptr,
                        {&kClearedEvidenceNotice, label, label});
    }
    if (former.outcome < 0) return;
    VRX_nodeDefinition* definition = node.GetDefinition();
    const int count = definition != nullptr ? definition->GetNumberOfOutcomes() : 0;
    const bool held = value != nullptr && (value->GetValueFlags() & ValueFlags::kEvidence) != 0;
    if (held && value->GetEvidence() < count) return;
    if (held) (void)value->ClearEvidence();
    const VRX_network* network = node.GetNetwork();
    const std::string label = "[" + NodeLabel(*network, node.GetHandle()) + "]";
    const std::string outcome = former.id.empty() ? std::to_string(former.outcome) : former.id;
    const std::string why = held ? KindOf(node) + " has no outcome " + std::to_string(former.outcome)
                                 : "its value as " + KindOf(node) + " did not keep it";
    const std::string what = "Node " + label + " : its evidence [" + outcome + "] was cleared: " + why;
    (void)LogNotice(errorLog, kOutOfRange, what.c_str(), nullptr, {&kClearedEvidenceNotice, label, label});
}

int RefuseKindWithoutOutcomes(const VRX_node& node, const std::string& kind) {
    return ReportNodeFault(node,
                           kind +
                               " needs at least two outcomes, and none could be made for it; its kind "
                               "is left as it was",
                           kOutOfRange);
}

}  // namespace vovido
