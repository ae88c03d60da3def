#pragma once
// Conversion between the engine's byte strings and the UTF-16 of Java strings. The engine keeps
// whatever bytes it was given (Latin-1 from old files, UTF-8 from new ones), so nothing here may
// refuse a byte sequence or lose a character.

#include <jni.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vovido {

// Engine text to UTF-16. Text that is valid UTF-8 and holds at least one multi-byte sequence is
// decoded as UTF-8; any other text is Latin-1, one unit per byte.
std::vector<jchar> EngineTextToUtf16(const char* text, size_t length);

// UTF-16 to engine text: Latin-1 when every unit is below 256, so such text comes back byte for byte;
// UTF-8 otherwise (an unpaired surrogate becomes U+FFFD). A NUL unit ends the engine's text.
std::string Utf16ToEngineText(const jchar* units, size_t count);

}  // namespace vovido
