// What a reader has read of a node's statements and parts.
#include "formats/statement_digests.h"

namespace vovido {

const StatementDigest* StatementsByWord::Find(const std::string& word) const {
    if (!index_.empty()) {
        const auto found = index_.find(word);
        return found != index_.end() ? &read_[found->second].second : nullptr;
    }
    for (const auto& entry : read_) {
        if (entry.first == word) return &entry.second;
    }
    return nullptr;
}

void StatementsByWord::Add(std::string word, const StatementDigest& digest) {
    if (Find(word) != nullptr) return;
    read_.emplace_back(std::move(word), digest);
    if (read_.size() < kIndexedFrom) return;
    if (index_.empty()) {
        for (size_t i = 0; i < read_.size(); ++i) index_.emplace(read_[i].first, i);
    } else {
        index_.emplace(read_.back().first, read_.size() - 1);
    }
}

const StatementDigest* PartsByNode::Find(int handle) const {
    if (handle < 0 || static_cast<size_t>(handle) >= read_.size() || !read_[static_cast<size_t>(handle)])
        return nullptr;
    return &digests_[static_cast<size_t>(handle)];
}

void PartsByNode::Add(int handle, const StatementDigest& digest) {
    if (handle < 0 || Contains(handle)) return;
    const size_t slot = static_cast<size_t>(handle);
    if (slot >= read_.size()) {
        digests_.resize(slot + 1);
        read_.resize(slot + 1, false);
    }
    digests_[slot] = digest;
    read_[slot] = true;
    ++count_;
}

void PartsByNode::Erase(int handle) {
    if (!Contains(handle)) return;
    read_[static_cast<size_t>(handle)] = false;
    --count_;
}

void PartsByNode::clear() {
    digests_.clear();
    read_.clear();
    count_ = 0;
}

}  // namespace vovido
