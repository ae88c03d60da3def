// The nodes of a network by identifier.
#include "model/node_id_index.h"

#include <new>

namespace vovido {

void NodeIdIndex::Clear() {
    handles_.clear();
    complete_ = true;
}

bool NodeIdIndex::Add(const char* id, int handle) {
    if (id == nullptr) return true;
    try {
        handles_.emplace(id, handle);
    } catch (const std::bad_alloc&) {
        complete_ = false;
        return false;
    }
    return true;
}

void NodeIdIndex::Remove(const char* id, int handle) {
    if (id == nullptr) return;
    try {
        auto range = handles_.equal_range(id);
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second == handle) {
                handles_.erase(it);
                return;
            }
        }
    } catch (const std::bad_alloc&) {
        // The key could not be made: the entry stays behind, so the index is gathered again.
        complete_ = false;
    }
}

}  // namespace vovido
