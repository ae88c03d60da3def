// Notices folded per call: one entry per kind with its count and first instances, the cause first.
#include "base/counted_notices.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "base/status_codes.h"
#include "tests/support/error_log.h"

namespace {

using vovido::test::LoggedMessages;

const vovido::NoticeKind kRenamed = {"outcome names were rewritten in {count}", "node", "outcome"};
const vovido::NoticeKind kScenario = {"{count} could not be evaluated", "scenario", nullptr};

class CountedNotices : public vovido::test::FreshLogTest<> {};

void Rename(const std::string& node, int outcome) {
    const std::string example = "Node [" + node + "] \"" + std::to_string(outcome) + "\"";
    vovido::LogNotice(errorLog, kOutOfRange, ("ERROR: " + example + " renamed").c_str(),
                      "(line 1) : ", {&kRenamed, node, example});
}

TEST_F(CountedNotices, FoldsEachKindIntoItsFirstEntryWithCountsAndInstances) {
    {
        vovido::NoticeCall call;
        for (int node = 0; node < 441; ++node) {
            for (int outcome = 0; outcome < 3; ++outcome) Rename("p" + std::to_string(node), outcome);
            if (node == 1) LogError(errorLog, kSyntaxError, "ERROR: Node [p1] : not read", nullptr);
        }
        vovido::LogNotice(errorLog, kNoUsefulSamples, "scenario a", nullptr, {&kScenario, "", "(a)"});
        for (const char* node : {"A", "B", "C", "D", "E"})
            LogError(errorLog, kObjectNotConsistent,
                     (std::string("Node [") + node + "] is not consistent").c_str(), nullptr);
        for (int i = 0; i < 2; ++i) LogError(errorLog, kNoUsefulSamples, "No useful samples.", nullptr);
        vovido::LogNotice(errorLog, kSyntaxError, "ERROR: 'x' : Unknown",
                          "(line 4) : ", {nullptr, "", "line 4"});
        vovido::LogNotice(errorLog, kSyntaxError, "ERROR: 'x' : Unknown",
                          "(line 9) : ", {nullptr, "", "line 9"});
        for (const char* node : {"a", "b", "c", "d"}) {
            const std::string line = std::string("line ") + std::to_string(*node - 'a' + 3);
            vovido::LogNotice(errorLog, kSyntaxError,
                              (std::string("ERROR: Node [") + node + "] : renamed").c_str(),
                              ("(" + line + ") : ").c_str(), {nullptr, "", line});
        }
        EXPECT_EQ(errorLog.GetNumberOfEntries(),
                  441 * 3 + 1 + 1 + 5 + 2 + 2 + 4);  // folded when the call ends
    }
    EXPECT_EQ(
        LoggedMessages(),
        (std::vector<std::string>{
            "outcome names were rewritten in 441 nodes (1,323 outcomes), e.g. Node [p0] \"0\", Node [p0] "
            "\"1\", Node [p0] \"2\", …",
            "ERROR: Node [p1] : not read",
            "scenario a",
            "Node [A] is not consistent (5 times, also [B], [C], [D], [E])",
            "No useful samples. (2 times)",
            "ERROR: 'x' : Unknown (2 times, e.g. line 4, line 9)",
            "ERROR: Node [a] : renamed (4 times, e.g. [a] (line 3), [b] (line 4), [c] (line 5), [d] (line "
            "6))",
        }));
    EXPECT_EQ(errorLog.GetCode(0), kOutOfRange);
    EXPECT_EQ(errorLog.GetCode(3), kObjectNotConsistent);
}

// A notice may stand for several items of its subject at once: the fold adds them up, in the plural of
// its item.
TEST_F(CountedNotices, ANoticeOfSeveralItemsCountsThemAll) {
    const vovido::NoticeKind entries = {"table entries read as 0 in {count}", "node", "entry"};
    const struct {
        const vovido::NoticeKind* kind;
        const char* folded;
    } cases[] = {
        {&kRenamed, "outcome names were rewritten in 3 nodes (18 outcomes), e.g. [A], [B], [C]"},
        {&entries, "table entries read as 0 in 3 nodes (18 entries), e.g. [A], [B], [C]"},
    };
    for (const auto& c : cases) {
        {
            vovido::NoticeCall call;
            for (const auto& [node, items] : {std::pair<const char*, int>{"A", 3}, {"B", 1}, {"C", 14}})
                vovido::LogNotice(errorLog, kOutOfRange, "renamed", nullptr,
                                  {c.kind, node, std::string("[") + node + "]", items});
        }
        EXPECT_EQ(LoggedMessages(), std::vector<std::string>{c.folded});
        errorLog.Flush();
    }
}

// A word that comes back adds to the count, not to the list of the others.
TEST_F(CountedNotices, AFoldListsEachWordOnce) {
    {
        vovido::NoticeCall call;
        for (const char* node : {"T5", "T4", "T4", "T5", "T4", "T6"})
            LogError(errorLog, kOutOfRange,
                     (std::string("Identifier [") + node + "] is already used").c_str(), nullptr);
    }
    EXPECT_EQ(LoggedMessages(),
              std::vector<std::string>{"Identifier [T5] is already used (6 times, also [T4], [T6])"});
}

TEST_F(CountedNotices, AFailedCallPutsItsCauseFirstAndNestedCallsFoldOnceAtTheOutermost) {
    LogError(errorLog, kFailure, "before the call", nullptr);
    {
        vovido::NoticeCall outer;
        Rename("a", 0);
        {
            vovido::NoticeCall inner;
            Rename("b", 0);
            (void)inner.Result(kSyntaxError);
        }
        EXPECT_EQ(errorLog.GetNumberOfEntries(), 3);  // the inner call left its notice to the outer one
        LogError(errorLog, kSyntaxError, "(line 7) : the cause", nullptr);
        (void)outer.Result(kSyntaxError);
    }
    EXPECT_EQ(LoggedMessages(),
              (std::vector<std::string>{
                  "before the call", "(line 7) : the cause",
                  "outcome names were rewritten in 2 nodes, e.g. Node [a] \"0\", Node [b] \"0\""}));
}

TEST_F(CountedNotices, ALoneNoticeKeepsItsTextAndATruncatedOneIsForgotten) {
    vovido::NoticeCall call;
    Rename("a", 0);
    const int mark = errorLog.GetNumberOfEntries();
    Rename("b", 0);
    errorLog.Truncate(mark);
    vovido::FoldNotices(errorLog, 0, false);
    EXPECT_EQ(LoggedMessages(), (std::vector<std::string>{"(line 1) : ERROR: Node [a] \"0\" renamed"}));
    EXPECT_EQ(vovido::GroupedNumber(1234567), "1,234,567");
    EXPECT_EQ(vovido::GroupedNumber(999), "999");
    EXPECT_EQ(vovido::GroupedNumber(LLONG_MIN), "-9,223,372,036,854,775,808");
}

TEST_F(CountedNotices, EntriesTakenOutLeaveTheOthersTheirKinds) {
    Rename("a", 0);
    LogError(errorLog, kOutOfRange, "Invalid parameters in a call of Ln", nullptr);
    Rename("b", 0);
    LogError(errorLog, kOutOfRange, "Invalid parameters in a call of Sqrt", nullptr);
    std::string rest;
    EXPECT_FALSE(vovido::EraseEntriesStartingWith(errorLog, 0, "No such text", rest));
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 4);
    EXPECT_TRUE(vovido::EraseEntriesStartingWith(errorLog, 0, "Invalid parameters in a call of ", rest));
    EXPECT_EQ(rest, "Ln");
    vovido::FoldNotices(errorLog, 0, false);
    EXPECT_EQ(LoggedMessages(),
              (std::vector<std::string>{
                  "outcome names were rewritten in 2 nodes, e.g. Node [a] \"0\", Node [b] \"0\""}));
}

}  // namespace
