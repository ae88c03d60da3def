// Encodings of the graphical extension: fault name words, colours, rectangles and line ends.
#include "xml/graphical_extension.h"

#include <climits>
#include <cstdio>

#include "base/rectangle.h"

namespace vovido {

namespace {

constexpr const char* kFaultNameFormats[] = {"user", "node", "state", "nodestate", "inherit"};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int ClampToInt(long long value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

const char* FaultNameFormatWord(int code) {
    if (code < 0 || code >= static_cast<int>(sizeof(kFaultNameFormats) / sizeof(kFaultNameFormats[0])))
        return nullptr;
    return kFaultNameFormats[code];
}

int FaultNameFormatCode(const std::string& word) {
    for (int code = 0; code < static_cast<int>(sizeof(kFaultNameFormats) / sizeof(kFaultNameFormats[0]));
         ++code) {
        if (word == kFaultNameFormats[code]) return code;
    }
    return -1;
}

bool ParseCavroColor(const std::string& text, int& color) {
    // Six digits exactly: no sign, blanks or "0x" prefix, which a plain strtoul would let through.
    if (text.size() != 6) return false;
    unsigned int rgb = 0;
    for (char c : text) {
        const int digit = HexValue(c);
        if (digit < 0) return false;
        rgb = (rgb << 4) | static_cast<unsigned int>(digit);
    }
    const unsigned int red = (rgb >> 16) & 0xFF;
    const unsigned int green = (rgb >> 8) & 0xFF;
    const unsigned int blue = rgb & 0xFF;
    color = static_cast<int>(red | (green << 8) | (blue << 16));
    return true;
}

std::string FormatCavroColor(int color) {
    const unsigned int held = static_cast<unsigned int>(color);
    const unsigned int rgb = ((held & 0xFF) << 16) | (held & 0xFF00) | ((held >> 16) & 0xFF);
    char text[8];
    std::snprintf(text, sizeof(text), "%06x", rgb);
    return text;
}

void RectangleFromCorners(long long left, long long top, long long right, long long bottom,
                          VRX_rectangle& rect) {
    // Corner values are ints; the sums and differences are taken wide so that no corner overflows them.
    rect.centerX = ClampToInt((left + right) / 2);
    rect.centerY = ClampToInt((top + bottom) / 2);
    rect.width = ClampToInt(right >= left ? right - left : left - right);
    rect.height = ClampToInt(bottom >= top ? bottom - top : top - bottom);
}

namespace {

// The low corner whose midpoint with low + size, truncated toward zero as the loader takes it, is the
// centre again: centre - size / 2 alone is one off for an odd size left of the origin, and the shape
// would then drift by one at each save and load.
long long LowCorner(int centre, int size) {
    long long low = static_cast<long long>(centre) - size / 2;
    const long long readBack = (2 * low + size) / 2;
    if (readBack > centre) --low;
    if (readBack < centre) ++low;
    return low;
}

}  // namespace

std::string FormatCavroRectangle(const VRX_rectangle& rect) {
    const long long left = LowCorner(rect.centerX, rect.width);
    const long long top = LowCorner(rect.centerY, rect.height);
    const long long right = left + rect.width;
    const long long bottom = top + rect.height;
    char text[96];
    std::snprintf(text, sizeof(text), "%lld %lld %lld %lld", left, top, right, bottom);
    return text;
}

void UnescapeDiagramText(const std::string& text, std::string& out) {
    out.clear();
    out.reserve(text.size() + text.size() / 8);
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < n) {
            const char escaped = text[++i];
            if (escaped == 'n') {
                out.append("\r\n");
            } else {
                out.push_back(escaped == 't' ? '\t' : escaped);
            }
            continue;
        }
        if (c == '\n' && (out.empty() || out.back() != '\r')) out.push_back('\r');
        out.push_back(c);
    }
}

}  // namespace vovido
