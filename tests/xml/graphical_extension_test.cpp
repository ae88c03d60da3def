// The graphical extension "cavro": rectangles, colours, fault name formats and diagnosis texts read into
// the network with the loader's exact messages, the saver's text form, and the diagram's round trip.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "base/int_array.h"
#include "base/rectangle.h"
#include "base/status_codes.h"
#include "model/extra_definition.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_entry.h"
#include "model/node_info.h"
#include "model/submodel.h"
#include "model/temporal_extension.h"
#include "tests/support/error_log.h"
#include "tests/support/xml_test_files.h"
#include "xml/graphical_extension.h"
#include "xml/xml_network.h"

using vovido::FaultNameFormatCode;
using vovido::FaultNameFormatWord;
using vovido::FormatCavroColor;
using vovido::FormatCavroRectangle;
using vovido::ParseCavroColor;
using vovido::RectangleFromCorners;
using vovido::UnescapeDiagramText;

namespace {

using vovido::test::CountOf;
using vovido::test::FirstLoadError;
using vovido::test::TempFile;

// Nodes a (low, mid, high), b (yes, no) and the utility u, then the extension.
std::string Doc(const std::string& cavroContent,
                const std::string& cavroAttributes = "version=\"1.0\" name=\"N\"") {
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<tarvo version=\"1.0\" id=\"net\">\n<nodes>\n"
           "<cpt id=\"a\"><state id=\"low\"/><state id=\"mid\"/><state id=\"high\"/>"
           "<probabilities>0.2 0.3 0.5</probabilities></cpt>\n"
           "<cpt id=\"b\"><state id=\"yes\"/><state id=\"no\"/><probabilities>0.6 0.4</probabilities></cpt>\n"
           "<utility id=\"u\"><utilities>1</utilities></utility>\n</nodes>\n<extensions>\n<cavro " +
           cavroAttributes + ">\n" + cavroContent + "</cavro>\n</extensions>\n</tarvo>\n";
}

// The elements every node and submodel must have, around the given content.
std::string Looks(const std::string& position = "10 20 110 60",
                  const std::string& outline = "<outline color=\"000000\"/>") {
    return "<name>N</name><interior color=\"e5f6f7\"/>" + outline +
           "<font name=\"Arial\" size=\"8\" color=\"000000\"/><position>" + position + "</position>";
}

std::string Node(const std::string& id, const std::string& content = "", const std::string& attributes = "") {
    return "<node id=\"" + id + "\"" + attributes + ">" + Looks() + content + "</node>\n";
}

class GraphicalExtensionTest : public vovido::test::FreshLogTest<> {
protected:
    // Loads into a fresh network.
    bool Load(const std::string& text, VRX_temporalExtension* plate = nullptr) {
        file.Write(text);
        errorLog.Flush();
        network = std::make_unique<VRX_network>();
        return LoadXmlNetwork(file.c_str(), network.get(), nullptr, plate);
    }
    VRX_network& net() { return *network; }
    void ExpectLoadError(const std::string& text, const std::string& message) {
        VRX_network fresh;
        file.Write(text);
        errorLog.Flush();
        EXPECT_FALSE(LoadXmlNetwork(file.c_str(), &fresh, nullptr)) << message;
        EXPECT_EQ(FirstLoadError(file), message);
    }
    VRX_node& NodeOf(const char* id) { return *net().GetNode(net().FindNode(id)); }
    VRX_screenInfo& Screen(const char* id) { return NodeOf(id).GetInfo()->screenInfo; }
    VRX_extraDefinition& Extra(const char* id) { return *NodeOf(id).GetExtraDefinition(); }
    std::string Saved() {
        EXPECT_TRUE(SaveXmlNetwork(saved.c_str(), network.get(), nullptr));
        return saved.Read();
    }

    std::unique_ptr<VRX_network> network = std::make_unique<VRX_network>();
    TempFile file;
    TempFile saved;
};

void ExpectRectangle(const VRX_rectangle& r, int cx, int cy, int w, int h) {
    EXPECT_EQ(r.centerX, cx);
    EXPECT_EQ(r.centerY, cy);
    EXPECT_EQ(r.width, w);
    EXPECT_EQ(r.height, h);
}

// ---------------------------------------------------------------------------------------------------
// Encodings

TEST(GraphicalExtensionEncodingTest, ColoursAreRedGreenBlueDigitsOfABlueGreenRedInt) {
    int color = 0;
    ASSERT_TRUE(ParseCavroColor("e5f6f7", color));
    EXPECT_EQ(color, 16250597);
    ASSERT_TRUE(ParseCavroColor("FF0080", color));
    EXPECT_EQ(color, 0x8000FF);
    EXPECT_EQ(FormatCavroColor(16250597), "e5f6f7");
    EXPECT_EQ(FormatCavroColor(0x7F8000FF), "ff0080");
    for (const char* bad : {"e5f6f", "e5f6f77", "e5f6g7", "0x1234", " e5f6f", "+e5f6f", ""}) {
        color = 42;
        EXPECT_FALSE(ParseCavroColor(bad, color)) << bad;
        EXPECT_EQ(color, 42);
    }
}

TEST(GraphicalExtensionEncodingTest, RectanglesAreWrittenAsCornersAndReadBack) {
    EXPECT_EQ(FormatCavroRectangle(VRX_rectangle(60, 40, 100, 40)), "10 20 110 60");
    EXPECT_EQ(FormatCavroRectangle(VRX_rectangle(5, 5, 3, 3)), "4 4 7 7");
    VRX_rectangle r;
    RectangleFromCorners(4, 4, 7, 7, r);
    ExpectRectangle(r, 5, 5, 3, 3);
    RectangleFromCorners(2147483647, 0, 2147483647, 10, r);
    ExpectRectangle(r, 2147483647, 5, 0, 10);
}

TEST(GraphicalExtensionEncodingTest, RectanglesLeftOfTheOriginKeepTheirCentreThroughSaveAndLoad) {
    // An odd size left of the origin: -5 - 7 / 2 = -8 would load back as centre (-8 + -1) / 2 = -4.
    EXPECT_EQ(FormatCavroRectangle(VRX_rectangle(-5, -6, 7, 9)), "-9 -11 -2 -2");
    for (int centre = -6; centre <= 6; ++centre) {
        for (int size = 0; size <= 5; ++size) {
            long long corners[4] = {0, 0, 0, 0};
            const std::string text = FormatCavroRectangle(VRX_rectangle(centre, -centre, size, size + 1));
            ASSERT_EQ(std::sscanf(text.c_str(), "%lld %lld %lld %lld", &corners[0], &corners[1], &corners[2],
                                  &corners[3]),
                      4);
            VRX_rectangle r;
            RectangleFromCorners(corners[0], corners[1], corners[2], corners[3], r);
            ExpectRectangle(r, centre, -centre, size, size + 1);
        }
    }
}

// Files of other tools write a line break as "\n" or as itself: both are the carriage return and line
// feed the engine keeps. Only the writer's mark, a backslash before a line feed, is a lone line feed.
TEST(GraphicalExtensionEncodingTest, LineBreaksOfAFileAreCarriageReturnAndLineFeed) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\nb\r\nc\n", "a\r\nb\r\nc\r\n"}, {"a\\nb\\tc", "a\r\nb\tc"}, {"a\\\nb", "a\nb"},
        {"a\rb\\\\n\\", "a\rb\\n\\"},       {"\\\n\\n", "\n\r\n"},
    };
    for (const auto& [file, text] : cases) {
        std::string out;
        UnescapeDiagramText(file, out);
        EXPECT_EQ(out, text) << file;
    }
    EXPECT_EQ(FaultNameFormatCode("nodestate"), FaultNameFormat::kNodeState);
    EXPECT_EQ(FaultNameFormatCode("Node"), -1);
    EXPECT_STREQ(FaultNameFormatWord(FaultNameFormat::kInherit), "inherit");
    EXPECT_EQ(FaultNameFormatWord(5), nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Loading

TEST_F(GraphicalExtensionTest, PositionCornersInEitherOrderGiveTheSameRectangle) {
    ASSERT_TRUE(Load(Doc(Node("a") + "<node id=\"b\">" + Looks("110 60 10 20") + "</node>\n")))
        << FirstLoadError(file);
    ExpectRectangle(Screen("a").position, 60, 40, 100, 40);
    ExpectRectangle(Screen("b").position, 60, 40, 100, 40);
}

TEST_F(GraphicalExtensionTest, RectangleTextMessages) {
    const auto withPosition = [](const std::string& position) {
        return Doc("<node id=\"a\">" + Looks(position) + "</node>\n");
    };
    ExpectLoadError(withPosition("10 20 110"), "Error while reading object position");
    ExpectLoadError(withPosition("10 20 110 60 70"), "Exactly 4 integers expected");
    // Corners are read as wide as the saver writes them, half an int beyond its range.
    const std::string whole = "' : Whole number expected, from -4294967296 to 4294967296";
    ExpectLoadError(withPosition("10 x 110 60"),
                    "Can't read list of integers, failed at element 2: 'x" + whole);
    // Read whole: no number is cut at its 'e'.
    ExpectLoadError(withPosition("10 5e9 110 60"),
                    "Can't read list of integers, failed at element 2: '5e9" + whole);
    ExpectLoadError(Doc("<plate leftwidth=\"1\" rightwidth=\"2\">1 2 3</plate>\n"),
                    "Error while reading object position");
}

TEST_F(GraphicalExtensionTest, ColoursAndOutlineWidthGoToTheScreenInfo) {
    ASSERT_TRUE(Load(
        Doc("<node id=\"a\"><name>A</name><interior color=\"E5F6F7\"/><outline color=\"0000ff\" width=\"4\"/>"
            "<font name=\"Arial\" size=\"8\" color=\"ff0000\"/><position>0 0 1 1</position></node>\n" +
            Node("b"))));
    EXPECT_EQ(Screen("a").color, 16250597);
    EXPECT_EQ(Screen("a").fontColor, 0x0000FF);
    EXPECT_EQ(Screen("a").borderColor, 0xFF0000);
    EXPECT_EQ(Screen("a").borderThickness, 4);
    EXPECT_EQ(Screen("b").borderThickness, 1);

    ExpectLoadError(
        Doc("<node id=\"a\">" + Looks("0 0 1 1", "<outline color=\"000000\" width=\"0\"/>") + "</node>\n"),
        "Invalid width attribute");
    for (const char* bad : {"e5f6f", "e5f6f77", "e5f6g7", "0x1234"}) {
        ExpectLoadError(
            Doc("<node id=\"a\"><name>A</name><interior color=\"" + std::string(bad) + "\"/></node>\n"),
            "Color specification 'rrggbb' expected");
    }
}

TEST_F(GraphicalExtensionTest, NodesAndStatesMustExist) {
    ExpectLoadError(Doc(Node("zz")), "Node 'zz' doesn't exist in TARVO network");
    ExpectLoadError(Doc(Node("u", "<state id=\"x\"/>")), "unexpected state info : 'x'");
    ExpectLoadError(Doc(Node("a", "<state id=\"huge\"/>")), "Invalid state id: 'huge'");
}

// A node given twice: the same element (blanks aside) is read once with a warning, another is refused
// naming the node, and neither replaces what the first gave.
TEST_F(GraphicalExtensionTest, ANodeGivenAgainIsReadOnceOrRefused) {
    const std::string first = Node("a", "<question>Why?</question>");
    ASSERT_TRUE(
        Load(Doc(first + Node("b") + "<node id=\"a\">\n " + Looks() + "<question>Why?</question></node>\n")))
        << vovido::test::LogDump();
    EXPECT_EQ(vovido::test::LoggedMessages(),
              std::vector<std::string>{"(line 13) : ERROR: Node [a] : its 'node' element in the "
                                       "extension is repeated unchanged, read once"});
    EXPECT_STREQ(NodeOf("a").GetInfo()->header.GetName(), "N");
    for (const std::string& other :
         {Node("a", "<question>How?</question>"),
          "<node id=\"a\"><name>M</name>" + Looks().substr(14) + "</node>\n",
          "<submodel id=\"s\">" + Looks() + Node("a", "<question>Why?</question>") + "</submodel>\n"}) {
        ExpectLoadError(Doc(first + other), "Node [a] has more than one 'node' element in the extension");
    }
    // So are the state elements of a node.
    const std::string state = "<state id=\"low\"><fix>Mend it</fix></state>";
    ASSERT_TRUE(Load(Doc(Node("a", state + state)))) << vovido::test::LogDump();
    EXPECT_TRUE(
        vovido::test::LoggedPart("ERROR: Node [a] : its 'state' element for outcome 'low' in the extension "
                                 "is repeated unchanged, read once"));
    ExpectLoadError(Doc(Node("a", state + "<state id=\"low\"><fix>Leave it</fix></state>")),
                    "Node [a] has more than one 'state' element for outcome 'low' in the extension");
}

TEST_F(GraphicalExtensionTest, FaultNameFormats) {
    ASSERT_TRUE(Load(
        Doc(Node("a", "", " faultnameformat=\"inherit\"") + Node("b", "", " faultnameformat=\"state\""))));
    EXPECT_EQ(net().faultNameFormat, FaultNameFormat::kUser);
    EXPECT_EQ(Extra("a").faultNameFormat, FaultNameFormat::kInherit);
    EXPECT_EQ(Extra("b").faultNameFormat, FaultNameFormat::kState);
    ASSERT_TRUE(Load(Doc("", "version=\"1.0\" name=\"N\" faultnameformat=\"nodestate\"")));
    EXPECT_EQ(net().faultNameFormat, FaultNameFormat::kNodeState);

    ExpectLoadError(Doc("", "version=\"1.0\" name=\"N\" faultnameformat=\"inherit\""),
                    "Inherited fault name format not allowed here");
    ExpectLoadError(Doc("", "version=\"1.0\" name=\"N\" faultnameformat=\"State\""),
                    "Invalid fault name format: 'State'");
    ExpectLoadError(Doc(Node("a", "", " faultnameformat=\"bogus\"")), "Invalid fault name format: 'bogus'");
}

TEST_F(GraphicalExtensionTest, NewerExtensionVersionIsRefused) {
    ExpectLoadError(
        Doc("", "version=\"1.1\" name=\"N\""),
        std::string("Invalid version number '1.1', expected 1.0\nPlease download most recent version of "
                    "TARVO/Cavro from:\n") +
            "https://www.vovido.org/download");
}

TEST_F(GraphicalExtensionTest, DiagnosisTextsAndLinksOfNodesAndStates) {
    ASSERT_TRUE(
        Load(Doc("<comment>Net\\tcomment\nline 2</comment>\n" +
                     Node("a",
                          "<comment>one\ntwo</comment>"
                          "<state id=\"mid\" globalid=\"MidA\" faultname=\"Fault mid\">"
                          "<fix>do\nthis</fix><comment>why \\\\ so</comment>"
                          "<link title=\"T1\" path=\"P1\"/><link title=\"T2\" path=\"P2\"/></state>"
                          "<link title=\"Doc\" path=\"http://d\"/><question>Is it?\nReally?</question>"),
                 "version=\"1.0\" name=\"Network name\"")))
        << FirstLoadError(file);
    EXPECT_STREQ(net().GetHeader()->GetName(), "Network name");
    EXPECT_STREQ(net().GetHeader()->GetComment(), "Net\tcomment\r\nline 2");
    EXPECT_STREQ(NodeOf("a").GetInfo()->header.GetName(), "N");
    EXPECT_STREQ(NodeOf("a").GetInfo()->header.GetComment(), "one\r\ntwo");
    VRX_extraDefinition& extra = Extra("a");
    EXPECT_STREQ((*extra.GetOutcomeLabels())[1], "MidA");
    EXPECT_STREQ((*extra.GetFaultNames())[1], "Fault mid");
    EXPECT_STREQ(extra.GetOutcomeFix(1), "do\r\nthis");
    EXPECT_STREQ(extra.GetOutcomeDescription(1), "why \\ so");
    ASSERT_EQ(extra.GetOutcomeDocumentation(1)->GetNumberOfDocuments(), 2);
    EXPECT_STREQ(extra.GetOutcomeDocumentation(1)->GetDocumentPath(1), "P2");
    EXPECT_STREQ(extra.GetQuestion(), "Is it?\r\nReally?");
    ASSERT_EQ(NodeOf("a").GetInfo()->documentation.GetNumberOfDocuments(), 1);
    EXPECT_STREQ(NodeOf("a").GetInfo()->documentation.GetDocumentTitle(0), "Doc");
}

TEST_F(GraphicalExtensionTest, IgnoredAndUnknownElementsChangeNothing) {
    ASSERT_TRUE(Load(Doc(
        "<arcformat parent=\"a\" child=\"b\" width=\"3\" color=\"ff0000\"/>\n"
        "<arccomment parent=\"a\" child=\"b\">text</arccomment>\n<qualcolors left=\"1\" center=\"2\" "
        "right=\"3\"/>\n" +
        Node("a", "<barchart active=\"true\" width=\"3\"/><defcomment row=\"1\" col=\"2\">x</defcomment>"))))
        << FirstLoadError(file);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    ExpectRectangle(Screen("a").position, 60, 40, 100, 40);

    ASSERT_TRUE(Load(Doc("<gizmo/>\n" + Node("a", "", " shade=\"dark\""))));
    const std::vector<std::string> messages = vovido::test::LoggedMessages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].rfind("Warning: Ignored unknown element 'gizmo' at ", 0), 0u);
    EXPECT_EQ(messages[1].rfind("Warning: Ignored unknown attribute 'shade' in 'node' at ", 0), 0u);
}

TEST_F(GraphicalExtensionTest, SubmodelsNestAndHoldTheirNodesAndTextBoxes) {
    ASSERT_TRUE(
        Load(Doc("<submodel id=\"S1\">" + Looks("0 0 40 20") + "<window>0 0 800 600</window>" +
                 "<submodel id=\"S2\">" + Looks("5 5 15 15") + Node("b") +
                 "<textbox><caption>inner\nbox</caption><font name=\"f\" size=\"10\" color=\"000000\" "
                 "align=\"left\"/><position>1 2 3 4</position></textbox></submodel>" +
                 Node("a") + "</submodel>\n" +
                 "<textbox><caption>top</caption><font name=\"f\" size=\"10\" color=\"000000\"/>"
                 "<position>10 10 20 20</position></textbox>\n")))
        << FirstLoadError(file);
    VRX_submodelHandler& submodels = net().GetSubmodelHandler();
    const int s1 = submodels.FindSubmodel("S1");
    const int s2 = submodels.FindSubmodel("S2");
    ASSERT_GE(s1, 0);
    ASSERT_GE(s2, 0);
    EXPECT_EQ(submodels.GetParentSubmodel(s2), s1);
    EXPECT_EQ(NodeOf("a").GetSubmodel() & ~kSubmodelHandleFlag, s1 & ~kSubmodelHandleFlag);
    EXPECT_EQ(NodeOf("b").GetSubmodel() & ~kSubmodelHandleFlag, s2 & ~kSubmodelHandleFlag);
    ExpectRectangle(submodels.GetSubmodel(s1)->windowPosition, 400, 300, 800, 600);
    ExpectRectangle(submodels.GetSubmodel(s2)->screenInfo.position, 10, 10, 10, 10);
    EXPECT_STREQ(submodels.GetSubmodel(s2)->header.GetName(), "N");
    ASSERT_EQ(submodels.GetSubmodel(s2)->textBoxes.GetNumberOfTextBoxes(), 1);
    EXPECT_STREQ(submodels.GetSubmodel(s2)->textBoxes.GetText(0), "inner\r\nbox");
    ASSERT_EQ(submodels.GetSubmodel(kMainSubmodel)->textBoxes.GetNumberOfTextBoxes(), 1);
    ExpectRectangle(submodels.GetSubmodel(kMainSubmodel)->textBoxes.GetBox(0), 15, 15, 10, 10);

    ExpectLoadError(
        Doc("<submodel id=\"S\">" + Looks() + "</submodel><submodel id=\"S\">" + Looks() + "</submodel>\n"),
        "Can't create submodel: 'S'");
}

TEST_F(GraphicalExtensionTest, PlateGoesToTheTemporalRecordWhenOneIsGiven) {
    VRX_temporalExtension plate;
    ASSERT_TRUE(Load(Doc("<plate leftwidth=\"7\" rightwidth=\"9\">10 20 110 60</plate>\n"), &plate));
    VRX_rectangle rect;
    int left = 0;
    int right = 0;
    plate.GetPlate(rect, left, right);
    ExpectRectangle(rect, 60, 40, 100, 40);
    EXPECT_EQ(left, 7);
    EXPECT_EQ(right, 9);
}

// ---------------------------------------------------------------------------------------------------
// Saving

TEST_F(GraphicalExtensionTest, PlateIsWrittenOnlyForANetworkWithPlateNodes) {
    const int a = net().AddNode(DefinitionType::kCpt, "a");
    EXPECT_EQ(CountOf(Saved(), "<plate"), 0u);
    ASSERT_EQ(net().SetTemporalType(a, TemporalType::kPlate), kSuccess);
    ASSERT_GE(net().AddNode(DefinitionType::kCpt, "b"), 0);
    ASSERT_EQ(net().SetTemporalType(net().FindNode("b"), TemporalType::kPlate), kSuccess);
    const std::string text = Saved();
    EXPECT_EQ(CountOf(text, "<plate"), 1u);
    // The default layout: centre (320, 170), 600 by 300, side widths 120.
    EXPECT_NE(text.find("<plate leftwidth=\"120\" rightwidth=\"120\">20 20 620 320</plate>"),
              std::string::npos);
}

TEST_F(GraphicalExtensionTest, NodeElementCarriesOnlyWhatIsSet) {
    const int a = net().AddNode(DefinitionType::kCpt, "a");
    VRX_nodeInfo& info = *net().GetNode(a)->GetInfo();
    info.screenInfo.position = VRX_rectangle(60, 40, 100, 40);
    info.screenInfo.color = 16250597;
    info.screenInfo.borderThickness = 1;
    std::string text = Saved();
    EXPECT_NE(
        text.find("\t\t\t<node id=\"a\">\n\t\t\t\t<name>a</name>\n\t\t\t\t<interior color=\"e5f6f7\" />\n"),
        std::string::npos);
    EXPECT_NE(text.find("<position>10 20 110 60</position>"), std::string::npos);
    EXPECT_EQ(text.find("width="), std::string::npos);
    EXPECT_EQ(text.find("<state", text.find("<extensions>")), std::string::npos);
    EXPECT_EQ(text.find("faultnameformat=\"inherit\""), std::string::npos);

    info.screenInfo.borderThickness = 3;
    ASSERT_EQ(net().GetNode(a)->GetExtraDefinition()->GetFaultNames()->SetString(1, "Broken"), kSuccess);
    text = Saved();
    EXPECT_NE(text.find("\" width=\"3\" />"), std::string::npos);
    EXPECT_NE(text.find("<state id=\"State1\" faultname=\"Broken\" />"), std::string::npos);
}

TEST_F(GraphicalExtensionTest, TextsKeepLineBreaksBackslashesAndMarkupThroughAFile) {
    const int a = net().AddNode(DefinitionType::kCpt, "a");
    VRX_nodeInfo& info = *net().GetNode(a)->GetInfo();
    ASSERT_EQ(info.header.SetName("C:\\temp <a&b>\r\nna\xE9ve"), kSuccess);
    ASSERT_EQ(info.header.SetComment("line 1\r\nline 2"), kSuccess);
    ASSERT_EQ(net().GetHeader()->SetComment("tab\there"), kSuccess);
    const std::string text = Saved();
    EXPECT_NE(text.find("<name>C:\\\\temp &lt;a&amp;b&gt;\\nna\xE9ve</name>"), std::string::npos);
    EXPECT_NE(text.find("<comment>line 1\\nline 2</comment>"), std::string::npos);
    EXPECT_NE(text.find("<comment>tab\\there</comment>"), std::string::npos);

    VRX_network copy;
    ASSERT_TRUE(LoadXmlNetwork(saved.c_str(), &copy, nullptr)) << FirstLoadError(saved);
    const VRX_header& header = copy.GetNode(copy.FindNode("a"))->GetInfo()->header;
    EXPECT_STREQ(header.GetName(), "C:\\temp <a&b>\r\nna\xE9ve");
    EXPECT_STREQ(header.GetComment(), "line 1\r\nline 2");
    EXPECT_STREQ(copy.GetHeader()->GetComment(), "tab\there");
}

// Whatever line breaks a text holds, it reads back as written: a pair, a lone line feed (as texts set
// from Java hold them), a lone carriage return, and runs of them.
TEST_F(GraphicalExtensionTest, EveryLineBreakReadsBackAsWritten) {
    const char* const texts[] = {"line1\nline2", "a\r\nb", "a\rb", "a\r\r\nb\n\n", "\n\r\n\r", "x\\\ny"};
    for (const char* text : texts) {
        VRX_network source;
        const int a = source.AddNode(DefinitionType::kCpt, "a");
        ASSERT_EQ(source.GetNode(a)->GetInfo()->header.SetComment(text), kSuccess);
        ASSERT_EQ(source.GetHeader()->SetComment(text), kSuccess);
        ASSERT_EQ(source.GetNode(a)->GetExtraDefinition()->SetQuestion(text), kSuccess);
        for (const char* extension : {".xvrx", ".qvrx"}) {
            const TempFile file(extension);
            ASSERT_EQ(source.WriteFile(file.c_str()), kSuccess);
            VRX_network copy;
            ASSERT_EQ(copy.ReadFile(file.c_str()), kSuccess) << vovido::test::LogDump();
            const int b = copy.FindNode("a");
            EXPECT_STREQ(copy.GetNode(b)->GetInfo()->header.GetComment(), text) << extension;
            EXPECT_STREQ(copy.GetHeader()->GetComment(), text) << extension;
            EXPECT_STREQ(copy.GetNode(b)->GetExtraDefinition()->GetQuestion(), text) << extension;
        }
    }
}

// Submodels nest as deep as a file says; the saver walks them with a stack of its own.
TEST_F(GraphicalExtensionTest, DeeplyNestedSubmodelsRoundTrip) {
    constexpr int kDepth = 1000;
    VRX_submodelHandler& submodels = net().GetSubmodelHandler();
    int parent = kMainSubmodel;
    for (int i = 0; i < kDepth; ++i) {
        parent = submodels.CreateSubmodel(parent, ("S" + std::to_string(i)).c_str());
        ASSERT_GE(parent, 0);
    }
    const int a = net().AddNode(DefinitionType::kCpt, "a");
    ASSERT_EQ(net().GetNode(a)->SetSubmodel(parent), kSuccess);
    const std::string text = Saved();
    EXPECT_EQ(CountOf(text, "</submodel>"), static_cast<size_t>(kDepth));

    VRX_network copy;
    ASSERT_TRUE(LoadXmlNetwork(saved.c_str(), &copy, nullptr)) << FirstLoadError(saved);
    const int last = copy.GetSubmodelHandler().FindSubmodel(("S" + std::to_string(kDepth - 1)).c_str());
    ASSERT_GE(last, 0);
    EXPECT_EQ(copy.GetNode(copy.FindNode("a"))->GetSubmodel() & ~kSubmodelHandleFlag,
              last & ~kSubmodelHandleFlag);
    EXPECT_EQ(copy.GetSubmodelHandler().GetParentSubmodel(last),
              copy.GetSubmodelHandler().FindSubmodel(("S" + std::to_string(kDepth - 2)).c_str()));
}

}  // namespace
