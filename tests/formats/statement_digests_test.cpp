// The records of statements and parts read: each word or node keeps its first digest, in a short block
// and in one long enough to be indexed.
#include "formats/statement_digests.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vovido::StatementDigest;

StatementDigest Digest(int n) {
    StatementDigest digest;
    digest.hash = static_cast<uint64_t>(n) * 7919u;
    digest.tokens = n;
    return digest;
}

TEST(StatementDigests, WordsKeepTheirFirstDigest) {
    for (const int words : {3, 40}) {
        vovido::StatementsByWord seen;
        for (int i = 0; i < words; ++i) seen.Add("w" + std::to_string(i), Digest(i));
        seen.Add("w1", Digest(99));  // a repeat is not recorded over the first
        for (int i = 0; i < words; ++i) {
            const StatementDigest* found = seen.Find("w" + std::to_string(i));
            ASSERT_NE(found, nullptr) << words << " " << i;
            EXPECT_EQ(*found, Digest(i));
        }
        EXPECT_EQ(seen.Find("W1"), nullptr);
        EXPECT_EQ(seen.Find("w" + std::to_string(words)), nullptr);
    }
}

TEST(StatementDigests, PartsByNodeHandle) {
    vovido::PartsByNode seen;
    seen.Add(5, Digest(5));
    seen.Add(0, Digest(0));
    seen.Add(5, Digest(6));
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(*seen.Find(5), Digest(5));
    EXPECT_FALSE(seen.Contains(3));
    EXPECT_FALSE(seen.Contains(-1));
    EXPECT_FALSE(seen.Contains(100));
    seen.Erase(5);
    EXPECT_FALSE(seen.Contains(5));
    EXPECT_EQ(seen.size(), 1u);
    seen.clear();
    EXPECT_EQ(seen.size(), 0u);
    EXPECT_FALSE(seen.Contains(0));
}

}  // namespace
