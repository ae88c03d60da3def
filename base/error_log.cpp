// The per-thread error log and the default texts of status codes.
#include "base/error_log.h"

#include <cstring>
#include <new>

#include "base/status_codes.h"

thread_local ErrorLog errorLog;

ErrorLog::ErrorLog() = default;

ErrorLog::~ErrorLog() = default;

const char* ErrorLog::GetMessage(int index) const {
    if (index < 0 || index >= GetNumberOfEntries()) return nullptr;
    return messages[static_cast<size_t>(index)].get();
}

int ErrorLog::GetCode(int index) const {
    if (index < 0 || index >= GetNumberOfEntries()) return kSuccess;
    return codes[static_cast<size_t>(index)];
}

int ErrorLog::GetNumberOfEntries() const {
    return static_cast<int>(codes.size());
}

void ErrorLog::Flush() {
    codes.clear();
    messages.clear();
    notices.clear();
    callFirst = 0;
}

void ErrorLog::Truncate(int count) {
    if (count < 0 || static_cast<size_t>(count) >= codes.size()) return;
    codes.resize(static_cast<size_t>(count));
    messages.resize(static_cast<size_t>(count));
    while (!notices.empty() && notices.back().entry >= count) notices.pop_back();
    if (callFirst > count) callFirst = count;
}

int LogError(ErrorLog& log, int code, const char* message, const char* prefix) {
    if (code == kSuccess) return kSuccess;
    if (message == nullptr) message = ErrorCodeText(code);
    // Joined without a length limit, so long prefixes (file paths, line texts) are never cut.
    const size_t prefixLength = prefix != nullptr ? std::strlen(prefix) : 0;
    const size_t messageLength = std::strlen(message);
    // A log that cannot take one more entry stays as it was: the two lists are grown before either
    // receives anything, so they never fall out of step.
    try {
        if (log.codes.size() == log.codes.capacity()) log.codes.reserve(2 * log.codes.size() + 16);
        if (log.messages.size() == log.messages.capacity())
            log.messages.reserve(2 * log.messages.size() + 16);
        std::unique_ptr<char[]> text(new char[prefixLength + messageLength + 1]);
        if (prefixLength > 0) std::memcpy(text.get(), prefix, prefixLength);
        std::memcpy(text.get() + prefixLength, message, messageLength + 1);
        log.messages.push_back(std::move(text));
        log.codes.push_back(code);
    } catch (const std::bad_alloc&) {
        // Not reported: the caller's code is what matters.
    }
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
