#pragma once
// Value encodings of the graphical extension "cavro" of the XML network format, shared by its loader
// and its saver: fault name formats, colours, rectangles and multi-line texts.

#include <string>

class VRX_rectangle;

// Version of the extension written and accepted.
constexpr const char* kCavroVersion = "1.0";

namespace vovido {

// "user", "node", "state", "nodestate", "inherit" for the codes 0 to 4; null for any other code.
const char* FaultNameFormatWord(int code);
// The code of a fault name format word (exact), -1 for any other text.
[[nodiscard]] int FaultNameFormatCode(const std::string& word);

// A colour held as 0x00BBGGRR from exactly six hexadecimal digits "rrggbb" (either case); false for any
// other text.
bool ParseCavroColor(const std::string& text, int& color);
// "rrggbb" in lower case; a fourth byte of the held value is not written.
std::string FormatCavroColor(int color);

// The held rectangle (centre x, centre y, width, height) from left, top, right, bottom.
void RectangleFromCorners(long long left, long long top, long long right, long long bottom,
                          VRX_rectangle& rect);
// "left top right bottom" of the held rectangle.
std::string FormatCavroRectangle(const VRX_rectangle& rect);

// A diagram text of a file with its backslash escapes resolved. The engine keeps multi-line diagram
// texts with carriage return and line feed: "\n" gives that pair, and so does a line feed of the file's
// text unless a carriage return comes before it; a backslash before a line feed gives a lone line feed,
// as the writer marks one.
void UnescapeDiagramText(const std::string& text, std::string& out);

}  // namespace vovido
