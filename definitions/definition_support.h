#pragma once
// Small services that the definition kinds use in the same way: reading callers' orders and entry
// arrays, walking the node's parents, and the notices around a replaced definition or outcome set.

class VRX_network;
class VRX_nodeDefinition;
class VRX_intArray;
class VRX_doubleArray;

namespace DefinitionSupport {

// The first m items of order (its count, or else its size, must be m) copied into out; -2 unless they
// are a permutation of 0..m-1.
int ReadPermutation(const VRX_intArray& order, int m, VRX_intArray& out);

// Number of entries a caller's array supplies for n slots: n when its count or its size is n, else -2.
int MatchEntryCount(const VRX_doubleArray& values, int n);

// Calls AddParent for every current parent of the definition's node; a refusal is logged and skipped.
void AddCurrentParents(VRX_nodeDefinition& definition);

// Drops the ordinary arcs from the parents whose type code (-2 for a dead handle) fails `keep`.
void RemoveParentsUnless(VRX_nodeDefinition& definition, bool (*keep)(int type));

// The definition's node has children by ordinary arcs.
bool HasChildren(const VRX_nodeDefinition& definition);

// Change notice for the definition's node; 0 without a network.
int NotifyNetwork(const VRX_nodeDefinition& definition, int code);

// After the outcome set was replaced: the node cost follows the new parents' shape and the diagnostic
// per-outcome data is reset. Returns the first failure.
int RebuildOutcomeDependents(VRX_nodeDefinition& definition);

// The end of every conversion: deep checks, then the network hears of the new definition (code 256).
int FinishConversion(VRX_nodeDefinition& definition);

// Number of outcomes of the definition of a live node; -2 when there is none.
int OutcomeCountOf(const VRX_network* network, int handle);

}  // namespace DefinitionSupport
