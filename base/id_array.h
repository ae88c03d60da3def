#pragma once
// Array of owned identifiers: every item a valid identifier, unique in the array.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/string_array.h"

// Identifiers here begin with a letter and continue with letters, digits or '_' (the '@' form of
// engine-made node names is not accepted). The empty text counts only when `allowEmpty` is set.
class VRX_idArray : public VRX_stringArray {
public:
    explicit VRX_idArray(bool allowEmptyIds = false);
    VRX_idArray(int initialSize, int growth, bool allowEmptyIds = false);
    VRX_idArray(const VRX_idArray& other);
    VRX_idArray& operator=(const VRX_idArray& other);
    ~VRX_idArray() override;

    // Consistent when valid and every item is a valid identifier not repeated in the array.
    void CheckConsistency(int deep) override;

    // Validating versions: kOutOfRange for an invalid or already present identifier.
    [[nodiscard]] int SetString(int i, const char* text) override;
    [[nodiscard]] int Add(const char* text) override;
    [[nodiscard]] int Insert(int i, const char* text) override;

    // What keeps text from being the identifier of item i (-1: a new item): its form, or another item
    // holding it.
    enum class IdFault { kNone, kNotAnIdentifier, kTaken };
    IdFault FindIdFault(const char* text, int i) const;
    // 1 when text is a valid identifier not present among the items, else 0.
    int IsValidId(const char* text) const;
    // As IsValidId, but item i is not compared, so an entry may keep its own text.
    int IsValidIdAt(const char* text, int i) const;

    // In place: kOutOfRange for empty; an 'x' goes before a first character that is not a letter; every later
    // character that is not a letter, digit or '_' becomes '_'.
    [[nodiscard]] static int RepairId(std::string& text);
    // out = base ("x" when null or empty), repaired; when number < 0 and that is free, done; otherwise
    // number (then number + 1, ...) is appended until the text is a valid, unused identifier.
    [[nodiscard]] int MakeValidId(const char* base, int number, std::string& out) const;
    [[nodiscard]] int AddValidId(const char* base, int number);
    [[nodiscard]] int InsertValidId(const char* base, int number, int i);
    // Re-validates every item in order, repairing and numbering refused ones; on failure the old items
    // are restored and kOutOfRange returned.
    [[nodiscard]] int RepairIds();

    // Exchanges items and settings; the index of the items goes with them.
    void Swap(VRX_idArray& other);

    bool GetAllowEmpty() const { return allowEmpty; }
    void SetAllowEmpty(bool allow) { allowEmpty = allow; }

protected:
    bool allowEmpty = false;

private:
    // The identifier's own form, without the uniqueness test.
    bool HasIdForm(const char* text) const;
    // True when an item other than `skip` equals text.
    bool IsUsed(const char* text, int skip) const;
    // The index, brought up to date with the items when they changed behind its back.
    using IdCounts = std::unordered_map<std::string_view, int>;
    const IdCounts& Index() const;
    // After this class itself added an item: an index that was current before takes the added text
    // instead of being rebuilt.
    void Follow(unsigned long long editsBefore, const char* added);

    // Item text -> number of items holding it, for long arrays only (short ones are scanned), so that
    // filling an array with n identifiers costs O(n) instead of O(n^2). Built on first use and valid
    // while `indexedEdits` equals the array's edit count.
    // Made on first use (long arrays only): most arrays are short and scanned.
    mutable std::unique_ptr<IdCounts> index;
    mutable unsigned long long indexedEdits = ~0ull;
};
