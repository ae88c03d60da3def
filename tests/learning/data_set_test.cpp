// The data set's variables, records and missing cells, and matching its columns to network nodes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "base/status_codes.h"
#include "learning/data_set.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"

namespace {

using vovido::test::AddNode;
using vovido::test::Def;
using vovido::test::Strings;

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(DataSet, VariablesAndRecords) {
    DataSet data;
    data.AddEmptyRecord();
    EXPECT_EQ(data.GetRecordCount(), 0);
    ASSERT_EQ(data.AddIntVariable("A", 7), kSuccess);
    for (int r = 0; r < 5; ++r) data.AddEmptyRecord();
    ASSERT_EQ(data.AddFloatVariable("B", 0.0f), kSuccess);
    EXPECT_EQ(data.GetRecordCount(), 5);
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(data.GetInt(0, r), 7);
        EXPECT_EQ(data.GetFloat(1, r), 0.0f);
        EXPECT_TRUE(data.IsMissing(1, r));
    }
    EXPECT_TRUE(std::isnan(data.GetVariable(0).missingFloat));
    EXPECT_EQ(data.GetVariable(1).missingInt, -1);
    // Cells kept for records still to come are no part of the column.
    for (int r = 0; r < 5; ++r) ASSERT_EQ(data.SetInt(0, r, 1), kSuccess);
    EXPECT_FALSE(data.HasMissing(0));
    EXPECT_TRUE(data.HasMissing(1));
    EXPECT_EQ(data.AddIntVariable("A", 0), kDuplicatedIdentifier);
    EXPECT_EQ(data.AddIntVariable("a", 0), kSuccess);
    EXPECT_EQ(data.AddIntVariable("", 0), kSuccess);
    EXPECT_EQ(data.AddIntVariable("", 0), kSuccess);
    EXPECT_EQ(data.GetVariableCount(), 5);
    EXPECT_EQ(data.FindVariable("a"), 2);
    EXPECT_EQ(data.FindVariable(""), -1);
    EXPECT_EQ(data.SetStateNames(9, {"x"}), kOutOfRange);
    EXPECT_EQ(data.SetStateNames(1, {"x"}), kInvalidData);
    EXPECT_EQ(data.SetStateNames(0, {"x", "y", "z"}), kSuccess);
    EXPECT_EQ(data.GetVariable(0).stateNames.size(), 3u);
}

// State names name every value the column holds, each once; a refusal says why and keeps the names.
TEST(DataSet, StateNamesNameEveryValueOnce) {
    DataSet data;
    ASSERT_EQ(data.AddIntVariable("A", -1), kSuccess);
    ASSERT_EQ(data.AddFloatVariable("B", kNaN), kSuccess);
    for (int r = 0; r < 3; ++r) data.AddEmptyRecord();
    ASSERT_EQ(data.SetInt(0, 1, 1) + data.SetInt(0, 2, 0), kSuccess);
    const struct {
        int variable;
        std::vector<std::string> names;
        int status;
        const char* log;
    } cases[] = {
        {0,
         {"no", "no"},
         kInvalidData,
         "-4 State name 'no' is given twice for column [A], as states 0 and 1\n"},
        {0, {"only"}, kOutOfRange, "-2 1 state name is too few for column [A]: record 1 holds the value 1\n"},
        {1, {"x"}, kInvalidData, "-4 Column [B] is continuous: only discrete columns have state names\n"},
        {0, {"no", "yes"}, kSuccess, ""},
        {0, {}, kSuccess, ""},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> before = data.GetVariable(c.variable).stateNames;
        errorLog.Flush();
        EXPECT_EQ(data.SetStateNames(c.variable, c.names), c.status) << c.log;
        EXPECT_EQ(vovido::test::LogDump(), c.log);
        EXPECT_EQ(data.GetVariable(c.variable).stateNames, c.status == kSuccess ? c.names : before);
    }
}

// Growth past the limit of cells (3 variables of 2 records here) is refused naming the sizes, changing
// nothing; the data set at the limit itself is whole.
TEST(DataSet, GrowthPastItsLimitOfCellsIsRefused) {
    const std::string tail = " passes its limit of 198 cells (a variable counts 64 besides its records)";
    struct Case {
        bool addRecord;  // else a variable
        std::string text;
    };
    const Case cases[] = {
        {true, "A data set of 3 variables and 3 records" + tail},
        {false, "A data set of 4 variables and 2 records" + tail},
    };
    for (const Case& c : cases) {
        errorLog.Flush();
        DataSet data(3 * (2 + kDataVariableCells));
        for (const char* name : {"a", "b", "c"}) ASSERT_EQ(data.AddIntVariable(name, -1), kSuccess);
        for (int r = 0; r < 2; ++r) ASSERT_EQ(data.AddEmptyRecord(), kSuccess);
        EXPECT_EQ(c.addRecord ? data.AddEmptyRecord() : data.AddFloatVariable("d", 0.0f), kOutOfMemory);
        EXPECT_EQ(vovido::test::LoggedMessages(), std::vector<std::string>{c.text});
        EXPECT_EQ(data.GetVariableCount(), 3);
        EXPECT_EQ(data.GetRecordCount(), 2);
        EXPECT_TRUE(data.IsMissing(2, 1));
    }
    errorLog.Flush();
}

TEST(DataSet, MissingCells) {
    DataSet data;
    ASSERT_EQ(data.AddFloatVariable("nan", kNaN), kSuccess);
    ASSERT_EQ(data.AddFloatVariable("zero", 0.0f), kSuccess);
    ASSERT_EQ(data.AddIntVariable("i", -1), kSuccess);
    data.AddEmptyRecord();
    data.SetFloat(0, 0, kNaN);
    data.SetFloat(1, 0, -0.0f);
    EXPECT_TRUE(data.IsMissing(0, 0));
    EXPECT_TRUE(data.IsMissing(1, 0));
    EXPECT_TRUE(data.IsMissingFloat(1, 0, 0.0f));
    EXPECT_FALSE(data.IsMissingFloat(0, 0, 0.0f));
    data.SetFloat(1, 0, 2.5f);
    data.SetInt(2, 0, 3);
    EXPECT_FALSE(data.IsMissing(1, 0));
    EXPECT_FALSE(data.IsMissing(2, 0));
    data.SetInt(2, 0, -1);
    EXPECT_TRUE(data.HasMissing(2));
}

TEST(DataSet, WritesTheCellCannotHoldExactlyAreRefused) {
    DataSet data;
    ASSERT_EQ(data.AddIntVariable("s", -1), kSuccess);
    ASSERT_EQ(data.AddFloatVariable("f", kNaN), kSuccess);
    data.AddEmptyRecord();
    data.AddEmptyRecord();
    ASSERT_EQ(data.SetStateNames(0, {"a", "b", "c"}), kSuccess);
    struct Case {
        int v;
        bool asFloat;  // SetFloat(value), else SetInt(value)
        double value;
        int status;
        const char* text;
        float readBack;  // GetFloat after the write (the earlier value after a refusal)
    };
    const Case cases[] = {
        {0, true, 1.5, kInvalidData, "Variable 0 (s), record 1: the int cell cannot hold 1.5 exactly", -1},
        {0, true, NAN, kInvalidData, "Variable 0 (s), record 1: the int cell cannot hold NaN exactly", -1},
        {0, true, 3e9, kInvalidData, "Variable 0 (s), record 1: the int cell cannot hold 3e+09 exactly", -1},
        {0, true, 3, kOutOfRange, "Invalid state index 3 for variable 0, valid range is 0..2", -1},
        {0, false, -2, kOutOfRange, "Invalid state index -2 for variable 0, valid range is 0..2", -1},
        {0, true, 2, kSuccess, "", 2},
        {0, false, 1, kSuccess, "", 1},
        {1, false, 16777217, kInvalidData,
         "Variable 1 (f), record 1: the float cell cannot hold 16777217 exactly", kNaN},
        {1, false, -16777216, kSuccess, "", -16777216.0f},
        {1, true, 2.5, kSuccess, "", 2.5f},
    };
    for (const Case& c : cases) {
        errorLog.Flush();
        const int status = c.asFloat ? data.SetFloat(c.v, 1, static_cast<float>(c.value))
                                     : data.SetInt(c.v, 1, static_cast<int32_t>(c.value));
        EXPECT_EQ(status, c.status) << c.text;
        EXPECT_EQ(vovido::test::LoggedMessages(),
                  c.status == kSuccess ? std::vector<std::string>{} : std::vector<std::string>{c.text});
        const float now = data.GetFloat(c.v, 1);
        EXPECT_TRUE(now == c.readBack || (std::isnan(now) && std::isnan(c.readBack))) << c.text << " " << now;
    }
    EXPECT_FALSE(data.IsMissing(0, 1));
    EXPECT_TRUE(data.IsMissing(0, 0));
    // A float cell reads as an int as a Java cast converts it.
    const std::pair<float, int32_t> reads[] = {
        {3.0f, 3}, {-2.7f, -2}, {kNaN, 0}, {1e10f, INT32_MAX}, {-1e10f, INT32_MIN}};
    for (const auto& [value, expected] : reads) {
        ASSERT_EQ(data.SetFloat(1, 0, value), kSuccess);
        EXPECT_EQ(data.GetInt(1, 0), expected) << value;
    }
}

struct MatchFixture {
    MatchFixture() {
        AddNode(net, 0x12, "Rain", {});
        EXPECT_EQ(Def(net, "Rain").SetOutcomes(Strings({"a", "b", "c"})), kSuccess);
        AddNode(net, 0x4, "Level", {});
    }
    VRX_network net;
    DataSet data;
    std::vector<DataMatch> matches;
    std::string message;
};

TEST(DataSetMatch, RewritesStateIndicesIntoOutcomes) {
    MatchFixture f;
    ASSERT_EQ(f.data.AddIntVariable("Rain", -1), kSuccess);
    ASSERT_EQ(f.data.AddIntVariable("other", -1), kSuccess);
    for (int r = 0; r < 3; ++r) f.data.AddEmptyRecord();
    ASSERT_EQ(f.data.SetStateNames(0, {"b", "a"}), kSuccess);
    f.data.SetInt(0, 0, 0);
    f.data.SetInt(0, 1, 1);
    f.message = "kept";
    ASSERT_EQ(f.data.MatchNetwork(f.net, f.matches, f.message), kSuccess);
    EXPECT_EQ(f.message, "kept");
    ASSERT_EQ(f.matches.size(), 1u);
    EXPECT_EQ(f.matches[0].node, f.net.FindNode("Rain"));
    EXPECT_EQ(f.matches[0].slice, 0);
    EXPECT_EQ(f.matches[0].column, 0);
    const std::vector<int> expected = {1, 0, -1};
    for (int r = 0; r < 3; ++r) EXPECT_EQ(f.data.GetInt(0, r), expected[r]);
    EXPECT_TRUE(f.data.IsMissing(0, 2));
    // Matched again, the cells must not move: they are outcome indices under outcome names now.
    ASSERT_EQ(f.data.MatchNetwork(f.net, f.matches, f.message), kSuccess);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(f.data.GetInt(0, r), expected[r]);
    EXPECT_EQ(f.data.GetVariable(0).stateNames, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(DataSetMatch, Failures) {
    struct Case {
        const char* name;
        bool discrete;
        std::vector<std::string> states;
        int cell;
        int status;
        const char* text;
    };
    const Case cases[] = {
        {"rain", true, {}, 0, kOutOfRange, "No matches found"},
        {"Rain",
         true,
         {"A"},
         0,
         kInvalidData,
         "Dataset column 'Rain' contains value 'A' which doesn't map to any node outcome"},
        {"Rain",
         true,
         {},
         3,
         kInvalidData,
         "Dataset column 'Rain' contains value '3' which doesn't map to any node outcome"},
        {"Rain",
         false,
         {},
         0,
         kWrongNodeType,
         "Dataset column 'Rain' is continous, but matching node is discrete"},
        {"Level", false, {}, 0, kSuccess, ""},
    };
    for (const Case& c : cases) {
        MatchFixture f;
        ASSERT_EQ(f.data.AddVariable(c.name, c.discrete, -1, kNaN), kSuccess);
        f.data.AddEmptyRecord();
        if (c.discrete) {
            f.data.SetInt(0, 0, c.cell);
        }
        if (!c.states.empty()) {
            ASSERT_EQ(f.data.SetStateNames(0, c.states), kSuccess);
        }
        EXPECT_EQ(f.data.MatchNetwork(f.net, f.matches, f.message), c.status) << c.text;
        EXPECT_EQ(f.message, c.text);
        if (c.discrete) {
            EXPECT_EQ(f.data.GetInt(0, 0), c.cell) << "a refused column keeps its cells";
        }
    }
}

}  // namespace
