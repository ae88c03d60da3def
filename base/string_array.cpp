// Array base and array of owned strings.
#include "base/string_array.h"

#include <climits>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "base/int_array.h"
#include "base/status_codes.h"

VRX_array::VRX_array(int growth) : delta(growth < 1 ? kDefaultDelta : growth) {}

void VRX_array::CleanUp(int deep) {
    size = 0;
    count = 0;
    delta = kDefaultDelta;
    VRX_object::CleanUp(deep);
    CheckValidity(deep);
}

VRX_stringArray::VRX_stringArray() {
    CheckValidity(0);
}

VRX_stringArray::VRX_stringArray(int initialSize, int growth) : VRX_array(growth) {
    if (initialSize > 0) {
        try {
            items = std::make_unique<Slot[]>(static_cast<size_t>(initialSize));
            size = initialSize;
        } catch (const std::bad_alloc&) {
            // Left empty (and valid); SetSize reports the failure to callers that need to know.
        }
    }
    CheckValidity(0);
}

VRX_stringArray::VRX_stringArray(const VRX_stringArray& other) : VRX_array(kDefaultDelta) {
    CheckValidity(0);
    (void)Copy(other);  // on failure the copy stays empty
}

VRX_stringArray& VRX_stringArray::operator=(const VRX_stringArray& other) {
    (void)Copy(other);  // on failure this stays empty
    return *this;
}

VRX_stringArray::~VRX_stringArray() = default;

void VRX_stringArray::CleanUp(int deep) {
    Edited();
    items.reset();
    VRX_array::CleanUp(deep);
}

void VRX_stringArray::CheckValidity(int /*deep*/) {
    const bool empty = items == nullptr && size == 0 && count == 0 && delta >= 1;
    const bool filled = items != nullptr && size > 0 && count >= 0 && count <= size && delta > 0;
    SetFlag(kValid, empty || filled);
}

int VRX_stringArray::CopyText(const char* text, Slot& out) {
    if (text == nullptr) {
        out.reset();
        return kSuccess;
    }
    const size_t length = std::strlen(text);
    try {
        out.reset(new char[length + 1]);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    std::memcpy(out.get(), text, length + 1);
    return kSuccess;
}

int VRX_stringArray::SetString(int i, const char* text) {
    if (!IsValid()) return kObjectNotValid;
    if (i < 0 || i >= size) return kOutOfRange;
    Slot copy;
    if (const int rc = CopyText(text, copy)) return rc;
    Edited();
    items[i] = std::move(copy);
    return kSuccess;
}

int VRX_stringArray::Add(const char* text) {
    return VRX_stringArray::Insert(count, text);
}

int VRX_stringArray::Insert(int i, const char* text) {
    if (!IsValid()) return kObjectNotValid;
    if (i < 0 || i > count) return kOutOfRange;
    // Copy first so that a failed allocation leaves the array untouched.
    Slot copy;
    if (const int rc = CopyText(text, copy)) return rc;
    if (count == size) {
        if (const int rc = Grow()) return rc;
    }
    Edited();
    for (int k = count; k > i; --k) items[k] = std::move(items[k - 1]);
    items[i] = std::move(copy);
    ++count;
    return kSuccess;
}

const char* VRX_stringArray::operator[](int i) const {
    if (i < 0 || i >= size || items == nullptr) return nullptr;
    return items[i].get();
}

int VRX_stringArray::Delete(int i) {
    if (!IsValid() || i < 0 || i >= count) return kOutOfRange;
    Edited();
    items[i].reset();
    for (int k = i; k < count - 1; ++k) items[k] = std::move(items[k + 1]);
    items[count - 1].reset();
    --count;
    return kSuccess;
}

int VRX_stringArray::FindPosition(const char* text) const {
    if (text == nullptr || !IsValid()) return kOutOfRange;
    for (int i = 0; i < count; ++i) {
        const char* item = items[i].get();
        if (item != nullptr && std::strcmp(item, text) == 0) return i;
    }
    return kOutOfRange;
}

int VRX_stringArray::IsInList(const char* text) const {
    return FindPosition(text) >= 0 ? 1 : 0;
}

int VRX_stringArray::SetSize(int n) {
    if (n < 0) return kOutOfRange;
    if (!IsValid()) CleanUp(0);
    Edited();
    count = 0;
    if (n == size) return kSuccess;
    CleanUp(0);
    if (n > 0) {
        try {
            items = std::make_unique<Slot[]>(static_cast<size_t>(n));
        } catch (const std::bad_alloc&) {
            return kOutOfMemory;
        }
        size = n;
        CheckValidity(0);
    }
    return kSuccess;
}

int VRX_stringArray::Grow() {
    if (!IsValid()) return kObjectNotValid;
    // At least half the table more: a fixed step alone would make filling an array of n texts O(n^2).
    const int step = delta > size / 2 ? delta : size / 2;
    if (step > INT_MAX - size) return kOutOfMemory;
    const int newSize = size + step;
    std::unique_ptr<Slot[]> table;
    try {
        table = std::make_unique<Slot[]>(static_cast<size_t>(newSize));
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    for (int i = 0; i < size; ++i) table[i] = std::move(items[i]);
    items = std::move(table);
    size = newSize;
    CheckValidity(0);
    return kSuccess;
}

int VRX_stringArray::Flush() {
    if (!IsValid()) return kObjectNotValid;
    Edited();
    for (int i = 0; i < size; ++i) items[i].reset();
    count = 0;
    return kSuccess;
}

int VRX_stringArray::Copy(const VRX_stringArray& other) {
    if (!other.IsValid()) return kObjectNotValid;
    if (&other == this) return kSuccess;
    if (const int rc = SetSize(other.size)) return rc;
    Edited();
    for (int i = 0; i < size; ++i) {
        if (CopyText(other.items[i].get(), items[i]) != kSuccess) {
            CleanUp(0);
            return kOutOfMemory;
        }
    }
    count = other.count;
    delta = other.delta;
    CheckValidity(0);
    return kSuccess;
}

void VRX_stringArray::Swap(VRX_stringArray& other) {
    if (&other == this) return;
    std::swap(items, other.items);
    std::swap(size, other.size);
    std::swap(count, other.count);
    std::swap(delta, other.delta);
    Edited();
    other.Edited();
    CheckValidity(0);
    other.CheckValidity(0);
}

int VRX_stringArray::Permute(const VRX_intArray& order) {
    if (!IsValid()) return kObjectNotValid;
    const int orderCount = order.GetCount();
    int m;
    if (orderCount == count) {
        m = count;
    } else if (orderCount == size) {
        m = size;
    } else {
        return kOutOfRange;
    }
    std::unique_ptr<Slot[]> moved;
    try {
        std::vector<unsigned char> seen(static_cast<size_t>(m), 0);
        for (int i = 0; i < m; ++i) {
            const int from = order[i];
            if (from < 0 || from >= m || seen[from]) return kOutOfRange;
            seen[from] = 1;
        }
        moved = std::make_unique<Slot[]>(static_cast<size_t>(m));
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    Edited();
    for (int i = 0; i < m; ++i) moved[i] = std::move(items[order[i]]);
    for (int i = 0; i < m; ++i) items[i] = std::move(moved[i]);
    return kSuccess;
}

int VRX_stringArray::AddEmpty() {
    return VRX_stringArray::Insert(count, "");
}
