#pragma once
// Saved cases: named scenarios of evidence and targets stored with a network and kept in step with it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class VRX_network;
class VRX_intArray;

// Temporal evidence of a plate node in one time slice.
struct VRX_sliceEvidence {
    int slice = 0;
    int outcome = 0;

    bool operator==(const VRX_sliceEvidence& other) const {
        return slice == other.slice && outcome == other.outcome;
    }
};

// The evidence a case holds for one node.
struct VRX_caseEntry {
    int node = -1;
    int outcome = -1;  // -1: no plain outcome (continuous value or temporal evidence)
    double value = 0.0;
    std::vector<VRX_sliceEvidence> slices;
};

class VRX_case {
public:
    explicit VRX_case(VRX_network* owner);
    // Texts, stamps, evidence and targets of source; the copy belongs to owner.
    VRX_case(VRX_network* owner, const VRX_case& source);
    VRX_case(const VRX_case&) = delete;
    VRX_case& operator=(const VRX_case&) = delete;
    ~VRX_case();

    // kIllegalIdentifier for an empty name, kDuplicatedIdentifier when another case of the network has it; 0.
    [[nodiscard]] int SetName(const char* text);
    [[nodiscard]] int SetCategory(const char* text);
    [[nodiscard]] int SetDescription(const char* text);
    const char* GetName() const { return name.c_str(); }
    const char* GetCategory() const { return category.c_str(); }
    const char* GetDescription() const { return description.c_str(); }
    int64_t GetCreated() const { return created; }
    int64_t GetModified() const { return modified; }
    void SetCreated(int64_t stamp) { created = stamp; }
    void SetModified(int64_t stamp) { modified = stamp; }
    VRX_network* GetNetwork() const { return network; }

    // Targets: kOutOfRange for a handle that is not a live node; 0 also when already listed.
    [[nodiscard]] int AddTarget(int handle);
    // The handle at index, kOutOfRange outside the list.
    [[nodiscard]] int GetTarget(int index) const;
    int GetNumberOfTargets() const { return static_cast<int>(targets.size()); }

    // Evidence. Entry indices outside the list give kOutOfRange.
    [[nodiscard]] int FindEvidence(int handle) const;
    [[nodiscard]] int AddEvidence(int handle, int outcome);
    [[nodiscard]] int AddContEvidence(int handle, double observed);
    [[nodiscard]] int AddTemporalEvidence(int handle, int outcome, int slice);
    [[nodiscard]] int SetEvidence(int entryIndex, int outcome);
    [[nodiscard]] int SetTemporalEvidence(int entryIndex, const std::vector<VRX_sliceEvidence>& pairs);
    [[nodiscard]] int GetEvidenceNode(int entryIndex) const;
    [[nodiscard]] int GetEvidence(int entryIndex, int& handle, int& outcome) const;
    [[nodiscard]] int GetContEvidence(int entryIndex, int& handle, double& observed) const;
    [[nodiscard]] int GetTemporalEvidence(int entryIndex, int& handle,
                                          std::vector<VRX_sliceEvidence>& pairs) const;
    int GetNumberOfEvidence() const { return static_cast<int>(evidence.size()); }
    // The entry at index, null outside the list.
    const VRX_caseEntry* GetEntry(int entryIndex) const;

    // Keeping the case in step with its network.
    void NodeDeleted(int handle);
    void NodeTypeChanged(int handle, int previousType);
    void TemporalTypeChanged(int handle, int previousType, int newType);
    void OutcomeInserted(int handle, int position);
    void OutcomeRemoved(int handle, int position);
    void OutcomesReordered(int handle, const VRX_intArray& order);

private:
    bool IsEntryIndex_(int entryIndex) const {
        return entryIndex >= 0 && entryIndex < static_cast<int>(evidence.size());
    }
    // Number of outcomes of a live node's definition, 0 without one.
    int NumberOfOutcomes_(int handle) const;
    bool IsOutcomeOf_(int handle, int outcome) const;
    void RemoveEntry_(int entryIndex);

    VRX_network* network = nullptr;
    std::string name;
    std::string category;
    std::string description;
    int64_t created = 0;
    int64_t modified = 0;
    std::vector<int> targets;
    std::vector<VRX_caseEntry> evidence;
};

class VRX_caseList {
public:
    explicit VRX_caseList(VRX_network* owner);
    // Copies of every case of source, in order, bound to owner; sync copied.
    VRX_caseList(VRX_network* owner, const VRX_caseList& source);
    VRX_caseList(const VRX_caseList&) = delete;
    VRX_caseList& operator=(const VRX_caseList&) = delete;
    ~VRX_caseList();

    // The new case, or null when the name is refused (empty or taken).
    VRX_case* AddCase(const char* caseName);
    // The case at index, null outside the list.
    VRX_case* GetCase(int index) const;
    int GetNumberOfCases() const { return static_cast<int>(items.size()); }
    // The case named exactly so, null when none.
    VRX_case* FindCase(const char* caseName) const;
    void DeleteAllCases();

    void EnableSync(bool on) { sync = on ? 1 : 0; }
    bool IsSyncEnabled() const { return sync != 0; }

    // Forwarded to every case while sync is set.
    void NotifyNodeDeleted(int handle);
    void NotifyNodeTypeChanged(int handle, int previousType);
    void NotifyTemporalTypeChanged(int handle, int previousType, int newType);
    void NotifyOutcomeInserted(int handle, int position);
    void NotifyOutcomeRemoved(int handle, int position);
    void NotifyOutcomesReordered(int handle, const VRX_intArray& order);

private:
    VRX_network* network = nullptr;
    std::vector<std::unique_ptr<VRX_case>> items;
    unsigned char sync = 1;
};
