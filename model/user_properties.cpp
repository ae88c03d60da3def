// User-defined properties: parallel lists of unique names and their value texts.
#include "model/user_properties.h"

#include "base/status_codes.h"

VRX_userProperties::~VRX_userProperties() = default;

void VRX_userProperties::CleanUp(int deep) {
    names.CleanUp(deep);
    values.CleanUp(deep);
    VRX_object::CleanUp(deep);
}

void VRX_userProperties::CheckConsistency(int deep) {
    if (deep) {
        names.CheckConsistency(deep);
        values.CheckConsistency(deep);
    }
    SetFlag(kConsistent, names.IsConsistent() && names.GetCount() == values.GetCount());
}

int VRX_userProperties::AddProperty(const char* name, const char* value) {
    const int existing = FindProperty(name);
    if (existing >= 0) {
        // Refused names stay where they are.
        if (!names.IsValidIdAt(name, existing)) return kOutOfRange;
        (void)DeleteProperty(existing);  // found above
    }
    if (const int rc = names.Add(name)) return rc;
    if (const int rc = values.Add(value)) {
        (void)names.Delete(names.GetCount() - 1);  // undoes the add just made
        return rc;
    }
    return kSuccess;
}

int VRX_userProperties::FindProperty(const char* name) const {
    return names.FindPosition(name);
}

int VRX_userProperties::ChangePropertyValue(int i, const char* value) {
    // Bounded by the properties, not the table: a value beyond them would have no name.
    if (i < 0 || i >= values.GetCount()) return kOutOfRange;
    return values.SetString(i, value);
}

int VRX_userProperties::DeleteProperty(int i) {
    if (i < 0 || i >= names.GetCount()) return kOutOfRange;
    // Names and values keep one count, so both deletes are in range.
    (void)names.Delete(i);
    (void)values.Delete(i);
    return kSuccess;
}

int VRX_userProperties::Copy(const VRX_userProperties& other) {
    if (!other.IsValid()) return kObjectNotValid;
    if (this == &other) return kSuccess;
    if (const int rc = names.Copy(other.names)) return rc;
    names.SetAllowEmpty(other.names.GetAllowEmpty());
    return values.Copy(other.values);
}
