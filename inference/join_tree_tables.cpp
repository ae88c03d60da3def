// Potential tables and stride programs: the table arithmetic of the join tree.
#include "inference/join_tree_tables.h"

#include "base/status_codes.h"

#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>

using vovido::StrideEntry;

namespace {

constexpr uint32_t kAllBits = 0xFFFFFFFFu;

// Runs of entry 0 gathered into one block: at most this many.
constexpr int kMaxBlockRuns = 1024;
// Runs of entry 0 shorter than this are walked position by position.
constexpr int64_t kShortRun = 4;

// A program whose leading entries scatter over a wide table (the tables' variables in opposite orders)
// uses one entry of each of its cache lines per pass, and the lines leave the caches before the rest are
// read. Such a walk goes by tiles instead: a few leading dimensions of the larger table by the dimensions
// the other table varies fastest, so that both tables' lines are used whole while held. Every position is
// still visited once, and the positions adding into one entry of the other table in index order, so the
// sums are the same.

// Entries of the other table (some 256 KiB) past which a scattered walk leaves the caches.
constexpr int64_t kWideSpan = int64_t{1} << 15;
// Positions of the larger table that one scattered access should serve: a cache line's worth and more.
constexpr int64_t kDenseRun = 16;
// Rows (cache lines of the other table read whole) and positions of a tile: some 32 KiB of each table.
constexpr int64_t kTileRows = 64;
constexpr int64_t kTileEntries = 4096;

// The walk as dimensions of the larger table, the first fastest: extent, stride in the larger table and
// stride in the other. Entries that do not move are dropped.
struct WalkDimensions {
    int count = 0;
    int64_t extent[kMaxProgramEntries];
    int64_t aStride[kMaxProgramEntries];
    std::ptrdiff_t bStride[kMaxProgramEntries];
};

// The program's dimensions when every counter starts full and n covers whole turns of all entries but the
// last; false otherwise.
bool ReadDimensions(const StrideProgram& program, int n, WalkDimensions& dims) {
    const int m = program.count;
    int64_t size = 1;
    // Where the entries so far leave the other table's position at the end of their turn: a step of the
    // next entry is its own stride less this.
    std::ptrdiff_t back = 0;
    for (int j = 0; j < m; j++) {
        const StrideEntry& entry = program.entries[j];
        if (entry.counter != entry.reload) return false;
        int64_t extent = static_cast<int64_t>(entry.reload) + 1;
        if (j == m - 1) {
            if (n % size != 0 || n / size > extent) return false;
            extent = n / size;
        } else if (size * extent > n) {
            return false;
        }
        const std::ptrdiff_t stride = entry.step + back;
        back += (extent - 1) * stride;
        if (extent == 1) continue;
        dims.extent[dims.count] = extent;
        dims.aStride[dims.count] = size;
        dims.bStride[dims.count] = stride;
        dims.count++;
        size *= extent;
    }
    return size == n;
}

// Offsets in both tables of every combination of the listed dimensions, the first listed fastest.
int ListOffsets(const WalkDimensions& dims, const int* list, int count, std::ptrdiff_t* aOffsets,
                std::ptrdiff_t* bOffsets) {
    int total = 1;
    aOffsets[0] = 0;
    bOffsets[0] = 0;
    for (int q = 0; q < count; q++) {
        const int d = list[q];
        for (int64_t c = 1; c < dims.extent[d]; c++) {
            for (int t = 0; t < total; t++) {
                aOffsets[c * total + t] = aOffsets[t] + c * dims.aStride[d];
                bOffsets[c * total + t] = bOffsets[t] + c * dims.bStride[d];
            }
        }
        total *= static_cast<int>(dims.extent[d]);
    }
    return total;
}

// The tiled walk where the program calls for one; false (nothing walked) where the plain walk serves.
// Kept out of line, so that the plain walk's loops compile as they would alone.
template <class Kernel>
__attribute__((noinline)) bool WalkTiled(const StrideProgram& program, int n, Kernel& kernel) {
    WalkDimensions dims;
    if (!ReadDimensions(program, n, dims) || dims.count < 2) return false;
    int64_t span = 0;
    for (int d = 0; d < dims.count && span < kWideSpan; d++)
        span += (dims.extent[d] - 1) * std::abs(dims.bStride[d]);
    if (span < kWideSpan) return false;
    // Positions the plain walk serves per scattered access: leading dimensions that repeat an entry or
    // move along the other table contiguously.
    int64_t dense = 1;
    int64_t contiguous = 1;
    for (int d = 0; d < dims.count; d++) {
        if (dims.bStride[d] != 0 && dims.bStride[d] != contiguous) break;
        if (dims.bStride[d] != 0) contiguous *= dims.extent[d];
        dense *= dims.extent[d];
    }
    if (dense >= kDenseRun) return false;
    // Columns: the leading dimensions, a dense run at least. Rows: of the others, those that move least in
    // the other table (never one that repeats an entry, which keeps the order of the sums).
    int k = 0;
    int64_t columns = 1;
    while (k < dims.count && columns < kDenseRun) columns *= dims.extent[k++];
    if (columns > kMaxBlockRuns) return false;
    bool isRow[kMaxProgramEntries] = {};
    int rowList[kMaxProgramEntries];
    int numRowDims = 0;
    int64_t rows = 1;
    for (;;) {
        int best = -1;
        for (int d = k; d < dims.count; d++) {
            if (isRow[d] || dims.bStride[d] == 0 || rows * dims.extent[d] > kTileRows ||
                columns * rows * dims.extent[d] > kTileEntries)
                continue;
            if (best < 0 || std::abs(dims.bStride[d]) < std::abs(dims.bStride[best])) best = d;
        }
        if (best < 0) break;
        isRow[best] = true;
        rowList[numRowDims++] = best;
        rows *= dims.extent[best];
    }
    if (rows < 2) return false;
    int outer[kMaxProgramEntries];
    int numOuter = 0;
    for (int d = k; d < dims.count; d++) {
        if (!isRow[d]) outer[numOuter++] = d;
    }
    std::ptrdiff_t columnA[kMaxBlockRuns];
    std::ptrdiff_t columnB[kMaxBlockRuns];
    int leading[kMaxProgramEntries];
    for (int d = 0; d < k; d++) leading[d] = d;
    const int runs = ListOffsets(dims, leading, k, columnA, columnB);
    std::ptrdiff_t rowA[kTileRows];
    std::ptrdiff_t rowB[kTileRows];
    ListOffsets(dims, rowList, numRowDims, rowA, rowB);
    int64_t index[kMaxProgramEntries] = {};
    std::ptrdiff_t aBase = 0;
    std::ptrdiff_t bBase = 0;
    for (;;) {
        for (int64_t r = 0; r < rows; r++)
            kernel(static_cast<int>(aBase + rowA[r]), bBase + rowB[r], 1, 0, columnB, runs);
        int j = 0;
        for (; j < numOuter; j++) {
            const int d = outer[j];
            if (++index[j] < dims.extent[d]) {
                aBase += dims.aStride[d];
                bBase += dims.bStride[d];
                break;
            }
            index[j] = 0;
            aBase -= (dims.extent[d] - 1) * dims.aStride[d];
            bBase -= (dims.extent[d] - 1) * dims.bStride[d];
        }
        if (j == numOuter) return true;
    }
}

// Walks n positions of the larger table through the program. Entry 0 gives runs of e0 positions
// with stride s0; the entries after it whose counters start full are folded into an offset map, so
// kernel(i, p, e0, s0, offsets, runs) handles positions i .. i + e0*runs - 1, position i + t*e0 + k
// mapping to p + offsets[t] + k*s0. Between blocks the carry moves p by the step of the first later
// entry whose counter is not exhausted, exactly as position-by-position walking would.
template <class Kernel>
inline void WalkProgram(const StrideProgram& program, int n, Kernel&& kernel) {
    if (n <= 0 || program.count <= 0) return;
    if (n >= kTileEntries && WalkTiled(program, n, kernel)) return;
    const int m = program.count;
    const StrideEntry* entries = program.entries;
    uint32_t counters[kMaxProgramEntries];
    for (int j = 0; j < m; j++) counters[j] = entries[j].counter;
    const std::ptrdiff_t s0 = entries[0].step;
    const int64_t e0 = static_cast<int64_t>(entries[0].reload) + 1;
    std::ptrdiff_t offsets[kMaxBlockRuns];
    offsets[0] = 0;
    if (counters[0] == entries[0].reload && e0 <= n) {
        // Runs shorter than a few entries cost more to loop over than to read: entry 0 is folded in too,
        // and the block is walked position by position through its offsets.
        const bool flat = e0 < kShortRun && m > 1;
        const int64_t run = flat ? 1 : e0;
        // Offsets of the runs of one block, entries 1 .. L-1 (never the last entry, which only rewinds).
        int64_t runs = 1;
        std::ptrdiff_t toLast = flat ? 0 : (e0 - 1) * s0;
        int L = flat ? 0 : 1;
        while (L < m - 1 && counters[L] == entries[L].reload) {
            const int64_t eL = static_cast<int64_t>(entries[L].reload) + 1;
            if (runs * eL > kMaxBlockRuns || run * runs * eL > n) break;
            const std::ptrdiff_t stride = entries[L].step + toLast;
            for (int64_t c = 1; c < eL; c++) {
                for (int64_t t = 0; t < runs; t++) offsets[c * runs + t] = offsets[t] + c * stride;
            }
            toLast += (eL - 1) * stride;
            runs *= eL;
            L++;
        }
        const int64_t block = run * runs;
        if (n % block == 0) {
            std::ptrdiff_t p = 0;
            for (int i = 0;;) {
                // Literal arguments let the position-by-position walk compile to a plain gather loop.
                if (flat) {
                    kernel(i, p, 1, 0, offsets, static_cast<int>(runs));
                } else {
                    kernel(i, p, static_cast<int>(e0), s0, offsets, static_cast<int>(runs));
                }
                i += static_cast<int>(block);
                if (i >= n) return;
                p += toLast;
                int j = L;
                while (j < m && counters[j] == 0) {
                    counters[j] = entries[j].reload;
                    j++;
                }
                if (j >= m) return;
                counters[j]--;
                p += entries[j].step;
            }
        }
    }
    // Irregular programs: one run of entry 0 at a time.
    int64_t run = static_cast<int64_t>(counters[0]) + 1;
    std::ptrdiff_t p = 0;
    for (int i = 0;;) {
        const int len = run < n - i ? static_cast<int>(run) : n - i;
        kernel(i, p, len, s0, offsets, 1);
        i += len;
        if (i >= n) return;
        p += s0 * (len - 1);
        int j = 1;
        while (j < m && counters[j] == 0) {
            counters[j] = entries[j].reload;
            j++;
        }
        if (j >= m) return;  // a program shorter than the table: nothing more to map
        counters[j]--;
        p += entries[j].step;
        run = e0;
    }
}

}  // namespace

int PotentialTable::SetDimensions(const int* sizes, int n) {
    if (n < 0 || n > kMaxTableDimensions) return kOutOfRange;
    int64_t product = 1;
    for (int d = 0; d < n; d++) {
        if (sizes[d] < 1) return kOutOfRange;
        product *= sizes[d];
        if (product > 0x7FFFFFFF) return kOutOfMemory;
    }
    if (product > capacity) {
        Free();
        entryBuffer = new (std::nothrow) double[static_cast<std::size_t>(product)];
        if (entryBuffer == nullptr) return kOutOfMemory;
        capacity = static_cast<int>(product);
    }
    count = static_cast<int>(product);
    numDimensions = n;
    for (int d = 0; d < n; d++) dimensions[d] = sizes[d];
    return kSuccess;
}

double PotentialTable::Sum() const {
    double s = 0.0;
    for (int i = 0; i < count; i++) s += entryBuffer[i];
    return s;
}

void PotentialTable::Swap(PotentialTable& other) {
    std::swap(entryBuffer, other.entryBuffer);
    std::swap(count, other.count);
    std::swap(capacity, other.capacity);
    std::swap(numDimensions, other.numDimensions);
    std::swap(dimensions, other.dimensions);
}

void PotentialTable::Fill(double v) {
    for (int i = 0; i < count; i++) entryBuffer[i] = v;
}

void PotentialTable::Free() {
    delete[] entryBuffer;
    entryBuffer = nullptr;
    count = 0;
    capacity = 0;
    numDimensions = 0;
}

int StrideProgram::Append(uint32_t counter, uint32_t reload, int32_t step) {
    if (count >= kMaxProgramEntries) return kOutOfRange;
    entries[count++] = StrideEntry{counter, reload, step};
    return kSuccess;
}

int BuildStrideProgram(const PotentialTable& table, StrideProgram& program, const int* list, int listCount,
                       const int* sublist, int sublistCount) {
    program.count = 0;
    if (sublistCount <= 0) return program.Append(kAllBits, kAllBits, 0);
    if (listCount > table.GetNumberOfDimensions()) return kOutOfRange;
    int64_t span = 1;
    int64_t back = 0;
    int posL = 0;
    int posS = 0;
    while (posS < sublistCount) {
        // Variables of the larger table that the smaller one lacks: P stays, or rewinds the runs so far.
        int64_t r = 1;
        while (posL < listCount && list[posL] != sublist[posS]) r *= table.GetDimension(posL++);
        if (posL >= listCount) return kOutOfRange;
        if (r > 1 && program.Append(static_cast<uint32_t>(r - 1), static_cast<uint32_t>(r - 1),
                                    static_cast<int32_t>(back)) != kSuccess) {
            return kOutOfRange;
        }
        // A run of shared variables is contiguous in the smaller table.
        int64_t q = 1;
        while (posL < listCount && posS < sublistCount && list[posL] == sublist[posS]) {
            q *= table.GetDimension(posL++);
            posS++;
        }
        if (program.Append(static_cast<uint32_t>(q - 1), static_cast<uint32_t>(q - 1), 1) != kSuccess) {
            return kOutOfRange;
        }
        span *= q;
        back = 1 - span;
    }
    return program.Append(kAllBits, kAllBits, static_cast<int32_t>(1 - span));
}

void StrideCopy(double* a, int n, const double* b, const StrideProgram& program) {
    WalkProgram(
        program, n,
        [a, b](int i, std::ptrdiff_t p, int e0, std::ptrdiff_t s0, const std::ptrdiff_t* offsets, int runs) {
            double* x = a + i;
            for (int t = 0; t < runs; t++, x += e0) {
                const double* y = b + p + offsets[t];
                if (s0 == 0) {
                    const double v = *y;
                    for (int k = 0; k < e0; k++) x[k] = v;
                } else if (s0 == 1) {
                    for (int k = 0; k < e0; k++) x[k] = y[k];
                } else {
                    for (int k = 0; k < e0; k++) x[k] = y[k * s0];
                }
            }
        });
}

void StrideMultiply(double* a, int n, const double* b, const StrideProgram& program) {
    WalkProgram(
        program, n,
        [a, b](int i, std::ptrdiff_t p, int e0, std::ptrdiff_t s0, const std::ptrdiff_t* offsets, int runs) {
            double* x = a + i;
            for (int t = 0; t < runs; t++, x += e0) {
                const double* y = b + p + offsets[t];
                if (s0 == 0) {
                    const double v = *y;
                    for (int k = 0; k < e0; k++) x[k] *= v;
                } else if (s0 == 1) {
                    for (int k = 0; k < e0; k++) x[k] *= y[k];
                } else {
                    for (int k = 0; k < e0; k++) x[k] *= y[k * s0];
                }
            }
        });
}

void StrideUpdate(double* a, int n, const double* b, const double* c, const StrideProgram& program) {
    WalkProgram(program, n,
                [a, b, c](int i, std::ptrdiff_t p, int e0, std::ptrdiff_t s0, const std::ptrdiff_t* offsets,
                          int runs) {
                    double* x = a + i;
                    for (int t = 0; t < runs; t++, x += e0) {
                        const double* y = b + p + offsets[t];
                        const double* z = c + p + offsets[t];
                        if (s0 == 0) {
                            const double num = *y;
                            const double den = *z;
                            if (den == 0.0) {
                                for (int k = 0; k < e0; k++) x[k] = 0.0;
                            } else {
                                for (int k = 0; k < e0; k++) x[k] = x[k] * num / den;
                            }
                        } else {
                            for (int k = 0; k < e0; k++) {
                                const double den = z[k * s0];
                                x[k] = den != 0.0 ? x[k] * y[k * s0] / den : 0.0;
                            }
                        }
                    }
                });
}

void StrideMarginalize(const double* a, int n, double* b, const StrideProgram& program) {
    WalkProgram(
        program, n,
        [a, b](int i, std::ptrdiff_t p, int e0, std::ptrdiff_t s0, const std::ptrdiff_t* offsets, int runs) {
            const double* x = a + i;
            for (int t = 0; t < runs; t++, x += e0) {
                double* y = b + p + offsets[t];
                if (s0 == 0) {
                    // Same additions in the same order as one per position, kept in a register.
                    double acc = *y;
                    for (int k = 0; k < e0; k++) acc += x[k];
                    *y = acc;
                } else if (s0 == 1) {
                    for (int k = 0; k < e0; k++) y[k] += x[k];
                } else {
                    for (int k = 0; k < e0; k++) y[k * s0] += x[k];
                }
            }
        });
}

void StrideAddScaled(const double* a, int n, double* b, double c, const StrideProgram& program) {
    WalkProgram(program, n,
                [a, b, c](int i, std::ptrdiff_t p, int e0, std::ptrdiff_t s0, const std::ptrdiff_t* offsets,
                          int runs) {
                    const double* x = a + i;
                    for (int t = 0; t < runs; t++, x += e0) {
                        double* y = b + p + offsets[t];
                        if (s0 == 0) {
                            double acc = *y;
                            for (int k = 0; k < e0; k++) acc += x[k] / c;
                            *y = acc;
                        } else {
                            for (int k = 0; k < e0; k++) y[k * s0] += x[k] / c;
                        }
                    }
                });
}
