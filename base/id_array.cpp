// Array of owned, valid and unique identifiers.
#include "base/id_array.h"

#include <cstring>
#include <new>
#include <utility>

#include "base/identifier.h"
#include "base/status_codes.h"

using vovido::IsAsciiLetter;
using vovido::IsIdentifierChar;

namespace {

// Arrays shorter than this are scanned: cheaper than an index, and most outcome lists are short.
constexpr int kIndexedFrom = 32;

}  // namespace

VRX_idArray::VRX_idArray(bool allowEmptyIds) : allowEmpty(allowEmptyIds) {}

VRX_idArray::VRX_idArray(int initialSize, int growth, bool allowEmptyIds)
    : VRX_stringArray(initialSize, growth), allowEmpty(allowEmptyIds) {}

VRX_idArray::VRX_idArray(const VRX_idArray& other) : VRX_stringArray(other), allowEmpty(other.allowEmpty) {}

VRX_idArray& VRX_idArray::operator=(const VRX_idArray& other) {
    VRX_stringArray::operator=(other);
    allowEmpty = other.allowEmpty;
    return *this;
}

VRX_idArray::~VRX_idArray() = default;

void VRX_idArray::Swap(VRX_idArray& other) {
    if (&other == this) return;
    const bool current = indexedEdits == edits;
    const bool otherCurrent = other.indexedEdits == other.edits;
    VRX_stringArray::Swap(other);
    // The index keys point into the texts, which change hands without moving.
    std::swap(index, other.index);
    std::swap(allowEmpty, other.allowEmpty);
    indexedEdits = otherCurrent ? edits : ~0ull;
    other.indexedEdits = current ? other.edits : ~0ull;
}

bool VRX_idArray::HasIdForm(const char* text) const {
    if (text == nullptr) return false;
    if (text[0] == '\0') return allowEmpty;
    if (!IsAsciiLetter(text[0])) return false;
    for (const char* p = text + 1; *p != '\0'; ++p) {
        if (!IsIdentifierChar(*p)) return false;
    }
    return true;
}

bool VRX_idArray::IsUsed(const char* text, int skip) const {
    if (items == nullptr) return false;
    const int n = count < size ? count : size;
    if (n < kIndexedFrom) {
        for (int i = 0; i < n; ++i) {
            const char* item = items[i].get();
            if (i != skip && item != nullptr && std::strcmp(item, text) == 0) return true;
        }
        return false;
    }
    const auto& holders = Index();
    const auto found = holders.find(text);
    if (found == holders.end()) return false;
    const char* skipped = skip >= 0 && skip < n ? items[skip].get() : nullptr;
    const bool skippedHolds = skipped != nullptr && std::strcmp(skipped, text) == 0;
    return found->second > (skippedHolds ? 1 : 0);
}

const VRX_idArray::IdCounts& VRX_idArray::Index() const {
    if (indexedEdits != edits) {
        if (index == nullptr) index = std::make_unique<IdCounts>();
        index->clear();
        const int n = count < size ? count : size;
        index->reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            if (const char* item = items[i].get()) ++(*index)[item];
        }
        indexedEdits = edits;
    }
    return *index;
}

void VRX_idArray::Follow(unsigned long long editsBefore, const char* added) {
    if (indexedEdits != editsBefore) return;  // not current: rebuilt when next needed
    ++(*index)[added];
    indexedEdits = edits;
}

int VRX_idArray::IsValidId(const char* text) const {
    return IsValidIdAt(text, -1);
}

VRX_idArray::IdFault VRX_idArray::FindIdFault(const char* text, int i) const {
    if (!HasIdForm(text)) return IdFault::kNotAnIdentifier;
    return IsUsed(text, i) ? IdFault::kTaken : IdFault::kNone;
}

int VRX_idArray::IsValidIdAt(const char* text, int i) const {
    return FindIdFault(text, i) == IdFault::kNone ? 1 : 0;
}

void VRX_idArray::CheckConsistency(int /*deep*/) {
    bool consistent = IsValid();
    if (consistent && count >= kIndexedFrom) {
        for (int i = 0; consistent && i < count; ++i) consistent = HasIdForm(items[i].get());
        // Identifiers all: they are distinct when each has an index entry of its own.
        consistent = consistent && Index().size() == static_cast<size_t>(count);
    }
    for (int i = 0; consistent && i < count && count < kIndexedFrom; ++i)
        consistent = IsValidIdAt(items[i].get(), i) != 0;
    SetFlag(kConsistent, consistent);
}

int VRX_idArray::SetString(int i, const char* text) {
    if (!IsValidIdAt(text, i)) return kOutOfRange;
    // The old text leaves the index before its slot frees it. A text held twice (only possible after
    // edits that skip the checks) may be keyed by this very slot: then the index is rebuilt instead.
    bool follow = indexedEdits == edits;
    if (follow && i < count && items[i] != nullptr) {
        const auto found = index->find(items[i].get());
        if (found != index->end() && found->second == 1) {
            index->erase(found);
        } else {
            follow = false;
            indexedEdits = ~0ull;
        }
    }
    const int rc = VRX_stringArray::SetString(i, text);
    if (follow) {
        // On failure the slot still holds the old text, which goes back in.
        if (i < count && items[i] != nullptr) ++(*index)[items[i].get()];
        indexedEdits = edits;
    }
    return rc;
}

int VRX_idArray::Add(const char* text) {
    if (!IsValidId(text)) return kOutOfRange;
    const unsigned long long before = edits;
    const int rc = VRX_stringArray::Add(text);
    if (rc == kSuccess) Follow(before, items[count - 1].get());
    return rc;
}

int VRX_idArray::Insert(int i, const char* text) {
    if (!IsValidId(text)) return kOutOfRange;
    const unsigned long long before = edits;
    const int rc = VRX_stringArray::Insert(i, text);
    if (rc == kSuccess) Follow(before, items[i].get());
    return rc;
}

int VRX_idArray::RepairId(std::string& text) {
    if (text.empty()) return kOutOfRange;
    if (!IsAsciiLetter(text[0])) text.insert(text.begin(), 'x');
    for (size_t k = 1; k < text.size(); ++k) {
        if (!IsIdentifierChar(text[k])) text[k] = '_';
    }
    return kSuccess;
}

int VRX_idArray::MakeValidId(const char* base, int number, std::string& out) const {
    try {
        out = (base != nullptr && base[0] != '\0') ? base : "x";
        if (const int rc = RepairId(out)) return rc;
        if (number < 0 && IsValidId(out.c_str())) return kSuccess;
        // A minus sign never passes, so counting starts at 0 for any negative number.
        long long n = number < 0 ? 0 : number;
        const size_t stem = out.size();
        for (;; ++n) {
            out.resize(stem);
            out += std::to_string(n);
            if (IsValidId(out.c_str())) return kSuccess;
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

int VRX_idArray::AddValidId(const char* base, int number) {
    std::string id;
    if (const int rc = MakeValidId(base, number, id)) return rc;
    return VRX_idArray::Add(id.c_str());
}

int VRX_idArray::InsertValidId(const char* base, int number, int i) {
    std::string id;
    if (const int rc = MakeValidId(base, number, id)) return rc;
    return VRX_idArray::Insert(i, id.c_str());
}

int VRX_idArray::RepairIds() {
    if (!IsValid()) return kObjectNotValid;
    // The old table is set aside rather than copied, so restoring it cannot fail.
    std::unique_ptr<Slot[]> oldItems = std::move(items);
    const int oldSize = size;
    const int oldCount = count;
    const int oldDelta = delta;
    CleanUp(0);

    bool failed = false;
    try {
        std::string text;
        // Per stem, the number to try next: items are only added here, so the numbers below it stay
        // taken, and many copies of one name are numbered in linear time.
        std::unordered_map<std::string, long long> nextNumber;
        for (int i = 0; i < oldCount && !failed; ++i) {
            const char* old = oldItems[i].get();
            if (VRX_idArray::Add(old) == kSuccess) continue;
            text = old != nullptr ? old : "";
            if (RepairId(text) == kSuccess && VRX_idArray::Add(text.c_str()) == kSuccess) continue;
            if (text.empty()) text = "x";
            (void)RepairId(text);  // fails only on an empty text
            const size_t stem = text.size();
            long long& next = nextNumber.emplace(text, 2).first->second;
            for (long long n = next;; ++n) {
                text.resize(stem);
                text += std::to_string(n);
                if (IsValidId(text.c_str())) {
                    next = n + 1;
                    break;
                }
            }
            failed = VRX_idArray::Add(text.c_str()) != kSuccess;
        }
    } catch (const std::bad_alloc&) {
        failed = true;
    }
    if (!failed) return kSuccess;

    CleanUp(0);
    items = std::move(oldItems);
    size = oldSize;
    count = oldCount;
    delta = oldDelta;
    CheckValidity(0);
    return kOutOfRange;
}
