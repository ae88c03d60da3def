#pragma once
// Linear-Gaussian families: a Normal whose mean is linear in the continuous parents and whose variance
// does not depend on them, or an equation linear in them (variance 0). Messages through such a family are
// Gaussian mixtures in closed form, so the message passing computes them exactly instead of fitting them to
// samples.

#include <string>
#include <vector>

#include "definitions/gaussian_mixture.h"

class VRX_Helement;

namespace vovido {

struct LinearGaussianCell {
    double intercept = 0.0;
    double variance = 0.0;
    std::vector<double> slopes;  // one per continuous parent
};

// The element's form when it is a Normal or an equation linear in the named parents (the last probe
// values stay assigned); false otherwise.
bool ProbeLinearGaussian(VRX_Helement& element, const std::vector<std::string>& parentIds,
                         LinearGaussianCell& out);

// A family linear-Gaussian in either form: ProbeLinearGaussian's, or a distribution affine in the parents
// plus Normal terms whose deviations do not depend on them (2*x + Normal(0, 1)).
bool GaussianInParents(VRX_Helement& element, const std::vector<std::string>& parentIds);

using Components = std::vector<MixtureComponent>;

// Weights scaled to sum to 1, components of no weight dropped; false when nothing is left.
bool NormaliseComponents(Components& components);
// The normalised product of two mixtures, component by component; false when it would exceed limit
// components or has no mass.
bool MultiplyComponents(const Components& a, const Components& b, size_t limit, Components& out);
// Merges the closest pairs (keeping weight, mean and variance of each pair) until at most `most`
// components are left, and any pair that describes the same bump.
void ReduceComponents(Components& components, size_t most);
// True when the two mixtures have the same mean and variance up to a change that no longer matters.
bool SameDistribution(const Components& a, const Components& b);
// The components a mixture uses.
Components UsedComponents(const GaussianMixture& mixture);
// Those of them it draws from (weight and variance above 1e-7), normalised; false when none is left.
bool UsableComponents(const GaussianMixture& mixture, Components& out);

}  // namespace vovido
