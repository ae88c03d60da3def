// The services the exchange-format speakers share: identifier repair, the refusal of nodes before a
// file is made, and the checked write that keeps a failed body from leaving text behind.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "base/error_log.h"
#include "base/id_array.h"
#include "base/status_codes.h"
#include "formats/exchange_format_support.h"
#include "formats/xmlbif_speaker.h"
#include "model/network.h"
#include "model/node_definition.h"
#include "tests/support/error_log.h"

namespace {

std::vector<std::string> Items(const VRX_idArray& ids) {
    std::vector<std::string> out;
    for (int i = 0; i < ids.GetCount(); ++i) out.emplace_back(ids[i]);
    return out;
}

bool OnlyTables(int type) {
    return type == DefinitionType::kCpt;
}

// A valid name keeps it wherever it stands; a changed one takes a text no other outcome has or is given.
TEST(ExchangeFormatSupport, RepairsNamesIntoDistinctIdentifiersNamingEachChange) {
    const auto renamed = [](const char* from, const char* to) {
        return std::string("ERROR: Node [N] : outcome \"") + from + "\" renamed \"" + to + "\"";
    };
    const std::vector<
        std::tuple<std::vector<std::string>, std::vector<std::string>, std::vector<std::string>>>
        cases = {
            {{"yes", "no"}, {"yes", "no"}, {}},
            {{"a b", "a_b"}, {"a_b2", "a_b"}, {renamed("a b", "a_b2")}},
            {{"1", "x1"}, {"x12", "x1"}, {renamed("1", "x12")}},
            {{"a", "a", "1"}, {"a", "a2", "x1"}, {renamed("a", "a2"), renamed("1", "x1")}},
            {{"a-b", "a_b2", "a_b"}, {"a_b3", "a_b2", "a_b"}, {renamed("a-b", "a_b3")}},
            {{"x & y", "x & y", ""},
             {"x___y", "x___y2", "x"},
             {renamed("x & y", "x___y"), renamed("x & y", "x___y2"), renamed("", "x")}},
        };
    for (const auto& [names, expected, warnings] : cases) {
        VRX_idArray ids;
        std::vector<std::string> logged;
        ASSERT_EQ(vovido::OutcomeIds(names, "N", ids,
                                     [&logged](const std::string& m, const vovido::NoticeInstance&) {
                                         logged.push_back(m);
                                     }),
                  kSuccess);
        EXPECT_EQ(Items(ids), expected) << names[0];
        EXPECT_EQ(logged, warnings) << names[0];
    }
}

TEST(ExchangeFormatSupport, RefusesTheFirstNodeItCannotWriteAndLeavesNoText) {
    errorLog.Flush();
    VRX_network net;
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "A"), 0);
    const int list = net.AddNode(DefinitionType::kList, "D");
    ASSERT_GE(list, 0);
    EXPECT_EQ(vovido::CheckWritableKinds(net, OnlyTables, "ERROR: refused"), kOutOfRange);
    EXPECT_TRUE(vovido::test::Logged(kOutOfRange, "ERROR: refused: Node [D] is a decision node"))
        << vovido::test::LogDump();
    EXPECT_EQ(vovido::CheckWritableNodes(net, [](int) { return std::string(); }), kSuccess);

    // A refusal writes nothing; a body that fails is the answer, whatever it wrote.
    VRX_xmlSpeaker speaker(&net);
    std::string out = "old";
    const auto refuse = [&net, list] {
        return vovido::CheckWritableNodes(net, [list](int h) { return h == list ? "ERROR: no" : ""; });
    };
    EXPECT_EQ(vovido::WriteCheckedText(speaker, out, refuse, [] { return kSuccess; }), kOutOfRange);
    EXPECT_EQ(out, "old");
    const auto failing = [&speaker] {
        speaker.GetOutput().WriteRaw("partial");
        return kOutOfMemory;
    };
    EXPECT_EQ(vovido::WriteCheckedText(
                  speaker, out, [] { return kSuccess; }, failing),
              kOutOfMemory);
    errorLog.Flush();
}

}  // namespace
