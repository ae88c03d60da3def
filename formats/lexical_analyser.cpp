// Table-driven lexical analyser: character classes, the five mode tables, scanning, strings, comments.
#include "formats/lexical_analyser.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"

namespace {

constexpr uint32_t kFileInput = 1;
constexpr uint32_t kReplay = 4;

// Table actions besides the states 1-15.
constexpr int kSkip = 0;
constexpr int kStringAction = 70;
constexpr int kLineComment = 75;
constexpr int kBlockComment = 80;
constexpr int kNestedComment = 85;
constexpr int kUnknown = 90;
constexpr int kAccept = 95;

constexpr int kBlankClass = 11;
constexpr int kUnreadableClass = 12;

using Row = int[VRX_lexicalAnalizer::kClassCount];

// Rows are states, columns character classes. An integer followed by '.' goes to the real state, so
// "12." is a Real Number; exponent digits stay in their state, so a sign after them starts a new token.
constexpr Row kStandardTable[VRX_lexicalAnalizer::kStateCount] = {
    {1, 2, 8, 4, 5, 8, 8, 7, 9, 70, 8, 0, 90, 8, 8, 8, 1},
    {1, 1, 1, 95, 95, 95, 95, 95, 95, 95, 95, 95, 90, 95, 95, 95, 1},
    {95, 2, 95, 95, 95, 95, 95, 3, 95, 95, 95, 95, 95, 95, 95, 95, 10},
    {95, 3, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 11},
    {95, 95, 95, 75, 95, 80, 85, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 95, 95, 95, 6, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 95, 95, 95, 90, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 3, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 2, 95, 95, 95, 95, 95, 3, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 14, 95, 95, 95, 95, 95, 95, 12, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 15, 95, 95, 95, 95, 95, 95, 13, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 14, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 15, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 14, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 15, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
};

// Words run to the next blank: most characters continue an identifier.
constexpr Row kWordsTable[VRX_lexicalAnalizer::kStateCount] = {
    {1, 2, 1, 8, 1, 8, 1, 1, 9, 1, 1, 0, 90, 1, 1, 1, 1},
    {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 95, 90, 1, 1, 1, 1},
    {1, 2, 1, 1, 1, 1, 1, 3, 1, 1, 1, 95, 95, 1, 1, 1, 10},
    {1, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 95, 95, 1, 1, 1, 11},
    {1, 1, 1, 95, 1, 95, 1, 1, 1, 1, 1, 95, 95, 1, 1, 1, 95},
    {95, 95, 95, 95, 6, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 95, 95, 95, 90, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {1, 3, 1, 95, 1, 95, 1, 1, 1, 1, 1, 95, 95, 1, 1, 1, 95},
    {1, 1, 1, 95, 1, 95, 1, 1, 1, 1, 1, 95, 95, 1, 1, 1, 95},
    {1, 2, 1, 95, 1, 95, 1, 3, 1, 1, 1, 95, 95, 1, 1, 1, 95},
    {95, 14, 95, 95, 95, 95, 95, 95, 12, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 15, 95, 95, 95, 95, 95, 95, 13, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 14, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 15, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 14, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
    {95, 15, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95, 95},
};

// Tests in this order: 'e' and 'E' have a class of their own among the letters.
constexpr int ClassOf(unsigned char c) {
    if (c == 'e' || c == 'E') return 16;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return 0;
    if (c >= '0' && c <= '9') return 1;
    switch (c) {
        case '_':
            return 2;
        case '/':
            return 3;
        case '=':
            return 4;
        case '*':
            return 5;
        case '#':
            return 6;
        case '.':
            return 7;
        case '+':
        case '-':
            return 8;
        case '"':
            return 9;
        case '%':
            return 13;
        case ',':
            return 14;
        case '|':
            return 15;
        case '!':
        case '$':
        case '^':
        case '&':
        case '(':
        case ')':
        case '[':
        case ']':
        case '{':
        case '}':
        case ';':
        case ':':
        case '\'':
        case '<':
        case '>':
        case '?':
        case '`':
        case '~':
        case '@':
        case '\\':
            return 10;
        case ' ':
        case '\n':
        case '\t':
        case '\0':
            return kBlankClass;
        default:
            return kUnreadableClass;
    }
}

struct ClassTable {
    uint8_t classes[256];
};

// Classes by byte for the scanner. An embedded zero byte is not the end of the line (the line's length
// is), so it is unreadable like the other control characters.
constexpr ClassTable MakeClassTable() {
    ClassTable t{};
    for (int c = 0; c < 256; ++c) {
        t.classes[c] = static_cast<uint8_t>(ClassOf(static_cast<unsigned char>(c)));
    }
    t.classes[0] = kUnreadableClass;
    return t;
}

constexpr ClassTable kClasses = MakeClassTable();

int KindOfState(int s) {
    switch (s) {
        case 2:
        case 14:
            return TokenKind::kInteger;
        case 3:
        case 15:
            return TokenKind::kReal;
        case 10:
        case 11:
        case 12:
        case 13:
            // An exponent without digits ("1e", "0.05e-"): no number, so that a reader refuses it whole
            // rather than reading its leading digits.
            return TokenKind::kUnknown;
        default:
            return s;
    }
}

inline unsigned char Byte(char c) {
    return static_cast<unsigned char>(c);
}

}  // namespace

int VRX_lexicalAnalizer::ClassifyChar(unsigned char c) {
    return ClassOf(c);
}

VRX_lexicalAnalizer::VRX_lexicalAnalizer(int mode) {
    separators = " \t\n";
    for (const char c : separators) isSeparator_[Byte(c)] = true;
    SetFlag(kValid, LoadTable(mode) == kSuccess);
}

VRX_lexicalAnalizer::~VRX_lexicalAnalizer() = default;

int VRX_lexicalAnalizer::LoadTable(int mode) {
    if (mode < LexerMode::kStandard || mode > LexerMode::kSignPunctuator) return kOutOfRange;
    const Row* rows = mode == LexerMode::kWords ? kWordsTable : kStandardTable;
    for (int c = 0; c < kClassCount; ++c) {
        for (int s = 0; s < kStateCount; ++s) table[c][s] = static_cast<uint8_t>(rows[s][c]);
    }
    if (mode == LexerMode::kHugin) table[13][0] = kLineComment;
    if (mode == LexerMode::kMsbn) table[14][0] = table[15][0] = kSkip;
    if (mode == LexerMode::kSignPunctuator) table[8][0] = 8;
    return kSuccess;
}

void VRX_lexicalAnalizer::AddSeparators(const char* characters) {
    if (characters == nullptr) return;
    for (const char* p = characters; *p != '\0'; ++p) {
        if (isSeparator_[Byte(*p)]) continue;
        isSeparator_[Byte(*p)] = true;
        separators.push_back(*p);
    }
}

int VRX_lexicalAnalizer::Open(const char* path) {
    if (!IsValid()) return kObjectNotValid;
    lineBuffer.clear();
    tokenStart = scan = 0;
    sourceFlags = 0;
    historyCount = 0;
    historyStart_ = 0;
    historyIndex = -1;
    unknownReports_ = 0;
    stopped_ = false;
    endsOpen_ = false;
    skippedMark_ = 0;
    lastEndLine_ = 0;
    const int result = file.Open(path, TextFileMode::kRead);
    if (result != kSuccess) return result;
    sourceFlags |= kFileInput;
    return NextLine();
}

int VRX_lexicalAnalizer::OpenText(std::string_view text) {
    if (!IsValid()) return kObjectNotValid;
    lineBuffer.clear();
    tokenStart = scan = 0;
    sourceFlags = 0;
    historyCount = 0;
    historyStart_ = 0;
    historyIndex = -1;
    unknownReports_ = 0;
    stopped_ = false;
    endsOpen_ = false;
    skippedMark_ = 0;
    lastEndLine_ = 0;
    file.OpenInputText(text);
    sourceFlags |= kFileInput;
    return NextLine();
}

int VRX_lexicalAnalizer::ClassAt(size_t i) const {
    return i < lineBuffer.size() ? kClasses.classes[Byte(lineBuffer[i])] : kBlankClass;
}

int VRX_lexicalAnalizer::NextLine() {
    tokenStart = scan = 0;
    if (stopped_) {
        lineBuffer.clear();
        return kEndOfFile;
    }
    const int result = file.ReadLine(lineBuffer);
    if (result != kSuccess) {
        lineBuffer.clear();
        return result;
    }
    // A byte-order mark of UTF-8, as some editors write it, is no part of the first line.
    static constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
    if (GetLineNumber() == 1 && lineBuffer.compare(0, 3, kByteOrderMark) == 0) {
        lineBuffer.erase(0, 3);
        skippedMark_ = 3;
    }
    endsOpen_ = !lineBuffer.empty() && !isSeparator_[static_cast<unsigned char>(lineBuffer.back())];
    // Classic Mac line ends: the whole file is one line, its carriage returns unknown characters that
    // would hide the cause behind what the parser then misses. A lone one inside a line is read.
    const size_t cr = lineBuffer.find('\r');
    if (cr != std::string::npos && GetLineNumber() == 1 && lineBuffer.back() != '\n' &&
        lineBuffer.find('\r', cr + 1) != std::string::npos) {
        LogError(errorLog, kLexicalError,
                 file.LineMessage(GetLineNumber(),
                                  "the file's line ends are carriage returns alone, which are not read")
                     .c_str(),
                 nullptr);
        StopReading();
        return kLexicalError;
    }
    return kSuccess;
}

void VRX_lexicalAnalizer::StopReading() {
    stopped_ = true;
    lineBuffer.clear();
    tokenStart = scan = 0;
}

int VRX_lexicalAnalizer::PeekToken(VRX_token& token) {
    const int result = ScanToken(token);
    // A scan that failed may have grown or refilled the buffers the token pointed into: the token goes
    // back to the last one read, whose text the history keeps until the next token is scanned.
    if (result != kSuccess && result != kLexicalError) KeepLastToken(token);
    return result;
}

void VRX_lexicalAnalizer::KeepLastToken(VRX_token& token) const {
    if (historyIndex >= 0) {
        FillFromHistory(token);
        return;
    }
    token.kind = TokenKind::kUnknown;
    token.text = "";
    token.length = 0;
    token.glued = false;
}

int VRX_lexicalAnalizer::ScanToken(VRX_token& token) {
    if ((sourceFlags & kReplay) != 0 || (historyIndex != -1 && historyIndex != historyCount - 1)) {
        if (historyIndex >= 0) FillFromHistory(token);
        return kSuccess;
    }
    if (!IsValid() || (sourceFlags & kFileInput) == 0) return kNoMoreTokens;
    for (;;) {
        // The scans run over locals: the line's characters may alias any member, which would otherwise
        // be stored and loaded again for every character.
        while (tokenStart < lineBuffer.size() || NextLine() == kSuccess) {
            const char* const line = lineBuffer.data();
            const size_t end = lineBuffer.size();
            size_t start = tokenStart;
            while (start < end && isSeparator_[Byte(line[start])]) ++start;
            tokenStart = start;
            if (start < end) break;
        }
        if (tokenStart >= lineBuffer.size()) return kNoMoreTokens;

        const char* const line = lineBuffer.data();
        const size_t end = lineBuffer.size();
        size_t at = tokenStart;
        int current = 0;
        int previous = 0;
        int action = 0;
        for (;;) {
            previous = current;
            action = table[at < end ? kClasses.classes[Byte(line[at])] : kBlankClass][previous];
            if (action >= 1 && action <= 15) {
                current = action;
                ++at;
                continue;
            }
            current = action;
            break;
        }
        scan = at;
        state = current;
        previousState = previous;
        int result = kSuccess;
        switch (action) {
            case kSkip:
                tokenStart = scan + 1;
                continue;
            case kAccept: {
                const size_t length = scan - tokenStart;
                sourceFlags |= kReplay;
                const bool glued = lastEndLine_ == GetLineNumber() && lastEnd_ == tokenStart;
                lastEndLine_ = GetLineNumber();
                lastEnd_ = scan;
                Remember(KindOfState(previousState), std::string_view(lineBuffer).substr(tokenStart, length),
                         static_cast<int>(length), glued);
                FillFromHistory(token);
                return kSuccess;
            }
            case kStringAction:
                return ReadStringToken(token);
            case kLineComment:
                result = SkipLineComment();
                break;
            case kBlockComment:
                result = SkipBlockComment();
                break;
            case kNestedComment:
                result = SkipNestedComment();
                break;
            case kUnknown:
            default:
                return ReportUnknownCharacter(token);
        }
        if (result != kSuccess) return result;
    }
}

std::string VRX_lexicalAnalizer::UnknownCharacterText(size_t first, size_t end) const {
    // Bytes that print as themselves are quoted; the others (control characters, bytes of other
    // encodings, a second byte-order mark) are given in hexadecimal, a few of the run at most.
    constexpr size_t kShownBytes = 8;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text = "UNKNOWN CHARACTER ";
    const unsigned char c = Byte(lineBuffer[first]);
    if (c > ' ' && c < 0x7f) {
        text.append(1, '\'').append(1, static_cast<char>(c)).append(1, '\'');
    } else {
        for (size_t i = first; i < end && i < first + kShownBytes; ++i) {
            const unsigned char b = Byte(lineBuffer[i]);
            if (i > first) text += ' ';
            text.append("0x").append(1, kHex[b >> 4]).append(1, kHex[b & 15]);
        }
        if (end - first > kShownBytes) text += " ...";
    }
    // Columns count the file's bytes, a byte-order mark skipped before the first line included.
    const size_t column = first + 1 + (GetLineNumber() == 1 ? skippedMark_ : 0);
    return text + " at column " + std::to_string(column);
}

// The offending character, with the run of unreadable characters after it, becomes blank: it is
// reported once, and what was scanned before it is read again as a token of its own.
int VRX_lexicalAnalizer::ReportUnknownCharacter(VRX_token& token) {
    unknownText_.assign(lineBuffer, tokenStart, scan + 1 - tokenStart);
    token.kind = TokenKind::kUnknown;
    token.text = unknownText_.c_str();
    token.length = static_cast<int>(scan - tokenStart);
    token.glued = false;
    size_t runEnd = scan + 1;
    while (runEnd < lineBuffer.size() && ClassAt(runEnd) == kUnreadableClass) ++runEnd;
    const std::string what = UnknownCharacterText(scan, runEnd);
    std::fill(lineBuffer.begin() + static_cast<std::ptrdiff_t>(scan),
              lineBuffer.begin() + static_cast<std::ptrdiff_t>(runEnd), ' ');
    scan = tokenStart;
    ++position_;
    LogError(errorLog, kLexicalError, file.LineMessage(GetLineNumber(), what.c_str()).c_str(), nullptr);
    if (++unknownReports_ >= kMaxUnknownReports) {
        LogError(errorLog, kLexicalError,
                 file.LineMessage(GetLineNumber(), "TOO MANY UNKNOWN CHARACTERS. READING STOPPED").c_str(),
                 nullptr);
        StopReading();
    }
    return kLexicalError;
}

int VRX_lexicalAnalizer::ReadStringToken(VRX_token& token) {
    tokenText.clear();
    size_t pos = scan + 1;
    bool skipBlanks = false;
    for (;;) {
        // The end of a line: a line feed, or the end of a last line that has none. The break is not
        // stored; a lone carriage return inside a line is dropped without losing the rest of the line.
        const bool atEnd = pos >= lineBuffer.size();
        const char c = atEnd ? '\n' : lineBuffer[pos];
        if (c == '\r' && pos + 1 < lineBuffer.size()) {
            ++pos;
            continue;
        }
        if (c == '\n' || c == '\r') {
            if (NextLine() != kSuccess) {
                return LogError(
                    errorLog, kUnexpectedEndOfFile,
                    file.LineMessage(GetLineNumber(), "UNEXPECTED END OF FILE. UNTERMINATED STRING").c_str(),
                    nullptr);
            }
            pos = 0;
            continue;
        }
        if (c == '"') {
            scan = pos + 1;
            break;
        }
        if (c == '\\') {
            if (const int rc = ReadStringEscape(pos, skipBlanks)) return rc;
            continue;
        }
        ++pos;
        // A zero byte would cut the text where it stands: it is dropped, and the read fails naming it.
        if (c == '\0') {
            const std::string what = "NUL BYTE (0x00) INSIDE THE STRING \"" + tokenText + "\"";
            // Counted with the unreadable characters: a binary file is not reported byte by byte.
            if (++unknownReports_ <= kMaxUnknownReports)
                LogError(errorLog, kLexicalError, file.LineMessage(GetLineNumber(), what.c_str()).c_str(),
                         nullptr);
            ++errorsLogged_;
            continue;
        }
        if (skipBlanks && (c == ' ' || c == '\t' || c == '\b')) continue;
        skipBlanks = false;
        tokenText.push_back(c);
    }
    sourceFlags |= kReplay;
    Remember(TokenKind::kString, tokenText, static_cast<int>(tokenText.size()));
    FillFromHistory(token);
    return kSuccess;
}

// The escape whose backslash stands at pos: what it stands for goes into the token text, pos past it.
// An escaped blank or line break starts a run of blanks that is dropped; an escaped '|' ends it.
int VRX_lexicalAnalizer::ReadStringEscape(size_t& pos, bool& skipBlanks) {
    const bool lastOnLine = pos + 1 >= lineBuffer.size();
    const char d = lastOnLine ? '\n' : lineBuffer[pos + 1];
    pos += 2;
    switch (d) {
        case 'n':
            tokenText.push_back('\n');
            break;
        case 't':
            tokenText.push_back('\t');
            break;
        case 'r':
            tokenText.push_back('\r');
            break;
        case 'b':
            tokenText.push_back('\b');
            break;
        case '"':
        case '\\':
            tokenText.push_back(d);
            break;
        case ' ':
        case '\t': {
            // Escaped blanks up to the end of the line continue the string on the next; one escaped before
            // more text on the line stands for itself ("no\ defect").
            size_t next = pos;
            while (next < lineBuffer.size() &&
                   (lineBuffer[next] == ' ' || lineBuffer[next] == '\t' || lineBuffer[next] == '\b'))
                ++next;
            if (next < lineBuffer.size() && lineBuffer[next] != '\n' && lineBuffer[next] != '\r') {
                tokenText.push_back(d);
                break;
            }
            skipBlanks = true;
            return kSuccess;
        }
        case '\r':
        case '\b':
            skipBlanks = true;
            return kSuccess;
        case '\n':
            if (NextLine() != kSuccess) {
                return LogError(
                    errorLog, kUnexpectedEndOfFile,
                    file.LineMessage(GetLineNumber(), "UNEXPECTED END OF FILE. UNTERMINATED STRING").c_str(),
                    nullptr);
            }
            pos = 0;
            skipBlanks = true;
            return kSuccess;
        case '|':
            skipBlanks = false;
            return kSuccess;
        default:
            tokenText.push_back('\\');
            tokenText.push_back(d);
            break;
    }
    skipBlanks = false;
    return kSuccess;
}

int VRX_lexicalAnalizer::SkipLineComment() {
    return NextLine() == kSuccess ? kSuccess : kNoMoreTokens;
}

int VRX_lexicalAnalizer::SkipBlockComment() {
    size_t from = scan;
    for (;;) {
        const size_t end = lineBuffer.find("*/", from);
        if (end != std::string::npos) {
            tokenStart = end + 2;
            return kSuccess;
        }
        if (NextLine() != kSuccess) {
            return LogError(
                errorLog, kUnexpectedEndOfFile,
                file.LineMessage(GetLineNumber(), "UNEXPECTED END OF FILE. UNMATCHED '/*'").c_str(), nullptr);
        }
        from = 0;
    }
}

int VRX_lexicalAnalizer::SkipNestedComment() {
    int depth = 1;
    size_t p = scan;
    for (;;) {
        while (p + 1 < lineBuffer.size()) {
            if (lineBuffer[p] == '#' && lineBuffer[p + 1] == '/') {
                p += 2;
                if (--depth == 0) {
                    tokenStart = p;
                    return kSuccess;
                }
            } else if (lineBuffer[p] == '/' && lineBuffer[p + 1] == '#') {
                p += 2;
                ++depth;
            } else {
                ++p;
            }
        }
        if (NextLine() != kSuccess) {
            return LogError(
                errorLog, kUnexpectedEndOfFile,
                file.LineMessage(GetLineNumber(), "UNEXPECTED END OF FILE. UNMATCHED '/#'").c_str(), nullptr);
        }
        p = 0;
    }
}

// The history is a ring: a new token past the last slot takes the place of the oldest without moving
// the others' texts.
void VRX_lexicalAnalizer::Remember(int kind, std::string_view text, int length, bool glued) {
    int index = historyCount;
    if (historyCount < kHistorySize) {
        ++historyCount;
    } else {
        historyStart_ = (historyStart_ + 1) % kHistorySize;
        index = kHistorySize - 1;
    }
    const int slot = HistorySlot(index);
    history[slot].kind = kind;
    history[slot].length = length;
    history[slot].glued = glued;
    historyTexts[slot].Assign(text);
    historyIndex = index;
}

void VRX_lexicalAnalizer::KeptText::Assign(std::string_view text) {
    if (text.size() >= room) {
        const size_t grown = std::max({text.size() + 1, room * 2, size_t{32}});
        chars = std::make_unique<char[]>(grown);
        room = grown;
    }
    if (!text.empty()) std::memcpy(chars.get(), text.data(), text.size());
    chars[text.size()] = '\0';
}

void VRX_lexicalAnalizer::FillFromHistory(VRX_token& token) const {
    const int slot = HistorySlot(historyIndex);
    token.kind = history[slot].kind;
    token.text = historyTexts[slot].chars.get();
    token.length = history[slot].length;
    token.glued = history[slot].glued;
}

void VRX_lexicalAnalizer::Consume() {
    if (historyIndex >= historyCount - 1) {
        if ((sourceFlags & kReplay) != 0) ++position_;
        sourceFlags &= ~kReplay;
        tokenStart = scan;
    } else {
        sourceFlags |= kReplay;
        ++historyIndex;
        ++position_;
    }
}

int VRX_lexicalAnalizer::StepBack() {
    if (historyIndex < 1) return kOutOfRange;
    --historyIndex;
    --position_;
    return kSuccess;
}
