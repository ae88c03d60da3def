// An edit re-propagates evidence around what it touched only: the evidence it fixes and frees is what a
// propagation over the whole table gives.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/support/arrays.h"
#include "tests/support/brute_force.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/random_networks.h"

namespace {

using namespace vovido::test;

using LocalRepropagation = FreshLogTest<>;

// Each node's propagated outcome, -1 where it has none.
std::vector<int> Propagated(const VRX_network& net) {
    std::vector<int> out;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_nodeValue* value = net.GetNode(h)->GetValue();
        out.push_back(value->HasFlag(ValueFlags::kPropagatedEvidence) ? value->GetEvidence() : -1);
    }
    return out;
}

// What propagation over the whole table gives: a copy knows nothing of which evidence is current.
std::vector<int> PropagatedAfresh(const VRX_network& net) {
    VRX_network copy(net);
    EXPECT_EQ(copy.RepropagateEvidence(copy.GetFirstNode()), kSuccess);
    return Propagated(copy);
}

bool ConflictLogged() {
    for (const std::string& message : LoggedMessages())
        if (message.find("conficting evidence") != std::string::npos) return true;
    return false;
}

bool TablesSumToOne(const VRX_network& net) {
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_Dmatrix* table = nullptr;
        VRX_nodeDefinition& definition = *net.GetNode(h)->GetDefinition();
        if (definition.GetDefinition(table) != kSuccess) return false;
        const std::vector<double> entries = Entries(*table);
        const size_t k = static_cast<size_t>(definition.GetNumberOfOutcomes());
        for (size_t c = 0; c < entries.size(); c += k) {
            double sum = 0.0;
            for (size_t j = 0; j < k; ++j) sum += entries[c + j];
            if (std::fabs(sum - 1.0) > 1e-12) return false;
        }
    }
    return true;
}

// Every propagated outcome is certain given the findings alone (by enumeration), where the tables are
// read as given.
void ExpectImplied(const VRX_network& net, const std::vector<int>& propagated, const std::string& where) {
    if (!TablesSumToOne(net)) return;
    VRX_network findingsOnly(net);
    (void)findingsOnly.ClearAllPropagatedEvidence();
    const Reference reference = Enumerate(findingsOnly);
    if (!(reference.probEvidence > 0.0)) return;
    size_t i = 0;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h), ++i) {
        if (propagated[i] < 0) continue;
        EXPECT_NEAR(reference.beliefs[h][static_cast<size_t>(propagated[i])], 1.0, 1e-9)
            << where << " node " << h;
    }
}

// Shapes where what an edit changes lies a step or more away from the node it edits.
TEST_F(LocalRepropagation, EvidenceAnEditFixesOrFreesAwayFromItIsFound) {
    struct Case {
        const char* what;
        std::vector<int> before;
        std::vector<int> after;
    };
    // p -> c <- q with a finding on p and c = c0 given p0 whatever q is, but for q's last outcome.
    TestNetwork t(Notices::kOn);
    const int p = t.Add("p");
    const int q = t.Add("q", 3);
    const int c = t.Add("c");
    const int d = t.Add("d");
    t.Arcs({{p, c}, {q, c}, {c, d}});
    t.Table(c, {1, 0, 1, 0, 0.5, 0.5, 0.3, 0.7, 0.3, 0.7, 0.3, 0.7});
    t.Table(d, {1, 0, 0, 1});  // d copies c
    t.Observe(p, 0);
    const Case cases[] = {
        {"finding on p", {-1, -1, -1, -1}, {-1, -1, -1, -1}},
        // Removing q's last outcome leaves c certain given p, and d with it.
        {"outcome of q removed", {-1, -1, -1, -1}, {-1, -1, 0, 0}},
        // Without the arc from c, d follows nothing; c stays fixed.
        {"arc c -> d removed", {-1, -1, 0, 0}, {-1, -1, 0, -1}},
        // A finding d1 fixes c1 backwards, and c1 rules out p0 whatever q is.
        {"arc back, p cleared, finding on d", {-1, -1, 0, -1}, {1, -1, 1, -1}},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(Propagated(t.net), k.before) << k.what;
        const std::string what = k.what;
        if (what == "outcome of q removed") {
            ASSERT_EQ(t.net.GetNode(q)->GetDefinition()->RemoveOutcome(2), kSuccess);
        } else if (what == "arc c -> d removed") {
            ASSERT_EQ(t.net.RemoveArc(c, d), kSuccess);
        } else if (what == "arc back, p cleared, finding on d") {
            t.Arc(c, d);
            t.Table(d, {1, 0, 0, 1});
            ASSERT_EQ(t.Value(p)->ClearEvidence(), kSuccess);
            t.Observe(d, 1);
        }
        EXPECT_EQ(Propagated(t.net), k.after) << k.what;
        EXPECT_EQ(PropagatedAfresh(t.net), k.after) << k.what;
    }
}

// Random networks of deterministic columns with findings, edited at random: after every edit the
// propagated evidence is what a propagation over the whole table finds (but after a finding set, which
// propagates from itself alone), and only outcomes the findings imply.
TEST_F(LocalRepropagation, RandomEditsAgreeWithPropagationEverywhere) {
    RandomShape shape;
    shape.minNodes = 6;
    shape.maxNodes = 14;
    shape.tables = TableKind::kDeterministic;
    shape.evidenceShare = 0.3;
    shape.virtualShare = 0.0;
    for (unsigned seed = 1; seed <= 25; ++seed) {
        std::mt19937 rng(seed);
        VRX_network net;
        Build(net, rng, shape);
        std::vector<int> handles;
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) handles.push_back(h);
        auto any = [&](size_t n) { return static_cast<int>(rng() % n); };
        for (int edit = 0; edit < 30; ++edit) {
            const int h = handles[static_cast<size_t>(any(handles.size()))];
            const int other = handles[static_cast<size_t>(any(handles.size()))];
            VRX_nodeDefinition& definition = *net.GetNode(h)->GetDefinition();
            errorLog.Flush();
            bool findingSet = false;
            int rc = kSuccess;
            switch (any(5)) {
                case 0:
                    rc = net.AddArc(other, h);
                    break;
                case 1:
                    rc = net.RemoveArc(other, h);
                    break;
                case 2: {
                    // A deterministic column at random, the rest as they were.
                    VRX_Dmatrix* table = nullptr;
                    ASSERT_EQ(definition.GetDefinition(table), kSuccess);
                    const int k = definition.GetNumberOfOutcomes();
                    std::vector<double> values = Entries(*table);
                    const size_t column = static_cast<size_t>(any(values.size() / static_cast<size_t>(k)));
                    for (int j = 0; j < k; ++j)
                        values[column * static_cast<size_t>(k) + static_cast<size_t>(j)] = 0;
                    values[column * static_cast<size_t>(k) +
                           static_cast<size_t>(any(static_cast<size_t>(k)))] = 1;
                    rc = definition.SetDefinitionDoubles(Doubles(values));
                    break;
                }
                case 3:
                    rc = (definition.GetNumberOfOutcomes() > 2 ? definition.RemoveOutcome(any(2))
                                                               : definition.AddOutcome(nullptr));
                    break;
                default: {
                    VRX_nodeValue& value = *net.GetNode(h)->GetValue();
                    findingSet = !value.HasFlag(ValueFlags::kEvidence);
                    rc =
                        (value.HasFlag(ValueFlags::kEvidence)
                             ? value.ClearEvidence()
                             : value.SetEvidence(any(static_cast<size_t>(definition.GetNumberOfOutcomes()))));
                }
            }
            const std::string where = "seed " + std::to_string(seed) + " edit " + std::to_string(edit);
            const std::vector<int> local = Propagated(net);
            const std::vector<int> everywhere = PropagatedAfresh(net);
            // With conflicting evidence what propagation keeps depends on where it starts; a finding set
            // propagates from itself alone, which the next edit completes; a refused edit changes nothing.
            if (ConflictLogged() || findingSet || rc != kSuccess) {
                ExpectImplied(net, local, where);
                continue;
            }
            EXPECT_EQ(local, everywhere) << where;
            ExpectImplied(net, local, where);
            if (HasFailure()) return;
        }
    }
}

}  // namespace
