// Saving networks: numbers keep every digit through a save and a load, and a save that fails half way
// keeps the old file, in the own text and XML formats and, for the failing save, in those of other tools.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <string>
#include <vector>

#include "definitions/utility_table.h"
#include "model/header.h"
#include "tests/support/format_round_trip.h"
#include "tests/support/network_fixture.h"
#include "tests/support/save_failure.h"

namespace {

using namespace vovido::test;

uint64_t Bits(double d) {
    uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

VRX_doubleArray Values(const std::vector<double>& values) {
    VRX_doubleArray a;
    EXPECT_EQ(a.SetSize(static_cast<int>(values.size())), kSuccess);
    for (size_t i = 0; i < values.size(); ++i) a[static_cast<int>(i)] = values[i];
    a.SetCount(a.GetSize());
    return a;
}

std::vector<double> Table(VRX_network& net, const char* id) {
    return TableOf(net, net.FindNode(id));
}

class SavingTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { errorLog.Flush(); }
    void TearDown() override {
        errorLog.Flush();
        std::remove(target.c_str());
    }

    const std::string target = TempPath(std::string("saving.") + GetParam());
};

// A fault of probability 1e-10 used to be written 0.00000000 and came back impossible.
TEST_P(SavingTest, NumbersComeBackBitForBit) {
    const std::vector<double> utilities = {5e-324, -DBL_MIN, 1e300, -0.1, 123456789.123456789, 0.0};
    VRX_network net;
    const int fault = net.AddNode(DefinitionType::kCpt, "Fault");
    const int child = net.AddNode(DefinitionType::kCpt, "Child");
    const int choice = net.AddNode(DefinitionType::kList, "Choice");
    const int value = net.AddNode(DefinitionType::kTable, "Value");
    ASSERT_EQ(net.AddArc(fault, child, 0), kSuccess);
    ASSERT_EQ(net.GetNode(choice)->GetDefinition()->SetNumberOfOutcomes(3), kSuccess);
    ASSERT_EQ(net.AddArc(fault, value, 0), kSuccess);
    ASSERT_EQ(net.AddArc(choice, value, 0), kSuccess);
    ASSERT_EQ(net.GetNode(fault)->GetDefinition()->SetDefinitionDoubles(Doubles({1e-10, 1 - 1e-10})),
              kSuccess);
    ASSERT_EQ(net.GetNode(child)->GetDefinition()->SetDefinitionDoubles(
                  Doubles({1.0 / 3, 2.0 / 3, 1 - 1e-16, 1e-16})),
              kSuccess);
    ASSERT_EQ(net.GetNode(value)->GetDefinition()->SetDefinitionDoubles(Values(utilities)), kSuccess);
    ASSERT_EQ(net.WriteFile(target.c_str()), kSuccess) << LogDump();
    if (std::string(GetParam()) == "vrx") {
        EXPECT_NE(ReadTextFile(target).find("PROBABILITIES = (1e-10, 0.9999999999"), std::string::npos);
    }

    VRX_network copy;
    ASSERT_EQ(copy.ReadFile(target.c_str()), kSuccess) << LogDump();
    const std::vector<std::pair<const char*, std::vector<double>>> expected = {
        {"Fault", {1e-10, 1 - 1e-10}}, {"Child", {1.0 / 3, 2.0 / 3, 1 - 1e-16, 1e-16}}, {"Value", utilities}};
    for (const auto& [id, values] : expected) {
        const std::vector<double> read = Table(copy, id);
        ASSERT_EQ(read.size(), values.size()) << id;
        for (size_t i = 0; i < values.size(); ++i)
            EXPECT_EQ(Bits(read[i]), Bits(values[i])) << id << " " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(BothFormats, SavingTest, ::testing::Values("vrx", "xvrx"));

// Saves in every text format of the engine and of other tools.
using EveryFormatSaving = SavingTest;

// The disk fills up half way through a save: the save reports -103 and the old file stays whole.
TEST_P(EveryFormatSaving, SaveThatFailsHalfWayKeepsTheOldFile) {
    VRX_network small;
    ASSERT_GE(small.AddNode(DefinitionType::kCpt, "Small"), 0);
    ASSERT_EQ(small.WriteFile(target.c_str()), kSuccess);
    const std::string old = ReadTextFile(target);
    ASSERT_FALSE(old.empty());

    VRX_network big;
    const int h = big.AddNode(DefinitionType::kCpt, "Big");
    ASSERT_EQ(big.GetNode(h)->GetDefinition()->SetNumberOfOutcomes(3000), kSuccess);
    {
        FileSizeLimit full(old.size() + 4096);
        ASSERT_TRUE(full.IsActive());
        EXPECT_EQ(big.WriteFile(target.c_str()), kFileIoFailed);
    }
    // The system's reason comes with the status.
    EXPECT_TRUE(Logged(kFileIoFailed, "WRITE FILE FAILED: File too large")) << LogDump();
    EXPECT_EQ(ReadTextFile(target), old);
    EXPECT_EQ(FilesBeside(target), std::vector<std::string>{});

    // With room on the disk the same save replaces the file, and nothing is left beside it.
    ASSERT_EQ(big.WriteFile(target.c_str()), kSuccess);
    EXPECT_EQ(FilesBeside(target), std::vector<std::string>{});
    VRX_network copy;
    ASSERT_EQ(copy.ReadFile(target.c_str()), kSuccess);
    EXPECT_EQ(copy.GetNode(copy.FindNode("Big"))->GetDefinition()->GetNumberOfOutcomes(), 3000);
}

// A write looks at what a node has left empty without building it: a large network written takes no
// more memory, and a node's unbuilt texts and cost are written as the empty ones they stand for, which a
// read builds no more than the write did.
TEST_P(EveryFormatSaving, WriteBuildsNoEmptyTextsNorCosts) {
    VRX_network net;
    const int parent = net.AddNode(DefinitionType::kCpt, "Parent");
    const int child = net.AddNode(DefinitionType::kCpt, "Child");
    ASSERT_EQ(net.AddArc(parent, child), kSuccess);
    ASSERT_EQ(net.WriteFile(target.c_str()), kSuccess) << LogDump();
    for (const int h : {parent, child}) {
        EXPECT_FALSE(net.GetNode(h)->GetExtraDefinition()->HasOutcomeTexts());
        EXPECT_TRUE(net.GetNode(h)->HasFreshCost());
    }
    VRX_network copy;
    ASSERT_EQ(copy.ReadFile(target.c_str()), kSuccess) << LogDump();
    const int read = copy.FindNode("Child");
    ASSERT_GE(read, 0);
    EXPECT_EQ(copy.GetParents(read, 0).GetCount(), 1);
    EXPECT_STREQ(copy.GetNode(read)->GetExtraDefinition()->GetOutcomeDescription(1), "");
    EXPECT_FALSE(copy.GetNode(read)->GetExtraDefinition()->HasOutcomeTexts());
    EXPECT_EQ(copy.GetParents(read, 1).GetCount(), 0);
}

// A table built only when a writer asks for it (DeMorgan, noisy-MAX) that memory cannot hold fails the
// save with -42 naming the node, and the old file stays: the file never lacks the table.
TEST(TableSaving, TableThatCannotBeBuiltFailsTheSave) {
    struct Case {
        const char* extension;
        int kind;
    };
    for (const Case& c : {Case{"xml03", DefinitionType::kDeMorgan}, Case{"xml03", DefinitionType::kNoisyMax},
                          Case{"dne", DefinitionType::kNoisyMax}, Case{"net", DefinitionType::kNoisyMax},
                          Case{"dsc", DefinitionType::kNoisyMax}}) {
        const std::string target = TempPath(std::string("lazy_table.") + c.extension);
        VRX_network net;
        const int child = net.AddNode(c.kind, "c");
        for (const char* id : {"a", "b", "d"})
            ASSERT_EQ(net.AddArc(net.AddNode(c.kind, id), child, 0), kSuccess);
        ASSERT_TRUE(WriteWholeFile(target, "old"));
        errorLog.Flush();
        {
            BufferCeiling ceiling(8);
            EXPECT_EQ(net.WriteFile(target.c_str()), kOutOfMemory) << c.extension;
        }
        EXPECT_TRUE(Logged(kOutOfMemory, "ERROR: Node [c] : no memory for its table of 16 cells"))
            << c.extension << LogDump();
        EXPECT_EQ(ReadTextFile(target), "old") << c.extension;
        EXPECT_EQ(FilesBeside(target), std::vector<std::string>{}) << c.extension;
        ASSERT_EQ(net.WriteFile(target.c_str()), kSuccess) << c.extension << LogDump();
        std::remove(target.c_str());
    }
    errorLog.Flush();
}

// A network identifier that a node holds too reads back as written from every format that keeps it.
TEST(NetworkIdentifierOfANode, ReadsBackAsWritten) {
    const struct {
        const char* extension;
        const char* id;  // as read back
    } cases[] = {{"vrx", "A"},   {"xvrx", "A"},   {"qvrx", "A"},      {"dne", "A"},
                 {"xml03", "A"}, {"net", "Sub0"}, {"dsc", "Unnamed"}, {"erg", "Unnamed_Network"}};
    VRX_network net;
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "A"), 0);
    ASSERT_EQ(net.GetHeader()->SetId("A"), kSuccess);
    for (const auto& c : cases) {
        const TempFile file(std::string(".") + c.extension);
        ASSERT_EQ(net.WriteFile(file.c_str()), kSuccess) << c.extension << LogDump();
        errorLog.Flush();  // the identifier the format leaves out
        VRX_network copy;
        ASSERT_EQ(copy.ReadFile(file.c_str()), kSuccess) << c.extension << LogDump();
        EXPECT_EQ(LogDump(), "") << c.extension;
        EXPECT_STREQ(copy.GetHeader()->GetId(), c.id) << c.extension;
        EXPECT_GE(copy.FindNode("A"), 0) << c.extension;
    }
}

// A dynamic network (temporal arcs, or slices alone) has no form in the formats of other tools: it is
// refused before the file is made, not saved as its first slice.
using ExchangeFormatSaving = SavingTest;

TEST_P(ExchangeFormatSaving, RefusesADynamicNetwork) {
    const std::string format = std::string(GetParam()) == "net"   ? "Hugin"
                               : std::string(GetParam()) == "dne" ? "Netica"
                               : std::string(GetParam()) == "dsc" ? "MSBN"
                               : std::string(GetParam()) == "erg" ? "Ergo"
                                                                  : "XMLBIF";
    for (const bool arc : {true, false}) {
        VRX_network net;
        const int h = net.AddNode(DefinitionType::kCpt, "State");
        ASSERT_EQ(net.SetTemporalType(h, TemporalType::kPlate), kSuccess);
        if (arc) {
            ASSERT_EQ(net.AddTemporalArc(h, h, 1), kSuccess);
        }
        ASSERT_TRUE(WriteWholeFile(target, "old"));
        errorLog.Flush();
        EXPECT_EQ(net.WriteFile(target.c_str()), kOutOfRange);
        EXPECT_EQ(
            LoggedMessages(),
            std::vector<std::string>{"ERROR: Temporal arcs, slices and slice evidence cannot be saved in " +
                                     format + " format: node [State] is of temporal type 3 (plate)"});
        EXPECT_EQ(ReadTextFile(target), "old");
    }
}

// A hybrid discrete node has no form in any of them: the refusal names it, and nothing the write would
// have left out comes before it.
TEST_P(ExchangeFormatSaving, RefusesAHybridDiscreteNodeFirst) {
    VRX_network net;
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "a"), 0);
    ASSERT_GE(net.AddNode(DefinitionType::kDchildHparent, "either"), 0);
    ASSERT_EQ(net.GetHeader()->SetName("Named"), kSuccess);
    ASSERT_TRUE(WriteWholeFile(target, "old"));
    errorLog.Flush();
    EXPECT_EQ(net.WriteFile(target.c_str()), kOutOfRange);
    const std::vector<std::string> logged = LoggedMessages();
    ASSERT_EQ(logged.size(), 1u) << LogDump();
    EXPECT_NE(logged[0].find(": Node [either] is a hybrid discrete node"), std::string::npos) << logged[0];
    EXPECT_EQ(ReadTextFile(target), "old");
}

INSTANTIATE_TEST_SUITE_P(OtherTools, ExchangeFormatSaving,
                         ::testing::Values("net", "dne", "xml03", "dsc", "erg"));

INSTANTIATE_TEST_SUITE_P(AllFormats, EveryFormatSaving,
                         ::testing::Values("vrx", "xvrx", "net", "dne", "xml03", "dsc", "erg"));

}  // namespace
