// Sections of work near the engine's limits that answers in seconds: a structure-only file of wide
// families read, updated, written in every format and read back, many wide childless families updated,
// a long chain read from a file, samplers with millions of samples, the exact algorithms on a long chain,
// policy evaluation of a decision that observes many nodes and of two decisions that observe many children of
// 22 roots, a DeMorgan node of many parents with observed
// children, a dynamic network unrolled into some 190,000 slices, and a long chain's first write.
#include <algorithm>
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
#include "tests/support/costly_networks.h"
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

// 18 chance nodes in a chain, a decision d and a utility of the last and of d, under both solvers: d
// observing the first `observed` of them, or (`findings`) those nodes observed and d observing the first.
void PolicyEvaluation(int observed, bool findings) {
    VRX_network net;
    const std::string key =
        std::string("limits:policy-") + (findings ? "findings-" : "") + std::to_string(observed);
    std::vector<int> chance;
    for (int i = 0; i < 18; ++i) {
        chance.push_back(net.AddNode(DefinitionType::kCpt, ("c" + std::to_string(i)).c_str()));
        if (chance.back() < 0 || (i > 0 && net.AddArc(chance[i - 1], chance[i]) != 0) ||
            FillTable(net, chance.back()) != 0)
            return PrintAnswer(false, key + ":build", -1, 0.0, "");
    }
    const int d = net.AddNode(DefinitionType::kList, "d");
    const int u = net.AddNode(DefinitionType::kTable, "u");
    for (int i = 0; i < observed; ++i) {
        if ((!findings || i == 0) && net.AddArc(chance[i], d) != 0)
            return PrintAnswer(false, key + ":build", -1, 0.0, "");
        if (findings && net.GetNode(chance[i])->GetValue()->SetEvidence(i % 2) != 0)
            return PrintAnswer(false, key + ":build", -1, 0.0, "");
    }
    VRX_doubleArray utilities;
    if (d < 0 || u < 0 || net.AddArc(chance.back(), u) != 0 || net.AddArc(d, u) != 0 ||
        utilities.SetSize(4) != 0)
        return PrintAnswer(false, key + ":build", -1, 0.0, "");
    for (double v : {10.0, -5.0, 0.0, 3.0}) utilities.AddReserved(v);
    if (net.GetNode(u)->GetDefinition()->SetDefinitionDoubles(utilities) != 0)
        return PrintAnswer(false, key + ":build", -1, 0.0, "");
    RecordFileUpdates(net, key);
}

// 22 two-state roots r0..r21, 44 children c0..c43 of three roots each, decisions d0 -> d1, d0 observing
// c0..c(first - 1) and d1 the next `second`, a utility of r0, r1, d0 and d1: under both solvers.
void TwoDecisions(int first, int second) {
    VRX_network net;
    const std::string key = "limits:policy-22:" + std::to_string(first) + "+" + std::to_string(second);
    std::vector<int> roots, children;
    bool built = true;
    for (int i = 0; i < 22; ++i) {
        roots.push_back(net.AddNode(DefinitionType::kCpt, ("r" + std::to_string(i)).c_str()));
        built = built && roots.back() >= 0 && FillTable(net, roots.back()) == 0;
    }
    for (int i = 0; built && i < 44; ++i) {
        children.push_back(net.AddNode(DefinitionType::kCpt, ("c" + std::to_string(i)).c_str()));
        for (int k : {i, i + 7, i + 15}) built = built && net.AddArc(roots[k % 22], children.back()) == 0;
        built = built && FillTable(net, children.back()) == 0;
    }
    const int d0 = net.AddNode(DefinitionType::kList, "d0");
    const int d1 = net.AddNode(DefinitionType::kList, "d1");
    const int u = net.AddNode(DefinitionType::kTable, "u");
    built = built && d0 >= 0 && d1 >= 0 && u >= 0 && net.AddArc(d0, d1) == 0;
    for (int i = 0; built && i < first + second; ++i)
        built = net.AddArc(children[i], i < first ? d0 : d1) == 0;
    for (int parent : {roots[0], roots[1], d0, d1}) built = built && net.AddArc(parent, u) == 0;
    VRX_doubleArray utilities;
    built = built && utilities.SetSize(16) == 0;
    for (int i = 0; built && i < 16; ++i) utilities.AddReserved((i * 7) % 11 - 3.0);
    if (!built || net.GetNode(u)->GetDefinition()->SetDefinitionDoubles(utilities) != 0)
        return PrintAnswer(false, key + ":build", -1, 0.0, "");
    RecordFileUpdates(net, key);
}

// A DeMorgan node of 25 DeMorgan parents, each a cause, and three children observed.
void DeMorgan() {
    VRX_network net;
    if (test::BuildWideCausalNetwork(net, DefinitionType::kDeMorgan, 25, 3) != 0 ||
        test::ObserveChildren(net) != 0)
        return PrintAnswer(false, "limits:demorgan:build", -1, 0.0, "");
    (void)RecordUpdate(net, false, "limits:demorgan:alg0", [&] { return net.UpdateBeliefs(); });
}

// test::BuildPlateChain's narrow chain of `plate` nodes of `outcomes` outcomes each.
int BuildPlateChain(VRX_network& net, int plate, int outcomes, int slices) {
    if (outcomes == 2) return test::BuildPlateChain(net, plate, slices, false);
    std::vector<int> h;
    for (int i = 0; i < plate; ++i) {
        h.push_back(net.AddNode(DefinitionType::kCpt, ("w" + std::to_string(i)).c_str()));
        if (h.back() < 0) return h.back();
        if (const int rc = net.GetNode(h.back())->GetDefinition()->SetNumberOfOutcomes(outcomes)) return rc;
        if (const int rc = net.SetTemporalType(h.back(), TemporalType::kPlate)) return rc;
        if (i > 0 && net.AddArc(h[i - 1], h[i]) != 0) return -1;
    }
    if (const int rc = net.AddTemporalArc(h[0], h[0], 1)) return rc;
    if (const int rc = net.AddTemporalArc(h[0], h[plate - 1], 1)) return rc;
    return net.SetSliceCount(slices);
}

// A plate of `plate` nodes of `outcomes` outcomes over `slices` slices, unrolled, and its first and last
// nodes' beliefs after an update with the last slice observed; WHICH names the shape.
void Unroll(const std::string& which, int plate, int outcomes, int slices) {
    const std::string key = "limits:unroll-" + which;
    VRX_network net;
    (void)RecordCall(false, key + ":slices",
                     [&](std::string&) { return BuildPlateChain(net, plate, outcomes, slices); });
    (void)RecordCall(false, key + ":unroll", [&](std::string& values) {
        VRX_network unrolled;
        std::vector<int> map;
        const int status = net.UnrollNetwork(unrolled, map);
        AppendNumbers(values, "nodes", {double(unrolled.GetNumberOfNodes()), double(map.size())});
        return status;
    });
    const int last = net.FindNode(("w" + std::to_string(plate - 1)).c_str());
    if (last < 0 || net.GetNode(last)->GetValue()->SetTemporalEvidence(net.GetSliceCount() - 1, 0) != 0)
        return;
    (void)RecordCall(false, key + ":update", [&](std::string& values) {
        const int status = net.UpdateBeliefs();
        for (int h = net.GetFirstNode(); status == 0 && h >= 0; h = net.GetNextNode(h)) {
            VRX_Dmatrix* matrix = nullptr;
            std::vector<double> beliefs;
            if (net.GetNode(h)->GetValue()->GetValue(matrix) == 0 && matrix != nullptr) {
                const int n = matrix->GetNumberOfElements();
                for (int i = 0; i < std::min(n, 4); ++i) beliefs.push_back((*matrix)[i]);
                for (int i = std::max(4, n - 4); i < n; ++i) beliefs.push_back((*matrix)[i]);
            }
            AppendNumbers(values, net.GetNode(h)->GetId(), beliefs);
        }
        return status;
    });
}

// A chain of 100,000 two-state nodes written in the format: the first write of the process, and the file
// read back.
void ChainWrite(const std::string& extension, const std::string& scratch) {
    const std::string key = "limits:write" + extension;
    VRX_network net;
    if (test::BuildBand(net, 100000, 1) != 0) return PrintAnswer(false, key + ":build", -1, 0.0, "");
    const std::string path = scratch + "/chain" + extension;
    if (RecordWrite(net, path, key + ":write") == 0) {
        VRX_network back;
        (void)RecordRead(back, path, key + ":read");
    }
    std::remove(path.c_str());
}

}  // namespace

void LimitsSection(const std::string& which, const std::string& scratch) {
    if (which == "band") BandFile(scratch);
    if (which == "fan") Fan(scratch);
    if (which == "chain-file") ChainFile(scratch);
    if (which == "samples") ManySamples();
    if (which == "chain") LongChain();
    if (which == "grid") Grids();
    if (which.compare(0, 10, "policy-22:") == 0) {
        const size_t plus = which.find('+');
        return TwoDecisions(std::stoi(which.substr(10, plus - 10)), std::stoi(which.substr(plus + 1)));
    }
    if (which.compare(0, 7, "policy-") == 0) {
        const bool findings = which.compare(0, 16, "policy-findings-") == 0;
        PolicyEvaluation(std::stoi(which.substr(findings ? 16 : 7)), findings);
    }
    if (which == "demorgan") DeMorgan();
    if (which.compare(0, 7, "unroll-") == 0) {
        // "unroll-SLICES" (two two-state nodes) or "unroll-PLATExOUTCOMES-SLICES".
        const std::string shape = which.substr(7);
        const size_t x = shape.find('x'), dash = shape.find('-');
        if (x == std::string::npos) return Unroll(shape, 2, 2, std::stoi(shape));
        Unroll(shape, std::stoi(shape.substr(0, x)), std::stoi(shape.substr(x + 1, dash - x - 1)),
               std::stoi(shape.substr(dash + 1)));
    }
    if (which.compare(0, 5, "write") == 0) ChainWrite(which.substr(5), scratch);
}

}  // namespace vovido::compare
