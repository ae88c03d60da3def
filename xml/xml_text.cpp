// Text conversions of the XML reader and writer.
#include "xml/xml_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <system_error>

#include "base/identifier.h"
#include "base/number_text.h"

namespace vovido {

namespace {

// True when p starts with the lower-case word, in any case.
bool StartsWithNoCase(const char* p, const char* word) {
    for (; *word != '\0'; ++p, ++word) {
        const char c = (*p >= 'A' && *p <= 'Z') ? static_cast<char>(*p - 'A' + 'a') : *p;
        if (c != *word) return false;
    }
    return true;
}

// Skips the digits of a mantissa part; clears allZero at the first non-zero digit.
const char* SkipMantissaDigits(const char* p, bool& allZero, bool& any) {
    for (; IsAsciiDigit(*p); ++p) {
        any = true;
        if (*p != '0') allZero = false;
    }
    return p;
}

}  // namespace

void Utf8ToLatin1(std::string& text) {
    const size_t n = text.size();
    size_t i = 0;
    while (i < n && (static_cast<unsigned char>(text[i]) & 0x80) == 0) ++i;
    if (i == n) return;
    size_t out = i;
    while (i < n) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            text[out++] = static_cast<char>(lead);
            ++i;
            continue;
        }
        size_t length;
        unsigned int code;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07u;
        } else {
            text[out++] = '?';
            ++i;
            continue;
        }
        size_t k = 1;
        for (; k < length && i + k < n; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) break;
            code = (code << 6) | (next & 0x3Fu);
        }
        text[out++] = (k == length && code <= 0xFF) ? static_cast<char>(code) : '?';
        i += k;
    }
    text.resize(out);
}

void UnescapeBackslashes(const std::string& text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < n) {
            c = text[++i];
            if (c == 'n') {
                c = '\n';
            } else if (c == 't') {
                c = '\t';
            }
        }
        out.push_back(c);
    }
}

const char* ScanXmlDouble(const char* text, double& value) {
    value = 0.0;
    if (text == nullptr) return text;
    const char* p = text;
    while (IsCSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';

    // First the extent of the number (strtod's decimal grammar); the value comes from ParseDouble, which
    // is strtod apart from its sentinel texts, and those all read as zero or as nothing here.
    const char* end;
    bool allZero = true;
    if (StartsWithNoCase(p, "inf")) {
        end = p + 3;
        if (StartsWithNoCase(end, "inity")) end += 5;
        allZero = false;
    } else if (StartsWithNoCase(p, "nan")) {
        end = p + 3;
        if (*end == '(') {
            const char* q = end + 1;
            while (IsAsciiDigit(*q) || (*q >= 'a' && *q <= 'z') || (*q >= 'A' && *q <= 'Z') || *q == '_') ++q;
            if (*q == ')') end = q + 1;
        }
        allZero = false;
    } else {
        // Decimal digits only, as every other reader takes them: "0x10" reads its "0" and stops at the 'x'.
        const char* q = p;
        bool any = false;
        q = SkipMantissaDigits(q, allZero, any);
        if (*q == '.') {
            bool fraction = false;
            const char* r = SkipMantissaDigits(q + 1, allZero, fraction);
            if (any || fraction) q = r;
            any = any || fraction;
        }
        if (!any) return text;
        end = SkipExponent(q, 'e', 'E');
    }
    if (allZero) {
        value = negative ? -0.0 : 0.0;
    } else {
        (void)ParseDouble(text, value);  // the scan above found a number there
    }
    return end;
}

const char* ScanXmlInt(const char* text, int& value) {
    value = 0;
    if (text == nullptr) return text;
    const char* p = text;
    while (IsCSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!IsAsciiDigit(*p)) return text;
    // Accumulated negatively: INT_MIN has no positive counterpart.
    int sum = 0;
    for (; IsAsciiDigit(*p); ++p) {
        const int digit = *p - '0';
        sum = sum < (INT_MIN + digit) / 10 ? INT_MIN : sum * 10 - digit;
    }
    value = negative ? sum : (sum == INT_MIN ? INT_MAX : -sum);
    return p;
}

bool ParseWholeXmlDouble(const char* text, double& value) {
    const char* end = ScanXmlDouble(text, value);
    return end != nullptr && *end == '\0';
}

bool ParseWholeXmlInt(const char* text, int& value) {
    value = 0;
    if (text == nullptr) return false;
    // Exact and in range, however written ("1e5"): no number is cut at its 'e' or saturated. Nothing may
    // follow it, blanks included.
    const size_t length = std::strlen(text);
    if (length > 0 && IsCSpace(text[length - 1])) return false;
    return length == 0 || ParseWholeNumber(text, value) == 0;
}

std::string IntListFault(size_t element, const std::string& text) {
    return "Can't read list of integers, failed at element " + std::to_string(element) + ": '" + text +
           "' : " + kWholeNumberExpected;
}

size_t FormatXmlDouble(double value, char (&buffer)[kXmlDoubleTextSize]) {
    char* const last = buffer + kXmlDoubleTextSize - 1;
    std::to_chars_result r = std::to_chars(buffer, last, value, std::chars_format::general, 16);
    if (std::isfinite(value)) {
        double back = 0.0;
        std::from_chars(buffer, r.ptr, back, std::chars_format::general);
        if (back != value) r = std::to_chars(buffer, last, value, std::chars_format::general, 17);
    }
    *r.ptr = '\0';
    return static_cast<size_t>(r.ptr - buffer);
}

}  // namespace vovido
