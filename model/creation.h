#pragma once
// Who made a network and when: three free texts, each null while unset.

#include "base/owned_text.h"
#include "base/vrx_object.h"

class VRX_creation : public VRX_object {
public:
    VRX_creation() = default;
    ~VRX_creation() override;

    // Frees the three texts.
    void CleanUp(int deep) override;

    // Replace one text by a copy; null clears it; kOutOfMemory when out of memory (the old text kept).
    [[nodiscard]] int SetCreator(const char* text) { return creator.Set(text); }
    [[nodiscard]] int SetCreated(const char* text) { return created.Set(text); }
    [[nodiscard]] int SetModified(const char* text) { return modified.Set(text); }

    // kObjectNotValid when other is not valid; else the three texts copied (kOutOfMemory when out of memory);
    // 0.
    [[nodiscard]] int Copy(const VRX_creation& other);

    const char* GetCreator() const { return creator.Get(); }
    const char* GetCreated() const { return created.Get(); }
    const char* GetModified() const { return modified.Get(); }

private:
    vovido::OwnedText creator;
    vovido::OwnedText created;
    vovido::OwnedText modified;
};
