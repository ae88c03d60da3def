// The XML network format: a network with every discrete node kind and all its descriptive data saved and
// loaded back unchanged, the loader's messages on broken files, and the saver's refusals and failures.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/cast.h"
#include "definitions/cpt.h"
#include "definitions/decision_list.h"
#include "definitions/demorgan.h"
#include "definitions/node_cost.h"
#include "definitions/noisy_adder.h"
#include "definitions/noisy_max.h"
#include "definitions/truth_table.h"
#include "definitions/utility_table.h"
#include "formats/xvrx_speaker.h"
#include "model/algorithm_settings.h"
#include "model/extra_definition.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_entry.h"
#include "model/node_info.h"
#include "model/saved_case.h"
#include "model/submodel.h"
#include "model/temporal_extension.h"
#include "tests/support/arrays.h"
#include "tests/support/error_log.h"
#include "tests/support/xml_test_files.h"
#include "xml/xml_network.h"

using vovido::NoXmlExtensionBinding;
using vovido::NoXmlWriterExtension;

namespace {

using namespace vovido::test;

using vovido::test::CountOf;
using vovido::test::FirstLoadError;
using vovido::test::TempFile;

// A document holding the given content inside the root element.
std::string Doc(const std::string& content) {
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<tarvo version=\"1.0\" id=\"net\">\n" + content +
           "</tarvo>\n";
}

// Two nodes a (low, mid, high) and b (yes, no) shared by many message tests.
const std::string kTwoRoots =
    "<cpt id=\"a\"><state id=\"low\"/><state id=\"mid\"/><state id=\"high\"/>"
    "<probabilities>0.2 0.3 0.5</probabilities></cpt>\n"
    "<cpt id=\"b\"><state id=\"yes\"/><state id=\"no\"/><probabilities>0.6 0.4</probabilities></cpt>\n";

class XmlNetworkTest : public vovido::test::FreshLogTest<> {
protected:
    bool Load(const std::string& text, VRX_network& net) {
        file.Write(text);
        errorLog.Flush();
        return LoadXmlNetwork(file.c_str(), &net, nullptr);
    }
    // The load fails with exactly this message.
    void ExpectLoadError(const std::string& text, const std::string& message) {
        VRX_network net;
        EXPECT_FALSE(Load(text, net));
        EXPECT_EQ(FirstLoadError(file), message);
    }
    void ExpectNodesError(const std::string& nodes, const std::string& message) {
        ExpectLoadError(Doc("<nodes>\n" + nodes + "</nodes>\n"), message);
    }

    TempFile file;
};

VRX_nodeDefinition* Definition(VRX_network& net, const char* id) {
    return net.GetNode(net.FindNode(id))->GetDefinition();
}

// ---------------------------------------------------------------------------------------------------
// A network with every discrete kind, all descriptive data, costs, cases and a full diagram

struct FullNetwork {
    VRX_network net;
    VRX_temporalExtension plate{&net};

    int Add(int type, const char* id, const std::vector<const char*>& outcomes = {}) {
        const int h = net.AddNode(type, id);
        EXPECT_GE(h, 0) << id;
        if (!outcomes.empty()) {
            EXPECT_EQ(net.GetNode(h)->GetDefinition()->SetOutcomes(Strings(outcomes)), kSuccess);
        }
        return h;
    }
    VRX_extraDefinition& Extra(int h) { return *net.GetNode(h)->GetExtraDefinition(); }
    VRX_nodeInfo& Info(int h) { return *net.GetNode(h)->GetInfo(); }

    FullNetwork() {
        EXPECT_EQ(net.GetHeader()->SetId("Full"), kSuccess);
        EXPECT_EQ(net.GetHeader()->SetName("Full <network> & \"friends\""), kSuccess);
        EXPECT_EQ(net.GetHeader()->SetComment("First line\r\nSecond\tline \\ end"), kSuccess);
        net.numSamples = 1234;
        net.SetDiscSamples(4321);
        net.SetDiscAvoidZero(false);
        net.faultNameFormat = FaultNameFormat::kState;
        VRX_episParams epis;
        epis.proplen = 7;
        epis.eps4 = 1e-7;
        EXPECT_EQ(net.SetEpisParams(epis), kSuccess);
        EXPECT_EQ(net.userProperties.AddProperty("author", "me\tand\nyou \\ them"), kSuccess);
        EXPECT_EQ(net.userProperties.AddProperty("empty", ""), kSuccess);

        // Parents are created before their children, so both networks list the nodes in one order.
        const int a = Add(DefinitionType::kCpt, "a", {"low", "mid", "high"});
        const int b = Add(DefinitionType::kCpt, "b", {"yes", "no"});
        const int det = Add(DefinitionType::kTruthTable, "det", {"on", "off"});
        const int choice = Add(DefinitionType::kList, "choice", {"go", "stay"});
        const int payoff = Add(DefinitionType::kTable, "payoff");
        const int c1 = Add(DefinitionType::kCast, "c1");
        const int c2 = Add(DefinitionType::kCast, "c2");
        const int d1 = Add(DefinitionType::kDeMorgan, "d1");
        const int d2 = Add(DefinitionType::kDeMorgan, "d2");
        const int nmax = Add(DefinitionType::kNoisyMax, "nmax", {"none", "mild", "severe"});
        const int nadd = Add(DefinitionType::kNoisyAdder, "nadd", {"ok", "bad"});
        const int lone = Add(DefinitionType::kCpt, "lone", {"s0", "s1"});
        const int anchor = Add(DefinitionType::kCpt, "anchor", {"t", "f"});

        EXPECT_EQ(net.GetNode(a)->GetDefinition()->SetDefinitionDoubles(Doubles({0.125, 0.375, 0.5})),
                  kSuccess);
        EXPECT_EQ(net.AddArc(a, det), kSuccess);
        EXPECT_EQ(dynamic_cast<VRX_truthTable*>(Definition(net, "det"))->SetResultingStates(Ints({1, 0, 1})),
                  kSuccess);
        EXPECT_EQ(net.AddArc(b, choice), kSuccess);
        EXPECT_EQ(net.AddArc(a, payoff), kSuccess);
        EXPECT_EQ(net.AddArc(choice, payoff), kSuccess);
        EXPECT_EQ(dynamic_cast<VRX_table*>(Definition(net, "payoff"))
                      ->SetUtilities(Doubles({1, -2.5, 3, 4, 1e300, -0.1})),
                  kSuccess);

        EXPECT_EQ(dynamic_cast<VRX_cast*>(Definition(net, "c1"))->SetBaseline(0.7), kSuccess);
        EXPECT_EQ(net.AddArc(c1, c2), kSuccess);
        auto* cast = dynamic_cast<VRX_cast*>(Definition(net, "c2"));
        EXPECT_EQ(cast->SetPositiveWeights(Doubles({0.5})), kSuccess);
        EXPECT_EQ(cast->SetNegativeWeights(Doubles({-0.25})), kSuccess);
        EXPECT_EQ(cast->SetBaseline(0.1), kSuccess);

        EXPECT_EQ(dynamic_cast<VRX_demorgan*>(Definition(net, "d1"))->SetPriorBelief(0.3), kSuccess);
        EXPECT_EQ(net.AddArc(d1, d2), kSuccess);
        auto* demorgan = dynamic_cast<VRX_demorgan*>(Definition(net, "d2"));
        EXPECT_EQ(demorgan->SetParentTypes(Ints({DemorganParentType::kBarrier})), kSuccess);
        EXPECT_EQ(demorgan->SetParentWeights(Doubles({0.4})), kSuccess);
        EXPECT_EQ(demorgan->SetPriorBelief(0.2), kSuccess);

        // Noisy-MAX over b: b's strength order reversed; the last row of each block is constrained.
        EXPECT_EQ(net.AddArc(b, nmax), kSuccess);
        auto* noisyMax = dynamic_cast<VRX_noisyMAX*>(Definition(net, "nmax"));
        EXPECT_EQ(noisyMax->SetParentOutcomeStrengths(0, Ints({1, 0})), kSuccess);
        EXPECT_EQ(noisyMax->SetDefinitionDoubles(Doubles({0.2, 0.3, 0.5, 0, 0, 1, 0.7, 0.2, 0.1})), kSuccess);

        // Noisy adder over a and b with the single-fault rule and chosen distinguished outcomes.
        EXPECT_EQ(net.AddArc(a, nadd), kSuccess);
        EXPECT_EQ(net.AddArc(b, nadd), kSuccess);
        auto* adder = dynamic_cast<VRX_noisyAdder*>(Definition(net, "nadd"));
        EXPECT_EQ(adder->SetFunction(VRX_noisyAdder::kSingleFault), kSuccess);
        EXPECT_EQ(adder->SetDistinguishedState(0), kSuccess);
        EXPECT_EQ(adder->SetParentDistinguishedState(0, 1), kSuccess);
        EXPECT_EQ(adder->SetParentDistinguishedState(1, 0), kSuccess);
        adder->GetWeights()[0] = 0.75;
        adder->GetWeights()[1] = 2.5;
        VRX_Dmatrix weights(*adder->GetCiWeights());
        // Blocks: a rows 0..2 (row 1 distinguished), b rows 3..4 (row 3 distinguished), leak row 5.
        const double free[][2] = {{0.9, 0.1}, {1, 0}, {0.4, 0.6}, {1, 0}, {0.35, 0.65}, {0.95, 0.05}};
        for (int r = 0; r < 6; ++r) {
            weights[2 * r] = free[r][0];
            weights[2 * r + 1] = free[r][1];
        }
        EXPECT_EQ(adder->SetDefinition(weights), kSuccess);

        // Node attributes, outcome data and properties.
        EXPECT_EQ(net.SetTarget(b), kSuccess);
        Extra(a).diagType = DiagnosisType::kTarget;
        Extra(b).diagType = DiagnosisType::kObservation;
        Extra(b).ranked = 1;
        Extra(b).mandatory = 1;
        EXPECT_EQ(Extra(a).SetOutcomeLabel(2, "HighA"), kSuccess);
        EXPECT_EQ(Extra(a).SetDefaultOutcome(1), kSuccess);
        Extra(a).setAsDefault = 1;
        EXPECT_EQ(Extra(a).SetFaultOutcome(2, 1), kSuccess);
        EXPECT_EQ(Extra(b).SetFaultOutcome(0, 1), kSuccess);
        EXPECT_EQ(Info(a).userProperties.AddProperty("unit", "kg/m\\s"), kSuccess);
        EXPECT_EQ(Info(nmax).userProperties.AddProperty("note", "two\nlines"), kSuccess);
        EXPECT_EQ(net.SetTemporalType(lone, TemporalType::kPlate), kSuccess);
        EXPECT_EQ(net.SetTemporalType(anchor, TemporalType::kAnchor), kSuccess);

        // Observation costs: one over a cost parent with a not-available entry, one without parents.
        EXPECT_EQ(net.AddArc(a, b, 1), kSuccess);
        EXPECT_EQ(net.GetNode(b)->GetCost()->SetCosts(Doubles({5, kNotAvailableValue, 0.25})), kSuccess);
        EXPECT_EQ(net.GetNode(det)->GetCost()->SetCosts(Doubles({12.5})), kSuccess);

        // Cases.
        VRX_case* first = net.AddCase("Case1");
        EXPECT_EQ(first->SetCategory("cat \"one\""), kSuccess);
        EXPECT_EQ(first->SetDescription("why:\tbecause\nof \\ this"), kSuccess);
        first->SetCreated(1234567890123LL);
        first->SetModified(-5);
        EXPECT_EQ(first->AddEvidence(a, 2), kSuccess);
        EXPECT_EQ(first->AddEvidence(choice, 1), kSuccess);
        EXPECT_EQ(first->AddTemporalEvidence(lone, 1, 3), kSuccess);
        EXPECT_EQ(first->AddTemporalEvidence(lone, 0, 0), kSuccess);
        EXPECT_EQ(first->AddTarget(nmax), kSuccess);
        EXPECT_EQ(first->AddTarget(det), kSuccess);
        EXPECT_NE(net.AddCase("Empty"), nullptr);

        // The diagram: nested submodels with windows and text boxes, node looks and diagnosis texts.
        VRX_submodelHandler& submodels = net.GetSubmodelHandler();
        const int outer = submodels.CreateSubmodel(kMainSubmodel, "Outer");
        const int inner = submodels.CreateSubmodel(outer, "Inner");
        EXPECT_GE(inner, 0);
        VRX_submodel* outerModel = submodels.GetSubmodel(outer);
        EXPECT_EQ(outerModel->header.SetName("Outer part"), kSuccess);
        EXPECT_EQ(outerModel->header.SetComment("Sub\r\ncomment"), kSuccess);
        outerModel->windowPosition = VRX_rectangle(400, 300, 800, 600);
        outerModel->screenInfo.position = VRX_rectangle(50, 60, 40, 20);
        outerModel->screenInfo.color = 0x00102030;
        outerModel->screenInfo.borderThickness = 2;
        EXPECT_EQ(submodels.GetSubmodel(inner)->textBoxes.AddTextBox(VRX_rectangle(11, 12, 6, 8),
                                                                     "inner box\r\nline 2"),
                  kSuccess);
        EXPECT_EQ(submodels.GetSubmodel(kMainSubmodel)
                      ->textBoxes.AddTextBox(VRX_rectangle(100, 100, 50, 10), "main <box>"),
                  kSuccess);
        EXPECT_EQ(net.GetNode(nmax)->SetSubmodel(outer), kSuccess);
        EXPECT_EQ(net.GetNode(nadd)->SetSubmodel(inner), kSuccess);

        VRX_nodeInfo& info = Info(a);
        EXPECT_EQ(info.header.SetName("Node a \\ with <specials> & a\r\nbreak"), kSuccess);
        EXPECT_EQ(info.header.SetComment("about a"), kSuccess);
        info.screenInfo.position = VRX_rectangle(60, 40, 100, 40);
        info.screenInfo.color = 16250597;
        info.screenInfo.fontColor = 0x000000FF;
        info.screenInfo.borderColor = 0x00FF0000;
        info.screenInfo.borderThickness = 3;
        EXPECT_EQ(info.documentation.AddDocument("Manual", "http://x/a?b=1&c=2"), kSuccess);
        Extra(a).faultNameFormat = FaultNameFormat::kNode;
        EXPECT_EQ(Extra(a).GetFaultNames()->SetString(0, "Fault low"), kSuccess);
        EXPECT_EQ(Extra(a).SetOutcomeFix(1, "Fix it\r\nnow"), kSuccess);
        EXPECT_EQ(Extra(a).SetOutcomeDescription(1, "middle"), kSuccess);
        EXPECT_EQ(Extra(a).GetOutcomeDocumentation(2)->AddDocument("High doc", "/doc/high"), kSuccess);
        EXPECT_EQ(Extra(a).SetQuestion("Is a \"high\"?"), kSuccess);
        EXPECT_EQ(Extra(b).GetFaultNames()->SetString(1, "only a fault name"), kSuccess);
        plate.SetPlate(VRX_rectangle(500, 400, 300, 200), 33, 44);
    }
};

TEST_F(XmlNetworkTest, NetworkWithEveryKindLoadsBackUnchanged) {
    FullNetwork source;
    TempFile first;
    TempFile second;
    ASSERT_TRUE(SaveXmlNetwork(first.c_str(), &source.net, nullptr, &source.plate));
    VRX_network copy;
    VRX_temporalExtension plate(&copy);
    ASSERT_TRUE(LoadXmlNetwork(first.c_str(), &copy, nullptr, &plate)) << FirstLoadError(first);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    ASSERT_TRUE(SaveXmlNetwork(second.c_str(), &copy, nullptr, &plate));
    EXPECT_EQ(first.Read(), second.Read());

    // What the file is for: the values themselves, spot-checked on the loaded network.
    EXPECT_STREQ(copy.GetHeader()->GetId(), "Full");
    EXPECT_STREQ(copy.GetHeader()->GetName(), "Full <network> & \"friends\"");
    EXPECT_STREQ(copy.GetHeader()->GetComment(), "First line\r\nSecond\tline \\ end");
    EXPECT_EQ(copy.numSamples, 1234);
    EXPECT_EQ(copy.discSamples, 4321);
    EXPECT_EQ(copy.discAvoidZero, 0);
    EXPECT_EQ(copy.faultNameFormat, FaultNameFormat::kState);
    EXPECT_EQ(copy.GetEpisParams(), source.net.GetEpisParams());
    EXPECT_STREQ(copy.userProperties.GetPropertyValue(0), "me\tand\nyou \\ them");
    EXPECT_STREQ(copy.userProperties.GetPropertyValue(1), "");

    EXPECT_EQ(Items(dynamic_cast<VRX_table*>(Definition(copy, "payoff"))->GetUtilities()),
              (std::vector<double>{1, -2.5, 3, 4, 1e300, -0.1}));
    auto* noisyMax = dynamic_cast<VRX_noisyMAX*>(Definition(copy, "nmax"));
    EXPECT_EQ(Items(noisyMax->GetParentOutcomeStrengths()[0]), (std::vector<int>{1, 0}));
    EXPECT_EQ(Items(*noisyMax->GetCiWeights()), (std::vector<double>{0.2, 0.3, 0.5, 0, 0, 1, 0.7, 0.2, 0.1}));
    auto* adder = dynamic_cast<VRX_noisyAdder*>(Definition(copy, "nadd"));
    EXPECT_EQ(adder->GetFunction(), VRX_noisyAdder::kSingleFault);
    EXPECT_EQ(adder->GetDistinguishedState(), 0);
    EXPECT_EQ(Items(adder->GetParentDistinguishedStates()), (std::vector<int>{1, 0}));
    EXPECT_EQ(Items(adder->GetWeights()), (std::vector<double>{0.75, 2.5, 1}));
    auto* cast = dynamic_cast<VRX_cast*>(Definition(copy, "c2"));
    EXPECT_EQ(Items(cast->GetNegativeWeights()), (std::vector<double>{-0.25}));
    EXPECT_EQ(cast->GetBaseline(), 0.1);
    auto* demorgan = dynamic_cast<VRX_demorgan*>(Definition(copy, "d2"));
    EXPECT_EQ(demorgan->GetParentType(0), DemorganParentType::kBarrier);

    const int a = copy.FindNode("a");
    const int b = copy.FindNode("b");
    VRX_extraDefinition& extraA = *copy.GetNode(a)->GetExtraDefinition();
    EXPECT_STREQ((*extraA.GetOutcomeLabels())[2], "HighA");
    EXPECT_EQ(extraA.GetDefaultOutcome(), 1);
    EXPECT_EQ(extraA.setAsDefault, 1);
    EXPECT_EQ(extraA.IsFaultOutcome(2), 1);
    EXPECT_STREQ(extraA.GetOutcomeFix(1), "Fix it\r\nnow");
    EXPECT_STREQ(copy.GetNode(a)->GetInfo()->header.GetName(), "Node a \\ with <specials> & a\r\nbreak");
    EXPECT_EQ(copy.IsTarget(b), 1);
    EXPECT_EQ(copy.GetTemporalType(copy.FindNode("lone")), TemporalType::kPlate);
    EXPECT_EQ(copy.GetParents(b, 1).GetCount(), 1);
    const VRX_Dmatrix& costs = *copy.GetNode(b)->GetCost()->GetCosts();
    EXPECT_EQ(costs[0], 5.0);
    EXPECT_EQ(costs[1], kNotAvailableValue);

    const VRX_case* first_case = copy.GetCase(0);
    EXPECT_STREQ(first_case->GetDescription(), "why:\tbecause\nof \\ this");
    EXPECT_EQ(first_case->GetCreated(), 1234567890123LL);
    EXPECT_EQ(first_case->GetModified(), -5);
    int handle = -1;
    std::vector<VRX_sliceEvidence> pairs;
    ASSERT_EQ(first_case->GetTemporalEvidence(2, handle, pairs), kSuccess);
    EXPECT_EQ(pairs, (std::vector<VRX_sliceEvidence>{{3, 1}, {0, 0}}));

    VRX_rectangle rect;
    int left = 0;
    int right = 0;
    plate.GetPlate(rect, left, right);
    EXPECT_EQ(rect.centerX, 500);
    EXPECT_EQ(rect.height, 200);
    EXPECT_EQ(left, 33);
    EXPECT_EQ(right, 44);
}

TEST_F(XmlNetworkTest, SavedCostAndCaseElementsHaveTheirTextForm) {
    FullNetwork source;
    ASSERT_TRUE(SaveXmlNetwork(file.c_str(), &source.net, nullptr, &source.plate));
    const std::string text = file.Read();
    EXPECT_NE(text.find("<tarvo version=\"1.0\" id=\"Full\" numsamples=\"1234\" discsamples=\"4321\" "
                        "discavoidzero=\"false\">"),
              std::string::npos);
    EXPECT_NE(text.find("<cost>5 n/a 0.25</cost>"), std::string::npos);
    EXPECT_NE(text.find("<noisyadder id=\"nadd\" function=\"singlefault\">"), std::string::npos);
    EXPECT_NE(text.find("<strengths>1 0</strengths>"), std::string::npos);
    EXPECT_NE(text.find("<resultingstates>off on off</resultingstates>"), std::string::npos);
    EXPECT_NE(text.find("<types>barrier</types>"), std::string::npos);
    EXPECT_NE(text.find("<case name=\"Case1\" category=\"cat &quot;one&quot;\" created=\"1234567890123\" "
                        "modified=\"-5\">"),
              std::string::npos);
    EXPECT_NE(text.find("<description>why:\\tbecause\\nof \\\\ this</description>"), std::string::npos);
    EXPECT_NE(text.find("<evidence node=\"lone\" slice=\"3\" state=\"s1\" />"), std::string::npos);
    EXPECT_NE(text.find("<state id=\"high\" label=\"HighA\" fault=\"true\" />"), std::string::npos);
    EXPECT_NE(text.find("<cpt id=\"b\" target=\"true\" diagtype=\"observation\" ranked=\"true\" "
                        "mandatory=\"true\">"),
              std::string::npos);
    EXPECT_NE(text.find("<cpt id=\"anchor\" dynamic=\"anchor\">"), std::string::npos);
    // Temporal types make a dynamic section, here without temporal definitions.
    EXPECT_NE(text.find("<dynamic numslices=\"10\">\n\t</dynamic>"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------------
// Loading

TEST_F(XmlNetworkTest, RootWithVersionAndIdOnlyIsAnEmptyNetworkWithDefaultSettings) {
    VRX_network net;
    net.numSamples = 5;
    net.SetDiscSamples(6);
    net.SetDiscAvoidZero(false);
    ASSERT_TRUE(Load("<tarvo version=\"1.0\" id=\"Empty\"/>", net));
    EXPECT_EQ(net.GetNumberOfNodes(), 0);
    EXPECT_STREQ(net.GetHeader()->GetId(), "Empty");
    EXPECT_EQ(net.numSamples, 1000);
    EXPECT_EQ(net.discSamples, 10000);
    EXPECT_EQ(net.discAvoidZero, 1);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
}

TEST_F(XmlNetworkTest, ReferenceStyleFileBuildsItsTables) {
    VRX_network net;
    ASSERT_TRUE(Load(Doc("<nodes>" + kTwoRoots +
                         "<cpt id=\"c\"><state id=\"x\"/><state id=\"y\"/><parents>a</parents>"
                         "<probabilities>0.1 0.9 0.25 0.75 1 0</probabilities></cpt></nodes>\n"),
                     net));
    const int c = net.FindNode("c");
    ASSERT_GE(c, 0);
    EXPECT_EQ(Items(net.GetParents(c)), (std::vector<int>{net.FindNode("a")}));
    EXPECT_EQ(Items(dynamic_cast<VRX_cpt*>(Definition(net, "c"))->GetProbabilities()),
              (std::vector<double>{0.1, 0.9, 0.25, 0.75, 1, 0}));
    EXPECT_STREQ((*Definition(net, "a")->GetOutcomesNames())[2], "high");
}

TEST_F(XmlNetworkTest, ResultingStatesNameTheOutcomeOfEachParentConfiguration) {
    VRX_network net;
    ASSERT_TRUE(Load(Doc("<nodes>" + kTwoRoots +
                         "<deterministic id=\"d\"><state id=\"yes\"/><state id=\"no\"/><parents>b</parents>"
                         "<resultingstates>yes no</resultingstates></deterministic></nodes>\n"),
                     net));
    EXPECT_EQ(Items(dynamic_cast<VRX_truthTable*>(Definition(net, "d"))->GetProbabilities()),
              (std::vector<double>{1, 0, 0, 1}));
}

TEST_F(XmlNetworkTest, CostTextWithNotAvailableReadsTheSentinel) {
    VRX_network net;
    ASSERT_TRUE(
        Load(Doc("<nodes>" + kTwoRoots +
                 "</nodes>\n<observationcost><node id=\"a\"><parents>b</parents><cost>0.5 n/a</cost></node>"
                 "</observationcost>\n"),
             net));
    const int a = net.FindNode("a");
    EXPECT_EQ(Items(*net.GetNode(a)->GetCost()->GetCosts()), (std::vector<double>{0.5, kNotAvailableValue}));
    TempFile saved;
    ASSERT_TRUE(SaveXmlNetwork(saved.c_str(), &net, NoXmlWriterExtension()));
    EXPECT_NE(saved.Read().find("<cost>0.5 n/a</cost>"), std::string::npos);
}

TEST_F(XmlNetworkTest, UnknownElementIsSkippedWithWarnings) {
    VRX_network net;
    ASSERT_TRUE(
        Load(Doc("<nodes>" + kTwoRoots + "<gadget size=\"3\"><cpt id=\"hidden\"/></gadget></nodes>\n"), net));
    EXPECT_EQ(net.GetNumberOfNodes(), 2);
    const std::vector<std::string> messages = vovido::test::LoggedMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "Warning: Ignored unknown element 'gadget' at 5, 0 while loading " + file.path());
    EXPECT_EQ(messages[1].rfind("File contains unknown elements and/or attributes. Please download", 0), 0u);
}

TEST_F(XmlNetworkTest, ExtensionArgumentChoosesHowTheCavroElementIsRead) {
    const std::string withCavro = Doc("<extensions><cavro version=\"1.0\" name=\"Shown\"/></extensions>\n");
    {
        VRX_network net;
        file.Write(withCavro);
        ASSERT_TRUE(LoadXmlNetwork(file.c_str(), &net, NoXmlExtensionBinding()));
        EXPECT_EQ(vovido::test::LoggedMessages().at(0).rfind("Warning: Ignored unknown element 'cavro'", 0),
                  0u);
        EXPECT_STRNE(net.GetHeader()->GetName(), "Shown");
    }
    {
        VRX_network net;
        ASSERT_TRUE(Load(withCavro, net));
        EXPECT_STREQ(net.GetHeader()->GetName(), "Shown");
    }
    ExpectLoadError(Doc("<extensions/>\n"), "Required element 'cavro' not present in element 'extensions'");
}

// ---------------------------------------------------------------------------------------------------
// The loader's messages

TEST_F(XmlNetworkTest, FileProblemsAreReportedWithTheirPosition) {
    VRX_network net;
    errorLog.Flush();
    EXPECT_FALSE(LoadXmlNetwork(file.c_str(), &net, nullptr));
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(std::string(errorLog.GetMessage(0)), "Error at 0, 0 while loading " + file.path() +
                                                       ": Can't open file " + file.path() +
                                                       ": No such file or directory");
    EXPECT_EQ(errorLog.GetCode(0), kFileIoFailed);

    ExpectLoadError("<tarvo version=\"1.0\" id=\"n\"><nodes></tarvo>", "mismatched tag");
    ExpectLoadError("", "no element found");
    ExpectLoadError("<network/>", "Unknown root element 'network', expected 'tarvo'");
}

TEST_F(XmlNetworkTest, NewerVersionFailsBeforeTheSettingsAreRead) {
    VRX_network net;
    EXPECT_FALSE(Load("<tarvo version=\"2.0\" id=\"Newer\" discsamples=\"5\"/>", net));
    EXPECT_EQ(FirstLoadError(file).rfind("Invalid version number '2.0', expected 1.0\nPlease download", 0),
              0u);
    EXPECT_STREQ(net.GetHeader()->GetId(), "Newer");
    EXPECT_EQ(net.discSamples, 10000);
}

TEST_F(XmlNetworkTest, NodeElementMessages) {
    ExpectNodesError(
        "<cpt id=\"c\"><state id=\"x\"/><parents>later</parents><probabilities>1</probabilities></cpt>",
        "Node parent not found: 'later'");
    ExpectNodesError(kTwoRoots + "<cpt id=\"c\"><state id=\"x\"/><parents>a b a</parents></cpt>",
                     "Duplicate parent: 'a'");
    ExpectNodesError(kTwoRoots + "<cpt id=\"a\"><state id=\"x\"/></cpt>", "Duplicated node identifier: 'a'");
    ExpectNodesError("<cpt id=\"c\"><state id=\"x\"/><state id=\"x\"/></cpt>",
                     "Duplicate state identifier: 'x'");
    // Repaired, it would take the next state's identifier.
    ExpectNodesError("<cpt id=\"c\"><state id=\"1y\"/><state id=\"x1y\"/></cpt>",
                     "Invalid state identifier: '1y'");
    ExpectNodesError(
        "<cpt id=\"c\"><state id=\"x\" default=\"true\"/><state id=\"y\" default=\"true\"/></cpt>",
        "Duplicate default state attribute at state: 'y'");
    ExpectNodesError("<cpt id=\"c\" diagtype=\"boss\"><state id=\"x\"/></cpt>",
                     "Unknown diagnosis node type: 'boss'");
    ExpectNodesError("<cpt id=\"c\" dynamic=\"sometimes\"><state id=\"x\"/></cpt>",
                     "Unknown dynamic node type: 'sometimes'");
    ExpectNodesError("<cpt id=\"c\" target=\"True\"><state id=\"x\"/></cpt>",
                     "'true' or 'false' expected as value of boolean attribute 'target'");
    ExpectNodesError("<noisyadder id=\"n\" function=\"sum\"><state id=\"x\"/></noisyadder>",
                     "Invalid noisy adder function: 'sum'");
    ExpectNodesError("<equation id=\"e\"><definition>e=1+</definition></equation>",
                     "Invalid expression: Factor expected");
    ExpectNodesError("<maux id=\"m\"><expression>1</expression><expression>2</expression></maux>",
                     "Invalid number of expressions: 2, expected 1");
    ExpectNodesError("<maux id=\"m\"><expression>2*m</expression></maux>",
                     "SetExpressions failed: 'Invalid expression at index 0: self-references not allowed'");
}

TEST_F(XmlNetworkTest, ParameterListMessages) {
    const std::string cptOverA = "<cpt id=\"c\"><state id=\"x\"/><state id=\"y\"/><parents>a</parents>";
    ExpectNodesError(kTwoRoots + cptOverA + "<probabilities>0.5 0.5 0.5 0.5 0.5</probabilities></cpt>",
                     "SetProbabilities failed");
    ExpectNodesError(kTwoRoots + cptOverA + "<probabilities>0.5 x 0.5</probabilities></cpt>",
                     "Can't read list of doubles, failed at element 2");
    // A utility table missing or short: the node and the counts first.
    for (const auto& [table, cause] : {std::pair<const char*, const char*>{"", "no utilities"},
                                       {"<utilities>1 2</utilities>", "2 utilities"}}) {
        ExpectNodesError(kTwoRoots + "<utility id=\"u\"><parents>a</parents>" + table + "</utility>",
                         "SetUtilities failed");
        EXPECT_EQ(errorLog.GetMessage(0),
                  "ERROR: Node [u] : the file gives " + std::string(cause) + " for its table of 3 cells");
    }
    ExpectNodesError(kTwoRoots + cptOverA + "<probabilities>0.5 0.5e</probabilities></cpt>",
                     "Can't read list of doubles, failed at element 2");

    const std::string det =
        "<deterministic id=\"d\"><state id=\"yes\"/><state id=\"no\"/><parents>b</parents>";
    ExpectNodesError(kTwoRoots + det + "<resultingstates>yes maybe</resultingstates></deterministic>",
                     "Invalid resulting state: maybe");
    ExpectNodesError(kTwoRoots + det + "<resultingstates>yes no yes</resultingstates></deterministic>",
                     "Invalid number of resulting states: 3, expected 2");

    ExpectNodesError(
        "<demorgan id=\"p\"><priorbelief>0.5</priorbelief></demorgan>"
        "<demorgan id=\"q\"><parents>p</parents><priorbelief>0.5</priorbelief>"
        "<types>cause helper</types></demorgan>",
        "Invalid parent type 'helper' at element 2");
    ExpectNodesError("<cast id=\"p\"><baseline>half</baseline></cast>", "Can't read baseline");
    ExpectNodesError("<cast id=\"p\"><baseline>1.5</baseline></cast>", "SetBaseline failed");
    ExpectNodesError("<demorgan id=\"p\"><priorbelief>0.5 0.5</priorbelief></demorgan>",
                     "Can't read prior belief");
    ExpectNodesError(
        "<cast id=\"p\"><baseline>0.5</baseline></cast><cast id=\"q\"><parents>p</parents>"
        "<baseline>0.5</baseline><pweights>0.1 0.2</pweights><nweights>0</nweights></cast>",
        "SetPositiveWeights failed");
}

// Counts read from the file are checked before anything is copied: a wrong count is a message, never a
// write past the end of the definition's arrays.
TEST_F(XmlNetworkTest, CausalIndependenceCountsAreCheckedBeforeTheyAreCopied) {
    const std::string adder =
        "<noisyadder id=\"n\"><state id=\"ok\"/><state id=\"bad\"/><parents>a b</parents>";
    ExpectNodesError(kTwoRoots + adder + "<dstates>1 0</dstates></noisyadder>",
                     "Size of distinguished state vector is invalid: 2, expected 3");
    ExpectNodesError(kTwoRoots + adder + "<dstates>1 7 0</dstates></noisyadder>",
                     "SetParentDistinguishedState call fails");
    ExpectNodesError(
        kTwoRoots + adder + "<dstates>1 0 0</dstates><weights>1 1 1 1 1 1 1 1 1 1</weights></noisyadder>",
        "Invalid weights vector size 10, expected 3");
    ExpectNodesError(
        kTwoRoots + adder + "<dstates>1 0 0</dstates><parameters>0.5 0.5</parameters></noisyadder>",
        "Invalid weights vector size 2, expected 12");

    const std::string noisyMax =
        "<noisymax id=\"m\"><state id=\"no\"/><state id=\"yes\"/><parents>a b</parents>";
    ExpectNodesError(kTwoRoots + noisyMax + "<strengths>0 1 2 0</strengths><parameters/></noisymax>",
                     "Invalid strengths vector size 4, expected 5");
    ExpectNodesError(kTwoRoots + noisyMax + "<strengths>0 1 5 0 1</strengths><parameters/></noisymax>",
                     "SetParentOutcomeStrengths failed");
    ExpectNodesError(kTwoRoots + noisyMax + "<strengths>0 1 1 0 1</strengths><parameters/></noisymax>",
                     "SetParentOutcomeStrengths failed");
    ExpectNodesError(
        kTwoRoots + noisyMax + "<strengths>0 1 2 0 1</strengths><parameters>1 0</parameters></noisymax>",
        "Invalid weights vector size 2, expected 12");
    ExpectNodesError(kTwoRoots + noisyMax + "<strengths>0 1 x</strengths></noisymax>",
                     "Can't read list of integers, failed at element 3: 'x' : Whole number expected, from "
                     "-2147483648 to 2147483647");
}

TEST_F(XmlNetworkTest, NoisyMaxStrengthsPutEachRankAtItsOutcome) {
    VRX_network net;
    ASSERT_TRUE(Load(Doc("<nodes>" + kTwoRoots +
                         "<noisymax id=\"m\"><state id=\"no\"/><state id=\"yes\"/><parents>a</parents>"
                         "<strengths>2 0 1</strengths><parameters>0.4 0.6 0.3 0.7 0 1 0.1 0.9</parameters>"
                         "</noisymax></nodes>\n"),
                     net))
        << FirstLoadError(file);
    // Entry j of the block is the index that holds j: 2 0 1 gives the order 1 2 0.
    auto* noisyMax = dynamic_cast<VRX_noisyMAX*>(Definition(net, "m"));
    EXPECT_EQ(Items(noisyMax->GetParentOutcomeStrengths()[0]), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(Items(*noisyMax->GetCiWeights()), (std::vector<double>{0.4, 0.6, 0.3, 0.7, 0, 1, 0.1, 0.9}));
}

TEST_F(XmlNetworkTest, NetworkSectionMessages) {
    ExpectLoadError(Doc("<algparams><epis proplen=\"0\" numstates1=\"5\" numstates2=\"8\" numstates3=\"20\" "
                        "eps1=\"0.006\" eps2=\"0.0001\" eps3=\"5e-05\" eps4=\"5e-05\"/></algparams>\n"),
                    "Invalid EPIS parameters");
    ExpectLoadError(Doc("<properties><property id=\"9lives\">x</property></properties>\n"),
                    "Can't add networkproperty: '9lives'");
    ExpectLoadError(Doc("<nodes>" + kTwoRoots +
                        "</nodes><observationcost><node id=\"zz\"><cost>1</cost></node>"
                        "</observationcost>\n"),
                    "Invalid node identifier: 'zz'");
    ExpectLoadError(Doc("<nodes>" + kTwoRoots +
                        "</nodes><observationcost><node id=\"a\"><cost>1 2</cost></node>"
                        "</observationcost>\n"),
                    "SetCosts failed");
    ExpectLoadError(Doc("<dynamic numslices=\"-1\"/>\n"),
                    "Invalid slice count: -1, non-negative integer expected");
}

// A property, a node's observation costs or a temporal definition given again: the same is read once with a
// warning, another is refused naming the network or the node.
TEST_F(XmlNetworkTest, RepeatedPropertiesAndCostsAreReadOnceOrRefused) {
    const std::string cost = "<node id=\"a\"><cost>1</cost></node>";
    const std::string nodeProperty = "<property id=\"p\">x</property>";
    const auto withNodeProperties = [](const std::string& properties) {
        return "<nodes><cpt id=\"a\"><state id=\"y\"/><state id=\"n\"/><probabilities>0.5 "
               "0.5</probabilities>" +
               properties + "</cpt></nodes>\n";
    };
    const std::string plate =
        "<nodes><cpt id=\"p\" dynamic=\"plate\"><state id=\"y\"/><state id=\"n\"/>"
        "<probabilities>0.5 0.5</probabilities></cpt></nodes>\n";
    const auto transition = [](const std::string& table) {
        return "<cpt id=\"p\" order=\"1\"><parents>p</parents><probabilities>" + table +
               "</probabilities></cpt>";
    };
    struct Case {
        std::string text;
        std::string repeated;  // the warning, or the refusal when `other`
        bool other;
    };
    const Case cases[] = {
        {"<properties>" + nodeProperty + nodeProperty + "</properties>\n",
         "ERROR: Network [net] : its property 'p' is repeated unchanged, read once", false},
        {"<properties>" + nodeProperty + "<property id=\"p\">y</property></properties>\n",
         "Network [net] has more than one property 'p'", true},
        {withNodeProperties(nodeProperty + nodeProperty),
         "ERROR: Node [a] : its property 'p' is repeated unchanged, read once", false},
        {withNodeProperties(nodeProperty + "<property id=\"p\">y</property>"),
         "Node [a] has more than one property 'p'", true},
        {"<nodes>" + kTwoRoots + "</nodes><observationcost>" + cost + cost + "</observationcost>\n",
         "ERROR: Node [a] : its 'node' element in observationcost is repeated unchanged, read once", false},
        {"<nodes>" + kTwoRoots + "</nodes><observationcost>" + cost +
             "<node id=\"a\"><cost>2</cost></node></observationcost>\n",
         "Node [a] has more than one 'node' element in observationcost", true},
        {plate + "<dynamic numslices=\"3\">" + transition("1 0 0 1") + transition("1 0 0 1") + "</dynamic>\n",
         "ERROR: Node [p] : its temporal definition of order 1 is repeated unchanged, read once", false},
        {plate + "<dynamic numslices=\"3\">" + transition("1 0 0 1") + transition("0 1 1 0") + "</dynamic>\n",
         "Node [p] has more than one temporal definition of order 1", true},
        {"<nodes>" + kTwoRoots +
             "</nodes><cases><case name=\"C\"><target node=\"a\"/><target node=\"a\"/>"
             "</case></cases>\n",
         "ERROR: Case [C] : its target [a] is repeated unchanged, read once", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.repeated);
        if (c.other) {
            ExpectLoadError(Doc(c.text), c.repeated);
            continue;
        }
        VRX_network net;
        errorLog.Flush();
        ASSERT_TRUE(Load(Doc(c.text), net)) << FirstLoadError(file);
        EXPECT_TRUE(LoggedPart(c.repeated)) << LogDump();
    }
}

TEST_F(XmlNetworkTest, CaseMessages) {
    const std::string nodes = "<nodes>" + kTwoRoots + "</nodes>\n";
    ExpectLoadError(Doc(nodes + "<cases><case name=\"Case1\"/><case name=\"Case1\"/></cases>\n"),
                    "Duplicate case name: 'Case1'");
    ExpectLoadError(
        Doc("<cases><case name=\"C\"><evidence node=\"a\" state=\"low\"/></case></cases>\n" + nodes),
        "Invalid node identifier: 'a'");
    ExpectLoadError(
        Doc(nodes + "<cases><case name=\"C\"><evidence node=\"a\" state=\"huge\"/></case></cases>\n"),
        "Invalid outcome identifier: 'huge'");
    ExpectLoadError(Doc(nodes + "<cases><case name=\"C\"><evidence node=\"a\" state=\"low\"/>"
                                "<evidence node=\"a\" state=\"mid\"/></case></cases>\n"),
                    "Evidence 'mid' of node 'a' cannot be added.");
    ExpectLoadError(Doc(nodes + "<cases><case name=\"C\"><target node=\"zz\"/></case></cases>\n"),
                    "Can't add target node: 'zz'");
    ExpectLoadError(Doc(nodes + "<cases><case name=\"C\" created=\"soon\"/></cases>\n"),
                    "Integer value expected for attribute 'created'");
}

TEST_F(XmlNetworkTest, NodesOfTheFileMayShareTheNetworkIdButNotAnExistingNode) {
    VRX_network net;
    ASSERT_TRUE(Load("<tarvo version=\"1.0\" id=\"a\"><nodes>" + kTwoRoots + "</nodes></tarvo>", net))
        << FirstLoadError(file);
    EXPECT_GE(net.FindNode("a"), 0);
    EXPECT_EQ(net.readingFlags, 0);
    EXPECT_FALSE(Load(Doc("<nodes><decision id=\"c\"><state id=\"x\"/><state id=\"y\"/></decision>" +
                          kTwoRoots + "</nodes>\n"),
                      net));
    EXPECT_EQ(FirstLoadError(file), "Duplicated node identifier: 'a'");
    EXPECT_EQ(net.GetNumberOfNodes(), 3);
}

TEST_F(XmlNetworkTest, FailedLoadKeepsWhatWasBuiltBeforeTheError) {
    VRX_network net;
    EXPECT_FALSE(Load(Doc("<nodes>" + kTwoRoots +
                          "<cpt id=\"c\"><state id=\"x\"/><parents>zz</parents></cpt>"
                          "</nodes>\n"),
                      net));
    EXPECT_EQ(net.GetNumberOfNodes(), 3);
    EXPECT_GE(net.FindNode("b"), 0);
}

// ---------------------------------------------------------------------------------------------------
// Saving

TEST_F(XmlNetworkTest, ChildCreatedFirstIsWrittenAfterItsParent) {
    VRX_network net;
    const int child = net.AddNode(DefinitionType::kCpt, "child");
    const int parent = net.AddNode(DefinitionType::kCpt, "parent");
    ASSERT_EQ(net.AddArc(parent, child), kSuccess);
    ASSERT_TRUE(SaveXmlNetwork(file.c_str(), &net, nullptr));
    const std::string text = file.Read();
    EXPECT_LT(text.find("<cpt id=\"parent\">"), text.find("<cpt id=\"child\">"));
    VRX_network copy;
    ASSERT_TRUE(LoadXmlNetwork(file.c_str(), &copy, nullptr)) << FirstLoadError(file);
    EXPECT_EQ(Items(copy.GetParents(copy.FindNode("child"))), (std::vector<int>{copy.FindNode("parent")}));
}

TEST_F(XmlNetworkTest, OptionalElementsAreLeftOutWhenEmpty) {
    VRX_network net;
    const int d = net.AddNode(DefinitionType::kList, "d");
    ASSERT_EQ(net.GetNode(d)->GetDefinition()->SetOutcomes(Strings({"go", "stay"})), kSuccess);
    ASSERT_GE(net.AddNode(DefinitionType::kNoisyMax, "m"), 0);
    ASSERT_TRUE(SaveXmlNetwork(file.c_str(), &net, NoXmlWriterExtension()));
    const std::string text = file.Read();
    EXPECT_NE(text.find("\t\t<decision id=\"d\">\n\t\t\t<state id=\"go\" />\n\t\t\t<state id=\"stay\" />\n"
                        "\t\t</decision>\n"),
              std::string::npos);
    EXPECT_EQ(text.find("<strengths>"), std::string::npos);
    EXPECT_EQ(CountOf(text, "<parameters>"), 1u);
    for (const char* absent : {"<properties>", "<algparams>", "<observationcost>", "<cases>", "<extensions>",
                               "discavoidzero", "<parents>"})
        EXPECT_EQ(text.find(absent), std::string::npos) << absent;
}

TEST_F(XmlNetworkTest, EpisParametersAreWrittenWholeOnceOneDiffers) {
    VRX_network net;
    ASSERT_TRUE(SaveXmlNetwork(file.c_str(), &net, nullptr));
    EXPECT_EQ(file.Read().find("<algparams>"), std::string::npos);
    VRX_episParams params;
    params.numstates3 = 21;
    ASSERT_EQ(net.SetEpisParams(params), kSuccess);
    ASSERT_TRUE(SaveXmlNetwork(file.c_str(), &net, nullptr));
    EXPECT_NE(file.Read().find("<epis proplen=\"5\" numstates1=\"5\" numstates2=\"8\" numstates3=\"21\" "
                               "eps1=\"0.006\" eps2=\"0.0001\" eps3=\"5e-05\" eps4=\"5e-05\" />"),
              std::string::npos);
}

TEST_F(XmlNetworkTest, NetworkTheFormatCannotExpressIsRefusedBeforeTheFileIsCreated) {
    VRX_network net;
    const int p = net.AddNode(DefinitionType::kDeMorgan, "p");
    const int q = net.AddNode(DefinitionType::kDeMorgan, "q");
    ASSERT_EQ(net.AddArc(p, q), kSuccess);
    ASSERT_EQ(dynamic_cast<VRX_demorgan*>(net.GetNode(q)->GetDefinition())->SetParentType(0, 7), kSuccess);
    EXPECT_FALSE(SaveXmlNetwork(file.c_str(), &net, nullptr));
    EXPECT_FALSE(file.Exists());
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetCode(0), kFileIoFailed);
    EXPECT_STREQ(errorLog.GetMessage(0),
                 "Can't save node 'q': DeMorgan parent type 7 has no name in the XML network format");

    errorLog.Flush();
    VRX_network bare;
    const int h = bare.AddNode(DefinitionType::kCpt, "bare");
    ASSERT_EQ(bare.GetNode(h)->CreateDefinition(DefinitionType::kNone), kSuccess);
    EXPECT_FALSE(SaveXmlNetwork(file.c_str(), &bare, nullptr));
    EXPECT_FALSE(file.Exists());
    EXPECT_STREQ(errorLog.GetMessage(0), "Can't save node 'bare': it has no definition");
}

TEST_F(XmlNetworkTest, WriteThatDoesNotReachTheDiskIsAFailure) {
    FullNetwork source;
    EXPECT_FALSE(SaveXmlNetwork("/dev/full", &source.net, nullptr));
    EXPECT_FALSE(SaveXmlNetwork("/no/such/folder/net.xvrx", &source.net, nullptr));
}

TEST_F(XmlNetworkTest, SpeakerReadsAndWritesBothExtensionsAlike) {
    FullNetwork source;
    TempFile qvrx(".qvrx");
    VRX_xvrxSpeaker writer(&source.net);
    EXPECT_TRUE(writer.SkipsIdentifierCheck());
    EXPECT_TRUE(writer.SkipsCycleCheck());
    ASSERT_EQ(writer.WriteFile(qvrx.c_str()), kSuccess);
    ASSERT_EQ(writer.WriteFile(file.c_str()), kSuccess);
    EXPECT_EQ(qvrx.Read(), file.Read());

    VRX_network copy;
    VRX_xvrxSpeaker reader(&copy);
    ASSERT_EQ(reader.ReadFile(qvrx.c_str()), kSuccess);
    EXPECT_EQ(copy.GetNumberOfNodes(), source.net.GetNumberOfNodes());

    file.Write(
        Doc("<nodes>" + kTwoRoots + "<cpt id=\"c\"><state id=\"x\"/><parents>zz</parents></cpt></nodes>\n"));
    VRX_network partial;
    VRX_xvrxSpeaker failing(&partial);
    EXPECT_EQ(failing.ReadFile(file.c_str()), kFileIoFailed);
    EXPECT_EQ(partial.GetNumberOfNodes(), 3);
    EXPECT_EQ(failing.WriteFile("/dev/full"), kFileIoFailed);
}

TEST_F(XmlNetworkTest, NetworkFilesChooseTheXmlFormatByExtension) {
    FullNetwork source;
    TempFile qvrx(".QVRX");
    ASSERT_EQ(source.net.WriteFile(qvrx.c_str()), kSuccess);
    ASSERT_EQ(source.net.WriteFile(file.c_str()), kSuccess);
    EXPECT_EQ(qvrx.Read(), file.Read());
    VRX_network copy;
    ASSERT_EQ(copy.ReadFile(qvrx.c_str()), kSuccess);
    EXPECT_EQ(copy.GetNumberOfNodes(), source.net.GetNumberOfNodes());
    EXPECT_EQ(copy.GetNumberOfCases(), 2);
    EXPECT_EQ(copy.readingFlags, 0);
}

}  // namespace
