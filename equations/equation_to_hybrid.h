#pragma once
// Conversion of an equation network with evidence on a node that has parents into a temporary hybrid
// network: every distribution call becomes an auxiliary distribution node, every equation a
// deterministic element with its inverses; the network's hybrid algorithm runs on it and the results
// come back into the equation nodes' values.

#include <memory>
#include <string>

class VRX_network;
class VRX_expression;

// 0, or the failing code: kOutOfRange with "Conversion to HBN failed for node " and the identifier, or the
// algorithm's code with "HBN algorithm failed." (the values without evidence are then out of date).
[[nodiscard]] int RunHybridConversion(VRX_network& source);

// A HEQUATION node of the identifier for the right side, with an auxiliary node for every distribution
// call in it; its handle or a negative code.
[[nodiscard]] int ConvertEquationNode(VRX_network& hybrid, const std::string& id, const VRX_expression& right,
                                      const VRX_network& source, int& counter, double lower, double upper);
// A DISTRIBUTION node of the identifier for the call (its sign kept), with arcs from the nodes of the
// variables its arguments name; its handle or a negative code.
[[nodiscard]] int CreateDistributionNode(VRX_network& hybrid, const std::string& id,
                                         const VRX_expression& call, double lower, double upper);
// The range of a noise node drawing from the call: twelve deviations about the mean of a call whose
// arguments are constants, else every value.
void NoiseTermRange(const VRX_expression& call, double& lower, double& upper);
// The next auxiliary name: the counter, grown by one, in base 16 lowest digit first with the digits as
// letters from 'a', skipping names the source network uses ("c", "d", ... "p", "ab", "bb", ...).
void MakeAuxiliaryName(std::string& name, int& counter, const VRX_network& source);
