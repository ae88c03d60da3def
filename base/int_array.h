#pragma once
// Growable int array used both as a sized vector and as a list; up to eight ints live inline.

class VRX_intArray {
public:
    VRX_intArray() = default;
    // Deep copy; when the storage cannot be allocated the copy is left empty.
    VRX_intArray(const VRX_intArray& other);
    VRX_intArray(VRX_intArray&& other) noexcept;
    VRX_intArray& operator=(const VRX_intArray& other);
    VRX_intArray& operator=(VRX_intArray&& other) noexcept;
    ~VRX_intArray();

    int& operator[](int i) { return data[i]; }
    const int& operator[](int i) const { return data[i]; }
    int& LastElement() { return data[size - 1]; }
    const int& LastElement() const { return data[size - 1]; }
    int& LastItem() { return data[count - 1]; }
    const int& LastItem() const { return data[count - 1]; }

    int GetSize() const { return size; }
    int GetCount() const { return count; }
    int* GetItems() { return data; }
    const int* GetItems() const { return data; }
    // Clamped to [0, size].
    void SetCount(int n) { count = n < 0 ? 0 : (n > size ? size : n); }

    [[nodiscard]] int SetSize(int n);
    [[nodiscard]] int Grow();
    [[nodiscard]] int Add(int v) {
        if (count == size) return GrowAndAdd_(v);
        data[count++] = v;
        return 0;
    }
    // Add into room reserved beforehand (FlushAndReserve or SetSize, so that count < size): cannot fail.
    void AddReserved(int v) { data[count++] = v; }
    [[nodiscard]] int Insert(int pos, int v);
    [[nodiscard]] int Delete(int i);
    [[nodiscard]] int FindPosition(int v) const;
    int IsInList(int v) const;
    [[nodiscard]] int AddExclusive(int v);
    [[nodiscard]] int DeleteByValue(int v);
    int Flush();
    [[nodiscard]] int FlushAndReserve(int n);
    int CleanUp();
    [[nodiscard]] int Copy(const VRX_intArray& other);
    int CopyElements(const VRX_intArray& other);
    int FillWith(int v);
    [[nodiscard]] int Permute(const VRX_intArray& order);
    void Swap(VRX_intArray& other);
    bool operator==(const VRX_intArray& other) const;
    bool operator!=(const VRX_intArray& other) const { return !(*this == other); }

    // 0 when the first m elements are a permutation of 0..m-1, kOutOfRange when not, kOutOfMemory without
    // memory.
    [[nodiscard]] int CheckPermutation(int m) const;

private:
    static constexpr int kInlineSize = 8;

    bool IsInline_() const { return data == inlineBuffer; }
    void FreeHeap_();
    [[nodiscard]] int GrowAndAdd_(int v);

    int inlineBuffer[kInlineSize] = {};
    int* data = inlineBuffer;
    int size = 0;
    int count = 0;
};
