#pragma once
// Building small networks in tests: nodes with given outcome counts, tables and evidence, the "visit to
// Asia" network, the whole network as one relevance part, and the readers and checks the tests share.

#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "inference/part_view.h"
#include "inference/relevance_graph.h"
#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/int_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "base/status_codes.h"

namespace test_network {

inline VRX_doubleArray Doubles(const std::vector<double>& values) {
    VRX_doubleArray a;
    a.SetSize(static_cast<int>(values.size()));
    for (size_t i = 0; i < values.size(); i++) a[static_cast<int>(i)] = values[i];
    a.SetCount(a.GetSize());
    return a;
}

inline std::vector<double> Entries(const VRX_Dmatrix& m) {
    return std::vector<double>(m.GetData(), m.GetData() + m.GetNumberOfElements());
}

inline std::vector<int> Shape(const VRX_Dmatrix& m) {
    std::vector<int> out;
    for (int i = 0; i < m.GetNumberOfDimensions(); i++) out.push_back(m.GetDimensions()[i]);
    return out;
}

inline std::vector<int> Items(const VRX_intArray& a) {
    return std::vector<int>(a.GetItems(), a.GetItems() + a.GetCount());
}

// The node's beliefs; empty while it has none.
inline std::vector<double> Beliefs(const VRX_network& net, int h) {
    VRX_Dmatrix* m = nullptr;
    net.GetNode(h)->GetValue()->GetValue(m);
    if (m == nullptr || m->GetData() == nullptr) return {};
    return Entries(*m);
}

// Identifiers of a relevance graph's records in its order; "-" for a record of no node.
inline std::vector<std::string> Ids(const RelevanceGraph& graph) {
    std::vector<std::string> ids;
    for (const RelevanceNode* r : graph.records)
        ids.emplace_back(r->node != nullptr ? r->node->GetId() : "-");
    return ids;
}

// The targets in handle order.
inline std::vector<int> Targets(const VRX_network& net) {
    std::vector<int> out;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        if (net.IsTarget(h) == 1) out.push_back(h);
    }
    return out;
}

// Entry by entry; the exact algorithms agree with hand-computed values to rounding, hence the default.
inline void ExpectNear(const std::vector<double>& got, const std::vector<double>& want,
                       double tolerance = 1e-12, const std::string& where = "") {
    ASSERT_EQ(got.size(), want.size()) << where;
    for (size_t k = 0; k < got.size(); k++)
        EXPECT_NEAR(got[k], want[k], tolerance) << where << " outcome " << k;
}

inline void ExpectNear(const std::vector<double>& got, const std::vector<double>& want,
                       const std::string& where) {
    ExpectNear(got, want, 1e-12, where);
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

// Runs work on a thread with a 256 KiB stack, far too small for a recursion as deep as the network.
inline void RunOnSmallStack(const std::function<void()>& work) {
    pthread_attr_t attr;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, 256 * 1024), 0);
    pthread_t thread;
    auto trampoline = [](void* arg) -> void* {
        (*static_cast<const std::function<void()>*>(arg))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, trampoline, const_cast<std::function<void()>*>(&work)), 0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
    pthread_attr_destroy(&attr);
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
    void Observe(int h, int outcome) { EXPECT_EQ(Value(h)->SetEvidence(outcome), kSuccess); }
    VRX_nodeValue* Value(int h) const { return net.GetNode(h)->GetValue(); }
    VRX_Dmatrix& Definition(int h) const {
        VRX_Dmatrix* m = nullptr;
        net.GetNode(h)->GetDefinition()->GetDefinition(m);
        return *m;
    }
    std::vector<double> Beliefs(int h) const { return test_network::Beliefs(net, h); }
    std::vector<int> Handles() const {
        VRX_intArray all;
        net.GetAllNodes(all);
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

// The whole network as one part (records in handle order, every arc kept), optionally with parent lists
// set by hand so that shapes no table could hold can be triangulated.
class WholePart {
public:
    explicit WholePart(VRX_network& net) : graph(net, false), view(graph) {}

    // Makes record p a parent of record c in the part only.
    void Link(int p, int c) {
        graph.records[c]->parents.Add(graph.records[p]);
        graph.records[p]->children.Add(graph.records[c]);
    }
    void Observe(int i) { graph.records[i]->evidence = 0; }
    void Refresh() { ASSERT_EQ(view.Refresh(), kSuccess); }

    RelevanceGraph graph;
    PartView view;
};

}  // namespace test_network
