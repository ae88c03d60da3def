// Messages of the hybrid message passing: uniform, fixed, accumulated and fitted states.
#include <gtest/gtest.h>

#include <memory>

#include "base/random_generator.h"
#include "equations/hybrid_message.h"

namespace {

TEST(HybridMessage, DiscreteMessagesNormaliseAndKeepImpossibleEvidenceAtZero) {
    VRX_discreteMessage m(4);
    EXPECT_TRUE(m.IsUniform());
    EXPECT_EQ(m.GetProbability(2), 0.25);
    m.AddStateSample(1, 3.0);  // the first sample replaces the uniform entries
    m.AddStateSample(3, 1.0);
    m.Finish();
    EXPECT_EQ(m.GetProbability(1), 0.75);
    EXPECT_EQ(m.GetProbability(0), 0.0);
    m.Reset();
    m.AddStateSample(2, 0.0);
    m.Finish();
    for (int s = 0; s < 4; ++s) EXPECT_EQ(m.GetProbability(s), 0.0);
    m.SetEvidenceState(2);
    EXPECT_EQ(m.SampleState(), 2);
    m.AddStateSample(0, 5.0);  // a fixed message takes no samples
    EXPECT_EQ(m.GetProbability(2), 1.0);
}

TEST(HybridMessage, ContinuousMessagesAreFlatFixedOrFitted) {
    messageGenerator.Seed(9);
    mixtureGenerator.Seed(9);
    VRX_continuousMessage m(-2.0, 6.0, 2, 0.001, 10.0);
    EXPECT_EQ(m.GetDensity(100.0), 0.125);
    for (int i = 0; i < 100; ++i) {
        const double v = m.SampleValue();
        EXPECT_TRUE(v >= -2.0 && v < 6.0);
    }
    for (int i = 0; i < 400; ++i) m.AddValueSample(0.01 * i, 1.0);
    EXPECT_FALSE(m.IsUniform());
    double mean = 0.0, variance = 0.0;
    (void)m.GetDensity(0.0);  // refits
    m.GetMixture().GetMeanAndVariance(mean, variance);
    EXPECT_NEAR(mean, 1.995, 1e-6);
    EXPECT_NEAR(variance, (400.0 * 400.0 - 1) / 12.0 * 1e-4, 1e-3);

    VRX_continuousMessage none(-1.0, 1.0, 2, 0.001, 10.0);
    none.AddValueSample(0.5, 0.0);
    none.Finish();
    EXPECT_EQ(none.GetDensity(0.5), 0.0);  // every sample weighs 0: impossible

    VRX_continuousMessage fixed(-1.0, 1.0, 2, 0.001, 10.0);
    fixed.SetEvidenceValue(0.25);
    EXPECT_EQ(fixed.GetDensity(0.25), 1.0);
    EXPECT_EQ(fixed.GetDensity(0.5), 0.0);
    EXPECT_EQ(fixed.SampleValue(), 0.25);
}

}  // namespace

namespace {

// A message draws into, weighs and samples the value it is bound to.
TEST(HybridMessage, MessagesWorkOnTheValueTheyAreBoundTo) {
    messageGenerator.Seed(4);
    int state = -1;
    VRX_discreteMessage d(3, &state);
    state = 2;
    d.AddCurrentSample(1.0);
    state = 0;
    d.AddCurrentSample(3.0);
    d.Finish();
    EXPECT_DOUBLE_EQ(d.GetCurrentProbability(), 0.75);
    d.DrawCurrent();
    EXPECT_TRUE(state >= 0 && state < 3);
    d.SetEvidenceState(1);
    EXPECT_EQ(state, 1);

    double value = 7.0;
    VRX_continuousMessage c(2.0, 6.0, 2, 0.001, 10.0, &value);
    EXPECT_EQ(c.GetCurrentProbability(), 0.25);  // uniform over the range, wherever the value is
    c.DrawCurrent();
    EXPECT_TRUE(value >= 2.0 && value <= 6.0) << value;
    c.SetEvidenceValue(3.0);
    value = 5.0;
    c.DrawCurrent();  // fixed: the value stays
    EXPECT_EQ(value, 5.0);
    EXPECT_EQ(c.GetCurrentProbability(), 0.0);
}

}  // namespace

namespace {

// A copy says what the original says and stays bound to the same value; a discrete message has none.
TEST(HybridMessage, ContinuousCopiesKeepTheFitAndTheBinding) {
    mixtureGenerator.Seed(3);
    double bound = 0.0;
    VRX_continuousMessage original(-10.0, 10.0, 2, 0.001, 10.0, &bound);
    for (int i = 0; i < 200; ++i) original.AddValueSample(-1.0 + 0.01 * i, 1.0);
    original.Finish();
    std::unique_ptr<VRX_hybridMessage> copy = original.Clone();
    ASSERT_TRUE(copy);
    auto& same = static_cast<VRX_continuousMessage&>(*copy);
    EXPECT_EQ(same.GetSampleCount(), 200);
    EXPECT_FALSE(same.IsUniform());
    EXPECT_EQ(same.GetDensity(0.3), original.GetDensity(0.3));
    same.DrawCurrent();
    EXPECT_NE(bound, 0.0);  // drawn into the original's variable
    // One with a value of its own keeps a value of its own.
    VRX_continuousMessage own(0.0, 1.0, 2, 0.001, 10.0);
    own.SetEvidenceValue(0.25);
    VRX_continuousMessage ownCopy(own);
    ownCopy.SetEvidenceValue(0.75);
    EXPECT_EQ(own.GetDensity(0.25), 1.0);
    EXPECT_EQ(ownCopy.GetDensity(0.75), 1.0);
    EXPECT_EQ(VRX_discreteMessage(3).Clone(), nullptr);
}

}  // namespace
