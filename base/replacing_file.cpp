// Saving through a temporary file beside the target, renamed over it on success.
#include "base/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"

namespace vovido {
namespace {

// Distinguishes the temporary files of saves running at once in this process.
std::atomic<unsigned> saveCounter{0};

// A name too long for the directory is cut: the temporary file only has to be unique beside it.
constexpr size_t kLongestStem = 100;

// The file a save replaces: the target itself, or what it links to, so that a symbolic link stays a
// link to the saved file instead of being replaced by a plain file.
std::string ResolveTarget(const char* target) {
    struct stat info;
    if (lstat(target, &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = realpath(target, nullptr)) {
            std::string path(resolved);
            std::free(resolved);
            return path;
        }
    }
    return target;
}

}  // namespace

ReplacingFile::~ReplacingFile() {
    Discard();
}

bool ReplacingFile::Open(const char* target) {
    Discard();
    error_ = 0;
    if (target == nullptr || target[0] == '\0') return false;
    try {
        target_ = ResolveTarget(target);
        const size_t slash = target_.rfind('/');
        const std::string directory =
            slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
        const std::string base = target_.substr(slash == std::string::npos ? 0 : slash + 1);
        if (base.empty()) return false;
        struct stat old;
        const bool exists = stat(target_.c_str(), &old) == 0;
        if (exists && !S_ISREG(old.st_mode)) {
            // A device, pipe or the like cannot be replaced by renaming; it is written in place.
            stream_ = std::fopen(target_.c_str(), "wb");
            direct_ = stream_ != nullptr;
            if (direct_) return true;
            target_.clear();
            return false;
        }
        // A file the caller may not write stays refused, as it was when files were written in place.
        if (exists && access(target_.c_str(), W_OK) != 0) {
            target_.clear();
            return false;
        }
        // A new file, never an existing one (O_EXCL), created with the permissions the process gives new
        // files; a file that replaces another keeps the permissions of the one it replaces.
        for (int attempt = 0; attempt < 100; ++attempt) {
            temporary_ = directory + "." + base.substr(0, kLongestStem) + "." + std::to_string(getpid()) +
                         "." + std::to_string(saveCounter.fetch_add(1)) + ".tmp";
            const int fd = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0) {
                if (errno == EEXIST) continue;
                break;
            }
            if (exists) (void)fchmod(fd, old.st_mode & 07777);
            stream_ = fdopen(fd, "wb");
            if (stream_ == nullptr) {
                close(fd);
                unlink(temporary_.c_str());
                break;
            }
            return true;
        }
    } catch (const std::bad_alloc&) {
    }
    temporary_.clear();
    target_.clear();
    return false;
}

namespace {

// strerror_r comes in two forms (GNU: the text; POSIX: a status, the text in the buffer).
[[maybe_unused]] const char* ErrorTextOf(const char* text, const char*) {
    return text;
}
[[maybe_unused]] const char* ErrorTextOf(int status, const char* buffer) {
    return status == 0 ? buffer : "unknown error";
}

}  // namespace

void ReplacingFile::NoteError_() {
    if (error_ == 0) error_ = errno;
}

void ReplacingFile::NoteWriteError() {
    NoteError_();
}

std::string SystemErrorText(int error) {
    char buffer[256] = "";
    return ErrorTextOf(strerror_r(error, buffer, sizeof buffer), buffer);
}

FILE* OpenForReading(const char* path) {
    if (path == nullptr) return nullptr;
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return nullptr;
    struct stat info {};
    if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        errno = EISDIR;
        return nullptr;
    }
    return file;
}

int64_t RegularFileSize(FILE* file) {
    struct stat info {};
    return file != nullptr && fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode)
               ? static_cast<int64_t>(info.st_size)
               : -1;
}

int ReportOpenFailure(const char* path, int error) {
    std::string message = "OPEN FILE FAILED: ";
    message += path != nullptr ? path : "(no path)";
    if (error != 0) message += ": " + SystemErrorText(error);
    return LogError(errorLog, kFileIoFailed, message.c_str(), nullptr);
}

std::string ReplacingFile::ErrorText() const {
    if (error_ == 0) return std::string();
    return SystemErrorText(error_);
}

void ReplacingFile::ReportError() const {
    const std::string reason = ErrorText();
    if (!reason.empty()) LogError(errorLog, kFileIoFailed, ("WRITE FILE FAILED: " + reason).c_str(), nullptr);
}

bool ReplacingFile::Commit() {
    if (stream_ == nullptr) return false;
    // A write error sticks to the stream; what was still buffered fails in fclose. The stream is gone
    // after fclose either way.
    bool ok = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
    if (!ok) NoteError_();
    // The writers count a file before they make it; should one still grow past what the readers take,
    // it does not replace the target: a file the engine cannot read back is no save.
    const off_t size = ok && !direct_ ? ftello(stream_) : 0;
    if (size > kMaxInputBytes) {
        const std::string message = "WRITE FILE FAILED: " + target_ + ": " + std::to_string(size) +
                                    " bytes, more than the " + std::to_string(kMaxInputBytes) +
                                    " a reader takes (FILE TOO LARGE)";
        LogError(errorLog, kFileIoFailed, message.c_str(), nullptr);
        ok = false;
    }
    if (std::fclose(stream_) != 0) {
        NoteError_();
        ok = false;
    }
    stream_ = nullptr;
    if (direct_) {
        direct_ = false;
        target_.clear();
        return ok;
    }
    // No fsync: the failures a save reports are those of writing; durability across a machine crash
    // is left to the file system, which keeps saves cheap.
    if (ok && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        NoteError_();
        ok = false;
    }
    if (!ok) unlink(temporary_.c_str());
    temporary_.clear();
    target_.clear();
    return ok;
}

void ReplacingFile::Discard() {
    if (stream_ == nullptr) return;
    std::fclose(stream_);
    stream_ = nullptr;
    if (direct_) {
        direct_ = false;
        target_.clear();
        return;
    }
    unlink(temporary_.c_str());
    temporary_.clear();
    target_.clear();
}

}  // namespace vovido
