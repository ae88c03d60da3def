// Folding the notices of one call into one entry per kind.
#include "base/counted_notices.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <exception>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/status_codes.h"

namespace vovido {

const NoticeKind kRepeatedNotice = {nullptr, nullptr, nullptr};

namespace {

constexpr size_t kInstancesShown = 3;
// Entries alike but for a bracketed word (a node) name more of theirs: they may tell of lost content.
// Notices and entries that repeat one text show the first few.
constexpr size_t kBracketsShown = 20;
constexpr const char* kEllipsis = "…";

// The entries of one fold that become one.
struct NoticeGroup {
    int firstEntry = 0;
    const ErrorLog::NoticeTag* tag = nullptr;  // the first entry's, for notices
    int instances = 0;
    long long items = 0;   // the notices' items, for a kind that counts them
    bool allAlike = true;  // every text (without its prefix) equals the first's
    std::unordered_set<std::string> subjects;
    std::vector<std::string> examples;
    std::vector<std::string> brackets;  // of the examples, for notices folded by their text
    bool moreWords = false;             // entries of no kind: words past those listed
};

std::string Noun(const char* singular, long long count) {
    std::string noun = singular != nullptr ? singular : "";
    if (count == 1) return noun;
    // "entry" counts as "entries"; "day" or "key" would take a plain 's'.
    const size_t n = noun.size();
    if (n >= 2 && noun[n - 1] == 'y' && std::strchr("aeiou", noun[n - 2]) == nullptr)
        return noun.replace(n - 1, 1, "ies");
    return noun + 's';
}

// The text with the content of its first "[...]" taken out, and that content.
std::pair<std::string, std::string> SplitFirstBracket(const char* text) {
    const char* open = std::strchr(text, '[');
    const char* close = open != nullptr ? std::strchr(open, ']') : nullptr;
    if (close == nullptr) return {text, std::string()};
    return {std::string(text, open + 1) + std::string(close), std::string(open, close + 1)};
}

// The examples, and an ellipsis when they are fewer than the instances they stand for.
void AppendExamples(std::string& text, const NoticeGroup& group, long long instances) {
    for (size_t i = 0; i < group.examples.size(); ++i) {
        if (i > 0) text += ", ";
        text += group.examples[i];
    }
    if (instances > static_cast<long long>(group.examples.size())) text += std::string(", ") + kEllipsis;
}

std::string NoticeSummary(const NoticeGroup& group, const char* firstText) {
    const ErrorLog::NoticeTag* tag = group.tag;
    const long long n = group.instances;
    if (tag == nullptr) {
        std::string text = std::string(firstText) + " (" + GroupedNumber(n) + " times";
        if (!group.allAlike) {
            text += ", also ";
            AppendExamples(text, group, static_cast<long long>(group.examples.size()) + group.moreWords);
        }
        return text + ")";
    }
    if (tag->kind->summary == nullptr) {
        // Alike but for a bracketed word: each instance shown with its word.
        NoticeGroup shown;
        const size_t count =
            group.allAlike ? std::min(group.examples.size(), kInstancesShown) : group.examples.size();
        for (size_t i = 0; i < count; ++i) {
            const std::string& example = group.examples[i];
            shown.examples.push_back(group.allAlike    ? example
                                     : example.empty() ? group.brackets[i]
                                                       : group.brackets[i] + " (" + example + ")");
        }
        std::string text = tag->key + " (" + GroupedNumber(n) + " times";
        if (!shown.examples.empty()) {
            text += ", e.g. ";
            AppendExamples(text, shown, n);
        }
        return text + ")";
    }
    const NoticeKind& kind = *tag->kind;
    const long long subjects = kind.item != nullptr ? static_cast<long long>(group.subjects.size()) : n;
    std::string count = GroupedNumber(subjects) + " " + Noun(kind.subject, subjects);
    if (kind.item != nullptr && subjects != group.items)
        count += " (" + GroupedNumber(group.items) + " " + Noun(kind.item, group.items) + ")";
    std::string text = kind.summary;
    const size_t at = text.find("{count}");
    if (at != std::string::npos) text.replace(at, 7, count);
    if (!group.examples.empty()) {
        text += ", e.g. ";
        AppendExamples(text, group, n);
    }
    return text;
}

std::unique_ptr<char[]> CopyText(const std::string& text) {
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

}  // namespace

std::string GroupedNumber(long long value) {
    // Through the unsigned type: the most negative value has no positive counterpart.
    const unsigned long long magnitude =
        value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    std::string digits = std::to_string(magnitude);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), ",");
    return value < 0 ? "-" + digits : digits;
}

int LogNotice(ErrorLog& log, int code, const char* message, const char* prefix,
              const NoticeInstance& instance) {
    const int before = log.GetNumberOfEntries();
    LogError(log, code, message, prefix);
    if (log.GetNumberOfEntries() == before) return code;
    try {
        const NoticeKind* kind = instance.kind != nullptr ? instance.kind : &kRepeatedNotice;
        const std::string key = kind->summary == nullptr && message != nullptr ? message : "";
        log.notices.push_back({before, kind, key, instance.subject, instance.example, instance.items});
    } catch (const std::bad_alloc&) {
        // The entry stands on its own.
    }
    return code;
}

namespace {

// Groups the entries from first to count (the notices among them from notices[firstTag] on) as the
// fold joins them; groupOf[i - first] is entry i's group.
void GroupEntries(const ErrorLog& log, const std::vector<ErrorLog::NoticeTag>& notices, int first, int count,
                  size_t firstTag, std::vector<NoticeGroup>& groups, std::vector<size_t>& groupOf) {
    std::unordered_map<std::string, size_t> byKey;
    size_t nextTag = firstTag;
    for (int i = first; i < count; ++i) {
        const char* text = log.GetMessage(i);
        const ErrorLog::NoticeTag* tag = nullptr;
        if (nextTag < notices.size() && notices[nextTag].entry == i) tag = &notices[nextTag++];
        std::string key = std::to_string(log.GetCode(i));
        std::string instance;
        std::string bracket;
        if (tag != nullptr) {
            key += "\1";
            key.append(reinterpret_cast<const char*>(&tag->kind), sizeof tag->kind);
            if (tag->kind->summary == nullptr) {
                auto [rest, word] = SplitFirstBracket(tag->key.c_str());
                key += rest;
                bracket = std::move(word);
            }
            instance = tag->example;
        } else {
            auto [rest, word] = SplitFirstBracket(text);
            key += "\2" + rest;
            instance = std::move(word);
        }
        const auto [at, added] = byKey.emplace(std::move(key), groups.size());
        if (added) {
            groups.emplace_back();
            groups.back().firstEntry = i;
            groups.back().tag = tag;
        }
        NoticeGroup& group = groups[at->second];
        groupOf[static_cast<size_t>(i - first)] = at->second;
        ++group.instances;
        if (tag != nullptr && tag->kind->item != nullptr) {
            group.subjects.insert(tag->subject);
            group.items += tag->items;
        }
        const bool later = !added;
        if (tag == nullptr) {
            if (later && std::strcmp(text, log.GetMessage(group.firstEntry)) != 0) {
                group.allAlike = false;
                // Each word once: a word seen again adds to the count, not to the list.
                if (std::find(group.examples.begin(), group.examples.end(), instance) ==
                    group.examples.end()) {
                    if (group.examples.size() < kBracketsShown) {
                        group.examples.push_back(instance);
                    } else {
                        group.moreWords = true;
                    }
                }
            }
        } else {
            if (later && tag->key != group.tag->key) group.allAlike = false;
            const size_t shown = tag->kind->summary == nullptr ? kBracketsShown : kInstancesShown;
            if (group.examples.size() < shown && (!instance.empty() || !bracket.empty())) {
                group.examples.push_back(instance);
                group.brackets.push_back(bracket);
            }
        }
    }
}

}  // namespace

void FoldNotices(ErrorLog& log, int first, bool causeFirst) {
    const int count = log.GetNumberOfEntries();
    if (first < 0) first = 0;
    if (first >= count) return;
    size_t firstTag = log.notices.size();
    while (firstTag > 0 && log.notices[firstTag - 1].entry >= first) --firstTag;
    try {
        std::vector<NoticeGroup> groups;
        std::vector<size_t> groupOf(static_cast<size_t>(count - first));
        GroupEntries(log, log.notices, first, count, firstTag, groups, groupOf);
        // Each kept entry with its summary, all made before the log changes: a failed allocation leaves
        // the log as it was. Causes first when the call failed: the entries that are no notices, then
        // the notices.
        std::vector<std::pair<int, std::unique_ptr<char[]>>> kept;
        kept.reserve(groups.size());
        for (int pass = causeFirst ? 0 : 2; pass < (causeFirst ? 2 : 3); ++pass) {
            for (int i = first; i < count; ++i) {
                const NoticeGroup& group = groups[groupOf[static_cast<size_t>(i - first)]];
                if (group.firstEntry != i) continue;
                if ((pass == 0 && group.tag != nullptr) || (pass == 1 && group.tag == nullptr)) continue;
                kept.emplace_back(
                    i, group.instances == 1 ? nullptr : CopyText(NoticeSummary(group, log.GetMessage(i))));
            }
        }
        std::vector<int> codes;
        std::vector<std::unique_ptr<char[]>> messages;
        codes.reserve(kept.size());
        messages.reserve(kept.size());
        for (auto& [entry, summary] : kept) {
            const size_t at = static_cast<size_t>(entry);
            codes.push_back(log.codes[at]);
            messages.push_back(summary != nullptr ? std::move(summary) : std::move(log.messages[at]));
        }
        // Within the lists' capacity from here on: nothing throws.
        log.notices.erase(log.notices.begin() + static_cast<std::ptrdiff_t>(firstTag), log.notices.end());
        log.codes.resize(static_cast<size_t>(first));
        log.messages.resize(static_cast<size_t>(first));
        for (size_t k = 0; k < codes.size(); ++k) {
            log.codes.push_back(codes[k]);
            log.messages.push_back(std::move(messages[k]));
        }
    } catch (const std::exception&) {
        // Without memory to fold (or a text past a string's length), the entries stay as they were
        // logged: the fold runs in NoticeCall's destructor, which must not throw.
    }
}

NoticeCall::NoticeCall(ErrorLog& log) noexcept : log_(log) {
    if (log_.callDepth++ == 0) log_.callFirst = log_.GetNumberOfEntries();
}

NoticeCall::~NoticeCall() {
    if (--log_.callDepth == 0) FoldNotices(log_, log_.callFirst, failed_);
}

namespace {

bool EraseAll(std::string& in, const std::string& text) {
    bool erased = false;
    for (size_t at = in.find(text); at != std::string::npos; at = in.find(text, at)) {
        in.erase(at, text.size());
        erased = true;
    }
    return erased;
}

}  // namespace

void EraseFromEntries(ErrorLog& log, int first, const std::string& text) {
    if (text.empty()) return;
    try {
        for (size_t i = static_cast<size_t>(std::max(first, 0)); i < log.messages.size(); ++i) {
            if (log.messages[i] == nullptr) continue;
            std::string message = log.messages[i].get();
            if (EraseAll(message, text)) log.messages[i] = CopyText(message);
        }
        for (ErrorLog::NoticeTag& tag : log.notices) {
            if (tag.entry < first) continue;
            EraseAll(tag.key, text);
            EraseAll(tag.example, text);
        }
    } catch (const std::bad_alloc&) {
        // Without memory the texts stay as they were.
    }
}

bool EraseEntriesStartingWith(ErrorLog& log, int first, const std::string& prefix, std::string& firstRest) {
    const size_t from = static_cast<size_t>(std::max(first, 0));
    const auto starts = [&prefix](const char* text) {
        return text != nullptr && std::strncmp(text, prefix.c_str(), prefix.size()) == 0;
    };
    size_t at = from;
    while (at < log.messages.size() && !starts(log.messages[at].get())) ++at;
    if (at == log.messages.size()) return false;
    firstRest = log.messages[at].get() + prefix.size();  // the only step that allocates
    size_t tag = log.notices.size();
    while (tag > 0 && log.notices[tag - 1].entry >= static_cast<int>(from)) --tag;
    size_t keptTags = tag;
    size_t kept = from;
    int callFirst = log.callFirst;
    for (size_t i = from; i < log.messages.size(); ++i) {
        const bool tagged = tag < log.notices.size() && log.notices[tag].entry == static_cast<int>(i);
        if (starts(log.messages[i].get())) {
            if (tagged) ++tag;
            if (static_cast<int>(i) < log.callFirst) --callFirst;
            continue;
        }
        if (tagged) {
            if (keptTags != tag) log.notices[keptTags] = std::move(log.notices[tag]);
            log.notices[keptTags++].entry = static_cast<int>(kept);
            ++tag;
        }
        if (kept != i) {
            log.messages[kept] = std::move(log.messages[i]);
            log.codes[kept] = log.codes[i];
        }
        ++kept;
    }
    log.notices.erase(log.notices.begin() + static_cast<std::ptrdiff_t>(keptTags), log.notices.end());
    log.messages.resize(kept);
    log.codes.resize(kept);
    log.callFirst = callFirst;
    return true;
}

int FirstEntryOfCall(const ErrorLog& log) {
    return log.callDepth > 0 ? log.callFirst : -1;
}

NoticeBoundary::NoticeBoundary(ErrorLog& log) noexcept
    : log_(log), outerDepth_(log.callDepth), outerFirst_(log.callFirst) {
    log_.callDepth = 1;
    log_.callFirst = log_.GetNumberOfEntries();
}

NoticeBoundary::~NoticeBoundary() {
    log_.callDepth = outerDepth_;
    log_.callFirst = outerFirst_;
}

}  // namespace vovido
