#pragma once
// The stochastic belief-update algorithms of discrete networks (algorithm numbers 1 and 3 to 9) and the
// helpers they share. Each driver returns 0, or kNoUsefulSamples with "No useful samples have been generated
// for some of nodes." logged when some relevant part produced no useful sample, or kConflictingEvidence
// (logged) for evidence that spreading through deterministic table entries shows to be impossible.

#include <cstdint>
#include <string>

#include "inference/relevant_parts.h"

class SampleNet;
class VRX_network;

namespace vovido {
// The failure of every sampling driver, logged with kNoUsefulSamples.
constexpr char kNoUsefulSamplesText[] = "No useful samples have been generated for some of nodes.";
}  // namespace vovido

class PartView;

// Appends "[id]" of record i's node to out, the first few of them only (then ", ..."); counts in named
// every node with an identifier.
void AppendPartNodeName(const PartView& view, int i, int& named, std::string& out);

// kNoUsefulSamples logged with the text followed by the part that gave no useful sample: its observed
// nodes, whose evidence no sample matched, and some of its nodes by identifier.
int LogNoUsefulSamples(const PartView& view);

// Algorithm 1: forward sampling, samples that contradict the evidence rejected.
[[nodiscard]] int RunLogicSampling(VRX_network& network);
// Algorithms 3 and 5: evidence fixed, each sample weighted by the probability of the evidence.
[[nodiscard]] int RunLikelihoodWeighting(VRX_network& network);
// Algorithm 4: importance sampling whose importance tables are re-estimated every 100 samples.
[[nodiscard]] int RunSelfImportanceSampling(VRX_network& network);
// Algorithm 6: the parents of observed nodes drawn backwards from the observed row of the table.
[[nodiscard]] int RunBackwardSampling(VRX_network& network);
// Algorithm 7: adaptive importance sampling on every relevant part.
[[nodiscard]] int RunAdaptiveImportanceSamplingOnParts(VRX_network& network);
// Algorithm 8: importance sampling after loopy pre-propagation on every relevant part.
[[nodiscard]] int RunPrepropagatedImportanceSamplingOnParts(VRX_network& network);
// Algorithm 9: loopy belief propagation on every relevant part.
[[nodiscard]] int RunLoopyPropagationOnParts(VRX_network& network);

// The work a body will do on a part: steps in all, with the samples it draws, the cells of its tables and
// those it copies into working tables.
struct PartWork {
    int64_t steps = 0;
    int64_t samples = 0;
    int64_t cells = 0;
    int64_t copied = 0;
};
using PartWorkCounter = PartWork (*)(const PartView& view);

// Runs body on a sampling network of each relevant part (single-record parts included), after every
// value without evidence lost its up-to-date mark. With a counter, the work of every part is counted
// first, and a run past the sampling limit is refused (kOutOfMemory, logged) before any part is sampled.
// Stops at the first part whose body fails: kNoUsefulSamples logged and returned, the parts before it keep
// their beliefs. A part that cannot be set up stops the run with its own status logged (kOutOfRange for a
// table that does not fit its node, kOutOfMemory). 0 for a network without parts.
// tables: the working tables body reads (SampleNet::kImportanceTables, kLearningTables).
[[nodiscard]] int RunSamplingOnParts(VRX_network& network, int (*body)(SampleNet& net), int tables,
                                     PartWorkCounter count);

// Every part of exactly one record takes its beliefs from its table and leaves the list; the other parts
// keep their order. 0, or the first failure of writing beliefs.
[[nodiscard]] int RemoveSingleNodeParts(vovido::RelevantPartList& parts);

// Divides the n values by sum, computing the sum first when it is 0; returns the sum used. When the
// values sum to 0 they are left and 0 is returned.
double NormalizeVector(double* values, int n, double sum);
