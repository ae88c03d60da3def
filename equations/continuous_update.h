#pragma once
// The update of a network of equation nodes: the equation solver, or, when a node with parents is
// observed, the conversion to a hybrid network.

class VRX_network;

// Drops every propagated evidence and marks the values without evidence out of date, then runs the
// equation solver, or the conversion to a hybrid network when a node with parents is observed; 0 or a
// negative status (logged).
[[nodiscard]] int UpdateContinuous(VRX_network& network);
