// Equation nodes in the XML network format: what the saver writes, what the loader refuses, and equations
// whose numbers survive any number of round trips.
#include <gtest/gtest.h>

#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/saved_case.h"
#include "tests/support/equation_networks.h"
#include "tests/support/error_log.h"
#include "tests/support/expression_trees.h"
#include "tests/support/xml_test_files.h"
#include "xml/xml_network.h"

namespace {

using namespace vovido::test;

std::string Doc(const std::string& nodes) {
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<tarvo version=\"1.0\" id=\"net\">\n<nodes>\n" +
           nodes + "</nodes>\n</tarvo>\n";
}

class XmlEquationTest : public vovido::test::FreshLogTest<> {
protected:
    std::string Save(VRX_network& net) {
        EXPECT_TRUE(SaveXmlNetwork(file.c_str(), &net, vovido::NoXmlWriterExtension()));
        return file.Read();
    }
    void ExpectLoadError(const std::string& nodes, const std::string& message) {
        file.Write(Doc(nodes));
        errorLog.Flush();
        VRX_network net;
        EXPECT_FALSE(LoadXmlNetwork(file.c_str(), &net, vovido::NoXmlExtensionBinding())) << nodes;
        EXPECT_EQ(FirstLoadError(file), message) << nodes;
    }

    TempFile file;
};

TEST_F(XmlEquationTest, SavedElements) {
    VRX_network net;
    const int a = AddEquation(net, "a", "a = 2");
    const int x = AddEquation(net, "x", "x = (a < 3 ? a : -a)");
    ASSERT_GE(x, 0);
    EquationOf(net, x).SetBounds(-4.0, 0.1);
    ASSERT_EQ(EquationOf(net, x).SetDiscIntervals({{"neg", 0.0}, {"pos", 1.0}}), kSuccess);
    ASSERT_GE(AddComponentNode(net, "y", {"a"}, {"z", "w"}, "y = a - z"), 0);
    ASSERT_EQ(net.AddCase("c")->AddContEvidence(a, 0.30000000000000004), kSuccess);
    const std::string text = Save(net);
    EXPECT_NE(text.find("<equation id=\"a\">\n\t\t\t<definition>a=2</definition>\n\t\t</equation>"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("<definition lower=\"-4\" upper=\"0.1\">x=(a&lt;3 ? a : -a)</definition>"),
              std::string::npos);
    EXPECT_NE(text.find("<discretization>\n\t\t\t\t<interval id=\"neg\" upper=\"0\" />\n\t\t\t\t"
                        "<interval id=\"pos\" upper=\"0.1\" />\n\t\t\t</discretization>"),
              std::string::npos);
    EXPECT_NE(
        text.find("<equationscc id=\"y\">\n\t\t\t<parents>a</parents>\n\t\t\t<members>w z</members>\n\t\t\t"
                  "<definition>y=a-z</definition>"),
        std::string::npos);
    EXPECT_NE(text.find("<evidence node=\"a\" state=\"0.30000000000000004\" />"), std::string::npos);

    VRX_network back;
    ASSERT_TRUE(LoadXmlNetwork(file.c_str(), &back, vovido::NoXmlExtensionBinding()));
    const int bx = back.FindNode("x");
    EXPECT_EQ(TextOf(back, bx), TextOf(net, x));
    EXPECT_EQ(EquationOf(back, bx).GetLowerBound(), -4.0);
    EXPECT_EQ(EquationOf(back, bx).GetUpperBound(), 0.1);
    ASSERT_EQ(EquationOf(back, bx).GetIntervals().size(), 2u);
    EXPECT_EQ(EquationOf(back, bx).GetIntervals()[0].id, "neg");
    EXPECT_EQ(ComponentOf(back, back.FindNode("y")).GetMembers(),
              ComponentOf(net, net.FindNode("y")).GetMembers());
    int h = -1;
    double observed = 0.0;
    ASSERT_EQ(back.GetCase(0)->GetContEvidence(0, h, observed), kSuccess);
    EXPECT_EQ(observed, 0.30000000000000004);
}

TEST_F(XmlEquationTest, EquationNamingANodeThatIsNoParentIsNotSaved) {
    VRX_network net;
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "c"), 0);
    // The arc from the discrete node is refused; the text keeps its name, which a load would not find in
    // time.
    ASSERT_GE(AddEquation(net, "e", "e = c + 1"), 0);
    errorLog.Flush();
    EXPECT_FALSE(SaveXmlNetwork(file.c_str(), &net, vovido::NoXmlWriterExtension()));
    EXPECT_STREQ(errorLog.GetMessage(0),
                 "Can't save node 'e': its equation names 'c', which is not one of its parents");
    EXPECT_FALSE(file.Exists());
}

TEST_F(XmlEquationTest, NumbersSurviveAnyNumberOfRoundTrips) {
    VRX_network net;
    ASSERT_GE(AddEquation(net, "a", "a = 1/3"), 0);
    const int x = AddEquation(net, "x",
                              "x = 0.1 + 0.30000000000000004*a - 1e-300 + 123456789.12345679 + 5e-324 + "
                              "2.2250738585072014e-308*a^1.7976931348623157e308");
    ASSERT_GE(x, 0);
    EquationOf(net, x).SetBounds(1.0 / 3.0, 0.1 + 0.2);
    const std::string saved = Save(net);
    for (int round = 0; round < 5; ++round) {
        VRX_network current;
        ASSERT_TRUE(LoadXmlNetwork(file.c_str(), &current, vovido::NoXmlExtensionBinding()));
        const int h = current.FindNode("x");
        ASSERT_TRUE(
            SameTree(*EquationOf(current, h).GetEquation().right, *EquationOf(net, x).GetEquation().right))
            << round;
        EXPECT_EQ(EquationOf(current, h).GetLowerBound(), 1.0 / 3.0);
        EXPECT_EQ(EquationOf(current, h).GetUpperBound(), 0.1 + 0.2);
        EXPECT_EQ(Save(current), saved) << round;
    }
}

TEST_F(XmlEquationTest, LoaderMessages) {
    const std::string a = "<equation id=\"a\"><definition>a=1</definition></equation>\n";
    ExpectLoadError("<equation id=\"e\"><definition>e=q</definition></equation>",
                    "SetEquation failed: 'Unknown node identifier: q'");
    ExpectLoadError("<equation id=\"e\"><definition>e+1</definition></equation>",
                    "SetEquation failed: 'Toplevel '=' sign missing in equation'");
    ExpectLoadError("<equation id=\"e\"><definition>e=Sum(1)</definition></equation>",
                    "Invalid expression: Too few parameters in vararg function call");
    // A number in an equation follows the rule of the numbers of the file.
    ExpectLoadError("<equation id=\"e\"><definition>e=0x10</definition></equation>",
                    "Invalid expression: Hexadecimal number not allowed: 0x10");
    ExpectLoadError("<equation id=\"e\"><definition>e=1e400</definition></equation>",
                    "Invalid expression: Number beyond the doubles: 1e400");
    ExpectLoadError(
        "<equation id=\"e\"><definition>e=1</definition><discretization><interval id=\"lo\" "
        "upper=\"0\" /></discretization></equation>",
        "SetDiscIntervals failed: ''");
    ExpectLoadError(
        "<cpt id=\"c\"><state id=\"s\"/><state id=\"t\"/><probabilities>0.5 0.5</probabilities></cpt>"
        "<equation id=\"e\"><parents>c</parents><definition>e=1</definition></equation>",
        "AddArc failed");
    ExpectLoadError(
        a + "<equationscc id=\"y\"><members>y</members><definition>y=1</definition></equationscc>",
        "SetMembers failed");
    ExpectLoadError(
        a + "<equationscc id=\"y\"><definition>y=a</definition></equationscc>",
        "SetEquation failed: 'Equation contains a variable (a) which is not ID of this node, one of "
        "its parents, or one of its scc varaibles.'");
    ExpectLoadError("<equation id=\"e\"></equation>", "SetEquation failed: 'Equation cannot be empty.'");
}

TEST_F(XmlEquationTest, LoadedNetworkUpdates) {
    file.Write(
        Doc("<equation id=\"a\"><definition lower=\"0\" upper=\"10\">a=4</definition></equation>\n"
            "<equation id=\"b\"><parents>a</parents><definition>2*b=a</definition></equation>\n"
            "<equationscc id=\"y\"><parents>b</parents><members>z</members>"
            "<definition>y=b-z</definition></equationscc>\n"
            "<equationscc id=\"z\"><members>y</members><definition>z=y/3</definition></equationscc>\n"));
    VRX_network net;
    ASSERT_TRUE(LoadXmlNetwork(file.c_str(), &net, vovido::NoXmlExtensionBinding()));
    ASSERT_EQ(net.UpdateBeliefs(), kSuccess);
    EXPECT_EQ(ValueOf(net, net.FindNode("b")).GetMean(), 2.0);
    EXPECT_NEAR(ValueOf(net, net.FindNode("y")).GetMean(), 1.5, 1e-14);
    EXPECT_NEAR(ValueOf(net, net.FindNode("z")).GetMean(), 0.5, 1e-14);
}

}  // namespace
