// Belief updating of a dynamic network through an unrolled copy, and the copy of the results back.
#include <new>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/plate_rows.h"
#include "inference/unrolled_tree_probe.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "model/temporal_extension.h"

namespace {

// Copies the results of the unrolled network back into the owner's values. Every plate node's rows
// are made first: a refusal leaves the owner's values as they were.
int TakeResults(VRX_network& owner, VRX_network& unrolled, const std::vector<int>& map, int slices) {
    const vovido::PlateRows rows(unrolled, map, slices);
    std::vector<VRX_Dmatrix> tables;
    for (int h = owner.GetFirstNode(); h >= 0; h = owner.GetNextNode(h)) {
        if (owner.GetTemporalType(h) != TemporalType::kPlate) continue;
        tables.emplace_back();
        if (owner.GetNode(h)->GetValue() == nullptr) continue;
        const int index = static_cast<int>(tables.size()) - 1;
        if (const int rc = rows.Rows(*owner.GetNode(h), index, tables.back())) return rc;
    }
    int plateIndex = 0;
    for (int h = owner.GetFirstNode(); h >= 0; h = owner.GetNextNode(h)) {
        VRX_nodeValue* value = owner.GetNode(h)->GetValue();
        const bool plate = owner.GetTemporalType(h) == TemporalType::kPlate;
        const int index = plate ? plateIndex++ : -1;
        if (value == nullptr) continue;
        bool ready;
        if (plate) {
            const VRX_Dmatrix& table = tables[static_cast<size_t>(index)];
            ready = table.GetNumberOfElements() > 0 && value->SetValue(table) == kSuccess;
        } else {
            VRX_nodeValue* result = unrolled.GetNode(h)->GetValue();
            VRX_Dmatrix* matrix = nullptr;
            ready = result != nullptr && result->IsUpToDate() && result->GetValue(matrix) == kSuccess &&
                    matrix != nullptr && value->SetValue(*matrix) == kSuccess;
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
