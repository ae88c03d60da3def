#pragma once
// Polytree propagation: exact message passing on a singly connected network, λ-messages from children
// to parents and π-messages from parents to children, over every connected component.
// After Pearl, "Fusion, propagation, and structuring in belief networks", 1986.

class VRX_network;

// Beliefs of every node of a singly connected network, written into the node values and marked up to
// date. 0 on success; nothing is written on failure:
//  -1 (logged) when the network is not singly connected;
//  kOutOfRange (logged) when a node's table does not fit its parents and outcomes;
//  kInconsistentGraph when the network's parent and child lists disagree;
//  kConflictingEvidence (logged) when the evidence has probability zero;
//  kOutOfMemory without memory.
[[nodiscard]] int RunPolytree(VRX_network& network);
