// The own text format as written: canonical layout, every node kind and record round-tripping whole,
// long texts, line ends, sentinels and locale independence, and saves that are refused.
#include "formats/vrx_format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/number_text.h"
#include "base/status_codes.h"
#include "tests/support/arrays.h"
#include "tests/support/compare.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/temp_file.h"

namespace {

using namespace vovido::test;

class VrxFormatTest : public vovido::test::FreshLogTest<> {
protected:
    static std::string Write(VRX_network& net) {
        VRX_vrxSpeaker speaker(&net);
        std::string text;
        EXPECT_EQ(speaker.WriteToText(text), 0) << LogDump();
        return text;
    }

    // Reads the text through the network's file dispatch, as a user's file is read.
    static int Read(VRX_network& net, const std::string& text, const std::string& name = "read.vrx") {
        return net.ReadFile(WriteTextFile(name, text).c_str());
    }
};

TEST_F(VrxFormatTest, WritesTheCanonicalLayout) {
    VRX_network net;
    ASSERT_EQ(net.GetHeader()->SetId("Tiny"), kSuccess);
    ASSERT_EQ(net.GetHeader()->SetName(nullptr), kSuccess);
    const int h = net.AddNode(DefinitionType::kCpt, "A");
    ASSERT_EQ(h, 0);
    net.GetNode(h)->GetInfo()->screenInfo.arcFlags = VRX_screenInfo::kShowOutArcs;
    const std::string text = Write(net);
    const std::string head =
        "net Tiny\n"
        "{\n"
        " HEADER = \n"
        "  {\n"
        "   ID = Tiny;\n"
        "  };\n"
        " CREATION = \n"
        "  {\n"
        "  };\n"
        " NUMSAMPLES = 1000;\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    const std::string node =
        "\n"
        " node A\n"
        "  {\n"
        "   TYPE = CPT;\n"
        "   HEADER = \n"
        "    {\n"
        "     ID = A;\n"
        "     NAME = \"A\";\n"
        "    };\n";
    EXPECT_NE(text.find(node), std::string::npos) << text;
    // Only the arcs that are not shown are named.
    EXPECT_NE(text.find("     SHOWINARCS = FALSE;\n"), std::string::npos);
    EXPECT_EQ(text.find("SHOWOUTARCS"), std::string::npos);
    const std::string definition =
        "   PARENTS = ();\n"
        "   DEFINITION = \n"
        "    {\n"
        "     NAMESTATES = (State0, State1);\n"
        "     PROBABILITIES = (0.5, 0.5);\n"
        "    };\n";
    EXPECT_NE(text.find(definition), std::string::npos) << text;
    const std::string tail =
        " OBSERVATION_COST = \n"
        "  {\n"
        "\n"
        "   node A\n"
        "    {\n"
        "     PARENTS = ();\n"
        "     COSTS = (0);\n"
        "    };\n"
        "  };\n"
        "};\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(VrxFormatTest, WritesEachKindsStatements) {
    VRX_network net;
    BuildFullNetwork(net);
    const std::string text = Write(net);
    for (const char* expected :
         {"     RESULTINGSTATES = (t0, t1, t1, t0, t1, t1);\n", "     NAMECHOICES = (go, stay, wait);\n",
          "     UTILITIES = (10, -5, 2.5, 0, -1.25, 3);\n",
          // Position of outcome m in A's strength order (2, 0, 1), then B's identity order.
          "     STRENGTHS = (1, 2, 0, 0, 1);\n", "     PWEIGHTS = (0.75);\n", "     NWEIGHTS = (-0.25);\n",
          "     BASELINE = \"0.375\";\n", "     PARENTTYPES = (3);\n", "     PARENTWEIGHTS = (0.625);\n",
          "     PRIORBELIEF = \"0.0625\";\n", "     FUNCTION = 1;\n", "     DSTATES = (0, 1, 0);\n",
          "     PARENTWEIGHTS = (0.5, 2, 1);\n", "   TARGET = TRUE;\n", "   SUBMODEL = Inner;\n",
          "   PARENT = Outer;\n", "     FAULTNAMEFORMAT = 2;\n", "     DIAGNOSIS_TYPE = TARGET;\n",
          "     FAULT_STATES = (0, 1, 1);\n", "     FAULT_LABELS = (\"\", \"LabelOne\", \"LabelTwo\");\n",
          " SHOWAS = 1;\n", " SCREENCOMMENT =  { (5, 6, 70, 80),\"A note on\\nthe canvas\"};\n",
          "   Owner = \"lab 7\";\n", "   \"Notes \\\"quoted\\\"\" = \"C:\\\\notes\\\\a.txt\";\n",
          "     PARENTS = (A);\n     COSTS = (1.5, 2.5, 3.5);\n", "   CREATED = 1700000000123;\n",
          "   MODIFIED = -5;\n"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
}

TEST_F(VrxFormatTest, EveryKindAndRecordRoundTripsUnchanged) {
    VRX_network original;
    BuildFullNetwork(original);
    const std::string text = Write(original);
    VRX_network copy;
    ASSERT_EQ(Read(copy, text), 0) << LogDump();
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << LogDump();
    ExpectSameNetwork(original, copy);
    // The written form is canonical: writing the copy gives the same text.
    EXPECT_EQ(Write(copy), text);
}

TEST_F(VrxFormatTest, ReadingReplacesWhatTheNetworkHeld) {
    VRX_network original;
    BuildFullNetwork(original);
    VRX_network target;
    ASSERT_EQ(target.userProperties.AddProperty("Stale", "x"), kSuccess);
    ASSERT_EQ(target.documentation.AddDocument("Stale", "y"), kSuccess);
    ASSERT_GE(target.AddNode(DefinitionType::kCpt, "Old"), 0);
    ASSERT_NE(target.AddCase("old case"), nullptr);
    ASSERT_EQ(Read(target, Write(original)), 0) << LogDump();
    EXPECT_EQ(target.FindNode("Old"), kOutOfRange);
    ExpectSameNetwork(original, target);
}

// A network may share its identifier with a node, as the XML format reads it: the file's identifier is
// kept. One a submodel holds is numbered, and said.
TEST_F(VrxFormatTest, ANetworkNamedLikeANodeKeepsItsIdentifierAndOneLikeASubmodelIsNumbered) {
    for (const bool submodel : {false, true}) {
        VRX_network net;
        ASSERT_GE(net.AddNode(DefinitionType::kCpt, "A"), 0);
        if (submodel) {
            ASSERT_GE(net.GetSubmodelHandler().CreateSubmodel(kMainSubmodel, "S"), 0);
        }
        ASSERT_EQ(net.GetHeader()->SetId(submodel ? "S" : "A"), 0);
        VRX_network copy;
        ASSERT_EQ(Read(copy, Write(net)), 0) << LogDump();
        EXPECT_GE(copy.FindNode("A"), 0);
        EXPECT_STREQ(copy.GetHeader()->GetId(), submodel ? "S_2" : "A");
        EXPECT_EQ(LoggedMessages(),
                  submodel ? std::vector<std::string>{"(line 5) : ERROR: The network's identifier [S] is a "
                                                      "submodel's too: it is read as [S_2]"}
                           : std::vector<std::string>{});
        errorLog.Flush();
    }
}

TEST_F(VrxFormatTest, LongTextsAreWrittenOverSeveralLinesAndReadBackWhole) {
    VRX_network net;
    const int h = net.AddNode(DefinitionType::kCpt, "A");
    const std::string name = std::string(199, 'x') + "y";
    std::string comment;
    for (int i = 0; comment.size() < 20000; ++i)
        comment += "word" + std::to_string(i) + (i % 7 == 0 ? "  " : " ");
    comment += "\\ \"end\"  ";
    ASSERT_EQ(net.GetNode(h)->GetInfo()->header.SetName(name.c_str()), kSuccess);
    ASSERT_EQ(net.GetNode(h)->GetInfo()->header.SetComment(comment.c_str()), kSuccess);
    const std::string longId = "Id" + std::string(300, 'z');
    const int other = net.AddNode(DefinitionType::kCpt, longId.c_str());
    ASSERT_GE(other, 0);
    ASSERT_EQ(net.AddArc(h, other, 0), 0);
    const std::string text = Write(net);
    // Broken lines end with a blank and the continuation text.
    EXPECT_NE(text.find(" \\ \n"), std::string::npos);
    VRX_network copy;
    ASSERT_EQ(Read(copy, text), 0) << LogDump();
    const VRX_header& header = copy.GetNode(copy.FindNode("A"))->GetInfo()->header;
    EXPECT_EQ(std::string(header.GetName()), name);
    EXPECT_EQ(std::string(header.GetComment()), comment);
    ASSERT_GE(copy.FindNode(longId.c_str()), 0);
    EXPECT_EQ(copy.GetNumberOfParents(copy.FindNode(longId.c_str())), 1);
}

TEST_F(VrxFormatTest, WindowsLineEndsReadTheSame) {
    VRX_network original;
    BuildFullNetwork(original);
    std::string text = Write(original);
    std::string crlf;
    for (const char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    VRX_network copy;
    ASSERT_EQ(Read(copy, crlf, "crlf.vrx"), 0) << LogDump();
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << LogDump();
    ExpectSameNetwork(original, copy);
}

TEST_F(VrxFormatTest, SentinelsAndSignedValuesRoundTrip) {
    VRX_network net;
    const int d = net.AddNode(DefinitionType::kList, "D");
    const int u = net.AddNode(DefinitionType::kTable, "U");
    ASSERT_EQ(net.AddArc(d, u, 0), 0);
    auto& table = static_cast<VRX_table&>(*net.GetNode(u)->GetDefinition());
    ASSERT_EQ(table.SetUtilities(Doubles({kUndefinedValue, -0.00000001})), 0);
    const std::string text = Write(net);
    EXPECT_NE(text.find("UTILITIES = (0.0E-2, -1e-08);"), std::string::npos) << text;
    VRX_network copy;
    ASSERT_EQ(Read(copy, text), 0) << LogDump();
    const VRX_Dmatrix& read =
        static_cast<VRX_table&>(*copy.GetNode(copy.FindNode("U"))->GetDefinition()).GetUtilities();
    EXPECT_EQ(read[0], kUndefinedValue);
    EXPECT_EQ(read[1], -0.00000001);
}

TEST_F(VrxFormatTest, ValuesWithoutDigitsAreReadAsTheyAreWritten) {
    const double inf = std::numeric_limits<double>::infinity();
    VRX_network net;
    const int d = net.AddNode(DefinitionType::kList, "D");
    const int u = net.AddNode(DefinitionType::kTable, "U");
    const int c = net.AddNode(DefinitionType::kCpt, "C");
    ASSERT_EQ(net.AddArc(d, u, 0), 0);
    // The setters refuse what is no finite number: a caller holding the matrices writes it in place.
    const auto writeInPlace = [&net](int h, std::initializer_list<double> values) {
        VRX_Dmatrix* table = nullptr;
        ASSERT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(table), 0);
        int i = 0;
        for (double v : values) (*table)[i++] = v;
    };
    writeInPlace(u, {inf, -inf});
    writeInPlace(c, {std::numeric_limits<double>::quiet_NaN(), 0.5});
    VRX_case* saved = net.AddCase("C1");
    ASSERT_NE(saved, nullptr);
    ASSERT_EQ(saved->AddContEvidence(c, -inf), 0);
    std::string text = Write(net);
    EXPECT_NE(text.find("UTILITIES = (inf, -inf);"), std::string::npos) << text;
    EXPECT_NE(text.find("VALUE = -inf;"), std::string::npos) << text;
    // Table entries that are no numbers are refused naming the node; the other values read as written.
    VRX_network refused;
    EXPECT_EQ(Read(refused, text), kOutOfRange);
    EXPECT_TRUE(LoggedPart("ERROR: Node [U] : entry 0 of its utilities is no finite number (inf)"))
        << LogDump();
    EXPECT_TRUE(LoggedPart("ERROR: Node [C] : entry 0 of its table is no finite number (nan)")) << LogDump();
    errorLog.Flush();
    ASSERT_EQ(static_cast<VRX_table&>(*net.GetNode(u)->GetDefinition()).SetUtilities(Doubles({3, -4})), 0);
    ASSERT_EQ(net.GetNode(c)->GetDefinition()->SetDefinitionDoubles(Doubles({0.5, 0.5})), 0);
    text = Write(net);
    VRX_network copy;
    ASSERT_EQ(Read(copy, text), 0);
    for (const std::string& entry : LoggedMessages())
        EXPECT_EQ(entry.find("(line"), std::string::npos) << entry;
    ASSERT_NE(copy.GetCase(0), nullptr);
    ASSERT_NE(copy.GetCase(0)->GetEntry(0), nullptr);
    EXPECT_EQ(copy.GetCase(0)->GetEntry(0)->value, -inf);
    EXPECT_EQ(Write(copy), text);
}

TEST_F(VrxFormatTest, NumbersDoNotFollowTheProcessLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    bool active = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8", "nl_NL.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            active = true;
            break;
        }
    }
    if (!active) GTEST_SKIP() << "no decimal-comma locale on this machine";
    VRX_network original;
    BuildFullNetwork(original);
    const std::string text = Write(original);
    EXPECT_NE(text.find("PROBABILITIES = (0.2, 0.3, 0.5);"), std::string::npos);
    VRX_network copy;
    const int rc = Read(copy, text);
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_EQ(rc, 0) << LogDump();
    ExpectSameNetwork(original, copy);
}

TEST_F(VrxFormatTest, AKindWithoutStatementsIsRefusedBeforeTheFileIsCreated) {
    VRX_network net;
    const int h = net.AddNode(DefinitionType::kCpt, "Lost");
    ASSERT_EQ(net.GetNode(h)->CreateDefinition(DefinitionType::kNone), 0);
    const std::string path = TempPath("refused.vrx");
    std::remove(path.c_str());
    VRX_vrxSpeaker speaker(&net);
    EXPECT_EQ(speaker.WriteFile(path.c_str()), kOutOfRange);
    EXPECT_TRUE(Logged(kOutOfRange,
                       "ERROR: Node [Lost] : nodes without definition cannot be saved in the vrx format"))
        << LogDump();
    EXPECT_FALSE(FileExists(path));
    std::string text = "untouched";
    EXPECT_EQ(speaker.WriteToText(text), kOutOfRange);
    EXPECT_EQ(text, "untouched");
}

// The file has no slices: every temporal type but the normal one is refused naming its node, as the
// temporal arcs are, rather than read back as a static network.
TEST_F(VrxFormatTest, TemporalTypesAndArcsAreRefusedRatherThanLost) {
    const struct {
        int type;
        bool arc;
        const char* refusal;
    } cases[] = {
        {TemporalType::kNormal, false, nullptr},
        {TemporalType::kAnchor, false,
         "ERROR: Node [X] : its temporal type 1 (anchor) cannot be saved in the vrx format"},
        {TemporalType::kTerminal, false,
         "ERROR: Node [X] : its temporal type 2 (terminal) cannot be saved in the vrx format"},
        {TemporalType::kPlate, false,
         "ERROR: Node [X] : its temporal type 3 (plate) cannot be saved in the vrx format"},
        {TemporalType::kPlate, true, "ERROR: Node [X] : its temporal arcs cannot be saved in the vrx format"},
    };
    for (const auto& c : cases) {
        VRX_network net;
        ASSERT_GE(net.AddNode(DefinitionType::kCpt, "A"), 0);
        const int h = net.AddNode(DefinitionType::kCpt, "X");
        ASSERT_EQ(net.SetTemporalType(h, c.type), kSuccess);
        if (c.arc) {
            ASSERT_EQ(net.AddTemporalArc(h, h, 1), kSuccess);
        }
        VRX_vrxSpeaker speaker(&net);
        std::string text = "untouched";
        errorLog.Flush();
        EXPECT_EQ(speaker.WriteToText(text), c.refusal != nullptr ? kOutOfRange : kSuccess) << c.type;
        EXPECT_EQ(LoggedMessages(),
                  c.refusal != nullptr ? std::vector<std::string>{c.refusal} : std::vector<std::string>{})
            << c.type;
        if (c.refusal != nullptr) {
            EXPECT_EQ(text, "untouched");
        }
    }
}

TEST_F(VrxFormatTest, AnUnwritableFileGivesFileIoFailed) {
    VRX_network net;
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "A"), 0);
    VRX_vrxSpeaker speaker(&net);
    EXPECT_EQ(speaker.WriteFile("/nonexistent-dir/net.vrx"), kFileIoFailed);
}

}  // namespace
