#pragma once
// Equation definition: a continuous node whose value an equation "left = right" fixes from the values of
// other equation nodes. The nodes the equation names are the node's parents; besides the equation the
// definition keeps a value range and optional discretisation intervals.

#include <string>
#include <vector>

#include "base/parsed_equation.h"
#include "model/node_definition.h"

class VRX_network;

// One discretisation interval: its outcome identifier and its upper end.
struct DiscretizationInterval {
    std::string id;
    double upper = 0.0;
};

class VRX_equation : public VRX_nodeDefinition {
public:
    // "id = 0" for the node, range [-1, 1], no intervals.
    VRX_equation(int handle, VRX_network* network);
    // A copy of another equation; any other source leaves the default (see CopyFrom).
    explicit VRX_equation(VRX_nodeDefinition& source);
    VRX_equation(const VRX_equation& source);
    ~VRX_equation() override;

    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;

    // Only equation nodes may be parents; the parent's identifier joins the right side as a summand.
    [[nodiscard]] int AddParent(int parent) override;
    // The equation becomes the sum of the other parents: any text set before is lost.
    [[nodiscard]] int RemoveParent(int parent) override;
    // Drops the parents that are no equation nodes (as after a change of kind).
    [[nodiscard]] int RemoveInvalidParents() override;
    // Every variable of the old name takes the new one (also the node's own, when it is renamed).
    int RenameParentId(int parent, const char* oldId, const char* newId) override;
    // kObjectNotValid for an invalid source, kOutOfRange for a source of another kind (which keeps network
    // and handle only).
    [[nodiscard]] int CopyFrom(VRX_nodeDefinition& source) override;

    // Sets the equation and makes the nodes it names the node's parents: 0, or kOutOfRange with the reason
    // logged and given in errorMessage (and the parser's position in errorPosition); either may be null.
    [[nodiscard]] int SetEquation(const char* text, int* errorPosition, std::string* errorMessage);
    // Checks the text; names receives its variables, left side first, each once. A name that is no node,
    // or a descendant's, is refused with the position of its first appearance in the text.
    bool ValidateEquation(const char* text, std::vector<std::string>& names, std::string& errorMessage,
                          int* errorPosition);
    // Where the identifier first stands in the text as a whole name; 0 when it does not.
    static int PositionOfName(const std::string& text, const std::string& name);
    // The default: the node's variable equal to 0, range [-1, 1]; the intervals stay.
    void ResetToDefault();

    // Any pair is accepted; the last interval always ends at the upper bound.
    void SetBounds(double lower, double upper);
    // SetBounds for a caller's pair: numbers, the lower not above the upper (kOutOfRange, nothing changed,
    // the reason naming both in `reason`).
    [[nodiscard]] int SetCheckedBounds(double lower, double upper, std::string& reason);
    double GetLowerBound() const { return lowerBound; }
    double GetUpperBound() const { return upperBound; }

    // At least two intervals with valid, distinct ids (kIllegalIdentifier), uppers increasing strictly inside
    // the range (kInvalidData), the last upper replaced by the upper bound; kOutOfRange for fewer than two.
    // Nothing changes on failure.
    [[nodiscard]] int SetDiscIntervals(const std::vector<DiscretizationInterval>& list);
    // The span of interval index: kWrongNodeType without intervals, kOutOfRange for an index outside them.
    [[nodiscard]] int GetIntervalBounds(int index, double& lower, double& upper) const;
    const std::vector<DiscretizationInterval>& GetIntervals() const { return intervals; }

    const ParsedEquation& GetEquation() const { return equation; }
    // The equation's trees, for the solver, which assigns values to their variables.
    ParsedEquation& GetEquation() { return equation; }

private:
    ParsedEquation equation;
    double lowerBound = -1.0;
    double upperBound = 1.0;
    std::vector<DiscretizationInterval> intervals;
    // SetEquation is rebuilding the arcs: the equation it removes them for is replaced anyway.
    bool rebuildingArcs_ = false;
};

// Clears the up-to-date bit of the value of every descendant of the node over ordinary arcs.
void InvalidateDescendantValues(VRX_network& network, int handle);

namespace vovido {

// What the two equation kinds share: the identifier of a live node (null for none or a node without one),
// the check of a new parent and the node's and its descendants' values marked out of date.
const char* NodeIdOf(const VRX_network* network, int handle);
bool IsEquationType(int typeCode);
// AddParent of both equation kinds: kOutOfRange, logged, for a parent that is no equation node; else the
// parent's identifier is added to the right side.
[[nodiscard]] int AddEquationParent(VRX_network* network, int parent, ParsedEquation& equation);
void InvalidateOwnAndDescendantValues(VRX_network& network, int handle);

}  // namespace vovido
