#pragma once
// Screen rectangle of a node or object, and the growable array of them.

#include <memory>

#include "base/string_array.h"
#include "base/vrx_object.h"

class VRX_rectangle : public VRX_object {
public:
    VRX_rectangle() = default;
    VRX_rectangle(int cx, int cy, int w, int h) : centerX(cx), centerY(cy), width(w), height(h) {}
    // Takes the four ints only from a valid source (else all 0); the new rectangle is valid.
    VRX_rectangle(const VRX_rectangle& other);
    VRX_rectangle& operator=(const VRX_rectangle& other);
    ~VRX_rectangle() override;

    // kObjectNotValid when other is not valid; else copies the four ints.
    [[nodiscard]] int Copy(const VRX_rectangle& other);
    // kObjectNotValid when other is not valid; a zero width or height takes other's.
    [[nodiscard]] int FillSizeFrom(const VRX_rectangle& other);

    int centerX = 0;
    int centerY = 0;
    int width = 0;
    int height = 0;
};

class VRX_rectangleArray : public VRX_array {
public:
    explicit VRX_rectangleArray(int growth = kDefaultDelta);
    VRX_rectangleArray(const VRX_rectangleArray& other);
    VRX_rectangleArray& operator=(const VRX_rectangleArray& other);
    ~VRX_rectangleArray() override;

    void CleanUp(int deep) override;
    void CheckValidity(int deep) override;

    // The rectangle at i; outside [0, size) a zeroed spare, so stray reads and writes harm nothing.
    VRX_rectangle& operator[](int i);
    const VRX_rectangle& operator[](int i) const;

    // The new item takes rect's four ints only when rect is valid.
    [[nodiscard]] int Add(const VRX_rectangle& rect);
    [[nodiscard]] int Grow();

protected:
    std::unique_ptr<VRX_rectangle[]> items;
    mutable VRX_rectangle spare;

private:
    // Deep copy of other's table, counts and growth step; kOutOfMemory leaves this array empty.
    [[nodiscard]] int CopyFrom(const VRX_rectangleArray& other);
};
