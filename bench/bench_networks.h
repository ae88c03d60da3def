#pragma once
// Networks the benchmarks time: the reference networks with the evidence of a case, and random tables
// for generated networks.

#include <memory>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
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

}  // namespace vovido
