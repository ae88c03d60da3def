// Random edits of two reference networks through the calls the natives make (outcomes, arcs, tables with
// rounded, zero and unnormalised columns, parameters of the derived kinds, every kind code, evidence,
// algorithms, temporal types, arcs and tables), each followed by an update and a write and read-back in every
// writable format: a successful update's beliefs lie in [0, 1] and sum to 1; the evidence entered before the
// edits gives the answer of the same evidence entered after them; a write that succeeds reads back, takes the
// same evidence and gives the same beliefs; a failing edit changes nothing; every failure logs its cause
// first, naming a node or a file. VOVIDO_RANDOM_EDIT_SEEDS=<count> runs more seeds by hand,
// VOVIDO_RANDOM_EDIT_SEED=<seed> one seed alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/support/arrays.h"
#include "tests/support/error_log.h"
#include "tests/support/networks.h"
#include "tests/support/random_edits.h"
#include "tests/support/reference_networks.h"
#include "tests/support/temp_file.h"

namespace {

using namespace vovido::test;

// What the edits may do and where the network is written.
struct Scope {
    std::vector<const char*> formats;
    EditScope edits;
};

const Scope kEverything = {{".vrx", ".xvrx", ".net", ".dne", ".erg", ".dsc", ".xml03"}, {true, true, true}};
// Every edit of kinds, arcs, outcomes added, evidence and tables of distributions.
const Scope kKindsArcsAndEvidence = {{".vrx", ".xvrx", ".net", ".dne", ".xml03"}, {false, false, false}};
// Temporal types, arcs and tables and kind changes of plate nodes, with outcome removals and columns off 1,
// written to every format: the formats without slices must refuse what they cannot hold.
const Scope kTemporal = {{".vrx", ".xvrx", ".net", ".dne", ".erg", ".dsc", ".xml03"},
                         {true, false, false, BayesianAlgorithm::kLast + 1, true}};
// The same with decisions and utilities of plate nodes, in and around the plate.
const Scope kDynamicDecisions = {{".xvrx"}, {true, false, false, BayesianAlgorithm::kLast + 1, true, true}};
// Evidence edits with likelihoods that everything that clears must take.
const Scope kLikelihoods = {{".xvrx"},
                            {false, false, false, BayesianAlgorithm::kLast + 1, false, false, true}};
constexpr int kEditsPerSeed = 25;

int SeedCount() {
    const char* text = std::getenv("VOVIDO_RANDOM_EDIT_SEEDS");
    const int count = text != nullptr ? std::atoi(text) : 0;
    return count > 0 ? count : 4;
}

// VOVIDO_RANDOM_EDIT_SEED=<seed> runs that seed alone, to follow a failure by hand.
int FirstSeed() {
    const char* text = std::getenv("VOVIDO_RANDOM_EDIT_SEED");
    const int seed = text != nullptr ? std::atoi(text) : 0;
    return seed > 0 ? seed : 1;
}

// A failure's first entry names what it is about: a node or file in brackets or quotes, a path, the
// network as a whole, or the kind code refused.
void ExpectCauseFirst(const std::string& what) {
    const std::vector<std::string> logged = LoggedMessages();
    ASSERT_FALSE(logged.empty()) << what << ": failed without a word";
    const std::string& first = logged.front();
    EXPECT_TRUE(first.find('[') != std::string::npos || first.find('\'') != std::string::npos ||
                first.find('/') != std::string::npos || first.find("this network") != std::string::npos ||
                first.find("Unknown node type code: ") == 0)
        << what << ": " << LogDump();
}

using BeliefMap = std::map<std::string, std::vector<double>>;
using EvidenceMap = std::map<std::string, int>;

// The outcomes observed (not those propagated) of the discrete nodes, by identifier.
EvidenceMap Findings(VRX_network& net) {
    EvidenceMap out;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_nodeValue* value = net.GetNode(h)->GetValue();
        if (value != nullptr && vovido::IsDiscreteType(net.GetNodeType(h)) &&
            value->HasFlag(ValueFlags::kEvidence) && !value->HasFlag(ValueFlags::kPropagatedEvidence))
            out.emplace(net.GetNode(h)->GetId(), value->GetEvidence());
    }
    return out;
}

// Beliefs of every chance and deterministic node by identifier.
BeliefMap ChanceBeliefs(VRX_network& net) {
    BeliefMap out;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        if ((net.GetNodeType(h) & (DefinitionBits::kChance | DefinitionBits::kDeterministic)) != 0)
            out.emplace(net.GetNode(h)->GetId(), Beliefs(net, h));
    }
    return out;
}

class RandomEdits : public FreshLogTest<> {
protected:
    // A failed edit names its cause first; a failed outcome add keeps nothing.
    static void CheckFailedEdit(const FailedEdit& edit) {
        if (edit.outcomeAdded) {
            EXPECT_EQ(edit.node->GetDefinition()->GetNumberOfOutcomes(), edit.outcomesBefore)
                << edit.what << LogDump();
        } else {
            ExpectCauseFirst(edit.what);
        }
    }

    void CheckUpdate(VRX_network& net, const std::string& where) {
        errorLog.Flush();
        if (net.UpdateBeliefs() != kSuccess) {
            ExpectCauseFirst(where + " update");
            return;
        }
        for (const auto& [id, beliefs] : ChanceBeliefs(net)) {
            // In an influence diagram, one distribution per configuration of the decisions before, or the
            // undefined marker where the evidence is impossible under it.
            const int k = net.GetNode(net.FindNode(id.c_str()))->GetDefinition()->GetNumberOfOutcomes();
            for (size_t start = 0; k > 0 && start < beliefs.size(); start += static_cast<size_t>(k)) {
                if (IsUndefinedValue(beliefs[start]) || beliefs[start] == kNotAvailableValue) continue;
                double sum = 0.0;
                for (size_t j = start; j < start + static_cast<size_t>(k) && j < beliefs.size(); ++j) {
                    EXPECT_TRUE(beliefs[j] >= 0.0 && beliefs[j] <= 1.0)
                        << where << " " << id << " belief " << beliefs[j];
                    sum += beliefs[j];
                }
                EXPECT_NEAR(sum, 1.0, 1e-12) << where << " " << id;
            }
        }
    }

    // The beliefs by exact propagation with the findings entered afresh, after every edit; false where
    // the update fails. A finding the network refuses fails the check unless `refusable`.
    static bool ExactBeliefs(VRX_network& net, const EvidenceMap& findings, BeliefMap& out, bool refusable,
                             const std::string& where) {
        (void)net.ClearAllEvidence();
        for (const auto& [id, outcome] : findings) {
            const int h = net.FindNode(id.c_str());
            VRX_nodeValue* value = h >= 0 ? net.GetNode(h)->GetValue() : nullptr;
            const int rc = value != nullptr ? value->SetEvidence(outcome) : kOutOfRange;
            if (rc != kSuccess) {
                if (!refusable)
                    ADD_FAILURE() << where << " refuses the finding on " << id << ": " << LogDump();
                return false;
            }
        }
        net.SetBayesianAlgorithm(BayesianAlgorithm::kClusteringWithDecomposition);
        if (net.UpdateBeliefs() != kSuccess) return false;
        out = ChanceBeliefs(net);
        return true;
    }

    // The findings entered before the edits answer as when entered after them.
    void CheckOrderOfCalls(VRX_network& net, const std::string& where) {
        const int algorithm = net.GetBayesianAlgorithm();
        net.SetBayesianAlgorithm(BayesianAlgorithm::kClusteringWithDecomposition);
        errorLog.Flush();
        const bool updated = net.UpdateBeliefs() == kSuccess;
        const BeliefMap before = updated ? ChanceBeliefs(net) : BeliefMap();
        net.SetBayesianAlgorithm(algorithm);
        VRX_network copy(net);
        BeliefMap after;
        errorLog.Flush();
        const bool fresh =
            ExactBeliefs(copy, Findings(net), after, !updated, where + " findings entered after");
        EXPECT_EQ(fresh, updated) << where
                                  << " the update with findings entered before and after: " << LogDump();
        if (!fresh || !updated) return;
        for (const auto& [id, values] : before) {
            const auto found = after.find(id);
            if (found != after.end())
                ExpectNear(found->second, values, 1e-9, where + " order of calls, " + id);
        }
    }

    void CheckRoundTrips(VRX_network& net, const std::string& where) {
        VRX_network copy(net);
        const EvidenceMap findings = Findings(net);
        BeliefMap expected;
        const bool exact = ExactBeliefs(copy, findings, expected, true, where);
        for (const char* extension : scope_.formats) {
            const std::string what = where + " " + extension;
            const std::string path = TempPath("random_edits" + std::string(extension));
            errorLog.Flush();
            if (net.WriteFile(path.c_str()) != kSuccess) {
                ExpectCauseFirst(what + " write");
                std::remove(path.c_str());
                continue;
            }
            VRX_network back;
            errorLog.Flush();
            const int read = back.ReadFile(path.c_str());
            std::remove(path.c_str());
            EXPECT_EQ(read, kSuccess) << what << " read back: " << LogDump();
            if (read != kSuccess) continue;
            ExpectSameTemporalTypes(net, back, what);
            if (!exact) continue;
            BeliefMap beliefs;
            const bool readExact = ExactBeliefs(back, findings, beliefs, false, what + " read back");
            EXPECT_TRUE(readExact) << what << " read back does not update: " << LogDump();
            if (!readExact) continue;
            EXPECT_EQ(beliefs.size(), expected.size()) << what;
            for (const auto& [id, values] : expected) {
                const auto found = beliefs.find(id);
                if (found == beliefs.end()) {
                    ADD_FAILURE() << what << " " << id << " is no chance node read back";
                    continue;
                }
                ExpectNear(found->second, values, 1e-9, what + " " + id);
            }
        }
    }

    // A file that holds the network keeps every node's temporal type, and the slices where a node has one.
    static void ExpectSameTemporalTypes(const VRX_network& net, const VRX_network& back,
                                        const std::string& what) {
        bool dynamic = false;
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
            dynamic = dynamic || net.GetTemporalType(h) != TemporalType::kNormal;
            const int read = back.FindNode(net.GetNode(h)->GetId());
            if (read < 0) continue;
            EXPECT_EQ(back.GetTemporalType(read), net.GetTemporalType(h))
                << what << " " << net.GetNode(h)->GetId();
        }
        if (!dynamic) return;
        EXPECT_EQ(back.GetSliceCount(), net.GetSliceCount()) << what << " slices";
    }

    // The network as its own XML format writes it, or why it cannot be written.
    std::string Saved(VRX_network& net) {
        const std::string path = TempPath("random_edits_state.xvrx");
        errorLog.Flush();
        const std::string text = net.WriteFile(path.c_str()) == kSuccess ? ReadTextFile(path) : LogDump();
        std::remove(path.c_str());
        errorLog.Flush();
        return text;
    }

    // Every table is in step with the node's indexing parents and outcomes, as a file holds it.
    static void ExpectTablesInStep(VRX_network& net, const std::string& where) {
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
            const int type = net.GetNodeType(h);
            VRX_nodeDefinition& definition = *net.GetNode(h)->GetDefinition();
            VRX_Dmatrix* table = nullptr;
            if (!vovido::IsIndexingType(type) || definition.GetDefinition(table) != kSuccess ||
                table == nullptr)
                continue;
            std::vector<int> expected;
            const VRX_intArray& parents = net.GetParents(h);
            for (int i = 0; i < parents.GetCount(); ++i) {
                if (vovido::IsIndexingType(net.GetNodeType(parents[i])))
                    expected.push_back(net.GetNode(parents[i])->GetDefinition()->GetNumberOfOutcomes());
            }
            expected.push_back(definition.GetNumberOfOutcomes());
            std::vector<int> shape;
            for (int d = 0; d < table->GetNumberOfDimensions(); ++d)
                shape.push_back(table->GetDimensions()[d]);
            EXPECT_EQ(shape, expected) << where << " table of " << net.GetNode(h)->GetId();
        }
    }

    // Only the likelihood edit gives likelihoods, and it clears them all again.
    static void ExpectNoLikelihoods(VRX_network& net, const std::string& where) {
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
            VRX_doubleArray kept;
            VRX_nodeValue* value = net.GetNode(h)->GetValue();
            EXPECT_FALSE(value != nullptr && value->GetVirtualEvidence(kept) == kSuccess)
                << where << " likelihoods left on " << net.GetNode(h)->GetId();
        }
    }

    void Run(const Scope& scope) {
        scope_ = scope;
        RandomEditor editor(scope.edits, CheckFailedEdit);
        const int first = FirstSeed();
        const int last = std::getenv("VOVIDO_RANDOM_EDIT_SEED") != nullptr ? first : SeedCount();
        for (int seed = first; seed <= last; ++seed) {
            for (const char* name : {"asia", "alarm", "child", "insurance", "hailfinder"}) {
                editor.Seed(static_cast<unsigned>(seed));
                VRX_network net;
                ASSERT_EQ(net.ReadFile(ReferencePath(name, ".xvrx").c_str()), kSuccess);
                std::vector<int> handles;
                for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) handles.push_back(h);
                for (int edit = 0; edit < kEditsPerSeed; ++edit) {
                    const std::string saved = Saved(net);
                    const EvidenceMap findings = Findings(net);
                    const int slices = net.GetSliceCount();
                    const std::string where = std::string(name) + " seed " + std::to_string(seed) + " edit " +
                                              std::to_string(edit) + " (" + editor.Edit(net, handles) + ")";
                    // A refused call or a query changes nothing a file or the findings hold.
                    if (editor.LastChangedNothing()) {
                        const std::string log = LogDump();
                        EXPECT_EQ(Findings(net), findings) << where << " refused, yet the findings changed";
                        EXPECT_TRUE(Saved(net) == saved)
                            << where << " refused, yet the network changed: " << log;
                        EXPECT_EQ(net.GetSliceCount(), slices) << where << " refused, yet the slices changed";
                    }
                    ExpectTablesInStep(net, where);
                    ExpectNoLikelihoods(net, where);
                    CheckUpdate(net, where);
                    CheckOrderOfCalls(net, where);
                    CheckRoundTrips(net, where);
                    if (HasFailure()) return;  // the first failure with its edits is what tells
                }
            }
        }
    }

    Scope scope_ = kEverything;
};

TEST_F(RandomEdits, UpdatesSumToOneAndWritesReadBackWithTheSameBeliefs) {
    Run(kEverything);
}

TEST_F(RandomEdits, KindsArcsAndEvidenceKeepUpdatesAndReadBacksSound) {
    Run(kKindsArcsAndEvidence);
}

TEST_F(RandomEdits, LikelihoodsGoWithClearAllEvidence) {
    Run(kLikelihoods);
}

TEST_F(RandomEdits, TemporalEditsKeepUpdatesAndReadBacksSound) {
    Run(kTemporal);
}

TEST_F(RandomEdits, PlateDecisionsAndUtilitiesKeepUpdatesAndReadBacksSound) {
    Run(kDynamicDecisions);
}

}  // namespace
