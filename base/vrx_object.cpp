// The default clean-up and checks of the engine's root class.
#include "base/vrx_object.h"

void VRX_object::CleanUp(int /*deep*/) {
    flags |= kValid;
}

void VRX_object::CheckValidity(int /*deep*/) {
    flags |= kValid;
}

void VRX_object::CheckConsistency(int /*deep*/) {
    flags |= kConsistent;
}

VRX_object::~VRX_object() = default;
