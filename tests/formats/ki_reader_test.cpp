// KI diagnostic networks: a whole file read into nodes, states, diagnostic settings, probabilities and
// a noisy-MAX function; every reported error; counts and indices from the file checked before use.
#include "formats/ki_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "base/status_codes.h"
#include "tests/support/arrays.h"
#include "tests/support/compare.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/temp_file.h"
#include "tests/support/text_reader.h"

namespace {

using namespace vovido::test;

const char kCarFile[] =
    "Diagnostic Network \"Car\"\n"
    "KB\n"
    "{\n"
    " NOTES : \"some notes\";\n"
    " PRECISION : 4;\n"
    " VERSION : 1, 2;\n"
    " NODEFONTSPEC : Arial 10 bold;\n"
    "};\n"
    "Nodes\n"
    "{\n"
    " standard \"  Battery  \"\n"
    " {\n"
    "  TYPE : discrete [2] =\n"
    "  {\n"
    "   standard ok { NAME : \"good\"; ABBREVIATION : \"BatOk\"; APPNAME : \"x\"; };\n"
    "   fault flat { SHORTNAME : \"Flat battery\"; DEFINITION : \"Charge it\"; ABBREVIATION : \"BatFlat\"; "
    "};\n"
    "  };\n"
    "  position = (100, 50);\n"
    "  SIZE : (80, 30);\n"
    "  COST : 2.5;\n"
    "  QUESTION : \"Is the battery charged?\";\n"
    "  DEFINITION : \"The car battery\";\n"
    "  SHORTNAME : \"Bat\";\n"
    "  LONGNAME : \"Battery of the car\";\n"
    "  CATEGORY : 3;\n"
    "  RECOMMENDABLE : 1;\n"
    " }\n"
    " ci Lights\n"
    " {\n"
    "  TYPE : discrete [2] = { standard on { }; standard off { }; };\n"
    "  OBSERVABLE : TRUE;\n"
    "  MANDATORY : false;\n"
    "  RECOMMENDABLE : 1;\n"
    "  MANDATORYVALUE : 1;\n"
    " }\n"
    " standard Starter\n"
    " {\n"
    "  TYPE : discrete [2] = { standard turns { }; standard silent { }; };\n"
    "  MANDATORY : TRUE;\n"
    " }\n"
    "}\n"
    "network\n"
    "{\n"
    " standard \"  Battery  \" parent ( ) { PROB : { 0.9, 0.1; }; }\n"
    " ci Lights parent (\"  Battery  \")\n"
    " {\n"
    "  FUNCTION : noisy max of the parents;\n"
    "  0.98, 0.02;\n"
    "  (0) ; 1.0, 0.0;\n"
    "  (0 1) ; 0.1, 0.9;\n"
    "  end of rows;\n"
    "  predAbsentStates : { predIndex : 0 ; predAbsentStates : { 0, 1 } ; };\n"
    " }\n"
    " standard Starter parent (\"  Battery  \")\n"
    " {\n"
    "  PARTITIONS : anything { at all };\n"
    "  PROB : { 0.95, 0.05; 0.1234567, 0.8765433; };\n"
    " }\n"
    "}\n";

class KiReaderTest : public TextReaderTest<VRX_kiSpeaker> {
protected:
    int Read(const std::string& text) { return ReadFileNamed("network.dxp", text); }

    VRX_node& Node(const char* id) {
        const int h = net.FindNode(id);
        EXPECT_GE(h, 0) << id;
        return *net.GetNode(h);
    }
};

TEST_F(KiReaderTest, ReadsACarNetwork) {
    ASSERT_EQ(Read(kCarFile), 0) << LogDump();
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << LogDump();
    EXPECT_STREQ(net.GetHeader()->GetName(), "Car");
    EXPECT_STREQ(net.GetHeader()->GetId(), "Car");
    // The comment is the value of the last kb field.
    EXPECT_STREQ(net.GetHeader()->GetComment(), "Arial");
    ASSERT_EQ(net.GetNumberOfNodes(), 3);

    VRX_node& battery = Node("Battery");
    EXPECT_EQ(battery.GetType(), DefinitionType::kCpt);
    EXPECT_STREQ(battery.GetInfo()->header.GetName(), "Battery");
    EXPECT_STREQ(battery.GetInfo()->header.GetComment(), "The car battery");
    const VRX_rectangle& position = battery.GetInfo()->screenInfo.position;
    EXPECT_EQ(position.centerX, 100);
    EXPECT_EQ(position.centerY, 50);
    EXPECT_EQ(position.width, 80);
    EXPECT_EQ(position.height, 30);
    EXPECT_EQ((*battery.GetCost()->GetCosts())[0], 2.5);
    const VRX_userProperties& properties = battery.GetInfo()->userProperties;
    EXPECT_STREQ(properties.GetPropertyValue(properties.FindProperty("KI_SHORTNAME")), "Bat");
    EXPECT_STREQ(properties.GetPropertyValue(properties.FindProperty("KI_LONGNAME")), "Battery of the car");
    EXPECT_STREQ((*battery.GetDefinition()->GetOutcomesNames())[0], "good");
    EXPECT_STREQ((*battery.GetDefinition()->GetOutcomesNames())[1], "flat");
    VRX_extraDefinition& extra = *battery.GetExtraDefinition();
    EXPECT_EQ(extra.IsFaultOutcome(0), 0);
    EXPECT_EQ(extra.IsFaultOutcome(1), 1);
    EXPECT_STREQ((*extra.GetOutcomeLabels())[0], "BatOk");
    EXPECT_STREQ((*extra.GetOutcomeLabels())[1], "BatFlat");
    EXPECT_STREQ((*extra.GetFaultNames())[1], "Flat battery");
    EXPECT_STREQ(extra.GetOutcomeFix(1), "Charge it");
    EXPECT_STREQ(extra.GetQuestion(), "Is the battery charged?");
    // A fault outcome and neither observable nor mandatory: a target.
    EXPECT_EQ(extra.diagType, DiagnosisType::kTarget);
    EXPECT_EQ(extra.ranked, 1);
    EXPECT_EQ(extra.setAsDefault, 0);
    VRX_Dmatrix* table = nullptr;
    ASSERT_EQ(battery.GetDefinition()->GetDefinition(table), 0);
    EXPECT_EQ((*table)[0], 0.9);
    EXPECT_EQ((*table)[1], 0.1);

    VRX_node& lights = Node("Lights");
    ASSERT_EQ(lights.GetType(), DefinitionType::kNoisyMax);
    auto& noisyMax = static_cast<VRX_noisyMAX&>(*lights.GetDefinition());
    // Outcomes reversed; the absent state's row moved last in the parent's strength order.
    EXPECT_STREQ((*noisyMax.GetOutcomesNames())[0], "off");
    EXPECT_STREQ((*noisyMax.GetOutcomesNames())[1], "on");
    const VRX_intArray& strengths = noisyMax.GetParentOutcomeStrengths()[0];
    EXPECT_EQ(strengths[0], 1);
    EXPECT_EQ(strengths[1], 0);
    const double weights[] = {0.9, 0.1, 0.0, 1.0, 0.02, 0.98};
    const VRX_Dmatrix& ci = *noisyMax.GetCiWeights();
    ASSERT_EQ(ci.GetNumberOfElements(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(ci[i], weights[i], 1e-12) << i;
    VRX_extraDefinition& lightsExtra = *lights.GetExtraDefinition();
    EXPECT_EQ(lightsExtra.diagType, DiagnosisType::kObservation);
    EXPECT_EQ(lightsExtra.ranked, 1);
    // Default outcome 1 ("off") follows the reversal.
    EXPECT_EQ(lightsExtra.GetDefaultOutcome(), 0);

    VRX_node& starter = Node("Starter");
    EXPECT_EQ(starter.GetExtraDefinition()->diagType, DiagnosisType::kObservation);
    EXPECT_EQ(starter.GetExtraDefinition()->ranked, 0);
    EXPECT_EQ(starter.GetExtraDefinition()->mandatory, 0);
    EXPECT_EQ(starter.GetExtraDefinition()->setAsDefault, 1);
    ASSERT_EQ(starter.GetDefinition()->GetDefinition(table), 0);
    // Probabilities keep five decimals.
    EXPECT_EQ((*table)[2], 0.12346);
    EXPECT_EQ((*table)[3], 0.87654);
    EXPECT_EQ(net.GetNumberOfParents(net.FindNode("Starter")), 1);
}

TEST_F(KiReaderTest, ReportsBadNodesAndStates) {
    ASSERT_EQ(ReadKeepingPart(
                  "diagnostic network \"bad name\"\n"
                  "kb { COLOUR : 1; };\n"
                  "nodes\n"
                  "{\n"
                  " standard A\n"
                  " {\n"
                  "  WEIGHT : 5;\n"
                  "  TYPE : discrete [3] = { standard a0 { }; standard a1 { }; };\n"
                  " }\n"
                  " standard B\n"
                  " {\n"
                  "  TYPE : discrete [3] = { standard b0 { ABBREVIATION : \"L\"; FOO : 1; };\n"
                  "                          weird b1 { }; fault b2 { }; };\n"
                  " }\n"
                  " standard C { TYPE : discrete [2] = { standard c0 { ABBREVIATION : \"L\"; }; fault c1 { "
                  "}; }; }\n"
                  " other D { NAME : \"d\"; }\n"
                  " standard E { NAME : \"e\"; }\n"
                  "}\n"
                  "network { }\n"),
              kOutOfRange);
    EXPECT_STREQ(net.GetHeader()->GetId(), "bad_name");
    ExpectLogged(kSyntaxError, 2, "ERROR: 'COLOUR' : Unknown Kb Field");
    ExpectLogged(kSyntaxError, 7, "ERROR: 'WEIGHT' : Unknown Node Statement");
    ExpectLogged(kOutOfRange, 8,
                 "ERROR: Node [A] : Wrong number of outcomes: 3 declared, 2 state blocks given");
    ExpectLogged(kSyntaxError, 12, "ERROR: 'FOO' : Unknown State Field of node [B]");
    ExpectLogged(kSyntaxError, 13, "ERROR: 'weird' : Unknown State Type");
    ExpectLogged(kOutOfRange, 15, "ERROR: 'L' : Fault label is not unique.");
    ExpectLogged(kSyntaxError, 16, "ERROR: 'other' : Unknown Node Block");
    // A's outcomes are left as they were when the count does not fit.
    EXPECT_EQ(Node("A").GetDefinition()->GetNumberOfOutcomes(), 2);
    EXPECT_STREQ((*Node("B").GetDefinition()->GetOutcomesNames())[1], "b1");
    EXPECT_EQ(Node("B").GetExtraDefinition()->IsFaultOutcome(1), 0);
    EXPECT_EQ(Node("B").GetExtraDefinition()->IsFaultOutcome(2), 1);
    EXPECT_STREQ((*Node("C").GetExtraDefinition()->GetOutcomeLabels())[0], "");
    EXPECT_GE(net.FindNode("E"), 0);
    EXPECT_EQ(net.FindNode("D"), kOutOfRange);
}

TEST_F(KiReaderTest, AnInvalidStateNameIsReported) {
    ASSERT_EQ(
        ReadKeepingPart("diagnostic network \"n\"\n"
                        "kb { };\n"
                        "nodes\n"
                        "{\n"
                        " standard B\n"
                        " {\n"
                        "  TYPE : discrete [2] = { standard b0 { NAME : \"bad name\"; }; fault b1 { NAME : "
                        "\"b_1\"; }; };\n"
                        " }\n"
                        "}\n"
                        "network { }\n"),
        kOutOfRange);
    ExpectLogged(kOutOfRange, 7, "ERROR: 'bad name' : Invalid state name");
    EXPECT_STREQ((*Node("B").GetDefinition()->GetOutcomesNames())[0], "b0");
    EXPECT_STREQ((*Node("B").GetDefinition()->GetOutcomesNames())[1], "b_1");
}

TEST_F(KiReaderTest, ReportsBadArcsAndDefinitions) {
    ASSERT_EQ(
        ReadKeepingPart("diagnostic network \"n\"\n"
                        "kb { };\n"
                        "nodes\n"
                        "{\n"
                        " standard A { TYPE : discrete [2] = { standard a0 { }; standard a1 { }; }; }\n"
                        " standard B { TYPE : discrete [2] = { standard b0 { }; standard b1 { }; }; }\n"
                        " ci M { TYPE : discrete [2] = { standard m0 { }; standard m1 { }; }; }\n"
                        "}\n"
                        "network\n"
                        "{\n"
                        " standard Ghost parent () { PROB : { 0.5, 0.5; }; }\n"
                        " standard B parent (A, Nobody)\n"
                        " {\n"
                        "  BOGUS : 1;\n"
                        "  LEAK : 1;\n"
                        "  PROB : { 0.2, 0.3, 0.5; 0.4, 0.6; };\n"
                        "  PROB : { 0.2, 0.8; };\n"
                        "  PROB : { 0.2, 0.8; 0.7, 0.3; };\n"
                        " }\n"
                        " ci M parent (A)\n"
                        " {\n"
                        "  PROB : { 0.5, 0.5; };\n"
                        "  FUNCTION : max; 0.9, 0.1; (5) ; 0.5, 0.5; x; predAbsentStates : { };\n"
                        "  FUNCTION : max; 0.9, 0.1; (0) ; 0.5, 0.5; (0) ; 1, 0; x; predAbsentStates : { };\n"
                        "  FUNCTION : max; 0.9, 0.1; (0) ; 0.5, 0.5; (0) ; 1, 0; x;\n"
                        "     predAbsentStates : { predIndex : 0; predAbsentStates : { 7 }; };\n"
                        "  FUNCTION : max; 0.9, 0.1; (0) ; 0.5, 0.5, 0; (0) ; 1, 0; x;\n"
                        "     predAbsentStates : { predIndex : 0; predAbsentStates : { 0 }; };\n"
                        "  FUNCTION : max; 0.9, 0.1; (0) ; 0.5, 0.5; (0 9) ; 1, 0; x;\n"
                        "     predAbsentStates : { predIndex : 0; predAbsentStates : { 0 }; };\n"
                        "  FUNCTION : max; 0.9, 0.1; (0) ; 0.5, 0.5; (0 1) ; 1, 0; x;\n"
                        "     predAbsentStates : { predIndex : 7; predAbsentStates : { 0 }; };\n"
                        " }\n"
                        "}\n"),
        kOutOfRange);
    ExpectLogged(kOutOfRange, 11, "ERROR: Couldn't Find Node (\"Ghost\")");
    ExpectLogged(kOutOfRange, 12,
                 "ERROR: Couldn't add arc from node [Nobody] to node [B]: no node has that identifier");
    ExpectLogged(kSyntaxError, 14, "ERROR: 'BOGUS' : Unknown Node Definition Statement");
    ExpectLogged(kSyntaxError, 15, "ERROR: 'LEAK' : Unknown Node Definition Field");
    ExpectLogged(kOutOfRange, 16, "ERROR: Node [B] : 5 numbers read, 4 needed");
    ExpectLogged(kOutOfRange, 17, "ERROR: Node [B] : 2 numbers read, 4 needed");
    ExpectLogged(kSyntaxError, 22, "ERROR: 'PROB' : Unknown Node Definition Field");
    ExpectLogged(kOutOfRange, 23, "ERROR: Parent index 5 out of range");
    ExpectLogged(kOutOfRange, 24, "ERROR: Wrong number of absent states");
    ExpectLogged(kOutOfRange, 26, "ERROR: Absent state 7 out of range for parent 0");
    ExpectLogged(kOutOfRange, 28, "ERROR: Wrong number of Probabilities");
    ExpectLogged(kOutOfRange, 29,
                 "ERROR: '(0 9)' : the rows of parent 0 follow its states: row 1 is that of state 1, not 9");
    ExpectLogged(
        kOutOfRange, 32,
        "ERROR: 'predIndex : 7' : predAbsentStates entry 0 gives the absent state of parent 0, not of "
        "parent 7");
    VRX_Dmatrix* table = nullptr;
    ASSERT_EQ(Node("B").GetDefinition()->GetDefinition(table), 0);
    EXPECT_EQ((*table)[0], 0.2);
    EXPECT_EQ((*table)[2], 0.7);
    // None of the refused functions changed M: outcomes in their first order.
    EXPECT_STREQ((*Node("M").GetDefinition()->GetOutcomesNames())[0], "m0");
}

TEST_F(KiReaderTest, AMissingHeadFailsAndKeepsTheNetwork) {
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "Mine"), 0);
    EXPECT_EQ(Read("diagnostic \"Car\"\nkb { };\n"), kSyntaxError);
    ExpectLogged(kSyntaxError, 1, "ERROR: 'Car' : 'network' expected");
    EXPECT_EQ(Read("diagnostic network \"Car\"\nkb { };\nnetwork { }\n"), kSyntaxError);
    ExpectLogged(kSyntaxError, 3, "ERROR: 'network' : 'nodes' expected");
    const std::string text(kCarFile);
    EXPECT_EQ(Read(text.substr(0, text.size() - 3)), kUnexpectedEndOfFile);
    ASSERT_EQ(net.GetNumberOfNodes(), 1);
    EXPECT_GE(net.FindNode("Mine"), 0);
}

TEST_F(KiReaderTest, EveryCutOfAFileFailsOrReadsWithoutCrashing) {
    const std::string text(kCarFile);
    for (size_t cut = 0; cut < text.size(); cut += 7) {
        errorLog.Flush();
        VRX_network fresh;
        const int rc = fresh.ReadFile(WriteTextFile("cut.dxp", text.substr(0, cut)).c_str());
        if (rc != 0) {
            EXPECT_EQ(fresh.GetNumberOfNodes(), 0) << cut;
        }
    }
}

TEST_F(KiReaderTest, KiFilesAreNotWritten) {
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "A"), 0);
    const std::string path = TempPath("out.dxp");
    std::remove(path.c_str());
    EXPECT_EQ(net.WriteFile(path.c_str()), kOutOfRange);
    EXPECT_TRUE(Logged(kOutOfRange, "Writing to KI file format not supported."));
    EXPECT_FALSE(FileExists(path));
}

}  // namespace
