// Messages of the hybrid message passing: uniform, fixed, accumulated and fitted states.
#include <gtest/gtest.h>

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
