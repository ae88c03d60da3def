// Text form of numbers: locale-independent conversions built on std::to_chars and std::from_chars.
#include "base/number_text.h"

#include "base/identifier.h"
#include "base/status_codes.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <system_error>

namespace {

using vovido::IsAsciiHexDigit;
using vovido::IsCSpace;

struct SentinelText {
    const char* text;
    double value;
};

// Written forms first: FormatDouble uses the first text of each value.
constexpr SentinelText kSentinelTexts[] = {
    {"0.0E-2", kUndefinedValue}, {"0.0E-3", kIllegalValue},  {"0.0E-4", kNotAvailableValue},
    {"UNDEF.", kUndefinedValue}, {"ILLEGAL", kIllegalValue}, {"NA", kNotAvailableValue},
};

// For a finite number text [first, last) that from_chars found out of range: true when its magnitude
// is too large (overflow), false when too small (underflow). Digits count in the base of the mantissa;
// the exponent is decimal for base 10 and binary for base 16.
bool ExceedsRange(const char* first, const char* last, bool hex) {
    const char* p = first;
    long lead = 0;  // position of the leading non-zero digit, in mantissa digits
    bool seenNonZero = false;
    long zerosAfterPoint = 0;
    for (; p < last && IsAsciiHexDigit(*p) && (hex || (*p >= '0' && *p <= '9')); ++p) {
        if (*p != '0') seenNonZero = true;
        if (seenNonZero && lead < LONG_MAX / 8) ++lead;
    }
    if (p < last && *p == '.') {
        for (++p; p < last && IsAsciiHexDigit(*p) && (hex || (*p >= '0' && *p <= '9')); ++p) {
            if (!seenNonZero) {
                if (*p != '0') {
                    seenNonZero = true;
                } else if (zerosAfterPoint < LONG_MAX / 8) {
                    ++zerosAfterPoint;
                }
            }
        }
    }
    long order = lead > 0 ? lead - 1 : -zerosAfterPoint - 1;
    if (hex) order *= 4;
    long exponent = 0;
    if (p < last && (*p == 'e' || *p == 'E' || *p == 'p' || *p == 'P')) {
        ++p;
        bool negative = false;
        if (p < last && (*p == '+' || *p == '-')) negative = *p++ == '-';
        for (; p < last && *p >= '0' && *p <= '9'; ++p) {
            if (exponent < 100000000) exponent = exponent * 10 + (*p - '0');
        }
        if (negative) exponent = -exponent;
    }
    return order + exponent >= 0;
}

// Reads an unsigned number (no sign, no blanks) at [first, last) as strtod would; returns the end of
// what was read, first when nothing was.
const char* ReadMagnitude(const char* first, const char* last, double& value) {
    // strtod takes "0x" only when a hexadecimal mantissa follows; otherwise it reads the "0" alone.
    if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X') &&
        (IsAsciiHexDigit(first[2]) || (first[2] == '.' && last - first > 3 && IsAsciiHexDigit(first[3])))) {
        const char* digits = first + 2;
        const std::from_chars_result r = std::from_chars(digits, last, value, std::chars_format::hex);
        if (r.ec == std::errc::result_out_of_range) {
            value = ExceedsRange(digits, r.ptr, true) ? HUGE_VAL : 0.0;
        }
        if (r.ec != std::errc::invalid_argument) return r.ptr;
    }
    const std::from_chars_result r = std::from_chars(first, last, value, std::chars_format::general);
    if (r.ec == std::errc::invalid_argument) return first;
    if (r.ec == std::errc::result_out_of_range) value = ExceedsRange(first, r.ptr, false) ? HUGE_VAL : 0.0;
    return r.ptr;
}

}  // namespace

int ParseDouble(const char* text, double& out) {
    out = 0.0;
    if (text == nullptr) return kOutOfRange;
    for (const SentinelText& s : kSentinelTexts) {
        if (std::strcmp(text, s.text) == 0) {
            out = s.value;
            return kSuccess;
        }
    }
    const char* last = text + std::strlen(text);
    const char* p = text;
    while (IsCSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // from_chars takes a '-' of its own; strtod never reads two signs.
    if (*p == '+' || *p == '-') return kOutOfRange;
    double magnitude = 0.0;
    if (ReadMagnitude(p, last, magnitude) == p) return kOutOfRange;
    out = negative ? -magnitude : magnitude;
    return kSuccess;
}

int FormatDouble(double value, std::string& out) {
    out.clear();
    AppendDouble(value, out);
    return kSuccess;
}

void AppendDouble(double value, std::string& out) {
    for (const SentinelText& s : kSentinelTexts) {
        if (value == s.value) {
            out.append(s.text);
            return;
        }
    }
    if (std::isnan(value)) {
        out.append("nan");
        return;
    }
    if (std::isinf(value)) {
        out.append(value < 0 ? "-inf" : "inf");
        return;
    }
    // The shortest text that reads back as this very double ("0.1", "1e-10", "0.3333333333333333"),
    // so a value survives any number of saves and loads. A small probability such as 1e-10 keeps its
    // digits instead of becoming 0, and every text is an Integer or Real Number token of the lexer.
    char text[32];  // "-2.2250738585072014e-308" and room to spare
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
    out.append(text, r.ptr);
}

int FormatInt(int value, std::string& out) {
    char digits[16];  // "-2147483648" and room to spare
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
    out.assign(digits, r.ptr);
    return kSuccess;
}

int ParseInt(const char* text, int& out) {
    out = 0;
    if (text == nullptr) return kSuccess;
    const char* p = text;
    while (IsCSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // Accumulated negatively: INT_MIN has no positive counterpart.
    int value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const int digit = *p - '0';
        if (value < (INT_MIN + digit) / 10) {
            value = INT_MIN;
            continue;
        }
        value = value * 10 - digit;
    }
    if (!negative) value = value == INT_MIN ? INT_MAX : -value;
    out = value;
    return kSuccess;
}

const char* const kWholeNumberExpected = "Whole number expected, from -2147483648 to 2147483647";

int ParseSampleCount(const char* text, int& out) {
    out = 0;
    if (text == nullptr) return kOutOfRange;
    // A fraction is taken only where an exponent makes the value whole ("1.5e3"): "2.0" is no integer.
    if (std::strchr(text, '.') != nullptr && std::strpbrk(text, "eE") == nullptr) return kOutOfRange;
    int count = 0;
    if (ParseWholeNumber(text, count) != kSuccess || count < 0) return kOutOfRange;
    out = count;
    return kSuccess;
}

int ParseWholeNumber(const char* text, int& out) {
    out = 0;
    if (text == nullptr) return kSyntaxError;
    const char* p = text;
    while (IsCSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // The significant digits and the power of ten they are scaled by, exactly: no rounding can make a
    // fraction whole or a large value fit.
    std::string digits;
    long long scale = 0;
    bool any = false;
    for (; *p >= '0' && *p <= '9'; ++p, any = true) {
        if (!digits.empty() || *p != '0') digits.push_back(*p);
    }
    if (*p == '.') {
        for (++p; *p >= '0' && *p <= '9'; ++p, any = true) {
            if (!digits.empty() || *p != '0') digits.push_back(*p);
            --scale;
        }
    }
    if (!any) return kSyntaxError;
    if (*p == 'e' || *p == 'E') {
        ++p;
        bool negativeExponent = false;
        if (*p == '+' || *p == '-') negativeExponent = *p++ == '-';
        if (!(*p >= '0' && *p <= '9')) return kSyntaxError;
        long long exponent = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            if (exponent < 1000000000LL) exponent = exponent * 10 + (*p - '0');
        }
        scale += negativeExponent ? -exponent : exponent;
    }
    while (IsCSpace(*p)) ++p;
    if (*p != '\0') return kSyntaxError;
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++scale;
    }
    if (digits.empty()) return kSuccess;  // zero, however written
    if (scale < 0 || static_cast<long long>(digits.size()) + scale > 10) return kOutOfRange;
    long long value = 0;
    for (const char c : digits) value = value * 10 + (c - '0');
    for (long long i = 0; i < scale; ++i) value *= 10;
    if (negative) value = -value;
    if (value < INT_MIN || value > INT_MAX) return kOutOfRange;
    out = static_cast<int>(value);
    return kSuccess;
}

double RoundToDecimals(double x, int n) {
    // 10^|n| by repeated squaring; |n| taken unsigned so that INT_MIN has a magnitude.
    unsigned int e = n < 0 ? 0u - static_cast<unsigned int>(n) : static_cast<unsigned int>(n);
    double p = 1.0;
    for (double base = 10.0; e != 0; e >>= 1) {
        if (e & 1u) p *= base;
        base *= base;
    }
    const double s = n >= 0 ? p : 1.0 / p;
    if (s == 0.0) return 0.0;  // a unit beyond every finite double: everything rounds to 0
    const double scaled = x * s;
    // From 2^52 up a double has no fraction left to round (and inf/NaN stay as they are), so x is kept
    // as it is; below that floor() rounds exactly in double, where a cast to a 32-bit int would overflow.
    if (!(std::fabs(scaled) < 4503599627370496.0)) return x;
    return std::floor(scaled + 0.5) / s;
}
