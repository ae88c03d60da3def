#pragma once
// Saves that fail half way: a file size limit that makes writes fail as a full disk does, a ceiling on
// table memory, the temporary files a save may leave beside its target, and whole files (temp_file.h).

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/double_array.h"
#include "tests/support/temp_file.h"

namespace vovido::test {

// While it lives, writing past `bytes` into any file of this process fails (EFBIG, like ENOSPC a write
// error of the stream) instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool IsActive() const { return active_; }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
    bool active_ = false;
};

// While it lives, a buffer of more than `items` doubles (a table) fails on this thread as memory that runs
// out does.
class BufferCeiling {
public:
    explicit BufferCeiling(int items) { VRX_doubleArray::SetBufferCeiling(items); }
    ~BufferCeiling() { VRX_doubleArray::SetBufferCeiling(0); }
    BufferCeiling(const BufferCeiling&) = delete;
    BufferCeiling& operator=(const BufferCeiling&) = delete;
};

// Entries of the target's directory, other than the target itself, whose names begin with "." and the
// target's name: what a save may leave behind.
inline std::vector<std::string> FilesBeside(const std::string& target) {
    const size_t slash = target.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : target.substr(0, slash);
    const std::string stem = "." + target.substr(slash == std::string::npos ? 0 : slash + 1);
    std::vector<std::string> found;
    if (DIR* dir = opendir(directory.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.compare(0, stem.size(), stem) == 0) found.push_back(name);
        }
        closedir(dir);
    }
    return found;
}

}  // namespace vovido::test
