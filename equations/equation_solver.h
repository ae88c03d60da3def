#pragma once
// Belief updating of a network of equation nodes: every node's value computed in topological order, a
// plain equation by evaluating its right side (or by solving it for the node when the node's variable is
// not alone on the left), a strongly coupled component by Newton's method over its members' equations.
// When a plain equation holds a distribution the network is simulated instead, pass after pass, and each
// value becomes the mean and deviation of its samples.

class VRX_network;

// Built fresh for each update.
struct EquationSolverOptions {
    explicit EquationSolverOptions(VRX_network* net) : network(net) {}

    VRX_network* network;
    int maxIterations = 1000000;   // Newton steps allowed for each component
    double differenceStep = 1e-6;  // relative step of the finite-difference derivatives
};

// 0, or kOutOfRange (logged) for a node of another kind, a component equation that holds a distribution, or a
// failure of one of the two passes below.
[[nodiscard]] int RunEquationSolver(const EquationSolverOptions& options);

// The deterministic pass: each value gets its node's value with deviation 0.
[[nodiscard]] int SolveEquationNetwork(const EquationSolverOptions& options);

// numSamples passes, each drawing every distribution afresh; a root node with evidence takes its evidence.
[[nodiscard]] int SampleEquationNetwork(const EquationSolverOptions& options);
