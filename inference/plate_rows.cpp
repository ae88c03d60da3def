// The values of a plate node's copies taken back as rows, earlier plate decisions at their best choices.
#include "inference/plate_rows.h"

#include <string>

#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_value.h"

namespace vovido {

namespace {

// The value of a copy; null while it is not up to date.
const VRX_Dmatrix* UpToDateValue(VRX_network& unrolled, int copy) {
    VRX_nodeValue* result = unrolled.GetNode(copy)->GetValue();
    VRX_Dmatrix* matrix = nullptr;
    if (result == nullptr || !result->IsUpToDate() || result->GetValue(matrix) != kSuccess) return nullptr;
    return matrix;
}

}  // namespace

PlateRows::PlateRows(VRX_network& unrolled, const std::vector<int>& map, int slices)
    : unrolled_(unrolled),
      map_(map),
      slices_(slices),
      plates_(slices > 0 ? static_cast<int>(map.size()) / slices : 0),
      sliceOf_(static_cast<size_t>(unrolled.GetLastNode() + 1), -1),
      choice_(sliceOf_.size(), -1) {
    for (int t = 0; t < slices_; t++) {
        for (int i = 0; i < plates_; i++) sliceOf_[static_cast<size_t>(Copy(i, t))] = t;
    }
    ChooseDecisions();
}

bool PlateRows::Resolve(int copy, VRX_Dmatrix& out) const {
    const VRX_Dmatrix* value = UpToDateValue(unrolled_, copy);
    if (value == nullptr || out.Copy(*value) != kSuccess) return false;
    const VRX_intArray& parents = unrolled_.GetNode(copy)->GetValue()->GetIndexingParents();
    if (parents.GetCount() + 1 != out.GetNumberOfDimensions()) return true;
    const int t = sliceOf_[static_cast<size_t>(copy)];
    for (int k = parents.GetCount() - 1; k >= 0; k--) {
        const auto p = static_cast<size_t>(parents[k]);
        if (p < sliceOf_.size() && sliceOf_[p] >= 0 && sliceOf_[p] < t && choice_[p] >= 0 &&
            out.ReduceToSlice(k, choice_[p]) != kSuccess)
            return false;
    }
    return true;
}

void PlateRows::ChooseDecisions() {
    VRX_Dmatrix utilities;
    for (int t = 0; t < slices_; t++) {
        for (int i = 0; i < plates_; i++) {
            const int copy = Copy(i, t);
            if (unrolled_.GetNodeType(copy) != DefinitionType::kList) continue;
            const int chosen = unrolled_.GetNode(copy)->GetValue()->GetEvidence();
            if (chosen >= 0) {
                choice_[static_cast<size_t>(copy)] = chosen;
                continue;
            }
            // Only a copy whose best choice depends on nothing else has one.
            if (!Resolve(copy, utilities) || utilities.GetNumberOfDimensions() != 1) continue;
            int best = 0;
            for (int x = 1; x < utilities.GetNumberOfElements(); x++) {
                if (utilities[x] > utilities[best]) best = x;
            }
            choice_[static_cast<size_t>(copy)] = best;
        }
    }
}

int PlateRows::Rows(const VRX_node& node, int index, VRX_Dmatrix& table) const {
    table.CleanUp();
    if (slices_ <= 0) return kSuccess;
    std::vector<VRX_Dmatrix> values(static_cast<size_t>(slices_));
    for (int t = 0; t < slices_; t++) {
        VRX_Dmatrix& value = values[static_cast<size_t>(t)];
        if (!Resolve(Copy(index, t), value) || value.GetNumberOfElements() <= 0) return kSuccess;
        const int width = values[0].GetNumberOfElements();
        if (value.GetNumberOfElements() != width) {
            return ReportNodeFault(node,
                                   "its value in slice " + std::to_string(t) + " has " +
                                       std::to_string(value.GetNumberOfElements()) +
                                       " entries and in slice 0 " + std::to_string(width) +
                                       ": its copies depend on different observations or choices, so they "
                                       "make no row a slice",
                                   kOutOfRange);
        }
    }
    // Each row keeps the shape of slice 0's value, so that its last dimension is still a distribution's,
    // a decision's choices or a utility.
    const int width = values[0].GetNumberOfElements();
    bool made = table.AddDimension(slices_) == kSuccess;
    for (int d = 0; made && d < values[0].GetNumberOfDimensions(); d++)
        made = table.AddDimension(values[0].GetSizeOfDimension(d)) == kSuccess;
    if (!made) {
        table.CleanUp();
        return kSuccess;
    }
    for (int t = 0; t < slices_; t++) {
        for (int x = 0; x < width; x++) table[t * width + x] = values[static_cast<size_t>(t)][x];
    }
    return kSuccess;
}

}  // namespace vovido
