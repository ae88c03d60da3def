#pragma once
// Array of owned identifiers: every item a valid identifier, unique in the array.

#include <string>

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

    // Validating versions: -2 for an invalid or already present identifier.
    int SetString(int i, const char* text) override;
    int Add(const char* text) override;
    int Insert(int i, const char* text) override;

    // 1 when text is a valid identifier not present among the items, else 0.
    int IsValidId(const char* text) const;
    // As IsValidId, but item i is not compared, so an entry may keep its own text.
    int IsValidIdAt(const char* text, int i) const;

    // In place: -2 for empty; an 'x' goes before a first character that is not a letter; every later
    // character that is not a letter, digit or '_' becomes '_'.
    static int RepairId(std::string& text);
    // out = base ("x" when null or empty), repaired; when number < 0 and that is free, done; otherwise
    // number (then number + 1, ...) is appended until the text is a valid, unused identifier.
    int MakeValidId(const char* base, int number, std::string& out) const;
    int AddValidId(const char* base, int number);
    int InsertValidId(const char* base, int number, int i);
    // Re-validates every item in order, repairing and numbering refused ones; on failure the old items
    // are restored and -2 returned.
    int RepairIds();

    bool GetAllowEmpty() const { return allowEmpty; }
    void SetAllowEmpty(bool allow) { allowEmpty = allow; }

protected:
    bool allowEmpty = false;

private:
    // The identifier's own form, without the uniqueness test.
    bool HasIdForm(const char* text) const;
    // True when an item other than `skip` equals text.
    bool IsUsed(const char* text, int skip) const;
};
