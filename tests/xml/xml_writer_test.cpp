// XML writer: exact output lines, escaping, number text, write failures, and round trips through the
// reader; the node definition visitor's dispatch.
#include "xml/xml_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/id_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "model/node_definition.h"
#include "tests/support/temp_file.h"
#include "tests/support/xml_test_support.h"
#include "xml/node_def_visitor.h"
#include "xml/xml_reader.h"

namespace {

using vovido::test::Grammar;
using vovido::test::RecordingErrorHandler;
using vovido::test::RecordingHandler;
using vovido::test::TempFile;

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";

class XmlWriterTest : public ::testing::Test {
protected:
    // The file's content after the declaration line.
    std::string Body() {
        const std::string content = file.Read();
        EXPECT_EQ(content.compare(0, kDeclaration.size(), kDeclaration), 0);
        return content.substr(kDeclaration.size());
    }

    TempFile file{".xml"};
    XmlWriter writer;
};

TEST_F(XmlWriterTest, OpenAndCloseWriteTheDeclarationOnly) {
    ASSERT_TRUE(writer.Open(file.c_str()));
    EXPECT_TRUE(writer.Close());
    EXPECT_EQ(file.Read(), kDeclaration);
    // Nothing is open any more.
    EXPECT_FALSE(writer.Close());
    XmlWriter fresh;
    EXPECT_FALSE(fresh.Close());
}

TEST_F(XmlWriterTest, OpenFailsForAnUnwritablePath) {
    EXPECT_FALSE(writer.Open("/nonexistent-directory/x.xml"));
    EXPECT_FALSE(writer.Open(nullptr));
    EXPECT_FALSE(writer.Close());
    // Writing without a file does nothing.
    writer.OpenElement("a");
    writer.WriteElement("b", "t", false);
    EXPECT_FALSE(writer.Close());
}

TEST_F(XmlWriterTest, ElementLines) {
    ASSERT_TRUE(writer.Open(file.c_str()));
    writer.AddAttribute("version", "1.0");
    writer.OpenElement("root");
    writer.AddIntAttribute("id", 7);
    writer.WriteElement("node", nullptr, false);
    writer.OpenElement("inner");
    EXPECT_EQ(writer.GetDepth(), 2);
    writer.WriteElement("empty", "", false);
    writer.AddBoolAttribute("on", true);
    writer.AddBoolAttribute("off", false);
    writer.AddDoubleAttribute("p", 0.1);
    writer.WriteElement("text", "abc", true);
    writer.CloseElement("inner");
    writer.CloseElement("root");
    EXPECT_EQ(writer.GetDepth(), 0);
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(Body(),
              "<root version=\"1.0\">\n"
              "\t<node id=\"7\" />\n"
              "\t<inner>\n"
              "\t\t<empty></empty>\n"
              "\t\t<text on=\"true\" off=\"false\" p=\"0.1\">abc</text>\n"
              "\t</inner>\n"
              "</root>\n");
}

TEST_F(XmlWriterTest, PendingAttributesWaitForTheNextStartTag) {
    ASSERT_TRUE(writer.Open(file.c_str()));
    writer.AddAttribute("a", "1");
    writer.OpenElement("r");
    writer.CloseElement("r");  // an end tag takes no attributes
    writer.AddAttribute("b", nullptr);
    writer.WriteIdListElement("ids", nullptr, 0);
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(Body(), "<r a=\"1\">\n</r>\n<ids b=\"\"></ids>\n");
}

TEST_F(XmlWriterTest, DoublesAndInts) {
    ASSERT_TRUE(writer.Open(file.c_str()));
    writer.AddDoubleAttribute("a", 0.1);
    writer.AddDoubleAttribute("b", 1.0 / 3.0);
    writer.AddDoubleAttribute("c", 1.0);
    writer.AddDoubleAttribute("d", 0.1 + 0.2);
    writer.AddDoubleAttribute("e", -2.5e-10);
    writer.AddIntAttribute("f", -2147483647 - 1);
    writer.WriteElement("n", nullptr, false);
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(Body(),
              "<n a=\"0.1\" b=\"0.3333333333333333\" c=\"1\" d=\"0.30000000000000004\" e=\"-2.5e-10\" "
              "f=\"-2147483648\" />\n");
}

TEST_F(XmlWriterTest, AttributeValuesAreEscaped) {
    ASSERT_TRUE(writer.Open(file.c_str()));
    writer.AddAttribute("v", "a<b&c>d\"e'f\tg\nh\ri\\j\x01k\xE9");
    writer.WriteElement("n", nullptr, false);
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(Body(), "<n v=\"a&lt;b&amp;c&gt;d&quot;e&apos;f&#9;g&#10;h&#13;i\\j?k\xE9\" />\n");
}

TEST_F(XmlWriterTest, ElementTextEscaping) {
    ASSERT_TRUE(writer.Open(file.c_str()));
    writer.WriteElement("raw", "1<2 & \"q\"\tx\ny\r\nz\\", false);
    writer.WriteElement("esc", "1<2\tx\ny\r\nz\\", true);
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(Body(),
              "<raw>1&lt;2 &amp; &quot;q&quot;\tx\ny&#13;\nz\\</raw>\n"
              "<esc>1&lt;2\\tx\\ny\\nz\\\\</esc>\n");
}

TEST_F(XmlWriterTest, ListElements) {
    ASSERT_TRUE(writer.Open(file.c_str()));
    writer.OpenElement("r");
    const double values[] = {0.25, kNotAvailableValue, 1e-20};
    writer.AddAttribute("id", "x");
    writer.WriteDoubleListElement("cost", values, 3, "n/a", kNotAvailableValue);
    writer.WriteDoubleListElement("probabilities", values, 3, nullptr, 0.0);
    writer.WriteDoubleListElement("none", values, 0, nullptr, 0.0);
    const char* ids[] = {"State0", nullptr, "s<2"};
    writer.WriteIdListElement("ids", ids, 3);
    VRX_stringArray array;
    ASSERT_EQ(array.Add("a"), kSuccess);
    ASSERT_EQ(array.Add("b_1"), kSuccess);
    writer.WriteIdListElement("states", array);
    writer.CloseElement("r");
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(Body(),
              "<r>\n"
              "\t<cost id=\"x\">0.25 n/a 9.999999999999999e-21</cost>\n"
              "\t<probabilities>0.25 8.900295434028806e-308 9.999999999999999e-21</probabilities>\n"
              "\t<none></none>\n"
              "\t<ids>State0  s&lt;2</ids>\n"
              "\t<states>a b_1</states>\n"
              "</r>\n");
}

TEST_F(XmlWriterTest, WriteFailuresAreReportedByClose) {
    // Buffered output that cannot be flushed.
    ASSERT_TRUE(writer.Open("/dev/full"));
    writer.WriteElement("a", "small", false);
    EXPECT_FALSE(writer.Close());
    EXPECT_FALSE(writer.Close());  // the stream is gone either way

    // Output beyond the stream's buffer fails while it is written.
    ASSERT_TRUE(writer.Open("/dev/full"));
    const std::string big(1 << 20, 'x');
    writer.WriteElement("a", big.c_str(), false);
    EXPECT_FALSE(writer.Close());

    // The same writer works again afterwards.
    ASSERT_TRUE(writer.Open(file.c_str()));
    EXPECT_TRUE(writer.Close());
    EXPECT_EQ(file.Read(), kDeclaration);
}

// A document never closed (a save cut short) does not replace the file: the old content stays.
TEST_F(XmlWriterTest, DestructorWithoutCloseKeepsTheOldFile) {
    file.Write("old");
    {
        XmlWriter local;
        ASSERT_TRUE(local.Open(file.c_str()));
        local.WriteElement("a", "b", false);
    }
    EXPECT_EQ(file.Read(), "old");
    ASSERT_TRUE(writer.Open(file.c_str()));
    writer.WriteElement("a", "b", false);
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(Body(), "<a>b</a>\n");
}

// What the writer writes, the reader gives back unchanged.
TEST_F(XmlWriterTest, TextsSurviveARoundTrip) {
    std::string awkward = "a<b&c>d\"e'f\tg\nh\ri\r\nj\\k \xE9\xFF\x80 ";
    awkward += std::string(20000, 'z');  // several blocks long
    const double number = 0.1 + 0.2;

    ASSERT_TRUE(writer.Open(file.c_str()));
    writer.AddAttribute("v", awkward.c_str());
    writer.AddDoubleAttribute("d", number);
    writer.OpenElement("r");
    writer.WriteElement("raw", awkward.c_str(), false);
    writer.WriteElement("esc", awkward.c_str(), true);
    writer.CloseElement("r");
    ASSERT_TRUE(writer.Close());

    XmlReader reader;
    Grammar grammar(reader);
    std::vector<std::string> events;
    RecordingHandler& rootHandler = grammar.Handler(events, "r", false);
    RecordingHandler& rawHandler = grammar.Handler(events, "raw", false);
    RecordingHandler& escHandler = grammar.Handler(events, "esc", false);
    IXmlBinding* root =
        grammar.Bind(rootHandler, "r", IXmlBinding::StrictAttributes | IXmlBinding::StrictElements);
    root->AddAttribute("v", true);
    root->AddAttribute("d", true);
    root->AddChild(grammar.Bind(rawHandler, "raw", IXmlBinding::InheritStrictness), IXmlBinding::Required);
    root->AddChild(grammar.Bind(escHandler, "esc", IXmlBinding::InheritStrictness), IXmlBinding::Required);
    std::string attribute;
    double readNumber = 0.0;
    rootHandler.onStart = [&](IXmlReader* r) {
        r->GetAttribute("v", attribute);
        r->GetDoubleAttribute("d", readNumber, 0.0);
    };
    std::string raw;
    rawHandler.onEnd = [&](IXmlReader* r) { raw = r->GetText(); };
    std::string escaped;
    escHandler.onEnd = [&](IXmlReader* r) { r->GetUnescapedText(escaped); };
    RecordingErrorHandler errors;
    ASSERT_TRUE(reader.Parse(file.c_str(), root, &errors));
    EXPECT_TRUE(errors.entries.empty());

    EXPECT_EQ(attribute, awkward);
    EXPECT_EQ(readNumber, number);
    EXPECT_EQ(raw, awkward);
    // Backslash escapes drop carriage returns by design.
    std::string withoutCr;
    for (char c : awkward) {
        if (c != '\r') withoutCr.push_back(c);
    }
    EXPECT_EQ(escaped, withoutCr);
}

// A definition that reports whatever type code it is given.
class CodedDefinition : public VRX_nodeDefinition {
public:
    explicit CodedDefinition(int code) : VRX_nodeDefinition(-1, nullptr), code_(code) {}
    int GetType() const override { return code_; }
    const char* GetTypeName() const override { return "CODED"; }

private:
    int code_;
};

class RecordingVisitor : public NodeDefVisitor {
public:
    void VisitMau(VRX_nodeDefinition* d) override { Seen("Mau", d); }
    void VisitUtility(VRX_nodeDefinition* d) override { Seen("Utility", d); }
    void VisitDecision(VRX_nodeDefinition* d) override { Seen("Decision", d); }
    void VisitEquation(VRX_nodeDefinition* d) override { Seen("Equation", d); }
    void VisitDemorgan(VRX_nodeDefinition* d) override { Seen("Demorgan", d); }
    void VisitCast(VRX_nodeDefinition* d) override { Seen("Cast", d); }
    void VisitNoisyAdder(VRX_nodeDefinition* d) override { Seen("NoisyAdder", d); }
    void VisitNoisyMax(VRX_nodeDefinition* d) override { Seen("NoisyMax", d); }
    void VisitTruthTable(VRX_nodeDefinition* d) override { Seen("TruthTable", d); }
    void VisitCpt(VRX_nodeDefinition* d) override { Seen("Cpt", d); }

    std::string last;
    VRX_nodeDefinition* lastDefinition = nullptr;

private:
    void Seen(const char* what, VRX_nodeDefinition* d) {
        last = what;
        lastDefinition = d;
    }
};

TEST(NodeDefVisitorTest, DispatchesByTypeCode) {
    const struct {
        int code;
        const char* visit;
    } rows[] = {{520, "Mau"}, {8, "Utility"},      {17, "Decision"},  {4, "Equation"},    {82, "Demorgan"},
                {50, "Cast"}, {274, "NoisyAdder"}, {146, "NoisyMax"}, {20, "TruthTable"}, {18, "Cpt"}};
    RecordingVisitor visitor;
    for (const auto& row : rows) {
        CodedDefinition definition(row.code);
        visitor.last.clear();
        EXPECT_TRUE(visitor.Visit(&definition)) << row.code;
        EXPECT_EQ(visitor.last, row.visit) << row.code;
        EXPECT_EQ(visitor.lastDefinition, &definition);
    }
    // Hybrid kinds, equations of strongly coupled components and unknown codes are not visited.
    for (int code : {0x1002, 0x1004, 0x404, 0x810, 0, 2, -1}) {
        CodedDefinition definition(code);
        visitor.last.clear();
        EXPECT_FALSE(visitor.Visit(&definition)) << code;
        EXPECT_EQ(visitor.last, "") << code;
    }
    EXPECT_FALSE(visitor.Visit(nullptr));
}

}  // namespace
