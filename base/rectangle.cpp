// Screen rectangles and their array.
#include "base/rectangle.h"

#include <climits>
#include <new>

#include "base/status_codes.h"

VRX_rectangle::VRX_rectangle(const VRX_rectangle& other) : VRX_object() {
    if (other.IsValid()) {
        centerX = other.centerX;
        centerY = other.centerY;
        width = other.width;
        height = other.height;
    }
}

VRX_rectangle& VRX_rectangle::operator=(const VRX_rectangle& other) {
    if (this == &other) return *this;
    const bool valid = other.IsValid();
    centerX = valid ? other.centerX : 0;
    centerY = valid ? other.centerY : 0;
    width = valid ? other.width : 0;
    height = valid ? other.height : 0;
    SetFlag(kValid | kConsistent, true);
    return *this;
}

VRX_rectangle::~VRX_rectangle() = default;

int VRX_rectangle::Copy(const VRX_rectangle& other) {
    if (!other.IsValid()) return kObjectNotValid;
    centerX = other.centerX;
    centerY = other.centerY;
    width = other.width;
    height = other.height;
    return kSuccess;
}

int VRX_rectangle::FillSizeFrom(const VRX_rectangle& other) {
    if (!other.IsValid()) return kObjectNotValid;
    if (width == 0) width = other.width;
    if (height == 0) height = other.height;
    return kSuccess;
}

VRX_rectangleArray::VRX_rectangleArray(int growth) : VRX_array(growth) {
    CheckValidity(0);
}

VRX_rectangleArray::VRX_rectangleArray(const VRX_rectangleArray& other) : VRX_array(kDefaultDelta) {
    (void)CopyFrom(other);  // on failure the copy stays empty
}

VRX_rectangleArray& VRX_rectangleArray::operator=(const VRX_rectangleArray& other) {
    if (this != &other) (void)CopyFrom(other);  // on failure this stays empty
    return *this;
}

VRX_rectangleArray::~VRX_rectangleArray() = default;

int VRX_rectangleArray::CopyFrom(const VRX_rectangleArray& other) {
    std::unique_ptr<VRX_rectangle[]> table;
    if (other.size > 0 && other.items != nullptr) {
        try {
            table = std::make_unique<VRX_rectangle[]>(static_cast<size_t>(other.size));
        } catch (const std::bad_alloc&) {
            CleanUp(0);
            return kOutOfMemory;
        }
        for (int i = 0; i < other.size; ++i) table[i] = other.items[i];
    }
    items = std::move(table);
    size = items != nullptr ? other.size : 0;
    count = items != nullptr ? other.count : 0;
    delta = other.delta;
    CheckValidity(0);
    return kSuccess;
}

void VRX_rectangleArray::CleanUp(int deep) {
    items.reset();
    VRX_array::CleanUp(deep);
}

void VRX_rectangleArray::CheckValidity(int /*deep*/) {
    const bool empty = items == nullptr && size == 0 && count == 0 && delta >= 1;
    const bool filled = items != nullptr && size > 0 && count >= 0 && count <= size && delta > 0;
    SetFlag(kValid, empty || filled);
}

VRX_rectangle& VRX_rectangleArray::operator[](int i) {
    if (i >= 0 && i < size && items != nullptr) return items[i];
    spare = VRX_rectangle();
    return spare;
}

const VRX_rectangle& VRX_rectangleArray::operator[](int i) const {
    if (i >= 0 && i < size && items != nullptr) return items[i];
    spare = VRX_rectangle();
    return spare;
}

int VRX_rectangleArray::Add(const VRX_rectangle& rect) {
    if (!IsValid()) return kObjectNotValid;
    // rect may be one of our own items, which Grow would move.
    const VRX_rectangle added(rect);
    if (count == size) {
        if (const int rc = Grow()) return rc;
    }
    items[count] = added;
    ++count;
    return kSuccess;
}

int VRX_rectangleArray::Grow() {
    if (!IsValid()) return kObjectNotValid;
    if (delta > INT_MAX - size) return kOutOfMemory;
    const int newSize = size + delta;
    std::unique_ptr<VRX_rectangle[]> table;
    try {
        table = std::make_unique<VRX_rectangle[]>(static_cast<size_t>(newSize));
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    for (int i = 0; i < size; ++i) table[i] = items[i];
    items = std::move(table);
    size = newSize;
    CheckValidity(0);
    return kSuccess;
}
