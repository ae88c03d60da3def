#pragma once
// Distribution calls inside the equation cells of a hybrid network (`Z1 + Normal(0, 0.6)`): the
// samplers treat an equation as deterministic, so evidence on such a cell would be explained through a
// parent alone and the noise drawn blind. As the conversion of equation networks does, each call
// becomes a noise node of its own, a parent of the equation, through which the evidence is explained.

class VRX_network;

// True when some equation cell of the network holds a distribution call.
bool HasNoisyEquationCells(VRX_network& network);

// Adds the noise nodes to a working copy of source (same handles) and rewrites its cells; 0 or a status
// code. The hybrid algorithm then runs on the copy.
[[nodiscard]] int SeparateNoiseTerms(VRX_network& work, const VRX_network& source);
// The beliefs of the working copy's nodes into the source's nodes of the same handles.
[[nodiscard]] int CopyBeliefsBack(VRX_network& source, VRX_network& work);
