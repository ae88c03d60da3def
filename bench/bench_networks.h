#pragma once
// Networks the benchmarks time: the reference networks with the evidence of a case, and random tables
// for generated networks.

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/int_array.h"
#include "bench/bench_check.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/reference_networks.h"

namespace vovido {

// The reference network with the evidence of its case number `item` (the second one by default).
inline std::unique_ptr<VRX_network> LoadReferenceWithEvidence(const std::string& name, size_t item = 1) {
    auto net = std::make_unique<VRX_network>();
    RequireSuccess(net->ReadFile(test::ReferencePath(name, ".xvrx").c_str()), "read");
    const std::vector<test::ReferenceCase> cases = test::ReadReferenceCases(name);
    if (cases.size() <= item || !test::SetCaseEvidence(*net, cases[item]))
        RequireSuccess(kOutOfRange, "evidence");
    return net;
}

// Fills the table of each node with columns of draw() values, normalised.
template <typename Draw>
void FillRandomTables(VRX_network& net, const std::vector<int>& handles, Draw&& draw) {
    for (int h : handles) {
        VRX_nodeDefinition* definition = net.GetNode(h)->GetDefinition();
        VRX_Dmatrix* table = nullptr;
        RequireSuccess(definition->GetDefinition(table), "table");
        const int k = definition->GetNumberOfOutcomes();
        VRX_doubleArray values;
        RequireSuccess(values.SetSize(table->GetNumberOfElements()), "table values");
        values.SetCount(values.GetSize());
        for (int c = 0; c < values.GetCount(); c += k) {
            double sum = 0.0;
            for (int j = 0; j < k; j++) sum += values[c + j] = draw();
            for (int j = 0; j < k; j++) values[c + j] /= sum;
        }
        RequireSuccess(definition->SetDefinitionDoubles(values), "probabilities");
    }
}

// Findings drawn by forward sampling, so that every set is possible: one set a count, of that many nodes'
// outcomes (a node drawn twice is observed once).
inline std::vector<std::vector<std::pair<int, int>>> SampleFindings(VRX_network& net,
                                                                    const std::vector<int>& counts) {
    std::vector<int> all;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) all.push_back(h);
    // Parents before children.
    std::vector<int> order;
    std::vector<char> placed(static_cast<size_t>(all.empty() ? 1 : all.back() + 1), 0);
    while (order.size() < all.size()) {
        for (int h : all) {
            const VRX_intArray& parents = net.GetParents(h);
            bool ready = placed[static_cast<size_t>(h)] == 0;
            for (int k = 0; k < parents.GetCount() && ready; k++)
                ready = placed[static_cast<size_t>(parents[k])] != 0;
            if (!ready) continue;
            placed[static_cast<size_t>(h)] = 1;
            order.push_back(h);
        }
    }
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<int> x(placed.size(), 0);
    std::vector<std::vector<std::pair<int, int>>> findings(counts.size());
    for (size_t s = 0; s < counts.size(); s++) {
        std::vector<std::pair<int, int>>& set = findings[s];
        for (int h : order) {
            VRX_Dmatrix* table = nullptr;
            RequireSuccess(net.GetNode(h)->GetDefinition()->GetDefinition(table), "table");
            const VRX_intArray& parents = net.GetParents(h);
            int64_t offset = 0;
            for (int k = 0; k < parents.GetCount(); k++)
                offset += int64_t{x[static_cast<size_t>(parents[k])]} * table->GetStrides()[k];
            const int outcomes = net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
            const int stride = table->GetStrides()[parents.GetCount()];
            double r = u(rng);
            int o = 0;
            while (o + 1 < outcomes && (r -= table->GetData()[offset + int64_t{o} * stride]) >= 0.0) o++;
            x[static_cast<size_t>(h)] = o;
        }
        for (int k = 0; k < counts[s]; k++) {
            const int h = order[rng() % order.size()];
            set.emplace_back(h, x[static_cast<size_t>(h)]);
        }
    }
    return findings;
}

}  // namespace vovido
