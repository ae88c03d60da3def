#pragma once
// Where a distribution call of constant arguments puts its values, and how widely: the hybrid samplers
// ask whether a value can be taken at all and which parent an observed equation is best solved for.

class VRX_expression;

// The interval outside which the call (its sign applied) has no density: infinite ends for Normal,
// Lognormal, Exponential and Weibull tails. False for anything but a call of constant arguments of
// valid parameters.
bool CallSupport(const VRX_expression& call, double& lower, double& upper);

// How far x lies outside the support of the call without its sign (0 within; NaN where the support
// is unknown).
double DistanceOutsideCall(const VRX_expression& call, double x);

// How an inverse through a term of this call fares: 2 for a support unbounded on both sides, 1 on
// one, 0 for a bounded one (a draw of the other terms can then leave no value of it), with the
// call's deviation; false where the call is not one of constant arguments.
bool CallReach(const VRX_expression& call, int& unboundedSides, double& deviation);

// A call of a distribution of whole numbers (Bernoulli, Binomial), whatever its arguments: it has a
// probability at each of a few points and no density, so a value solved for it from a continuous one
// fits with probability 0.
bool IsWholeNumberCall(const VRX_expression& call);
