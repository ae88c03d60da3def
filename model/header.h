#pragma once
// Identifier, display name and comment of a network, node or submodel.

#include "base/owned_text.h"
#include "base/vrx_object.h"

class VRX_node;

class VRX_header : public VRX_object {
public:
    VRX_header() = default;
    // Copies go through Copy, which runs the identifier checks and keeps the owner node.
    VRX_header(const VRX_header&) = delete;
    VRX_header& operator=(const VRX_header&) = delete;
    ~VRX_header() override;

    // Frees the three texts and forgets the owner node.
    void CleanUp(int deep) override;
    // Consistent exactly when the id is a valid identifier.
    void CheckConsistency(int deep) override;

    // kIllegalIdentifier with "Illegal identifier" logged for an invalid identifier; kIllegalIdentifier
    // without a message when the owner node's network refuses it; kOutOfMemory when out of memory; 0. The id
    // is unchanged on failure.
    [[nodiscard]] int SetId(const char* newId);
    // Replace the text by a copy; null clears it; kOutOfMemory when out of memory.
    [[nodiscard]] int SetName(const char* text) { return name.Set(text); }
    [[nodiscard]] int SetComment(const char* text) { return comment.Set(text); }
    // Recorded by the node constructors; not owned.
    void SetOwnerNode(VRX_node* node) { ownerNode = node; }

    // kObjectNotValid when other is not valid. The id goes through SetId (a refusal is logged, not returned);
    // name and comment are copied (kOutOfMemory when out of memory); 0.
    [[nodiscard]] int Copy(const VRX_header& other);

    const char* GetId() const { return id.Get(); }
    const char* GetName() const { return name.Get(); }
    const char* GetComment() const { return comment.Get(); }
    VRX_node* GetOwnerNode() const { return ownerNode; }

private:
    // True when the owner may take newId (always for headers of networks and submodels).
    bool OwnerAcceptsId(const char* newId) const;
    // Tells the owner node's network that the node's identifier changed.
    void TellOwnerNetwork(const char* oldId, const char* newId) const;

    vovido::OwnedText id;
    vovido::OwnedText name;
    vovido::OwnedText comment;
    VRX_node* ownerNode = nullptr;
};
