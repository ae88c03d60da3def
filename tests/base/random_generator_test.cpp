// Tests of the engine's linear congruential uniform generator.
#include "base/random_generator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <type_traits>

namespace {

TEST(RandomGeneratorTest, IsAPlainFourByteValue) {
    EXPECT_EQ(sizeof(RandomGenerator), 4u);
    EXPECT_TRUE(std::is_trivially_copyable<RandomGenerator>::value);
    EXPECT_FALSE(std::is_polymorphic<RandomGenerator>::value);
}

TEST(RandomGeneratorTest, FirstDrawsFromSeedOne) {
    RandomGenerator generator(1);
    EXPECT_EQ(generator.GetState(), 1u);
    // 1 * 214013 + 2531011 = 2745024; 2745024 >> 16 = 41.
    EXPECT_EQ(generator.NextUniform(), 41 / 32767.0);
    EXPECT_EQ(generator.GetState(), 2745024u);
    // 2745024 * 214013 + 2531011 = 587473352323 = 136 * 2^32 + 3357800067; (3357800067 >> 16) & 0x7fff =
    // 51235 & 0x7fff = 18467.
    EXPECT_EQ(generator.NextUniform(), 18467 / 32767.0);
    EXPECT_EQ(generator.GetState(), 3357800067u);
    EXPECT_EQ(generator.NextUniform(), 6334 / 32767.0);
    EXPECT_EQ(generator.NextUniform(), 26500 / 32767.0);
}

TEST(RandomGeneratorTest, StateWrapsModulo2To32WithoutOverflow) {
    // 0xffffffff * 214013 + 2531011 mod 2^32 = 2531011 - 214013 = 2316998; 2316998 >> 16 = 35.
    RandomGenerator generator(0xffffffffu);
    EXPECT_EQ(generator.NextUniform(), 35 / 32767.0);
    EXPECT_EQ(generator.GetState(), 2316998u);
}

TEST(RandomGeneratorTest, BothEndsOfTheUnitIntervalOccur) {
    // Predecessors of the states 0x7fff0000 and 0 under the recurrence.
    RandomGenerator top(4028364353u);
    EXPECT_EQ(top.NextUniform(), 1.0);
    EXPECT_EQ(top.GetState(), 0x7fff0000u);
    RandomGenerator bottom(2708534849u);
    EXPECT_EQ(bottom.NextUniform(), 0.0);
    EXPECT_EQ(bottom.GetState(), 0u);
    // Bit 31 of the state is masked off: 0x80000000 gives 0, not 32768 / 32767.
    RandomGenerator masked(561051201u);
    EXPECT_EQ(masked.NextUniform(), 0.0);
    EXPECT_EQ(masked.GetState(), 0x80000000u);
}

TEST(RandomGeneratorTest, ReseedingRepeatsTheSequence) {
    RandomGenerator generator(12345);
    const double first = generator.NextUniform();
    const double second = generator.NextUniform();
    EXPECT_EQ(first, 7584 / 32767.0);
    EXPECT_EQ(second, 19164 / 32767.0);
    generator.Seed(12345);
    EXPECT_EQ(generator.NextUniform(), first);
    EXPECT_EQ(generator.NextUniform(), second);
}

TEST(RandomGeneratorTest, SeedZeroDrawsFromTheClock) {
    RandomGenerator generator(0);
    // time XOR clock is nonzero in practice; the draws stay inside [0, 1] on multiples of 1/32767.
    for (int i = 0; i < 1000; ++i) {
        const double u = generator.NextUniform();
        ASSERT_GE(u, 0.0);
        ASSERT_LE(u, 1.0);
        const double steps = u * 32767.0;
        ASSERT_DOUBLE_EQ(steps, static_cast<double>(static_cast<long>(steps + 0.5)));
    }
}

}  // namespace

namespace {

// The fine draw joins bits 16..31 of four successive states of the same recurrence.
TEST(RandomGeneratorTest, FractionJoinsFourStepsOfTheSequence) {
    RandomGenerator generator(1);
    uint32_t state = 1;
    uint64_t bits = 0;
    for (int i = 0; i < 4; ++i) {
        state = state * 214013u + 2531011u;
        bits = (bits << 16) | (state >> 16);
    }
    EXPECT_EQ(generator.NextFraction(), static_cast<double>(bits >> 11) / 9007199254740992.0);
    EXPECT_EQ(generator.GetState(), state);
}

TEST(RandomGeneratorTest, FractionsStayBelowOneWithFineSteps) {
    // The seed whose documented first draw is 0.0: the fine draw is small but keeps its other bits.
    RandomGenerator bottom(2708534849u);
    const double u = bottom.NextFraction();
    EXPECT_GT(u, 0.0);
    EXPECT_LT(u, 1e-8);
    // The seed whose documented first draw is 1.0 stays below 1.
    RandomGenerator top(4028364353u);
    EXPECT_LT(top.NextFraction(), 1.0);

    RandomGenerator generator(7);
    const int n = 100000;
    double sum = 0.0, sumSq = 0.0;
    int outsideCoarseGrid = 0;
    for (int i = 0; i < n; ++i) {
        const double f = generator.NextFraction();
        ASSERT_GE(f, 0.0);
        ASSERT_LT(f, 1.0);
        sum += f;
        sumSq += f * f;
        const double steps = f * 32767.0;
        if (steps != static_cast<double>(static_cast<long>(steps))) ++outsideCoarseGrid;
    }
    const double mean = sum / n;
    EXPECT_NEAR(mean, 0.5, 5 * std::sqrt(1.0 / 12 / n));
    EXPECT_NEAR(sumSq / n - mean * mean, 1.0 / 12, 0.002);
    EXPECT_GT(outsideCoarseGrid, n - 10);
}

TEST(RandomGeneratorTest, ProcessWideGeneratorsExistAndDraw) {
    for (RandomGenerator* g : {&mixtureGenerator, &sampleNodeGenerator, &messageGenerator}) {
        const double u = g->NextFraction();
        EXPECT_TRUE(u >= 0.0 && u < 1.0);
    }
}

}  // namespace
