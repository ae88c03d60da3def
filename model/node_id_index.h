#pragma once
// The nodes of a network by identifier, so that finding a node and testing an identifier for use take
// constant time however many nodes the network holds.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vovido {

// Handles by identifier text, compared character for character. An identifier may be held by several
// nodes (a file read with the uniqueness test off), so each text maps to every handle that holds it. The
// network keeps the index in step with its node table; a failed insertion marks it incomplete, and an
// incomplete index is rebuilt before its next use.
//
// An open-addressing table over flat arrays: the texts are kept one after another in one character pool
// and each entry holds the text's place, its hash and the handle, so a network of a million nodes costs
// no allocation per node and a lookup touches one entry and one text.
class NodeIdIndex {
public:
    void Clear();
    // Records that the handle holds the identifier; a null identifier is not recorded. False when out of
    // memory, which leaves the index incomplete.
    bool Add(const char* id, int handle);
    // Forgets that the handle holds the identifier; nothing when it was not recorded.
    void Remove(const char* id, int handle);
    // Calls visit(handle) for every handle recorded for the identifier until it answers true; true when
    // one did.
    template <class Visit>
    bool AnyHolder(const char* id, Visit visit) const;

    bool IsComplete() const { return complete_; }
    void MarkIncomplete() { complete_ = false; }

private:
    static constexpr int32_t kEmpty = -1;
    static constexpr int32_t kRemoved = -2;
    struct Entry {
        uint32_t hash = 0;
        int32_t handle = kEmpty;
        uint32_t offset = 0;  // of the text in the pool
        uint32_t length = 0;
    };

    static uint32_t Hash(const char* id, size_t length);
    bool Matches(const Entry& entry, uint32_t hash, const char* id, size_t length) const {
        return entry.hash == hash && entry.length == length &&
               std::memcmp(texts_.data() + entry.offset, id, length) == 0;
    }
    size_t Mask() const { return entries_.size() - 1; }
    // Room for one more entry (and its text), rehashing and compacting the pool when due; false when out
    // of memory or beyond the pool's reach.
    bool MakeRoom(size_t length);
    bool Rebuild(size_t capacity);

    std::vector<Entry> entries_;  // a power of two in size, or empty
    std::vector<char> texts_;
    size_t live_ = 0;
    size_t used_ = 0;          // live and removed entries
    size_t removedBytes_ = 0;  // texts of removed entries still in the pool
    bool complete_ = true;
};

template <class Visit>
bool NodeIdIndex::AnyHolder(const char* id, Visit visit) const {
    if (id == nullptr || live_ == 0) return false;
    const size_t length = std::strlen(id);
    const uint32_t hash = Hash(id, length);
    for (size_t i = hash & Mask();; i = (i + 1) & Mask()) {
        const Entry& entry = entries_[i];
        if (entry.handle == kEmpty) return false;
        if (entry.handle >= 0 && Matches(entry, hash, id, length) && visit(entry.handle)) return true;
    }
}

}  // namespace vovido
