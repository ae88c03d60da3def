// Expected counts of one record against the definition: the count of a family configuration is the
// probability of the evidence with that configuration added, divided by that of the evidence alone.
#include <gtest/gtest.h>

#include <vector>

#include "base/random_generator.h"
#include "base/status_codes.h"
#include "learning/em_record_counts.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/support/reference_networks.h"

namespace {

double ProbabilityOfEvidence(VRX_network& net) {
    double p = -1.0;
    EXPECT_TRUE(net.CalcPropEvidence(&p, false));
    return p;
}

TEST(EmRecordCounts, EqualFamilyPosteriorsUnderRandomEvidence) {
    struct Case {
        const char* name;
        bool shareTree;
    };
    for (const Case c :
         {Case{"asia", true}, Case{"asia", false}, Case{"alarm", true}, Case{"alarm", false}}) {
        const char* name = c.name;
        VRX_network net;
        ASSERT_EQ(net.ReadFile(vovido::test::ReferencePath(name, ".xvrx").c_str()), kSuccess);
        net.propagationFlags = 0;
        vovido::EmNodeTables tables;
        const int size = net.GetLastNode() + 1;
        tables.counts.resize(size);
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
            VRX_Dmatrix* table = nullptr;
            ASSERT_EQ(net.GetNode(h)->GetDefinition()->GetDefinition(table), kSuccess);
            // EM counts on the tables as an update reads them, every column scaled to sum to 1.
            (void)table->Normalize();
            tables.counts[h].emplace_back(*table);
            tables.counts[h][0].FillWith(0.0);
        }
        vovido::EmRecordCounter counter(net, tables, c.shareTree);
        // Evidence drawn from the network itself, each cell kept with probability 0.6.
        RandomGenerator random(3);
        std::vector<int> evidence(size, -1);
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
            if (random.NextFraction() < 0.6) evidence[h] = 0;
        }
        // Outcome 0 everywhere may be impossible: take outcomes that keep the evidence possible.
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
            if (evidence[h] < 0) continue;
            const int n = net.GetNode(h)->GetDefinition()->GetNumberOfOutcomes();
            for (int o = 0; o < n; ++o) {
                ASSERT_EQ(net.GetNode(h)->GetValue()->SetEvidence(o), kSuccess);
                if (ProbabilityOfEvidence(net) > 0.0) break;
            }
        }
        double probability = -1.0;
        ASSERT_EQ(counter.AddRecord(2.0, false, probability), kSuccess);
        const double pe = ProbabilityOfEvidence(net);
        EXPECT_NEAR(probability, pe, 1e-12 * pe) << name;
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
            const VRX_Dmatrix& counts = tables.counts[h][0];
            const VRX_intArray& parents = net.GetParents(h);
            VRX_intArray coords;
            for (int i = 0; i < counts.GetNumberOfElements(); ++i) {
                ASSERT_EQ(counts.IndexToCoordinates(i, coords), kSuccess);
                // The family's configuration added as evidence, unless it contradicts the evidence.
                std::vector<int> added;
                bool contradicts = false;
                for (int k = 0; k <= parents.GetCount(); ++k) {
                    const int m = k < parents.GetCount() ? parents[k] : h;
                    VRX_nodeValue* value = net.GetNode(m)->GetValue();
                    if (value->HasEvidence()) {
                        contradicts = contradicts || value->GetEvidence() != coords[k];
                    } else {
                        ASSERT_EQ(value->SetEvidence(coords[k]), kSuccess);
                        added.push_back(m);
                    }
                }
                const double expected = contradicts ? 0.0 : 2.0 * ProbabilityOfEvidence(net) / pe;
                for (int m : added) ASSERT_EQ(net.GetNode(m)->GetValue()->ClearEvidence(), kSuccess);
                EXPECT_NEAR(counts[i], expected, 1e-9)
                    << name << c.shareTree << " node " << net.GetNode(h)->GetId() << " item " << i;
            }
        }
    }
}

}  // namespace
