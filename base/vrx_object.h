#pragma once
// Root of the engine's classes: a flags word (valid, consistent) and four virtual operations.

#include <cstdint>

class VRX_object {
public:
    static constexpr uint32_t kValid = 1;
    static constexpr uint32_t kConsistent = 2;

    VRX_object() = default;
    explicit VRX_object(uint32_t initialFlags) : flags(initialFlags) {}
    VRX_object(const VRX_object&) = default;
    VRX_object& operator=(const VRX_object&) = default;

    // Empties the object (deep: member objects too), then re-checks validity.
    virtual void CleanUp(int deep);
    // Sets the valid bit when the object is structurally sound, clears it otherwise.
    virtual void CheckValidity(int deep);
    // Sets the consistent bit when the object's contents agree, clears it otherwise.
    virtual void CheckConsistency(int deep);
    virtual ~VRX_object();

    bool IsValid() const { return (flags & kValid) != 0; }
    bool IsConsistent() const { return (flags & kConsistent) != 0; }
    uint32_t GetFlags() const { return flags; }

protected:
    void SetFlag(uint32_t bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }

    uint32_t flags = kValid | kConsistent;
};
