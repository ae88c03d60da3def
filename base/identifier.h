#pragma once
// Identifier rules shared by every subsystem: ASCII character classes (with the exponent of a number
// text), validity and in-place repair.

#include <string>

namespace vovido {

// Character classes are plain ASCII so that bytes above 127 (Latin-1, UTF-8) are simply "not a letter",
// independent of the C locale and never undefined for negative chars.
inline bool IsAsciiLetter(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

inline bool IsAsciiDigit(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= '0' && u <= '9';
}

inline bool IsAsciiHexDigit(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return IsAsciiDigit(c) || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

// The "C" locale's isspace set, which is what strtod and strtol skip there.
inline bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Skips an exponent (marker in either case, optional sign, digits: "e12", "p-3") when digits follow the
// marker; else returns p.
inline const char* SkipExponent(const char* p, char lower, char upper) {
    if (*p != lower && *p != upper) return p;
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    if (!IsAsciiDigit(*q)) return p;
    while (IsAsciiDigit(*q)) ++q;
    return q;
}

// A character allowed after the first one of an identifier: letter, digit or '_'.
inline bool IsIdentifierChar(char c) {
    return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_';
}

}  // namespace vovido

// 1 when text is non-empty and either begins with '@' (engine-made temporary names, anything may follow)
// or is a letter followed by letters, digits or '_'; else 0.
[[nodiscard]] int IsValidIdentifier(const char* text);

// Repairs text in place: kOutOfRange for an empty text; a first character that is not a letter is replaced by
// 'x'; every later character that is not a letter, digit or '_' becomes '_'. 0 on success.
[[nodiscard]] int SanitizeIdentifier(std::string& text);
