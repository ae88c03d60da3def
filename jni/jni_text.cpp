// Latin-1 and UTF-8 engine text to and from UTF-16.
#include "jni/jni_text.h"

namespace {

// Length of the well-formed UTF-8 sequence at text[i] (RFC 3629: no overlong forms, no surrogates,
// nothing above U+10FFFF), or 0 when there is none.
size_t Utf8SequenceLength(const unsigned char* text, size_t i, size_t length) {
    const unsigned char lead = text[i];
    size_t n = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (length - i < n) return 0;
    if (text[i + 1] < low || text[i + 1] > high) return 0;
    for (size_t k = 2; k < n; ++k) {
        if ((text[i + k] & 0xC0) != 0x80) return 0;
    }
    return n;
}

// True when the text is well-formed UTF-8 with at least one byte above 127.
bool IsMultiByteUtf8(const unsigned char* text, size_t length) {
    bool multiByte = false;
    for (size_t i = 0; i < length;) {
        if (text[i] < 0x80) {
            ++i;
            continue;
        }
        const size_t n = Utf8SequenceLength(text, i, length);
        if (n == 0) return false;
        multiByte = true;
        i += n;
    }
    return multiByte;
}

void AppendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsHighSurrogate(unsigned u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(unsigned u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace

std::vector<jchar> vovido::EngineTextToUtf16(const char* text, size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::vector<jchar> units;
    units.reserve(length);
    if (!IsMultiByteUtf8(bytes, length)) {
        for (size_t i = 0; i < length; ++i) units.push_back(bytes[i]);
        return units;
    }
    for (size_t i = 0; i < length;) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            units.push_back(lead);
            ++i;
            continue;
        }
        const size_t n = Utf8SequenceLength(bytes, i, length);
        unsigned cp = lead & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (bytes[i + k] & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<jchar>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<jchar>(0xDC00 + (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<jchar>(cp));
        }
        i += n;
    }
    return units;
}

std::string vovido::Utf16ToEngineText(const jchar* units, size_t count) {
    size_t end = 0;
    bool latin1 = true;
    for (; end < count && units[end] != 0; ++end) {
        if (units[end] > 0xFF) latin1 = false;
    }
    std::string out;
    if (latin1) {
        out.resize(end);
        for (size_t i = 0; i < end; ++i) out[i] = static_cast<char>(units[i]);
        return out;
    }
    out.reserve(end * 3);
    for (size_t i = 0; i < end; ++i) {
        unsigned u = units[i];
        if (IsHighSurrogate(u) && i + 1 < end && IsLowSurrogate(units[i + 1])) {
            u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            u = 0xFFFD;
        }
        AppendUtf8(out, u);
    }
    return out;
}
