// Random edits of two reference networks through the calls the natives make (outcomes, arcs, tables with
// rounded, zero and unnormalised columns, kinds, evidence, algorithms), each followed by an update and a
// write and read-back in every writable format: a successful update's beliefs lie in [0, 1] and sum to 1,
// a write that succeeds reads back with the same beliefs, and every failure logs its cause first, naming
// a node or a file. VOVIDO_RANDOM_EDIT_SEEDS=<count> runs more seeds by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
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
    bool offColumns;  // tables with columns of zeros or off 1, and outcome removals (which leave such)
    bool samplers;    // the sampling and loopy algorithms besides the exact ones
};

const Scope kEverything = {{".vrx", ".xvrx", ".net", ".dne", ".erg", ".dsc", ".xml03"}, true, true};
// Every edit of kinds, arcs, outcomes added, evidence and tables of distributions.
const Scope kKindsArcsAndEvidence = {{".vrx", ".xvrx", ".net", ".dne", ".xml03"}, false, false};
constexpr int kEditsPerSeed = 25;

int SeedCount() {
    const char* text = std::getenv("VOVIDO_RANDOM_EDIT_SEEDS");
    const int count = text != nullptr ? std::atoi(text) : 0;
    return count > 0 ? count : 6;
}

// A failure's first entry names what it is about: a node or file in brackets or quotes, a path, or the
// network as a whole.
void ExpectCauseFirst(const std::string& what) {
    const std::vector<std::string> logged = LoggedMessages();
    ASSERT_FALSE(logged.empty()) << what << ": failed without a word";
    const std::string& first = logged.front();
    EXPECT_TRUE(first.find('[') != std::string::npos || first.find('\'') != std::string::npos ||
                first.find('/') != std::string::npos || first.find("this network") != std::string::npos)
        << what << ": " << LogDump();
}

using BeliefMap = std::map<std::string, std::vector<double>>;

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
    void CheckUpdate(VRX_network& net, const std::string& where) {
        errorLog.Flush();
        if (net.UpdateBeliefs() != kSuccess) {
            ExpectCauseFirst(where + " update");
            return;
        }
        for (const auto& [id, beliefs] : ChanceBeliefs(net)) {
            double sum = 0.0;
            for (double b : beliefs) {
                EXPECT_TRUE(b >= 0.0 && b <= 1.0) << where << " " << id << " belief " << b;
                sum += b;
            }
            EXPECT_NEAR(sum, 1.0, 1e-12) << where << " " << id;
        }
    }

    // The beliefs without evidence by exact propagation, which every format keeps the means of.
    static BeliefMap ExactBeliefs(VRX_network& net, bool& ok) {
        (void)net.ClearAllEvidence();
        net.SetBayesianAlgorithm(BayesianAlgorithm::kClusteringWithDecomposition);
        ok = net.UpdateBeliefs() == kSuccess;
        return ok ? ChanceBeliefs(net) : BeliefMap();
    }

    void CheckRoundTrips(VRX_network& net, const std::string& where) {
        VRX_network copy(net);
        bool exact = false;
        const auto expected = ExactBeliefs(copy, exact);
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
            if (read != kSuccess || !exact) continue;
            bool readExact = false;
            const auto beliefs = ExactBeliefs(back, readExact);
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

    void Run(const Scope& scope) {
        scope_ = scope;
        for (int seed = 1; seed <= SeedCount(); ++seed) {
            for (const char* name : {"asia", "alarm"}) {
                RandomEditor editor(static_cast<unsigned>(seed), scope.offColumns, scope.samplers);
                VRX_network net;
                ASSERT_EQ(net.ReadFile(ReferencePath(name, ".xvrx").c_str()), kSuccess);
                std::vector<int> handles;
                for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) handles.push_back(h);
                for (int edit = 0; edit < kEditsPerSeed; ++edit) {
                    errorLog.Flush();
                    const std::string what = editor.Edit(net, handles);
                    if (editor.TableStatus() != kSuccess) ExpectCauseFirst(what);
                    const std::string where = std::string(name) + " seed " + std::to_string(seed) + " edit " +
                                              std::to_string(edit) + " (" + what + ")";
                    CheckUpdate(net, where);
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

}  // namespace
