#pragma once
// The nodes of a network by identifier, so that finding a node and testing an identifier for use take
// constant time however many nodes the network holds.

#include <string>
#include <unordered_map>

namespace vovido {

// Handles by identifier text. An identifier may be held by several nodes (a file read with the
// uniqueness test off), so each text maps to every handle that holds it. The network keeps the index in
// step with its node table; a failed insertion marks it incomplete, and an incomplete index is rebuilt
// before its next use.
class NodeIdIndex {
public:
    void Clear();
    // Records that the handle holds the identifier; a null identifier is not recorded. False when out of
    // memory, which leaves the index incomplete.
    bool Add(const char* id, int handle);
    // Forgets that the handle holds the identifier; nothing when it was not recorded. Out of memory
    // leaves the index incomplete.
    void Remove(const char* id, int handle);
    // Calls visit(handle) for every handle recorded for the identifier until it answers true; true when
    // one did. Throws std::bad_alloc when the lookup key cannot be made.
    template <class Visit>
    bool AnyHolder(const char* id, Visit visit) const;

    bool IsComplete() const { return complete_; }
    void MarkIncomplete() { complete_ = false; }

private:
    std::unordered_multimap<std::string, int> handles_;
    bool complete_ = true;
};

template <class Visit>
bool NodeIdIndex::AnyHolder(const char* id, Visit visit) const {
    if (id == nullptr) return false;
    const auto range = handles_.equal_range(id);
    for (auto it = range.first; it != range.second; ++it) {
        if (visit(it->second)) return true;
    }
    return false;
}

}  // namespace vovido
