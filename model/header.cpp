// Identifier, display name and comment of a network, node or submodel.
#include "model/header.h"

#include <string>

#include "base/error_log.h"
#include "base/identifier.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"

using vovido::OwnedText;

VRX_header::~VRX_header() = default;

void VRX_header::CleanUp(int deep) {
    id.Reset();
    name.Reset();
    comment.Reset();
    ownerNode = nullptr;
    VRX_object::CleanUp(deep);
}

void VRX_header::CheckConsistency(int /*deep*/) {
    SetFlag(kConsistent, IsValidIdentifier(id.Get()) != 0);
}

int VRX_header::SetId(const char* newId) {
    if (!IsValidIdentifier(newId))
        return LogError(errorLog, kIllegalIdentifier, "Illegal identifier", nullptr);
    // The copy is made first: once the owner has accepted, the children already know the new id.
    std::string copy;
    if (const int rc = OwnedText::MakeCopy(newId, copy)) return rc;
    // The owner's network indexes its nodes by identifier and learns the old one after the change.
    std::string previous;
    const bool hadId = ownerNode != nullptr && id.IsSet();
    if (hadId) {
        if (const int rc = OwnedText::MakeCopy(id.Get(), previous)) return rc;
    }
    if (!OwnerAcceptsId(newId)) return kIllegalIdentifier;
    id.Take(std::move(copy));
    TellOwnerNetwork(hadId ? previous.c_str() : nullptr, id.Get());
    return kSuccess;
}

void VRX_header::TellOwnerNetwork(const char* oldId, const char* newId) const {
    if (ownerNode == nullptr) return;
    if (VRX_network* network = ownerNode->GetNetwork()) network->OnNodeIdChanged(*ownerNode, oldId, newId);
}

bool VRX_header::OwnerAcceptsId(const char* newId) const {
    if (ownerNode == nullptr) return true;
    // Node headers: the owning network vets the new id.
    VRX_network* network = ownerNode->GetNetwork();
    if (network == nullptr) return true;
    return network->AcceptNodeIdChange(ownerNode->GetHandle(), id.Get(), newId);
}

int VRX_header::Copy(const VRX_header& other) {
    if (!other.IsValid()) return kObjectNotValid;
    (void)SetId(other.GetId());  // an identifier that is refused leaves the current one
    if (const int rc = name.Set(other.GetName())) return rc;
    if (const int rc = comment.Set(other.GetComment())) return rc;
    CheckValidity(0);
    return kSuccess;
}
