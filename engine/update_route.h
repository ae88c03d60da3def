#pragma once
// Which engine brings a network's beliefs up to date, chosen from its nodes' definition and temporal types.

class VRX_network;

namespace vovido {

enum class UpdateRoute {
    kBayesianNetwork,         // the discrete algorithm of bnAlgorithm
    kInfluenceDiagram,        // the solver of idAlgorithm
    kHybridInfluenceDiagram,  // decisions or utilities beside equation or hybrid nodes: refused
    kEquations,               // equation nodes (hybrid ones may be present too)
    kHybrid,                  // the hybrid algorithm of hybridAlgorithm
    kDynamic,                 // a plate node: the dynamic-network update
};

// The walk over the nodes in handle order that selects the route.
class UpdateRouteScan {
public:
    // Takes the next node; false once the walk must stop (a plate node sends the network to the
    // dynamic update whatever follows).
    bool Add(int typeCode, int temporalType);
    UpdateRoute GetRoute() const;

private:
    bool hasDecisionOrUtility_ = false;
    bool hasEquation_ = false;
    bool hasHybrid_ = false;
    bool dynamic_ = false;
};

// The route of the network's live nodes; kBayesianNetwork for a network without nodes.
UpdateRoute FindUpdateRoute(const VRX_network& network);

// A network that a hybrid node sends to the hybrid route holds hybrid nodes only, one that an equation node
// sends to the equation route equation and hybrid nodes only: 0, or kOutOfRange logged naming the first
// hybrid (or equation) node as the cause and the first node of another kind.
[[nodiscard]] int RefuseMixedHybridNetwork(const VRX_network& network, bool equations);
// The influence diagram with equation or hybrid nodes, which no route updates: kOutOfRange logged naming
// the first such node and the first decision or utility.
[[nodiscard]] int RefuseHybridInfluenceDiagram(const VRX_network& network);

// The probability of evidence of findings on equation nodes, which neither of its methods computes (the
// equation route gives their values, not beliefs of findings): kOutOfRange logged naming the first such
// node, 0 where there is none.
[[nodiscard]] int RefuseEquationProbabilityOfEvidence(const VRX_network& network);

}  // namespace vovido
