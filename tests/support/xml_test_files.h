#pragma once
// Reading the XML loader's messages back in the tests of the XML network format.

#include <gtest/gtest.h>

#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "tests/support/error_log.h"
#include "tests/support/temp_file.h"

namespace vovido::test {

// The message of the first logged load error, after "Error at L, C while loading FILE: "; empty when
// no error was logged.
inline std::string FirstLoadError(const TempFile& file) {
    const std::string marker = " while loading " + file.path() + ": ";
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) {
        if (errorLog.GetCode(i) != kFileIoFailed) continue;
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

}  // namespace vovido::test
