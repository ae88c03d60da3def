#pragma once
// The memory and the work of a sampling run, worked out before anything is drawn.

#include <cstdint>
#include <string>

// 0, or kOutOfMemory (logged, naming the sizes) when `nodes` nodes of `samples` weighted samples each
// would take more than kMaxSampleBytes.
[[nodiscard]] int CheckSampleMemory(int64_t nodes, int64_t samples);

// 0, or kOutOfMemory (logged, naming the sizes and the node of most terms, `heaviest` with
// `heaviestTerms`) when `samples` draws of `terms` expression terms each pass kMaxSampleWorkTerms.
[[nodiscard]] int CheckSampleWork(int64_t terms, int64_t samples, const std::string& heaviest,
                                  int64_t heaviestTerms);

// The work of evaluating a tree of that many terms: the terms, eight times over for a tree too large for
// the processor's caches (past kCachedTerms), whose every term is a miss. (A hybrid element's inverses
// are many trees, of which a draw evaluates one: they count as they are.)
int64_t TermWork(int64_t terms);

// The attempts a run of `samples` samples may make: four a sample and a thousand besides, whatever the
// `terms` of a draw (their work for the samples is bounded before the run).
int64_t SampleAttemptLimit(int64_t terms, int64_t samples);

class VRX_network;

// 0, or kOutOfMemory as CheckSampleWork for the network's hybrid nodes, each counted by its element of
// most terms; `terms` receives the terms of a draw.
[[nodiscard]] int CheckHybridSampleWork(const VRX_network& network, int64_t& terms);
