// Unrolling a dynamic network into a static one with a copy of every plate node per time slice.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/counted_notices.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_value.h"
#include "model/temporal_extension.h"

namespace {

// The unrolling of one owner network into one target; every step reports why it failed.
class Unroller {
public:
    Unroller(const VRX_temporalExtension& temporal, VRX_network& owner, VRX_network& target,
             std::vector<int>& map)
        : temporal_(temporal), owner_(owner), target_(target), map_(map) {}

    int Run() {
        slices_ = temporal_.GetSliceCount();
        if (const int rc = temporal_.CheckUnrolledSize(slices_)) return rc;
        map_.clear();
        for (int h = owner_.GetFirstNode(); h >= 0; h = owner_.GetNextNode(h)) {
            if (IsPlate(h)) map_.push_back(h);
        }
        plates_ = static_cast<int>(map_.size());
        map_.resize(static_cast<size_t>(slices_) * static_cast<size_t>(plates_), 0);

        if (const int rc = target_.CopyFrom(owner_, true)) return Fail(rc, "the network cannot be copied");
        target_.propagationFlags &= ~PropagationFlags::kNotices;
        if (const int rc = DetachTerminalNodes()) return rc;
        for (int t = 1; t < slices_; t++) {
            for (int i = 0; i < plates_; i++) {
                if (const int rc = AddSliceNode(t, i)) return rc;
            }
            for (int i = 0; i < plates_; i++) {
                if (const int rc = ConnectSliceNode(t, i)) return rc;
            }
        }
        if (const int rc = ConnectTerminalNodes()) return rc;
        // Slice evidence goes in while notices are still off: each notice would walk the whole unrolled
        // network, making the unrolling quadratic in the slice count. The update that follows reads the
        // evidence from the values.
        if (const int rc = EnterSliceEvidence()) return rc;
        if (owner_.propagationFlags & PropagationFlags::kNotices)
            target_.propagationFlags |= PropagationFlags::kNotices;
        return kSuccess;
    }

private:
    bool IsPlate(int h) const { return owner_.GetTemporalType(h) == TemporalType::kPlate; }

    int PlateIndex(int h) const {
        const auto end = map_.begin() + plates_;
        return static_cast<int>(std::lower_bound(map_.begin(), end, h) - map_.begin());
    }

    // The node standing for owner node p in slice t.
    int InSlice(int p, int t) const {
        return IsPlate(p) ? map_[static_cast<size_t>(t) * plates_ + PlateIndex(p)] : p;
    }

    std::string Id(int h) const { return vovido::NodeLabel(target_, h); }

    int Fail(int rc, const std::string& reason) {
        if (rc != kOutOfMemory) {
            LogError(errorLog, rc, ("Unable to unroll the network: " + reason).c_str(), nullptr);
            return rc;
        }
        // What failed for want of memory says so first, with the size of the whole unrolling, once the
        // half-built network has given its memory back.
        (void)target_.Initialize(0, 0);
        char text[400];
        std::snprintf(text, sizeof text,
                      "Unable to unroll the network: out of memory building %d slices of %d plate nodes (%s)",
                      slices_, plates_, reason.c_str());
        LogError(errorLog, rc, text, nullptr);
        return rc;
    }

    int AddArc(int parent, int child) {
        const int rc = target_.AddArc(parent, child);
        return rc != kSuccess ? Fail(rc, "arc from [" + Id(parent) + "] to [" + Id(child) + "] refused") : rc;
    }

    int RemoveArc(int parent, int child) {
        const int rc = target_.RemoveArc(parent, child);
        return rc != kSuccess ? Fail(rc, "arc from [" + Id(parent) + "] to [" + Id(child) + "] not removed")
                              : rc;
    }

    int CopyParameters(VRX_nodeDefinition* from, int child) {
        VRX_node* node = target_.GetNode(child);
        VRX_nodeDefinition* to = node != nullptr ? node->GetDefinition() : nullptr;
        const int rc = from != nullptr && to != nullptr ? from->CopyParameters(*to) : kWrongNodeType;
        return rc != kSuccess ? Fail(rc, "parameters of [" + Id(child) + "] not copied") : rc;
    }

    // Kinds of fixed outcomes (cast, DeMorgan) take no outcome set, but their copies have the same.
    static bool SameNames(const VRX_idArray& names, const VRX_idArray* other) {
        if (other == nullptr || other->GetCount() != names.GetCount()) return false;
        for (int i = 0; i < names.GetCount(); i++) {
            if (names[i] == nullptr || (*other)[i] == nullptr || std::strcmp(names[i], (*other)[i]) != 0)
                return false;
        }
        return true;
    }

    int DetachTerminalNodes() {
        for (int h = owner_.GetFirstNode(); h >= 0; h = owner_.GetNextNode(h)) {
            if (owner_.GetTemporalType(h) != TemporalType::kTerminal) continue;
            const VRX_intArray& parents = owner_.GetParents(h);
            bool platePlate = false;
            for (int k = 0; k < parents.GetCount(); k++) platePlate |= IsPlate(parents[k]);
            if (!platePlate) continue;
            const VRX_intArray& inTarget = target_.GetParents(h);
            while (inTarget.GetCount() > 0) {
                if (const int rc = RemoveArc(inTarget[inTarget.GetCount() - 1], h)) return rc;
            }
        }
        return kSuccess;
    }

    int AddSliceNode(int t, int i) {
        const int h = map_[i];
        VRX_nodeDefinition* definition = target_.GetNode(h)->GetDefinition();
        if (definition == nullptr) return Fail(kWrongNodeType, "[" + Id(h) + "] has no definition");
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "_%d", t);
        const std::string id = Id(h) + suffix;
        const bool free = target_.IsIdInUse(id.c_str(), -1) == 0;
        const int c = target_.AddNode(definition->GetType(), free ? id.c_str() : nullptr);
        if (c < 0) return Fail(c, "no copy of [" + Id(h) + "] for slice " + std::to_string(t));
        map_[static_cast<size_t>(t) * plates_ + i] = c;
        VRX_nodeDefinition* copy = target_.GetNode(c)->GetDefinition();
        const VRX_idArray* names = definition->GetOutcomesNames();
        if (names != nullptr && copy != nullptr && !SameNames(*names, copy->GetOutcomesNames())) {
            if (const int rc = copy->SetOutcomes(*names))
                return Fail(rc, "outcomes of [" + Id(c) + "] not set");
        }
        if (target_.IsTarget(h) == 1) {
            if (const int rc = target_.SetTarget(c)) return Fail(rc, "[" + Id(c) + "] cannot be a target");
        }
        return kSuccess;
    }

    int ConnectSliceNode(int t, int i) {
        const int h = map_[i];
        const int c = map_[static_cast<size_t>(t) * plates_ + i];
        int definitionNode = -1;
        if (const int rc = temporal_.GetUnrolledParents(h, t, parents_, definitionNode))
            return Fail(rc, "no parents of [" + Id(h) + "]");
        if (definitionNode >= 0) {
            for (const std::pair<int, int>& parent : parents_) {
                if (const int rc = AddArc(InSlice(parent.first, t - parent.second), c)) return rc;
            }
            const VRX_node* node = temporal_.GetDefinitionNetwork().GetNode(definitionNode);
            if (const int rc = CopyParameters(node != nullptr ? node->GetDefinition() : nullptr, c))
                return rc;
            return FollowEarlierDecision(h, t, c);
        }
        const VRX_intArray parents = target_.GetParents(h);
        for (int k = 0; k < parents.GetCount(); k++) {
            if (const int rc = AddArc(InSlice(parents[k], t), c)) return rc;
        }
        if (const int rc = CopyParameters(target_.GetNode(h)->GetDefinition(), c)) return rc;
        // Anchors are parents of slice 0 only; their dimensions leave the later copies.
        for (int k = parents.GetCount() - 1; k >= 0; k--) {
            if (owner_.GetTemporalType(parents[k]) != TemporalType::kAnchor) continue;
            if (const int rc = RemoveArc(parents[k], c)) return rc;
        }
        return FollowEarlierDecision(h, t, c);
    }

    // A plate decision is made slice after slice: without the arc the solvers would order its copies
    // as they find them, which need not be the order of time.
    int FollowEarlierDecision(int h, int t, int c) {
        if (target_.GetNodeType(h) != DefinitionType::kList) return kSuccess;
        const int earlier = InSlice(h, t - 1);
        const VRX_intArray& parents = target_.GetParents(c);
        for (int k = 0; k < parents.GetCount(); k++) {
            if (parents[k] == earlier) return kSuccess;
        }
        return AddArc(earlier, c);
    }

    int ConnectTerminalNodes() {
        for (int h = owner_.GetFirstNode(); h >= 0; h = owner_.GetNextNode(h)) {
            if (owner_.GetTemporalType(h) != TemporalType::kTerminal || target_.GetNumberOfParents(h) != 0)
                continue;
            const VRX_intArray& parents = owner_.GetParents(h);
            if (parents.GetCount() == 0) continue;
            for (int k = 0; k < parents.GetCount(); k++) {
                if (const int rc = AddArc(InSlice(parents[k], slices_ - 1), h)) return rc;
            }
            if (const int rc = CopyParameters(owner_.GetNode(h)->GetDefinition(), h)) return rc;
        }
        return kSuccess;
    }

    int EnterSliceEvidence() {
        for (int t = 1; t < slices_; t++) {
            for (int i = 0; i < plates_; i++) {
                const int h = map_[i];
                VRX_nodeValue* value =
                    target_.GetNode(map_[static_cast<size_t>(t) * plates_ + i])->GetValue();
                if (value == nullptr) continue;
                const int outcome = temporal_.GetTemporalEvidence(h, t);
                const int mark = errorLog.GetNumberOfEntries();
                int rc = kSuccess;
                if (outcome >= 0) {
                    rc = value->SetEvidence(outcome);
                } else if (const std::vector<double>* weights = temporal_.GetTemporalVirtualEvidence(h, t)) {
                    VRX_doubleArray likelihoods;
                    for (double w : *weights) {
                        if (rc == kSuccess) rc = likelihoods.Add(w);
                    }
                    if (rc == kSuccess) rc = value->SetVirtualEvidence(likelihoods);
                }
                if (rc != kSuccess) {
                    // The copy's words name the copy: the caller's node is named instead.
                    errorLog.Truncate(mark);
                    return Fail(rc, "evidence of [" + Id(h) + "] in slice " + std::to_string(t) + " refused");
                }
            }
        }
        return kSuccess;
    }

    const VRX_temporalExtension& temporal_;
    VRX_network& owner_;
    VRX_network& target_;
    std::vector<int>& map_;
    std::vector<std::pair<int, int>> parents_;
    int slices_ = 0;
    int plates_ = 0;
};

constexpr char kUnrollFailure[] = "Unable to unroll the network";

// A failed unrolling's cause goes before what ran out of memory on the way (a table, a node), which only
// the cause puts in terms of the caller's network.
void PutCauseFirst(int start) {
    const int count = errorLog.GetNumberOfEntries();
    int cause = -1;
    for (int i = start; i < count && cause < 0; ++i) {
        const char* message = errorLog.GetMessage(i);
        if (message != nullptr && std::strncmp(message, kUnrollFailure, sizeof kUnrollFailure - 1) == 0)
            cause = i;
    }
    if (cause <= start) return;
    std::vector<std::pair<int, std::string>> entries;
    for (int i = start; i < count; ++i) {
        const char* message = errorLog.GetMessage(i);
        entries.emplace_back(errorLog.GetCode(i), message != nullptr ? message : "");
    }
    errorLog.Truncate(start);
    const auto& first = entries[static_cast<size_t>(cause - start)];
    (void)LogError(errorLog, first.first, first.second.c_str(), nullptr);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (static_cast<int>(i) != cause - start)
            (void)LogError(errorLog, entries[i].first,
                           entries[i].second.empty() ? nullptr : entries[i].second.c_str(), nullptr);
    }
}

}  // namespace

int VRX_temporalExtension::UnrollNetwork(VRX_network& target, std::vector<int>& map) const {
    if (network == nullptr || &target == network) return kOutOfRange;
    const int logStart = errorLog.GetNumberOfEntries();
    int rc;
    try {
        rc = Unroller(*this, *network, target, map).Run();
    } catch (const std::bad_alloc&) {
        (void)target.Initialize(0, 0);
        int plates = 0;
        for (int h = network->GetFirstNode(); h >= 0; h = network->GetNextNode(h))
            plates += network->GetTemporalType(h) == TemporalType::kPlate ? 1 : 0;
        char text[160];
        std::snprintf(text, sizeof text,
                      "Unable to unroll the network: out of memory building %d slices of %d plate nodes",
                      GetSliceCount(), plates);
        rc = LogError(errorLog, kOutOfMemory, text, nullptr);
    }
    if (rc != kSuccess) {
        // No half-built network stays behind.
        (void)target.Initialize(0, 0);  // an empty table: only memory can fail it, and then none at all
        map.clear();
        try {
            PutCauseFirst(logStart);
        } catch (const std::bad_alloc&) {
            // The entries stay in the order they came.
        }
    }
    return rc;
}

int VRX_network::UnrollNetwork(VRX_network& target, std::vector<int>& map) {
    // A temporal object made by a query or a refused slice count alone gives no temporal feature.
    bool temporal = false;
    for (int h = GetFirstNode(); h >= 0 && temporalExtension && !temporal; h = GetNextNode(h))
        temporal = GetTemporalType(h) != TemporalType::kNormal;
    if (!temporal)
        return LogError(errorLog, kOutOfRange, "Unable to unroll the network: it has no temporal plate",
                        nullptr);
    vovido::NoticeCall call;  // one record per kind of notice over the slices
    return call.Result(temporalExtension->UnrollNetwork(target, map));
}
