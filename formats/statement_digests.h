#pragma once
// What a reader has read of a node's statements and parts, so that one given again can be compared with
// the first: the digest of each by its first word, and by node handle.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vovido {

// The tokens a statement consumed, as a digest: two statements of equal digests are the same.
struct StatementDigest {
    uint64_t hash = 14695981039346656037ull;
    int64_t tokens = 0;
    bool operator==(const StatementDigest& other) const {
        return hash == other.hash && tokens == other.tokens;
    }
};

// The statements read so far in one block, by their first word. A block holds a few: they are searched
// in turn, and only a block of many words gets an index.
class StatementsByWord {
public:
    const StatementDigest* Find(const std::string& word) const;
    void Add(std::string word, const StatementDigest& digest);

private:
    static constexpr size_t kIndexedFrom = 16;
    std::vector<std::pair<std::string, StatementDigest>> read_;
    std::unordered_map<std::string, size_t> index_;  // once read_ holds kIndexedFrom
};

// The parts read so far, by node handle (a handle is a slot of the network's table).
class PartsByNode {
public:
    const StatementDigest* Find(int handle) const;
    bool Contains(int handle) const { return Find(handle) != nullptr; }
    void Add(int handle, const StatementDigest& digest);
    void Erase(int handle);
    size_t size() const { return count_; }
    void clear();

private:
    std::vector<StatementDigest> digests_;
    std::vector<bool> read_;
    size_t count_ = 0;
};

}  // namespace vovido
