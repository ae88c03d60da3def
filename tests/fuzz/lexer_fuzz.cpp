// libFuzzer target: the lexical analyser in every mode, and the text-format base's recovering loops,
// on arbitrary bytes. Traps when a loop stops advancing or a token is malformed.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "formats/lexical_analyser.h"
#include "formats/text_format_base.h"

namespace {

class FuzzSpeaker : public VRX_textFormat {
public:
    FuzzSpeaker() : VRX_textFormat(nullptr) {}
    int ReadFile(const char* /*path*/) override { return 0; }
    int WriteFile(const char* /*path*/) override { return 0; }
};

void ScanAll(std::string_view text, int mode) {
    VRX_lexicalAnalizer lexer(mode);
    (void)lexer.OpenText(text);  // a text always opens
    VRX_token token;
    // Every token, and every reported character, uses up at least one byte of the input.
    const size_t bound = 2 * text.size() + 8;
    size_t steps = 0;
    for (; steps < bound; ++steps) {
        const int result = lexer.PeekToken(token);
        if (result == kNoMoreTokens) break;
        if (result != kSuccess) continue;
        if (token.text == nullptr || token.length < 0) __builtin_trap();
        if (steps % 5 == 4) (void)lexer.StepBack();  // the walk itself is under test
        lexer.Consume();
    }
    if (steps == bound) __builtin_trap();
}

// Statements KEY = value; where the value is a list, a number, a word or a block.
int ReadStatement(FuzzSpeaker& s) {
    int value = 0;
    const int result = s.ReadIntField("N", value);
    if (result != kNotThisKeyword) return result;
    if (s.ReadFieldStart("L", TokenKind::kPunctuator) != kNotThisKeyword) {
        VRX_stringArray names;
        return s.ReadStringList(names);
    }
    if (s.ExpectToken(TokenKind::kIdentifier, nullptr) == kSuccess &&
        s.ExpectToken(TokenKind::kPunctuator, "{") == kSuccess) {
        return s.ReadBlock([&s]() { return ReadStatement(s); });
    }
    VRX_doubleArray numbers;
    return s.ReadDoubleList(numbers);
}

void ReadAll(std::string_view text) {
    FuzzSpeaker s;
    (void)s.StartReadingText(text, LexerMode::kStandard);
    for (size_t guard = 0; s.AtSectionEnd() == 0 || s.IsWordNext("}") == 1; ++guard) {
        if (guard > text.size() + 8) __builtin_trap();
        if (s.ExpectToken(TokenKind::kPunctuator, "{") == kSuccess) {
            s.ReadBlock([&s]() { return ReadStatement(s); });
        } else if (s.SkipBlock() != kSuccess) {
            break;
        } else if (s.IsWordNext("}") == 1) {
            s.ConsumeToken();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int mode = LexerMode::kStandard; mode <= LexerMode::kSignPunctuator; ++mode) ScanAll(text, mode);
    ReadAll(text);
    errorLog.Flush();
    return 0;
}
