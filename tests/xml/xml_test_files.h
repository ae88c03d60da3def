#pragma once
// Temporary files and error-log access shared by the tests of the XML network format.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "base/error_log.h"

namespace xmltest {

// A file name in the test's temporary folder, removed when the object goes.
class TempFile {
public:
    explicit TempFile(const std::string& suffix = ".xvrx") {
        static int counter = 0;
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = ::testing::TempDir() + "vovido_" + (info != nullptr ? info->name() : "test") + "_" +
                std::to_string(++counter) + suffix;
        std::remove(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() { std::remove(path_.c_str()); }

    const char* c_str() const { return path_.c_str(); }
    const std::string& path() const { return path_; }

    void Write(const std::string& text) const {
        std::ofstream out(path_, std::ios::binary);
        out << text;
    }
    std::string Read() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists() const {
        std::ifstream in(path_);
        return in.good();
    }

private:
    std::string path_;
};

inline std::vector<std::string> LoggedMessages() {
    std::vector<std::string> out;
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i)
        out.push_back(errorLog.GetMessage(i) != nullptr ? errorLog.GetMessage(i) : "");
    return out;
}

// The message of the first logged load error, after "Error at L, C while loading FILE: "; empty when
// no error was logged.
inline std::string FirstLoadError(const TempFile& file) {
    const std::string marker = " while loading " + file.path() + ": ";
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) {
        if (errorLog.GetCode(i) != -103) continue;
        const std::string text = errorLog.GetMessage(i);
        const size_t at = text.find(marker);
        if (at != std::string::npos) return text.substr(at + marker.size());
    }
    return std::string();
}

inline size_t CountOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace xmltest
