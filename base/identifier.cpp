// Identifier rules shared by every subsystem.
#include "base/identifier.h"

#include "base/status_codes.h"

using vovido::IsAsciiLetter;
using vovido::IsIdentifierChar;

int IsValidIdentifier(const char* text) {
    if (text == nullptr || text[0] == '\0') return 0;
    if (text[0] == '@') return 1;
    if (!IsAsciiLetter(text[0])) return 0;
    for (const char* p = text + 1; *p != '\0'; ++p) {
        if (!IsIdentifierChar(*p)) return 0;
    }
    return 1;
}

int SanitizeIdentifier(std::string& text) {
    if (text.empty()) return kOutOfRange;
    if (!IsAsciiLetter(text[0])) text[0] = 'x';
    for (size_t i = 1; i < text.size(); ++i) {
        if (!IsIdentifierChar(text[i])) text[i] = '_';
    }
    return kSuccess;
}
