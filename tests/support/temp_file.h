#pragma once
// Files for tests: names of their own per test (tests run in parallel processes), writing and reading
// whole files, and a file removed when it goes out of scope.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include <unistd.h>

namespace vovido::test {

// Records a path handed out by TempPath, to be removed when the test program ends: the names carry the
// process, so no other program (a death test's child included) uses them. Threads of a test share it.
inline void RemoveAtExit(const std::string& path) {
    static struct Paths {
        std::mutex lock;
        std::vector<std::string> list;
        ~Paths() {
            for (const std::string& p : list) std::remove(p.c_str());
        }
    } paths;
    const std::lock_guard<std::mutex> hold(paths.lock);
    paths.list.push_back(path);
}

// A name in the temporary folder that carries the test's suite and name ('/' of parameterised ones made
// '_'), and the process: the plain and the sanitized program run the same test at the same time.
inline std::string TempPath(const std::string& name) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string prefix =
        test != nullptr ? std::string(test->test_suite_name()) + "_" + test->name() + "_" : std::string();
    for (char& c : prefix) c = c == '/' ? '_' : c;
    std::string path = ::testing::TempDir() + prefix + std::to_string(getpid()) + "_" + name;
    RemoveAtExit(path);
    return path;
}

inline bool WriteWholeFile(const std::string& path, const std::string& content) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(content.data(), 1, content.size(), f) == content.size();
    return std::fclose(f) == 0 && written;
}

inline std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool FileExists(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f != nullptr) std::fclose(f);
    return f != nullptr;
}

// Writes the content to TempPath(name) and returns that path.
inline std::string WriteTextFile(const std::string& name, const std::string& content) {
    const std::string path = TempPath(name);
    EXPECT_TRUE(WriteWholeFile(path, content)) << path;
    return path;
}

// A temporary file of the test, absent at first and removed at the end of its scope.
class TempFile {
public:
    explicit TempFile(const std::string& suffix = ".xvrx") {
        static int counter = 0;
        path_ = TempPath(std::to_string(++counter) + suffix);
        std::remove(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() { std::remove(path_.c_str()); }

    const char* c_str() const { return path_.c_str(); }
    const std::string& path() const { return path_; }

    void Write(const std::string& content) const { EXPECT_TRUE(WriteWholeFile(path_, content)) << path_; }
    std::string Read() const { return ReadTextFile(path_); }
    bool Exists() const { return FileExists(path_); }

private:
    std::string path_;
};

}  // namespace vovido::test
