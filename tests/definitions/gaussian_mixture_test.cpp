// Gaussian mixtures: density by hand, moments of draws, EM on two clusters, degenerate inputs, and the
// product samplers against the closed-form product of Gaussians.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "base/random_generator.h"
#include "definitions/gaussian_mixture.h"

namespace {

GaussianMixture Mixture(std::vector<MixtureComponent> components) {
    GaussianMixture m(-10.0, 10.0, static_cast<int>(components.size()), 0.001, 10.0);
    m.components = std::move(components);
    return m;
}

// Weighted mean and variance of draws.
void Moments(const std::vector<WeightedSample>& s, double& mean, double& variance) {
    double w = 0.0, m1 = 0.0, m2 = 0.0;
    for (const WeightedSample& x : s) {
        w += x.weight;
        m1 += x.weight * x.value;
        m2 += x.weight * x.value * x.value;
    }
    mean = m1 / w;
    variance = m2 / w - mean * mean;
}

TEST(GaussianMixture, DensityIsTheWeightedSumOfItsUsableComponents) {
    const GaussianMixture m =
        Mixture({{0.25, 0.0, 1.0}, {0.75, 2.0, 4.0}, {1e-8, 5.0, 1.0}, {0.5, 1.0, 0.0}});
    const double expected =
        0.25 * std::exp(-0.5) / std::sqrt(2 * M_PI) + 0.75 * std::exp(-1.0 / 8) / std::sqrt(8 * M_PI);
    EXPECT_NEAR(m.Density(1.0), expected, 1e-12);
    EXPECT_EQ(GaussianMixture(0, 1, 0, 0.001, 10).Density(0.0), 0.0);
    EXPECT_EQ(NormalDensity(0.0, 0.0, 0.0), 0.0);
}

TEST(GaussianMixture, DrawsFollowTheComponentsTheDensityUses) {
    mixtureGenerator.Seed(11);
    // The tiny third component would carry the walk past the usable ones if the sampler ignored it.
    const GaussianMixture m = Mixture({{0.3, -2.0, 0.25}, {0.7, 3.0, 1.0}, {1e-9, 100.0, 1.0}});
    std::vector<WeightedSample> draws(40000);
    for (WeightedSample& d : draws) d.value = m.Sample();
    double mean = 0.0, variance = 0.0;
    Moments(draws, mean, variance);
    double expectedMean = 0.0, expectedVariance = 0.0;
    m.GetMeanAndVariance(expectedMean, expectedVariance);
    EXPECT_NEAR(expectedMean, 0.3 * -2 + 0.7 * 3, 1e-12);
    EXPECT_NEAR(mean, expectedMean, 0.03);
    EXPECT_NEAR(variance, expectedVariance, 0.1);
}

TEST(GaussianMixture, DegenerateMixturesDrawFiniteValues) {
    mixtureGenerator.Seed(3);
    const GaussianMixture zeroWeights = Mixture({{0.0, 1.0, 1.0}, {0.0, 2.0, 1.0}});
    EXPECT_TRUE(std::isfinite(zeroWeights.Sample()));
    EXPECT_EQ(Mixture({{0.0, 4.0, 0.0}}).Sample(), 4.0);
    EXPECT_EQ(GaussianMixture().Sample(), 0.0);
}

TEST(GaussianMixture, FitRecoversTwoClusters) {
    mixtureGenerator.Seed(5);
    const GaussianMixture truth = Mixture({{0.4, -3.0, 0.5}, {0.6, 4.0, 1.0}});
    std::vector<WeightedSample> samples(2000);
    for (WeightedSample& s : samples) s = {truth.Sample(), 2.5};
    GaussianMixture fitted(-10, 10, 2, 0.001, 10.0);
    fitted.Fit(samples);
    ASSERT_EQ(fitted.components.size(), 2u);
    const MixtureComponent& low =
        fitted.components[0].mean < fitted.components[1].mean ? fitted.components[0] : fitted.components[1];
    const MixtureComponent& high =
        &low == &fitted.components[0] ? fitted.components[1] : fitted.components[0];
    EXPECT_NEAR(low.mean, -3.0, 0.1);
    EXPECT_NEAR(high.mean, 4.0, 0.1);
    EXPECT_NEAR(low.weight, 0.4, 0.04);
    EXPECT_NEAR(high.variance, 1.0, 0.15);
}

TEST(GaussianMixture, FitOfDegenerateSamplesGivesNoNaN) {
    const std::vector<std::vector<WeightedSample>> cases = {
        {{1.0, 0.0}, {2.0, 0.0}, {3.0, 0.0}},  // zero total weight
        {{2.0, 1.0}, {2.0, 1.0}, {2.0, 1.0}},  // zero variance
        {{7.0, 1.0}},                          // fewer samples than components
    };
    for (const auto& samples : cases) {
        GaussianMixture m(-10, 10, 2, 0.001, 10.0);
        m.Fit(samples);
        for (const MixtureComponent& c : m.components) {
            EXPECT_FALSE(std::isnan(c.weight) || std::isnan(c.mean) || std::isnan(c.variance));
        }
        EXPECT_TRUE(std::isfinite(m.Density(samples[0].value)));
        EXPECT_GT(m.Density(samples[0].value), 0.0);
    }
    GaussianMixture none(-10, 10, 0, 0.001, 10.0);
    none.Fit(cases[1]);
    EXPECT_TRUE(none.components.empty());
}

TEST(GaussianMixture, ProductSamplersMatchTheClosedFormProduct) {
    // N(0, 1) * (0.5 N(2, 1) + 0.5 N(-2, 1)) * N(1, 2): a two-component product with known moments.
    const GaussianMixture a = Mixture({{1.0, 0.0, 1.0}});
    const GaussianMixture b = Mixture({{0.5, 2.0, 1.0}, {0.5, -2.0, 1.0}});
    const GaussianMixture c = Mixture({{1.0, 1.0, 2.0}});
    GaussianMixture product = Mixture({});
    for (const MixtureComponent& bc : b.components) {
        MixtureComponent ab, abc;
        vovido::MultiplyComponent(bc, 0.0, 1.0, ab);
        vovido::MultiplyComponent(ab, 1.0, 2.0, abc);
        product.components.push_back(abc);
    }
    product.count = 2;
    double expectedMean = 0.0, expectedVariance = 0.0;
    product.GetMeanAndVariance(expectedMean, expectedVariance);
    for (int method : {1, 2, 3}) {
        mixtureGenerator.Seed(17);
        std::vector<WeightedSample> draws(40000);
        for (WeightedSample& d : draws) d.value = SampleProduct(method, {&a, &b, &c}, d.weight);
        double mean = 0.0, variance = 0.0;
        Moments(draws, mean, variance);
        EXPECT_NEAR(mean, expectedMean, 0.03) << method;
        EXPECT_NEAR(variance, expectedVariance, 0.05) << method;
    }
    double weight = 1.0;
    (void)SampleProductSequential({}, weight);
    EXPECT_EQ(weight, 0.0);
}

}  // namespace
