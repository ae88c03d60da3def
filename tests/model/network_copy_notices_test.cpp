// Copying a network leaves the source's beliefs as they were: the copied definitions are new to the
// copy, not changes of the source's model.
#include <gtest/gtest.h>

#include "base/status_codes.h"
#include "tests/support/networks.h"

namespace {

using namespace vovido::test;

TEST(NetworkCopyNotices, SourceBeliefsStayUpToDate) {
    VRX_network source;
    const int a = AddNode(source, DefinitionType::kCpt, "A", {});
    const int b = AddNode(source, DefinitionType::kCpt, "B", {"A"});
    ASSERT_EQ(source.UpdateBeliefs(), kSuccess);
    for (bool modelOnly : {true, false}) {
        VRX_network copy;
        ASSERT_EQ(modelOnly ? copy.CopyModelOnly(source) : copy.CopyFrom(source, false), kSuccess);
        for (int h : {a, b})
            EXPECT_TRUE(source.GetNode(h)->GetValue()->IsUpToDate()) << modelOnly << " " << h;
        EXPECT_EQ(source.propagationFlags & PropagationFlags::kNotices, PropagationFlags::kNotices);
        // The copy's own evidence still reaches its values.
        ASSERT_EQ(copy.UpdateBeliefs(), kSuccess);
        ASSERT_EQ(copy.GetNode(a)->GetValue()->SetEvidence(0), kSuccess);
        EXPECT_FALSE(copy.GetNode(b)->GetValue()->IsUpToDate());
        EXPECT_TRUE(source.GetNode(b)->GetValue()->IsUpToDate());
    }
}

}  // namespace
