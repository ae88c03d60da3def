#pragma once
// Appearance of a node or submodel on screen: position rectangle, colours, font, border and arc display.

#include "base/rectangle.h"
#include "base/vrx_object.h"

class VRX_screenInfo : public VRX_object {
public:
    // An appearance int that takes the default (ApplyDefaults); 0x80000001.
    static constexpr int kNotSet = -2147483647;
    // Bits of arcFlags.
    static constexpr int kShowInArcs = 1;
    static constexpr int kShowOutArcs = 2;

    VRX_screenInfo() = default;
    ~VRX_screenInfo() override;

    // kObjectNotValid when other is not valid; position and all seven ints copied; 0.
    [[nodiscard]] int Copy(const VRX_screenInfo& other);
    // kObjectNotValid when defaults is not valid; a zero width or height and every appearance int still at
    // kNotSet take the default's; arcFlags is left; 0.
    [[nodiscard]] int ApplyDefaults(const VRX_screenInfo& defaults);

    VRX_rectangle position;  // centre x and y, width, height
    int color = kNotSet;
    int selColor = kNotSet;
    int font = kNotSet;
    int fontColor = kNotSet;
    int borderThickness = kNotSet;
    int borderColor = kNotSet;
    int arcFlags = kShowInArcs | kShowOutArcs;
};
