#pragma once
// A file written under a temporary name beside its target and renamed over the target only once all of
// it was written: a save that fails half way (disk full, write error) leaves the old file as it was.

#include <cstdint>
#include <cstdio>
#include <string>

namespace vovido {

// The system's words for an errno value ("No such file or directory").
std::string SystemErrorText(int error);

// Logs "OPEN FILE FAILED: <path>", followed by ": " and SystemErrorText(error) when error is not 0, so the
// user knows which file and what to mend. Returns kFileIoFailed.
int ReportOpenFailure(const char* path, int error);

// Opens a file for reading in binary mode; null with errno set on failure. A directory is refused
// (EISDIR): fopen opens one on some systems and only the first read fails, without naming the cause.
FILE* OpenForReading(const char* path);
// The size of an open regular file; -1 for a pipe or a device, which tell none.
int64_t RegularFileSize(FILE* file);

class ReplacingFile {
public:
    ReplacingFile() = default;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    // A file never committed is discarded.
    ~ReplacingFile();

    // Creates a new temporary file in the target's directory and opens it for binary writing. False
    // when it cannot be created; the target is not touched either way. A file already open is discarded.
    // A target that exists but is no regular file (a device such as /dev/null, a pipe) cannot be
    // replaced and is written directly.
    bool Open(const char* target);
    // The stream to write to; null while no file is open.
    FILE* Stream() const { return stream_; }
    bool IsOpen() const { return stream_ != nullptr; }

    // Closes the temporary file and renames it over the target. False when anything failed on the way,
    // an earlier write error on the stream included; the temporary file is then removed and the
    // target keeps its old content. Without an open file: false.
    bool Commit();
    // Closes and removes the temporary file; the target keeps its old content.
    void Discard();

    // A write to Stream() failed: the system's reason (errno) is kept for ErrorText, unless one already is.
    void NoteWriteError();
    // Why the last Commit failed, or a write noted failed, in the system's words ("No space left on
    // device"); empty when no reason is known.
    std::string ErrorText() const;
    // Logs that reason as "WRITE FILE FAILED: <reason>" when one is known.
    void ReportError() const;

    // The temporary file's name while one is open (empty otherwise).
    const std::string& TemporaryName() const { return temporary_; }

private:
    FILE* stream_ = nullptr;
    std::string temporary_;
    std::string target_;
    bool direct_ = false;  // writing straight into a target that is not a regular file
    int error_ = 0;        // errno of the first failure since Open
    void NoteError_();
};

}  // namespace vovido
