#pragma once
// The values of a plate node's copies in an unrolled network, as the rows of one table, one a slice.

#include <cstddef>
#include <vector>

#include "base/dmatrix.h"

class VRX_network;
class VRX_node;

namespace vovido {

// A copy's value is indexed by the decisions and observations it depends on. The copies of plate
// decisions of earlier slices are taken at their best choices (the first of equal ones), slice after
// slice, so that each slice's row is its copy's value on the path the best policy takes; what else
// indexes a copy (a decision outside the plate, one of the same slice) indexes every slice alike.
class PlateRows {
public:
    // `map`: the unrolling's node map of `slices` slices.
    PlateRows(VRX_network& unrolled, const std::vector<int>& map, int slices);

    // The rows of the plate node at `index` among the plate nodes, `node` in the owner network: 0 with
    // the slices, then the dimensions of slice 0's value, in `table`, or with `table` empty while some
    // copy has no value; kOutOfRange, logged naming the node, when the rows would differ in length.
    [[nodiscard]] int Rows(const VRX_node& node, int index, VRX_Dmatrix& table) const;

private:
    int Copy(int index, int t) const { return map_[static_cast<std::size_t>(t) * plates_ + index]; }
    // The copy's value with the earlier slices' chosen decisions fixed; false without a value.
    bool Resolve(int copy, VRX_Dmatrix& out) const;
    void ChooseDecisions();

    VRX_network& unrolled_;
    const std::vector<int>& map_;
    int slices_;
    int plates_;
    std::vector<int> sliceOf_;  // by unrolled handle: the slice of a plate node's copy, else -1
    std::vector<int> choice_;   // by unrolled handle: the choice a plate decision's copy takes, else -1
};

}  // namespace vovido
