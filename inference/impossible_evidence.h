#pragma once
// Detection of evidence of probability zero that no join tree would see: nodes fixed by evidence, or by
// the deterministic entries the relevance step spreads it through, are answered without one.

class VRX_network;

namespace vovido {

// Spreads the evidence (value flags 1 and 4) the way the relevance step does, fixing a parent when only
// one of its outcomes keeps the observation possible and a child whose outcome is certain, and tests
// every fixed node against the outcomes of its fixed parents. kConflictingEvidence (logged, naming the node
// where the contradiction shows) when the evidence has probability zero, kOutOfMemory without memory, 0
// otherwise. Sound: only a true contradiction is reported; conflicts inside a part are left to its join tree.
[[nodiscard]] int CheckEvidencePossible(VRX_network& network);

}  // namespace vovido
