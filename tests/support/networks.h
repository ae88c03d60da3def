#pragma once
// Networks for tests: nodes with their parents by identifier; a network holding every discrete node kind
// with all its descriptive data (submodels, properties, documents, screen records, text boxes, extra
// definitions, costs and cases) for the readers' and writers' round trips; small networks built with
// every step checked, random tables, and the "visit to Asia" network.

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/id_array.h"
#include "base/int_array.h"
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
#include "model/extra_definition.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/node_value.h"
#include "model/saved_case.h"
#include "model/submodel.h"
#include "tests/support/arrays.h"

namespace vovido::test {

// The definition of the node with this identifier, which must exist.
inline VRX_nodeDefinition& Def(VRX_network& net, const char* id) {
    return *net.GetNode(net.FindNode(id))->GetDefinition();
}

// The definition's outcome names; "<null>" stands for a missing one.
inline std::vector<std::string> Names(VRX_nodeDefinition& def) {
    std::vector<std::string> out;
    const VRX_idArray* ids = def.GetOutcomesNames();
    if (ids == nullptr) return out;
    for (int i = 0; i < ids->GetCount(); ++i) out.emplace_back((*ids)[i] != nullptr ? (*ids)[i] : "<null>");
    return out;
}

// Adds the node and the arcs from the named parents; the handle.
inline int AddNode(VRX_network& net, int type, const char* id, const std::vector<const char*>& parents) {
    const int h = net.AddNode(type, id);
    EXPECT_GE(h, 0) << id;
    for (const char* parent : parents)
        EXPECT_EQ(net.AddArc(net.FindNode(parent), h, 0), kSuccess) << parent << "->" << id;
    return h;
}

// Adds a CPT node with the number of outcomes; the handle.
inline int AddCptNode(VRX_network& net, const char* id, int outcomes) {
    const int h = net.AddNode(DefinitionType::kCpt, id);
    EXPECT_GE(h, 0) << id;
    VRX_nodeDefinition* def = net.GetNode(h)->GetDefinition();
    if (def->GetNumberOfOutcomes() != outcomes) {
        EXPECT_EQ(def->SetNumberOfOutcomes(outcomes), kSuccess) << id;
    }
    EXPECT_EQ(def->GetNumberOfOutcomes(), outcomes) << id;
    return h;
}

// Fills the free rows of a causal-independence weight table with distributions of few decimals; the
// rows `constrained` says are left as the definition keeps them.
inline VRX_doubleArray FreeRows(const VRX_Dmatrix& weights, const std::vector<bool>& constrained) {
    const int rows = weights.GetSizeOfDimension(0);
    const int n = weights.GetSizeOfDimension(1);
    VRX_doubleArray out;
    EXPECT_EQ(out.SetSize(rows * n), kSuccess);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < n; ++c) {
            if (constrained[r]) {
                EXPECT_EQ(out.Add(weights[r * n + c]), kSuccess);
            } else {
                // In hundredths, so that the values have short decimal forms: the first n - 1 entries
                // 5 (r + c + 1) each, the rest to the last one.
                int used = 0;
                for (int k = 0; k + 1 < n; ++k) used += 5 * (r + k + 1);
                EXPECT_EQ(out.Add((c + 1 < n ? 5 * (r + c + 1) : 100 - used) / 100.0), kSuccess);
            }
        }
    }
    return out;
}

// A network with every discrete node kind, submodels, properties, documents, screen records, text
// boxes, extra definitions, costs and cases. Nodes are made in topological order.
inline void BuildFullNetwork(VRX_network& net) {
    VRX_header& header = *net.GetHeader();
    ASSERT_EQ(header.SetId("Full"), kSuccess);
    ASSERT_EQ(header.SetName("Full \"network\"\twith\\escapes"), kSuccess);
    ASSERT_EQ(header.SetComment("Line one\nline two\r\nend"), kSuccess);
    ASSERT_EQ(net.creation.SetCreator("tester"), kSuccess);
    ASSERT_EQ(net.creation.SetCreated("2024-01-02"), kSuccess);
    ASSERT_EQ(net.creation.SetModified("2024-03-04"), kSuccess);
    net.numSamples = 2500;
    net.faultNameFormat = 1;
    ASSERT_EQ(net.userProperties.AddProperty("Owner", "lab 7"), kSuccess);
    ASSERT_EQ(net.userProperties.AddProperty("Empty", ""), kSuccess);
    ASSERT_EQ(net.documentation.AddDocument("Manual", "docs/manual.pdf"), kSuccess);
    ASSERT_EQ(net.documentation.AddDocument("Notes \"quoted\"", "C:\\notes\\a.txt"), kSuccess);

    VRX_submodelHandler& submodels = net.GetSubmodelHandler();
    VRX_submodel& main = *submodels.GetSubmodel(kMainSubmodel);
    main.screenInfo.position = VRX_rectangle(10, 20, 300, 200);
    main.screenInfo.arcFlags = VRX_screenInfo::kShowOutArcs;
    main.windowPosition = VRX_rectangle(1, 2, 640, 480);
    main.backgroundColor = 0x00AABBCC;
    ASSERT_EQ(main.textBoxes.AddTextBox(VRX_rectangle(5, 6, 70, 80), "A note on\nthe canvas"), kSuccess);
    const int outer = submodels.CreateSubmodel(kMainSubmodel, "Outer");
    const int inner = submodels.CreateSubmodel(outer, "Inner");
    EXPECT_GE(outer, 0);
    EXPECT_GE(inner, 0);
    VRX_submodel& innerSub = *submodels.GetSubmodel(inner);
    ASSERT_EQ(innerSub.header.SetName("The inner one"), kSuccess);
    ASSERT_EQ(innerSub.header.SetComment("inside Outer"), kSuccess);
    innerSub.screenInfo.color = 0x123456;
    innerSub.screenInfo.position = VRX_rectangle(-5, -6, 7, 8);
    innerSub.windowPosition = VRX_rectangle(11, 12, 13, 14);
    innerSub.backgroundColor = 7;
    ASSERT_EQ(innerSub.textBoxes.AddTextBox(VRX_rectangle(1, 1, 2, 2), ""), kSuccess);
    ASSERT_EQ(innerSub.textBoxes.AddTextBox(VRX_rectangle(3, 3, 4, 4), "second box"), kSuccess);

    const int a = AddNode(net, DefinitionType::kCpt, "A", {});
    EXPECT_EQ(Def(net, "A").SetOutcomes(Strings({"a0", "a1", "a2"})), kSuccess);
    EXPECT_EQ(Def(net, "A").SetDefinitionDoubles(Doubles({0.2, 0.3, 0.5})), kSuccess);
    AddNode(net, DefinitionType::kCpt, "B", {});
    EXPECT_EQ(Def(net, "B").SetDefinitionDoubles(Doubles({0.125, 0.875})), kSuccess);
    AddNode(net, DefinitionType::kCpt, "Child", {"A", "B"});
    EXPECT_EQ(
        Def(net, "Child")
            .SetDefinitionDoubles(Doubles({0.1, 0.9, 0.2, 0.8, 0.3, 0.7, 0.4, 0.6, 0.5, 0.5, 0.65, 0.35})),
        kSuccess);
    AddNode(net, DefinitionType::kTruthTable, "Truth", {"A", "B"});
    EXPECT_EQ(Def(net, "Truth").SetOutcomes(Strings({"t0", "t1"})), kSuccess);
    EXPECT_EQ(static_cast<VRX_truthTable&>(Def(net, "Truth")).SetResultingStates(Ints({0, 1, 1, 0, 1, 1})),
              kSuccess);
    AddNode(net, DefinitionType::kList, "Decide", {"A"});
    EXPECT_EQ(Def(net, "Decide").SetOutcomes(Strings({"go", "stay", "wait"})), kSuccess);
    AddNode(net, DefinitionType::kTable, "Utility", {"Decide", "B"});
    EXPECT_EQ(static_cast<VRX_table&>(Def(net, "Utility")).SetUtilities(Doubles({10, -5, 2.5, 0, -1.25, 3})),
              kSuccess);

    AddNode(net, DefinitionType::kCast, "Cast1", {});
    AddNode(net, DefinitionType::kCast, "Cast2", {"Cast1"});
    auto& cast = static_cast<VRX_cast&>(Def(net, "Cast2"));
    EXPECT_EQ(cast.SetPositiveWeights(Doubles({0.75})), kSuccess);
    EXPECT_EQ(cast.SetNegativeWeights(Doubles({-0.25})), kSuccess);
    EXPECT_EQ(cast.SetBaseline(0.375), kSuccess);
    AddNode(net, DefinitionType::kDeMorgan, "Morgan1", {});
    EXPECT_EQ(static_cast<VRX_demorgan&>(Def(net, "Morgan1")).SetPriorBelief(0.3), kSuccess);
    AddNode(net, DefinitionType::kDeMorgan, "Morgan2", {"Morgan1"});
    auto& demorgan = static_cast<VRX_demorgan&>(Def(net, "Morgan2"));
    EXPECT_EQ(demorgan.SetParentTypes(Ints({DemorganParentType::kBarrier})), kSuccess);
    EXPECT_EQ(demorgan.SetParentWeights(Doubles({0.625})), kSuccess);
    EXPECT_EQ(demorgan.SetPriorBelief(0.0625), kSuccess);

    AddNode(net, DefinitionType::kNoisyMax, "Max", {"A", "B"});
    auto& noisyMax = static_cast<VRX_noisyMAX&>(Def(net, "Max"));
    EXPECT_EQ(noisyMax.SetOutcomes(Strings({"high", "mid", "none"})), kSuccess);
    EXPECT_EQ(noisyMax.SetParentOutcomeStrengths(0, Ints({2, 0, 1})), kSuccess);
    {
        // The last row of each parent's block and nothing else is constrained; the leak row is free.
        std::vector<bool> constrained{false, false, true, false, true, false};
        EXPECT_EQ(noisyMax.SetDefinitionDoubles(FreeRows(*noisyMax.GetCiWeights(), constrained)), kSuccess);
    }
    AddNode(net, DefinitionType::kNoisyAdder, "Adder", {"A", "B"});
    auto& adder = static_cast<VRX_noisyAdder&>(Def(net, "Adder"));
    EXPECT_EQ(adder.SetOutcomes(Strings({"lo", "md", "hi"})), kSuccess);
    EXPECT_EQ(adder.SetDistinguishedState(0), kSuccess);
    EXPECT_EQ(adder.SetParentDistinguishedState(0, 1), kSuccess);
    EXPECT_EQ(adder.SetParentDistinguishedState(1, 0), kSuccess);
    EXPECT_EQ(adder.SetWeights(Doubles({0.5, 2.0, 1.0})), kSuccess);
    EXPECT_EQ(adder.SetFunction(VRX_noisyAdder::kSingleFault), kSuccess);
    {
        // Rows: A's outcomes 0..2, B's outcomes 0..1, the leak; distinguished rows A1 and B0.
        std::vector<bool> constrained{false, true, false, true, false, false};
        EXPECT_EQ(adder.SetDefinitionDoubles(FreeRows(*adder.GetCiWeights(), constrained)), kSuccess);
    }

    // Descriptive data of the nodes.
    VRX_node& nodeA = *net.GetNode(a);
    VRX_nodeInfo& info = *nodeA.GetInfo();
    ASSERT_EQ(info.header.SetName(("A node with a long name " + std::string(180, 'n') + " end").c_str()),
              kSuccess);
    ASSERT_EQ(info.header.SetComment("comment of A"), kSuccess);
    info.screenInfo.position = VRX_rectangle(100, 200, 80, 40);
    info.screenInfo.color = 0x00FF00;
    info.screenInfo.fontColor = 0x0000FF;
    info.screenInfo.arcFlags = 0;
    ASSERT_EQ(info.userProperties.AddProperty("Unit", "kg \\ m"), kSuccess);
    ASSERT_EQ(info.documentation.AddDocument("Sheet", "a.txt"), kSuccess);
    EXPECT_EQ(net.SetTarget(a), kSuccess);
    EXPECT_EQ(net.SetTarget(net.FindNode("Max")), kSuccess);
    EXPECT_EQ(nodeA.SetSubmodel(inner), kSuccess);
    EXPECT_EQ(net.GetNode(net.FindNode("Cast1"))->SetSubmodel(outer), kSuccess);
    VRX_extraDefinition& extra = *nodeA.GetExtraDefinition();
    extra.diagType = DiagnosisType::kTarget;
    extra.ranked = 1;
    extra.mandatory = 1;
    extra.setAsDefault = 1;
    extra.showAs = 2;
    extra.faultNameFormat = FaultNameFormat::kState;
    EXPECT_EQ(extra.SetFaultOutcomes(Ints({0, 1, 1})), kSuccess);
    EXPECT_EQ(extra.GetFaultNames()->SetString(1, "broken"), kSuccess);
    EXPECT_EQ(extra.SetOutcomeLabel(1, "LabelOne"), kSuccess);
    EXPECT_EQ(extra.SetOutcomeLabel(2, "LabelTwo"), kSuccess);
    EXPECT_EQ(extra.SetOutcomeDescription(0, "fine"), kSuccess);
    EXPECT_EQ(extra.SetOutcomeFix(2, "replace \"it\""), kSuccess);
    EXPECT_EQ(extra.SetDefaultOutcome(2), kSuccess);
    ASSERT_EQ(extra.GetOutcomeDocumentation(1)->AddDocument("How to fix", "fix.html"), kSuccess);
    ASSERT_EQ(extra.SetQuestion("Is it working?"), kSuccess);
    net.GetNode(net.FindNode("B"))->GetExtraDefinition()->diagType = DiagnosisType::kObservation;

    // Costs: B's observation cost depends on A; Child costs 4.5.
    const int b = net.FindNode("B");
    EXPECT_EQ(net.AddArc(a, b, 1), kSuccess);
    EXPECT_EQ(net.GetNode(b)->GetCost()->SetCosts(Doubles({1.5, 2.5, 3.5})), kSuccess);
    EXPECT_EQ(net.GetNode(net.FindNode("Child"))->GetCost()->SetCosts(Doubles({4.5})), kSuccess);

    VRX_case* first = net.AddCase("First case");
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->SetCategory("training"), kSuccess);
    ASSERT_EQ(first->SetDescription("observed \"A\""), kSuccess);
    first->SetCreated(1700000000123LL);
    first->SetModified(-5);
    EXPECT_EQ(first->AddEvidence(a, 2), kSuccess);
    EXPECT_EQ(first->AddContEvidence(b, 0.25), kSuccess);
    EXPECT_EQ(first->AddTemporalEvidence(net.FindNode("Child"), 1, 3), kSuccess);
    EXPECT_EQ(first->AddTarget(net.FindNode("Max")), kSuccess);
    ASSERT_NE(net.AddCase("Second"), nullptr);
}

// The node's beliefs; empty while it has none.
inline std::vector<double> Beliefs(const VRX_network& net, int h) {
    VRX_Dmatrix* m = nullptr;
    EXPECT_EQ(net.GetNode(h)->GetValue()->GetValue(m), kSuccess);
    if (m == nullptr || m->GetData() == nullptr) return {};
    return Entries(*m);
}

// The targets in handle order.
inline std::vector<int> Targets(const VRX_network& net) {
    std::vector<int> out;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        if (net.IsTarget(h) == 1) out.push_back(h);
    }
    return out;
}

// One column of a random table: entries 0.05 + U(0, 1), except those zero(j, positiveSoFar) leaves at
// 0.0, then normalised. Draws happen in entry order, so a seed always gives the same tables.
template <typename ZeroRule>
void RandomColumn(double* column, int k, std::mt19937& rng, ZeroRule zero) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    double sum = 0.0;
    int positive = 0;
    for (int j = 0; j < k; j++) {
        const bool isZero = zero(j, positive);
        column[j] = isZero ? 0.0 : 0.05 + u(rng);
        positive += isZero ? 0 : 1;
        sum += column[j];
    }
    for (int j = 0; j < k; j++) column[j] /= sum;
}

enum class Notices { kOff, kOn };

// A network whose change notices are off unless asked for, so that evidence stays exactly what a test
// sets; every building step is checked.
class TestNetwork {
public:
    explicit TestNetwork(Notices notices = Notices::kOff) {
        if (notices == Notices::kOff) net.propagationFlags = 0;
    }

    int Add(const char* id, int outcomes = 2, int type = DefinitionType::kCpt) {
        const int h = net.AddNode(type, id);
        EXPECT_GE(h, 0) << id;
        if (outcomes != 2) {
            EXPECT_EQ(net.GetNode(h)->GetDefinition()->SetNumberOfOutcomes(outcomes), kSuccess);
        }
        return h;
    }
    void Arc(int parent, int child) { EXPECT_EQ(net.AddArc(parent, child), kSuccess); }
    // (parent, child) pairs, added in this order.
    void Arcs(std::initializer_list<std::pair<int, int>> arcs) {
        for (const std::pair<int, int>& arc : arcs) Arc(arc.first, arc.second);
    }
    // Entries with the parents in arc order, then the node; the node's outcomes vary fastest.
    void Table(int h, const std::vector<double>& values) {
        EXPECT_EQ(net.GetNode(h)->GetDefinition()->SetDefinitionDoubles(Doubles(values)), kSuccess);
    }
    // Entries written straight into the table, as a caller holding its matrix may: what the setters refuse
    // (NaN, infinities) reaches the checks of updates and writes. The node's value is out of date after.
    void RawTable(int h, const std::vector<double>& values) {
        VRX_Dmatrix& table = Definition(h);
        ASSERT_EQ(static_cast<size_t>(table.GetNumberOfElements()), values.size());
        for (size_t i = 0; i < values.size(); ++i) table[static_cast<int>(i)] = values[i];
        Value(h)->SetValueFlag(ValueFlags::kUpToDate, false);
    }
    void Observe(int h, int outcome) { EXPECT_EQ(Value(h)->SetEvidence(outcome), kSuccess); }
    VRX_nodeValue* Value(int h) const { return net.GetNode(h)->GetValue(); }
    VRX_Dmatrix& Definition(int h) const {
        VRX_Dmatrix* m = nullptr;
        EXPECT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(m), kSuccess);
        return *m;
    }
    std::vector<double> Beliefs(int h) const { return vovido::test::Beliefs(net, h); }
    std::vector<int> Handles() const {
        VRX_intArray all;
        EXPECT_EQ(net.GetAllNodes(all), kSuccess);
        return Items(all);
    }

    // Random tables for every node; with zeroShare > 0 some entries are 0.0 (the first entry of each
    // column stays positive).
    void RandomTables(std::mt19937& rng, double zeroShare) {
        std::uniform_real_distribution<double> u(0.0, 1.0);
        for (int h : Handles()) {
            const int k = net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
            std::vector<double> values(Definition(h).GetNumberOfElements());
            for (size_t c = 0; c < values.size(); c += k) {
                RandomColumn(&values[c], k, rng, [&](int j, int) { return j > 0 && u(rng) < zeroShare; });
            }
            Table(h, values);
        }
    }

    VRX_network net;
};

// "Visit to Asia": eight binary nodes in this handle order, with the published tables.
struct Asia {
    explicit Asia(Notices notices = Notices::kOff) : t(notices) {
        asia = t.Add("asia");
        tub = t.Add("tub");
        smoke = t.Add("smoke");
        lung = t.Add("lung");
        bronc = t.Add("bronc");
        either = t.Add("either");
        xray = t.Add("xray");
        dysp = t.Add("dysp");
        t.Arcs({{asia, tub},
                {smoke, lung},
                {smoke, bronc},
                {lung, either},
                {tub, either},
                {either, xray},
                {bronc, dysp},
                {either, dysp}});
        t.Table(asia, {0.01, 0.99});
        t.Table(tub, {0.05, 0.95, 0.01, 0.99});
        t.Table(smoke, {0.5, 0.5});
        t.Table(lung, {0.1, 0.9, 0.01, 0.99});
        t.Table(bronc, {0.6, 0.4, 0.3, 0.7});
        t.Table(either, {1, 0, 1, 0, 1, 0, 0, 1});
        t.Table(xray, {0.98, 0.02, 0.05, 0.95});
        t.Table(dysp, {0.9, 0.1, 0.8, 0.2, 0.7, 0.3, 0.1, 0.9});
    }

    TestNetwork t;
    int asia, tub, smoke, lung, bronc, either, xray, dysp;
};

}  // namespace vovido::test
