#pragma once
// Table-driven lexical analyser shared by every text network format: one current token, five remembered.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/vrx_object.h"
#include "formats/text_file.h"

namespace TokenKind {
constexpr int kIdentifier = 1;
constexpr int kInteger = 2;  // also digits with an exponent: "1e5"
constexpr int kReal = 3;
constexpr int kSlash = 4;
constexpr int kAssign = 5;  // '='
constexpr int kEqual = 6;   // "=="
constexpr int kDot = 7;
constexpr int kPunctuator = 8;
constexpr int kSign = 9;  // a lone '+' or '-'
constexpr int kString = 70;
constexpr int kUnknown = 90;
}  // namespace TokenKind

// Lexer tables by the formats that use them.
namespace LexerMode {
constexpr int kStandard = 1;  // own text format, KI, Netica, XMLBIF
constexpr int kWords = 2;     // Ergo: words run to the next blank
constexpr int kHugin = 3;     // '%' starts a line comment
constexpr int kMsbn = 4;      // ',' and '|' are skipped between tokens
constexpr int kSignPunctuator = 5;
}  // namespace LexerMode

// The token that PeekToken fills. `text` points into the analyser and stays valid until the next token is
// scanned: a scan that fails leaves the last token read (an empty text before the first).
struct VRX_token {
    int kind = TokenKind::kUnknown;
    const char* text = nullptr;
    // Characters of the token as it stood in the line; for a string, the length of its unescaped text.
    int length = 0;
    // The token starts where the one before it ended, with no separator or comment between ("0x10" is
    // "0" and "x10"): a reader may name the two as the one text the file holds.
    bool glued = false;
};

class VRX_lexicalAnalizer : public VRX_object {
public:
    static constexpr int kClassCount = 17;
    static constexpr int kStateCount = 16;
    static constexpr int kHistorySize = 5;
    // A file that keeps producing unreadable characters is binary; reading stops after this many reports.
    static constexpr int kMaxUnknownReports = 100;

    // An unknown mode leaves the analyser invalid; Open then refuses with kObjectNotValid.
    explicit VRX_lexicalAnalizer(int mode);
    ~VRX_lexicalAnalizer() override;
    VRX_lexicalAnalizer(const VRX_lexicalAnalizer&) = delete;
    VRX_lexicalAnalizer& operator=(const VRX_lexicalAnalizer&) = delete;

    // 0, or kOutOfRange for a mode outside 1-5 (the table is then left as it was).
    [[nodiscard]] int LoadTable(int mode);

    // Opens the file and reads its first line: 0, kFileIoFailed when it cannot be opened, kEndOfFile when it
    // is empty.
    [[nodiscard]] int Open(const char* path);
    // Reads from a text held in memory, as Open reads a file.
    [[nodiscard]] int OpenText(std::string_view text);

    // The current token, which stays current until Consume. 0; kNoMoreTokens at the end of the input;
    // kLexicalError for an unknown character, which is logged and dropped so that the next call goes on after
    // it; kUnexpectedEndOfFile (logged) when the input ends inside a comment or a string.
    [[nodiscard]] int PeekToken(VRX_token& token);
    void Consume();
    // Makes the previous remembered token current again; kOutOfRange when there is none.
    [[nodiscard]] int StepBack();

    // Line of the most recently read line (1 for the first).
    int GetLineNumber() const { return file.GetLineNumber(); }
    // kFileIoFailed once reading the input failed (logged by the text file: a read error, a line or a file
    // too long), which ends the tokens as the end of the input does.
    int GetInputStatus() const { return file.GetStatus(); }
    // Errors logged inside tokens that were read all the same (a zero byte in a string): the read fails.
    int GetErrorsLogged() const { return errorsLogged_; }
    // The input's file, for its reading limits.
    VRX_textFile& GetFile() { return file; }
    // Characters skipped before a token; readers may add to the initial blank, tab and line feed.
    void AddSeparators(const char* characters);
    const std::string& GetSeparators() const { return separators; }
    // The input's last line ends in a character that is no separator (no line end): a cut inside the
    // last token cannot be told from that token.
    bool EndsWithoutSeparator() const { return endsOpen_; }
    // Tokens consumed minus tokens stepped back over: a reader loop whose iteration leaves it unchanged
    // has made no progress.
    int64_t GetPosition() const { return position_; }

    [[nodiscard]] static int ClassifyChar(unsigned char c);

private:
    using Column = std::array<uint8_t, kStateCount>;

    struct HistoryEntry {
        int kind = TokenKind::kUnknown;
        int length = 0;
        bool glued = false;
    };

    // The character class at index i of the line; the end of the line counts as the terminating zero.
    [[nodiscard]] int ClassAt(size_t i) const;
    [[nodiscard]] int NextLine();
    void StopReading();
    [[nodiscard]] int ScanToken(VRX_token& token);
    void KeepLastToken(VRX_token& token) const;
    int ReportUnknownCharacter(VRX_token& token);
    // "UNKNOWN CHARACTER", the character (or the bytes of the unreadable run from first to end) and its
    // column in the file's line.
    std::string UnknownCharacterText(size_t first, size_t end) const;
    [[nodiscard]] int ReadStringToken(VRX_token& token);
    [[nodiscard]] int ReadStringEscape(size_t& pos, bool& skipBlanks);
    [[nodiscard]] int SkipLineComment();
    [[nodiscard]] int SkipBlockComment();
    [[nodiscard]] int SkipNestedComment();
    void Remember(int kind, std::string_view text, int length, bool glued = false);
    // The slot of the index-th remembered token, the oldest first.
    int HistorySlot(int index) const {
        const int slot = historyStart_ + index;  // both below kHistorySize
        return slot < kHistorySize ? slot : slot - kHistorySize;
    }
    void FillFromHistory(VRX_token& token) const;

    std::array<Column, kClassCount> table{};
    size_t tokenStart = 0;  // index into lineBuffer where the next scan starts
    size_t scan = 0;        // index of the character being examined
    int previousState = 0;
    int state = 0;
    std::string lineBuffer;
    VRX_textFile file;
    std::string tokenText;
    std::string unknownText_;  // the unreadable run reported, apart from the text a string is read into
    uint32_t sourceFlags = 0;
    std::string separators;
    std::array<HistoryEntry, kHistorySize> history{};
    int historyCount = 0;
    int historyStart_ = 0;  // the slot of the oldest remembered token
    int historyIndex = -1;  // of the current token, counted from the oldest
    // A remembered token's text: its room is kept from token to token, so that most need no allocation.
    struct KeptText {
        std::unique_ptr<char[]> chars;
        size_t room = 0;
        void Assign(std::string_view text);
    };
    std::array<KeptText, kHistorySize> historyTexts;

    std::array<bool, 256> isSeparator_{};
    int unknownReports_ = 0;
    int errorsLogged_ = 0;
    bool stopped_ = false;
    bool endsOpen_ = false;
    size_t skippedMark_ = 0;  // bytes of a byte-order mark taken off the first line
    // Where the last token scanned from a line ended: its line (0 for none) and the index after it.
    int lastEndLine_ = 0;
    size_t lastEnd_ = 0;
    int64_t position_ = 0;
};
