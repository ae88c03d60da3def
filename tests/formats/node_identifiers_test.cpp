// Node identifiers every reader makes of its file's texts: a text that is an identifier keeps it, also
// where a rewritten text came first; a rewritten one takes an identifier no node holds, with a warning
// naming both texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/error_log.h"
#include "tests/support/format_round_trip.h"

namespace {

using namespace vovido::test;

class NodeIdentifiersTest : public FreshLogTest<> {};

struct IdCase {
    const char* extension;
    std::string text;
    // Identifier and outcome count of each node.
    std::vector<std::pair<std::string, int>> nodes;
    std::vector<std::string> warnings;
};

std::string Bif(const std::string& variables) {
    return "<?xml version=\"1.0\"?>\n<BIF VERSION=\"0.3\">\n<NETWORK>\n<NAME>n</NAME>\n" + variables +
           "</NETWORK>\n</BIF>\n";
}

std::string KiNode(const std::string& name, int outcomes) {
    std::string states;
    for (int i = 0; i < outcomes; ++i) states += " standard s" + std::to_string(i) + " { };";
    return " standard \"" + name + "\" { TYPE : discrete [" + std::to_string(outcomes) + "] = {" + states +
           " }; }\n";
}

TEST_F(NodeIdentifiersTest, AValidIdentifierKeepsItAndARewrittenOneIsWarnedAbout) {
    const std::vector<IdCase> cases = {
        {"xml03",
         Bif("<VARIABLE><NAME>a-b</NAME><OUTCOME>p</OUTCOME><OUTCOME>q</OUTCOME></VARIABLE>\n"
             "<VARIABLE><NAME>a_b</NAME><OUTCOME>r</OUTCOME><OUTCOME>s</OUTCOME><OUTCOME>t</OUTCOME></"
             "VARIABLE>\n"
             "<VARIABLE><NAME>1</NAME><OUTCOME>p</OUTCOME><OUTCOME>q</OUTCOME></VARIABLE>\n"
             "<VARIABLE><NAME>x1</NAME><OUTCOME>r</OUTCOME><OUTCOME>s</OUTCOME><OUTCOME>t</OUTCOME></"
             "VARIABLE>\n"
             "<VARIABLE><NAME></NAME><OUTCOME>p</OUTCOME><OUTCOME>q</OUTCOME></VARIABLE>\n"),
         {{"a_b", 3}, {"a_b_2", 2}, {"x1", 3}, {"x1_2", 2}, {"x", 2}},
         // Several renames: one entry, counted.
         {"node texts were rewritten as identifiers for 3 nodes, e.g. \"a-b\" renamed \"a_b_2\" (line 5), "
          "\"1\" renamed \"x1_2\" (line 7), \"\" renamed \"x\" (line 9)"}},
        {"erg",
         "3\n2\t3\t2\n0\n0\n0\n/* Names */\na-b\na_b\na_b\n/* Labels */\np q\nr s t\nu v\n",
         {{"a_b", 3}, {"a_b_2", 2}, {"a_b_3", 2}},
         {"(line 9) : ERROR: [a_b] Duplicated Identifier",
          "node texts were rewritten as identifiers for 2 nodes, e.g. \"a-b\" renamed \"a_b_2\" (line 7), "
          "\"a_b\" renamed \"a_b_3\" (line 9)"}},
        {"dxp",
         "diagnostic network \"n\"\nkb { };\nnodes\n{\n" + KiNode("a-b", 2) + KiNode("a_b", 3) +
             "}\nnetwork\n{\n standard \"a-b\" parent () { PROB : { 0.5, 0.5; }; }\n"
             " standard a_b parent () { PROB : { 0.2, 0.3, 0.5; }; }\n}\n",
         {{"a_b", 3}, {"a_b_2", 2}},
         {"(line 5) : ERROR: Node identifier \"a-b\" renamed \"a_b_2\""}},
    };
    for (const IdCase& c : cases) {
        SCOPED_TRACE(c.extension);
        errorLog.Flush();
        VRX_network net;
        ASSERT_EQ(ReadAsFile(net, c.text, c.extension), kSuccess) << LogDump();
        ASSERT_EQ(net.GetNumberOfNodes(), static_cast<int>(c.nodes.size()));
        for (const auto& [id, outcomes] : c.nodes) {
            const int handle = net.FindNode(id.c_str());
            ASSERT_GE(handle, 0) << id;
            EXPECT_EQ(static_cast<int>(OutcomesOf(net, handle).size()), outcomes) << id;
        }
        std::vector<std::string> warnings;
        for (const std::string& message : LoggedMessages()) {
            if (message.find("dentifier") != std::string::npos) warnings.push_back(message);
        }
        EXPECT_EQ(warnings, c.warnings);
    }
}

// The own XML format writes identifiers as they are: another text is refused, not repaired.
TEST_F(NodeIdentifiersTest, TheOwnXmlFormatRefusesATextThatIsNoIdentifier) {
    VRX_network net;
    const std::string text =
        "<?xml version=\"1.0\"?>\n<tarvo version=\"1.0\" id=\"n\">\n<nodes>\n"
        "<cpt id=\"a-b\"><state id=\"p\"/><state id=\"q\"/>"
        "<probabilities>0.5 0.5</probabilities></cpt>\n</nodes>\n</tarvo>\n";
    EXPECT_NE(ReadAsFile(net, text, "xvrx"), kSuccess);
    EXPECT_TRUE(LoggedPart("Node identifier not in identifier form: 'a-b'")) << LogDump();
    EXPECT_EQ(net.GetNumberOfNodes(), 0);
}

}  // namespace
