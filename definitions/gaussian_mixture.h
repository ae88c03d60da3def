#pragma once
// One-dimensional mixture of Gaussians: the form in which the hybrid algorithms describe a continuous
// quantity (messages, proposals, distribution elements, results). Density, sampling, a weighted EM fit
// and three samplers of the product of several mixtures.

#include <vector>

// One sample of a continuous node and its weight.
struct WeightedSample {
    double value = 0.0;
    double weight = 1.0;
};

struct MixtureComponent {
    double weight = 0.0;
    double mean = 0.0;
    double variance = 0.0;  // a variance, not a deviation
};

// Gaussian density with the given variance; 0 for a variance that is not positive.
double NormalDensity(double x, double mean, double variance);

class GaussianMixture {
public:
    GaussianMixture() = default;
    // count components of {0, 0, 0}.
    GaussianMixture(double lower, double upper, int count, double tolerance, double variancePrior);

    // Takes the components and the fit parameters; the bounds stay.
    void AssignComponents(const GaussianMixture& other);

    // Sum over the components of weight and variance above 1e-7 (the same ones Sample draws from).
    double Density(double x) const;
    // Σ weight · log(density) over the samples whose density is positive.
    double LogLikelihood(const std::vector<WeightedSample>& samples) const;
    // A draw from the components Density uses; weights that are all 0 count as equal, and a mixture
    // without a usable component gives the mean of its first one (0 without components).
    double Sample() const;
    // Moments of the mixture over the components Density uses (weights normalised).
    void GetMeanAndVariance(double& mean, double& variance) const;

    // Starting components from consecutive blocks of the samples.
    void InitFromSamples(const std::vector<WeightedSample>& samples);
    // Weighted EM. Samples of total weight 0 count with equal weights; a component never collapses to
    // variance 0 (a small prior is added), and an emptied component is dropped to weight 0.
    void Fit(const std::vector<WeightedSample>& samples);

    int count = 2;
    double lowerBound = 0.0;
    double upperBound = 1.0;
    std::vector<MixtureComponent> components;
    double tolerance = 0.001;
    double variancePrior = 10.0;
};

// Samplers of the product of the mixtures (method 1, 2 and 3): each returns the value and sets weight
// so that value and weight together are an importance sample of the normalised product. An empty list
// or a product without usable components gives weight 0.
double SampleProductSequential(const std::vector<const GaussianMixture*>& mixtures, double& weight);
double SampleProductGibbs(const std::vector<const GaussianMixture*>& mixtures, double& weight);
double SampleProductIndependent(const std::vector<const GaussianMixture*>& mixtures, double& weight);
double SampleProduct(int method, const std::vector<const GaussianMixture*>& mixtures, double& weight);

namespace vovido {

// A standard normal draw from the mixture generator (Box-Muller; never infinite).
double StandardNormalDraw();
// Product of a component with a Gaussian (mean m, variance s): the product's mean and variance, and the
// weight of the product (the component's weight times the overlap of the two Gaussians).
void MultiplyComponent(const MixtureComponent& c, double m, double s, MixtureComponent& product);

}  // namespace vovido
