#pragma once
// Reading back what the engine logged, for tests that assert exact codes and texts.

#include <string>
#include <vector>

#include "base/error_log.h"

namespace vovido::test {

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

// Every entry as "code text" on a line of its own, for failure messages.
inline std::string LogDump() {
    std::string out;
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) {
        const char* text = errorLog.GetMessage(i);
        out += std::to_string(errorLog.GetCode(i)) + " " + (text != nullptr ? text : "") + "\n";
    }
    return out;
}

}  // namespace vovido::test
