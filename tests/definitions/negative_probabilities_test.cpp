// Every setter that takes probabilities refuses a negative one naming the node, as the readers do, and
// keeps what it had; utilities are free.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "definitions/noisy_max.h"
#include "model/ci_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/arrays.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

using NegativeProbabilities = FreshLogTest<>;

// A -> Y (noisy-MAX), X a plate node with a temporal arc from itself, U a utility under A.
struct Setters {
    VRX_network net;
    int a, y, x, u;
    Setters() {
        a = AddNode(net, DefinitionType::kCpt, "A", {});
        y = AddNode(net, DefinitionType::kNoisyMax, "Y", {"A"});
        x = AddNode(net, DefinitionType::kCpt, "X", {});
        u = AddNode(net, DefinitionType::kTable, "U", {"A"});
        EXPECT_EQ(net.SetTemporalType(x, TemporalType::kPlate), kSuccess);
        EXPECT_EQ(net.AddTemporalArc(x, x, 1), kSuccess);
    }
    VRX_nodeDefinition& Of(int h) { return *net.GetNode(h)->GetDefinition(); }
    // The matrix of the node's numbers, filled with the values.
    static VRX_Dmatrix Shaped(const VRX_Dmatrix& like, const std::vector<double>& values) {
        VRX_Dmatrix m(like);
        for (size_t i = 0; i < values.size(); ++i) m[static_cast<int>(i)] = values[i];
        return m;
    }
};

TEST_F(NegativeProbabilities, EverySetterOfProbabilitiesRefusesThemNamingTheNode) {
    struct Case {
        const char* what;
        const char* node;  // empty: taken
        std::function<int(Setters&)> call;
        std::function<std::vector<double>(Setters&)> numbers;
    };
    const auto table = [](Setters& s, int h) {
        VRX_Dmatrix* m = nullptr;
        EXPECT_EQ(s.Of(h).GetDefinition(m), kSuccess);
        return Entries(*m);
    };
    const auto weights = [](Setters& s) {
        return Entries(*static_cast<VRX_ciDefinition&>(s.Of(s.y)).GetCiWeights());
    };
    const auto temporal = [](Setters& s) { return Items(*s.Of(s.x).GetTemporalDefinition(1)); };
    const Case cases[] = {
        {"table", "A",
         [](Setters& s) {
             return s.Of(s.a).SetDefinitionDoubles(Doubles({1.2, -0.2}));
         },
         [&](Setters& s) { return table(s, s.a); }},
        {"table matrix", "A",
         [&](Setters& s) {
             VRX_Dmatrix* m = nullptr;
             EXPECT_EQ(s.Of(s.a).GetDefinition(m), kSuccess);
             return s.Of(s.a).SetDefinition(Setters::Shaped(*m, {1.2, -0.2}));
         },
         [&](Setters& s) { return table(s, s.a); }},
        {"noisy parameters", "Y",
         [](Setters& s) {
             return s.Of(s.y).SetDefinitionDoubles(Doubles({1.3, -0.3, 0, 1, 0.1, 0.9}));
         },
         weights},
        {"leaky parameters", "Y",
         [](Setters& s) {
             auto& noisy = static_cast<VRX_noisyMAX&>(s.Of(s.y));
             return noisy.SetLeakyParameters(
                 Setters::Shaped(*noisy.GetCiWeights(), {1.3, -0.3, 0, 1, 0.1, 0.9}));
         },
         weights},
        {"temporal table", "X",
         [](Setters& s) {
             return s.Of(s.x).SetTemporalDefinition(1, Doubles({-1, 2, 0.5, 0.5}));
         },
         temporal},
        {"utilities", "",
         [](Setters& s) {
             return s.Of(s.u).SetDefinitionDoubles(Doubles({-5, 3}));
         },
         [&](Setters& s) { return table(s, s.u); }},
    };
    for (const Case& c : cases) {
        Setters s;
        const std::vector<double> before = c.numbers(s);
        errorLog.Flush();
        const int rc = c.call(s);
        if (std::string(c.node).empty()) {
            EXPECT_EQ(rc, kSuccess) << c.what << LogDump();
            EXPECT_EQ(c.numbers(s), (std::vector<double>{-5, 3})) << c.what;
            continue;
        }
        EXPECT_EQ(rc, kOutOfRange) << c.what;
        ASSERT_FALSE(LoggedMessages().empty()) << c.what;
        EXPECT_EQ(LoggedMessages().front().rfind("ERROR: Node [" + std::string(c.node) + "] : -", 0), 0u)
            << c.what << ": " << LogDump();
        EXPECT_NE(LoggedMessages().front().find(" is no probability"), std::string::npos) << c.what;
        EXPECT_EQ(c.numbers(s), before) << c.what;
    }
}

}  // namespace
