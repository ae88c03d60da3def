#pragma once
// Small services that the definition kinds use in the same way: reading callers' orders and entry
// arrays, walking the node's parents, and the notices around a replaced definition or outcome set.

#include <cstdint>
#include <string>

class VRX_network;
class VRX_nodeDefinition;
class VRX_intArray;
class VRX_doubleArray;

namespace vovido::DefinitionSupport {

// The first m items of order (its count, or else its size, must be m) copied into out; kOutOfRange unless
// they are a permutation of 0..m-1.
[[nodiscard]] int ReadPermutation(const VRX_intArray& order, int m, VRX_intArray& out);

// Number of entries a caller's array supplies for n slots: n when its count is n (its size, when it was
// filled by index and counts none), else kOutOfRange.
[[nodiscard]] int MatchEntryCount(const VRX_doubleArray& values, int n);
// The entries MatchEntryCount takes from the array: its count, or its size when filled by index.
[[nodiscard]] int GivenCount(const VRX_doubleArray& values);

// Calls AddParent for every current parent of the definition's node; the refused ones are skipped and
// reported together (ReportRefusedParents).
void AddCurrentParents(VRX_nodeDefinition& definition);

// Logs the parents a rebuild refused (results[i] nonzero for parents[i]) as one notice naming the node:
// "Parent could not be added to node [N]: [A], [B]", with the first refusal's code. Nothing when none was.
void ReportRefusedParents(const VRX_nodeDefinition& definition, const int* parents, const int* results,
                          int count);

// Drops the ordinary arcs from the parents whose type code (kOutOfRange for a dead handle) fails `keep`.
void RemoveParentsUnless(VRX_nodeDefinition& definition, bool (*keep)(int type));

// The definition's node has children by ordinary arcs, or temporal tables over its outcomes (its own, or
// its children's by temporal arcs).
bool HasChildren(const VRX_nodeDefinition& definition);

// Change notice for the definition's node; 0 without a network. The result may be passed over, as for
// VRX_network::NotifyChange.
int NotifyNetwork(const VRX_nodeDefinition& definition, int code);

// After the outcome set was replaced: the node cost follows the new parents' shape and the diagnostic
// per-outcome data is reset. Returns the first failure.
[[nodiscard]] int RebuildOutcomeDependents(VRX_nodeDefinition& definition);

// The end of every conversion: deep checks, then the network hears of the new definition.
int FinishConversion(VRX_nodeDefinition& definition);

// Number of outcomes of the definition of a live node; kOutOfRange when there is none.
[[nodiscard]] int OutcomeCountOf(const VRX_network* network, int handle);

// The refusal of a table of `cells` entries for the node: logs kOutOfMemory with a message naming the node
// (the limit when cells passes it, else the allocation that failed) and returns kOutOfMemory.
int RefuseTable(const VRX_network* network, int handle, int64_t cells);
// A table of `cells` cells built while `held` cells of the table it grows from are kept: 0 while both fit
// in kMaxTableCells together, else kOutOfMemory logged naming the node and the sizes.
[[nodiscard]] int CheckTableGrowth(const VRX_network* network, int handle, int64_t cells, int64_t held);
// The message of RefuseTable.
std::string TableRefusalText(const VRX_network* network, int handle, int64_t cells);
// The same for a node named by the caller (one that lives in a copy without identifiers, say).
std::string TableRefusalText(const char* id, int64_t cells);
int RefuseTable(const char* id, int64_t cells);

// The refusal of a node's utilities (or the weights that combine them, `what` naming which) that a file
// gives: "Node [U] : entry 2 of its utilities is no finite number (nan)" for the first entry that is
// NaN or infinite; empty when every entry is finite. Readers add their own prefix.
std::string NonFiniteEntryText(const std::string& nodeId, const char* what, const double* values, int count);
// Entries a caller gives a definition that are no finite number are refused before any is taken: logs
// NonFiniteEntryText naming the node and returns kOutOfRange; 0 when every entry is finite.
[[nodiscard]] int RefuseNonFiniteEntries(const VRX_network* network, int handle, const char* what,
                                         const double* values, int count);
// The same of the entries MatchEntryCount takes from the array.
[[nodiscard]] int RefuseNonFiniteEntries(const VRX_network* network, int handle, const char* what,
                                         const VRX_doubleArray& values);
// The same for probabilities, which are refused negative too, as every reader refuses them: logs
// "ERROR: Node [Y] : -0.3 is no probability" and returns kOutOfRange. Utilities stay free.
[[nodiscard]] int RefuseNonProbabilities(const VRX_network* network, int handle, const char* what,
                                         const double* values, int count);
[[nodiscard]] int RefuseNonProbabilities(const VRX_network* network, int handle, const char* what,
                                         const VRX_doubleArray& values);
// RefuseNonProbabilities when `probabilities`, else RefuseNonFiniteEntries.
[[nodiscard]] int RefuseEntries(const VRX_network* network, int handle, const char* what,
                                const double* values, int count, bool probabilities);

// Cells the node's table would have once the listed parents are added to its current ones, for the
// kinds whose parameters are one table over the indexing parents and the own outcomes (CPT, truth
// table, utility table, noisy-MAX, noisy adder) and for DeMorgan and cast nodes, whose tables have a
// dimension per parent; 0 for the other kinds. Saturates at INT64_MAX.
[[nodiscard]] int64_t TableCellsWithParents(const VRX_network& network, int handle, const int* parents,
                                            int count);

}  // namespace vovido::DefinitionSupport
