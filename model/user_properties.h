#pragma once
// Ordered user-defined name/value properties of a network, node or submodel; some serve as switches.

#include "base/id_array.h"
#include "base/string_array.h"
#include "base/vrx_object.h"

class VRX_userProperties : public VRX_object {
public:
    VRX_userProperties() = default;
    ~VRX_userProperties() override;

    void CleanUp(int deep) override;
    // Consistent when the names are (re-checked first when deep) and both lists are of one length.
    void CheckConsistency(int deep) override;

    // Appends the pair; an existing property of that name is removed first, so it moves to the end with
    // the new value. kOutOfRange when name is not a valid identifier; kOutOfMemory when out of memory.
    [[nodiscard]] int AddProperty(const char* name, const char* value);
    // Index of the property named exactly name; kOutOfRange when absent, for null or when the names are not
    // valid.
    int FindProperty(const char* name) const;
    // kOutOfRange for i outside the properties.
    [[nodiscard]] int ChangePropertyValue(int i, const char* value);
    // Removes name and value i; kOutOfRange for i outside the properties.
    [[nodiscard]] int DeleteProperty(int i);
    int GetNumberOfProperties() const { return names.GetCount(); }
    // Name and value of property i, owned by the record; null outside [0, size).
    const char* GetPropertyName(int i) const { return names[i]; }
    const char* GetPropertyValue(int i) const { return values[i]; }

    // kObjectNotValid when other is not valid; names (with their allowEmpty flag) and values copied; 0.
    [[nodiscard]] int Copy(const VRX_userProperties& other);

    const VRX_idArray& GetNames() const { return names; }
    const VRX_stringArray& GetValues() const { return values; }

private:
    VRX_idArray names{false};
    VRX_stringArray values;
};
