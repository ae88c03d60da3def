// Growable int array: storage management, list operations and permutation.
#include "base/int_array.h"

#include "base/array_storage.h"
#include "base/status_codes.h"

#include <cstring>
#include <memory>
#include <new>

VRX_intArray::VRX_intArray(const VRX_intArray& other) {
    (void)Copy(other);  // on failure the copy stays empty, as documented
}

VRX_intArray::VRX_intArray(VRX_intArray&& other) noexcept {
    Swap(other);
}

VRX_intArray& VRX_intArray::operator=(const VRX_intArray& other) {
    if (this != &other) (void)Copy(other);  // on failure this stays empty, as documented
    return *this;
}

VRX_intArray& VRX_intArray::operator=(VRX_intArray&& other) noexcept {
    if (this != &other) {
        CleanUp();
        Swap(other);
    }
    return *this;
}

VRX_intArray::~VRX_intArray() {
    FreeHeap_();
}

void VRX_intArray::FreeHeap_() {
    if (!IsInline_()) delete[] data;
    data = inlineBuffer;
}

int VRX_intArray::SetSize(int n) {
    if (n < 0) return kOutOfRange;
    count = 0;
    if (n == size) return kSuccess;
    if (n <= kInlineSize) {
        FreeHeap_();
        size = n;
        return kSuccess;
    }
    int* block = new (std::nothrow) int[n];
    FreeHeap_();
    if (block == nullptr) {
        size = 0;
        return kOutOfMemory;
    }
    data = block;
    size = n;
    return kSuccess;
}

int VRX_intArray::Grow() {
    int newSize = 0;
    if (vovido::NextArraySize(size, kInlineSize, newSize) != kSuccess) return kOutOfMemory;
    if (newSize <= kInlineSize) {
        size = newSize;
        return kSuccess;
    }
    int* block = new (std::nothrow) int[newSize];
    if (block == nullptr) return kOutOfMemory;
    if (size > 0) std::memcpy(block, data, sizeof(int) * size);
    FreeHeap_();
    data = block;
    size = newSize;
    return kSuccess;
}

int VRX_intArray::GrowAndAdd_(int v) {
    int res = Grow();
    if (res != kSuccess) return res;
    data[count++] = v;
    return kSuccess;
}

int VRX_intArray::Insert(int pos, int v) {
    if (pos < 0 || pos > count) return kOutOfRange;
    if (count == size) {
        int res = Grow();
        if (res != kSuccess) return res;
    }
    vovido::InsertShifted(data, count, pos, v);
    count++;
    return kSuccess;
}

int VRX_intArray::Delete(int i) {
    // Only items can be deleted: an index past the items would shrink the list without removing anything.
    if (i < 0 || i >= count) return kOutOfRange;
    vovido::DeleteShifted(data, count, i);
    count--;
    return kSuccess;
}

int VRX_intArray::FindPosition(int v) const {
    for (int i = 0; i < count; i++) {
        if (data[i] == v) return i;
    }
    return kOutOfRange;
}

int VRX_intArray::IsInList(int v) const {
    return FindPosition(v) >= 0 ? 1 : 0;
}

int VRX_intArray::AddExclusive(int v) {
    if (IsInList(v)) return kOutOfRange;
    return Add(v);
}

int VRX_intArray::DeleteByValue(int v) {
    int pos = FindPosition(v);
    if (pos < 0) return kOutOfRange;
    return Delete(pos);
}

int VRX_intArray::Flush() {
    count = 0;
    return kSuccess;
}

int VRX_intArray::FlushAndReserve(int n) {
    if (n < 0) return kOutOfRange;
    count = 0;
    if (n > size) return SetSize(n);
    return kSuccess;
}

int VRX_intArray::CleanUp() {
    FreeHeap_();
    size = 0;
    count = 0;
    return kSuccess;
}

int VRX_intArray::Copy(const VRX_intArray& other) {
    if (this == &other) return kSuccess;
    int res = SetSize(other.size);
    if (res != kSuccess) return res;
    count = other.count;
    if (size > 0) std::memcpy(data, other.data, sizeof(int) * size);
    return kSuccess;
}

int VRX_intArray::CopyElements(const VRX_intArray& other) {
    int n = size < other.size ? size : other.size;
    if (n > 0 && this != &other) std::memmove(data, other.data, sizeof(int) * n);
    return kSuccess;
}

int VRX_intArray::FillWith(int v) {
    for (int i = 0; i < size; i++) data[i] = v;
    return kSuccess;
}

int VRX_intArray::CheckPermutation(int m) const {
    if (m < 0 || m > size) return kOutOfRange;
    unsigned char small[64];
    std::unique_ptr<unsigned char[]> large;
    unsigned char* seen = small;
    if (m > 64) {
        large.reset(new (std::nothrow) unsigned char[m]);
        if (!large) return kOutOfMemory;
        seen = large.get();
    }
    std::memset(seen, 0, m);
    for (int i = 0; i < m; i++) {
        int v = data[i];
        if (v < 0 || v >= m || seen[v]) return kOutOfRange;
        seen[v] = 1;
    }
    return kSuccess;
}

int VRX_intArray::Permute(const VRX_intArray& order) {
    const int m = vovido::PermutedLength(order.count, count, size);
    if (m < 0) return m;
    int res = order.CheckPermutation(m);
    if (res != kSuccess) return res;
    int small[kInlineSize];
    std::unique_ptr<int[]> large;
    int* tmp = small;
    if (m > kInlineSize) {
        large.reset(new (std::nothrow) int[m]);
        if (!large) return kOutOfMemory;
        tmp = large.get();
    }
    for (int i = 0; i < m; i++) tmp[i] = data[order.data[i]];
    if (m > 0) std::memcpy(data, tmp, sizeof(int) * m);
    return kSuccess;
}

void VRX_intArray::Swap(VRX_intArray& other) {
    if (this == &other) return;
    vovido::SwapInlineStorage(data, inlineBuffer, size, other.data, other.inlineBuffer, other.size);
    int t = size;
    size = other.size;
    other.size = t;
    t = count;
    count = other.count;
    other.count = t;
}

bool VRX_intArray::operator==(const VRX_intArray& other) const {
    if (size != other.size || count != other.count) return false;
    return size == 0 || std::memcmp(data, other.data, sizeof(int) * size) == 0;
}
