// The driver of scripts/compare-commit.sh: the same inputs answered by the build it is linked with, one
// line per answer (answer_record.h), so that two builds' lines can be compared.
//     compare-answers --list                 the sections, one a line
//     compare-answers SECTION SCRATCH-DIR    the answers of one section
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/random_generator.h"
#include "equations/hybrid_sampling_network.h"
#include "inference/sampling_draws.h"
#include "scripts/compare/answer_sections.h"

namespace vovido::compare {

bool IsDiscreteSampler(int algorithm) {
    switch (algorithm) {
        case BayesianAlgorithm::kLogicSampling:
        case BayesianAlgorithm::kLikelihoodWeighting:
        case BayesianAlgorithm::kSelfImportanceSampling:
        case BayesianAlgorithm::kLikelihoodWeightingToo:
        case BayesianAlgorithm::kBackwardSampling:
        case BayesianAlgorithm::kAdaptiveImportanceSampling:
        case BayesianAlgorithm::kPrepropagatedImportanceSampling:
            return true;
        default:
            return false;
    }
}

void SeedSamplers() {
    vovido::SetSamplingSeed(20261208u);
    vovido::SeedHybridGenerators(20261208u);
}

}  // namespace vovido::compare

namespace {

using namespace vovido::compare;

// Seeds of the random edits per scope: every edit, and kinds, arcs and evidence only.
const std::pair<const char*, int> kEditScopes[] = {{"everything", 20}, {"kinds", 6}};

std::vector<std::string> Sections() {
    std::vector<std::string> out;
    for (const std::string& name : ReferenceNetworks()) out.push_back("reference:" + name);
    for (const std::string& name : ReferenceNetworks()) out.push_back("stream:" + name);
    for (const std::string& path : RealFiles()) out.push_back("file:" + path);
    for (const auto& [scope, seeds] : kEditScopes) {
        for (int seed = 1; seed <= seeds; ++seed)
            out.push_back(std::string("edits:") + scope + ":" + std::to_string(seed));
    }
    out.emplace_back("decisions");
    out.emplace_back("hybrid");
    for (const char* which :
         {"band", "fan", "chain-file", "samples", "chain", "grid", "policy-15", "policy-16",
          "policy-findings-15", "policy-findings-16", "demorgan", "unroll-185000", "unroll-195000"})
        out.push_back(std::string("limits:") + which);
    for (const std::string& extension : WritableFormats()) out.push_back("limits:write" + extension);
    for (const char* shape : {"21:4000", "20:2000"}) out.push_back(std::string("cluster-leaves:") + shape);
    for (const char* network : {"munin", "munin1", "barley", "link"}) {
        for (int algorithm : {0, 10, 11, 12})
            out.push_back(std::string("large:") + network + ":" + std::to_string(algorithm));
    }
    for (const char* which : {"munin:0", "munin:11"}) out.push_back(std::string("queries:") + which);
    for (const char* form : {"hybrid", "equation"}) {
        for (const char* group : {"tanh", "sinh", "bounded", "tail"})
            out.push_back(std::string("saturating:") + form + ":" + group);
    }
    out.emplace_back("entries");
    for (const char* which : {"4:13", "4:14", "2:19", "2:20"})
        out.push_back(std::string("diagnosis-limits:") + which);
    for (const char* which : {"pc", "em", "greedy", "naive-bayes", "search"})
        out.push_back(std::string("learning:") + which);
    for (const char* network : {"asia", "hepar2", "win95pts"})
        out.push_back(std::string("diagnosis:") + network);
    for (const char* which : {"umbrella", "umbrella-order2", "plate-wide", "plate-narrow"})
        out.push_back(std::string("dynamic:") + which);
    out.emplace_back("voi");
    for (const char* network : {"asia", "alarm", "hepar2", "water"})
        out.push_back(std::string("annealed-map:") + network);
    out.emplace_back("ki");
    // The shapes of the latest mends.
    for (const char* form : {"hybrid", "equation"}) out.push_back(std::string("hybrid-shapes:") + form);
    out.emplace_back("leaves");
    for (const char* algorithm : {"0", "11", "12"})
        out.push_back(std::string("random-findings:link:") + algorithm);
    out.emplace_back("prob-evidence:link");
    for (const char* which : {"backward:20", "backward:21", "shared:25"})
        out.push_back(std::string("demorgan:") + which);
    out.emplace_back("leaf-edits:20000");
    for (const char* which : {"sample-counts", "tiny-negatives", "labels", "network-id"})
        out.push_back(std::string("file-shapes:") + which);
    for (const char* which : {"policy-22:5+6", "policy-22:6+6", "unroll-3x4-100000"})
        out.push_back(std::string("limits:") + which);
    out.emplace_back("diagnosis-limits:4:12:60");
    out.emplace_back("annealed-map-large:munin:3000");
    for (const char* which : {"decision", "decision-plate", "every-type"})
        out.push_back(std::string("dynamic:") + which);
    return out;
}

// Runs a kind of section with the text after its name and its scratch folder.
using Run = std::function<void(const std::string&, const std::string&)>;

const Run* FindRun(const std::string& kind) {
    using S = const std::string&;
    static const std::map<std::string, Run> runs = {
        {"reference", [](S arg, S) { ReferenceSection(arg); }},
        {"stream", [](S arg, S) { StreamSection(arg); }},
        {"file", FileSection},
        {"edits", EditsSection},
        {"decisions", [](S, S) { DecisionsSection(); }},
        {"hybrid", [](S, S) { HybridSection(); }},
        {"limits", LimitsSection},
        {"learning", [](S arg, S) { LearningSection(arg); }},
        {"diagnosis", [](S arg, S) { DiagnosisSection(arg); }},
        {"dynamic", DynamicSection},
        {"voi", [](S, S) { ValueOfInformationSection(); }},
        {"annealed-map", [](S arg, S) { AnnealedMapSection(arg); }},
        {"ki", [](S, S scratch) { KiSection(scratch); }},
        {"cluster-leaves", [](S arg, S) { ClusterLeavesSection(arg); }},
        {"large", [](S arg, S) { LargeSection(arg); }},
        {"queries", [](S arg, S) { QueriesSection(arg); }},
        {"saturating", [](S arg, S) { SaturatingSection(arg); }},
        {"entries", [](S, S scratch) { EntriesSection(scratch); }},
        {"diagnosis-limits", [](S arg, S) { DiagnosisLimitsSection(arg); }},
        {"annealed-map-large", [](S arg, S) { AnnealedMapLargeSection(arg); }},
        {"hybrid-shapes", [](S arg, S) { HybridShapesSection(arg); }},
        {"leaves", [](S, S) { LeavesSection(); }},
        {"random-findings", [](S arg, S) { RandomFindingsSection(arg); }},
        {"prob-evidence", [](S arg, S) { ProbEvidenceSection(arg); }},
        {"demorgan", [](S arg, S) { DeMorganSection(arg); }},
        {"leaf-edits", [](S arg, S) { LeafEditsSection(arg); }},
        {"file-shapes", FileShapesSection},
    };
    const auto found = runs.find(kind);
    return found == runs.end() ? nullptr : &found->second;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--list") {
        for (const std::string& section : Sections()) std::printf("%s\n", section.c_str());
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: compare-answers --list | compare-answers SECTION SCRATCH-DIR\n");
        return 2;
    }
    const std::string section = argv[1];
    const std::string scratch = argv[2];
    const size_t colon = section.find(':');
    const std::string kind = section.substr(0, colon);
    const std::string arg = colon == std::string::npos ? std::string() : section.substr(colon + 1);
    const Run* run = FindRun(kind);
    if (run == nullptr) {
        std::fprintf(stderr, "compare-answers: no section '%s'\n", section.c_str());
        return 2;
    }
    (*run)(arg, scratch);
    return 0;
}
