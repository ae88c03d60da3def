// Belief updating of a dynamic network through an unrolled copy, and the copy of the results back.
#include <new>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/unrolled_tree_probe.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "model/temporal_extension.h"

namespace {

// Copies the results of the unrolled network back into the owner's values.
int TakeResults(VRX_network& owner, VRX_network& unrolled, const std::vector<int>& map, int slices) {
    const int plates = slices > 0 ? static_cast<int>(map.size()) / slices : 0;
    VRX_Dmatrix table;
    int plateIndex = 0;
    for (int h = owner.GetFirstNode(); h >= 0; h = owner.GetNextNode(h)) {
        VRX_nodeValue* value = owner.GetNode(h)->GetValue();
        if (value == nullptr) continue;
        if (owner.GetTemporalType(h) != TemporalType::kPlate) {
            VRX_nodeValue* result = unrolled.GetNode(h)->GetValue();
            VRX_Dmatrix* matrix = nullptr;
            const bool ready = result != nullptr && result->IsUpToDate() &&
                               result->GetValue(matrix) == kSuccess && matrix != nullptr &&
                               value->SetValue(*matrix) == kSuccess;
            value->SetValueFlag(ValueFlags::kUpToDate, ready);
            continue;
        }
        const int index = plateIndex++;
        const int k = owner.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
        bool ready = k > 0;
        table.CleanUp();
        if (ready) ready = table.AddDimension(slices) == kSuccess && table.AddDimension(k) == kSuccess;
        for (int t = 0; t < slices && ready; t++) {
            VRX_nodeValue* result =
                unrolled.GetNode(map[static_cast<size_t>(t) * plates + index])->GetValue();
            VRX_Dmatrix* beliefs = nullptr;
            ready = result != nullptr && result->IsUpToDate() && result->GetValue(beliefs) == kSuccess &&
                    beliefs != nullptr && beliefs->GetNumberOfElements() == k;
            for (int x = 0; ready && x < k; x++) table[t * k + x] = (*beliefs)[x];
        }
        if (ready) ready = value->SetValue(table) == kSuccess;
        value->SetValueFlag(ValueFlags::kUpToDate, ready);
    }
    return kSuccess;
}

}  // namespace

int VRX_temporalExtension::UpdateBeliefsDynamic() {
    try {
        VRX_network unrolled;
        std::vector<int> map;
        // What cannot be unrolled is refused as such before the probe of its join tree.
        if (const int rc = CheckUnrolledSize(sliceCount)) return rc;
        if (const int rc = vovido::ProbeUnrolledJoinTree(*network, *this)) return rc;
        if (const int rc = UnrollNetwork(unrolled, map)) return rc;
        if (const int rc = unrolled.UpdateBeliefs()) return rc;
        return TakeResults(*network, unrolled, map, sliceCount);
    } catch (const std::bad_alloc&) {
        return LogError(errorLog, kOutOfMemory, "Dynamic network update: out of memory", nullptr);
    }
}
