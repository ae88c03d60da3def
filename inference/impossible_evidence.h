#pragma once
// Detection of evidence of probability zero that no join tree would see: nodes fixed by evidence, or by
// the deterministic entries the relevance step spreads it through, are answered without one.

#include <string>

class VRX_network;

namespace vovido {

// Spreads the evidence (value flags 1 and 4) the way the relevance step does, fixing a parent when only
// one of its outcomes keeps the observation possible and a child whose outcome is certain, and tests
// every fixed node against the outcomes of its fixed parents. kConflictingEvidence (logged, naming the node
// where the contradiction shows) when the evidence has probability zero, kOutOfMemory without memory, 0
// otherwise. Sound: only a true contradiction is reported; conflicts inside a part are left to its join tree.
[[nodiscard]] int CheckEvidencePossible(VRX_network& network);

// After an update that found its evidence of probability zero as a whole, with `logStart` the number of
// log entries before it: its words, which name no node, are given the nodes observed ("... zero given the
// evidence on [A], [B], so ..."), for those are where the caller looks. Entries that name a node stay.
void NameImpossibleEvidence(const VRX_network& network, int logStart);

// The nodes the caller observed or gave virtual evidence, "[A], [B]" (the first eight and a count), but
// `left`; a temporary node that stands for virtual evidence is named by its node. Empty when there is none.
std::string EvidenceNodesText(const VRX_network& network, int left = -1);

}  // namespace vovido
