// The bound on the posterior of outcomes no sample reached is a true lower bound: on random networks
// with evidence and positive, sparse or deterministic tables, for every node and every set of outcomes taken
// as missed, it never passes the exact posterior of those outcomes, and it is often far above 0.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "inference/missed_outcomes.h"
#include "inference/part_view.h"
#include "inference/relevant_parts.h"
#include "tests/support/random_networks.h"

namespace {

TEST(MissedOutcomes, BoundNeverPassesTheExactPosterior) {
    vovido::test::RandomShape shape;
    shape.evidenceShare = 0.5;
    shape.virtualShare = 0.0;
    int checked = 0;
    int positive = 0;
    for (unsigned seed = 1; seed <= 60; seed++) {
        std::mt19937 rng(seed);
        const vovido::test::TableKind kinds[] = {vovido::test::TableKind::kPositive,
                                                 vovido::test::TableKind::kSparse,
                                                 vovido::test::TableKind::kDeterministic};
        shape.tables = kinds[seed % 3];
        VRX_network net;
        net.propagationFlags = 0;
        vovido::test::Build(net, rng, shape);
        const vovido::test::Reference ref = vovido::test::Enumerate(net);
        if (ref.probEvidence == 0.0) continue;
        std::unique_ptr<vovido::RelevantPartList> parts = FindRelevantParts(net, true, true);
        ASSERT_NE(parts, nullptr);
        for (const auto& part : *parts) {
            PartView view(*part);
            for (int i = 0; i < view.GetNumberOfNodes(); i++) {
                const int h = view.GetNodeHandle(i);
                const int n = view.GetNumberOfOutcomes(i);
                if (h < 0 || view.GetEvidence(i) >= 0) continue;
                for (int missed = 1; missed < (1 << n) - 1; missed++) {
                    std::vector<double> counts(static_cast<size_t>(n));
                    double exact = 0.0;
                    for (int k = 0; k < n; k++) {
                        counts[k] = (missed >> k & 1) != 0 ? 0.0 : 1.0;
                        if (counts[k] == 0.0) exact += ref.beliefs[h][k];
                    }
                    const double bound = vovido::MissedOutcomes::LowerBound(view, i, counts.data());
                    EXPECT_LE(bound, exact + 1e-12)
                        << "seed " << seed << ", node " << h << ", set " << missed;
                    checked++;
                    positive += bound > 0.05 ? 1 : 0;
                }
            }
        }
    }
    EXPECT_GT(checked, 200);
    EXPECT_GT(positive, 20);
}

}  // namespace
