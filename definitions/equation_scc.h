#pragma once
// Equation of a node in a strongly coupled component: a group of equation nodes whose equations are
// solved together. Besides its own variable and its parents, the equation may name the other members of
// the component, which are not its parents.

#include <set>
#include <string>
#include <vector>

#include "base/parsed_equation.h"
#include "model/node_definition.h"

class VRX_network;

class VRX_equationSCC : public VRX_nodeDefinition {
public:
    // "id = 0" for the node, no members.
    VRX_equationSCC(int handle, VRX_network* network);
    // A copy of another component equation, members included (see CopyFrom).
    explicit VRX_equationSCC(VRX_nodeDefinition& source);
    VRX_equationSCC(const VRX_equationSCC& source);
    ~VRX_equationSCC() override;

    [[nodiscard]] int GetType() const override;
    const char* GetTypeName() const override;

    // Only equation nodes may be parents; the parent's identifier joins the right side as a summand.
    [[nodiscard]] int AddParent(int parent) override;
    // The equation becomes the sum of the members and the other parents.
    [[nodiscard]] int RemoveParent(int parent) override;
    // Drops the parents that are no equation nodes (as after a change of kind).
    [[nodiscard]] int RemoveInvalidParents() override;
    // Variables of the old name take the new one, so the equation keeps naming its nodes.
    int RenameParentId(int parent, const char* oldId, const char* newId) override;
    // Takes over the equation of either equation kind and the members of a component equation; other
    // kinds give network and handle only.
    [[nodiscard]] int CopyFrom(VRX_nodeDefinition& source) override;

    // 0, or kOutOfRange with the reason logged: the text may name the node, its parents and its members only.
    [[nodiscard]] int SetEquation(const char* text);
    bool ValidateEquation(const char* text, std::string& errorMessage);
    // The node's identifier, " = ", then the members joined by " + ".
    void GetEquationText(std::string& out) const;

    // The identifiers of the other members of the component (they need not exist yet: the solver checks
    // them). kIllegalIdentifier for an invalid identifier, kOutOfRange for the node's own; nothing changes on
    // failure.
    [[nodiscard]] int SetMembers(const std::vector<std::string>& ids);
    const std::set<std::string>& GetMembers() const { return members; }

    const ParsedEquation& GetEquation() const { return equation; }
    ParsedEquation& GetEquation() { return equation; }

private:
    ParsedEquation equation;
    std::set<std::string> members;
};
