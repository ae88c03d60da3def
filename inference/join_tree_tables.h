#pragma once
// Potential tables of the join tree and the stride programs that multiply, copy and marginalise one
// table along another in a single linear pass.

#include <cstdint>

// A cluster holds at most this many variables, so tables have at most this many dimensions.
constexpr int kMaxTableDimensions = 30;
constexpr int kMaxProgramEntries = kMaxTableDimensions + 1;

// Flat table over a list of variables, the first variable varying fastest. The buffer only grows.
class PotentialTable {
public:
    PotentialTable() = default;
    PotentialTable(const PotentialTable&) = delete;
    PotentialTable& operator=(const PotentialTable&) = delete;
    ~PotentialTable() { Free(); }

    // Sets the dimensions; a new buffer of exactly the element count is allocated only when the count
    // exceeds the capacity. Entries are not cleared. 0, or kOutOfMemory (table left empty) without memory.
    [[nodiscard]] int SetDimensions(const int* sizes, int n);
    double Sum() const;
    void Swap(PotentialTable& other);
    void Fill(double v);
    // Releases the buffer; the table is empty afterwards.
    void Free();

    double* GetEntries() { return entryBuffer; }
    const double* GetEntries() const { return entryBuffer; }
    int GetCount() const { return count; }
    int GetCapacity() const { return capacity; }
    int GetNumberOfDimensions() const { return numDimensions; }
    int GetDimension(int d) const { return dimensions[d]; }
    const int* GetDimensions() const { return dimensions; }

private:
    double* entryBuffer = nullptr;
    int count = 0;
    int capacity = 0;
    int numDimensions = 0;
    int dimensions[kMaxTableDimensions] = {};
};

namespace vovido {

struct StrideEntry {
    uint32_t counter;
    uint32_t reload;
    int32_t step;
};

}  // namespace vovido

// Maps the positions of a larger table, walked in index order, to positions in another table: entry 0
// advances within a run, later entries carry like an odometer. Walks copy the counters, so a program
// can be walked any number of times.
struct StrideProgram {
    vovido::StrideEntry entries[kMaxProgramEntries];
    int count = 0;

    // kOutOfRange when the program is full.
    [[nodiscard]] int Append(uint32_t counter, uint32_t reload, int32_t step);
};

// Program from a table over list (sizes of the table's dimensions) to a table over sublist, a
// subsequence of list in the same order. An empty sublist maps every position to entry 0. 0 or kOutOfRange.
[[nodiscard]] int BuildStrideProgram(const PotentialTable& table, StrideProgram& program, const int* list,
                                     int listCount, const int* sublist, int sublistCount);

// Walkers: a (n entries) is walked by index, b (and c) through the program from the given start.
// a[i] := b[P]
void StrideCopy(double* a, int n, const double* b, const StrideProgram& program);
// a[i] := a[i] * b[P]
void StrideMultiply(double* a, int n, const double* b, const StrideProgram& program);
// a[i] := a[i] * b[P] / c[P], and 0.0 where c[P] is 0.0
void StrideUpdate(double* a, int n, const double* b, const double* c, const StrideProgram& program);
// b[P] := b[P] + a[i]
void StrideMarginalize(const double* a, int n, double* b, const StrideProgram& program);
// b[P] := b[P] + a[i] / c
void StrideAddScaled(const double* a, int n, double* b, double c, const StrideProgram& program);
