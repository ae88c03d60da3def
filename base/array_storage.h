#pragma once
// The storage steps that the growable arrays of ints and doubles share: the growth schedule, shifting
// items for an insert or a delete, the permutation length, and swapping arrays with inline buffers.

#include <climits>
#include <cstring>

#include "base/status_codes.h"

namespace vovido {

// The size after one growth step into newSize: the inline size first, then doubling, and once the
// doubling would wrap the largest size left. kOutOfMemory when the array cannot grow any further.
[[nodiscard]] inline int NextArraySize(int size, int inlineSize, int& newSize) {
    if (size == 0) {
        newSize = inlineSize;
    } else if (size > INT_MAX / 2) {
        if (size == INT_MAX) return kOutOfMemory;
        newSize = INT_MAX;
    } else {
        newSize = 2 * size;
    }
    return kSuccess;
}

// Opens position pos (0 <= pos <= count < room) for v.
template <typename T>
void InsertShifted(T* data, int count, int pos, T v) {
    if (pos < count) std::memmove(data + pos + 1, data + pos, sizeof(T) * (count - pos));
    data[pos] = v;
}

// Closes item i (0 <= i < count).
template <typename T>
void DeleteShifted(T* data, int count, int i) {
    if (i < count - 1) std::memmove(data + i, data + i + 1, sizeof(T) * (count - i - 1));
}

// How many items an order with orderCount items permutes in an array of count items and the given
// size: the items when the counts agree, else the whole size; kOutOfRange when neither fits.
inline int PermutedLength(int orderCount, int count, int size) {
    if (orderCount == count) return count;
    if (orderCount == size) return size;
    return kOutOfRange;
}

// Exchanges the storage of two arrays that keep up to N items inline: inline contents are copied
// across, heap buffers change hands, and each data pointer ends up on its own inline buffer or on the
// heap buffer it received.
template <typename T, int N>
void SwapInlineStorage(T*& data, T (&inlineBuffer)[N], int size, T*& otherData, T (&otherInline)[N],
                       int otherSize) {
    const bool thisInline = data == inlineBuffer;
    const bool otherIsInline = otherData == otherInline;
    T* thisHeap = data;
    T* otherHeap = otherData;
    T saved[N];
    if (thisInline && size > 0) std::memcpy(saved, inlineBuffer, sizeof(T) * size);
    if (otherIsInline && otherSize > 0) std::memcpy(inlineBuffer, otherInline, sizeof(T) * otherSize);
    if (thisInline && size > 0) std::memcpy(otherInline, saved, sizeof(T) * size);
    data = otherIsInline ? inlineBuffer : otherHeap;
    otherData = thisInline ? otherInline : thisHeap;
}

}  // namespace vovido
