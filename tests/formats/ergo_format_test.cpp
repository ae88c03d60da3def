// Ergo: a large file of another tool (positions from 0, sections with blanks), files made by hand with
// their posteriors by hand, noisy-MAX nodes with their leak and reversed labels, and bad counts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/size_limits.h"
#include "definitions/noisy_max.h"
#include "formats/ergo_speaker.h"
#include "model/node_value.h"
#include "tests/support/error_log.h"
#include "tests/support/format_round_trip.h"
#include "tests/support/network_fixture.h"

namespace {

using namespace vovido::test;

std::vector<double> Table(VRX_network& net, int handle) {
    return TableOf(net, handle);
}

int ReadErgo(VRX_network& net, const std::string& text) {
    return ReadAsFile(net, text, "erg");
}

class ErgoTest : public vovido::test::FreshLogTest<> {};

TEST_F(ErgoTest, ReadsALargeFileWithPositionsFromZero) {
    VRX_network net;
    const std::string text = ReadTextFile(std::string(VOVIDO_NETWORKS_DIR) + "/../formats/iscas89_s386.erg");
    ASSERT_EQ(ReadErgo(net, text), kSuccess) << LogDump();
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << LogDump();
    ASSERT_EQ(net.GetNumberOfNodes(), 172);
    const int first = net.FindNode("G_B14B");
    ASSERT_GE(first, 0);
    EXPECT_EQ(IdsOf(net, net.GetParents(first)), (std::vector<std::string>{"G_V7BAR", "G_V8BAR"}));
    EXPECT_EQ(net.GetNodeType(first), DefinitionType::kCpt);
    EXPECT_EQ(Table(net, first), (std::vector<double>{1, 0, 0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(IdsOf(net, net.GetParents(net.FindNode("G_B14BBAR"))), (std::vector<std::string>{"G_B14B"}));
    const VRX_idArray& labels = *net.GetNode(first)->GetDefinition()->GetOutcomesNames();
    EXPECT_STREQ(labels[0], "X0000");
    EXPECT_STREQ(labels[1], "X0001");
}

// A(0.3, 0.7) -> B(0.9, 0.1 | 0.2, 0.8): P(B = b0) = 0.3 * 0.9 + 0.7 * 0.2 = 0.41.
TEST_F(ErgoTest, AFileByHandGivesThePosteriorsByHand) {
    const std::string text =
        "2\n2 2\n0\n1 1\n/* Probabilities */\n2 0.3 0.7\n4 0.9 0.1 0.2 0.8\n"
        "/* Names */\nA B\n/* Labels */\nyes no\nhigh low\n/* Centers */\n10 20 -30 40\n";
    VRX_network net;
    ASSERT_EQ(ReadErgo(net, text), kSuccess) << LogDump();
    const int b = net.FindNode("B");
    ASSERT_GE(b, 0);
    EXPECT_EQ(net.GetNode(b)->GetInfo()->screenInfo.position.centerX, -30);
    EXPECT_STREQ(net.GetNode(b)->GetInfo()->header.GetName(), "B");
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << LogDump();
    const std::vector<double> beliefs = Beliefs(net, b);
    ASSERT_EQ(beliefs.size(), 2u);
    EXPECT_NEAR(beliefs[0], 0.41, 1e-12);
    EXPECT_STREQ((*net.GetNode(b)->GetDefinition()->GetOutcomesNames())[0], "high");
}

// A table count of 0 keeps the node noisy-MAX: its leak (x1 = 0.2) gives the row (0.8, 0.2), the row of
// the parent's first outcome (x1 = 0.9) gives (0.1, 0.9), and labels name the outcomes from the last.
TEST_F(ErgoTest, ANodeWithoutItsTableIsNoisyMax) {
    const std::string text = "2\n2 2\n0\n1 1\n/* Prob */\n2 0.3 0.7\n0 0.2 0.9\n/* Labels */\nyes no\na b\n";
    VRX_network net;
    ASSERT_EQ(ReadErgo(net, text), kSuccess) << LogDump();
    int child = -1;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        if (net.GetNodeType(h) == DefinitionType::kNoisyMax) child = h;
    }
    ASSERT_GE(child, 0);
    auto& noisy = static_cast<VRX_noisyMAX&>(*net.GetNode(child)->GetDefinition());
    const VRX_Dmatrix& weights = *noisy.GetCiWeights();
    ASSERT_EQ(weights.GetNumberOfElements(), 6);
    EXPECT_NEAR(weights[0], 0.1, 1e-12);
    EXPECT_NEAR(weights[1], 0.9, 1e-12);
    EXPECT_NEAR(weights[4], 0.8, 1e-12);
    EXPECT_NEAR(weights[5], 0.2, 1e-12);
    EXPECT_EQ(Items(noisy.GetParentOutcomeStrengths()[0]), (std::vector<int>{1, 0}));
    EXPECT_STREQ((*noisy.GetOutcomesNames())[0], "b");
    EXPECT_STREQ((*noisy.GetOutcomesNames())[1], "a");

    TempFile file(".erg");
    EXPECT_EQ(net.WriteFile(file.c_str()), kOutOfRange);
    EXPECT_TRUE(Logged(
        kOutOfRange, "ERROR: This Network cannot be saved in Ergo format: Node [Node1] is a noisy-MAX node"))
        << LogDump();
    EXPECT_FALSE(file.Exists());
}

// A file that declares more nodes than a read builds in its memory is refused before any is made.
TEST_F(ErgoTest, NodesPastTheMemoryOfAReadAreRefusedBeforeAnyIsMade) {
    // Every node starts as a noisy-MAX node, a discrete kind.
    const int64_t nodes = kMaxReadBytes / kReadDiscreteNodeBytes + 1;
    std::string text = std::to_string(nodes) + "\n";
    for (int64_t i = 0; i < nodes; ++i) text += "2 ";
    // As many bytes as their tables' numbers would take.
    text += "\n/*" + std::string(static_cast<size_t>(nodes) * 4, ' ') + "*/\n";
    VRX_network net;
    EXPECT_EQ(ReadErgo(net, text), kOutOfMemory);
    EXPECT_EQ(
        LoggedMessages(),
        std::vector<std::string>{"(line 2) : ERROR: Node [1525202] : the file's 1,525,202 nodes, 0 arcs and "
                                 "tables of 0 cells would take at least 2,147,484,416 bytes to read (1,408 a "
                                 "discrete node, 1,152 another, 16 an arc, 8 a cell), more than the "
                                 "2,147,483,648 a read builds (NETWORK TOO LARGE)"});
    EXPECT_EQ(net.GetNumberOfNodes(), 0);
}

TEST_F(ErgoTest, AnEmptyNetworkReads) {
    VRX_network net;
    EXPECT_EQ(ReadErgo(net, "0\n"), kSuccess) << LogDump();
    EXPECT_EQ(net.GetNumberOfNodes(), 0);
}

struct BadFile {
    const char* what;
    const char* text;
    int code;
    const char* message;
};

TEST_F(ErgoTest, BadCountsFailWithTheirMessageAndLeaveTheNetworkAsItWas) {
    const BadFile cases[] = {
        {"no count", "net {\n}\n", kSyntaxError, "(line 1) : ERROR: 'net' : Integer expected"},
        {"negative count", "-3\n", kOutOfRange, "(line 1) : ERROR: (\"-3\") : Invalid number of nodes"},
        {"unbacked count", "1000000000\n2 2\n", kSyntaxError,
         "(line 2) : ERROR: End of File : Expecting Integer"},
        {"states", "1\n1\n0\n/* Probabilities */\n2 0.5 0.5\n", kOutOfRange,
         "(line 2) : ERROR: '1' : Invalid number of states"},
        {"position", "2\n2 2\n0\n1 7\n/* Probabilities */\n2 0.5 0.5\n4 1 0 0 1\n", kOutOfRange,
         "(line 4) : ERROR: '7' : Invalid parent position"},
        {"table size", "1\n2\n0\n/* Probabilities */\n3 0.5 0.25 0.25\n", kOutOfRange,
         "(line 5) : ERROR:'3' : Invalid table size"},
        {"table size, node and counts", "1\n2\n0\n/* Probabilities */\n3 0.5 0.25 0.25\n", kOutOfRange,
         "(line 5) : ERROR: Node [Node0] : 3 numbers read, 2 needed"},
        {"section", "1\n2\n0\n/* Odd */\n", kSyntaxError, "(line 4) : ERROR: (\"Odd\") : Unknown Section"},
        {"no section", "1\n2\n0\n", kOutOfRange, "(line 3) : ERROR: End of File : Expecting '/'"},
        {"cut inside the last label", "1\n2\n0\n/* Probabilities */\n2 0.5 0.5\n/* Labels */\nb1\tb",
         kSyntaxError, "(line 7) : ERROR: 'b' : End of File inside a word, the file was cut short"},
        {"cut inside the last centre", "1\n2\n0\n/* Probabilities */\n2 0.5 0.5\n/* Centers */\n10\t2",
         kSyntaxError, "(line 7) : ERROR: '2' : End of File inside a word, the file was cut short"},
        {"cut inside a section mark", "1\n2\n0\n/* Probabilities */\n2 0.5 0.5\n/* Lab", kSyntaxError,
         "(line 6) : ERROR: End of File : Expecting '*'"},
        {"cut short, the node named", "1\n2\n0\n/* Probabilities */\n2 0.5\n", kSyntaxError,
         "(line 5) : ERROR: Node [Node0] : its table ends after 1 of its 2 numbers"},
    };
    for (const BadFile& item : cases) {
        SCOPED_TRACE(item.what);
        errorLog.Flush();
        VRX_network net;
        ASSERT_GE(net.AddNode(DefinitionType::kCpt, "Kept"), 0);
        EXPECT_NE(ReadErgo(net, item.text), kSuccess);
        EXPECT_TRUE(Logged(item.code, item.message)) << LogDump();
        EXPECT_EQ(net.GetNumberOfNodes(), 1);
    }
}

}  // namespace
