// The memory and the work of a sampling run, worked out before anything is drawn.
#include "equations/sample_memory.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/gaussian_mixture.h"
#include "definitions/hybrid_definition.h"
#include "definitions/hybrid_element.h"
#include "model/network.h"
#include "model/network_settings.h"
#include "model/node.h"
#include "model/node_label.h"

int CheckSampleMemory(int64_t nodes, int64_t samples) {
    constexpr int64_t kSampleBytes = sizeof(WeightedSample);
    // Neither count passes 2^31, so their product cannot overflow; times the bytes of a sample it may.
    const int64_t draws = nodes * samples;
    if (draws <= kMaxSampleBytes / kSampleBytes) return kSuccess;
    const std::string bytes = draws <= INT64_MAX / kSampleBytes
                                  ? std::to_string(draws * kSampleBytes)
                                  : std::to_string(static_cast<long double>(draws) * kSampleBytes);
    const std::string text = "The samples would take " + std::to_string(nodes) + " nodes x " +
                             std::to_string(samples) + " samples x " + std::to_string(kSampleBytes) +
                             " bytes = " + bytes + " bytes, past the limit of " +
                             std::to_string(kMaxSampleBytes) + " bytes";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

int CheckSampleWork(int64_t terms, int64_t samples, const std::string& heaviest, int64_t heaviestTerms) {
    // Terms stay far below 2^32 (each is memory), samples below 2^31: the product cannot overflow.
    if (terms <= 0 || samples <= kMaxSampleWorkTerms / terms) return kSuccess;
    const std::string text = "Sampling would take " + std::to_string(samples) + " samples x " +
                             std::to_string(terms) + " terms of work a draw (" +
                             std::to_string(heaviestTerms) + " of them for node [" + heaviest +
                             "]) = " + std::to_string(samples * terms) + " terms, past the limit of " +
                             std::to_string(kMaxSampleWorkTerms);
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}

int64_t TermWork(int64_t terms) {
    constexpr int64_t kCachedTerms = int64_t{1} << 16;
    constexpr int64_t kMissFactor = 8;
    return terms > kCachedTerms ? terms * kMissFactor : terms;
}

int64_t SampleAttemptLimit(int64_t /*terms*/, int64_t samples) {
    // The samples' work passed CheckSampleWork: four times it stays within seconds, and a cap of the
    // sample count itself would end a run at its first rejected draw.
    return 1000 + 4 * samples;
}

int CheckHybridSampleWork(const VRX_network& network, int64_t& terms) {
    terms = 0;
    int64_t heaviestTerms = 0;
    int heaviest = -1;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        const auto* definition = dynamic_cast<const VRX_defHybrid*>(network.GetNode(h)->GetDefinition());
        if (definition == nullptr) continue;
        int64_t most = 0;
        for (const auto& cell : definition->GetElementTable().cells) {
            if (cell) most = std::max(most, cell->CountTerms());
        }
        most += kTermsPerKeptSample;
        terms += most;
        if (most > heaviestTerms) {
            heaviestTerms = most;
            heaviest = h;
        }
    }
    // Message passing draws again for the messages of every node, within about one draw per node and
    // sample (its budget), and algorithm 13 samples after it: measured, a run of algorithm 13 takes twice
    // the time of algorithm 14 on the same network (a 3,100-node Tanh chain: 7.8 s and 4.7 s).
    const int64_t factor = network.hybridAlgorithm == HybridAlgorithm::kMessagePassingSampling ||
                                   network.hybridAlgorithm == HybridAlgorithm::kMessagePassing
                               ? 2
                               : 1;
    terms *= factor;
    return CheckSampleWork(terms, network.numSamples,
                           heaviest >= 0 ? vovido::NodeLabel(network, heaviest) : "", heaviestTerms * factor);
}
