#pragma once
// Noisy-MAX nodes during EM: a noisy-MAX node of the working copy is replaced by CPT helper nodes that
// hold its parameter rows (inhibitor or ladder form, chosen by VRX_MAXDECOMP), and read back from them
// after learning.

class VRX_network;

namespace vovido {

// Before EM builds anything: 0 while every noisy-MAX node's tables (its expanded table, scaled and copied,
// and the decomposed node's) stay within the table limit; else kOutOfMemory, logged naming the node and
// the sizes.
[[nodiscard]] int CheckNoisyMaxWork(VRX_network& network);

// 0, or -1 when the node is not a noisy-MAX node or the helpers cannot be made (network unchanged then
// only for the first reason).
[[nodiscard]] int DecomposeNoisyMax(VRX_network& network, int handle);
void RestoreNoisyMax(VRX_network& network, int handle);

bool DecomposeNoisyMaxInhibitors(VRX_network& network, int handle);
bool DecomposeNoisyMaxLadder(VRX_network& network, int handle);
void RestoreNoisyMaxInhibitors(VRX_network& network, int handle);
// False, with nothing changed, when the helper chain is not the one the ladder form left.
bool RestoreNoisyMaxLadder(VRX_network& network, int handle);

}  // namespace vovido
