// XMLBIF: files of other tools (comments, DTDs, properties, "nature" or no TYPE, texts of several words,
// tables over many lines), what the writer gives a standard XML parser, and the refusals with their
// exact messages.
#include <expat.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error_log.h"
#include "formats/xmlbif_speaker.h"
#include "tests/support/error_log.h"
#include "tests/support/format_round_trip.h"
#include "tests/support/network_fixture.h"

namespace {

using namespace vovido::test;

std::string FormatFile(const char* name) {
    return FormatSampleText(name);
}

std::vector<std::string> Outcomes(VRX_network& net, const char* id) {
    return OutcomesOf(net, net.FindNode(id));
}

std::vector<double> Table(VRX_network& net, const char* id) {
    return TableOf(net, net.FindNode(id));
}

int ReadXmlBif(VRX_network& net, const std::string& text) {
    return ReadAsFile(net, text, "xml03");
}

std::string Bif(const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<BIF VERSION=\"0.3\">\n<NETWORK>\n<NAME>n</NAME>\n" + body +
           "</NETWORK>\n</BIF>\n";
}

class XmlBifTest : public vovido::test::FreshLogTest<> {};

TEST_F(XmlBifTest, ReadsAnInfluenceDiagramWrittenByAnotherTool) {
    VRX_network net;
    ASSERT_EQ(ReadXmlBif(net, FormatFile("oilwildcatter_id.xml")), kSuccess) << LogDump();
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << LogDump();
    ASSERT_EQ(net.GetNumberOfNodes(), 6);
    EXPECT_EQ(net.GetNodeType(net.FindNode("Testing")), DefinitionType::kList);
    EXPECT_EQ(net.GetNodeType(net.FindNode("OilContents")), DefinitionType::kCpt);
    EXPECT_EQ(net.GetNodeType(net.FindNode("Reward")), DefinitionType::kTable);
    EXPECT_EQ(IdsOf(net, net.GetParents(net.FindNode("Drilling"))),
              (std::vector<std::string>{"TestResult", "Testing"}));
    EXPECT_EQ(Outcomes(net, "TestResult"), (std::vector<std::string>{"closed", "open", "diffuse"}));
    EXPECT_EQ(Table(net, "Reward"), (std::vector<double>{-70, 50, 200, 0, 0, 0}));
    const std::vector<double> result = Table(net, "TestResult");
    ASSERT_EQ(result.size(), 18u);
    EXPECT_EQ(result[0], 0.1);
    EXPECT_EQ(result[17], 0.333333);

    // The influence diagram goes to MSBN and back whole.
    TempFile file(".dsc");
    ASSERT_EQ(net.WriteFile(file.c_str()), kSuccess) << LogDump();
    VRX_network copy;
    ASSERT_EQ(copy.ReadFile(file.c_str()), kSuccess) << LogDump();
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        const std::string id = IdOf(net, h);
        const int c = copy.FindNode(id.c_str());
        ASSERT_GE(c, 0) << id;
        EXPECT_EQ(IdsOf(net, net.GetParents(h)), IdsOf(copy, copy.GetParents(c))) << id;
        ExpectSameDefinition(*net.GetNode(h)->GetDefinition(), *copy.GetNode(c)->GetDefinition(), id);
    }
}

TEST_F(XmlBifTest, ReadsAFileWithAnExtendedDtdAndOutcomesOfSeveralWords) {
    VRX_network net;
    ASSERT_EQ(ReadXmlBif(net, FormatFile("poker_bnj.xml")), kSuccess) << LogDump();
    // Outcomes that begin with a digit: renamed, counted in one warning; tables whose columns are
    // distributions only with the node's own outcome slowest, read so and named.
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 2) << LogDump();
    EXPECT_TRUE(Logged(kOutOfRange,
                       "tables read with the node's own outcome slowest, the only order in which their "
                       "columns are distributions: 5 nodes, e.g. Node [SC], Node [OH1], Node [OH2], …"))
        << LogDump();
    EXPECT_TRUE(Logged(kOutOfRange,
                       "outcome names that are not identifiers were rewritten in 6 nodes (25 outcomes), "
                       "e.g. Node [SC] \"0 Changed\" renamed \"x0_Changed\", Node [SC] \"1 Changed\" "
                       "renamed \"x1_Changed\", Node [SC] \"2 Changed\" renamed \"x2_Changed\", …"))
        << LogDump();
    EXPECT_EQ(net.GetNumberOfNodes(), 7);
    EXPECT_STREQ(net.GetHeader()->GetId(), "Untitled");
    EXPECT_EQ(Outcomes(net, "SC"), (std::vector<std::string>{"x0_Changed", "x1_Changed", "x2_Changed"}));
    EXPECT_STREQ(net.GetNode(net.FindNode("SC"))->GetInfo()->header.GetName(), "SC");
    // This tool writes tables with the node's own outcome slowest: each distribution is read whole.
    const std::vector<double> sc = Table(net, "SC");
    ASSERT_EQ(sc.size(), 27u);
    EXPECT_EQ(std::vector<double>(sc.begin(), sc.begin() + 6), (std::vector<double>{0, 0, 1, 0, 0, 1}));
    EXPECT_EQ(std::vector<double>(sc.begin() + 15, sc.begin() + 18), (std::vector<double>{1, 0, 0}));
}

// Forms other tools write: no TYPE, "nature", comments inside the network, a definition before its
// variables, repeated outcomes, entities, and a property holding one word.
TEST_F(XmlBifTest, TakesTheFormsOfOtherTools) {
    const std::string text =
        "<?XML VERSION=\"1.0\"?>\n<!DOCTYPE BIF [\n <!-- '>' -->\n"
        " <!ATTLIST VARIABLE TYPE (nature|decision) \"n>\">\n]>\n" +
        Bif("<!-- a comment with <tags> -->\n"
            "<DEFINITION><FOR>B b</FOR><GIVEN>A</GIVEN><TABLE>0.1 0.9\n 0.7\t0.3</TABLE></DEFINITION>\n"
            "<VARIABLE><NAME>A</NAME><OUTCOME>yes</OUTCOME><OUTCOME>yes</OUTCOME>"
            "<PROPERTY>word</PROPERTY></VARIABLE>\n"
            "<variable type='nature'><name>B b</name><outcome>x &amp; "
            "y</outcome><outcome>z</outcome></variable>\n"
            "<DEFINITION><FOR>A</FOR><TABLE><![CDATA[0.25]]> "
            "0.75</TABLE><PROPERTY>p</PROPERTY></DEFINITION>\n");
    VRX_network net;
    ASSERT_EQ(ReadXmlBif(net, text), kSuccess) << LogDump();
    // A repeated outcome is numbered from 2, as in the readers of the other formats, and named.
    EXPECT_EQ(Outcomes(net, "A"), (std::vector<std::string>{"yes", "yes2"}));
    EXPECT_EQ(LoggedMessages(),
              (std::vector<std::string>{
                  "outcome names that are not identifiers were rewritten in 2 nodes, e.g. Node [A] "
                  "\"yes\" renamed \"yes2\", Node [B_b] \"x & y\" renamed \"x___y\"",
                  "(line 14) : ERROR: Node identifier \"B b\" renamed \"B_b\""}));
    EXPECT_EQ(Outcomes(net, "B_b"), (std::vector<std::string>{"x___y", "z"}));
    EXPECT_EQ(Table(net, "B_b"), (std::vector<double>{0.1, 0.9, 0.7, 0.3}));
    EXPECT_EQ(Table(net, "A"), (std::vector<double>{0.25, 0.75}));
}

// A distribution of zeros (which the update takes as uniform) leaves the layout to the others: a table
// whose other distributions sum to 1 read as written, not as distributions summing to 0.5 with the
// node's outcome slowest; one whose others are off 1 is read as written too, not as a slowest layout
// scaled from 1.65.
TEST_F(XmlBifTest, AZeroDistributionDecidesNoLayout) {
    for (const std::vector<double>& table : {std::vector<double>{0.5, 0.5, 0, 0}, {0.66, 0, 0.99, 0}}) {
        std::string entries;
        for (double p : table) entries += std::to_string(p) + " ";
        const std::string text =
            Bif("<VARIABLE><NAME>A</NAME><OUTCOME>a0</OUTCOME><OUTCOME>a1</OUTCOME></VARIABLE>\n"
                "<VARIABLE><NAME>B</NAME><OUTCOME>b0</OUTCOME><OUTCOME>b1</OUTCOME></VARIABLE>\n"
                "<DEFINITION><FOR>A</FOR><TABLE>0.4 0.6</TABLE></DEFINITION>\n"
                "<DEFINITION><FOR>B</FOR><GIVEN>A</GIVEN><TABLE>" +
                entries + "</TABLE></DEFINITION>\n");
        VRX_network net;
        errorLog.Flush();
        ASSERT_EQ(ReadXmlBif(net, text), kSuccess) << LogDump();
        EXPECT_EQ(
            LoggedMessages(),
            (std::vector<std::string>{"ERROR: Node [B] is not consistent. Inference may not be correct"}));
        EXPECT_EQ(Table(net, "B"), table);
    }
}

// Tables are read in the order the format writes, the node's own outcome fastest, whenever their
// columns can be distributions that way (up to rounding, or in percent); the other order only where
// they cannot and the other gives them as they stand, with a warning naming the node.
TEST_F(XmlBifTest, TablesAreReadInTheWrittenOrderUnlessOnlyTheOtherIsDistributions) {
    const struct {
        const char* what;
        int outcomes;
        const char* table;
        std::vector<double> read;
        std::vector<std::string> log;
    } cases[] = {
        // Columns summing to 0.99, 1.00 and 1.01 by rounding, whose transpose sums to 1 exactly.
        {"rounded",
         3,
         "0.10 0.81 0.09 0.10 0.09 0.80 0.80 0.10 0.11",
         {0.10, 0.81, 0.09, 0.10, 0.09, 0.80, 0.80, 0.10, 0.11},
         {"ERROR: Node [B] is not consistent. Inference may not be correct"}},
        {"own outcome slowest",
         2,
         "0.2 0.7 0.8 0.3",
         {0.2, 0.8, 0.7, 0.3},
         {"(line 8) : ERROR: Node [B] : its table is read with the node's own outcome slowest, the only "
          "order in which its columns are distributions"}},
        {"percent",
         2,
         "10 90 70 30",
         {0.1, 0.9, 0.7, 0.3},
         {"(line 8) : ERROR: Node [B] : every distribution of its table sums to 100, scaled to sum to 1"}},
        // Neither order gives distributions as they stand (the other only halved): read as written.
        {"neither order",
         2,
         "0.45 0.45 0.05 0.05",
         {0.45, 0.45, 0.05, 0.05},
         {"ERROR: Node [B] is not consistent. Inference may not be correct"}},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.what);
        std::string outcomes;
        for (int i = 0; i < item.outcomes; ++i) outcomes += "<OUTCOME>o" + std::to_string(i) + "</OUTCOME>";
        std::string uniform;
        for (int i = 0; i < item.outcomes; ++i) uniform += i == 0 ? "1 " : "0 ";
        const std::string text =
            Bif("<VARIABLE><NAME>A</NAME>" + outcomes + "</VARIABLE>\n<VARIABLE><NAME>B</NAME>" + outcomes +
                "</VARIABLE>\n<DEFINITION><FOR>A</FOR><TABLE>" + uniform +
                "</TABLE></DEFINITION>\n<DEFINITION><FOR>B</FOR><GIVEN>A</GIVEN><TABLE>" + item.table +
                "</TABLE></DEFINITION>\n");
        VRX_network net;
        errorLog.Flush();
        ASSERT_EQ(ReadXmlBif(net, text), kSuccess) << LogDump();
        EXPECT_EQ(LoggedMessages(), item.log);
        ExpectNear(Table(net, "B"), item.read, 1e-15);
    }
}

struct BadFile {
    const char* what;
    std::string text;
    int result;
    int code;
    const char* message;
};

TEST_F(XmlBifTest, BadFilesFailWithTheirMessageAndLeaveTheNetworkAsItWas) {
    const BadFile cases[] = {
        {"no BIF", "<?xml version=\"1.0\"?>\n<NETWORK/>\n", kNoMoreTokens, kOutOfRange,
         "(line 3) : ERROR: [BIF] : Tag Not found"},
        {"version", "<BIF VERSION=\"0.2\"><NETWORK/></BIF>", kOutOfRange, kOutOfRange,
         "(line 1) : ERROR: Incorrect BIF Version"},
        {"misplaced", "<BIF VERSION=\"0.3\"><VARIABLE/></BIF>", kSyntaxError, kSyntaxError,
         "(line 1) : ERROR: 'VARIABLE' : Misplaced statement"},
        {"type", Bif("<VARIABLE TYPE=\"odd\"><NAME>A</NAME></VARIABLE>\n"), kOutOfRange, kOutOfRange,
         "(line 5) : ERROR: odd : Unknown node type"},
        {"count",
         Bif("<VARIABLE><NAME>A</NAME><OUTCOME>a</OUTCOME><OUTCOME>b</OUTCOME></VARIABLE>\n"
             "<DEFINITION><FOR>A</FOR><TABLE>0.5 0.25 0.25</TABLE></DEFINITION>\n"),
         kOutOfRange, kOutOfRange, "(line 6) : ERROR: Node [A] was expecting 2 numbers but 3 were read"},
        {"no probability",
         Bif("<VARIABLE><NAME>A</NAME><OUTCOME>a</OUTCOME><OUTCOME>b</OUTCOME></VARIABLE>\n"
             "<DEFINITION><FOR>A</FOR><TABLE>2 -1</TABLE></DEFINITION>\n"),
         kOutOfRange, kOutOfRange, "(line 6) : ERROR: Node [A] : -1 is no probability"},
        {"number",
         Bif("<VARIABLE><NAME>A</NAME></VARIABLE>\n<DEFINITION><FOR>A</FOR><TABLE>0.5 half</TABLE>"
             "</DEFINITION>\n"),
         kSyntaxError, kSyntaxError, "(line 6) : ERROR: 'half' : Real Number expected"},
        {"parent",
         Bif("<VARIABLE><NAME>A</NAME></VARIABLE>\n<DEFINITION><FOR>A</FOR><GIVEN>Q</GIVEN>"
             "</DEFINITION>\n"),
         kOutOfRange, kOutOfRange, "(line 6) : ERROR: Q : Invalid parent"},
        {"truncated", "<BIF VERSION=\"0.3\"><NETWORK><VARIABLE><NAME>A</NAME>", kUnexpectedEndOfFile,
         kUnexpectedEndOfFile, "(line 1) : ERROR: End of File : Expecting '</VARIABLE>'"},
        {"open comment", "<BIF VERSION=\"0.3\"><!-- x", kUnexpectedEndOfFile, kUnexpectedEndOfFile,
         "(line 1) : ERROR: Unexpected End of File in a comment"},
    };
    for (const BadFile& item : cases) {
        SCOPED_TRACE(item.what);
        errorLog.Flush();
        VRX_network net;
        ASSERT_GE(net.AddNode(DefinitionType::kCpt, "Kept"), 0);
        EXPECT_EQ(ReadXmlBif(net, item.text), item.result) << LogDump();
        EXPECT_TRUE(Logged(item.code, item.message)) << LogDump();
        EXPECT_EQ(net.GetNumberOfNodes(), 1);
        EXPECT_GE(net.FindNode("Kept"), 0);
    }
}

TEST_F(XmlBifTest, WritesWellFormedXmlThatReadsBack) {
    Asia asia;
    VRX_network& net = asia.t.net;
    const int choice = net.AddNode(DefinitionType::kList, "Treat");
    const int gain = net.AddNode(DefinitionType::kTable, "Gain");
    ASSERT_EQ(net.AddArc(net.FindNode("either"), choice), kSuccess);
    ASSERT_EQ(net.AddArc(choice, gain), kSuccess);
    asia.t.Table(gain, {1.5, -2e-9});
    std::string text;
    VRX_xmlSpeaker writer(&net);
    ASSERT_EQ(writer.WriteToText(text), kSuccess) << LogDump();
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\"?>\n", 0), 0u);

    XML_Parser parser = XML_ParserCreate(nullptr);
    const XML_Status status = XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1);
    EXPECT_EQ(status, XML_STATUS_OK) << XML_ErrorString(XML_GetErrorCode(parser)) << " line "
                                     << XML_GetCurrentLineNumber(parser);
    XML_ParserFree(parser);

    VRX_network copy;
    ASSERT_EQ(ReadXmlBif(copy, text), kSuccess) << LogDump();
    EXPECT_EQ(copy.GetNodeType(copy.FindNode("Treat")), DefinitionType::kList);
    EXPECT_EQ(Outcomes(copy, "Treat"), Outcomes(net, "Treat"));
    EXPECT_EQ(Table(copy, "Gain"), Table(net, "Gain"));
    EXPECT_EQ(IdsOf(copy, copy.GetParents(copy.FindNode("Treat"))), (std::vector<std::string>{"either"}));
}

TEST_F(XmlBifTest, NodesWithoutTablesOfTheFormAreRefusedBeforeTheFileIsMade) {
    VRX_network net;
    ASSERT_GE(net.AddNode(DefinitionType::kEquation, "X"), 0);
    TempFile file(".xml03");
    EXPECT_EQ(net.WriteFile(file.c_str()), kOutOfRange);
    EXPECT_TRUE(Logged(kOutOfRange, "ERROR: Unsupported node type: Node [X] is an equation node"))
        << LogDump();
    EXPECT_FALSE(file.Exists());
}

}  // namespace
