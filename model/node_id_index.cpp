// The nodes of a network by identifier.
#include "model/node_id_index.h"

#include <cstdint>
#include <new>
#include <utility>

namespace vovido {

namespace {

constexpr size_t kFirstCapacity = 16;

}  // namespace

uint32_t NodeIdIndex::Hash(const char* id, size_t length) {
    // FNV-1a, with a final mix so that texts differing in their last character (numbered identifiers)
    // spread over the whole table.
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < length; ++i) {
        h ^= static_cast<unsigned char>(id[i]);
        h *= 16777619u;
    }
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
}

void NodeIdIndex::Clear() {
    std::vector<Entry>().swap(entries_);
    std::vector<char>().swap(texts_);
    live_ = 0;
    used_ = 0;
    removedBytes_ = 0;
    complete_ = true;
}

bool NodeIdIndex::Rebuild(size_t capacity) {
    try {
        std::vector<Entry> entries(capacity);
        std::vector<char> texts;
        texts.reserve(texts_.size() - removedBytes_);
        const size_t mask = capacity - 1;
        for (const Entry& entry : entries_) {
            if (entry.handle < 0) continue;
            size_t i = entry.hash & mask;
            while (entries[i].handle != kEmpty) i = (i + 1) & mask;
            entries[i] = entry;
            entries[i].offset = static_cast<uint32_t>(texts.size());
            texts.insert(texts.end(), texts_.begin() + entry.offset,
                         texts_.begin() + entry.offset + entry.length);
        }
        entries_.swap(entries);
        texts_.swap(texts);
    } catch (const std::bad_alloc&) {
        return false;
    }
    used_ = live_;
    removedBytes_ = 0;
    return true;
}

bool NodeIdIndex::MakeRoom(size_t length) {
    // The pool's places are 32 bits wide; removed texts are dropped before that is reached.
    constexpr size_t kPoolReach = UINT32_MAX;
    const bool poolFull = texts_.size() + length > kPoolReach;
    const bool poolWasted = removedBytes_ > 4096 && removedBytes_ * 2 > texts_.size();
    // Removed entries count against the load, as they lengthen the probes just as live ones do.
    if (entries_.empty() || (used_ + 1) * 4 > entries_.size() * 3 || poolFull || poolWasted) {
        size_t capacity = kFirstCapacity;
        while (capacity < (live_ + 1) * 2) capacity *= 2;
        if (!Rebuild(capacity)) return false;
    }
    return texts_.size() + length <= kPoolReach;
}

bool NodeIdIndex::Add(const char* id, int handle) {
    if (id == nullptr) return true;
    const size_t length = std::strlen(id);
    if (!MakeRoom(length)) {
        complete_ = false;
        return false;
    }
    const size_t offset = texts_.size();
    try {
        texts_.insert(texts_.end(), id, id + length);
    } catch (const std::bad_alloc&) {
        complete_ = false;
        return false;
    }
    const uint32_t hash = Hash(id, length);
    size_t i = hash & Mask();
    while (entries_[i].handle >= 0) i = (i + 1) & Mask();
    if (entries_[i].handle == kEmpty) used_++;
    entries_[i] = {hash, handle, static_cast<uint32_t>(offset), static_cast<uint32_t>(length)};
    live_++;
    return true;
}

void NodeIdIndex::Remove(const char* id, int handle) {
    if (id == nullptr || live_ == 0) return;
    const size_t length = std::strlen(id);
    const uint32_t hash = Hash(id, length);
    for (size_t i = hash & Mask(); entries_[i].handle != kEmpty; i = (i + 1) & Mask()) {
        Entry& entry = entries_[i];
        if (entry.handle != handle || !Matches(entry, hash, id, length)) continue;
        entry.handle = kRemoved;
        live_--;
        removedBytes_ += length;
        return;
    }
}

}  // namespace vovido
