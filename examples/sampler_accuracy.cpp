// Accuracy of the stochastic algorithms on the reference networks: for each network, algorithm and
// sample count, the largest absolute difference between a posterior and the exact one over every node
// and every evidence case whose probability is at least 1e-3, and the mean difference.
//
//   sampler_accuracy [-a 1,3,4,...] [-n 10000,100000] [-s seed] [-v: each case] network...
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "inference/sampling_draws.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace {

struct Case {
    std::string name;
    std::vector<std::pair<std::string, std::string>> evidence;
    double pe = -1.0;
    // node -> outcome -> probability
    std::map<std::string, std::map<std::string, double>> posteriors;
};

std::string PathOf(const std::string& network, const char* extension) {
    return std::string(VOVIDO_NETWORKS_DIR) + "/" + network + extension;
}

std::vector<Case> ReadCases(const std::string& network) {
    std::vector<Case> cases;
    std::ifstream in(PathOf(network, ".cases"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::istringstream words(line);
        Case c;
        words >> c.name;
        std::string finding;
        while (words >> finding) {
            const size_t eq = finding.find('=');
            c.evidence.emplace_back(finding.substr(0, eq), finding.substr(eq + 1));
        }
        cases.push_back(c);
    }
    std::ifstream ref(PathOf(network, ".ref"));
    Case* current = nullptr;
    while (std::getline(ref, line)) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "case") {
            std::string name, pe;
            words >> name >> pe;
            current = nullptr;
            for (Case& c : cases) {
                if (c.name == name) current = &c;
            }
            if (current != nullptr) current->pe = std::stod(pe.substr(3));
            continue;
        }
        if (current == nullptr || first.empty()) continue;
        auto& posterior = current->posteriors[first.substr(0, first.size() - 1)];
        std::string entry;
        while (words >> entry) {
            const size_t eq = entry.find('=');
            posterior[entry.substr(0, eq)] = std::stod(entry.substr(eq + 1));
        }
    }
    return cases;
}

std::vector<int> ParseList(const char* text) {
    std::vector<int> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) out.push_back(static_cast<int>(std::atof(item.c_str())));
    return out;
}

struct Errors {
    bool verbose = false;
    double largest = 0.0;
    double sum = 0.0;
    long count = 0;
    int status = 0;
};

// Runs one case; adds the differences of every node to errors.
void RunCase(VRX_network& net, const Case& c, Errors& errors) {
    net.ClearAllEvidence();
    for (const auto& finding : c.evidence) {
        const int h = net.FindNode(finding.first.c_str());
        const int k =
            net.GetNode(h)->GetDefinition()->GetOutcomesNames()->FindPosition(finding.second.c_str());
        if (const int rc = net.GetNode(h)->GetValue()->SetEvidence(k)) {
            errors.status = rc;
            return;
        }
    }
    net.InvalidateValues();
    errorLog.Flush();
    const int rc = net.UpdateBeliefs();
    if (rc != 0) {
        errors.status = rc;
        return;
    }
    double caseLargest = 0.0;
    std::string worst;
    for (const auto& posterior : c.posteriors) {
        const int h = net.FindNode(posterior.first.c_str());
        VRX_idArray* names = net.GetNode(h)->GetDefinition()->GetOutcomesNames();
        VRX_Dmatrix* beliefs = nullptr;
        if (const int got = net.GetNode(h)->GetValue()->GetValue(beliefs)) {
            errors.status = got;
            return;
        }
        for (const auto& outcome : posterior.second) {
            const int k = names->FindPosition(outcome.first.c_str());
            const double d = std::fabs((*beliefs)[k] - outcome.second);
            if (d > caseLargest) {
                caseLargest = d;
                worst = posterior.first + "=" + outcome.first;
            }
            errors.largest = std::fmax(errors.largest, d);
            errors.sum += d;
            errors.count++;
        }
    }
    if (errors.verbose) std::printf("  %s: %.4f at %s\n", c.name.c_str(), caseLargest, worst.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> algorithms = {1, 3, 4, 6, 7, 8, 9};
    std::vector<int> counts = {10000, 100000, 1000000};
    uint32_t seed = 20240601;
    std::vector<std::string> networks;
    bool verbose = false;
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (arg == "-a" && i + 1 < argc) {
            algorithms = ParseList(argv[++i]);
        } else if (arg == "-n" && i + 1 < argc) {
            counts = ParseList(argv[++i]);
        } else if (arg == "-v") {
            verbose = true;
        } else if (arg == "-s" && i + 1 < argc) {
            seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            networks.push_back(arg);
        }
    }
    std::printf("%-11s %4s %9s %10s %10s\n", "network", "alg", "samples", "max_err", "mean_err");
    for (const std::string& name : networks) {
        VRX_network net;
        if (net.ReadFile(PathOf(name, ".xvrx").c_str()) != 0) {
            std::fprintf(stderr, "cannot read %s\n", name.c_str());
            return 1;
        }
        net.propagationFlags = 0;
        const std::vector<Case> cases = ReadCases(name);
        for (int algorithm : algorithms) {
            net.SetBayesianAlgorithm(algorithm);
            for (int n : counts) {
                // Loopy propagation does not sample: one count is enough.
                if (algorithm == 9 && n != counts.front()) continue;
                net.numSamples = n;
                vovido::SetSamplingSeed(seed);
                Errors errors;
                errors.verbose = verbose;
                for (const Case& c : cases) {
                    if (c.pe >= 1e-3) RunCase(net, c, errors);
                }
                std::printf("%-11s %4d %9d %10.4f %10.5f", name.c_str(), algorithm, n, errors.largest,
                            errors.count > 0 ? errors.sum / errors.count : 0.0);
                if (errors.status != 0) std::printf("  (status %d)", errors.status);
                std::printf("\n");
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
