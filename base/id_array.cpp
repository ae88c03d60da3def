// Array of owned, valid and unique identifiers.
#include "base/id_array.h"

#include <cstring>
#include <new>

#include "base/identifier.h"
#include "base/status_codes.h"

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
    for (int i = 0; i < n; ++i) {
        const char* item = items[i].get();
        if (i != skip && item != nullptr && std::strcmp(item, text) == 0) return true;
    }
    return false;
}

int VRX_idArray::IsValidId(const char* text) const {
    return IsValidIdAt(text, -1);
}

int VRX_idArray::IsValidIdAt(const char* text, int i) const {
    return HasIdForm(text) && !IsUsed(text, i) ? 1 : 0;
}

void VRX_idArray::CheckConsistency(int /*deep*/) {
    bool consistent = IsValid();
    for (int i = 0; consistent && i < count; ++i) consistent = IsValidIdAt(items[i].get(), i) != 0;
    SetFlag(kConsistent, consistent);
}

int VRX_idArray::SetString(int i, const char* text) {
    if (!IsValidIdAt(text, i)) return kOutOfRange;
    return VRX_stringArray::SetString(i, text);
}

int VRX_idArray::Add(const char* text) {
    if (!IsValidId(text)) return kOutOfRange;
    return VRX_stringArray::Add(text);
}

int VRX_idArray::Insert(int i, const char* text) {
    if (!IsValidId(text)) return kOutOfRange;
    return VRX_stringArray::Insert(i, text);
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
        RepairId(out);
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
    return VRX_stringArray::Add(id.c_str());
}

int VRX_idArray::InsertValidId(const char* base, int number, int i) {
    std::string id;
    if (const int rc = MakeValidId(base, number, id)) return rc;
    return VRX_stringArray::Insert(i, id.c_str());
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
        for (int i = 0; i < oldCount && !failed; ++i) {
            const char* old = oldItems[i].get();
            if (VRX_idArray::Add(old) == kSuccess) continue;
            text = old != nullptr ? old : "";
            if (RepairId(text) == kSuccess && VRX_idArray::Add(text.c_str()) == kSuccess) continue;
            if (text.empty()) text = "x";
            RepairId(text);
            const size_t stem = text.size();
            for (long long n = 2;; ++n) {
                text.resize(stem);
                text += std::to_string(n);
                if (IsValidId(text.c_str())) break;
            }
            failed = VRX_stringArray::Add(text.c_str()) != kSuccess;
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
