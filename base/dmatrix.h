#pragma once
// Dense multi-dimensional table of doubles in row-major order (last dimension fastest): the storage of
// every probability, utility and potential table of the engine.

#include "base/double_array.h"
#include "base/int_array.h"

class VRX_Dmatrix {
public:
    VRX_Dmatrix() = default;
    // Set up from the items of sizes when every one is at least 1; empty otherwise.
    explicit VRX_Dmatrix(const VRX_intArray& sizes);
    // When the copy cannot be allocated the matrix is left empty.
    VRX_Dmatrix(const VRX_Dmatrix& other);
    VRX_Dmatrix(VRX_Dmatrix&& other) noexcept;
    VRX_Dmatrix& operator=(const VRX_Dmatrix& other);
    VRX_Dmatrix& operator=(VRX_Dmatrix&& other) noexcept;
    ~VRX_Dmatrix() = default;

    [[nodiscard]] int Copy(const VRX_Dmatrix& other);
    int CleanUp();
    void Swap(VRX_Dmatrix& other);

    // Shape and storage.
    int GetNumberOfDimensions() const { return dimensions.GetSize(); }
    int GetNumberOfElements() const { return data.GetSize(); }
    const VRX_intArray& GetDimensions() const { return dimensions; }
    const VRX_intArray& GetStrides() const { return strides; }
    VRX_doubleArray& GetItems() {
        MarkChanged_();
        return data;
    }
    const VRX_doubleArray& GetItems() const { return data; }
    double* GetData() {
        MarkChanged_();
        return data.GetSize() > 0 ? data.GetItems() : nullptr;
    }
    const double* GetData() const { return data.GetSize() > 0 ? data.GetItems() : nullptr; }
    // kOutOfRange for a dimension that does not exist.
    [[nodiscard]] int GetSizeOfDimension(int d) const;

    // Element access; the unchecked ones rely on the caller for valid indices and coordinates.
    double& operator[](int i) {
        MarkChanged_();
        return data[i];
    }
    const double& operator[](int i) const { return data[i]; }
    double& Subscript(const VRX_intArray& coords) {
        MarkChanged_();
        return data[CoordinatesToIndex(coords)];
    }
    const double& Subscript(const VRX_intArray& coords) const { return data[CoordinatesToIndex(coords)]; }
    double GetValueAt(const VRX_intArray& coords) const { return Subscript(coords); }
    // Invalid coordinates yield a spare value outside the table, reset to 0.0 on each such call.
    double& CheckedSubscript(const VRX_intArray& coords);
    int CoordinatesToIndex(const VRX_intArray& coords) const;
    int CoordinatePointersToIndex(int* const* table) const;
    [[nodiscard]] int IndexToCoordinates(int i, VRX_intArray& coords) const;
    [[nodiscard]] int NextCoordinates(VRX_intArray& coords) const;

    // Whether the entries or the shape may have changed since ClearChanged (true for a new matrix):
    // every member that changes them, and every hand-out of a writable pointer or reference, sets it. Code
    // that trusts it must not write through a pointer or reference taken before ClearChanged.
    bool MayHaveChanged() const { return changed_; }
    // Whether every entry is known to be +0: set by FillWith(0.0), kept by AddItem and by RemoveLastItem
    // of the outermost dimension, cleared as MayHaveChanged is set.
    bool HoldsOnlyZeros() const { return zeros_; }
    void ClearChanged() { changed_ = false; }

    // Set-up and whole-table operations.
    [[nodiscard]] int Setup(const VRX_intArray& sizes);
    [[nodiscard]] int SetupFromList(const int* table, int n);
    int FillWith(double v);
    int FillWithIndices();
    int MultiplyBy(double f);
    int HasSameDimensions(const VRX_Dmatrix& other) const;
    [[nodiscard]] int SetToSum(const VRX_Dmatrix& a, const VRX_Dmatrix& b);
    // Scales each run of the last dimension to sum to 1 (a run summing to 0 becomes uniform); a run whose
    // sum is within keepWithin of 1 is left bit for bit as it is. When it leaves every run summing to
    // exactly 1, the next call visits only the runs of an item opened since by AddItem (and ShiftItemsUp
    // with 0) in a dimension before the last: every other change makes it visit all runs again.
    int Normalize(double keepWithin = 0.0);
    [[nodiscard]] int CompleteDistribution(const VRX_intArray& coords);
    [[nodiscard]] int CompleteDistributionAtIndex(int i);
    [[nodiscard]] int SubTableEquals(double v, const VRX_intArray& coords) const;
    [[nodiscard]] int SubTableEqualsAt(double v, int d1, int k1, int d2, int k2) const;

    // Shape-changing operations: each either succeeds or leaves the matrix as it was.
    [[nodiscard]] int AddItem(int d);
    [[nodiscard]] int RemoveLastItem(int d);
    [[nodiscard]] int ShiftItemsUp(int d, int k, double v);
    [[nodiscard]] int ShiftItemsDown(int d, int k);
    [[nodiscard]] int InsertDimension(int p, int n);
    // The k dimensions of the given sizes inserted together at p, the old entries repeated along them:
    // the table is built once, at its final size.
    [[nodiscard]] int InsertDimensions(int p, const int* sizes, int k);
    [[nodiscard]] int AddDimension(int n);
    [[nodiscard]] int SetSizeOfDimension(int d, int n);
    [[nodiscard]] int ExtractSliceData(int d, int k, VRX_intArray& sizes, VRX_doubleArray& values) const;
    int ExtractSlice(int d, int k, VRX_Dmatrix& out) const;
    [[nodiscard]] int ReduceToSlice(int d, int k);
    [[nodiscard]] int RemoveDimension(int d);
    [[nodiscard]] int ExtractSubMatrix(const VRX_intArray& coords, VRX_Dmatrix& out) const;
    [[nodiscard]] int WeightedSumOverDimension(int d, const VRX_doubleArray& weights);
    int WeightedSumOverDimensionInto(int d, const VRX_doubleArray& weights, VRX_Dmatrix& out) const;
    [[nodiscard]] int MultiplyAndSumOutDimension(int d, const VRX_Dmatrix& other, const VRX_intArray& map);
    [[nodiscard]] int ReorderDimensions(const VRX_intArray& order);
    [[nodiscard]] int ReorderItems(int d, const VRX_intArray& order);

private:
    // Sets up from n sizes into out (which must not be this): kOutOfRange for a size below 1, kOutOfMemory
    // when the element count would pass kMaxTableCells or cannot be allocated. out is untouched on failure.
    [[nodiscard]] static int BuildShape_(const int* sizes, int n, VRX_Dmatrix& out);
    // Sizes of this matrix with dimension d resized to n (n = 0 drops it), as a fresh matrix.
    [[nodiscard]] int BuildResized_(int d, int n, VRX_Dmatrix& out) const;
    // Dimension d, before which every size is 1, resized to n items (new ones 0).
    [[nodiscard]] int ResizeOutermost_(int d, int n);
    [[nodiscard]] int AddItemBlocks_(int d);
    void NoteOpenedItem_(int d, int k) {
        unitRuns_ = true;
        openedDim_ = d;
        openedItem_ = k;
    }
    // Product of the sizes before d: the number of blocks when d splits the table.
    int Outer_(int d) const { return d == 0 ? 1 : data.GetSize() / strides[d - 1]; }
    bool ValidDimension_(int d) const { return d >= 0 && d < dimensions.GetSize(); }
    // Slice k of d, with the dimension removed, into out (which may be this).
    [[nodiscard]] int SliceInto_(int d, int k, VRX_Dmatrix& out) const;
    [[nodiscard]] int WeightedSumInto_(int d, const VRX_doubleArray& weights, VRX_Dmatrix& out) const;

    VRX_intArray dimensions;
    VRX_intArray strides;
    void MarkChanged_() {
        changed_ = true;
        unitRuns_ = false;
        openedDim_ = -1;
        zeros_ = false;
    }

    VRX_doubleArray data;
    double spare_ = 0.0;
    bool changed_ = true;
    // Every run of the last dimension sums to exactly 1 but for the zero runs of item openedItem_ of
    // openedDim_ when that is not -1.
    bool unitRuns_ = false;
    int openedDim_ = -1;
    int openedItem_ = -1;
    bool zeros_ = false;
};
