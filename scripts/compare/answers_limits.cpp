// Sections of work near the engine's limits that answers in seconds: a structure-only file of wide
// families read, updated, written in every format and read back, samplers with millions of samples, and
// the exact algorithms on a long chain.
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>

#include "base/double_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"
#include "tests/support/costly_inputs.h"
#include "tests/support/reference_networks.h"

namespace vovido::compare {
namespace {

// 40 families of 16 two-state parents in a 5 KB Hugin file without numbers: 42 MB of tables.
void BandFile(const std::string& scratch) {
    const std::string path = scratch + "/band.net";
    std::ofstream(path) << test::HuginBandText(56, 16);
    VRX_network net;
    const int status = RecordRead(net, path, "limits:band:read");
    std::remove(path.c_str());
    if (status == 0) RecordFileAnswers(net, scratch, "limits:band");
}

void ManySamples() {
    for (const auto& [name, samples] : {std::pair<const char*, int>{"hepar2", 1000000},
                                        {"hepar2", 10000000},
                                        {"andes", 300000},
                                        {"andes", 3000000}}) {
        const std::string key = "limits:samples:" + std::string(name) + ":" + std::to_string(samples);
        VRX_network net;
        if (RecordRead(net, test::ReferencePath(name, ".xvrx"), key + ":read") != 0) continue;
        if (!test::SetCaseEvidence(net, test::ReadReferenceCases(name)[1])) continue;
        net.SetBayesianAlgorithm(BayesianAlgorithm::kLikelihoodWeighting);
        net.numSamples = samples;
        SeedSamplers();
        (void)RecordUpdate(net, true, key + ":alg3", [&] { return net.UpdateBeliefs(); });
    }
}

// 20,000 two-state nodes in a chain, the last observed.
void LongChain() {
    VRX_network net;
    const int length = 20000;
    VRX_doubleArray table;
    if (table.SetSize(4) != 0) return;
    for (double p : {0.9, 0.1, 0.2, 0.8}) table.AddReserved(p);
    int previous = -1;
    for (int i = 0; i < length; ++i) {
        const int h = net.AddNode(DefinitionType::kCpt, ("n" + std::to_string(i)).c_str());
        if (h < 0 || (previous >= 0 && net.AddArc(previous, h) != 0)) return;
        if (previous >= 0 && net.GetNode(h)->GetDefinition()->SetDefinitionDoubles(table) != 0) return;
        previous = h;
    }
    if (net.GetNode(previous)->GetValue()->SetEvidence(1) != 0) return;
    for (int algorithm :
         {BayesianAlgorithm::kClusteringWithDecomposition, BayesianAlgorithm::kPolytree,
          BayesianAlgorithm::kRelevanceDecomposition, BayesianAlgorithm::kRelevanceDecomposition2}) {
        net.SetBayesianAlgorithm(algorithm);
        net.InvalidateValues();
        (void)RecordUpdate(net, false, "limits:chain:alg" + std::to_string(algorithm),
                           [&] { return net.UpdateBeliefs(); });
    }
}

}  // namespace

void LimitsSection(const std::string& which, const std::string& scratch) {
    if (which == "band") BandFile(scratch);
    if (which == "samples") ManySamples();
    if (which == "chain") LongChain();
}

}  // namespace vovido::compare
