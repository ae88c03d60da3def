// Grouping of EM records and the work of counting one (see em_record_groups.h).
#include "learning/em_record_groups.h"

#include <algorithm>
#include <cstring>

#include "base/size_limits.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace vovido {

uint64_t EmRecordGroups::Hash(const int* values) const {
    uint64_t hash = 1469598103934665603ull;
    for (size_t k = 0; k < width_; ++k) {
        hash ^= static_cast<uint32_t>(values[k]);
        hash *= 1099511628211ull;
        hash ^= hash >> 29;
    }
    return hash;
}

bool EmRecordGroups::Equal(const int* a, const int* b) const {
    return width_ == 0 || std::memcmp(a, b, width_ * sizeof(int)) == 0;
}

size_t EmRecordGroups::Slot(const int* values, uint64_t hash) const {
    // A slot holds the hash's high half and the group plus one (0 when empty): a probe compares values
    // only where the halves agree.
    const uint64_t tag = hash >> 32;
    const size_t mask = slots_.size() - 1;
    for (size_t s = hash & mask;; s = (s + 1) & mask) {
        const uint64_t slot = slots_[s];
        if (slot == 0) return s;
        if ((slot >> 32) == tag && Equal(Values((slot & 0xffffffffu) - 1), values)) return s;
    }
}

void EmRecordGroups::Grow() {
    std::vector<uint64_t> old(std::max<size_t>(slots_.size() * 2, 64), 0);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (uint64_t slot : old) {
        if (slot == 0) continue;
        const uint64_t hash = hash_[(slot & 0xffffffffu) - 1];
        size_t s = hash & mask;
        while (slots_[s] != 0) s = (s + 1) & mask;
        slots_[s] = slot;
    }
}

void EmRecordGroups::Reserve(size_t records) {
    values_.reserve(records * width_);
    first_.reserve(records);
    weight_.reserve(records);
    hash_.reserve(records);
}

bool EmRecordGroups::Add(const int* values, int record) {
    // At most half full, so that a search ends soon.
    if (2 * (first_.size() + 1) > slots_.size()) Grow();
    const uint64_t hash = Hash(values);
    const size_t s = Slot(values, hash);
    if (slots_[s] != 0) {
        weight_[(slots_[s] & 0xffffffffu) - 1] += 1.0;
        return false;
    }
    slots_[s] = (hash >> 32 << 32) | (first_.size() + 1);
    values_.insert(values_.end(), values, values + width_);
    first_.push_back(record);
    weight_.push_back(1.0);
    hash_.push_back(hash);
    return true;
}

EmRecordWork::EmRecordWork(VRX_network& network, const std::vector<DataMatch>& matches) {
    const size_t size = static_cast<size_t>(std::max(network.GetLastNode() + 1, 0));
    outcomes_.assign(size, 0);
    observed_.assign(size, 0);
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h))
        outcomes_[h] = network.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        familyStart_.push_back(static_cast<int>(families_.size()));
        families_.push_back(h);
        const VRX_intArray& parents = network.GetParents(h);
        for (int k = 0; k < parents.GetCount(); ++k) families_.push_back(parents[k]);
    }
    familyStart_.push_back(static_cast<int>(families_.size()));
    for (const DataMatch& m : matches) matchNode_.push_back(m.slice == 0 ? m.node : -1);
}

int64_t EmRecordWork::Of(const int* values) {
    for (size_t k = 0; k < matchNode_.size(); ++k) {
        if (matchNode_[k] >= 0 && values[k] >= 0) observed_[matchNode_[k]] = 1;
    }
    const size_t nodes = familyStart_.size() - 1;
    int64_t members = 0;
    int64_t hidden = 0;
    bool whole = true;
    for (size_t i = 0; i < nodes; ++i) {
        int64_t cells = 1;
        bool observedWhole = true;
        for (int j = familyStart_[i]; j < familyStart_[i + 1]; ++j) {
            if (observed_[families_[j]]) continue;
            cells *= outcomes_[families_[j]];
            observedWhole = false;
        }
        members += familyStart_[i + 1] - familyStart_[i];
        if (!observedWhole) {
            whole = false;
            hidden += cells;
            if (cells > widestCells_) {
                widestCells_ = cells;
                widestNode_ = families_[familyStart_[i]];
            }
        }
    }
    for (int h : matchNode_) {
        if (h >= 0) observed_[h] = 0;
    }
    if (whole) return members * kStepsPerFamilyMember;
    return static_cast<int64_t>(nodes) * kCellsPerNodeUpdate + hidden + members * kStepsPerFamilyMember;
}

}  // namespace vovido
