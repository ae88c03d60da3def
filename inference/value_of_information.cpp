// Value of information by solving a copy of the diagram twice: with a probe decision just before the
// point of view, then again with the observed nodes made parents of the decision.
#include "inference/value_of_information.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/number_text.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "inference/id_policy_evaluation.h"
#include "inference/influence_diagram_support.h"
#include "inference/table_check.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_value.h"

VRX_valueOfInformation::VRX_valueOfInformation(VRX_network* net) : VRX_object(kConsistent) {
    if (net == nullptr || !net->IsValid()) return;
    network = net;
    VRX_intArray order;
    if (net->GetInfluenceDiagramOrder(order) != kSuccess) {
        network = nullptr;
        return;
    }
    int last = -1;
    for (int i = 0; i < order.GetCount(); i++) {
        if ((net->GetNodeType(order[i]) & DefinitionBits::kDecision) == 0) continue;
        last = i;
        if (decisions.Add(order[i]) != kSuccess) network = nullptr;
    }
    for (int i = 0; i <= last && network != nullptr; i++) {
        if (actions.Add(order[i]) != kSuccess) network = nullptr;
    }
    CheckValidity(0);
    CheckConsistency(0);
}

VRX_valueOfInformation::~VRX_valueOfInformation() = default;

void VRX_valueOfInformation::CleanUp(int deep) {
    if (deep) {
        observedNodes.Flush();
        indexingNodes.Flush();
        valueTable.CleanUp();
    }
    network = nullptr;
    decisionNode = -1;
    pointOfView = -1;
    CheckValidity(0);
}

void VRX_valueOfInformation::CheckValidity(int /*deep*/) {
    SetFlag(kValid, network != nullptr);
}

bool VRX_valueOfInformation::IsLive(int handle) const {
    return network != nullptr && network->IsLiveHandle(handle);
}

void VRX_valueOfInformation::CheckConsistency(int /*deep*/) {
    bool consistent = IsValid() && IsLive(decisionNode) && IsLive(pointOfView);
    for (int i = 0; i < observedNodes.GetCount() && consistent; i++) consistent = IsLive(observedNodes[i]);
    SetFlag(kConsistent, consistent);
}

const char* VRX_valueOfInformation::WhyNotObserved(int handle) const {
    if (handle >= 0 && handle == decisionNode)
        return "it is the decision, which cannot be observed before it is made";
    if (network != nullptr && network->IsLiveHandle(handle) &&
        (network->GetNodeType(handle) & DefinitionBits::kUtility) != 0)
        return "it is a utility node, which has no outcomes to observe";
    return nullptr;
}

const char* VRX_valueOfInformation::WhyNotDecision(int handle) const {
    return handle >= 0 && observedNodes.IsInList(handle)
               ? "it is one of the observed nodes, which are observed before the decision"
               : nullptr;
}

int VRX_valueOfInformation::AddNode(int handle) {
    if (!IsValid()) return kObjectNotValid;
    if (!IsLive(handle)) return kOutOfRange;
    if (const char* why = WhyNotObserved(handle))
        return vovido::ReportNodeFault(*network->GetNode(handle), why, kWrongNodeType);
    return observedNodes.AddExclusive(handle);
}

int VRX_valueOfInformation::RemoveNode(int handle) {
    if (!IsValid()) return kObjectNotValid;
    return observedNodes.DeleteByValue(handle);
}

int VRX_valueOfInformation::SetDecision(int handle) {
    if (!IsValid()) return kObjectNotValid;
    if (!IsLive(handle) || !decisions.IsInList(handle)) return kOutOfRange;
    if (const char* why = WhyNotDecision(handle))
        return vovido::ReportNodeFault(*network->GetNode(handle), why, kWrongNodeType);
    if (!IsLive(pointOfView)) pointOfView = handle;
    if (actions.FindPosition(handle) < actions.FindPosition(pointOfView)) return kOutOfRange;
    decisionNode = handle;
    CheckConsistency(0);
    return kSuccess;
}

int VRX_valueOfInformation::SetPointOfView(int handle) {
    if (!IsValid()) return kObjectNotValid;
    if (!IsLive(handle) || !actions.IsInList(handle)) return kOutOfRange;
    if (!IsLive(decisionNode)) decisionNode = handle;
    if (actions.FindPosition(handle) > actions.FindPosition(decisionNode)) return kOutOfRange;
    pointOfView = handle;
    CheckConsistency(0);
    return kSuccess;
}

namespace {

// Takes the probe out of the scenarios that the solver's notices list: it is no node of the caller's.
class ProbeOutOfTexts {
public:
    ProbeOutOfTexts(const VRX_network& work, int probe)
        : work_(work), probe_(probe), first_(errorLog.GetNumberOfEntries()) {}
    ProbeOutOfTexts(const ProbeOutOfTexts&) = delete;
    ProbeOutOfTexts& operator=(const ProbeOutOfTexts&) = delete;
    ~ProbeOutOfTexts() {
        try {
            const std::string id = vovido::NodeLabel(work_, probe_);
            const VRX_idArray* names = work_.GetNode(probe_)->GetDefinition()->GetOutcomesNames();
            for (int k = 0; names != nullptr && k < names->GetCount(); ++k) {
                const std::string choice = id + " = " + ((*names)[k] != nullptr ? (*names)[k] : "");
                vovido::EraseFromEntries(errorLog, first_, choice + ", ");
                vovido::EraseFromEntries(errorLog, first_, ", " + choice);
            }
        } catch (const std::exception&) {
            // The texts stay as they were: a destructor throws nothing.
        }
    }

private:
    const VRX_network& work_;
    const int probe_;
    const int first_;
};

// The probe's arcs: after everything placed before the point of view, which it knows, before the point of
// view, the utility and every other decision it can precede. A point of view that is a chance node follows
// the probe through the decision it is observed for; where it is an ancestor of an earlier decision, an arc
// to it would close a cycle and is not needed.
int PlaceProbe(VRX_network& work, const VRX_intArray& actions, int pointOfView, int probe, int utility) {
    const int p = actions.FindPosition(pointOfView);
    for (int k = 0; k < p; k++) {
        if (const int rc = work.AddArc(actions[k], probe)) return rc;
    }
    // Before every other decision it can precede, so that the solver assumes no order of its own about the
    // probe (and names it in no notice).
    for (int h = work.GetFirstNode(); h >= 0; h = work.GetNextNode(h)) {
        if (h == probe || h == pointOfView || work.GetNodeType(h) != DefinitionType::kList ||
            work.GetParents(probe).IsInList(h))
            continue;
        // One that must come before it (an arc would close a cycle) stays as it is.
        const int logged = errorLog.GetNumberOfEntries();
        if (work.AddArc(probe, h) != kSuccess) errorLog.Truncate(logged);
    }
    const int logged = errorLog.GetNumberOfEntries();
    if (const int rc = work.AddArc(probe, pointOfView)) {
        if (work.GetNodeType(pointOfView) == DefinitionType::kList) return rc;
        errorLog.Truncate(logged);
    }
    return work.AddArc(probe, utility);
}

// The probe's expected utilities, indexed by `indexing` (its own choices last: all alike), at every
// configuration of `nodes` (of sizes[d] outcomes each), which hold the indexing nodes.
int SpreadOver(const VRX_Dmatrix& worth, const VRX_intArray& indexing, const std::vector<int>& nodes,
               const VRX_intArray& sizes, std::vector<double>& out) {
    const int dims = worth.GetNumberOfDimensions();
    if (dims != indexing.GetCount() + 1) return kInvalidData;
    std::vector<int> stride(nodes.size(), 0);
    for (int k = 0; k < indexing.GetCount(); k++) {
        const auto at = std::find(nodes.begin(), nodes.end(), indexing[k]);
        if (at == nodes.end()) return kInvalidData;
        stride[static_cast<size_t>(at - nodes.begin())] = worth.GetStrides()[k];
    }
    std::vector<int> digits(nodes.size(), 0);
    for (size_t cell = 0; cell < out.size(); cell++) {
        int at = 0;
        for (size_t d = 0; d < nodes.size(); d++) at += digits[d] * stride[d];
        out[cell] = worth[at];
        for (size_t d = nodes.size(); d-- > 0;) {
            if (++digits[d] < sizes[static_cast<int>(d)]) break;
            digits[d] = 0;
        }
    }
    return kSuccess;
}

// The nodes that index either solution, in the order of the actions: observing may leave a node the probe
// no longer depends on, or add one.
int UnionOfIndexing(const VRX_intArray& a, const VRX_intArray& b, const VRX_intArray& actions,
                    std::vector<int>& nodes) {
    nodes.assign(a.GetItems(), a.GetItems() + a.GetCount());
    for (int k = 0; k < b.GetCount(); k++) {
        if (!a.IsInList(b[k])) nodes.push_back(b[k]);
    }
    for (int h : nodes) {
        if (actions.FindPosition(h) < 0) return kInvalidData;
    }
    std::sort(nodes.begin(), nodes.end(),
              [&](int x, int y) { return actions.FindPosition(x) < actions.FindPosition(y); });
    return kSuccess;
}

// A refusal of the solution names the first decision at or after the scenario node whose outcomes pass
// the limit: where that is the probe, the caller's decision it precedes, the point of view, is named.
int NameProbeRefusal(const VRX_network& work, int probe, int pointOfView, int mark, int rc) {
    std::string rest;
    const std::string prefix = "ERROR: Node [" + vovido::NodeLabel(work, probe) + "] : ";
    if (!vovido::EraseEntriesStartingWith(errorLog, mark, prefix, rest)) return rc;
    // The solver's own entry follows its cause.
    std::string failed;
    const bool solver = vovido::EraseEntriesStartingWith(errorLog, mark, kCooperFailedText, failed);
    vovido::ReportNodeFault(*work.GetNode(pointOfView), rest, rc);
    if (solver) LogError(errorLog, rc, kCooperFailedText, nullptr);
    return rc;
}

int ProbeValues(VRX_network& work, int probe, int pointOfView, VRX_Dmatrix& out) {
    const int mark = errorLog.GetNumberOfEntries();
    if (const int rc = work.UpdateBeliefs()) return NameProbeRefusal(work, probe, pointOfView, mark, rc);
    VRX_nodeValue* value = work.GetNode(probe)->GetValue();
    VRX_Dmatrix* matrix = nullptr;
    if (const int rc = value->GetValue(matrix)) return rc;
    if (matrix == nullptr || !value->IsUpToDate()) {
        return vovido::ReportNodeFault(*work.GetNode(pointOfView),
                                       "the solution gave no expected utility from this point of view",
                                       kOutOfRange);
    }
    return out.Copy(*matrix);
}

// Arcs from every observed node to the decision, refused naming the node that cannot take one.
int AddObservations(VRX_network& work, const VRX_valueOfInformation& settings) {
    const int decision = settings.GetDecision();
    const VRX_intArray& observedNodes = settings.GetObservedNodes();
    for (int i = 0; i < observedNodes.GetCount(); i++) {
        const int observed = observedNodes[i];
        // Observed already: nothing to add.
        if (work.GetParents(decision).IsInList(observed)) continue;
        const int logged = errorLog.GetNumberOfEntries();
        if (const int rc = work.AddArc(observed, decision)) {
            const std::string id = vovido::NodeLabel(work, decision);
            std::vector<char> seen;
            std::vector<int> stack;
            if (!vovido::Reaches(work, decision, observed, seen, stack)) {
                return vovido::ReportNodeFault(
                    *work.GetNode(observed),
                    "it cannot be observed before decision [" + id + "], which cannot take it as a parent",
                    rc);
            }
            errorLog.Truncate(logged);
            const std::string why =
                "it cannot be observed before decision [" + id +
                "]: it follows from that decision (in the order of the decisions), so the "
                "arc would close a cycle";
            return vovido::ReportNodeFault(*work.GetNode(observed), why, kOutOfRange);
        }
    }
    return kSuccess;
}

// The work of both solutions, planned on copies (nothing is updated), against the limit of one: each
// refused as its solution would be, and the two together named at the point of view. What the plans
// logged besides (the order of the decisions they assume) is logged again by the solutions.
int CheckBothSolutions(const VRX_network& without, const VRX_network& with, int probe, int pointOfView) {
    uint64_t work[2] = {0, 0};
    const VRX_network* diagrams[2] = {&without, &with};
    const int mark = errorLog.GetNumberOfEntries();
    for (int i = 0; i < 2; i++) {
        std::unique_ptr<VRX_network> plan;
        try {
            plan = std::make_unique<VRX_network>(*diagrams[i]);
        } catch (const std::bad_alloc&) {
            return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
        }
        if (!plan->IsValid()) return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
        PolicyEvaluator evaluator;
        if (const int rc = evaluator.PlanWork(*plan, work[i]))
            return NameProbeRefusal(*plan, probe, pointOfView, mark, rc);
    }
    errorLog.Truncate(mark);
    const uint64_t limit = static_cast<uint64_t>(kMaxPolicyEvaluationWorkCells);
    if (work[0] <= limit && work[1] <= limit - work[0]) return kSuccess;
    return vovido::ReportNodeFault(*without.GetNode(pointOfView),
                                   "its value of information solves the diagram twice, without and with the "
                                   "observations, " +
                                       std::to_string(work[0]) + " and " + std::to_string(work[1]) +
                                       " cells of work, past the limit of " + std::to_string(limit) +
                                       " cells for both",
                                   kOutOfMemory);
}

}  // namespace

int VRX_valueOfInformationAssessor::ComputeValueOfInformation(VRX_valueOfInformation& settings) {
    settings.CheckValidity(0);
    if (!settings.IsValid()) return kObjectNotValid;
    settings.CheckConsistency(0);
    if (!settings.IsConsistent()) return kObjectNotConsistent;
    VRX_network& source = *settings.network;
    // The copy takes the tables as its updates read them, reported here once.
    const vovido::ScaledTables tables(source);
    if (const int refused = tables.GetStatus()) return refused;

    std::unique_ptr<VRX_network> work;
    try {
        work = std::make_unique<VRX_network>(source);
    } catch (const std::bad_alloc&) {
        return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
    }
    if (!work->IsValid()) return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
    // The copy is solved on request only.
    work->propagationFlags &= ~PropagationFlags::kAutoUpdate;
    // Only policy evaluation gives expected utilities; the best-policy solver gives a 0/1 choice.
    work->SetInfluenceDiagramAlgorithm(0);

    int utility = -1;
    for (int h = work->GetFirstNode(); h >= 0 && utility < 0; h = work->GetNextNode(h)) {
        if (work->GetNodeType(h) == DefinitionType::kTable) utility = h;
    }
    if (utility < 0)
        return LogError(errorLog, kOutOfRange, "Value of information can't be computed without utility nodes",
                        nullptr);

    // A decision just before the point of view, on which nothing depends in value: its expected utility
    // is that of the diagram seen from there.
    const int probe = work->AddNode(DefinitionType::kList, nullptr);
    if (probe < 0) return probe;
    const ProbeOutOfTexts probeOut(*work, probe);
    if (const int rc = PlaceProbe(*work, settings.actions, settings.pointOfView, probe, utility)) return rc;

    // The order of the decisions that the solutions assume is part of the diagram the observations join.
    {
        std::vector<int> sequence;
        if (const int rc = vovido::CollectDecisionSequence(*work, sequence)) return rc;
        vovido::AssumeDecisionOrder(*work, sequence);
    }
    // The diagram with the observations: the same copy, with arcs from them to the decision.
    std::unique_ptr<VRX_network> observing;
    try {
        observing = std::make_unique<VRX_network>(*work);
    } catch (const std::bad_alloc&) {
        return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
    }
    if (!observing->IsValid()) return LogError(errorLog, kOutOfMemory, nullptr, nullptr);
    if (const int rc = AddObservations(*observing, settings)) return rc;
    // Both solutions are planned before either is made: the pair is refused at once, not after the first.
    if (const int rc = CheckBothSolutions(*work, *observing, probe, settings.pointOfView)) return rc;

    VRX_Dmatrix before;
    if (const int rc = ProbeValues(*work, probe, settings.pointOfView, before)) return rc;
    VRX_intArray beforeIndexing;
    if (beforeIndexing.Copy(work->GetNode(probe)->GetValue()->GetIndexingParents()) != kSuccess)
        return kOutOfMemory;
    VRX_Dmatrix after;
    if (const int rc = ProbeValues(*observing, probe, settings.pointOfView, after)) return rc;
    const VRX_intArray& afterIndexing = observing->GetNode(probe)->GetValue()->GetIndexingParents();
    std::vector<int> nodes;
    VRX_intArray sizes;
    VRX_Dmatrix gain;
    std::vector<double> was;
    std::vector<double> is;
    try {
        if (const int rc = UnionOfIndexing(beforeIndexing, afterIndexing, settings.actions, nodes)) return rc;
        for (int h : nodes) {
            if (sizes.Add(work->GetNode(h)->GetDefinition()->GetNumberOfOutcomes()) != kSuccess)
                return kOutOfMemory;
        }
        if (sizes.Add(1) != kSuccess || gain.Setup(sizes) != kSuccess) return kOutOfMemory;
        was.resize(static_cast<size_t>(gain.GetNumberOfElements()));
        is.resize(was.size());
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    if (const int rc = SpreadOver(after, afterIndexing, nodes, sizes, is)) return rc;
    if (const int rc = SpreadOver(before, beforeIndexing, nodes, sizes, was)) return rc;
    // A configuration that cannot occur has no expected utility either way, and so no value of information.
    for (size_t i = 0; i < was.size(); i++) {
        gain[static_cast<int>(i)] = vovido::IsUndefinedEntry(is[i]) || vovido::IsUndefinedEntry(was[i])
                                        ? kUndefinedValue
                                        : is[i] - was[i];
    }
    VRX_intArray indexing;
    for (int h : nodes) {
        if (indexing.Add(h) != kSuccess) return kOutOfMemory;
    }
    settings.valueTable.Swap(gain);
    if (const int rc = settings.indexingNodes.Copy(indexing)) return rc;
    return kSuccess;
}
