// Sections of work near the engine's limits that answers in seconds: a structure-only file of wide
// families read, updated, written in every format and read back, many wide childless families updated,
// a long chain read from a file, samplers with millions of samples, and the exact algorithms on a long
// chain.
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

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

// 20 two-state roots and 60 two-state children of them all, tables left to the defaults: 960 MB of
// tables, under the exact algorithms.
void Fan(const std::string& scratch) {
    const int roots = 20;
    const std::string path = scratch + "/fan.net";
    std::ofstream(path) << test::FamiliesText(".net", roots + 60,
                                              [](int i) { return std::make_pair(0, i < roots ? 0 : roots); });
    VRX_network net;
    const int status = RecordRead(net, path, "limits:fan:read");
    std::remove(path.c_str());
    if (status != 0) return;
    for (int algorithm :
         {BayesianAlgorithm::kClusteringWithDecomposition, BayesianAlgorithm::kRelevanceDecomposition,
          BayesianAlgorithm::kRelevanceDecomposition2}) {
        net.SetBayesianAlgorithm(algorithm);
        net.InvalidateValues();
        (void)RecordUpdate(net, false, "limits:fan:alg" + std::to_string(algorithm),
                           [&] { return net.UpdateBeliefs(); });
    }
}

// A Hugin file of a chain of 200,000 two-state nodes (20 MB), read and updated.
void ChainFile(const std::string& scratch) {
    const std::string path = scratch + "/chain.net";
    std::ofstream(path) << test::BandText(".net", 200000, 1);
    VRX_network net;
    const int status = RecordRead(net, path, "limits:chain-file:read");
    std::remove(path.c_str());
    if (status == 0)
        (void)RecordUpdate(net, false, "limits:chain-file:alg0", [&] { return net.UpdateBeliefs(); });
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

// A grid of `width` x `height` two-state nodes, each a child of its left and upper neighbours, with
// tables of the engine's default; the last node observed.
bool BuildGrid(VRX_network& net, int width, int height) {
    std::vector<int> h;
    for (int i = 0; i < width * height; ++i) {
        h.push_back(net.AddNode(DefinitionType::kCpt, ("g" + std::to_string(i)).c_str()));
        if (h.back() < 0) return false;
        if (i % width > 0 && net.AddArc(h[i - 1], h[i]) != 0) return false;
        if (i >= width && net.AddArc(h[i - width], h[i]) != 0) return false;
    }
    return net.GetNode(h.back())->GetValue()->SetEvidence(1) == 0;
}

// Grids under the exact algorithms: the relevance decompositions' costs grow with the grid's width.
void Grids() {
    for (const auto& [width, height] : {std::pair<int, int>{11, 40}, {8, 80}, {14, 14}}) {
        VRX_network net;
        if (!BuildGrid(net, width, height)) return;
        for (int algorithm :
             {BayesianAlgorithm::kClusteringWithDecomposition, BayesianAlgorithm::kRelevanceDecomposition,
              BayesianAlgorithm::kRelevanceDecomposition2}) {
            net.SetBayesianAlgorithm(algorithm);
            net.InvalidateValues();
            (void)RecordUpdate(net, false,
                               "limits:grid:" + std::to_string(width) + "x" + std::to_string(height) +
                                   ":alg" + std::to_string(algorithm),
                               [&] { return net.UpdateBeliefs(); });
        }
    }
}

}  // namespace

void LimitsSection(const std::string& which, const std::string& scratch) {
    if (which == "band") BandFile(scratch);
    if (which == "fan") Fan(scratch);
    if (which == "chain-file") ChainFile(scratch);
    if (which == "samples") ManySamples();
    if (which == "chain") LongChain();
    if (which == "grid") Grids();
}

}  // namespace vovido::compare
