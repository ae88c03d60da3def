// Screen appearance of a node or submodel.
#include "model/screen_info.h"

#include <iterator>

#include "base/status_codes.h"

VRX_screenInfo::~VRX_screenInfo() = default;

int VRX_screenInfo::Copy(const VRX_screenInfo& other) {
    if (!other.IsValid()) return kObjectNotValid;
    if (this == &other) return kSuccess;
    (void)position.Copy(other.position);  // an invalid source rectangle leaves ours as it is
    color = other.color;
    selColor = other.selColor;
    font = other.font;
    fontColor = other.fontColor;
    borderThickness = other.borderThickness;
    borderColor = other.borderColor;
    arcFlags = other.arcFlags;
    return kSuccess;
}

int VRX_screenInfo::ApplyDefaults(const VRX_screenInfo& defaults) {
    if (!defaults.IsValid()) return kObjectNotValid;
    (void)position.FillSizeFrom(defaults.position);  // an invalid default rectangle leaves ours as it is
    int* const own[] = {&color, &selColor, &font, &fontColor, &borderThickness, &borderColor};
    const int* const given[] = {&defaults.color,     &defaults.selColor,        &defaults.font,
                                &defaults.fontColor, &defaults.borderThickness, &defaults.borderColor};
    static_assert(std::size(own) == std::size(given));
    for (size_t k = 0; k < std::size(own); ++k) {
        if (*own[k] == kNotSet) *own[k] = *given[k];
    }
    return kSuccess;
}
