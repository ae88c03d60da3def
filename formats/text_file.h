#pragma once
// Line-oriented text file: reads lines for the lexical analyser and writes indented, wrapped text.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/replacing_file.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "base/vrx_object.h"

namespace TextFileMode {
constexpr int kRead = -100;
constexpr int kWrite = -101;
// The output modes of the writers: 2 writes the indentation after each line feed that more text follows.
constexpr int kIndentAfterLineFeed = 2;
}  // namespace TextFileMode

class VRX_textFile : public VRX_object {
public:
    static constexpr int kDefaultLineWidth = 70;
    static constexpr int kMaxIndentation = 1019;

    VRX_textFile();
    ~VRX_textFile() override;
    VRX_textFile(const VRX_textFile&) = delete;
    VRX_textFile& operator=(const VRX_textFile&) = delete;

    // kRead or kWrite; 0, or kFileIoFailed (logged as "OPEN FILE FAILED: <path>: <reason>" when the file
    // cannot be opened).
    // Bytes are read and written as they are; line ends are handled by ReadLine.
    [[nodiscard]] int Open(const char* path, int mode);
    // Reading from a text in memory instead of a file.
    int OpenInputText(std::string_view text);
    // Writing into memory; the text stays readable through GetOutputText after Close.
    int OpenOutputText();
    const std::string& GetOutputText() const { return outputText_; }
    // "ERROR: Line N : " + what, naming the file read as the readers' messages do: "ERROR: Line N while
    // loading F : " + what (text in memory has no file to name).
    std::string LineMessage(int line, const char* what) const;
    // 0, or kFileIoFailed when buffered output could not be written. The status becomes kFileIoFailed. A file
    // written replaces the target only here and only when all of it was written; otherwise the old one stays.
    [[nodiscard]] int Close();
    bool IsOpen() const { return openMode_ != 0; }

    // One whole line with its line feed (none on a last line that has none). A carriage return before
    // the line feed, or at the very end, is removed, so CR LF files read as LF files. 0, kEndOfFile at the
    // end of the file, kFileIoFailed on a read error or without an input, and kFileIoFailed (logged) for a
    // line longer than the line limit or a file longer than the input limit: input that never ends (a device,
    // a pipe) stops there instead of filling memory.
    [[nodiscard]] int ReadLine(std::string& line);
    static constexpr size_t kMaxLineBytes = size_t{64} << 20;
    // Bytes of the input opened: the text's, or the file's when it was opened (the input limit for a pipe
    // or a device, which tell no size). A reader bounds what a count in the input may reserve by it.
    int64_t GetInputSize() const { return inputSize_ >= 0 ? inputSize_ : maxInputBytes_; }
    // Lower limits for this file's reading; 0 keeps a limit as it is.
    void SetInputLimits(size_t maxLineBytes, int64_t maxInputBytes);

    // One level deeper or shallower; at either limit the level stays and kOutOfRange is returned, which
    // leaves the output well formed, so writers need not check.
    int Indent();
    int Unindent();
    [[nodiscard]] int SetIndentWidth(int n);
    [[nodiscard]] int SetLineWidth(int n);
    // Text written at the end of each line that WriteWrapped breaks; null or empty clears it.
    int SetContinuation(const char* text);

    // The writes return the status. A failure is sticky: later writes do nothing, GetStatus stays
    // kFileIoFailed and Close returns kFileIoFailed, so a writer checks Close (or GetStatus) once rather than
    // every write.
    int WriteIndentation();
    // Never breaks a line.
    int WriteRaw(std::string_view text, int mode = TextFileMode::kIndentAfterLineFeed);
    // Breaks a line that grows past the line width at a blank.
    int WriteWrapped(std::string_view text, int mode = TextFileMode::kIndentAfterLineFeed);
    // kFileIoFailed without an output, 0 for a null text, else WriteWrapped.
    int Write(const char* text, int mode = TextFileMode::kIndentAfterLineFeed);
    // Write after the indentation.
    int WriteLine(const char* text, int mode = TextFileMode::kIndentAfterLineFeed);

    [[nodiscard]] int GetStatus() const { return status; }
    // For a writer that could not gather what it had to write: the output fails as if a write had, so
    // Close keeps the old file.
    void MarkFailed() { status = kFileIoFailed; }
    int GetLineNumber() const { return lineNumber; }
    int GetLineWidth() const { return lineWidth; }
    int GetColumn() const { return column; }
    int GetIndentLevel() const { return indentLevel; }
    int GetIndentWidth() const { return indentWidth; }
    const std::string& GetContinuation() const { return continuation; }

private:
    bool CanWrite_() const { return openMode_ == TextFileMode::kWrite; }
    bool Refill_();
    int Emit_(std::string_view text);
    int Indentation_() const { return indentLevel * indentWidth; }
    int EndLine_(std::string_view text, int mode, bool moreFollows);
    // Adds one character to the current output line of WriteWrapped, breaking the line first when full.
    int AddWrapped_(char c);
    int BreakLine_(char next);

    FILE* file = nullptr;
    // Output not yet handed to the file, written once it holds kWriteChunkBytes and when closing.
    static constexpr size_t kWriteChunkBytes = size_t{1} << 16;
    std::string writeBuffer_;
    void FlushWriteBuffer_();
    vovido::ReplacingFile replacing_;  // the output file while writing; file is its stream
    int status = -103;
    int lineNumber = 0;
    int lineWidth = kDefaultLineWidth;
    int column = 0;
    int indentLevel = 0;
    int indentWidth = 1;
    std::string lineBuffer;  // the output line being assembled by WriteWrapped
    std::string continuation;

    int openMode_ = 0;      // 0 closed, else kRead or kWrite
    std::string readPath_;  // the file being read; empty for text in memory
    bool inMemory_ = false;
    bool readFailed_ = false;
    size_t maxLineBytes_ = kMaxLineBytes;
    int64_t maxInputBytes_ = kMaxInputBytes;
    int64_t bytesRead_ = 0;
    int64_t bytesWritten_ = 0;
    int64_t inputSize_ = 0;  // -1: a file of unknown size
    std::string readBuffer_;
    size_t readPos_ = 0;
    std::string outputText_;
};
