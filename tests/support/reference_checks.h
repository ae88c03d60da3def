#pragma once
// Checks of a network's beliefs against the exact references of a case (reference_networks.h).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"
#include "tests/support/reference_networks.h"

namespace vovido::test {

// Every node's posterior after the update matches the case's reference within tolerance; with
// checkUpToDate the values must also be marked up to date.
inline void ExpectReferencePosteriors(const VRX_network& net, const ReferenceCase& item, double tolerance,
                                      bool checkUpToDate) {
    ASSERT_EQ(static_cast<int>(item.posteriors.size()), net.GetNumberOfNodes());
    for (const ReferencePosterior& posterior : item.posteriors) {
        const int handle = net.FindNode(posterior.node.c_str());
        ASSERT_GE(handle, 0) << posterior.node;
        VRX_Dmatrix* beliefs = nullptr;
        ASSERT_EQ(net.GetNode(handle)->GetValue()->GetValue(beliefs), kSuccess);
        ASSERT_EQ(beliefs->GetNumberOfElements(), static_cast<int>(posterior.outcomes.size()))
            << posterior.node;
        if (checkUpToDate) {
            EXPECT_TRUE(net.GetNode(handle)->GetValue()->IsUpToDate()) << posterior.node;
        }
        for (const auto& outcome : posterior.outcomes) {
            const int index = OutcomeIndex(net, handle, outcome.first);
            ASSERT_GE(index, 0) << posterior.node << "=" << outcome.first;
            EXPECT_NEAR((*beliefs)[index], outcome.second, tolerance)
                << posterior.node << "=" << outcome.first;
        }
    }
}

// The nine reference networks, smallest first.
inline const std::vector<const char*>& ReferenceNetworkNames() {
    static const std::vector<const char*> names = {"asia",       "child",  "insurance", "water", "alarm",
                                                   "hailfinder", "hepar2", "win95pts",  "andes"};
    return names;
}

inline std::string ParamName(const ::testing::TestParamInfo<const char*>& info) {
    return info.param;
}

}  // namespace vovido::test
