// Base of the text-format speakers, reading side: token tests, fields, lists, sections, skipping and
// error reporting.
#include "formats/text_format_base.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <unordered_set>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/read_size.h"
#include "base/size_limits.h"
#include "base/small_stack.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "base/table_entries.h"
#include "definitions/definition_support.h"
#include "definitions/parent_table.h"
#include "formats/exchange_format_support.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/refusal_reasons.h"

using vovido::KeywordTable;

namespace {

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case-insensitive in ASCII only, whatever the process locale.
bool EqualIgnoringCase(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

bool IsPunctuationKind(int kind) {
    return kind >= TokenKind::kSlash && kind <= TokenKind::kSign;
}

}  // namespace

VRX_textFormat::VRX_textFormat(VRX_network* network) : VRX_fileFormat(network) {}

VRX_textFormat::~VRX_textFormat() = default;

void VRX_textFormat::ResetReadState_() {
    readFailure_ = 0;
    endReported_ = false;
    reports_ = 0;
    readArcs_ = 0;
    readNodeBytes_ = 0;
    content_.clear();
    contentNode_ = -1;
    inNodeBlock_ = false;
    blockSkipped_ = false;
    skippedOutside_ = false;
    skippingUnknown_ = false;
    unknownEntry_ = -1;
    readFirstEntry_ = errorLog.GetNumberOfEntries();
    stopped_ = false;
    peeked_ = false;
    if (network != nullptr) network->readTablesRefused = false;
}

int VRX_textFormat::StartReading(const char* path, int mode) {
    ResetReadState_();
    try {
        lexer = std::make_unique<VRX_lexicalAnalizer>(mode);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    SetSourceName(path);
    const int rc = lexer->Open(path);
    if (rc == kEndOfFile) return vovido::RefuseEmptyFile(path);
    return rc;
}

int VRX_textFormat::StartReadingText(std::string_view text, int mode) {
    ResetReadState_();
    try {
        lexer = std::make_unique<VRX_lexicalAnalizer>(mode);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return lexer->OpenText(text);
}

void VRX_textFormat::FinishReading() {
    lexer.reset();
    peeked_ = false;
}

int VRX_textFormat::StepBackToken() {
    peeked_ = false;
    return lexer ? lexer->StepBack() : kOutOfRange;
}

int VRX_textFormat::PeekToken() {
    if (!lexer || stopped_) return kNoMoreTokens;
    // Readers peek at a token many times before they consume it: once it is current, it stays so.
    if (peeked_) return kSuccess;
    // An unknown character has been logged and dropped by the analyser: the token after it is current,
    // and the read fails as the character is lost.
    const int logged = lexer->GetErrorsLogged();
    int result = lexer->PeekToken(token);
    while (result == kLexicalError) {
        NoteReport_(kLexicalError, true);
        result = lexer->PeekToken(token);
    }
    // A token read with a fault dropped from it (logged by the analyser) changed what the file says.
    if (lexer->GetErrorsLogged() != logged) NoteReport_(kLexicalError, true);
    // The analyser has named the end of the input inside a comment or a string: the blocks left open
    // have the same cause.
    if (result == kUnexpectedEndOfFile && !endReported_) {
        NoteReport_(kUnexpectedEndOfFile, true);
        endReported_ = true;
        TakeBackUnknownWarning_();
    }
    // The input ended by a failure to read on, not by its end: what was not read is lost.
    if (result == kNoMoreTokens && lexer->GetInputStatus() == kFileIoFailed) NoteReport_(kFileIoFailed, true);
    peeked_ = result == kSuccess;
    return result;
}

void VRX_textFormat::ConsumeToken() {
    peeked_ = false;
    if (!lexer) return;
    if (!digests_.empty()) {
        // FNV-1a over the token's kind and length (one step; the lengths keep token bounds apart) and its
        // text, once, then mixed into every open digest, so that nested statements hash each byte once.
        const int length = token.text != nullptr ? token.length : 0;
        uint64_t hash =
            (14695981039346656037ull ^ (static_cast<uint64_t>(static_cast<uint32_t>(token.kind)) << 32 |
                                        static_cast<uint32_t>(length))) *
            1099511628211ull;
        for (int i = 0; i < length; ++i)
            hash = (hash ^ static_cast<unsigned char>(token.text[i])) * 1099511628211ull;
        for (StatementDigest* digest : digests_) {
            uint64_t combined = (digest->hash ^ hash) * 1099511628211ull;
            digest->hash = combined ^ (combined >> 29);
            ++digest->tokens;
        }
    }
    lexer->Consume();
}

bool VRX_textFormat::Matches_(int kind, const char* text) const {
    if (token.text == nullptr || token.length < 0) return false;
    const size_t length = static_cast<size_t>(token.length);
    if (token.kind == kind) {
        return text == nullptr ||
               (std::strlen(text) == length && EqualIgnoringCase(text, token.text, length));
    }
    // A punctuation token stands for the expected punctuator it begins; strings, words and numbers never
    // do ("}" as a string is no block end).
    return kind == TokenKind::kPunctuator && text != nullptr && IsPunctuationKind(token.kind) && length > 0 &&
           std::strlen(text) >= length && EqualIgnoringCase(text, token.text, length);
}

int VRX_textFormat::ExpectToken(int kind, const char* text) {
    if (!lexer) return kOutOfRange;
    const int result = PeekToken();
    if (result != kSuccess) return result;
    if (!Matches_(kind, text)) return kSyntaxError;
    ConsumeToken();
    return kSuccess;
}

int VRX_textFormat::RequireToken(int kind, const char* text) {
    message.clear();
    if (!lexer) {
        NoteReport_(kSyntaxError, true);
        return LogError(errorLog, kSyntaxError, "ERROR: Unable to parse file", nullptr);
    }
    const int result = ExpectToken(kind, text);
    if (result == kSuccess) return kSuccess;
    if (result != kSyntaxError) return ReportUnexpectedEnd(kind, text);
    FormatUnexpectedToken(kind, text);
    return ReportError(kSyntaxError, message.c_str());
}

int VRX_textFormat::ReportUnexpectedEnd(int kind, const char* text) {
    FormatUnexpectedEnd(kind, text);
    // The first block the end leaves open names it; the others are the same cause.
    if (endReported_) {
        NoteReport_(kSyntaxError, true);
        return kSyntaxError;
    }
    endReported_ = true;
    return ReportError(kSyntaxError, message.c_str());
}

std::string VRX_textFormat::ExpectedItem_(int kind, const char* text) const {
    if (text != nullptr) return std::string("'") + text + "'";
    switch (kind) {
        case TokenKind::kIdentifier:
            return "Identifier";
        case TokenKind::kInteger:
            return "Integer";
        case TokenKind::kReal:
            return "Real Number";
        case TokenKind::kPunctuator:
            return "Punctuator";
        default:
            return "String";
    }
}

namespace {

bool HasExpectationText(int kind) {
    return kind == TokenKind::kIdentifier || kind == TokenKind::kInteger || kind == TokenKind::kReal ||
           kind == TokenKind::kPunctuator || kind == TokenKind::kString;
}

}  // namespace

void VRX_textFormat::FormatUnexpectedToken(int kind, const char* text) {
    message.assign("ERROR: '").append(TokenText_()).append("' : ");
    if (HasExpectationText(kind)) {
        message.append(ExpectedItem_(kind, text)).append(" expected");
    } else {
        message.append("Unexpected");
    }
}

void VRX_textFormat::FormatUnexpectedEnd(int kind, const char* text) {
    if (HasExpectationText(kind)) {
        message.assign("ERROR: End of File : Expecting ").append(ExpectedItem_(kind, text));
    } else {
        message.assign("ERROR: Unexpected End of File");
    }
}

int VRX_textFormat::IsIdentifierNext() {
    const int result = PeekToken();
    return result != kSuccess ? result : token.kind == TokenKind::kIdentifier;
}

int VRX_textFormat::IsStringNext() {
    const int result = PeekToken();
    return result != kSuccess ? result : token.kind == TokenKind::kString;
}

int VRX_textFormat::IsIntegerNext() {
    const int result = PeekToken();
    return result != kSuccess ? result : token.kind == TokenKind::kInteger;
}

int VRX_textFormat::IsNumberNext() {
    const int result = PeekToken();
    return result != kSuccess ? result
                              : (token.kind == TokenKind::kInteger || token.kind == TokenKind::kReal);
}

int VRX_textFormat::IsCommaNext() {
    const int result = PeekToken();
    return result != kSuccess ? result : (token.kind == TokenKind::kPunctuator && TokenIs(","));
}

int VRX_textFormat::IsOpenParenNext() {
    const int result = PeekToken();
    return result != kSuccess ? result : (token.kind == TokenKind::kPunctuator && TokenIs("("));
}

int VRX_textFormat::IsWordNext(const char* text) {
    const int result = PeekToken();
    return result != kSuccess ? result : TokenIs(text);
}

int VRX_textFormat::IsKeywordNext(KeywordTable table) {
    const int result = PeekToken();
    return result != kSuccess ? result : TokenInTable(table);
}

bool VRX_textFormat::SameWord_(const char* a, const char* b) const {
    if (caseSensitive) return std::strcmp(a, b) == 0;
    const size_t n = std::strlen(a);
    return n == std::strlen(b) && EqualIgnoringCase(a, b, n);
}

bool VRX_textFormat::TokenIs(const char* text) const {
    return text != nullptr && token.text != nullptr && SameWord_(token.text, text);
}

bool VRX_textFormat::TokenInTable(KeywordTable table) const {
    return KeywordIndex(table) >= 0;
}

int VRX_textFormat::KeywordIndex(KeywordTable table) const {
    if (table == nullptr) return kOutOfRange;
    for (int i = 0; table[i] != nullptr; ++i) {
        if (TokenIs(table[i])) return i;
    }
    return kOutOfRange;
}

int VRX_textFormat::TokenWholeNumber(int& value) {
    if (ParseWholeNumber(TokenText_(), value) == kSuccess) return kSuccess;
    message.assign("ERROR: '").append(TokenText_()).append("' : ").append(kWholeNumberExpected);
    return ReportError(kOutOfRange, message.c_str());
}

std::string VRX_textFormat::TokenTextWithGlued() {
    std::string text = TokenText_();
    while (PeekToken() == kSuccess && token.glued &&
           (token.kind == TokenKind::kIdentifier || token.kind == TokenKind::kInteger ||
            token.kind == TokenKind::kReal || token.kind == TokenKind::kDot)) {
        text += TokenText_();
        ConsumeToken();
    }
    return text;
}

int VRX_textFormat::ReadInt(int& value) {
    const int result = ExpectToken(TokenKind::kInteger, nullptr);
    if (result != kSuccess) return result;
    return TokenWholeNumber(value);
}

int VRX_textFormat::ReadNumber(double& value) {
    int result = ExpectToken(TokenKind::kInteger, nullptr);
    if (result == kSyntaxError) result = ExpectToken(TokenKind::kReal, nullptr);
    if (result != kSuccess) return result;
    if ((result = ParseDouble(token.text, value)) != kSuccess) return result;
    // Number tokens spell no infinity: one read as such is beyond the doubles, which nothing can hold.
    if (std::isfinite(value)) return kSuccess;
    value = 0.0;
    message.assign("ERROR: ");
    if (!tableOwner_.empty()) message.append("Node [").append(tableOwner_).append("] : ");
    message.append("'").append(TokenText_()).append("' : Number out of range");
    return ReportError(kOutOfRange, message.c_str());
}

int VRX_textFormat::ReadIdentifier(std::string& text) {
    const int result = ExpectToken(TokenKind::kIdentifier, nullptr);
    if (result == kSuccess) text.assign(token.text, static_cast<size_t>(token.length));
    return result;
}

int VRX_textFormat::ReadString(std::string& text) {
    const int result = ExpectToken(TokenKind::kString, nullptr);
    if (result == kSuccess) text.assign(token.text, static_cast<size_t>(token.length));
    return result;
}

int VRX_textFormat::ReadFieldStart(const char* key, int kind) {
    if (key == nullptr) return kOutOfRange;
    if (PeekToken() != kSuccess || token.kind != TokenKind::kIdentifier || !TokenIs(key))
        return kNotThisKeyword;
    ConsumeToken();
    const int result = RequireToken(TokenKind::kPunctuator, "=");
    if (result != kSuccess) return result;
    return RequireToken(kind, nullptr);
}

int VRX_textFormat::ReadIntField(const char* key, int& value) {
    const int result = ReadFieldStart(key, TokenKind::kInteger);
    if (result != kSuccess) return result;
    return TokenWholeNumber(value);
}

int VRX_textFormat::ReadBoolField(const char* key, int& value) {
    const int result = ReadFieldStart(key, TokenKind::kIdentifier);
    if (result != kSuccess) return result;
    if (TokenIs("TRUE")) {
        value = 1;
    } else if (TokenIs("FALSE")) {
        value = 0;
    } else {
        message.assign("ERROR: (\"").append(TokenText_()).append("\") : Boolean Expected");
        return ReportError(kSyntaxError, message.c_str());
    }
    return kSuccess;
}

int VRX_textFormat::ReadDelimitedList_(int (VRX_textFormat::*isItemNext)(), const ItemReader& readItem,
                                       int itemKind) {
    int result = RequireToken(TokenKind::kPunctuator, "(");
    if (result != kSuccess) return result;
    if ((this->*isItemNext)() == 1) {
        do {
            const int reportsBefore = reports_;
            result = readItem();
            if (result != kSuccess && reports_ == reportsBefore) {
                if (result == kNoMoreTokens) return ReportUnexpectedEnd(itemKind, nullptr);
                if (result != kSyntaxError) return ReportError(result, nullptr);
                FormatUnexpectedToken(itemKind, nullptr);
                return ReportError(kSyntaxError, message.c_str());
            }
            if (result != kSuccess) return result;
        } while (ExpectToken(TokenKind::kPunctuator, ",") == kSuccess);
    }
    return RequireToken(TokenKind::kPunctuator, ")");
}

int VRX_textFormat::ReadIdList(VRX_stringArray& list) {
    if (!list.IsValid()) return kObjectNotValid;
    return ReadDelimitedList_(
        &VRX_textFormat::IsIdentifierNext,
        [&]() {
            const int result = ExpectToken(TokenKind::kIdentifier, nullptr);
            return result != kSuccess ? result : list.Add(token.text);
        },
        TokenKind::kIdentifier);
}

int VRX_textFormat::ReadStringList(VRX_stringArray& list) {
    if (!list.IsValid()) return kObjectNotValid;
    return ReadDelimitedList_(
        &VRX_textFormat::IsStringNext,
        [&]() {
            const int result = ExpectToken(TokenKind::kString, nullptr);
            return result != kSuccess ? result : list.Add(token.text);
        },
        TokenKind::kString);
}

int VRX_textFormat::ReadDoubleList(VRX_doubleArray& list) {
    return ReadDelimitedList_(
        &VRX_textFormat::IsNumberNext,
        [&]() {
            double value = 0.0;
            const int result = ReadNumber(value);
            if (result == kSuccess) return list.Add(value);
            return result;
        },
        TokenKind::kReal);
}

int VRX_textFormat::ReadIntList(VRX_intArray& list) {
    return ReadDelimitedList_(
        &VRX_textFormat::IsIntegerNext,
        [&]() {
            int value = 0;
            const int result = ReadInt(value);
            if (result == kSuccess) return list.Add(value);
            return result;
        },
        TokenKind::kInteger);
}

int VRX_textFormat::ReadSectionStart(const char* /*name*/) {
    return kSuccess;
}

int VRX_textFormat::ReadSectionEnd() {
    return RequireToken(TokenKind::kPunctuator, "}");
}

int VRX_textFormat::AtSectionEnd() {
    if (PeekToken() != kSuccess) return 1;
    return token.kind != TokenKind::kString && TokenIs("}") ? 1 : 0;
}

int VRX_textFormat::SkipStatement() {
    if (!lexer) return kOutOfRange;
    int depth = 0;
    for (;;) {
        const int result = PeekToken();
        if (result != kSuccess) return ReportSkipEnd_(result);
        if (token.kind == TokenKind::kPunctuator) {
            const bool block = std::strcmp(token.text, "{") == 0;
            if (skippingUnknown_ && (block || std::strcmp(token.text, "(") == 0)) NoteSkippedContent_();
            if (block) {
                ++depth;
            } else if (std::strcmp(token.text, "}") == 0) {
                if (depth == 0) return kSuccess;
                --depth;
            } else if (depth == 0 && std::strcmp(token.text, ";") == 0) {
                return kSuccess;
            }
        }
        ConsumeToken();
    }
}

int VRX_textFormat::SkipAfterError() {
    return SkipStatement();
}

void VRX_textFormat::TakeBackUnknownWarning_() {
    // A statement the reader did not know, cut by the end of the file: the end is the one cause, and the
    // warning of the statement says no more than it. What was logged after the warning stays.
    const int count = errorLog.GetNumberOfEntries();
    if (!skippingUnknown_ || unknownEntry_ < 0 || unknownEntry_ >= count) return;
    std::vector<std::pair<int, std::string>> after;
    for (int i = unknownEntry_ + 1; i < count; ++i)
        after.emplace_back(errorLog.GetCode(i), errorLog.GetMessage(i));
    errorLog.Truncate(unknownEntry_);
    for (const auto& entry : after) (void)LogError(errorLog, entry.first, entry.second.c_str(), nullptr);
    unknownEntry_ = -1;
}

int VRX_textFormat::ReportSkipEnd_(int result) {
    if (result != kNoMoreTokens || lexer->GetInputStatus() == kFileIoFailed)
        return ReportError(result, nullptr);
    if (endReported_) {
        NoteReport_(kNoMoreTokens, true);
        return kNoMoreTokens;
    }
    TakeBackUnknownWarning_();
    // A file cut inside its last word: what was said of the word ("'Au' : Unknown Net Statement") is
    // said of the cut.
    const int count = errorLog.GetNumberOfEntries();
    const std::string word =
        token.text != nullptr ? std::string(token.text, static_cast<size_t>(token.length)) : "";
    // A mark that may begin a longer token ("/" of "//", "-" of "->" or "-1") may be cut too.
    const bool wordToken = token.kind == TokenKind::kIdentifier || token.kind == TokenKind::kInteger ||
                           token.kind == TokenKind::kReal || token.kind == TokenKind::kSlash ||
                           token.kind == TokenKind::kSign || token.kind == TokenKind::kDot;
    const char* last = count > readFirstEntry_ && count > 0 ? errorLog.GetMessage(count - 1) : "";
    // A cut parent's name is quoted as a node's: ("tu").
    const bool saidOfWord = std::strstr(last, ("'" + word + "'").c_str()) != nullptr ||
                            std::strstr(last, ("(\"" + word + "\")").c_str()) != nullptr;
    if (wordToken && lexer->EndsWithoutSeparator() && !word.empty() && saidOfWord) {
        errorLog.Truncate(count - 1);
        return ReportError(
            kNoMoreTokens,
            ("ERROR: '" + word + "' : End of File inside a word, the file was cut short").c_str());
    }
    return ReportError(kNoMoreTokens, "ERROR: End of File inside a statement, the file was cut short");
}

int VRX_textFormat::SkipBlock() {
    if (!lexer) return kOutOfRange;
    int depth = 0;
    for (;;) {
        const int result = PeekToken();
        if (result != kSuccess) return ReportSkipEnd_(result);
        if (token.kind == TokenKind::kPunctuator) {
            if (std::strcmp(token.text, "{") == 0) {
                ++depth;
            } else if (std::strcmp(token.text, "}") == 0) {
                if (depth == 0) return kSuccess;
                ConsumeToken();
                if (--depth == 0) return kSuccess;
                continue;
            }
        }
        ConsumeToken();
    }
}

int VRX_textFormat::ReadBlock(vovido::FunctionRef<int()> readStatement, bool semicolonAfterEach) {
    if (!lexer) return kOutOfRange;
    while (AtSectionEnd() == 0) {
        const int64_t before = lexer->GetPosition();
        const int reportsBefore = reports_;
        skippingUnknown_ = false;
        if (readStatement() != kSuccess) {
            if (reports_ == reportsBefore && AtSectionEnd() == 0) ReportDropped_(0, nullptr);
            (void)SkipStatement();
        }
        skippingUnknown_ = false;
        // The rest of a statement that does not end where expected is skipped with its ';', which
        // would otherwise be read as the next statement; a block that ends here loses nothing.
        if (semicolonAfterEach && ExpectToken(TokenKind::kPunctuator, ";") != kSuccess &&
            AtSectionEnd() == 0) {
            ReportDropped_(TokenKind::kPunctuator, ";");
            if (SkipStatement() == kSuccess) (void)ExpectToken(TokenKind::kPunctuator, ";");
        }
        if (lexer->GetPosition() == before && AtSectionEnd() == 0) {
            ReportDropped_(0, nullptr);
            ConsumeToken();
        }
    }
    if (ReadSectionEnd() != kSuccess) (void)SkipAfterError();
    return kSuccess;
}

int VRX_textFormat::ReportError(int code, const char* text) {
    if (code == kSuccess) return kSuccess;
    NoteReport_(code, true);
    if (stopped_) return code;
    // A file cut short is one cause: every block still open ends with it, and says nothing more.
    if (code == kUnexpectedEndOfFile || code == kNoMoreTokens) {
        if (endReported_) return code;
        endReported_ = true;
    }
    const std::string prefix = LinePrefix(ReportLine_());
    // The code table's "NO MORE TOKENS" would not say that the file ends early.
    if (text == nullptr && (code == kUnexpectedEndOfFile || code == kNoMoreTokens))
        text = "ERROR: Unexpected End of File";
    return LogError(errorLog, code, text, prefix.c_str());
}

int VRX_textFormat::ReportErrorAt(int line, int code, const std::string& text) {
    reportLine_ = line;
    const int rc = ReportError(code, text.c_str());
    reportLine_ = -1;
    return rc;
}

int VRX_textFormat::ReportWarningAt(int line, int code, const std::string& text) {
    reportLine_ = line;
    const int rc = ReportWarning(code, text.c_str());
    reportLine_ = -1;
    return rc;
}

bool VRX_textFormat::WordCutByEnd() {
    return lexer != nullptr && lexer->EndsWithoutSeparator() && PeekToken() == kNoMoreTokens;
}

const vovido::NoticeKind vovido::kSkippedStatementNotice = {
    "statements the reader does not know were skipped: {count}", "statement", nullptr};

void VRX_textFormat::ReadTinyNegativesAsZero(const std::string& nodeId, double* values, int count) {
    const int zeroed = vovido::ZeroTinyNegatives(values, count);
    if (zeroed > 0) {
        (void)ReportWarning(kOutOfRange, vovido::TinyNegativesMessage(nodeId, zeroed).c_str(),
                            vovido::TinyNegativesInstance(nodeId, zeroed));
    }
}

int VRX_textFormat::ReportWarning(int code, const char* text) {
    const std::string line = "line " + std::to_string(ReportLine_());
    return ReportWarning(code, text, {&vovido::kRepeatedNotice, std::string(), line});
}

int VRX_textFormat::ReportWarning(int code, const char* text, const vovido::NoticeInstance& instance) {
    if (code == kSuccess) return kSuccess;
    NoteReport_(code, false);
    if (stopped_) return code;
    skippingUnknown_ = true;
    unknownEntry_ = errorLog.GetNumberOfEntries();
    const std::string prefix = LinePrefix(ReportLine_());
    return vovido::LogNotice(errorLog, code, text, prefix.c_str(), instance);
}

const vovido::NoticeKind vovido::kRefusedParentArcNotice = {"ERROR: Couldn't add arcs from {count}",
                                                            "parent node", nullptr};

int VRX_textFormat::ReportParentArcRefused(int code, const std::string& parent) {
    if (code == kSuccess) return kSuccess;
    NoteReport_(code, true);
    if (stopped_) return code;
    const std::string prefix = LinePrefix(ReportLine_());
    const std::string quoted = "(\"" + parent + "\")";
    const int handle = network != nullptr && network->IsLiveHandle(arcChild_) ? arcChild_ : -1;
    const std::string to =
        handle >= 0 ? " to node [" + std::string(network->GetNode(handle)->GetId()) + "]" : "";
    const std::string cause = ArcRefusalCause(parent, handle);
    const std::string text = "ERROR: Couldn't add arc from parent node " + quoted +
                             (network->FindNode(parent.c_str()) >= 0 && !cause.empty() ? to : "") + cause;
    return vovido::LogNotice(errorLog, code, text.c_str(), prefix.c_str(),
                             {&vovido::kRefusedParentArcNotice, parent, quoted});
}

void VRX_textFormat::CountReadNode(int type) {
    readNodeBytes_ += vovido::ReadNodeBytes(type);
}

int VRX_textFormat::CheckReadSize(const std::string& nodeId, int nodes, int type, int arcs, int64_t cells) {
    if (network == nullptr) return kSuccess;
    const std::string refusal = vovido::ReadSizeRefusal(nodeId, network->GetNumberOfNodes() + int64_t{nodes},
                                                        readNodeBytes_ + nodes * vovido::ReadNodeBytes(type),
                                                        readArcs_ + arcs, network->readTableCells + cells);
    if (refusal.empty()) return kSuccess;
    // Refused as the tables' limit is: the cause of the read's failure, after which nothing is read.
    const int entry = errorLog.GetNumberOfEntries();
    const int rc = ReportMessage(kOutOfMemory, refusal);
    network->readTablesRefused = true;
    network->readRefusalEntry = entry;
    stopped_ = true;
    return rc;
}

int VRX_textFormat::AddFileNode(int type, const std::string& id, const std::string& named) {
    if (const int rc = CheckReadSize(named, 1, type, 0)) return rc;
    const int logged = errorLog.GetNumberOfEntries();
    const int handle = network->AddNode(type, FileNodeId(id, lexer ? lexer->GetLineNumber() : 0).c_str());
    if (handle >= 0) {
        CountReadNode(type);
        return handle;
    }
    // The network names the identifier but not the line: one entry gives both.
    const char* cause = errorLog.GetNumberOfEntries() > logged ? errorLog.GetMessage(logged) : nullptr;
    const std::string text = "ERROR: Couldn't Create Node (\"" + named + "\")" +
                             (cause != nullptr ? ": " + std::string(cause) : "");
    errorLog.Truncate(logged);
    return ReportMessage(handle, text);
}

std::string VRX_textFormat::ArcRefusalCause(const std::string& parent, int child) {
    if (network == nullptr) return std::string();
    const int handle = network->FindNode(parent.c_str());
    if (handle < 0) return ": no node has that identifier";
    if (!network->IsLiveHandle(child)) return std::string();
    const vovido::ArcRule rule = vovido::FindArcRuleBroken(*network, handle, child);
    if (rule == vovido::ArcRule::kNone || rule == vovido::ArcRule::kBadHandle) return std::string();
    return ": " + vovido::ArcRuleText(*network, handle, child, rule);
}

int VRX_textFormat::ReportSkippedStatement(int code, const std::string& word, const std::string& message) {
    const std::string example = "'" + word + "' (line " + std::to_string(ReportLine_()) + ")";
    return ReportWarning(code, message.c_str(), {&vovido::kSkippedStatementNotice, word, example});
}

void VRX_textFormat::NoteReport_(int code, bool error) {
    ++reports_;
    if (error && readFailure_ == kSuccess) readFailure_ = code;
}

void VRX_textFormat::ReportDropped_(int kind, const char* expected) {
    if (PeekToken() != kSuccess) return;
    FormatUnexpectedToken(kind, expected);
    (void)ReportError(kSyntaxError, message.c_str());
}

void VRX_textFormat::SetContinuation() {}

void VRX_textFormat::ClearContinuation() {}

void VRX_textFormat::BeginNodeContent(int handle) {
    inNodeBlock_ = true;
    blockSkipped_ = false;
    contentNode_ = handle;
}

VRX_textFormat::NodeContent& VRX_textFormat::ContentOf_(int handle) {
    if (static_cast<size_t>(handle) >= content_.size()) content_.resize(static_cast<size_t>(handle) + 1);
    return content_[static_cast<size_t>(handle)];
}

void VRX_textFormat::NoteNodeMade(int handle) {
    if (handle < 0) return;
    // A handle freed during the read and taken again starts afresh.
    ContentOf_(handle) = NodeContent{true, false, false, inNodeBlock_ && blockSkipped_};
    blockSkipped_ = false;
    if (inNodeBlock_) contentNode_ = handle;
}

void VRX_textFormat::EndNodeContent() {
    inNodeBlock_ = false;
    blockSkipped_ = false;
    contentNode_ = -1;
}

void VRX_textFormat::WarnIfNoNode() {
    if (network == nullptr || readFailure_ != kSuccess || network->GetNumberOfNodes() > 0) return;
    NoteReport_(kSyntaxError, false);
    (void)LogError(errorLog, kSyntaxError, "ERROR: The file declares no node", nullptr);
}

void VRX_textFormat::NoteNodeTable(int handle) {
    if (handle >= 0) ContentOf_(handle).table = true;
}

void VRX_textFormat::NoteNodeOutcomes(int handle, int given, int line) {
    if (handle < 0) return;
    ContentOf_(handle).outcomes = true;
    VRX_node* node = network != nullptr ? network->GetNode(handle) : nullptr;
    const int held = node != nullptr && node->GetDefinition() != nullptr
                         ? node->GetDefinition()->GetNumberOfOutcomes()
                         : given;
    if (held == given) return;
    NoteReport_(kOutOfRange, false);
    // A decision of one choice decides nothing: it is made with two, and the file is told so.
    const bool decision = (node->GetDefinition()->GetType() & DefinitionBits::kDecision) != 0;
    const std::string text =
        "ERROR: Node [" + std::string(node->GetId() != nullptr ? node->GetId() : "") +
        "] : " + std::to_string(given) +
        (decision && given < 2
             ? (given == 1 ? " choice" : " choices") + std::string(" given, a decision needs at least two:")
             : " outcomes given,") +
        " it holds " + std::to_string(held);
    const int at = line >= 0 ? line : (lexer ? lexer->GetLineNumber() : 0);
    (void)LogError(errorLog, kOutOfRange, text.c_str(), LinePrefix(at).c_str());
}

void VRX_textFormat::NoteSkippedContent_() {
    if (!inNodeBlock_) {
        skippedOutside_ = true;
    } else if (contentNode_ >= 0) {
        ContentOf_(contentNode_).skipped = true;
    } else {
        blockSkipped_ = true;
    }
}

int VRX_textFormat::CheckNodeContent(unsigned checks) {
    const bool warnMissing = (checks & kWarnMissing) != 0;
    const bool outsideCounts = (checks & kOutsideCounts) != 0;
    const bool everyNode = (checks & kEveryNode) != 0;
    const bool decisionParents = (checks & kDecisionParents) != 0;
    // A read that already failed leaves the network as it was: there is nothing to name.
    if (network == nullptr || readFailure_ != kSuccess) return readFailure_;
    for (size_t handle = 0; handle < content_.size(); ++handle) {
        const NodeContent& content = content_[handle];
        VRX_node* node = content.declared ? network->GetNode(static_cast<int>(handle)) : nullptr;
        if (node == nullptr || node->GetDefinition() == nullptr) continue;
        const int type = node->GetDefinition()->GetType();
        // Noisy parameters left out are default ones as much as a table left out is.
        const bool holdsTable = everyNode || type == DefinitionType::kCpt || type == DefinitionType::kTable ||
                                type == DefinitionType::kTruthTable || type == DefinitionType::kNoisyMax ||
                                type == DefinitionType::kNoisyAdder;
        const bool holdsOutcomes = type == DefinitionType::kCpt || type == DefinitionType::kList ||
                                   type == DefinitionType::kTruthTable || type == DefinitionType::kNoisyMax;
        const bool noStates = holdsOutcomes && !content.outcomes;
        const bool skipped = content.skipped || (outsideCounts && skippedOutside_);
        const bool parentsSkipped =
            decisionParents && type == DefinitionType::kList && !content.table && skipped;
        if (!noStates && !(holdsTable && !content.table) && !parentsSkipped) continue;
        const std::string id = node->GetId() != nullptr ? node->GetId() : "";
        const char* table = type == DefinitionType::kList ? "definition" : "table";
        if (skipped) {
            NoteReport_(kSyntaxError, true);
            message =
                "ERROR: Node [" + id + "] : " +
                (noStates ? std::string("no states were read, and what was skipped may have held them")
                          : "no " + std::string(table) + " was read, and what was skipped may have held it");
            (void)LogError(errorLog, kSyntaxError, message.c_str(), nullptr);
        } else if (warnMissing) {
            NoteReport_(kSyntaxError, false);
            const bool noisy = type == DefinitionType::kNoisyMax || type == DefinitionType::kNoisyAdder;
            message = "ERROR: Node [" + id + "] : the file gives no " +
                      (noStates ? std::string("states, default ones are used")
                       : noisy  ? std::string("parameters, default ones are used")
                                : std::string(table) + ", a default one is used");
            (void)LogError(errorLog, kSyntaxError, message.c_str(), nullptr);
        }
    }
    return readFailure_;
}

int VRX_textFormat::ReportUnknownDeclaration(const char* what) {
    if (PeekToken() != kSuccess) return kSyntaxError;
    const std::string word = TokenText_();
    const std::string text = "ERROR: '" + word + "' : " + what;
    ConsumeToken();
    const bool setting = PeekToken() == kSuccess && token.text != nullptr &&
                         (std::strcmp(token.text, "=") == 0 || std::strcmp(token.text, ":") == 0);
    if (setting) {
        (void)ReportSkippedStatement(kSyntaxError, word, text);
    } else {
        (void)ReportError(kSyntaxError, (text + kMayHaveHeldANode).c_str());
    }
    return kSyntaxError;
}

std::string VRX_textFormat::RepeatedPartMessage(const std::string& nodeId, const std::string& part,
                                                bool same) {
    return RepeatedMessage("Node [" + nodeId + "]", part, same);
}

std::string VRX_textFormat::RepeatedMessage(const std::string& owner, const std::string& part, bool same) {
    return same ? "ERROR: " + owner + " : its " + part + " is repeated unchanged, read once"
                : "ERROR: " + owner + " has more than one " + part;
}

int VRX_textFormat::Digested_(StatementDigest& digest, vovido::FunctionRef<int()> read) {
    digests_.push_back(&digest);
    const int rc = read();
    digests_.pop_back();
    return rc;
}

void VRX_textFormat::ReportRepeat_(const std::string& owner, const std::string& part, bool same, int line,
                                   int code) {
    const std::string text = RepeatedMessage(owner, part, same);
    if (line >= 0) reportLine_ = line;
    if (same) {
        (void)ReportWarning(kOutOfRange, text.c_str());
    } else {
        (void)ReportError(code, text.c_str());
    }
    if (line >= 0) reportLine_ = -1;
}

int VRX_textFormat::ReadStatementOnce(NodeStatements& seen, const std::string& nodeId,
                                      vovido::FunctionRef<int()> readStatement, KeywordTable repeatable) {
    return ReadStatementOnceOf(seen, "Node [" + nodeId + "]", "", readStatement, repeatable);
}

int VRX_textFormat::ReadStatementOnceOf(NodeStatements& seen, const std::string& owner,
                                        const std::string& where, vovido::FunctionRef<int()> readStatement,
                                        KeywordTable repeatable) {
    if (PeekToken() != kSuccess || token.kind != TokenKind::kIdentifier) return readStatement();
    if (KeywordIndex(repeatable) >= 0) return readStatement();
    std::string word = TokenText_();
    std::string key = word;
    if (!caseSensitive) {
        for (char& c : key) c = LowerAscii(c);
    }
    const StatementDigest* const first = seen.Find(key);
    const bool repeated = first != nullptr;
    // The repeat is passed over: it must change nothing the first one gave.
    StatementDigest digest;
    const int rc =
        repeated ? Digested_(digest, [this]() { return SkipStatement(); }) : Digested_(digest, readStatement);
    if (rc != kSuccess) return rc;
    if (repeated) {
        ReportRepeat_(owner, "'" + word + "' statement" + where, digest == *first);
    } else {
        seen.Add(std::move(key), digest);
    }
    return kSuccess;
}

int VRX_textFormat::ReadOnceBlock(const std::string& owner, const std::string& where,
                                  vovido::FunctionRef<int()> readStatement, KeywordTable repeatable,
                                  bool semicolonAfterEach) {
    NodeStatements seen;
    return ReadBlock(
        [this, &seen, &owner, &where, &readStatement, repeatable]() {
            return ReadStatementOnceOf(seen, owner, where, readStatement, repeatable);
        },
        semicolonAfterEach);
}

int VRX_textFormat::ReadPartOnce(NodeParts& seen, int handle, const std::string& nodeId,
                                 const std::string& part, vovido::FunctionRef<int()> readPart) {
    const StatementDigest* const first = seen.Find(handle);
    const bool repeated = first != nullptr;
    StatementDigest digest;
    const int rc =
        repeated ? Digested_(digest, [this]() { return SkipBlock(); }) : Digested_(digest, readPart);
    if (rc != kSuccess) return rc;
    if (repeated) {
        ReportRepeat_("Node [" + nodeId + "]", part, digest == *first);
    } else {
        seen.Add(handle, digest);
    }
    return kSuccess;
}

int VRX_textFormat::RefuseAfterTable(int handle, const std::string& nodeId, KeywordTable shapers) {
    if (handle < 0 || !TokenInTable(shapers) || !ContentOf_(handle).table) return kSuccess;
    return ReportMessage(kOutOfRange, "ERROR: Node [" + nodeId + "] : its '" + TokenText_() +
                                          "' statement follows its table, which it would replace");
}

int VRX_textFormat::AddParentArcs(int child, const std::vector<int>& parents,
                                  const std::function<void(size_t, int)>& refused) {
    vovido::SmallStack<int, 16> found;
    vovido::SmallStack<int, 16> added;
    try {
        for (int parent : parents) {
            if (parent < 0) continue;
            found.Push(parent);
            added.Push(kSuccess);
        }
    } catch (const std::bad_alloc&) {
        return ReportError(kOutOfMemory, nullptr);
    }
    // The table the arcs build counts with them; one that passes the tables' own limit is refused as such.
    int64_t cells = 0;
    if (dynamic_cast<vovido::ParentTableDefinition*>(network->GetNode(child)->GetDefinition()) != nullptr) {
        cells =
            vovido::DefinitionSupport::TableCellsWithParents(*network, child, found.begin(), found.Size()) -
            vovido::DefinitionSupport::TableCellsWithParents(*network, child, nullptr, 0);
    }
    if (network->readTableCells + cells <= kMaxFileTableCells) {
        if (const int rc = CheckReadSize(vovido::NodeIdOr(*network, child, ""), 0, 0, found.Size(),
                                         std::max<int64_t>(cells, 0)))
            return rc;
    }
    readArcs_ += found.Size();
    const int listed = network->AddArcs(found.begin(), found.Size(), child, added.begin());
    if (network->readTablesRefused) {
        // The network has logged the cause, naming the node: the read ends there, with nothing after it.
        NoteReport_(kOutOfMemory, true);
        stopped_ = true;
        return kOutOfMemory;
    }
    int first = kSuccess;
    size_t k = 0;
    for (size_t i = 0; i < parents.size(); ++i) {
        const int rc = parents[i] < 0 ? parents[i] : (listed != kSuccess ? listed : added[k++]);
        if (rc == kSuccess) continue;
        if (first == kSuccess) first = rc;
        refused(i, rc);
    }
    return first;
}

int VRX_textFormat::AddPendingArcs(PendingArcs& pending) {
    if (!pending.waiting) return kSuccess;
    pending.waiting = false;
    // A refusal names the line that gave the parents.
    reportLine_ = pending.line;
    arcChild_ = pending.child;
    const int rc = AddParentArcs(pending.child, pending.parents, [&pending](size_t i, int refused) {
        pending.refused(i < pending.ids.size() ? pending.ids[i] : std::string(), refused);
    });
    reportLine_ = arcChild_ = -1;
    return rc;
}

bool VRX_textFormat::ReportParentListFaults(int child, const std::vector<int>& parents, int line) {
    // A node has a few parents, searched in turn; a long list goes into a set.
    constexpr size_t kSearchedInTurn = 32;
    std::unordered_set<int> listed;
    bool faulty = false;
    std::string childId;
    for (size_t i = 0; i < parents.size(); ++i) {
        const int parent = parents[i];
        if (parent < 0) continue;
        if (parent != child) {
            const bool first =
                parents.size() <= kSearchedInTurn
                    ? std::find(parents.begin(), parents.begin() + static_cast<std::ptrdiff_t>(i), parent) ==
                          parents.begin() + static_cast<std::ptrdiff_t>(i)
                    : listed.insert(parent).second;
            if (first) continue;
        }
        if (childId.empty()) childId = vovido::NodeIdOr(*network, child, "");
        faulty = true;
        if (line >= 0) reportLine_ = line;
        (void)ReportMessage(
            kOutOfRange, parent == child ? "ERROR: Node [" + childId + "] : it is listed as its own parent"
                                         : "ERROR: Node [" + childId + "] : its parent [" +
                                               vovido::NodeIdOr(*network, parent, "") + "] is listed twice");
        if (line >= 0) reportLine_ = -1;
    }
    return faulty;
}

void VRX_textFormat::WaitForTable(PendingArcs& pending, int child, std::vector<int> parents,
                                  std::vector<std::string> ids,
                                  std::function<void(const std::string&, int)> refused) {
    if (ReportParentListFaults(child, parents)) {
        // The repeated or own parent is named: the network's refusal of its arc would say it again.
        std::unordered_set<std::string> named;
        std::unordered_set<int> listed;
        for (size_t i = 0; i < parents.size() && i < ids.size(); ++i) {
            if (parents[i] >= 0 && (parents[i] == child || !listed.insert(parents[i]).second))
                named.insert(ids[i]);
        }
        refused = [this, named = std::move(named), report = std::move(refused)](const std::string& id,
                                                                                int rc) {
            if (named.count(id) == 0 && report) {
                report(id, rc);
            } else {
                NoteReport_(rc, true);  // said: the read fails with it all the same
            }
        };
    }
    pending.child = child;
    pending.parents = std::move(parents);
    pending.ids = std::move(ids);
    pending.refused = std::move(refused);
    pending.line = lexer ? lexer->GetLineNumber() : 0;
    pending.waiting = true;
}

int VRX_textFormat::ReportLine_() const {
    if (reportLine_ >= 0) return reportLine_;
    return lexer ? lexer->GetLineNumber() : 0;
}

int64_t VRX_textFormat::PendingTableCells(const PendingArcs& pending) const {
    if (!network->IsLiveHandle(pending.child)) return 0;
    const int type = network->GetNodeType(pending.child);
    if (type != DefinitionType::kCpt && type != DefinitionType::kTruthTable && type != DefinitionType::kTable)
        return 0;
    const int64_t cells = vovido::DefinitionSupport::TableCellsWithParents(
        *network, pending.child, pending.waiting ? pending.parents.data() : nullptr,
        pending.waiting ? static_cast<int>(pending.parents.size()) : 0);
    return cells <= kMaxTableCells ? cells : 0;
}

int VRX_textFormat::AddArcsBeforeTable(PendingArcs& pending, int given) {
    const int64_t cells = PendingTableCells(pending);
    // An arc the network refuses gives the table another shape: the count is a knock-on of that cause.
    bool refused = false;
    for (size_t i = 0; pending.waiting && !refused && i < pending.parents.size(); ++i) {
        refused =
            pending.parents[i] < 0 ||
            vovido::FindArcRuleBroken(*network, pending.parents[i], pending.child) != vovido::ArcRule::kNone;
    }
    if (refused) return AddPendingArcs(pending);
    if (!pending.waiting || cells == 0 || cells == given) {
        (void)AddPendingArcs(pending);
        return kSuccess;
    }
    pending.waiting = false;
    return ReportMessage(kOutOfRange, vovido::TableCountMessage(vovido::NodeIdOr(*network, pending.child, ""),
                                                                given, static_cast<int>(cells)));
}
