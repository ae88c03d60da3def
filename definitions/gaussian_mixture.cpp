// Gaussian mixtures: density, sampling, weighted EM and product samplers.
#include "definitions/gaussian_mixture.h"

#include <algorithm>
#include <cmath>

#include "base/random_generator.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kMinWeight = 1e-7;
constexpr double kMinVariance = 1e-7;
constexpr int kMaxIterations = 5000;
// Below this logarithm a density underflows to 0.
constexpr double kLeastLogDensity = -745.0;
constexpr int kGibbsSweeps = 5;

bool Usable(const MixtureComponent& c) {
    return c.weight > kMinWeight && c.variance > kMinVariance;
}

// Index of a component chosen in proportion to the weights (all equal when they sum to 0); -1 when
// there is no entry.
int ChooseByWeight(const std::vector<double>& weights) {
    double total = 0.0;
    for (double w : weights) total += w;
    if (weights.empty()) return -1;
    const double u = mixtureGenerator.NextFraction();
    if (!(total > 0.0) || !std::isfinite(total)) {
        return std::min(static_cast<int>(u * static_cast<double>(weights.size())),
                        static_cast<int>(weights.size()) - 1);
    }
    double sum = 0.0;
    const double target = u * total;
    int last = -1;
    for (size_t i = 0; i < weights.size(); ++i) {
        if (weights[i] <= 0.0) continue;
        sum += weights[i];
        last = static_cast<int>(i);
        if (sum > target) return last;
    }
    return last;
}

// The usable components of a mixture and their weights.
void UsableComponents(const GaussianMixture& m, std::vector<const MixtureComponent*>& out,
                      std::vector<double>& weights) {
    out.clear();
    weights.clear();
    const int n = std::min<int>(m.count, static_cast<int>(m.components.size()));
    for (int i = 0; i < n; ++i) {
        if (!Usable(m.components[i])) continue;
        out.push_back(&m.components[i]);
        weights.push_back(m.components[i].weight);
    }
}

}  // namespace

double NormalDensity(double x, double mean, double variance) {
    if (!(variance > 0.0)) return 0.0;
    const double d = x - mean;
    return std::exp(-d * d / (2.0 * variance)) / std::sqrt(variance * kTwoPi);
}

namespace vovido {

double StandardNormalDraw() {
    const double u1 = 1.0 - mixtureGenerator.NextFraction();  // in (0, 1]: the logarithm is finite
    const double u2 = mixtureGenerator.NextFraction();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2);
}

void MultiplyComponent(const MixtureComponent& c, double m, double s, MixtureComponent& product) {
    product.variance = 1.0 / (1.0 / c.variance + 1.0 / s);
    product.mean = (c.mean / c.variance + m / s) * product.variance;
    // N(m; mu, v) N(x; m, s) = N(m; mu, v + s) N(x; mu', v'): the overlap needs no division by a
    // density that may underflow.
    product.weight = c.weight * NormalDensity(m, c.mean, c.variance + s);
}

}  // namespace vovido

GaussianMixture::GaussianMixture(double lower, double upper, int n, double tol, double prior)
    : count(n), lowerBound(lower), upperBound(upper), tolerance(tol), variancePrior(prior) {
    components.assign(static_cast<size_t>(std::max(n, 0)), MixtureComponent{});
}

void GaussianMixture::AssignComponents(const GaussianMixture& other) {
    components = other.components;
    count = other.count;
    tolerance = other.tolerance;
    variancePrior = other.variancePrior;
}

double GaussianMixture::Density(double x) const {
    double p = 0.0;
    const int n = std::min<int>(count, static_cast<int>(components.size()));
    for (int i = 0; i < n; ++i) {
        const MixtureComponent& c = components[i];
        if (Usable(c)) p += c.weight * NormalDensity(x, c.mean, c.variance);
    }
    return p;
}

double GaussianMixture::LogLikelihood(const std::vector<WeightedSample>& samples) const {
    double total = 0.0;
    for (const WeightedSample& s : samples) {
        const double p = Density(s.value);
        if (p > 0.0) total += std::log(p) * s.weight;
    }
    return total;
}

double GaussianMixture::Sample() const {
    // The choice of ChooseByWeight over the usable components, walked in place: a draw allocates nothing.
    const int n = std::min<int>(count, static_cast<int>(components.size()));
    double total = 0.0;
    int usable = 0;
    for (int i = 0; i < n; ++i) {
        if (!Usable(components[i])) continue;
        total += components[i].weight;
        ++usable;
    }
    if (usable == 0) {
        // Nothing to draw from: the one value the mixture still names.
        return components.empty() ? 0.0 : components[0].mean;
    }
    const double u = mixtureGenerator.NextFraction();
    const bool equal = !(total > 0.0) || !std::isfinite(total);
    int skip = equal ? std::min(static_cast<int>(u * static_cast<double>(usable)), usable - 1) : 0;
    const double target = u * total;
    double sum = 0.0;
    int chosen = -1;
    for (int i = 0; i < n; ++i) {
        if (!Usable(components[i])) continue;
        chosen = i;
        if (equal ? skip-- == 0 : (sum += components[i].weight) > target) break;
    }
    const MixtureComponent& c = components[static_cast<size_t>(chosen)];
    return c.mean + std::sqrt(c.variance) * vovido::StandardNormalDraw();
}

void GaussianMixture::GetMeanAndVariance(double& mean, double& variance) const {
    double w = 0.0, m1 = 0.0, m2 = 0.0;
    const int n = std::min<int>(count, static_cast<int>(components.size()));
    for (int i = 0; i < n; ++i) {
        const MixtureComponent& c = components[i];
        if (!Usable(c)) continue;
        w += c.weight;
        m1 += c.weight * c.mean;
        m2 += c.weight * (c.variance + c.mean * c.mean);
    }
    if (!(w > 0.0)) {
        mean = components.empty() ? 0.0 : components[0].mean;
        variance = 0.0;
        return;
    }
    mean = m1 / w;
    variance = std::max(m2 / w - mean * mean, 0.0);
}

void GaussianMixture::InitFromSamples(const std::vector<WeightedSample>& samples) {
    components.assign(static_cast<size_t>(std::max(count, 0)), MixtureComponent{});
    if (count < 1) return;
    std::vector<double> r(static_cast<size_t>(count));
    double total = 0.0;
    for (double& x : r) {
        x = std::clamp(mixtureGenerator.NextFraction(), 0.0001, 1.0 - 0.0001);
        total += x;
    }
    const size_t n = samples.size();
    const size_t block = std::max<size_t>(n / static_cast<size_t>(count), 1);
    for (int k = 0; k < count; ++k) {
        MixtureComponent& c = components[static_cast<size_t>(k)];
        c.weight = r[static_cast<size_t>(k)] / total;
        double s = 0.0, sx = 0.0;
        const size_t begin = std::min(n, static_cast<size_t>(k) * block);
        const size_t end = k == count - 1 ? n : std::min(n, begin + block);
        for (size_t i = begin; i < end; ++i) {
            s += samples[i].weight;
            sx += samples[i].weight * samples[i].value;
        }
        c.mean = s > 0.0 ? sx / s : 0.0;
        double sxx = 0.0;
        for (size_t i = begin; i < end; ++i) {
            const double d = samples[i].value - c.mean;
            sxx += samples[i].weight * d * d;
        }
        c.variance = s > 0.0 ? sxx / s : 0.0;
    }
}

void GaussianMixture::Fit(const std::vector<WeightedSample>& input) {
    if (count < 1 || input.empty()) return;
    // Weights scaled to sum to the sample count, so that the prior and the tolerance mean the same for
    // any scale of importance weights; a total of 0 (or not finite) counts every sample equally.
    double total = 0.0;
    for (const WeightedSample& s : input) total += s.weight > 0.0 ? s.weight : 0.0;
    std::vector<WeightedSample> samples(input);
    const double n = static_cast<double>(samples.size());
    for (WeightedSample& s : samples) {
        s.weight = (total > 0.0 && std::isfinite(total)) ? std::max(s.weight, 0.0) * n / total : 1.0;
    }
    double overallMean = 0.0, overallVar = 0.0;
    for (const WeightedSample& s : samples) overallMean += s.weight * s.value / n;
    for (const WeightedSample& s : samples)
        overallVar += s.weight * (s.value - overallMean) * (s.value - overallMean) / n;
    // A component must never shrink to a point: the floor keeps densities finite.
    const double floor = std::max(overallVar * 1e-6, 1e-6) + variancePrior * 1e-9;

    // Blocks of the sorted samples start the components at separate quantiles: EM from starts that
    // all look alike takes thousands of steps to tell clusters apart.
    std::vector<WeightedSample> sorted(samples);
    std::sort(sorted.begin(), sorted.end(),
              [](const WeightedSample& a, const WeightedSample& b) { return a.value < b.value; });
    InitFromSamples(sorted);
    for (MixtureComponent& c : components) {
        if (!(c.variance > floor)) c.variance = std::max(overallVar, floor);
    }
    const size_t k = static_cast<size_t>(count);
    std::vector<double> r(samples.size() * k, 0.0);
    // Each E-step also gives the log-likelihood of the components it used: the fit ends when a step
    // changes it by no more than a tenth of the tolerance per sample (the log-likelihood of many samples
    // never settles to an absolute tolerance, and every M-step keeps the samples' mean and variance
    // anyway). Steps below that move the components far less than the noise of the samples they fit.
    double previous = 0.0;
    // By component, the logarithm of the factor and the exponent's scale of its weighted density, set
    // once per step.
    std::vector<double> logScale(k), spread(k), exponent(k);
    for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
        double current = 0.0;
        for (size_t j = 0; j < k; ++j) {
            const MixtureComponent& c = components[j];
            const bool live = c.weight > 0.0 && c.variance > 0.0;
            logScale[j] = live ? std::log(c.weight) - 0.5 * std::log(c.variance * kTwoPi) : -HUGE_VAL;
            spread[j] = live ? -0.5 / c.variance : 0.0;
        }
        for (size_t i = 0; i < samples.size(); ++i) {
            // Each density relative to the largest: one exponential fewer per sample, the largest is 1.
            size_t top = 0;
            for (size_t j = 0; j < k; ++j) {
                const double d = samples[i].value - components[j].mean;
                exponent[j] = logScale[j] + spread[j] * d * d;
                if (exponent[j] > exponent[top]) top = j;
            }
            double* row = &r[i * k];
            // Densities that all underflow count every component alike, as the densities themselves would.
            if (!(exponent[top] > kLeastLogDensity)) {
                for (size_t j = 0; j < k; ++j) row[j] = 1.0 / static_cast<double>(k);
                continue;
            }
            double rowTotal = 0.0;
            for (size_t j = 0; j < k; ++j) {
                row[j] = j == top ? 1.0 : std::exp(exponent[j] - exponent[top]);
                rowTotal += row[j];
            }
            current += samples[i].weight * (exponent[top] + std::log(rowTotal));
            const double share = 1.0 / rowTotal;
            for (size_t j = 0; j < k; ++j) row[j] *= share;
        }
        if (iteration > 0 && !(std::fabs(current - previous) > tolerance * 0.1 * n)) break;
        previous = current;
        for (size_t j = 0; j < k; ++j) {
            double s = 0.0, sx = 0.0;
            for (size_t i = 0; i < samples.size(); ++i) {
                s += r[i * k + j] * samples[i].weight;
                sx += r[i * k + j] * samples[i].weight * samples[i].value;
            }
            MixtureComponent& c = components[j];
            if (!(s > 0.0)) {
                c = MixtureComponent{};
                continue;
            }
            c.mean = sx / s;
            double sxx = 0.0;
            for (size_t i = 0; i < samples.size(); ++i) {
                const double d = samples[i].value - c.mean;
                sxx += r[i * k + j] * samples[i].weight * d * d;
            }
            c.variance = std::max(sxx / s, floor);
            c.weight = s / n;
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Products

double SampleProductSequential(const std::vector<const GaussianMixture*>& mixtures, double& weight) {
    weight = 0.0;
    if (mixtures.empty()) return 0.0;
    std::vector<const MixtureComponent*> usable;
    std::vector<double> weights;
    UsableComponents(*mixtures[0], usable, weights);
    if (usable.empty()) return 0.0;
    double outWeight = 0.0;
    for (double w : weights) outWeight += w;
    MixtureComponent running = *usable[ChooseByWeight(weights)];
    std::vector<MixtureComponent> products;
    for (size_t j = 1; j < mixtures.size(); ++j) {
        UsableComponents(*mixtures[j], usable, weights);
        products.resize(usable.size());
        double sum = 0.0;
        for (size_t c = 0; c < usable.size(); ++c) {
            vovido::MultiplyComponent(*usable[c], running.mean, running.variance, products[c]);
            weights[c] = products[c].weight;
            sum += weights[c];
        }
        if (!(sum > 0.0)) return running.mean;  // the product has no mass: weight stays 0
        const int chosen = ChooseByWeight(weights);
        outWeight *= sum;
        running = products[static_cast<size_t>(chosen)];
    }
    weight = outWeight;
    return running.mean + std::sqrt(running.variance) * vovido::StandardNormalDraw();
}

double SampleProductGibbs(const std::vector<const GaussianMixture*>& mixtures, double& weight) {
    weight = 0.0;
    if (mixtures.empty()) return 0.0;
    const size_t n = mixtures.size();
    std::vector<std::vector<const MixtureComponent*>> usable(n);
    std::vector<double> weights;
    std::vector<size_t> labels(n);
    for (size_t j = 0; j < n; ++j) {
        UsableComponents(*mixtures[j], usable[j], weights);
        if (usable[j].empty()) return 0.0;
        labels[j] = static_cast<size_t>(ChooseByWeight(weights));
    }
    auto productOf = [&](size_t skip, double& precision, double& h) {
        precision = 0.0;
        h = 0.0;
        for (size_t j = 0; j < n; ++j) {
            if (j == skip) continue;
            const MixtureComponent& c = *usable[j][labels[j]];
            precision += 1.0 / c.variance;
            h += c.mean / c.variance;
        }
    };
    std::vector<MixtureComponent> products;
    for (int sweep = 0; sweep < kGibbsSweeps && n > 1; ++sweep) {
        for (size_t j = 0; j < n; ++j) {
            double precision = 0.0, h = 0.0;
            productOf(j, precision, h);
            const double s = 1.0 / precision, m = h * s;
            products.resize(usable[j].size());
            weights.resize(usable[j].size());
            for (size_t c = 0; c < usable[j].size(); ++c) {
                vovido::MultiplyComponent(*usable[j][c], m, s, products[c]);
                weights[c] = products[c].weight;
            }
            labels[j] = static_cast<size_t>(ChooseByWeight(weights));
        }
    }
    double precision = 0.0, h = 0.0;
    productOf(n, precision, h);
    const double s = 1.0 / precision;
    weight = 1.0;
    return h * s + std::sqrt(s) * vovido::StandardNormalDraw();
}

double SampleProductIndependent(const std::vector<const GaussianMixture*>& mixtures, double& weight) {
    weight = 0.0;
    if (mixtures.empty()) return 0.0;
    std::vector<const MixtureComponent*> usable;
    std::vector<double> weights;
    std::vector<const MixtureComponent*> chosen;
    double total = 1.0, precision = 0.0, h = 0.0;
    for (const GaussianMixture* m : mixtures) {
        UsableComponents(*m, usable, weights);
        if (usable.empty()) return 0.0;
        double sum = 0.0;
        for (double w : weights) sum += w;
        total *= sum;
        const MixtureComponent* c = usable[ChooseByWeight(weights)];
        chosen.push_back(c);
        precision += 1.0 / c->variance;
        h += c->mean / c->variance;
    }
    const double s = 1.0 / precision, m = h * s;
    // The mass of the chosen product: the Gaussians' values at any point over the product's value there.
    double mass = 1.0;
    for (const MixtureComponent* c : chosen) mass *= NormalDensity(m, c->mean, c->variance);
    weight = total * mass / NormalDensity(m, m, s);
    return m + std::sqrt(s) * vovido::StandardNormalDraw();
}

double SampleProduct(int method, const std::vector<const GaussianMixture*>& mixtures, double& weight) {
    switch (method) {
        case 2:
            return SampleProductGibbs(mixtures, weight);
        case 3:
            return SampleProductIndependent(mixtures, weight);
        default:
            return SampleProductSequential(mixtures, weight);
    }
}
