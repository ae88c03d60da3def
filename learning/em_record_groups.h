#pragma once
// The records of an EM run grouped by their matched values, so that each distinct record is counted
// once an E-step with the weight of the records that hold it; and the work of counting one record, by
// what it observes, which bounds a run before its iterations start.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "learning/data_set.h"

class VRX_network;

namespace vovido {

class EmRecordGroups {
public:
    // width: values per record, one a match (-1 for a missing value).
    explicit EmRecordGroups(size_t width) : width_(width) {}

    // Room for the groups of so many records, taken from memory only as groups come.
    void Reserve(size_t records);
    // Counts a record with these values into its group; true when they start a new group.
    bool Add(const int* values, int record);
    size_t size() const { return first_.size(); }
    bool empty() const { return first_.empty(); }
    int Value(size_t g, size_t k) const { return values_[g * width_ + k]; }
    const int* Values(size_t g) const { return values_.data() + g * width_; }
    int First(size_t g) const { return first_[g]; }  // the group's first record
    double Weight(size_t g) const { return weight_[g]; }

private:
    uint64_t Hash(const int* values) const;
    bool Equal(const int* a, const int* b) const;
    // The slot of the group of these values, or of the empty slot where it belongs.
    size_t Slot(const int* values, uint64_t hash) const;
    void Grow();

    size_t width_;
    std::vector<int> values_;  // width_ per group
    std::vector<int> first_;
    std::vector<double> weight_;
    std::vector<uint64_t> hash_;
    std::vector<uint64_t> slots_;  // open addressing (see Slot), a power of two long
};

// Steps of one record's counts on a static network, a lower bound of what the E-step does for it: a
// record observing every family whole is counted directly, kStepsPerFamilyMember a member of each
// family; any other goes through inference, kCellsPerNodeUpdate a node, and each family not observed
// whole is read from a table holding at least the cells of its unobserved members.
class EmRecordWork {
public:
    // Setting the evidence, reading it back and the count: some steps a member (some 2 us a record of a
    // 30-node chain, where a step of inference takes some 4 ns).
    static constexpr int64_t kStepsPerFamilyMember = 4;

    EmRecordWork(VRX_network& network, const std::vector<DataMatch>& matches);
    int64_t Of(const int* values);
    // Of the records so far, the node whose family has the largest unobserved part, and its cells (-1
    // and 0 while every family was observed whole).
    int WidestNode() const { return widestNode_; }
    int64_t WidestCells() const { return widestCells_; }

private:
    std::vector<int> outcomes_;     // per handle, 0 for a free slot
    std::vector<int> familyStart_;  // per live node, into families_: the node, then its parents
    std::vector<int> families_;
    std::vector<int> matchNode_;  // per match: the handle its value observes, -1 for a later slice
    std::vector<char> observed_;  // per handle, scratch
    int widestNode_ = -1;
    int64_t widestCells_ = 0;
};

}  // namespace vovido
