#pragma once
// The rules that edits of arcs and outcomes enforce, each decided by one check and worded in one place.
// The edits refuse with the rule's code and without words, as the file readers and internal callers
// expect; a caller that reports (the natives) runs the same check, before the edit or after its refusal,
// and logs the rule it names.

#include <string>

class VRX_idArray;
class VRX_network;
class VRX_node;

namespace vovido {

// The rule an arc edit breaks, or kNone.
enum class ArcRule {
    kNone,
    kBadHandle,           // a handle naming no node
    kOwnParent,           // the same node at both ends
    kAlreadyJoined,       // an arc joins the two nodes already, either way
    kCycle,               // the arc would close a directed cycle
    kTerminalParent,      // the children of a terminal node are terminal
    kPlateParent,         // the children of a plate node are plate or terminal
    kNotAParent,          // a removal: the arc is not there
    kNotACostParent,      // a removal: the cost arc is not there
    kOrderBelowOne,       // a temporal arc: its order is at least 1
    kParentOutsidePlate,  // a temporal arc: it joins plate nodes
    kChildOutsidePlate,
    kTemporalArcThere,  // a temporal arc: the same one of the same order
    kNoTemporalArc,     // a temporal removal: no such arc of that order
};

// The rule an outcome edit breaks, or kNone.
enum class OutcomeRule {
    kNone,
    kPositionOutside,   // an insertion outside 0..count
    kNoSuchOutcome,     // an outcome index outside 0..count - 1
    kTwoOutcomesLeast,  // a removal would leave fewer than two outcomes
    kIdTaken,           // another outcome holds the identifier
    kNotAnIdentifier,   // the text has not the form of an identifier
    kFixedOutcomes,     // the kind's two outcomes are fixed (cast, DeMorgan): none is added or renamed
    kNoOutcomes,        // the kind has no outcomes (utility, multi-attribute utility, equation, hybrid)
};

// The ordinary arc parent -> child, as VRX_network::AddArc adds it; cycles count only outside a read
// that allows them.
ArcRule FindArcRuleBroken(VRX_network& network, int parent, int child);
// Removing the ordinary arc parent -> child.
ArcRule FindArcRemovalRuleBroken(const VRX_network& network, int parent, int child);
// The same for a cost arc (kind 1).
ArcRule FindCostArcRemovalRuleBroken(const VRX_network& network, int parent, int child);
// The temporal arc parent -> child of the given order.
ArcRule FindTemporalArcRuleBroken(const VRX_network& network, int parent, int child, int order);

// Removing the temporal arc parent -> child of the given order.
ArcRule FindTemporalArcRemovalRuleBroken(const VRX_network& network, int parent, int child, int order);
// Why a query of the node's temporal arcs (order: the one asked for, or 1) is refused: a node outside the
// plate, or an order below 1; "" when neither holds.
std::string TemporalQueryRefusalText(const VRX_network& network, int node, int order = 1);

// Inserting an outcome at position among count outcomes.
OutcomeRule FindOutcomeInsertRuleBroken(int count, int position);
// Removing outcome index of count.
OutcomeRule FindOutcomeRemovalRuleBroken(int count, int index);
// Adding, inserting or renaming an outcome of the node: kNoOutcomes for a kind without outcomes,
// kFixedOutcomes for a kind whose two outcomes are fixed. (Removing one breaks kTwoOutcomesLeast, which
// such a kind answers with kWrongNodeType.)
OutcomeRule FindFixedOutcomeRuleBroken(const VRX_node& node);
// Giving outcome index (-1: a new one) the identifier id.
OutcomeRule FindOutcomeIdRuleBroken(const VRX_idArray& names, const char* id, int index);

// The words of a broken arc rule, the child being the node named before them ("" for kNone).
std::string ArcRuleText(const VRX_network& network, int parent, int child, ArcRule rule, int order = 0);

// Why the node cannot take the temporal type, worded after VRX_network::SetTemporalType refused it: a
// type outside 0..3, temporal arcs of a plate node leaving the plate, or a neighbour whose type the new
// one does not allow; "" when none of these holds (a table past the limit reports itself).
std::string TemporalTypeRefusalText(VRX_network& network, int node, int type);

// The status code of a broken rule: kWrongNodeType for the temporal types and the fixed outcomes,
// kOutOfRange for the others.
int ArcRuleCode(ArcRule rule);
int OutcomeRuleCode(OutcomeRule rule);

// Logs the broken rule naming the child and the parent (order: the temporal arc's) and returns its code.
int RefuseArc(const VRX_network& network, int parent, int child, ArcRule rule, int order = 0);
// Logs the broken rule naming the node, position and identifier and returns its code (kWrongNodeType
// for fewer than two outcomes on a kind whose outcomes are fixed).
int RefuseOutcomeEdit(VRX_node& node, OutcomeRule rule, int position, const char* id);

// A table set by a caller that a save would not keep: the tables of cast, DeMorgan and noisy-adder nodes
// follow from their kinds' parameters, which the writers store, and a truth table keeps one resulting
// outcome per column. Logs kWrongNodeType naming the node, its kind and the calls that set what a save
// keeps (for a truth table, `column`: the first that is not one 1.0 and zeros) and returns it.
int RefuseTableOfKind(const VRX_network& network, int handle, int column = -1);
// The first column of `count` entries, `k` a column, that is not one 1.0 and zeros; -1 when all are.
int FindUndeterminedColumn(const double* entries, int count, int k);
// True for the kinds whose table follows from other parameters (cast, DeMorgan, noisy adder).
bool HasDerivedTable(int type);

// An outcome added to (inserted) or removed from the node that its child (or cost child) could not follow,
// with that child's status: the status, logged naming both nodes unless memory ran out (logged where it
// did).
int RefuseOutcomeForChild(const VRX_network& network, int handle, int child, int code, bool inserted);

// Logs, naming the node, why the outcome could not be observed (code kOutOfRange with a valid outcome):
// when the refusal logged nothing past loggedBefore entries, that it contradicts the evidence of other
// nodes; when it logged the outcome impossible, that the node's table gives it probability 0, in every
// column or given the evidence on the parents it names. Returns code.
int ExplainEvidenceRefusal(const VRX_network& network, int handle, int outcome, int code, int loggedBefore);

}  // namespace vovido
