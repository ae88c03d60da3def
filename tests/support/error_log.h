#pragma once
// Reading back what the engine logged, for tests that assert exact codes and texts.

#include <gtest/gtest.h>

#include <string>
#include <utility>
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

// Entry i as the comparisons below see it: a reader's line prefix without the file it names
// ("(line 3 while loading F) : " as "(line 3) : ", "ERROR: Line 3 while loading F : " as "ERROR: Line 3 : "),
// so that tables of messages hold for files of any name. The file named is checked where it is the point
// (errorLog.GetMessage).
inline std::string MessageAt(int i) {
    const char* raw = errorLog.GetMessage(i);
    std::string text = raw != nullptr ? raw : "";
    for (const auto& [head, tail] :
         {std::pair<std::string, std::string>{"(line ", ") : "}, {"ERROR: Line ", " : "}}) {
        const size_t end = text.find(tail);
        const size_t at = text.rfind(" while loading ", end);
        if (text.compare(0, head.size(), head) == 0 && end != std::string::npos && at != std::string::npos &&
            at > head.size()) {
            text.erase(at, end - at);
            break;
        }
    }
    return text;
}

inline std::vector<std::string> LoggedMessages() {
    std::vector<std::string> out;
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) out.push_back(MessageAt(i));
    return out;
}

// The text of the last entry; empty when nothing was logged.
inline std::string LastLogged() {
    const int n = errorLog.GetNumberOfEntries();
    return n > 0 ? MessageAt(n - 1) : "";
}

// True when some entry has exactly this code and text.
inline bool Logged(int code, const std::string& text) {
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) {
        if (errorLog.GetCode(i) == code && text == MessageAt(i)) return true;
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
        const std::string entry = MessageAt(i);
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
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i)
        out += std::to_string(errorLog.GetCode(i)) + " " + MessageAt(i) + "\n";
    return out;
}

// True when the log holds this text (an empty one always), as LogDump shows it.
// The entries whose text holds the part.
inline int CountLoggedPart(const std::string& part) {
    int count = 0;
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i)
        count += MessageAt(i).find(part) != std::string::npos;
    return count;
}

inline bool LoggedPart(const std::string& part) {
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) {
        if ((std::to_string(errorLog.GetCode(i)) + " " + MessageAt(i)).find(part) != std::string::npos)
            return true;
    }
    return part.empty();
}

}  // namespace vovido::test
