// Reference networks in the XML format: each loads, and for every evidence case of its ".cases" file the
// posteriors after a belief update and the probability of the evidence match the exact references.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "base/status_codes.h"
#include "xml/xml_network.h"

#ifndef VOVIDO_NETWORKS_DIR
#error "VOVIDO_NETWORKS_DIR names the folder of the reference networks"
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VOVIDO_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VOVIDO_UNDER_ASAN 1
#endif

namespace {

constexpr double kTolerance = 1e-9;

#ifdef VOVIDO_UNDER_ASAN
// The instrumented build checks memory, not numbers: a few cases per network are enough there.
constexpr size_t kMaxCases = 2;
#else
constexpr size_t kMaxCases = 1000;
#endif

struct Posterior {
    std::string node;
    std::vector<std::pair<std::string, double>> outcomes;
};

struct ReferenceCase {
    std::string name;
    std::vector<std::pair<std::string, std::string>> evidence;
    double probabilityOfEvidence = -1.0;
    std::vector<Posterior> posteriors;
};

std::string PathOf(const std::string& network, const char* extension) {
    return std::string(VOVIDO_NETWORKS_DIR) + "/" + network + extension;
}

// "NAME<tab>NODE=OUTCOME NODE=OUTCOME ..." per line.
std::vector<ReferenceCase> ReadCases(const std::string& network) {
    std::vector<ReferenceCase> cases;
    std::ifstream in(PathOf(network, ".cases"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::istringstream words(line);
        ReferenceCase item;
        words >> item.name;
        std::string finding;
        while (words >> finding) {
            const size_t eq = finding.find('=');
            item.evidence.emplace_back(finding.substr(0, eq), finding.substr(eq + 1));
        }
        cases.push_back(std::move(item));
    }
    return cases;
}

// "case NAME pe=P", then "NODE: outcome=p outcome=p ..." per node.
void ReadReferences(const std::string& network, std::vector<ReferenceCase>& cases) {
    std::ifstream in(PathOf(network, ".ref"));
    std::string line;
    ReferenceCase* current = nullptr;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "case") {
            std::string name;
            std::string pe;
            words >> name >> pe;
            current = nullptr;
            for (ReferenceCase& item : cases) {
                if (item.name == name) current = &item;
            }
            if (current != nullptr) current->probabilityOfEvidence = std::stod(pe.substr(3));
            continue;
        }
        if (current == nullptr || first.empty()) continue;
        Posterior posterior;
        posterior.node = first.substr(0, first.size() - 1);
        std::string entry;
        while (words >> entry) {
            const size_t eq = entry.find('=');
            posterior.outcomes.emplace_back(entry.substr(0, eq), std::stod(entry.substr(eq + 1)));
        }
        current->posteriors.push_back(std::move(posterior));
    }
}

// Sum over the nodes of the largest distance of a table column's sum from 1. Some files round their
// tables (columns of 0.3333333 three times); the references sum the joint over every node, while the
// update leaves out the nodes irrelevant to the evidence, which assumes their columns sum to 1. The
// probability of evidence may differ by that much relatively; the posteriors are normalised and do not.
double ColumnSumDeviation(VRX_network& net) {
    double total = 0.0;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_Dmatrix* table = nullptr;
        if (net.GetNode(h)->GetDefinition()->GetDefinition(table) != kSuccess || table == nullptr) continue;
        const int outcomes = table->GetSizeOfDimension(table->GetNumberOfDimensions() - 1);
        double worst = 0.0;
        for (int start = 0; outcomes > 0 && start < table->GetNumberOfElements(); start += outcomes) {
            double sum = 0.0;
            for (int k = 0; k < outcomes; ++k) sum += (*table)[start + k];
            worst = std::fmax(worst, std::fabs(sum - 1.0));
        }
        total += worst;
    }
    return total;
}

int OutcomeIndex(VRX_network& net, int handle, const std::string& outcome) {
    const VRX_idArray* names = net.GetNode(handle)->GetDefinition()->GetOutcomesNames();
    return names != nullptr ? names->FindPosition(outcome.c_str()) : -1;
}

class ReferenceNetworkTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ReferenceNetworkTest, PosteriorsAndProbabilityOfEvidenceMatchTheReferences) {
    const std::string name = GetParam();
    errorLog.Flush();
    VRX_network net;
    ASSERT_TRUE(LoadXmlNetwork(PathOf(name, ".xvrx").c_str(), &net, nullptr))
        << (errorLog.GetNumberOfEntries() > 0 ? errorLog.GetMessage(0) : "");
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);

    const double deviation = ColumnSumDeviation(net);
    std::vector<ReferenceCase> cases = ReadCases(name);
    ReadReferences(name, cases);
    ASSERT_FALSE(cases.empty());
    if (cases.size() > kMaxCases) cases.resize(kMaxCases);

    for (const ReferenceCase& item : cases) {
        SCOPED_TRACE(name + " " + item.name);
        ASSERT_GE(item.probabilityOfEvidence, 0.0) << "no reference";
        ASSERT_EQ(static_cast<int>(item.posteriors.size()), net.GetNumberOfNodes());
        net.ClearAllEvidence();
        for (const auto& finding : item.evidence) {
            const int handle = net.FindNode(finding.first.c_str());
            ASSERT_GE(handle, 0) << finding.first;
            const int outcome = OutcomeIndex(net, handle, finding.second);
            ASSERT_GE(outcome, 0) << finding.first << "=" << finding.second;
            ASSERT_EQ(net.GetNode(handle)->GetValue()->SetEvidence(outcome), kSuccess) << finding.first;
        }
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess);
        for (const Posterior& posterior : item.posteriors) {
            const int handle = net.FindNode(posterior.node.c_str());
            ASSERT_GE(handle, 0) << posterior.node;
            VRX_Dmatrix* beliefs = nullptr;
            ASSERT_EQ(net.GetNode(handle)->GetValue()->GetValue(beliefs), kSuccess);
            ASSERT_EQ(beliefs->GetNumberOfElements(), static_cast<int>(posterior.outcomes.size()))
                << posterior.node;
            for (const auto& outcome : posterior.outcomes) {
                const int index = OutcomeIndex(net, handle, outcome.first);
                ASSERT_GE(index, 0) << posterior.node << "=" << outcome.first;
                EXPECT_NEAR((*beliefs)[index], outcome.second, kTolerance)
                    << posterior.node << "=" << outcome.first;
            }
        }
        double pe = -1.0;
        ASSERT_TRUE(net.CalcPropEvidence(&pe, false));
        EXPECT_NEAR(pe, item.probabilityOfEvidence, (kTolerance + deviation) * item.probabilityOfEvidence);
    }
}

INSTANTIATE_TEST_SUITE_P(Networks, ReferenceNetworkTest,
                         ::testing::Values("asia", "child", "insurance", "water", "alarm", "hailfinder",
                                           "hepar2", "win95pts", "andes"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

}  // namespace
