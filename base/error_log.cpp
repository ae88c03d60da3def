// The process-wide error log and the default texts of status codes.
#include "base/error_log.h"

#include <new>
#include <string>

#include "base/status_codes.h"

ErrorLog errorLog;

ErrorLog::ErrorLog() : messages(0, 10) {}

const char* ErrorLog::GetMessage(int index) const {
    if (index < 0 || index >= codes.GetCount()) return nullptr;
    return messages[index];
}

int ErrorLog::GetCode(int index) const {
    if (index < 0 || index >= codes.GetCount()) return kSuccess;
    return codes[index];
}

int ErrorLog::GetNumberOfEntries() const {
    return codes.GetCount();
}

void ErrorLog::Flush() {
    codes.Flush();
    messages.Flush();
}

int LogError(ErrorLog& log, int code, const char* message, const char* prefix) {
    if (code == kSuccess) return kSuccess;
    if (message == nullptr) message = ErrorCodeText(code);
    // Joined without a length limit, so long prefixes (file paths, line texts) are never cut.
    std::string joined;
    if (prefix != nullptr) {
        try {
            joined.reserve(std::char_traits<char>::length(prefix) + std::char_traits<char>::length(message));
            joined.append(prefix).append(message);
        } catch (const std::bad_alloc&) {
            return code;
        }
        message = joined.c_str();
    }
    // The message goes first and is taken back if the code cannot follow, keeping both lists parallel.
    if (log.messages.Add(message) != kSuccess) return code;
    if (log.codes.Add(code) != kSuccess) log.messages.Delete(log.messages.GetCount() - 1);
    return code;
}

const char* ErrorCodeText(int code) {
    switch (code) {
        case -2:
            return "OUT OF RANGE";
        case -30:
            return "ILLEGAL IDENTIFIER";
        case -32:
            return "DUPLICATED IDENTIFIER";
        case -42:
            return "OUT OF MEMORY";
        case -51:
            return "WRONG NODE TYPE";
        case -103:
            return "FILE I/O FAILED";
        case -111:
            return "NO MORE TOKENS";
        case -126:
            return "LEXICAL ERROR. CHARACTER UNKNOWN";
        case -128:
            return "UNEXPECTED END OF FILE";
        // Codes the engine uses that have no text of their own.
        case 0:
        case -1:
        case -3:
        case -4:
        case -5:
        case -19:
        case -100:
        case -101:
        case -102:
        case -127:
        case -567:
        case -568:
            return "NO ERROR";
        default:
            return "UNKNOWN ERROR CODE";
    }
}
