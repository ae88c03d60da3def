// Sections of the queries beside belief updating: value of information on influence diagrams, and the
// annealed MAP search on the reference networks under several tunings and on a large one at some thousand
// moves, under a fixed seed.
#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "inference/value_of_information.h"
#include "model/algorithm_settings.h"
#include "model/network.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"
#include "tests/support/arrays.h"
#include "tests/support/influence_diagrams.h"
#include "tests/support/reference_networks.h"

#ifndef VOVIDO_NETWORKS_DIR
#error "VOVIDO_NETWORKS_DIR names the folder of the reference networks"
#endif

namespace vovido::compare {
namespace {

std::string Handles(const VRX_intArray& handles) {
    std::string out;
    for (int i = 0; i < handles.GetCount(); ++i) out += (i > 0 ? "," : "") + std::to_string(handles[i]);
    return out;
}

// Observing `observed` before `decision`, seen from `pointOfView` (-1: the decision's own).
void RecordValueOfInformation(VRX_network& net, const std::string& key, const std::vector<int>& observed,
                              int decision, int pointOfView) {
    (void)RecordCall(false, key, [&](std::string& values) {
        VRX_valueOfInformation voi(&net);
        for (int h : observed) {
            if (const int status = voi.AddNode(h)) return status;
        }
        if (const int status = voi.SetDecision(decision)) return status;
        if (pointOfView >= 0) {
            if (const int status = voi.SetPointOfView(pointOfView)) return status;
        }
        const int status = net.UpdateValueOfInformation(voi);
        std::vector<double> indexing;
        for (int i = 0; i < voi.GetIndexingNodes().GetCount(); ++i)
            indexing.push_back(voi.GetIndexingNodes()[i]);
        AppendNumbers(values, "indexing", indexing);
        std::vector<double> table;
        for (int i = 0; i < voi.GetValues().GetNumberOfElements(); ++i) table.push_back(voi.GetValues()[i]);
        AppendNumbers(values, "values", table);
        return status;
    });
}

// Every set of the chance nodes observed before every decision, from each earlier decision too.
void AllQuestions(VRX_network& net, const std::string& base) {
    VRX_valueOfInformation probe(&net);
    VRX_intArray chance, decisions;
    (void)decisions.Copy(probe.GetDecisions());
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        if ((net.GetNodeType(h) & DefinitionBits::kChance) != 0) (void)chance.Add(h);
    }
    const int subsets = 1 << std::min(chance.GetCount(), 4);
    for (int d = 0; d < decisions.GetCount(); ++d) {
        for (int mask = 0; mask < subsets; ++mask) {
            std::vector<int> observed;
            for (int i = 0; i < chance.GetCount() && i < 4; ++i) {
                if ((mask >> i) & 1) observed.push_back(chance[i]);
            }
            for (int view = -1; view < d; ++view) {
                const std::string key = base + ":decision=" + std::to_string(decisions[d]) +
                                        ":observed=" + Handles(test::Ints(observed)) +
                                        ":view=" + std::to_string(view < 0 ? -1 : decisions[view]);
                RecordValueOfInformation(net, key, observed, decisions[d], view < 0 ? -1 : decisions[view]);
            }
        }
    }
    // The decision observed, an unknown node, a utility node as the decision.
    const int last = decisions.GetCount() > 0 ? decisions[decisions.GetCount() - 1] : -1;
    RecordValueOfInformation(net, base + ":refuse:decision-observed", {last}, last, -1);
    RecordValueOfInformation(net, base + ":refuse:unknown-node", {9999}, last, -1);
    RecordValueOfInformation(net, base + ":refuse:unknown-decision", {}, 9999, -1);
    int utility = -1;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        if ((net.GetNodeType(h) & DefinitionBits::kUtility) != 0) utility = h;
    }
    RecordValueOfInformation(net, base + ":refuse:utility-decision", {}, utility, -1);
}

struct Tuning {
    std::string name;
    VRX_annealedMapTuning tuning;
};

std::vector<Tuning> Tunings() {
    std::vector<Tuning> out;
    out.push_back({"default", {}});
    VRX_annealedMapTuning t;
    t.speed = 0.5;
    out.push_back({"speed=0.5", t});
    t = {};
    t.numCycle = 3;
    out.push_back({"numCycle=3", t});
    t = {};
    t.iReheatSteps = 2;
    t.iStopSteps = 4;
    out.push_back({"steps=2,4", t});
    t = {};
    t.Tinit = 0.5;
    t.kReheat = 0.5;
    out.push_back({"Tinit=0.5,kReheat=0.5", t});
    for (double speed : {0.0, 1.0, -0.5, 2.0}) {
        t = {};
        t.speed = speed;
        std::string name = "speed=";
        AppendNumber(name, speed);
        out.push_back({name, t});
    }
    t = {};
    t.numCycle = 0;
    out.push_back({"numCycle=0", t});
    t = {};
    t.iStopSteps = -1;
    out.push_back({"iStopSteps=-1", t});
    return out;
}

}  // namespace

void ValueOfInformationSection() {
    {
        VRX_network net;
        test::BuildWildcatter(net);
        AllQuestions(net, "voi:wildcatter");
    }
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 rng(seed);
        VRX_network net;
        (void)test::BuildRandomDiagram(net, rng, 3, 1 + static_cast<int>(seed % 3), 2);
        AllQuestions(net, "voi:random:" + std::to_string(seed));
    }
}

// One annealed MAP search under the tuning: the MAP nodes' outcomes, their probability and the evidence's.
void RecordAnnealedMap(VRX_network& net, const std::string& key, const VRX_annealedMapTuning& tuning,
                       const std::vector<std::pair<int, int>>& evidence, const std::vector<int>& mapNodes,
                       int seed) {
    (void)RecordCall(false, key, [&](std::string& values) {
        int status = net.SetAnnealedMapTuning(tuning);
        if (status != 0) return status;
        VRX_intArray outcomes;
        double p = -1.0, e = -1.0;
        status = net.AnnealedMAP(evidence, test::Ints(mapNodes), outcomes, p, e, seed);
        std::vector<double> numbers;
        for (int i = 0; i < outcomes.GetCount(); ++i) numbers.push_back(outcomes[i]);
        AppendNumbers(values, "outcomes", numbers);
        AppendNumbers(values, "p", {p, e});
        return status;
    });
}

void AnnealedMapSection(const std::string& name) {
    VRX_network net;
    const std::string base = "annealed-map:" + name;
    if (RecordRead(net, test::ReferencePath(name, ".xvrx"), base + ":read") != 0) return;
    const std::vector<test::ReferenceCase> cases = test::ReadReferenceCases(name);
    for (size_t c = 0; c < cases.size() && c < 3; ++c) {
        // The case's findings as annealed MAP evidence; the MAP nodes: up to 8 nodes without findings.
        std::vector<std::pair<int, int>> evidence;
        std::vector<bool> observed(net.GetNumberOfSlots(), false);
        for (const auto& [id, outcome] : cases[c].evidence) {
            const int h = net.FindNode(id.c_str());
            if (h < 0) continue;
            evidence.emplace_back(h, test::OutcomeIndex(net, h, outcome));
            observed[h] = true;
        }
        std::vector<int> mapNodes;
        for (int h = net.GetFirstNode(); h >= 0 && mapNodes.size() < 8; h = net.GetNextNode(h)) {
            if (!observed[h]) mapNodes.push_back(h);
        }
        for (const Tuning& tuning : Tunings()) {
            const std::string key = base + ":" + cases[c].name + ":" + tuning.name;
            RecordAnnealedMap(net, key, tuning.tuning, evidence, mapNodes, 20261209);
        }
        (void)net.SetAnnealedMapTuning(VRX_annealedMapTuning{});
    }
    // A MAP node listed twice, an unknown one, a finding of no outcome.
    const int first = net.GetFirstNode();
    const std::pair<const char*, std::pair<std::vector<std::pair<int, int>>, std::vector<int>>> refused[] = {
        {"twice", {{}, {first, first}}},
        {"unknown", {{}, {first, 99999}}},
        {"bad-finding", {{{first, 99}}, {}}}};
    for (const auto& [what, request] : refused) {
        (void)RecordCall(false, base + ":refuse:" + what, [&](std::string&) {
            VRX_intArray outcomes;
            double p = -1.0, e = -1.0;
            return net.AnnealedMAP(request.first, test::Ints(request.second), outcomes, p, e, 1);
        });
    }
}

// NETWORK:MOVES: a large network's annealed MAP search of 8 MAP nodes spread over it, without findings and
// with two, the sweeps tuned to some MOVES moves in all.
void AnnealedMapLargeSection(const std::string& which) {
    const std::string name = which.substr(0, which.find(':'));
    const int moves = std::stoi(which.substr(which.find(':') + 1));
    const std::string base = "annealed-map-large:" + which;
    VRX_network net;
    if (RecordRead(net, std::string(VOVIDO_NETWORKS_DIR) + "/large/" + name + ".xvrx", base + ":read") != 0)
        return;
    std::vector<int> handles;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) handles.push_back(h);
    std::vector<int> mapNodes;
    for (size_t i = 0; i < 8; ++i) mapNodes.push_back(handles[(2 * i + 1) * handles.size() / 16]);
    VRX_annealedMapTuning tuning;
    tuning.iStopSteps = moves / 8 - 1;
    tuning.iReheatSteps = tuning.iStopSteps / 2;
    const std::vector<std::pair<int, int>> findings[] = {
        {}, {{handles[handles.size() / 3], 0}, {handles[2 * handles.size() / 3], 0}}};
    for (const auto& evidence : findings) {
        RecordAnnealedMap(net, base + ":findings=" + std::to_string(evidence.size()), tuning, evidence,
                          mapNodes, 20261210);
    }
}

}  // namespace vovido::compare
