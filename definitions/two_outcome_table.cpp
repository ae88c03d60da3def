// Shared pieces of the two-outcome kinds computed from per-parent parameters.
#include "definitions/two_outcome_table.h"

#include "model/dmatrix.h"
#include "model/double_array.h"
#include "model/id_array.h"
#include "model/int_array.h"
#include "model/status_codes.h"

namespace TwoOutcomeTable {

int Reshape(VRX_Dmatrix& table, int parents) {
    if (parents < 0) return kOutOfRange;
    // 2^31 entries and more cannot be addressed with int indices.
    if (parents > 29) return kOutOfMemory;
    int sizes[31];
    for (int i = 0; i <= parents; ++i) sizes[i] = 2;
    return table.SetupFromList(sizes, parents + 1);
}

// A list with other items than n is refused even when its storage happens to hold n slots.
int SuppliedCount(const VRX_doubleArray& values, int n) {
    const int count = values.GetCount();
    return count == n || (count == 0 && values.GetSize() == n) ? n : kOutOfRange;
}

int SuppliedCount(const VRX_intArray& values, int n) {
    const int count = values.GetCount();
    return count == n || (count == 0 && values.GetSize() == n) ? n : kOutOfRange;
}

int ReadPermutation(const VRX_intArray& order, int m, VRX_intArray& out) {
    if (m < 0 || SuppliedCount(order, m) != m) return kOutOfRange;
    if (const int rc = out.FlushAndReserve(m)) return rc;
    for (int i = 0; i < m; ++i) out.Add(order[i]);
    return out.CheckPermutation(m);
}

void FillTrueFalse(VRX_idArray& ids) {
    ids.CleanUp(1);
    ids.Add("True");
    ids.Add("False");
    ids.CheckValidity(1);
    ids.CheckConsistency(1);
}

}  // namespace TwoOutcomeTable
