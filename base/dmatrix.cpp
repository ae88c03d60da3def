// Dense multi-dimensional table: index arithmetic, whole-table arithmetic and reshaping.
//
// Reshaping works on the view [outer, n, inner] of the flat data that a dimension d of size n gives:
// outer = product of the sizes before d, inner = stride of d. Every operation builds its result in a
// fresh matrix and swaps it in, so a failure leaves the matrix untouched; only an item added to or removed
// from the end of the outermost dimension changes the table in place, in the room its buffer keeps.
#include "base/dmatrix.h"

#include "base/size_limits.h"
#include "base/status_codes.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

// Odometer over a set of dimensions (last one fastest) that carries two linear offsets along, so that
// a walk over one table can address another table or a reordered source without per-cell arithmetic.
class OffsetWalk {
public:
    int Init(int n) {
        n_ = n;
        if (counters_.SetSize(n) != kSuccess || sizes_.SetSize(n) != kSuccess ||
            strideA_.SetSize(n) != kSuccess || strideB_.SetSize(n) != kSuccess) {
            return kOutOfMemory;
        }
        counters_.FillWith(0);
        return kSuccess;
    }
    void Set(int k, int size, int strideA, int strideB) {
        sizes_[k] = size;
        strideA_[k] = strideA;
        strideB_[k] = strideB;
    }
    // Advances to the next combination; false (offsets back at the start) past the last one.
    bool Next(int& offA, int& offB) {
        for (int q = n_ - 1; q >= 0; q--) {
            if (++counters_[q] < sizes_[q]) {
                offA += strideA_[q];
                offB += strideB_[q];
                return true;
            }
            counters_[q] = 0;
            offA -= (sizes_[q] - 1) * strideA_[q];
            offB -= (sizes_[q] - 1) * strideB_[q];
        }
        return false;
    }

private:
    int n_ = 0;
    VRX_intArray counters_;
    VRX_intArray sizes_;
    VRX_intArray strideA_;
    VRX_intArray strideB_;
};

// Copies index k of a dimension of size n out of src: outer runs of `inner` doubles, n * inner apart.
void CopySlice(const double* src, double* dst, int outer, int n, int inner, int k) {
    src += k * inner;
    if (inner == 1) {
        for (int o = 0; o < outer; o++) dst[o] = src[o * n];
        return;
    }
    for (int o = 0; o < outer; o++) std::memcpy(dst + o * inner, src + o * n * inner, sizeof(double) * inner);
}

}  // namespace

VRX_Dmatrix::VRX_Dmatrix(const VRX_intArray& sizes) {
    (void)Setup(sizes);  // on failure the matrix stays empty, as documented
}

VRX_Dmatrix::VRX_Dmatrix(const VRX_Dmatrix& other) {
    (void)Copy(other);  // on failure the copy stays empty, as documented
}

VRX_Dmatrix::VRX_Dmatrix(VRX_Dmatrix&& other) noexcept {
    Swap(other);
}

VRX_Dmatrix& VRX_Dmatrix::operator=(const VRX_Dmatrix& other) {
    MarkChanged_();
    if (this != &other && Copy(other) != kSuccess) CleanUp();
    return *this;
}

VRX_Dmatrix& VRX_Dmatrix::operator=(VRX_Dmatrix&& other) noexcept {
    MarkChanged_();
    if (this != &other) {
        CleanUp();
        Swap(other);
    }
    return *this;
}

int VRX_Dmatrix::Copy(const VRX_Dmatrix& other) {
    MarkChanged_();
    if (this == &other) return kSuccess;
    VRX_intArray dims;
    VRX_intArray str;
    if (dims.Copy(other.dimensions) != kSuccess || str.Copy(other.strides) != kSuccess) return kOutOfMemory;
    if (data.GetSize() != other.data.GetSize()) {
        VRX_doubleArray values;
        if (values.Copy(other.data) != kSuccess) return kOutOfMemory;
        data.Swap(values);
    } else {
        data.CopyElements(other.data);
        data.SetCount(other.data.GetCount());
    }
    dimensions.Swap(dims);
    strides.Swap(str);
    return kSuccess;
}

int VRX_Dmatrix::CleanUp() {
    MarkChanged_();
    dimensions.CleanUp();
    strides.CleanUp();
    data.CleanUp();
    return kSuccess;
}

void VRX_Dmatrix::Swap(VRX_Dmatrix& other) {
    MarkChanged_();
    other.MarkChanged_();
    dimensions.Swap(other.dimensions);
    strides.Swap(other.strides);
    data.Swap(other.data);
}

int VRX_Dmatrix::GetSizeOfDimension(int d) const {
    return ValidDimension_(d) ? dimensions[d] : kOutOfRange;
}

double& VRX_Dmatrix::CheckedSubscript(const VRX_intArray& coords) {
    MarkChanged_();
    const int nd = dimensions.GetSize();
    bool valid = nd > 0 && coords.GetSize() >= nd;
    for (int i = 0; valid && i < nd; i++) valid = coords[i] >= 0 && coords[i] < dimensions[i];
    if (valid) return data[CoordinatesToIndex(coords)];
    spare_ = 0.0;
    return spare_;
}

int VRX_Dmatrix::CoordinatesToIndex(const VRX_intArray& coords) const {
    const int nd = dimensions.GetSize();
    const int* c = coords.GetItems();
    const int* s = strides.GetItems();
    int index = 0;
    for (int i = 0; i < nd; i++) index += c[i] * s[i];
    return index;
}

int VRX_Dmatrix::CoordinatePointersToIndex(int* const* table) const {
    const int nd = dimensions.GetSize();
    const int* s = strides.GetItems();
    int index = 0;
    for (int i = 0; i < nd; i++) index += *table[i] * s[i];
    return index;
}

int VRX_Dmatrix::IndexToCoordinates(int i, VRX_intArray& coords) const {
    if (i < 0 || i >= data.GetSize()) return kOutOfRange;
    const int nd = dimensions.GetSize();
    int res = coords.FlushAndReserve(nd);
    if (res != kSuccess) return res;
    for (int k = 0; k < nd; k++) {
        coords[k] = i / strides[k];
        i -= coords[k] * strides[k];
    }
    return kSuccess;
}

int VRX_Dmatrix::NextCoordinates(VRX_intArray& coords) const {
    const int nd = dimensions.GetSize();
    if (nd == 0 || coords.GetSize() < nd) return kOutOfRange;
    int i = nd - 1;
    while (i >= 0 && coords[i] >= dimensions[i] - 1) i--;
    if (i < 0) return kOutOfRange;
    coords[i]++;
    for (int k = i + 1; k < nd; k++) coords[k] = 0;
    return kSuccess;
}

int VRX_Dmatrix::BuildShape_(const int* sizes, int n, VRX_Dmatrix& out) {
    out.MarkChanged_();
    if (n < 0 || (n > 0 && sizes == nullptr)) return kOutOfRange;
    for (int i = 0; i < n; i++) {
        if (sizes[i] < 1) return kOutOfRange;
    }
    if (n == 0) {
        out.CleanUp();
        return kSuccess;
    }
    VRX_intArray dims;
    VRX_intArray str;
    if (dims.SetSize(n) != kSuccess || str.SetSize(n) != kSuccess) return kOutOfMemory;
    long long total = 1;
    for (int i = n - 1; i >= 0; i--) {
        str[i] = static_cast<int>(total);
        dims[i] = sizes[i];
        total *= sizes[i];
        // Refused before anything is allocated; the product stays far below overflow, as every size is
        // at most INT_MAX and the running total at most the limit.
        if (total > kMaxTableCells) return kOutOfMemory;
    }
    dims.SetCount(n);
    str.SetCount(n);
    const int count = static_cast<int>(total);
    if (out.data.GetSize() != count) {
        VRX_doubleArray values;
        if (values.SetSize(count) != kSuccess) return kOutOfMemory;
        out.data.Swap(values);
    }
    out.data.SetCount(count);
    out.dimensions.Swap(dims);
    out.strides.Swap(str);
    return kSuccess;
}

int VRX_Dmatrix::BuildResized_(int d, int n, VRX_Dmatrix& out) const {
    VRX_intArray sizes;
    if (sizes.Copy(dimensions) != kSuccess) return kOutOfMemory;
    if (n == 0) {
        if (const int rc = sizes.Delete(d)) return rc;
    } else {
        sizes[d] = n;
    }
    return BuildShape_(sizes.GetItems(), sizes.GetCount(), out);
}

int VRX_Dmatrix::Setup(const VRX_intArray& sizes) {
    MarkChanged_();
    return SetupFromList(sizes.GetItems(), sizes.GetCount());
}

int VRX_Dmatrix::SetupFromList(const int* table, int n) {
    MarkChanged_();
    VRX_Dmatrix shape;
    // Lend the current buffer so that a set-up with the same element count reuses it.
    shape.data.Swap(data);
    int res = BuildShape_(table, n, shape);
    if (res != kSuccess) {
        data.Swap(shape.data);
        return res;
    }
    Swap(shape);
    return kSuccess;
}

int VRX_Dmatrix::FillWith(double v) {
    MarkChanged_();
    data.FillWith(v);
    zeros_ = v == 0.0 && !std::signbit(v);
    return kSuccess;
}

int VRX_Dmatrix::FillWithIndices() {
    MarkChanged_();
    const int total = data.GetSize();
    double* p = data.GetItems();
    for (int i = 0; i < total; i++) p[i] = static_cast<double>(i);
    return kSuccess;
}

int VRX_Dmatrix::MultiplyBy(double f) {
    MarkChanged_();
    const int total = data.GetSize();
    double* p = data.GetItems();
    for (int i = 0; i < total; i++) p[i] *= f;
    return kSuccess;
}

int VRX_Dmatrix::HasSameDimensions(const VRX_Dmatrix& other) const {
    const int nd = dimensions.GetSize();
    if (nd != other.dimensions.GetSize() || data.GetSize() != other.data.GetSize()) return 0;
    for (int i = 0; i < nd; i++) {
        if (dimensions[i] != other.dimensions[i]) return 0;
    }
    return 1;
}

int VRX_Dmatrix::SetToSum(const VRX_Dmatrix& a, const VRX_Dmatrix& b) {
    MarkChanged_();
    if (!HasSameDimensions(a) || !HasSameDimensions(b)) return kOutOfRange;
    const int total = data.GetSize();
    double* p = data.GetItems();
    const double* pa = a.data.GetItems();
    const double* pb = b.data.GetItems();
    for (int i = 0; i < total; i++) p[i] = pa[i] + pb[i];
    return kSuccess;
}

namespace {

// Scales a run to sum to 1 as Normalize does; true when it then sums to exactly 1.
bool NormalizeRun(double* run, int n, double keepWithin) {
    double s = 0.0;
    for (int j = 0; j < n; j++) s += run[j];
    if (s == 1.0) return true;
    if (std::fabs(s - 1.0) <= keepWithin) return false;
    if (s == 0.0) {
        const double uniform = 1.0 / n;
        for (int j = 0; j < n; j++) run[j] = uniform;
    } else {
        for (int j = 0; j < n; j++) run[j] /= s;
    }
    s = 0.0;
    for (int j = 0; j < n; j++) s += run[j];
    return s == 1.0;
}

}  // namespace

int VRX_Dmatrix::Normalize(double keepWithin) {
    // Runs that sum to exactly 1 are left as they are, so a table known to hold only such runs (but for
    // the zero runs of an item opened since) needs only the opened runs visited.
    const bool unit = unitRuns_;
    const int openedDim = openedDim_;
    const int openedItem = openedItem_;
    MarkChanged_();
    const int nd = dimensions.GetSize();
    if (nd == 0) return kSuccess;
    const int n = dimensions[nd - 1];
    double* p = data.GetItems();
    bool allUnit = true;
    if (unit && openedDim >= 0) {
        const int inner = strides[openedDim];
        const int outer = Outer_(openedDim);
        const int block = dimensions[openedDim] * inner;
        for (int o = 0; o < outer; o++) {
            double* item = p + o * block + openedItem * inner;
            for (int start = 0; start < inner; start += n)
                allUnit &= NormalizeRun(item + start, n, keepWithin);
        }
    } else if (!unit) {
        const int total = data.GetSize();
        for (int start = 0; start < total; start += n) allUnit &= NormalizeRun(p + start, n, keepWithin);
    }
    unitRuns_ = allUnit;
    return kSuccess;
}

int VRX_Dmatrix::CompleteDistribution(const VRX_intArray& coords) {
    MarkChanged_();
    const int nd = dimensions.GetSize();
    if (nd == 0 || coords.GetSize() < nd) return kOutOfRange;
    for (int i = 0; i < nd; i++) {
        if (coords[i] < 0 || coords[i] >= dimensions[i]) return kOutOfRange;
    }
    return CompleteDistributionAtIndex(CoordinatesToIndex(coords));
}

int VRX_Dmatrix::CompleteDistributionAtIndex(int i) {
    MarkChanged_();
    if (i < 0 || i >= data.GetSize()) return kOutOfRange;
    const int n = dimensions[dimensions.GetSize() - 1];
    const int start = i - i % n;
    const double* run = data.GetItems() + start;
    double s = 0.0;
    for (int j = 0; j < n; j++) {
        if (start + j != i) s += run[j];
    }
    data[i] = 1.0 - s;
    return kSuccess;
}

int VRX_Dmatrix::SubTableEquals(double v, const VRX_intArray& coords) const {
    const int nd = dimensions.GetSize();
    if (coords.GetSize() < nd) return kOutOfRange;
    if (nd == 0) return 1;
    int base = 0;
    int nFree = 0;
    int lastFree = -1;
    for (int i = 0; i < nd; i++) {
        if (coords[i] >= dimensions[i]) return kOutOfRange;
        if (coords[i] >= 0) {
            base += coords[i] * strides[i];
        } else {
            nFree++;
            lastFree = i;
        }
    }
    const double* p = data.GetItems();
    if (nFree == 0) return p[base] == v ? 1 : 0;
    OffsetWalk walk;
    if (walk.Init(nFree - 1) != kSuccess) return kOutOfMemory;
    for (int i = 0, k = 0; i < lastFree; i++) {
        if (coords[i] < 0) walk.Set(k++, dimensions[i], strides[i], 0);
    }
    const int n = dimensions[lastFree];
    const int step = strides[lastFree];
    int off = base;
    int unused = 0;
    do {
        const double* row = p + off;
        for (int j = 0; j < n; j++) {
            if (row[j * step] != v) return 0;
        }
    } while (walk.Next(off, unused));
    return 1;
}

int VRX_Dmatrix::SubTableEqualsAt(double v, int d1, int k1, int d2, int k2) const {
    if (!ValidDimension_(d1) || !ValidDimension_(d2)) return kOutOfRange;
    VRX_intArray coords;
    if (coords.SetSize(dimensions.GetSize()) != kSuccess) return kOutOfMemory;
    coords.FillWith(-1);
    coords[d1] = k1;
    coords[d2] = k2;
    return SubTableEquals(v, coords);
}

int VRX_Dmatrix::AddItem(int d) {
    const bool unit = unitRuns_ && openedDim_ < 0 && d < dimensions.GetSize() - 1;
    const bool zeros = zeros_;
    MarkChanged_();
    if (!ValidDimension_(d)) return kOutOfRange;
    const int n = dimensions[d];
    if (n == INT_MAX) return kOutOfMemory;
    const int rc = Outer_(d) == 1 ? ResizeOutermost_(d, n + 1) : AddItemBlocks_(d);
    if (rc == kSuccess && unit) NoteOpenedItem_(d, n);
    zeros_ = rc == kSuccess && zeros;
    return rc;
}

int VRX_Dmatrix::AddItemBlocks_(int d) {
    const int n = dimensions[d];
    VRX_Dmatrix result;
    int res = BuildResized_(d, n + 1, result);
    if (res != kSuccess) return res;
    const int outer = Outer_(d);
    const int inner = strides[d];
    const double* src = data.GetItems();
    double* dst = result.data.GetItems();
    for (int o = 0; o < outer; o++) {
        std::memcpy(dst, src, sizeof(double) * n * inner);
        dst += n * inner;
        src += n * inner;
        for (int j = 0; j < inner; j++) dst[j] = 0.0;
        dst += inner;
    }
    Swap(result);
    return kSuccess;
}

int VRX_Dmatrix::ResizeOutermost_(int d, int n) {
    // The sizes before d are 1, so the items of d are consecutive blocks of strides[d] entries.
    const int inner = strides[d];
    const int old = data.GetSize();
    if (static_cast<int64_t>(n) * inner > kMaxTableCells) return kOutOfMemory;
    const int total = n * inner;
    if (const int rc = data.Resize(total, static_cast<int>(kMaxTableCells)))
        return rc == kOutOfRange ? kOutOfMemory : rc;
    data.SetCount(total);
    for (int i = old; i < total; i++) data[i] = 0.0;
    dimensions[d] = n;
    for (int i = 0; i < d; i++) strides[i] = total;
    return kSuccess;
}

int VRX_Dmatrix::RemoveLastItem(int d) {
    const bool zeros = zeros_;
    MarkChanged_();
    if (!ValidDimension_(d) || dimensions[d] == 1) return kOutOfRange;
    const int n = dimensions[d];
    if (Outer_(d) == 1) {
        const int rc = ResizeOutermost_(d, n - 1);
        zeros_ = rc == kSuccess && zeros;
        return rc;
    }
    VRX_Dmatrix result;
    int res = BuildResized_(d, n - 1, result);
    if (res != kSuccess) return res;
    const int outer = Outer_(d);
    const int inner = strides[d];
    const double* src = data.GetItems();
    double* dst = result.data.GetItems();
    for (int o = 0; o < outer; o++) {
        std::memcpy(dst + o * (n - 1) * inner, src + o * n * inner, sizeof(double) * (n - 1) * inner);
    }
    Swap(result);
    return kSuccess;
}

int VRX_Dmatrix::ShiftItemsUp(int d, int k, double v) {
    // Opening the zero item that was added last at k keeps every other run as it was.
    const bool unit = unitRuns_ && openedDim_ == d && openedItem_ == dimensions[d] - 1 && v == 0.0;
    MarkChanged_();
    if (!ValidDimension_(d) || k < 0 || k >= dimensions[d]) return kOutOfRange;
    if (unit) NoteOpenedItem_(d, k);
    const int n = dimensions[d];
    const int outer = Outer_(d);
    const int inner = strides[d];
    for (int o = 0; o < outer; o++) {
        double* block = data.GetItems() + o * n * inner;
        std::memmove(block + (k + 1) * inner, block + k * inner, sizeof(double) * (n - 1 - k) * inner);
        for (int j = 0; j < inner; j++) block[k * inner + j] = v;
    }
    return kSuccess;
}

int VRX_Dmatrix::ShiftItemsDown(int d, int k) {
    MarkChanged_();
    if (!ValidDimension_(d) || k < 0 || k >= dimensions[d]) return kOutOfRange;
    const int n = dimensions[d];
    const int outer = Outer_(d);
    const int inner = strides[d];
    for (int o = 0; o < outer; o++) {
        double* block = data.GetItems() + o * n * inner;
        std::memmove(block + k * inner, block + (k + 1) * inner, sizeof(double) * (n - 1 - k) * inner);
        for (int j = 0; j < inner; j++) block[(n - 1) * inner + j] = 0.0;
    }
    return kSuccess;
}

int VRX_Dmatrix::InsertDimension(int p, int n) {
    MarkChanged_();
    return InsertDimensions(p, &n, 1);
}

int VRX_Dmatrix::InsertDimensions(int p, const int* sizes, int k) {
    MarkChanged_();
    const int nd = dimensions.GetSize();
    if (p < 0 || p > nd || k < 1 || sizes == nullptr) return kOutOfRange;
    VRX_intArray shape;
    if (shape.Copy(dimensions) != kSuccess) return kOutOfMemory;
    long long repeats = 1;
    for (int i = 0; i < k; i++) {
        if (sizes[i] < 1) return kOutOfRange;
        if (shape.Insert(p + i, sizes[i]) != kSuccess) return kOutOfMemory;
        repeats = repeats * sizes[i] > kMaxTableCells ? kMaxTableCells + 1 : repeats * sizes[i];
    }
    VRX_Dmatrix result;
    int res = BuildShape_(shape.GetItems(), shape.GetCount(), result);
    if (res != kSuccess) return res;
    double* dst = result.data.GetItems();
    if (nd == 0) {
        result.FillWith(0.0);
    } else {
        // Every block below p is repeated once per cell of the new dimensions together: copied once, then
        // the run filled so far is copied after itself, so that a long run takes few copies.
        const size_t outer = static_cast<size_t>(Outer_(p));
        const size_t inner = static_cast<size_t>(data.GetSize()) / outer;
        const size_t run = inner * static_cast<size_t>(repeats);
        const double* src = data.GetItems();
        for (size_t o = 0; o < outer; o++) {
            std::memcpy(dst, src + o * inner, sizeof(double) * inner);
            for (size_t filled = inner; filled < run;) {
                const size_t part = std::min(filled, run - filled);
                std::memcpy(dst + filled, dst, sizeof(double) * part);
                filled += part;
            }
            dst += run;
        }
    }
    Swap(result);
    return kSuccess;
}

int VRX_Dmatrix::AddDimension(int n) {
    MarkChanged_();
    return InsertDimension(dimensions.GetSize(), n);
}

int VRX_Dmatrix::SetSizeOfDimension(int d, int n) {
    MarkChanged_();
    if (!ValidDimension_(d) || n < 1) return kOutOfRange;
    if (dimensions[d] == n) return kSuccess;
    VRX_Dmatrix result;
    int res = BuildResized_(d, n, result);
    if (res != kSuccess) return res;
    Swap(result);
    return kSuccess;
}

int VRX_Dmatrix::ExtractSliceData(int d, int k, VRX_intArray& sizes, VRX_doubleArray& values) const {
    if (!ValidDimension_(d) || k < 0 || k >= dimensions[d]) return kOutOfRange;
    const int nd = dimensions.GetSize();
    if (nd == 1) {
        if (const int rc = sizes.SetSize(0)) return rc;
        values.CleanUp();
        return kSuccess;
    }
    VRX_intArray newSizes;
    if (newSizes.Copy(dimensions) != kSuccess) return kOutOfMemory;
    if (const int rc = newSizes.Delete(d)) return rc;
    const int n = dimensions[d];
    const int outer = Outer_(d);
    const int inner = strides[d];
    VRX_doubleArray slice;
    if (slice.SetSize(outer * inner) != kSuccess) return kOutOfMemory;
    slice.SetCount(outer * inner);
    CopySlice(data.GetItems(), slice.GetItems(), outer, n, inner, k);
    sizes.Swap(newSizes);
    values.Swap(slice);
    return kSuccess;
}

int VRX_Dmatrix::SliceInto_(int d, int k, VRX_Dmatrix& out) const {
    if (!ValidDimension_(d) || k < 0 || k >= dimensions[d]) return kOutOfRange;
    // No zero-dimensional tables: removing the only dimension leaves nothing.
    if (dimensions.GetSize() == 1) {
        out.CleanUp();
        return kSuccess;
    }
    VRX_Dmatrix result;
    int res = BuildResized_(d, 0, result);
    if (res != kSuccess) return res;
    const int n = dimensions[d];
    const int outer = Outer_(d);
    const int inner = strides[d];
    CopySlice(data.GetItems(), result.data.GetItems(), outer, n, inner, k);
    out.Swap(result);
    return kSuccess;
}

int VRX_Dmatrix::ExtractSlice(int d, int k, VRX_Dmatrix& out) const {
    return SliceInto_(d, k, out);
}

int VRX_Dmatrix::ReduceToSlice(int d, int k) {
    MarkChanged_();
    return SliceInto_(d, k, *this);
}

int VRX_Dmatrix::RemoveDimension(int d) {
    MarkChanged_();
    return ReduceToSlice(d, 0);
}

int VRX_Dmatrix::ExtractSubMatrix(const VRX_intArray& coords, VRX_Dmatrix& out) const {
    const int nd = dimensions.GetSize();
    if (coords.GetSize() < nd) return kOutOfRange;
    int lastFixed = -1;
    for (int i = 0; i < nd; i++) {
        if (coords[i] >= dimensions[i]) return kOutOfRange;
        if (coords[i] >= 0) lastFixed = i;
    }
    if (lastFixed < 0) return out.Copy(*this);
    VRX_Dmatrix result;
    int res = SliceInto_(lastFixed, coords[lastFixed], result);
    // Earlier dimensions keep their numbers while later ones are removed.
    for (int i = lastFixed - 1; res == kSuccess && i >= 0; i--) {
        if (coords[i] >= 0) res = result.SliceInto_(i, coords[i], result);
    }
    if (res != kSuccess) return res;
    out.Swap(result);
    return kSuccess;
}

int VRX_Dmatrix::WeightedSumInto_(int d, const VRX_doubleArray& weights, VRX_Dmatrix& out) const {
    if (!ValidDimension_(d)) return kOutOfRange;
    const int n = dimensions[d];
    if (weights.GetSize() < n) return kOutOfRange;
    if (dimensions.GetSize() == 1) {
        out.CleanUp();
        return kSuccess;
    }
    VRX_Dmatrix result;
    int res = BuildResized_(d, 0, result);
    if (res != kSuccess) return res;
    const int outer = Outer_(d);
    const int inner = strides[d];
    const double* w = weights.GetItems();
    const double* src = data.GetItems();
    double* dst = result.data.GetItems();
    if (inner == 1) {
        for (int o = 0; o < outer; o++) {
            const double* run = src + o * n;
            double s = w[0] * run[0];
            for (int k = 1; k < n; k++) s += w[k] * run[k];
            dst[o] = s;
        }
    } else {
        for (int o = 0; o < outer; o++) {
            const double* block = src + o * n * inner;
            double* row = dst + o * inner;
            const double w0 = w[0];
            for (int j = 0; j < inner; j++) row[j] = w0 * block[j];
            for (int k = 1; k < n; k++) {
                const double wk = w[k];
                const double* item = block + k * inner;
                for (int j = 0; j < inner; j++) row[j] += wk * item[j];
            }
        }
    }
    out.Swap(result);
    return kSuccess;
}

int VRX_Dmatrix::WeightedSumOverDimension(int d, const VRX_doubleArray& weights) {
    MarkChanged_();
    return WeightedSumInto_(d, weights, *this);
}

int VRX_Dmatrix::WeightedSumOverDimensionInto(int d, const VRX_doubleArray& weights, VRX_Dmatrix& out) const {
    return WeightedSumInto_(d, weights, out);
}

int VRX_Dmatrix::MultiplyAndSumOutDimension(int d, const VRX_Dmatrix& other, const VRX_intArray& map) {
    MarkChanged_();
    const int nd = dimensions.GetSize();
    const int nOther = other.dimensions.GetSize();
    if (!ValidDimension_(d) || map.GetCount() != nOther) return kOutOfRange;
    bool found = false;
    for (int k = 0; k < nOther; k++) {
        const int j = map[k];
        if (j < 0 || j >= nd || dimensions[j] != other.dimensions[k]) return kOutOfRange;
        found = found || j == d;
    }
    if (!found) return kOutOfRange;
    // Stride in other of each dimension of this one (0 where other lacks it; summed where several
    // dimensions of other map to the same one).
    VRX_intArray otherStrides;
    if (otherStrides.SetSize(nd) != kSuccess) return kOutOfMemory;
    otherStrides.FillWith(0);
    for (int k = 0; k < nOther; k++) otherStrides[map[k]] += other.strides[k];
    if (nd == 1) {
        CleanUp();
        return kSuccess;
    }
    VRX_Dmatrix result;
    int res = BuildResized_(d, 0, result);
    if (res != kSuccess) return res;
    // The last remaining dimension is walked in a tight loop, the others by the odometer.
    const int last = d == nd - 1 ? nd - 2 : nd - 1;
    OffsetWalk walk;
    if (walk.Init(nd - 2) != kSuccess) return kOutOfMemory;
    for (int i = 0, k = 0; i < last; i++) {
        if (i != d) walk.Set(k++, dimensions[i], strides[i], otherStrides[i]);
    }
    const int n = dimensions[d];
    const int sd = strides[d];
    const int od = otherStrides[d];
    const int nLast = dimensions[last];
    const int sLast = strides[last];
    const int oLast = otherStrides[last];
    const double* a = data.GetItems();
    const double* b = other.data.GetItems();
    double* out = result.data.GetItems();
    int offA = 0;
    int offB = 0;
    do {
        const double* pa = a + offA;
        const double* pb = b + offB;
        if (sd == 1) {
            for (int j = 0; j < nLast; j++) {
                const double* ra = pa + j * sLast;
                const double* rb = pb + j * oLast;
                double r = ra[0] * rb[0];
                for (int i = 1; i < n; i++) r += ra[i] * rb[i * od];
                out[j] = r;
            }
        } else {
            // d is not last: the remaining last dimension is contiguous in this table and the output.
            for (int j = 0; j < nLast; j++) out[j] = pa[j] * pb[j * oLast];
            for (int i = 1; i < n; i++) {
                const double* ra = pa + i * sd;
                const double* rb = pb + i * od;
                for (int j = 0; j < nLast; j++) out[j] += ra[j] * rb[j * oLast];
            }
        }
        out += nLast;
    } while (walk.Next(offA, offB));
    Swap(result);
    return kSuccess;
}

int VRX_Dmatrix::ReorderDimensions(const VRX_intArray& order) {
    MarkChanged_();
    const int nd = dimensions.GetSize();
    if (order.GetCount() != nd) return kOutOfRange;
    int res = order.CheckPermutation(nd);
    if (res != kSuccess) return res;
    bool identity = true;
    for (int i = 0; i < nd; i++) identity = identity && order[i] == i;
    if (identity) return kSuccess;
    VRX_intArray sizes;
    if (sizes.SetSize(nd) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < nd; i++) sizes[i] = dimensions[order[i]];
    VRX_Dmatrix result;
    res = BuildShape_(sizes.GetItems(), nd, result);
    if (res != kSuccess) return res;
    // Walk the new table in order; each new dimension steps through the source by its old stride.
    OffsetWalk walk;
    if (walk.Init(nd - 1) != kSuccess) return kOutOfMemory;
    for (int i = 0; i < nd - 1; i++) walk.Set(i, sizes[i], strides[order[i]], 0);
    const int nLast = sizes[nd - 1];
    const int sLast = strides[order[nd - 1]];
    const double* src = data.GetItems();
    double* dst = result.data.GetItems();
    int off = 0;
    int unused = 0;
    do {
        const double* row = src + off;
        for (int j = 0; j < nLast; j++) dst[j] = row[j * sLast];
        dst += nLast;
    } while (walk.Next(off, unused));
    Swap(result);
    return kSuccess;
}

int VRX_Dmatrix::ReorderItems(int d, const VRX_intArray& order) {
    MarkChanged_();
    if (!ValidDimension_(d)) return kOutOfRange;
    const int n = dimensions[d];
    if (order.GetCount() != n) return kOutOfRange;
    int res = order.CheckPermutation(n);
    if (res != kSuccess) return res;
    VRX_doubleArray values;
    if (values.SetSize(data.GetSize()) != kSuccess) return kOutOfMemory;
    values.SetCount(data.GetCount());
    const int outer = Outer_(d);
    const int inner = strides[d];
    const int* idx = order.GetItems();
    const double* src = data.GetItems();
    double* dst = values.GetItems();
    for (int o = 0; o < outer; o++) {
        const double* block = src + o * n * inner;
        if (inner == 1) {
            for (int k = 0; k < n; k++) dst[k] = block[idx[k]];
        } else {
            for (int k = 0; k < n; k++)
                std::memcpy(dst + k * inner, block + idx[k] * inner, sizeof(double) * inner);
        }
        dst += n * inner;
    }
    data.Swap(values);
    return kSuccess;
}
