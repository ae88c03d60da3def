// Belief updating of a dynamic network through an unrolled copy, and the copy of the results back.
#include <new>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/unrolled_tree_probe.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_value.h"
#include "model/temporal_extension.h"

namespace {

// The value of a slice copy; null while it is not up to date.
const VRX_Dmatrix* SliceValue(VRX_network& unrolled, int copy) {
    VRX_nodeValue* result = unrolled.GetNode(copy)->GetValue();
    VRX_Dmatrix* matrix = nullptr;
    if (result == nullptr || !result->IsUpToDate() || result->GetValue(matrix) != kSuccess) return nullptr;
    return matrix;
}

// The copies of one plate node: their values become the rows of its own, one a slice.
struct PlateRows {
    VRX_network& unrolled;
    const std::vector<int>& map;
    int slices;
    int plates;

    int Copy(int index, int t) const { return map[static_cast<size_t>(t) * plates + index]; }

    // The row width, 0 while some slice has no value. A value indexed by decisions differs between
    // slices when their copies observe different decisions: it cannot be rows of one table.
    int Width(const VRX_node& node, int index, int& width) const {
        width = 0;
        for (int t = 0; t < slices; t++) {
            const VRX_Dmatrix* value = SliceValue(unrolled, Copy(index, t));
            if (value == nullptr || value->GetNumberOfElements() <= 0) {
                width = 0;
                return kSuccess;
            }
            if (t > 0 && value->GetNumberOfElements() != width) {
                return vovido::ReportNodeFault(
                    node,
                    "its value in slice " + std::to_string(t) + " has " +
                        std::to_string(value->GetNumberOfElements()) + " entries and in slice 0 " +
                        std::to_string(width) +
                        ": the decisions indexing its copies differ, so they make no row a slice",
                    kOutOfRange);
            }
            width = value->GetNumberOfElements();
        }
        return kSuccess;
    }

    bool Fill(int index, int width, VRX_Dmatrix& table) const {
        table.CleanUp();
        if (table.AddDimension(slices) != kSuccess || table.AddDimension(width) != kSuccess) return false;
        for (int t = 0; t < slices; t++) {
            const VRX_Dmatrix& value = *SliceValue(unrolled, Copy(index, t));
            for (int x = 0; x < width; x++) table[t * width + x] = value[x];
        }
        return true;
    }
};

// Copies the results of the unrolled network back into the owner's values. Every plate node's rows
// are checked first: a refusal leaves the owner's values as they were.
int TakeResults(VRX_network& owner, VRX_network& unrolled, const std::vector<int>& map, int slices) {
    const PlateRows rows{unrolled, map, slices, slices > 0 ? static_cast<int>(map.size()) / slices : 0};
    std::vector<int> widths;
    for (int h = owner.GetFirstNode(); h >= 0; h = owner.GetNextNode(h)) {
        if (owner.GetTemporalType(h) != TemporalType::kPlate) continue;
        widths.push_back(0);
        if (owner.GetNode(h)->GetValue() == nullptr) continue;
        const int index = static_cast<int>(widths.size()) - 1;
        if (const int rc = rows.Width(*owner.GetNode(h), index, widths.back())) return rc;
    }
    VRX_Dmatrix table;
    int plateIndex = 0;
    for (int h = owner.GetFirstNode(); h >= 0; h = owner.GetNextNode(h)) {
        VRX_nodeValue* value = owner.GetNode(h)->GetValue();
        const bool plate = owner.GetTemporalType(h) == TemporalType::kPlate;
        const int index = plate ? plateIndex++ : -1;
        if (value == nullptr) continue;
        bool ready;
        if (plate) {
            const int width = widths[static_cast<size_t>(index)];
            ready = width > 0 && rows.Fill(index, width, table) && value->SetValue(table) == kSuccess;
        } else {
            const VRX_Dmatrix* matrix = SliceValue(unrolled, h);
            ready = matrix != nullptr && value->SetValue(*matrix) == kSuccess;
        }
        value->SetValueFlag(ValueFlags::kUpToDate, ready);
    }
    return kSuccess;
}

}  // namespace

int VRX_temporalExtension::UpdateBeliefsDynamic() {
    try {
        VRX_network unrolled;
        std::vector<int> map;
        if (const int rc = vovido::CheckUnrolledUpdate(*network, *this)) return rc;
        if (const int rc = UnrollNetwork(unrolled, map)) return rc;
        if (const int rc = unrolled.UpdateBeliefs()) return rc;
        return TakeResults(*network, unrolled, map, sliceCount);
    } catch (const std::bad_alloc&) {
        return LogError(errorLog, kOutOfMemory, "Dynamic network update: out of memory", nullptr);
    }
}
