#pragma once
// Array base of the engine's polymorphic containers, and the array of owned strings.

#include <memory>

#include "base/vrx_object.h"

class VRX_intArray;

// Size, item count and growth step shared by the polymorphic arrays.
class VRX_array : public VRX_object {
public:
    static constexpr int kDefaultDelta = 10;

    // A growth step below 1 becomes the default.
    explicit VRX_array(int growth = kDefaultDelta);

    // Back to the empty state with the default growth step; subclasses free their items first.
    void CleanUp(int deep) override;

    int GetSize() const { return size; }
    int GetCount() const { return count; }
    int GetDelta() const { return delta; }

protected:
    int size = 0;
    int count = 0;
    int delta = kDefaultDelta;
};

// Array of owned, zero-terminated strings: a table of `size` slots of which the first `count` are the
// items. A slot holds an exact heap copy of its text or null.
class VRX_stringArray : public VRX_array {
public:
    VRX_stringArray();
    // A table of `initialSize` null slots.
    VRX_stringArray(int initialSize, int growth);
    VRX_stringArray(const VRX_stringArray& other);
    VRX_stringArray& operator=(const VRX_stringArray& other);
    ~VRX_stringArray() override;

    void CleanUp(int deep) override;
    void CheckValidity(int deep) override;

    // Slot i in [0, size) gets a copy of text (null stores null).
    [[nodiscard]] virtual int SetString(int i, const char* text);
    [[nodiscard]] virtual int Add(const char* text);
    // i in [0, count]; later items move up by one.
    [[nodiscard]] virtual int Insert(int i, const char* text);

    // The string at slot i, owned by the array; null outside [0, size).
    const char* operator[](int i) const;

    [[nodiscard]] int Delete(int i);
    // Index of the first item equal to text (byte comparison); kOutOfRange when none.
    [[nodiscard]] int FindPosition(const char* text) const;
    int IsInList(const char* text) const;
    // Count becomes 0; a different size discards every string and the growth step.
    [[nodiscard]] int SetSize(int n);
    [[nodiscard]] int Grow();
    // Frees every string; table and size kept.
    [[nodiscard]] int Flush();
    [[nodiscard]] int Copy(const VRX_stringArray& other);
    // New item i = old item order[i], over the items or over all slots (by order's count).
    [[nodiscard]] int Permute(const VRX_intArray& order);
    // Appends an empty text without the checks of subclasses.
    [[nodiscard]] int AddEmpty();
    // Exchanges the tables, items and growth steps; what a subclass derived from the items is out of date.
    void Swap(VRX_stringArray& other);

protected:
    using Slot = std::unique_ptr<char[]>;

    // out = exact copy of text (null for null); kOutOfMemory when it cannot be allocated.
    [[nodiscard]] static int CopyText(const char* text, Slot& out);

    // Counts the changes to the items, so that a subclass can tell whether what it derived from them
    // (an index) is still current.
    void Edited() { ++edits; }

    std::unique_ptr<Slot[]> items;
    unsigned long long edits = 0;
};
