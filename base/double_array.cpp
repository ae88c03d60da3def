// Growable double array and the per-thread pool of released double buffers.
#include "base/double_array.h"

#include <cstring>
#include <new>

#include "base/array_storage.h"
#include "base/int_array.h"
#include "base/status_codes.h"

namespace {

// Buffers at least this large are only ever reused on an exact fit.
constexpr int kLargestRemembered = 0x0FFFFFFF;

struct PoolEntry {
    int size;
    double* buffer;
};

// Released buffers wait here between CreatePool and DestroyPool. An entry is filled at most once.
struct BufferPool {
    int capacity = 0;
    int cursor = 0;
    int used = 0;
    PoolEntry* entries = nullptr;

    // Frees what a thread that ends inside its pool window still holds.
    ~BufferPool() { Free(); }

    void Free() {
        if (entries == nullptr) return;
        for (int i = 0; i < used; i++) delete[] entries[i].buffer;
        delete[] entries;
        capacity = 0;
        cursor = 0;
        used = 0;
        entries = nullptr;
    }
};

// One pool per thread: a pool window belongs to the copy that opened it, and copies of separate
// networks in separate threads must not take each other's buffers. Every buffer comes from new[], so a
// buffer released in another thread than the one that took it is still freed or pooled correctly.
thread_local BufferPool pool;
thread_local int bufferCeiling = 0;

}  // namespace

int VRX_doubleArray::CreatePool(int n) {
    if (n <= 0) return kSuccess;
    DestroyPool();
    PoolEntry* entries = new (std::nothrow) PoolEntry[n];
    if (entries == nullptr) return kOutOfMemory;
    for (int i = 0; i < n; i++) entries[i] = PoolEntry{0, nullptr};
    pool.capacity = n;
    pool.cursor = 0;
    pool.used = 0;
    pool.entries = entries;
    return kSuccess;
}

void VRX_doubleArray::DestroyPool() {
    pool.Free();
}

bool VRX_doubleArray::HasPool() {
    return pool.entries != nullptr;
}

int VRX_doubleArray::PoolBufferCount() {
    int held = 0;
    for (int i = 0; i < pool.used; i++) held += pool.entries[i].buffer != nullptr ? 1 : 0;
    return held;
}

void VRX_doubleArray::SetBufferCeiling(int items) {
    bufferCeiling = items > 0 ? items : 0;
}

double* VRX_doubleArray::TakeFromPool(int n) {
    if (n < 1 || (bufferCeiling > 0 && n > bufferCeiling)) return nullptr;
    if (pool.entries != nullptr) {
        int best = -1;
        for (int i = pool.cursor; i < pool.used; i++) {
            const PoolEntry& e = pool.entries[i];
            if (e.buffer == nullptr) continue;
            if (e.size == n) {
                best = i;
                break;
            }
            if (e.size > n && e.size < kLargestRemembered && (best < 0 || e.size < pool.entries[best].size)) {
                best = i;
            }
        }
        if (best >= 0) {
            double* buffer = pool.entries[best].buffer;
            pool.entries[best].buffer = nullptr;
            if (best == pool.cursor) pool.cursor++;
            return buffer;
        }
    }
    return new (std::nothrow) double[n];
}

void VRX_doubleArray::ReleaseToPool(double* buffer, int size) {
    if (buffer == nullptr) return;
    if (pool.entries != nullptr && pool.used < pool.capacity) {
        pool.entries[pool.used++] = PoolEntry{size, buffer};
    } else {
        delete[] buffer;
    }
}

VRX_doubleArray::VRX_doubleArray(const VRX_doubleArray& other) {
    (void)Copy(other);  // on failure the copy stays empty, as documented
}

VRX_doubleArray::VRX_doubleArray(VRX_doubleArray&& other) noexcept {
    Swap(other);
}

VRX_doubleArray& VRX_doubleArray::operator=(const VRX_doubleArray& other) {
    if (this != &other) (void)Copy(other);  // on failure this stays empty, as documented
    return *this;
}

VRX_doubleArray& VRX_doubleArray::operator=(VRX_doubleArray&& other) noexcept {
    if (this != &other) {
        CleanUp();
        Swap(other);
    }
    return *this;
}

VRX_doubleArray::~VRX_doubleArray() {
    ReleaseStorage_();
}

void VRX_doubleArray::ReleaseStorage_() {
    if (IsHeap_()) ReleaseToPool(data, room);
    data = nullptr;
    room = 0;
}

int VRX_doubleArray::SetSize(int n) {
    if (n < 0) return kOutOfRange;
    count = 0;
    if (n == size) return kSuccess;
    ReleaseStorage_();
    size = 0;
    if (n == 0) return kSuccess;
    if (n <= kInlineSize) {
        data = inlineBuffer;
    } else {
        data = TakeFromPool(n);
        if (data == nullptr) return kOutOfMemory;
    }
    size = n;
    room = n;
    return kSuccess;
}

int VRX_doubleArray::Resize(int n, int maxRoom) {
    if (n < 0 || n > maxRoom) return kOutOfRange;
    if (n <= room && (n > kInlineSize || !IsHeap_()) && n >= room / 4) {
        if (n > 0 && data == nullptr) data = inlineBuffer;
        size = n;
        if (count > n) count = n;
        return kSuccess;
    }
    int newRoom = n;
    if (n > size && n > kInlineSize) {
        const long long grown = static_cast<long long>(size) + size / 2;
        if (grown > newRoom) newRoom = static_cast<int>(grown < maxRoom ? grown : maxRoom);
    }
    double* buffer = newRoom <= kInlineSize ? nullptr : TakeFromPool(newRoom);
    if (newRoom > kInlineSize && buffer == nullptr) return kOutOfMemory;
    const int kept = size < n ? size : n;
    if (buffer == nullptr) {
        // Into the inline buffer: only from the heap, as the inline case was handled above.
        double saved[kInlineSize];
        if (kept > 0) std::memcpy(saved, data, sizeof(double) * kept);
        ReleaseStorage_();
        data = n > 0 ? inlineBuffer : nullptr;
        if (kept > 0) std::memcpy(inlineBuffer, saved, sizeof(double) * kept);
    } else {
        if (kept > 0) std::memcpy(buffer, data, sizeof(double) * kept);
        ReleaseStorage_();
        data = buffer;
    }
    size = n;
    room = buffer == nullptr ? n : newRoom;
    if (count > n) count = n;
    return kSuccess;
}

int VRX_doubleArray::Grow() {
    int newSize = 0;
    if (vovido::NextArraySize(size, kInlineSize, newSize) != kSuccess) return kOutOfMemory;
    if (newSize <= kInlineSize) {
        if (data == nullptr) data = inlineBuffer;
        size = newSize;
        room = newSize;
        return kSuccess;
    }
    if (newSize <= room) {
        size = newSize;
        return kSuccess;
    }
    double* buffer = TakeFromPool(newSize);
    if (buffer == nullptr) return kOutOfMemory;
    if (size > 0) std::memcpy(buffer, data, sizeof(double) * size);
    ReleaseStorage_();
    data = buffer;
    size = newSize;
    room = newSize;
    return kSuccess;
}

int VRX_doubleArray::GrowAndAdd_(double v) {
    int res = Grow();
    if (res != kSuccess) return res;
    data[count++] = v;
    return kSuccess;
}

int VRX_doubleArray::Insert(int pos, double v) {
    if (pos < 0 || pos > count) return kOutOfRange;
    if (count == size) {
        int res = Grow();
        if (res != kSuccess) return res;
    }
    vovido::InsertShifted(data, count, pos, v);
    count++;
    return kSuccess;
}

int VRX_doubleArray::Delete(int i) {
    if (i < 0 || i >= count) return kOutOfRange;
    vovido::DeleteShifted(data, count, i);
    count--;
    return kSuccess;
}

int VRX_doubleArray::FlushAndReserve(int n) {
    if (n < 0) return kOutOfRange;
    count = 0;
    if (n > size) return SetSize(n);
    return kSuccess;
}

int VRX_doubleArray::CleanUp() {
    ReleaseStorage_();
    size = 0;
    count = 0;
    return kSuccess;
}

int VRX_doubleArray::Copy(const VRX_doubleArray& other) {
    if (this == &other) return kSuccess;
    int res = SetSize(other.size);
    if (res != kSuccess) return res;
    count = other.count;
    if (size > 0) std::memcpy(data, other.data, sizeof(double) * size);
    return kSuccess;
}

int VRX_doubleArray::CopyElements(const VRX_doubleArray& other) {
    int n = size < other.size ? size : other.size;
    if (n > 0 && this != &other) std::memmove(data, other.data, sizeof(double) * n);
    return kSuccess;
}

int VRX_doubleArray::FillWith(double v) {
    for (int i = 0; i < size; i++) data[i] = v;
    return kSuccess;
}

int VRX_doubleArray::Permute(const VRX_intArray& order) {
    const int m = vovido::PermutedLength(order.GetCount(), count, size);
    if (m < 0) return m;
    int res = order.CheckPermutation(m);
    if (res != kSuccess) return res;
    if (m == 0) return kSuccess;
    VRX_doubleArray tmp;
    res = tmp.SetSize(m);
    if (res != kSuccess) return res;
    const int* idx = order.GetItems();
    for (int i = 0; i < m; i++) tmp.data[i] = data[idx[i]];
    std::memcpy(data, tmp.data, sizeof(double) * m);
    return kSuccess;
}

void VRX_doubleArray::Swap(VRX_doubleArray& other) {
    if (this == &other) return;
    vovido::SwapInlineStorage(data, inlineBuffer, size, other.data, other.inlineBuffer, other.size);
    int t = size;
    size = other.size;
    other.size = t;
    t = count;
    count = other.count;
    other.count = t;
    t = room;
    room = other.room;
    other.room = t;
}
