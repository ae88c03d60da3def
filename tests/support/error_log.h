#pragma once
// Reading back what the engine logged, for tests that assert exact codes and texts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error_log.h"

namespace vovido::test {

// A test (plain or parameterised, by Base) that starts and ends with an empty error log, so that it
// sees only what it logged itself.
template <typename Base = ::testing::Test>
class FreshLogTest : public Base {
protected:
    void SetUp() override { errorLog.Flush(); }
    void TearDown() override { errorLog.Flush(); }
};

inline std::vector<std::string> LoggedMessages() {
    std::vector<std::string> out;
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) {
        const char* text = errorLog.GetMessage(i);
        out.emplace_back(text != nullptr ? text : "");
    }
    return out;
}

// The text of the last entry; empty when nothing was logged.
inline std::string LastLogged() {
    const int n = errorLog.GetNumberOfEntries();
    const char* text = n > 0 ? errorLog.GetMessage(n - 1) : nullptr;
    return text != nullptr ? text : "";
}

// True when some entry has exactly this code and text.
inline bool Logged(int code, const std::string& text) {
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) {
        if (errorLog.GetCode(i) == code && text == errorLog.GetMessage(i)) return true;
    }
    return false;
}

// True when some entry with the code has the text, or folds it with others alike but for the first
// bracketed word: "<text with another [word]> (N times, also ..., [word], ...)".
inline bool LoggedOrFolded(int code, const std::string& text) {
    if (Logged(code, text)) return true;
    const size_t open = text.find('[');
    const size_t close = text.find(']', open);
    if (open == std::string::npos || close == std::string::npos) return false;
    const std::string bracket = text.substr(open, close - open + 1);
    const std::string head = text.substr(0, open + 1);
    const std::string tail = text.substr(close) + " (";
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) {
        const std::string entry = errorLog.GetMessage(i);
        const size_t end = entry.find(']', head.size());
        if (errorLog.GetCode(i) == code && entry.compare(0, head.size(), head) == 0 &&
            end != std::string::npos && entry.compare(end, tail.size(), tail) == 0 &&
            entry.find(bracket, end) != std::string::npos)
            return true;
    }
    return false;
}

// Every entry as "code text" on a line of its own, for failure messages.
inline std::string LogDump() {
    std::string out;
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) {
        const char* text = errorLog.GetMessage(i);
        out += std::to_string(errorLog.GetCode(i)) + " " + (text != nullptr ? text : "") + "\n";
    }
    return out;
}

// True when the log holds this text (an empty one always), as LogDump shows it.
inline bool LoggedPart(const std::string& part) {
    return LogDump().find(part) != std::string::npos;
}

}  // namespace vovido::test
