#pragma once
// Test support for the network file formats: a network holding every discrete node kind with all its
// descriptive data, a field-by-field comparison of two networks, files and the error log.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "definitions/cast.h"
#include "definitions/cpt.h"
#include "definitions/decision_list.h"
#include "definitions/demorgan.h"
#include "definitions/node_cost.h"
#include "definitions/noisy_adder.h"
#include "definitions/noisy_max.h"
#include "definitions/truth_table.h"
#include "definitions/utility_table.h"
#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "model/extra_definition.h"
#include "model/header.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/saved_case.h"
#include "base/string_array.h"
#include "model/submodel.h"

namespace fixture {

// Tests run in parallel processes: every test gets file names of its own.
inline std::string TempPath(const std::string& name) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string prefix =
        test != nullptr ? std::string(test->test_suite_name()) + "_" + test->name() + "_" : std::string();
    return ::testing::TempDir() + prefix + name;
}

inline std::string WriteTextFile(const std::string& name, const std::string& content) {
    const std::string path = TempPath(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f != nullptr) {
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    return path;
}

inline std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool FileExists(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f != nullptr) std::fclose(f);
    return f != nullptr;
}

inline std::vector<std::string> LoggedMessages() {
    std::vector<std::string> out;
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) out.emplace_back(errorLog.GetMessage(i));
    return out;
}

// True when some logged entry has exactly this code and message.
inline bool Logged(int code, const std::string& text) {
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) {
        if (errorLog.GetCode(i) == code && text == errorLog.GetMessage(i)) return true;
    }
    return false;
}

inline std::string LogDump() {
    std::string out;
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) {
        out += std::to_string(errorLog.GetCode(i)) + " " + errorLog.GetMessage(i) + "\n";
    }
    return out;
}

inline VRX_stringArray Strings(std::initializer_list<const char*> items) {
    VRX_stringArray out;
    for (const char* item : items) out.Add(item);
    return out;
}

// Size equal to the item count, as the setters of the tables want it.
inline VRX_doubleArray Doubles(std::initializer_list<double> items) {
    VRX_doubleArray out;
    out.SetSize(static_cast<int>(items.size()));
    for (double item : items) out.Add(item);
    return out;
}

inline VRX_intArray Ints(std::initializer_list<int> items) {
    VRX_intArray out;
    out.SetSize(static_cast<int>(items.size()));
    for (int item : items) out.Add(item);
    return out;
}

inline VRX_nodeDefinition& Def(VRX_network& net, const char* id) {
    return *net.GetNode(net.FindNode(id))->GetDefinition();
}

inline int AddNode(VRX_network& net, int type, const char* id, std::initializer_list<const char*> parents) {
    const int h = net.AddNode(type, id);
    EXPECT_GE(h, 0) << id;
    for (const char* parent : parents)
        EXPECT_EQ(net.AddArc(net.FindNode(parent), h, 0), 0) << parent << "->" << id;
    return h;
}

// Fills the free rows of a causal-independence weight table with distributions of few decimals; the
// rows `constrained` says are left as the definition keeps them.
inline VRX_doubleArray FreeRows(const VRX_Dmatrix& weights, const std::vector<bool>& constrained) {
    const int rows = weights.GetSizeOfDimension(0);
    const int n = weights.GetSizeOfDimension(1);
    VRX_doubleArray out;
    out.SetSize(rows * n);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < n; ++c) {
            if (constrained[r]) {
                out.Add(weights[r * n + c]);
            } else {
                // In hundredths, so that the values have short decimal forms: the first n - 1 entries
                // 5 (r + c + 1) each, the rest to the last one.
                int used = 0;
                for (int k = 0; k + 1 < n; ++k) used += 5 * (r + k + 1);
                out.Add((c + 1 < n ? 5 * (r + c + 1) : 100 - used) / 100.0);
            }
        }
    }
    return out;
}

// A network with every discrete node kind, submodels, properties, documents, screen records, text
// boxes, extra definitions, costs and cases. Nodes are made in topological order.
inline void BuildFullNetwork(VRX_network& net) {
    VRX_header& header = *net.GetHeader();
    header.SetId("Full");
    header.SetName("Full \"network\"\twith\\escapes");
    header.SetComment("Line one\nline two\r\nend");
    net.creation.SetCreator("tester");
    net.creation.SetCreated("2024-01-02");
    net.creation.SetModified("2024-03-04");
    net.numSamples = 2500;
    net.faultNameFormat = 1;
    net.userProperties.AddProperty("Owner", "lab 7");
    net.userProperties.AddProperty("Empty", "");
    net.documentation.AddDocument("Manual", "docs/manual.pdf");
    net.documentation.AddDocument("Notes \"quoted\"", "C:\\notes\\a.txt");

    VRX_submodelHandler& submodels = net.GetSubmodelHandler();
    VRX_submodel& main = *submodels.GetSubmodel(kMainSubmodel);
    main.screenInfo.position = VRX_rectangle(10, 20, 300, 200);
    main.screenInfo.arcFlags = VRX_screenInfo::kShowOutArcs;
    main.windowPosition = VRX_rectangle(1, 2, 640, 480);
    main.backgroundColor = 0x00AABBCC;
    main.textBoxes.AddTextBox(VRX_rectangle(5, 6, 70, 80), "A note on\nthe canvas");
    const int outer = submodels.CreateSubmodel(kMainSubmodel, "Outer");
    const int inner = submodels.CreateSubmodel(outer, "Inner");
    EXPECT_GE(outer, 0);
    EXPECT_GE(inner, 0);
    VRX_submodel& innerSub = *submodels.GetSubmodel(inner);
    innerSub.header.SetName("The inner one");
    innerSub.header.SetComment("inside Outer");
    innerSub.screenInfo.color = 0x123456;
    innerSub.screenInfo.position = VRX_rectangle(-5, -6, 7, 8);
    innerSub.windowPosition = VRX_rectangle(11, 12, 13, 14);
    innerSub.backgroundColor = 7;
    innerSub.textBoxes.AddTextBox(VRX_rectangle(1, 1, 2, 2), "");
    innerSub.textBoxes.AddTextBox(VRX_rectangle(3, 3, 4, 4), "second box");

    const int a = AddNode(net, DefinitionType::kCpt, "A", {});
    EXPECT_EQ(Def(net, "A").SetOutcomes(Strings({"a0", "a1", "a2"})), 0);
    EXPECT_EQ(Def(net, "A").SetDefinitionDoubles(Doubles({0.2, 0.3, 0.5})), 0);
    AddNode(net, DefinitionType::kCpt, "B", {});
    EXPECT_EQ(Def(net, "B").SetDefinitionDoubles(Doubles({0.125, 0.875})), 0);
    AddNode(net, DefinitionType::kCpt, "Child", {"A", "B"});
    EXPECT_EQ(
        Def(net, "Child")
            .SetDefinitionDoubles(Doubles({0.1, 0.9, 0.2, 0.8, 0.3, 0.7, 0.4, 0.6, 0.5, 0.5, 0.65, 0.35})),
        0);
    AddNode(net, DefinitionType::kTruthTable, "Truth", {"A", "B"});
    EXPECT_EQ(Def(net, "Truth").SetOutcomes(Strings({"t0", "t1"})), 0);
    EXPECT_EQ(static_cast<VRX_truthTable&>(Def(net, "Truth")).SetResultingStates(Ints({0, 1, 1, 0, 1, 1})),
              0);
    AddNode(net, DefinitionType::kList, "Decide", {"A"});
    EXPECT_EQ(Def(net, "Decide").SetOutcomes(Strings({"go", "stay", "wait"})), 0);
    AddNode(net, DefinitionType::kTable, "Utility", {"Decide", "B"});
    EXPECT_EQ(static_cast<VRX_table&>(Def(net, "Utility")).SetUtilities(Doubles({10, -5, 2.5, 0, -1.25, 3})),
              0);

    AddNode(net, DefinitionType::kCast, "Cast1", {});
    AddNode(net, DefinitionType::kCast, "Cast2", {"Cast1"});
    auto& cast = static_cast<VRX_cast&>(Def(net, "Cast2"));
    EXPECT_EQ(cast.SetPositiveWeights(Doubles({0.75})), 0);
    EXPECT_EQ(cast.SetNegativeWeights(Doubles({-0.25})), 0);
    EXPECT_EQ(cast.SetBaseline(0.375), 0);
    AddNode(net, DefinitionType::kDeMorgan, "Morgan1", {});
    EXPECT_EQ(static_cast<VRX_demorgan&>(Def(net, "Morgan1")).SetPriorBelief(0.3), 0);
    AddNode(net, DefinitionType::kDeMorgan, "Morgan2", {"Morgan1"});
    auto& demorgan = static_cast<VRX_demorgan&>(Def(net, "Morgan2"));
    EXPECT_EQ(demorgan.SetParentTypes(Ints({DemorganParentType::kBarrier})), 0);
    EXPECT_EQ(demorgan.SetParentWeights(Doubles({0.625})), 0);
    EXPECT_EQ(demorgan.SetPriorBelief(0.0625), 0);

    AddNode(net, DefinitionType::kNoisyMax, "Max", {"A", "B"});
    auto& noisyMax = static_cast<VRX_noisyMAX&>(Def(net, "Max"));
    EXPECT_EQ(noisyMax.SetOutcomes(Strings({"high", "mid", "none"})), 0);
    EXPECT_EQ(noisyMax.SetParentOutcomeStrengths(0, Ints({2, 0, 1})), 0);
    {
        // The last row of each parent's block and nothing else is constrained; the leak row is free.
        std::vector<bool> constrained{false, false, true, false, true, false};
        EXPECT_EQ(noisyMax.SetDefinitionDoubles(FreeRows(*noisyMax.GetCiWeights(), constrained)), 0);
    }
    AddNode(net, DefinitionType::kNoisyAdder, "Adder", {"A", "B"});
    auto& adder = static_cast<VRX_noisyAdder&>(Def(net, "Adder"));
    EXPECT_EQ(adder.SetOutcomes(Strings({"lo", "md", "hi"})), 0);
    EXPECT_EQ(adder.SetDistinguishedState(0), 0);
    EXPECT_EQ(adder.SetParentDistinguishedState(0, 1), 0);
    EXPECT_EQ(adder.SetParentDistinguishedState(1, 0), 0);
    EXPECT_EQ(adder.SetWeights(Doubles({0.5, 2.0, 1.0})), 0);
    EXPECT_EQ(adder.SetFunction(VRX_noisyAdder::kSingleFault), 0);
    {
        // Rows: A's outcomes 0..2, B's outcomes 0..1, the leak; distinguished rows A1 and B0.
        std::vector<bool> constrained{false, true, false, true, false, false};
        EXPECT_EQ(adder.SetDefinitionDoubles(FreeRows(*adder.GetCiWeights(), constrained)), 0);
    }

    // Descriptive data of the nodes.
    VRX_node& nodeA = *net.GetNode(a);
    VRX_nodeInfo& info = *nodeA.GetInfo();
    info.header.SetName(("A node with a long name " + std::string(180, 'n') + " end").c_str());
    info.header.SetComment("comment of A");
    info.screenInfo.position = VRX_rectangle(100, 200, 80, 40);
    info.screenInfo.color = 0x00FF00;
    info.screenInfo.fontColor = 0x0000FF;
    info.screenInfo.arcFlags = 0;
    info.userProperties.AddProperty("Unit", "kg \\ m");
    info.documentation.AddDocument("Sheet", "a.txt");
    EXPECT_EQ(net.SetTarget(a), 0);
    EXPECT_EQ(net.SetTarget(net.FindNode("Max")), 0);
    EXPECT_EQ(nodeA.SetSubmodel(inner), 0);
    EXPECT_EQ(net.GetNode(net.FindNode("Cast1"))->SetSubmodel(outer), 0);
    VRX_extraDefinition& extra = *nodeA.GetExtraDefinition();
    extra.diagType = DiagnosisType::kTarget;
    extra.ranked = 1;
    extra.mandatory = 1;
    extra.setAsDefault = 1;
    extra.showAs = 2;
    extra.faultNameFormat = FaultNameFormat::kState;
    EXPECT_EQ(extra.SetFaultOutcomes(Ints({0, 1, 1})), 0);
    EXPECT_EQ(extra.GetFaultNames()->SetString(1, "broken"), 0);
    EXPECT_EQ(extra.SetOutcomeLabel(1, "LabelOne"), 0);
    EXPECT_EQ(extra.SetOutcomeLabel(2, "LabelTwo"), 0);
    EXPECT_EQ(extra.SetOutcomeDescription(0, "fine"), 0);
    EXPECT_EQ(extra.SetOutcomeFix(2, "replace \"it\""), 0);
    EXPECT_EQ(extra.SetDefaultOutcome(2), 0);
    extra.GetOutcomeDocumentation(1)->AddDocument("How to fix", "fix.html");
    extra.SetQuestion("Is it working?");
    net.GetNode(net.FindNode("B"))->GetExtraDefinition()->diagType = DiagnosisType::kObservation;

    // Costs: B's observation cost depends on A; Child costs 4.5.
    const int b = net.FindNode("B");
    EXPECT_EQ(net.AddArc(a, b, 1), 0);
    EXPECT_EQ(net.GetNode(b)->GetCost()->SetCosts(Doubles({1.5, 2.5, 3.5})), 0);
    EXPECT_EQ(net.GetNode(net.FindNode("Child"))->GetCost()->SetCosts(Doubles({4.5})), 0);

    VRX_case* first = net.AddCase("First case");
    ASSERT_NE(first, nullptr);
    first->SetCategory("training");
    first->SetDescription("observed \"A\"");
    first->SetCreated(1700000000123LL);
    first->SetModified(-5);
    EXPECT_EQ(first->AddEvidence(a, 2), 0);
    EXPECT_EQ(first->AddContEvidence(b, 0.25), 0);
    EXPECT_EQ(first->AddTemporalEvidence(net.FindNode("Child"), 1, 3), 0);
    EXPECT_EQ(first->AddTarget(net.FindNode("Max")), 0);
    ASSERT_NE(net.AddCase("Second"), nullptr);
}

inline std::string Text(const char* text) {
    return text != nullptr ? text : "<null>";
}

inline void ExpectSameStrings(const VRX_stringArray& a, const VRX_stringArray& b, const std::string& what) {
    ASSERT_EQ(a.GetCount(), b.GetCount()) << what;
    for (int i = 0; i < a.GetCount(); ++i) EXPECT_EQ(Text(a[i]), Text(b[i])) << what << " item " << i;
}

inline void ExpectSameInts(const VRX_intArray& a, const VRX_intArray& b, const std::string& what) {
    ASSERT_EQ(a.GetCount(), b.GetCount()) << what;
    for (int i = 0; i < a.GetCount(); ++i) EXPECT_EQ(a[i], b[i]) << what << " item " << i;
}

inline void ExpectSameDoubles(const double* a, int na, const double* b, int nb, const std::string& what) {
    ASSERT_EQ(na, nb) << what;
    for (int i = 0; i < na; ++i) EXPECT_EQ(a[i], b[i]) << what << " item " << i;
}

inline void ExpectSameMatrix(const VRX_Dmatrix& a, const VRX_Dmatrix& b, const std::string& what) {
    ExpectSameInts(a.GetDimensions(), b.GetDimensions(), what + " dimensions");
    ExpectSameDoubles(a.GetData(), a.GetNumberOfElements(), b.GetData(), b.GetNumberOfElements(), what);
}

inline void ExpectSameHeader(const VRX_header& a, const VRX_header& b, const std::string& what) {
    EXPECT_EQ(Text(a.GetId()), Text(b.GetId())) << what;
    EXPECT_EQ(Text(a.GetName()), Text(b.GetName())) << what;
    EXPECT_EQ(Text(a.GetComment()), Text(b.GetComment())) << what;
}

inline void ExpectSameRectangle(const VRX_rectangle& a, const VRX_rectangle& b, const std::string& what) {
    EXPECT_EQ(a.centerX, b.centerX) << what;
    EXPECT_EQ(a.centerY, b.centerY) << what;
    EXPECT_EQ(a.width, b.width) << what;
    EXPECT_EQ(a.height, b.height) << what;
}

inline void ExpectSameScreen(const VRX_screenInfo& a, const VRX_screenInfo& b, const std::string& what) {
    ExpectSameRectangle(a.position, b.position, what + " position");
    EXPECT_EQ(a.color, b.color) << what;
    EXPECT_EQ(a.selColor, b.selColor) << what;
    EXPECT_EQ(a.font, b.font) << what;
    EXPECT_EQ(a.fontColor, b.fontColor) << what;
    EXPECT_EQ(a.borderThickness, b.borderThickness) << what;
    EXPECT_EQ(a.borderColor, b.borderColor) << what;
    EXPECT_EQ(a.arcFlags, b.arcFlags) << what;
}

inline void ExpectSameProperties(const VRX_userProperties& a, const VRX_userProperties& b,
                                 const std::string& what) {
    ExpectSameStrings(a.GetNames(), b.GetNames(), what + " property names");
    ExpectSameStrings(a.GetValues(), b.GetValues(), what + " property values");
}

inline void ExpectSameDocuments(const VRX_documentation& a, const VRX_documentation& b,
                                const std::string& what) {
    ASSERT_EQ(a.GetNumberOfDocuments(), b.GetNumberOfDocuments()) << what;
    for (int i = 0; i < a.GetNumberOfDocuments(); ++i) {
        EXPECT_EQ(Text(a.GetDocumentTitle(i)), Text(b.GetDocumentTitle(i))) << what;
        EXPECT_EQ(Text(a.GetDocumentPath(i)), Text(b.GetDocumentPath(i))) << what;
    }
}

inline void ExpectSameSubmodel(const VRX_submodel& a, const VRX_submodel& b, const std::string& what) {
    ExpectSameHeader(a.header, b.header, what);
    ExpectSameScreen(a.screenInfo, b.screenInfo, what + " screen");
    ExpectSameRectangle(a.windowPosition, b.windowPosition, what + " window");
    EXPECT_EQ(a.backgroundColor, b.backgroundColor) << what;
    ASSERT_EQ(a.textBoxes.GetNumberOfTextBoxes(), b.textBoxes.GetNumberOfTextBoxes()) << what;
    for (int i = 0; i < a.textBoxes.GetNumberOfTextBoxes(); ++i) {
        ExpectSameRectangle(a.textBoxes.GetBox(i), b.textBoxes.GetBox(i), what + " box");
        EXPECT_EQ(Text(a.textBoxes.GetText(i)), Text(b.textBoxes.GetText(i))) << what;
    }
}

inline std::string IdOf(const VRX_network& net, int handle) {
    const VRX_node* node = net.GetNode(handle);
    return node != nullptr ? Text(node->GetId()) : "<dead>";
}

inline std::vector<std::string> IdsOf(const VRX_network& net, const VRX_intArray& handles) {
    std::vector<std::string> out;
    for (int i = 0; i < handles.GetCount(); ++i) out.push_back(IdOf(net, handles[i]));
    return out;
}

inline std::string SubmodelIdOf(VRX_network& net, int handle) {
    const VRX_submodel* submodel = net.GetSubmodelHandler().GetSubmodel(handle);
    return submodel != nullptr ? Text(submodel->header.GetId()) : "<none>";
}

inline void ExpectSameDefinition(VRX_nodeDefinition& a, VRX_nodeDefinition& b, const std::string& what) {
    ASSERT_EQ(a.GetType(), b.GetType()) << what;
    if (a.GetOutcomesNames() != nullptr) {
        ASSERT_NE(b.GetOutcomesNames(), nullptr) << what;
        ExpectSameStrings(*a.GetOutcomesNames(), *b.GetOutcomesNames(), what + " outcomes");
    }
    VRX_Dmatrix* ta = nullptr;
    VRX_Dmatrix* tb = nullptr;
    ASSERT_EQ(a.GetDefinition(ta), b.GetDefinition(tb)) << what;
    if (ta != nullptr && tb != nullptr) ExpectSameMatrix(*ta, *tb, what + " table");
    switch (a.GetType()) {
        case DefinitionType::kList: {
            VRX_doubleArray* va = nullptr;
            VRX_doubleArray* vb = nullptr;
            a.GetDefinitionDoubles(va);
            b.GetDefinitionDoubles(vb);
            ExpectSameDoubles(va->GetItems(), va->GetCount(), vb->GetItems(), vb->GetCount(),
                              what + " values");
            break;
        }
        case DefinitionType::kNoisyMax: {
            auto& ma = static_cast<VRX_noisyMAX&>(a);
            auto& mb = static_cast<VRX_noisyMAX&>(b);
            ASSERT_EQ(ma.GetNumberOfParents(), mb.GetNumberOfParents()) << what;
            for (int j = 0; j < ma.GetNumberOfParents(); ++j) {
                ExpectSameInts(ma.GetParentOutcomeStrengths()[j], mb.GetParentOutcomeStrengths()[j],
                               what + " strengths");
            }
            ExpectSameMatrix(*ma.GetCiWeights(), *mb.GetCiWeights(), what + " weights");
            break;
        }
        case DefinitionType::kNoisyAdder: {
            auto& da = static_cast<VRX_noisyAdder&>(a);
            auto& db = static_cast<VRX_noisyAdder&>(b);
            EXPECT_EQ(da.GetFunction(), db.GetFunction()) << what;
            EXPECT_EQ(da.GetDistinguishedState(), db.GetDistinguishedState()) << what;
            ExpectSameInts(da.GetParentDistinguishedStates(), db.GetParentDistinguishedStates(),
                           what + " dstates");
            ExpectSameDoubles(da.GetWeights().GetItems(), da.GetWeights().GetCount(),
                              db.GetWeights().GetItems(), db.GetWeights().GetCount(), what + " weights");
            ExpectSameMatrix(*da.GetCiWeights(), *db.GetCiWeights(), what + " parameters");
            break;
        }
        case DefinitionType::kCast: {
            auto& ca = static_cast<VRX_cast&>(a);
            auto& cb = static_cast<VRX_cast&>(b);
            EXPECT_EQ(ca.GetBaseline(), cb.GetBaseline()) << what;
            ExpectSameDoubles(ca.GetPositiveWeights().GetItems(), ca.GetPositiveWeights().GetCount(),
                              cb.GetPositiveWeights().GetItems(), cb.GetPositiveWeights().GetCount(), what);
            ExpectSameDoubles(ca.GetNegativeWeights().GetItems(), ca.GetNegativeWeights().GetCount(),
                              cb.GetNegativeWeights().GetItems(), cb.GetNegativeWeights().GetCount(), what);
            break;
        }
        case DefinitionType::kDeMorgan: {
            auto& ma = static_cast<VRX_demorgan&>(a);
            auto& mb = static_cast<VRX_demorgan&>(b);
            EXPECT_EQ(ma.GetPriorBelief(), mb.GetPriorBelief()) << what;
            ExpectSameInts(ma.GetParentTypes(), mb.GetParentTypes(), what + " types");
            ExpectSameDoubles(ma.GetParentWeights().GetItems(), ma.GetParentWeights().GetCount(),
                              mb.GetParentWeights().GetItems(), mb.GetParentWeights().GetCount(), what);
            break;
        }
        default:
            break;
    }
}

inline void ExpectSameExtra(VRX_extraDefinition& a, VRX_extraDefinition& b, int outcomes,
                            const std::string& what) {
    EXPECT_EQ(a.diagType, b.diagType) << what;
    EXPECT_EQ(a.ranked, b.ranked) << what;
    EXPECT_EQ(a.mandatory, b.mandatory) << what;
    EXPECT_EQ(a.setAsDefault, b.setAsDefault) << what;
    EXPECT_EQ(a.showAs, b.showAs) << what;
    EXPECT_EQ(a.faultNameFormat, b.faultNameFormat) << what;
    ExpectSameInts(a.GetFaultOutcomes(), b.GetFaultOutcomes(), what + " faults");
    ExpectSameStrings(*a.GetFaultNames(), *b.GetFaultNames(), what + " fault names");
    ExpectSameStrings(*a.GetOutcomeLabels(), *b.GetOutcomeLabels(), what + " labels");
    ExpectSameStrings(*a.GetOutcomeDescriptions(), *b.GetOutcomeDescriptions(), what + " descriptions");
    ExpectSameStrings(*a.GetOutcomeFixes(), *b.GetOutcomeFixes(), what + " fixes");
    EXPECT_EQ(a.GetDefaultOutcome(), b.GetDefaultOutcome()) << what;
    EXPECT_EQ(std::string(a.GetQuestion()), std::string(b.GetQuestion())) << what;
    for (int i = 0; i < outcomes; ++i) {
        ASSERT_NE(a.GetOutcomeDocumentation(i), nullptr);
        ASSERT_NE(b.GetOutcomeDocumentation(i), nullptr);
        ExpectSameDocuments(*a.GetOutcomeDocumentation(i), *b.GetOutcomeDocumentation(i),
                            what + " outcome docs");
    }
}

inline void ExpectSameCase(const VRX_network& na, const VRX_case& a, const VRX_network& nb,
                           const VRX_case& b) {
    const std::string what = std::string("case ") + a.GetName();
    EXPECT_STREQ(a.GetName(), b.GetName());
    EXPECT_STREQ(a.GetCategory(), b.GetCategory()) << what;
    EXPECT_STREQ(a.GetDescription(), b.GetDescription()) << what;
    EXPECT_EQ(a.GetCreated(), b.GetCreated()) << what;
    EXPECT_EQ(a.GetModified(), b.GetModified()) << what;
    ASSERT_EQ(a.GetNumberOfTargets(), b.GetNumberOfTargets()) << what;
    for (int i = 0; i < a.GetNumberOfTargets(); ++i)
        EXPECT_EQ(IdOf(na, a.GetTarget(i)), IdOf(nb, b.GetTarget(i)));
    ASSERT_EQ(a.GetNumberOfEvidence(), b.GetNumberOfEvidence()) << what;
    for (int i = 0; i < a.GetNumberOfEvidence(); ++i) {
        const VRX_caseEntry& ea = *a.GetEntry(i);
        const VRX_caseEntry& eb = *b.GetEntry(i);
        EXPECT_EQ(IdOf(na, ea.node), IdOf(nb, eb.node)) << what;
        EXPECT_EQ(ea.outcome, eb.outcome) << what;
        EXPECT_EQ(ea.value, eb.value) << what;
        EXPECT_EQ(ea.slices, eb.slices) << what;
    }
}

// Field by field; nodes are matched by identifier.
inline void ExpectSameNetwork(VRX_network& a, VRX_network& b) {
    ExpectSameHeader(*a.GetHeader(), *b.GetHeader(), "network header");
    EXPECT_EQ(Text(a.creation.GetCreator()), Text(b.creation.GetCreator()));
    EXPECT_EQ(Text(a.creation.GetCreated()), Text(b.creation.GetCreated()));
    EXPECT_EQ(Text(a.creation.GetModified()), Text(b.creation.GetModified()));
    EXPECT_EQ(a.numSamples, b.numSamples);
    EXPECT_EQ(a.faultNameFormat, b.faultNameFormat);
    ExpectSameProperties(a.userProperties, b.userProperties, "network");
    ExpectSameDocuments(a.documentation, b.documentation, "network");

    VRX_intArray subsA;
    VRX_intArray subsB;
    a.GetSubmodelHandler().GetAllSubmodels(subsA);
    b.GetSubmodelHandler().GetAllSubmodels(subsB);
    ASSERT_EQ(subsA.GetCount(), subsB.GetCount());
    for (int i = 0; i < subsA.GetCount(); ++i) {
        const VRX_submodel& sa = *a.GetSubmodelHandler().GetSubmodel(subsA[i]);
        const VRX_submodel& sb = *b.GetSubmodelHandler().GetSubmodel(subsB[i]);
        const std::string what = "submodel " + Text(sa.header.GetId());
        // The main submodel's identifier is the network's, compared above.
        if (i > 0) ExpectSameSubmodel(sa, sb, what);
        if (i == 0) {
            ExpectSameScreen(sa.screenInfo, sb.screenInfo, what);
            ExpectSameRectangle(sa.windowPosition, sb.windowPosition, what);
            EXPECT_EQ(sa.backgroundColor, sb.backgroundColor);
        }
        if (i > 0) {
            EXPECT_EQ(SubmodelIdOf(a, a.GetSubmodelHandler().GetParentSubmodel(subsA[i])),
                      SubmodelIdOf(b, b.GetSubmodelHandler().GetParentSubmodel(subsB[i])))
                << what;
        }
    }

    ASSERT_EQ(a.GetNumberOfNodes(), b.GetNumberOfNodes());
    for (int ha = a.GetFirstNode(); ha >= 0; ha = a.GetNextNode(ha)) {
        const std::string id = IdOf(a, ha);
        const int hb = b.FindNode(id.c_str());
        ASSERT_GE(hb, 0) << id;
        VRX_node& na = *a.GetNode(ha);
        VRX_node& nb = *b.GetNode(hb);
        ExpectSameHeader(na.GetInfo()->header, nb.GetInfo()->header, id);
        ExpectSameScreen(na.GetInfo()->screenInfo, nb.GetInfo()->screenInfo, id);
        ExpectSameProperties(na.GetInfo()->userProperties, nb.GetInfo()->userProperties, id);
        ExpectSameDocuments(na.GetInfo()->documentation, nb.GetInfo()->documentation, id);
        EXPECT_EQ(a.IsTarget(ha), b.IsTarget(hb)) << id;
        EXPECT_EQ(SubmodelIdOf(a, na.GetSubmodel()), SubmodelIdOf(b, nb.GetSubmodel())) << id;
        EXPECT_EQ(IdsOf(a, a.GetParents(ha, 0)), IdsOf(b, b.GetParents(hb, 0))) << id;
        EXPECT_EQ(IdsOf(a, a.GetParents(ha, 1)), IdsOf(b, b.GetParents(hb, 1))) << id;
        ExpectSameDefinition(*na.GetDefinition(), *nb.GetDefinition(), id);
        ExpectSameExtra(*na.GetExtraDefinition(), *nb.GetExtraDefinition(),
                        na.GetDefinition()->GetNumberOfOutcomes(), id);
        ExpectSameMatrix(*na.GetCost()->GetCosts(), *nb.GetCost()->GetCosts(), id + " costs");
    }
    ASSERT_EQ(a.GetNumberOfCases(), b.GetNumberOfCases());
    for (int i = 0; i < a.GetNumberOfCases(); ++i) ExpectSameCase(a, *a.GetCase(i), b, *b.GetCase(i));
}

}  // namespace fixture
