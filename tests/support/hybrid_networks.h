#pragma once
// Hybrid networks for tests and benchmarks: nodes defined by one element, evidence, and the moments of
// the results.

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/expression_parser.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "definitions/continuous_values.h"
#include "definitions/hybrid_definition.h"
#include "equations/hybrid_sampling_network.h"
#include "model/network.h"
#include "model/node.h"
#include "tests/support/equation_networks.h"

namespace vovido::test {

inline VRX_defHybrid& HybridOf(const VRX_network& net, int h) {
    return *static_cast<VRX_defHybrid*>(net.GetNode(h)->GetDefinition());
}

// Adds a node of the kind with arcs from the named parents; the handle, or a negative status.
inline int AddHybridNode(VRX_network& net, int type, const char* id,
                         const std::vector<std::string>& parents) {
    const int h = net.AddNode(type, id);
    if (h < 0) return h;
    for (const std::string& p : parents) {
        if (const int rc = net.AddArc(net.FindNode(p.c_str()), h)) return rc;
    }
    return h;
}

// Puts the element into the cell of the discrete parents' states (none: the only cell).
inline int SetCell(VRX_network& net, int h, std::unique_ptr<VRX_Helement> element,
                   std::vector<int> states = {}) {
    VRX_intArray coordinates;
    states.push_back(0);
    for (int s : states) {
        if (const int rc = coordinates.Add(s)) return rc;
    }
    return HybridOf(net, h).SetElement(coordinates, std::move(element));
}

inline std::unique_ptr<VRX_Helement> Distribution(const char* text) {
    auto call = ParseExpression(text, nullptr, nullptr);
    return call ? std::make_unique<VRX_distributionElement>(*call) : nullptr;
}

// A DISTRIBUTION node whose every cell (in order) draws from the given call.
inline int AddDistributionNode(VRX_network& net, const char* id, const std::vector<std::string>& calls,
                               const std::vector<std::string>& parents = {}) {
    const int h = AddHybridNode(net, DefinitionType::kDistribution, id, parents);
    if (h < 0) return h;
    for (int i = 0; i < HybridOf(net, h).GetSize() && i < static_cast<int>(calls.size()); ++i) {
        VRX_intArray coordinates;
        int rest = i;
        const std::vector<int>& dims = HybridOf(net, h).GetElementTable().dimensions;
        std::vector<int> c(dims.size());
        for (size_t k = dims.size(); k-- > 0;) {
            c[k] = rest % dims[k];
            rest /= dims[k];
        }
        for (int x : c) (void)coordinates.Add(x);
        if (const int rc =
                HybridOf(net, h).SetElement(coordinates, Distribution(calls[static_cast<size_t>(i)].c_str())))
            return rc;
    }
    return h;
}

inline int AddEquationNode(VRX_network& net, const char* id, const char* text,
                           const std::vector<std::string>& parents) {
    const int h = AddHybridNode(net, DefinitionType::kHEquation, id, parents);
    if (h < 0) return h;
    const int rc = SetCell(net, h, std::make_unique<VRX_equationElement>(text));
    return rc == kSuccess ? h : rc;
}

// A discrete node with one weight text per outcome (every cell the same).
inline int AddDiscreteNode(VRX_network& net, const char* id, const std::vector<std::string>& weights,
                           const std::vector<std::string>& parents = {}) {
    const int h = AddHybridNode(net, DefinitionType::kDchildHparent, id, {});
    if (h < 0) return h;
    if (const int rc = HybridOf(net, h).SetNumberOfOutcomes(static_cast<int>(weights.size()))) return rc;
    for (const std::string& p : parents) {
        if (const int rc = net.AddArc(net.FindNode(p.c_str()), h)) return rc;
    }
    for (int i = 0; i < HybridOf(net, h).GetSize(); ++i) {
        auto element = std::make_unique<VRX_discreteElement>(static_cast<int>(weights.size()));
        if (const int rc = element->SetWeights(weights)) return rc;
        VRX_intArray coordinates;
        (void)coordinates.Add(i);
        if (HybridOf(net, h).GetElementTable().dimensions.size() == 1) {
            if (const int rc = HybridOf(net, h).SetElement(coordinates, std::move(element))) return rc;
        }
    }
    return h;
}

// The chain x0 ~ N(0, 1), x_i ~ N(x_{i-1}, 1) for i < n. Given x_{n-1} = v, x_k has the mean
// (k + 1) v / n and the variance (k + 1) (n - k - 1) / n.
inline int AddGaussianChain(VRX_network& net, int n) {
    for (int i = 0; i < n; ++i) {
        const std::string id = "x" + std::to_string(i), previous = "x" + std::to_string(i - 1);
        const int h = i == 0
                          ? AddDistributionNode(net, "x0", {"Normal(0, 1)"})
                          : AddDistributionNode(net, id.c_str(), {"Normal(" + previous + ", 1)"}, {previous});
        if (h < 0) return h;
    }
    return kSuccess;
}

// Sets continuous evidence on the named node; the status.
inline int Observe(VRX_network& net, const char* id, double value) {
    return net.GetNode(net.FindNode(id))->GetValue()->SetContEvidence(value);
}

// x ~ prior with the child y (a distribution node, or with equation an equation node) of x observed at
// v; the status.
inline int AddObservedChild(VRX_network& net, const char* prior, const char* child, double v, bool equation) {
    if (const int rc = AddDistributionNode(net, "x", {prior}); rc < 0) return rc;
    const int y =
        equation ? AddEquationNode(net, "y", child, {"x"}) : AddDistributionNode(net, "y", {child}, {"x"});
    return y < 0 ? y : Observe(net, "y", v);
}

inline VRX_valcontinuous& ContinuousValueOf(const VRX_network& net, int h) {
    return *static_cast<VRX_valcontinuous*>(net.GetNode(h)->GetValue());
}

struct MeanAndDeviation {
    double mean;
    double deviation;
};

// The posterior mean and deviation of continuous node `h`, an equation node's or a hybrid one's.
inline MeanAndDeviation MomentsOf(const VRX_network& net, int h) {
    if (net.GetNodeType(h) == DefinitionType::kEquation)
        return {ValueOf(net, h).GetMean(), ValueOf(net, h).GetStdDev()};
    return {ContinuousValueOf(net, h).GetMean(), ContinuousValueOf(net, h).GetStdDev()};
}

inline double BeliefOf(const VRX_network& net, int h, int state) {
    VRX_Dmatrix* beliefs = nullptr;
    if (net.GetNode(h)->GetValue()->GetValue(beliefs) != kSuccess || beliefs == nullptr) return -1.0;
    return (*beliefs)[state];
}

// Log densities for posteriors by quadrature.
constexpr double kSqrtTwoPi = 2.5066282746310002;

inline double LogNormalDensity(double x, double mean, double sd) {
    const double z = (x - mean) / sd;
    return -0.5 * z * z - std::log(sd * kSqrtTwoPi);
}

inline double LogLognormalDensity(double x, double mu, double sigma) {
    return x > 0.0 ? LogNormalDensity(std::log(x), mu, sigma) - std::log(x)
                   : -std::numeric_limits<double>::infinity();
}

// Weibull of scale lambda and shape k.
inline double LogWeibullDensity(double x, double lambda, double k) {
    return x > 0.0 ? std::log(k / lambda) + (k - 1.0) * std::log(x / lambda) - std::pow(x / lambda, k)
                   : -std::numeric_limits<double>::infinity();
}

// Mean and deviation of the density exp(logDensity) on [a, b], by the midpoint rule in log space.
inline void ByQuadrature(const std::function<double(double)>& logDensity, double a, double b, double& mean,
                         double& deviation) {
    const int n = 200000;
    std::vector<double> logs(n);
    double top = -std::numeric_limits<double>::infinity();
    for (int i = 0; i < n; ++i) top = std::max(top, logs[i] = logDensity(a + (b - a) * (i + 0.5) / n));
    double z = 0.0, m1 = 0.0, m2 = 0.0;
    for (int i = 0; i < n; ++i) {
        const double x = a + (b - a) * (i + 0.5) / n, p = std::exp(logs[i] - top);
        z += p;
        m1 += p * x;
        m2 += p * x * x;
    }
    mean = m1 / z;
    deviation = std::sqrt(std::max(m2 / z - mean * mean, 0.0));
}

// Updates under one hybrid algorithm from a fixed seed, the error log emptied first.
inline int UpdateHybrid(VRX_network& net, int algorithm, int samples, unsigned seed) {
    net.SetHybridAlgorithm(algorithm);
    net.numSamples = samples;
    vovido::SeedHybridGenerators(seed);
    errorLog.Flush();
    return net.UpdateBeliefs();
}

}  // namespace vovido::test
