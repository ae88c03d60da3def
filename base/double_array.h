#pragma once
// Growable double array (sized vector and list at once); up to four doubles live inline, larger
// buffers come from and go back to the calling thread's pool of released buffers while one exists.

class VRX_intArray;

class VRX_doubleArray {
public:
    VRX_doubleArray() = default;
    // Deep copy; when the storage cannot be allocated the copy is left empty.
    VRX_doubleArray(const VRX_doubleArray& other);
    VRX_doubleArray(VRX_doubleArray&& other) noexcept;
    VRX_doubleArray& operator=(const VRX_doubleArray& other);
    VRX_doubleArray& operator=(VRX_doubleArray&& other) noexcept;
    ~VRX_doubleArray();

    double& operator[](int i) { return data[i]; }
    const double& operator[](int i) const { return data[i]; }

    int GetSize() const { return size; }
    int GetCount() const { return count; }
    // Null while the array is empty.
    double* GetItems() { return data; }
    const double* GetItems() const { return data; }
    // Clamped to [0, size].
    void SetCount(int n) { count = n < 0 ? 0 : (n > size ? size : n); }

    [[nodiscard]] int SetSize(int n);
    // Size n with the first items kept (the count clamped to it); new items are left unset. Growing past
    // the buffer takes one half again as much room, up to maxRoom, so that a run of resizes by a few items
    // costs amortised time; a buffer is kept while at least a quarter of it is used.
    [[nodiscard]] int Resize(int n, int maxRoom);
    [[nodiscard]] int Grow();
    [[nodiscard]] int Add(double v) {
        if (count == size) return GrowAndAdd_(v);
        data[count++] = v;
        return 0;
    }
    // Add into room reserved beforehand (FlushAndReserve or SetSize, so that count < size): cannot fail.
    void AddReserved(double v) { data[count++] = v; }
    [[nodiscard]] int Insert(int pos, double v);
    [[nodiscard]] int Delete(int i);
    [[nodiscard]] int FlushAndReserve(int n);
    int CleanUp();
    [[nodiscard]] int Copy(const VRX_doubleArray& other);
    int CopyElements(const VRX_doubleArray& other);
    int FillWith(double v);
    [[nodiscard]] int Permute(const VRX_intArray& order);
    void Swap(VRX_doubleArray& other);

    // The pool of released buffers. Creating a pool over an existing one releases the old one first.
    [[nodiscard]] static int CreatePool(int n);
    static void DestroyPool();
    // A buffer of at least n doubles (exact fit first, else the smallest larger one, else a new one);
    // null when n < 1 or memory runs out.
    static double* TakeFromPool(int n);
    // Hands a heap buffer back: kept by the pool while it has room, freed otherwise.
    static void ReleaseToPool(double* buffer, int size);
    static bool HasPool();
    // A seam for the tests of memory that runs out: while above 0, a buffer of more than `items` doubles
    // taken on the calling thread is refused as a failed allocation is. 0 lifts it.
    static void SetBufferCeiling(int items);
    // Number of pool entries currently holding a buffer.
    [[nodiscard]] static int PoolBufferCount();

private:
    static constexpr int kInlineSize = 4;

    bool IsHeap_() const { return data != nullptr && data != inlineBuffer; }
    void ReleaseStorage_();
    [[nodiscard]] int GrowAndAdd_(double v);

    double inlineBuffer[kInlineSize] = {};
    double* data = nullptr;
    int size = 0;
    int count = 0;
    // Doubles the buffer holds: size, or more after a Resize.
    int room = 0;
};
