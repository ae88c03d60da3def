#pragma once
// The error log of (code, message) entries and the default texts of status codes.

#include <memory>
#include <string>
#include <vector>

class ErrorLog;

namespace vovido {
struct NoticeKind;
struct NoticeInstance;
class NoticeCall;
class NoticeBoundary;
int FirstEntryOfCall(const ErrorLog& log);
void EraseFromEntries(ErrorLog& log, int first, const std::string& text);
int LogNotice(ErrorLog& log, int code, const char* message, const char* prefix,
              const NoticeInstance& instance);
void FoldNotices(ErrorLog& log, int first, bool causeFirst);
bool EraseEntriesStartingWith(ErrorLog& log, int first, const std::string& prefix, std::string& firstRest);
}  // namespace vovido

// Entry i is (codes[i], messages[i]); both lists grow and empty together. Both grow geometrically, so
// logging n entries costs O(n) whatever n is.
class ErrorLog {
public:
    // An entry logged as a notice (counted_notices.h): what folding it with others of its kind needs.
    struct NoticeTag {
        int entry;
        const vovido::NoticeKind* kind;
        std::string key;  // the message text, for a kind that folds by text
        std::string subject;
        std::string example;
        long long items = 1;  // of a kind that counts items: how many this notice stands for
    };

    ErrorLog();
    ~ErrorLog();
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

    // The message of entry index, owned by the log until the next Flush; null outside the entries.
    const char* GetMessage(int index) const;
    // The code of entry index; 0 (never logged) outside the entries.
    int GetCode(int index) const;
    int GetNumberOfEntries() const;
    // Empties both lists, keeping their storage.
    void Flush();
    // Drops the entries from count on: what a caller logged while trying something it then let go.
    void Truncate(int count);

private:
    friend int LogError(ErrorLog& log, int code, const char* message, const char* prefix);
    friend int vovido::LogNotice(ErrorLog& log, int code, const char* message, const char* prefix,
                                 const vovido::NoticeInstance& instance);
    friend void vovido::FoldNotices(ErrorLog& log, int first, bool causeFirst);
    friend class vovido::NoticeCall;
    friend class vovido::NoticeBoundary;
    friend int vovido::FirstEntryOfCall(const ErrorLog& log);
    friend void vovido::EraseFromEntries(ErrorLog& log, int first, const std::string& text);
    friend bool vovido::EraseEntriesStartingWith(ErrorLog& log, int first, const std::string& prefix,
                                                 std::string& firstRest);

    // Heap copies, so a message pointer handed out stays put while later entries are added (folding at
    // the end of a call replaces the call's own).
    std::vector<std::unique_ptr<char[]>> messages;
    std::vector<int> codes;
    std::vector<NoticeTag> notices;  // in entry order
    int callDepth = 0;               // open NoticeCalls
    int callFirst = 0;               // the outermost call's first entry
};

// The log of the calling thread. Each thread has its own, so separate networks driven from separate
// threads never mix (or race on) their messages: a caller reads back exactly what its own calls logged.
extern thread_local ErrorLog errorLog;

// Appends (code, prefix + message) unless code is 0; a null message stands for ErrorCodeText(code).
// Returns code, also when the entry could not be stored.
int LogError(ErrorLog& log, int code, const char* message, const char* prefix);

// Default text of a status code; never null.
const char* ErrorCodeText(int code);
