// Line-oriented text file: whole-line reading with CR LF handling, indented and wrapped writing.
#include "formats/text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"

namespace {

constexpr size_t kReadChunk = 64 * 1024;

// Blanks that a string reader drops after a continuation, so a broken line must not start with one.
bool IsDroppedBlank(char c) {
    return c == ' ' || c == '\t' || c == '\b';
}

// True when text ends with an odd run of backslashes: its last backslash escapes what comes next.
bool EndsInOpenEscape(const std::string& text) {
    size_t run = 0;
    for (size_t i = text.size(); i > 0 && text[i - 1] == '\\'; --i) ++run;
    return (run & 1u) != 0;
}

}  // namespace

VRX_textFile::VRX_textFile() = default;

VRX_textFile::~VRX_textFile() {
    // Output never closed was not written whole: it does not replace the file.
    if (replacing_.IsOpen()) {
        replacing_.Discard();
        file = nullptr;
        writeBuffer_.clear();
    }
    (void)Close();  // a reader's input, or output already discarded above
}

int VRX_textFile::Open(const char* path, int mode) {
    (void)Close();  // what was open before ends here: its user did not close it
    if (mode != TextFileMode::kRead && mode != TextFileMode::kWrite) {
        status = kFileIoFailed;
        return kFileIoFailed;
    }
    errno = 0;  // a reason left by an earlier call is not this one's
    if (mode == TextFileMode::kRead) {
        file = vovido::OpenForReading(path);
    } else if (replacing_.Open(path)) {
        // Written beside the target and renamed over it by Close, so a failed save keeps the old file.
        file = replacing_.Stream();
    }
    if (file == nullptr) {
        const int error = errno;
        status = kFileIoFailed;
        return vovido::ReportOpenFailure(path, error);
    }
    openMode_ = mode;
    inMemory_ = false;
    readPath_ = mode == TextFileMode::kRead ? path : "";
    bytesWritten_ = 0;
    // A pipe or a device tells no size: it may hold up to the input limit.
    inputSize_ = vovido::RegularFileSize(file);
    lineNumber = 0;
    column = 0;
    status = kSuccess;
    return kSuccess;
}

int VRX_textFile::OpenInputText(std::string_view text) {
    (void)Close();  // what was open before ends here: its user did not close it
    readBuffer_.assign(text.data(), text.size());
    inputSize_ = static_cast<int64_t>(text.size());
    readPos_ = 0;
    openMode_ = TextFileMode::kRead;
    inMemory_ = true;
    lineNumber = 0;
    status = kSuccess;
    return kSuccess;
}

int VRX_textFile::OpenOutputText() {
    (void)Close();  // what was open before ends here: its user did not close it
    outputText_.clear();
    bytesWritten_ = 0;
    openMode_ = TextFileMode::kWrite;
    inMemory_ = true;
    lineNumber = 0;
    column = 0;
    status = kSuccess;
    return kSuccess;
}

void VRX_textFile::FlushWriteBuffer_() {
    if (!writeBuffer_.empty() && file != nullptr && status == kSuccess &&
        std::fwrite(writeBuffer_.data(), 1, writeBuffer_.size(), file) != writeBuffer_.size()) {
        replacing_.NoteWriteError();
        status = kFileIoFailed;
    }
    writeBuffer_.clear();
}

int VRX_textFile::Close() {
    int result = kSuccess;
    if (replacing_.IsOpen()) FlushWriteBuffer_();
    writeBuffer_.clear();
    writeBuffer_.shrink_to_fit();
    if (replacing_.IsOpen()) {
        // A failed close of an output loses buffered text: the writer must hear of it, and the old
        // file stays in place.
        if (status != kSuccess) {
            replacing_.Discard();
            result = kFileIoFailed;
        } else if (!replacing_.Commit()) {
            result = kFileIoFailed;
        }
        // A write the system refused (a full disk) is told with the system's reason.
        replacing_.ReportError();
        file = nullptr;
    } else if (file != nullptr) {
        std::fclose(file);
        file = nullptr;
    }
    if (openMode_ == TextFileMode::kWrite && status != kSuccess) result = kFileIoFailed;
    openMode_ = 0;
    inMemory_ = false;
    readFailed_ = false;
    bytesRead_ = 0;
    inputSize_ = 0;
    readBuffer_.clear();
    readBuffer_.shrink_to_fit();
    readPos_ = 0;
    status = kFileIoFailed;
    return result;
}

std::string VRX_textFile::LineMessage(int line, const char* what) const {
    std::string text = "ERROR: Line " + std::to_string(line);
    if (!readPath_.empty()) text += " while loading " + readPath_;
    return text + " : " + what;
}

bool VRX_textFile::Refill_() {
    readBuffer_.clear();
    readPos_ = 0;
    if (inMemory_ || file == nullptr || readFailed_) return false;
    if (bytesRead_ >= maxInputBytes_) {
        // More input than any network file holds: it is not read on.
        if (std::fgetc(file) == EOF) return false;
        readFailed_ = true;
        LogError(errorLog, kFileIoFailed, LineMessage(lineNumber + 1, "FILE TOO LARGE").c_str(), nullptr);
        return false;
    }
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(kReadChunk, maxInputBytes_ - bytesRead_));
    readBuffer_.resize(chunk);
    errno = 0;  // a reason left by an earlier call is not this read's
    const size_t n = std::fread(&readBuffer_[0], 1, chunk, file);
    readBuffer_.resize(n);
    bytesRead_ += static_cast<int64_t>(n);
    if (n == 0 && std::ferror(file)) {
        // The system's reason, or the input ends without a word and the read fails for no reason given.
        const int error = errno;
        readFailed_ = true;
        const std::string what = "READ FAILED" + (error != 0 ? ": " + vovido::SystemErrorText(error) : "");
        LogError(errorLog, kFileIoFailed, LineMessage(lineNumber + 1, what.c_str()).c_str(), nullptr);
    }
    return n > 0;
}

void VRX_textFile::SetInputLimits(size_t maxLineBytes, int64_t maxInputBytes) {
    if (maxLineBytes > 0) maxLineBytes_ = maxLineBytes;
    if (maxInputBytes > 0) maxInputBytes_ = maxInputBytes;
}

int VRX_textFile::ReadLine(std::string& line) {
    line.clear();
    if (openMode_ != TextFileMode::kRead) {
        status = kFileIoFailed;
        return kFileIoFailed;
    }
    bool complete = false;
    while (!complete) {
        if (readPos_ == readBuffer_.size() && !Refill_()) break;
        const char* begin = readBuffer_.data() + readPos_;
        const size_t available = readBuffer_.size() - readPos_;
        const void* feed = std::memchr(begin, '\n', available);
        const size_t n =
            feed != nullptr ? static_cast<size_t>(static_cast<const char*>(feed) - begin) + 1 : available;
        if (line.size() + n > maxLineBytes_) {
            readFailed_ = true;
            LogError(errorLog, kFileIoFailed, LineMessage(lineNumber + 1, "LINE TOO LONG").c_str(), nullptr);
            break;
        }
        line.append(begin, n);
        readPos_ += n;
        complete = feed != nullptr;
    }
    if (readFailed_) {
        status = kFileIoFailed;
        return kFileIoFailed;
    }
    if (line.empty()) {
        status = kEndOfFile;
        return kEndOfFile;
    }
    const size_t size = line.size();
    if (complete && size >= 2 && line[size - 2] == '\r') {
        line.erase(size - 2, 1);
    } else if (!complete && line[size - 1] == '\r') {
        line.pop_back();
    }
    ++lineNumber;
    status = kSuccess;
    return kSuccess;
}

int VRX_textFile::Indent() {
    if (indentWidth * indentLevel >= kMaxIndentation) return kOutOfRange;
    ++indentLevel;
    return kSuccess;
}

int VRX_textFile::Unindent() {
    if (indentLevel == 0) return kOutOfRange;
    --indentLevel;
    return kSuccess;
}

int VRX_textFile::SetIndentWidth(int n) {
    if (n < 0 || n > lineWidth - 1) return kOutOfRange;
    indentWidth = n;
    return kSuccess;
}

int VRX_textFile::SetLineWidth(int n) {
    if (n < 0 || n < indentWidth + 1) return kOutOfRange;
    lineWidth = n;
    return kSuccess;
}

int VRX_textFile::SetContinuation(const char* text) {
    if (text == nullptr) {
        continuation.clear();
    } else {
        continuation.assign(text);
    }
    return kSuccess;
}

int VRX_textFile::Emit_(std::string_view text) {
    if (!CanWrite_()) {
        status = kFileIoFailed;
        return kFileIoFailed;
    }
    if (text.empty()) return status;
    bytesWritten_ += static_cast<int64_t>(text.size());
    if (bytesWritten_ > kMaxInputBytes && !inMemory_) {
        // Past what the readers take: the file would not read back, so the rest is not written.
        if (status == kSuccess) {
            LogError(errorLog, kFileIoFailed,
                     ("WRITE FILE FAILED: more than " + std::to_string(kMaxInputBytes) +
                      " bytes, the most a reader takes (FILE TOO LARGE)")
                         .c_str(),
                     nullptr);
        }
        status = kFileIoFailed;
        return status;
    }
    if (inMemory_) {
        outputText_.append(text.data(), text.size());
        return status;
    }
    // Gathered into large writes: a table's text comes a number at a time.
    writeBuffer_.append(text.data(), text.size());
    if (writeBuffer_.size() >= kWriteChunkBytes) FlushWriteBuffer_();
    return status;
}

int VRX_textFile::WriteIndentation() {
    if (!CanWrite_()) return Emit_({});
    const int blanks = Indentation_();
    if (blanks > 0) {
        Emit_(std::string(static_cast<size_t>(blanks), ' '));
        column += blanks;
    }
    return status;
}

int VRX_textFile::EndLine_(std::string_view text, int mode, bool moreFollows) {
    Emit_(text);
    column = 0;
    if (mode == TextFileMode::kIndentAfterLineFeed && moreFollows) WriteIndentation();
    return status;
}

int VRX_textFile::WriteRaw(std::string_view text, int mode) {
    if (!CanWrite_()) return Emit_({});
    size_t start = 0;
    while (start < text.size()) {
        const size_t feed = text.find('\n', start);
        if (feed == std::string_view::npos) {
            Emit_(text.substr(start));
            column += static_cast<int>(text.size() - start);
            break;
        }
        EndLine_(text.substr(start, feed + 1 - start), mode, feed + 1 < text.size());
        start = feed + 1;
    }
    return status;
}

int VRX_textFile::WriteWrapped(std::string_view text, int mode) {
    if (!CanWrite_()) return Emit_({});
    lineBuffer.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            lineBuffer.push_back('\n');
            EndLine_(lineBuffer, mode, i + 1 < text.size());
            lineBuffer.clear();
            continue;
        }
        AddWrapped_(c);
    }
    Emit_(lineBuffer);
    lineBuffer.clear();
    return status;
}

int VRX_textFile::AddWrapped_(char c) {
    if (column > lineWidth) BreakLine_(c);
    lineBuffer.push_back(c);
    ++column;
    return status;
}

// The line is full and `next` is to be added. Breaks after the last blank of the buffered text; without
// one, moves the buffered text to a new line when earlier output shares this line; else breaks inside
// the word, but only where the continuation text lets a reader join the pieces again. A reader drops the
// blanks that follow a continuation, so no broken line may start with one.
int VRX_textFile::BreakLine_(char next) {
    const size_t n = lineBuffer.size();
    size_t k = n;
    int walkColumn = column;
    bool atTab = false;
    while (k > 0) {
        const char p = lineBuffer[k - 1];
        if (p == '\t') {
            atTab = true;
            break;
        }
        if (p == ' ' && !IsDroppedBlank(k < n ? lineBuffer[k] : next)) break;
        --k;
        --walkColumn;
    }
    if (k > 0 && !atTab) {
        std::string carried = lineBuffer.substr(k);
        lineBuffer.resize(k);
        lineBuffer += continuation;
        lineBuffer.push_back('\n');
        Emit_(lineBuffer);
        column = 0;
        WriteIndentation();
        lineBuffer.swap(carried);
        column += static_cast<int>(lineBuffer.size());
        return status;
    }
    const char first = n > 0 ? lineBuffer[0] : next;
    if (k == 0 && !atTab && walkColumn > Indentation_() && !IsDroppedBlank(first)) {
        Emit_(continuation + "\n");
        column = 0;
        WriteIndentation();
        std::string pending;
        pending.swap(lineBuffer);
        for (const char p : pending) AddWrapped_(p);
        return status;
    }
    if (!continuation.empty() && n > 0 && !IsDroppedBlank(next) && !EndsInOpenEscape(lineBuffer)) {
        lineBuffer += continuation;
        lineBuffer.push_back('\n');
        Emit_(lineBuffer);
        lineBuffer.clear();
        column = 0;
        WriteIndentation();
    }
    return status;
}

int VRX_textFile::Write(const char* text, int mode) {
    if (!CanWrite_()) return Emit_({});
    if (text == nullptr) return kSuccess;
    return WriteWrapped(text, mode);
}

int VRX_textFile::WriteLine(const char* text, int mode) {
    if (!CanWrite_()) return Emit_({});
    WriteIndentation();
    return Write(text, mode);
}
