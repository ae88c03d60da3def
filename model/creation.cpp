// Creation data of a network.
#include "model/creation.h"

#include "base/status_codes.h"

VRX_creation::~VRX_creation() = default;

void VRX_creation::CleanUp(int deep) {
    creator.Reset();
    created.Reset();
    modified.Reset();
    VRX_object::CleanUp(deep);
}

int VRX_creation::Copy(const VRX_creation& other) {
    if (!other.IsValid()) return kObjectNotValid;
    if (this == &other) return kSuccess;
    if (const int rc = creator.Set(other.GetCreator())) return rc;
    if (const int rc = created.Set(other.GetCreated())) return rc;
    return modified.Set(other.GetModified());
}
