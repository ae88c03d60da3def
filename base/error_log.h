#pragma once
// The process-wide error log of (code, message) entries and the default texts of status codes.

#include "base/int_array.h"
#include "base/string_array.h"

// Entry i is (codes[i], messages[i]); both lists grow and empty together.
class ErrorLog {
public:
    ErrorLog();
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

    // The message of entry index, owned by the log until the next Flush; null outside the entries.
    const char* GetMessage(int index) const;
    // The code of entry index; 0 (never logged) outside the entries.
    int GetCode(int index) const;
    int GetNumberOfEntries() const;
    // Empties both lists, keeping their storage.
    void Flush();

private:
    friend int LogError(ErrorLog& log, int code, const char* message, const char* prefix);

    VRX_stringArray messages;
    VRX_intArray codes;
};

// The one log of the process; the engine is single-threaded, so it is unguarded.
extern ErrorLog errorLog;

// Appends (code, prefix + message) unless code is 0; a null message stands for ErrorCodeText(code).
// Returns code, also when the entry could not be stored.
int LogError(ErrorLog& log, int code, const char* message, const char* prefix);

// Default text of a status code; never null.
const char* ErrorCodeText(int code);
