#pragma once
// Text conversions shared by the XML reader and writer: UTF-8 to ISO-8859-1, backslash escapes, and
// numbers read and written independently of the process locale.

#include <cstddef>
#include <string>

namespace vovido {

// The text, or the empty text for null.
inline const char* OrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

// Rebuilds UTF-8 text in place as ISO-8859-1: code points up to 255 become one byte, larger ones '?'.
// Text without high-bit bytes is left untouched. A sequence cut short by the end of the text, or a
// stray continuation byte, becomes '?' as well.
void Utf8ToLatin1(std::string& text);

// out = text with backslash escapes resolved: "\n" a line feed, "\t" a tab, "\x" for any other x the
// character x; a backslash that ends the text is kept.
void UnescapeBackslashes(const std::string& text, std::string& out);

// Reads a double the way strtod does in the "C" locale (leading blanks, sign, decimal digits with
// exponent, inf/infinity/nan), but no hexadecimal number, which no other reader takes: "0x10" reads as
// the 0 before its 'x'. Returns the end of what was read; when nothing was read, value is 0 and the
// result is text itself. A null text reads nothing.
const char* ScanXmlDouble(const char* text, double& value);

// Reads a base-10 int the way strtol does in the "C" locale and returns the end of what was read
// (text itself, with value 0, when there are no digits). Values beyond the int range saturate.
const char* ScanXmlInt(const char* text, int& value);

// True when the whole text is one number (nothing after it); the empty text reads 0.
bool ParseWholeXmlDouble(const char* text, double& value);
// The same for a whole number in the int range, written with digits or an exponent ("1e5"); a text of
// another value ("3e9", "0.5") is refused as none.
bool ParseWholeXmlInt(const char* text, int& value);
// The error of a list of integers whose element `element` (from 1), `text`, ParseWholeXmlInt refused.
std::string IntListFault(size_t element, const std::string& text);

// Room for the longest text of FormatXmlDouble and its terminating zero.
constexpr size_t kXmlDoubleTextSize = 32;

// Writes value as printf's "%.16g" does in the "C" locale; when those 16 digits do not read back as
// the same double, 17 digits are written instead, so every value survives a round trip exactly.
// NaN is written "nan" (or "-nan"), infinities "inf" and "-inf". Returns the length of the text.
size_t FormatXmlDouble(double value, char (&buffer)[kXmlDoubleTextSize]);

}  // namespace vovido
