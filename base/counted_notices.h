#pragma once
// Notices folded per call: what one public operation logs over and over (per node, outcome, statement,
// scenario or draw) reaches the caller as one entry with the count and the first few instances.
//
// A notice is logged at once, as its own entry with its exact text, so code that counts or truncates
// the entries works as before. When the outermost NoticeCall ends (a read, an update, a learning or
// equation entry point) or a native returns, the entries it added are folded, each group into its first
// entry:
// - notices of one kind and code: "<summary with the count>, e.g. <instance>, <instance>, <instance>, …";
// - notices of no kind (kRepeatedNotice) alike but for the first bracketed word (the node of "Node [A]
//   ..."): "<text without its prefix> (N times, e.g. <instance>, …)", where the instances show their word
//   when the texts differ in it ("[B] (line 9)");
// - other entries of one code alike but for the first bracketed word: "<first text> (N times)", or
//   "<first text> (N times, also [B], [C], …)". Words that may tell of lost content are listed up to 20.
// An entry that stands alone keeps its exact text. A call that failed puts the entries that are no
// notices (its cause) first.
//
// Code that logs one notice per node, outcome, statement, record or draw calls LogNotice with a kind
// of its own, or logs plain "... Node [X] ..." entries, which fold as well.

#include <string>

#include "base/error_log.h"

namespace vovido {

// A kind of notice. The summary holds "{count}" where the count goes: "441 nodes (1,323 outcomes)" when
// the kind counts items per subject (distinct subjects), else "N subjects", one per notice. A null
// summary folds notices by their text, as kRepeatedNotice.
struct NoticeKind {
    const char* summary;
    const char* subject;  // singular; the plural adds "s"
    const char* item;     // singular, or null when each notice is one subject
};

// What one notice is about: its kind, the subject counted (a node identifier), and the instance as the
// summary lists it.
struct NoticeInstance {
    const NoticeKind* kind = nullptr;
    std::string subject;
    std::string example;
    // For a kind that counts items: how many this one notice stands for (a node's entries at once).
    long long items = 1;
};

// Notices folded by their text, as readers' warnings: " (N times, e.g. line 4, line 9, …)".
extern const NoticeKind kRepeatedNotice;

// Logs (code, prefix + message) as a notice of the instance's kind (kRepeatedNotice when it has none).
// Returns code; code 0 logs nothing.
int LogNotice(ErrorLog& log, int code, const char* message, const char* prefix,
              const NoticeInstance& instance);

// Folds the entries from first on as the header says; the notices in them are no longer foldable, so a
// later fold over a wider range keeps each call's counts.
void FoldNotices(ErrorLog& log, int first, bool causeFirst);

// One public operation of the engine. Nested calls join the outermost, whose end folds what they all
// logged.
class NoticeCall {
public:
    explicit NoticeCall(ErrorLog& log = errorLog) noexcept;
    NoticeCall(const NoticeCall&) = delete;
    NoticeCall& operator=(const NoticeCall&) = delete;
    ~NoticeCall();

    // The call's status, passed through; a failure puts its cause before its notices.
    int Result(int status) {
        failed_ = status != 0;
        return status;
    }

private:
    ErrorLog& log_;
    bool failed_ = false;
};

// The first entry of the outermost open call; -1 when none is open.
int FirstEntryOfCall(const ErrorLog& log);

// Takes every occurrence of `text` out of the entries from first on, their notices' instances included:
// what a working copy's own node adds to texts about the caller's nodes.
void EraseFromEntries(ErrorLog& log, int first, const std::string& text);

// Takes the entries from first on whose text starts with `prefix` out of the log, the others keeping
// their order and, for notices, their kinds; firstRest gets what follows the prefix in the first taken
// out. False, and the log as it was, when none starts so.
bool EraseEntriesStartingWith(ErrorLog& log, int first, const std::string& prefix, std::string& firstRest);

// The outermost call of a caller that folds its entries itself (a native method, with FoldNotices):
// the engine's calls inside it join it and fold nothing. Restores the calls open around it.
class NoticeBoundary {
public:
    explicit NoticeBoundary(ErrorLog& log) noexcept;
    NoticeBoundary(const NoticeBoundary&) = delete;
    NoticeBoundary& operator=(const NoticeBoundary&) = delete;
    ~NoticeBoundary();

private:
    ErrorLog& log_;
    const int outerDepth_;
    const int outerFirst_;
};

// "1,323": counts in summaries.
std::string GroupedNumber(long long value);

}  // namespace vovido
