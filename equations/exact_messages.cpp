// Messages through linear-Gaussian families in closed form: averaged over Gaussian-mixture messages
// about the parents, such a family gives a mixture again, so neither sampling nor fitting is needed
// and the error of a fit from a few hundred samples does not build up along a path of nodes.
#include <cmath>

#include "base/random_generator.h"
#include "definitions/hybrid_definition.h"
#include "equations/hybrid_sampling_network.h"

using SampleNode = VRX_hybridSampleNode;
using vovido::Components;

namespace {

// Beyond this many terms a message is sampled and fitted instead; a message keeps at most
// kKeptComponents, the closest merged.
constexpr size_t kMaxComponents = 64;
constexpr size_t kKeptComponents = 8;
// Below this variance a message is a point, which no mixture holds.
constexpr double kLeastVariance = 1e-12;
// A Gaussian this many deviations inside the node's range is not cut by it.
constexpr double kRangeDeviations = 8.0;

// One Gaussian of the node's value given the target parent's value x: N(shift + slope x, variance),
// with the weight of the configuration of the other parents it stands for.
struct Term {
    double weight, shift, slope, variance;
    int state;  // the target's state when the target is a discrete parent
};

// What a message about a continuous variable says: a point for a fixed message; false when uniform.
bool ComponentsOf(VRX_hybridMessage& message, Components& out) {
    out.clear();
    auto& m = static_cast<VRX_continuousMessage&>(message);
    if (m.IsFixed()) {
        out.push_back({1.0, m.GetFixedValue(), 0.0});
        return true;
    }
    if (m.IsUniform()) return false;
    if (m.HasFlag(MessageFlags::kChanged)) m.Finish();
    return vovido::UsableComponents(m.GetMixture(), out);
}

double StateProbability(VRX_hybridMessage& message, int state) {
    auto& m = static_cast<VRX_discreteMessage&>(message);
    if (m.HasFlag(MessageFlags::kChanged)) m.Finish();
    return m.GetProbability(state);
}

bool InsideRange(const VRX_continuousSampleNode& node, const Components& components) {
    for (const MixtureComponent& c : components) {
        const double reach = kRangeDeviations * std::sqrt(c.variance);
        if (!(c.mean - reach >= node.cutLower && c.mean + reach <= node.cutUpper)) return false;
    }
    return true;
}

// The node's conditional averaged over the messages about its parents other than target (-1: none).
bool ExpandTerms(SampleNode& node, int target, std::vector<Term>& terms) {
    terms.clear();
    if (node.linearCells.empty()) return false;
    const std::vector<int>& dims = node.GetDefinition().GetElementTable().dimensions;
    const int discrete = node.discreteParentCount;
    std::vector<int> coordinates(dims.size(), 0);
    std::vector<Term> expanded;
    Components about;
    for (size_t cell = 0; cell < node.linearCells.size(); ++cell) {
        size_t rest = cell;
        for (size_t k = dims.size(); k-- > 0;) {
            coordinates[k] = static_cast<int>(rest % static_cast<size_t>(dims[k]));
            rest /= static_cast<size_t>(dims[k]);
        }
        double weight = 1.0;
        for (int d = 0; d < discrete; ++d) {
            if (d != target)
                weight *= StateProbability(*node.parentMessages[static_cast<size_t>(d)],
                                           coordinates[static_cast<size_t>(d)]);
        }
        if (!(weight > 0.0)) continue;
        const vovido::LinearGaussianCell& family = node.linearCells[cell];
        const size_t first = terms.size();
        terms.push_back({weight, family.intercept,
                         target >= discrete ? family.slopes[static_cast<size_t>(target - discrete)] : 0.0,
                         family.variance,
                         target >= 0 && target < discrete ? coordinates[static_cast<size_t>(target)] : -1});
        if (terms.size() > kMaxComponents) return false;
        for (size_t j = static_cast<size_t>(discrete); j < node.parents.size(); ++j) {
            const double b = family.slopes[j - static_cast<size_t>(discrete)];
            if (static_cast<int>(j) == target || b == 0.0) continue;
            if (!ComponentsOf(*node.parentMessages[j], about)) return false;
            if (first + (terms.size() - first) * about.size() > kMaxComponents) return false;
            expanded.clear();
            for (size_t t = first; t < terms.size(); ++t) {
                for (const MixtureComponent& c : about) {
                    const Term& o = terms[t];
                    expanded.push_back({o.weight * c.weight, o.shift + b * c.mean, o.slope,
                                        o.variance + b * b * c.variance, o.state});
                }
            }
            terms.resize(first);
            terms.insert(terms.end(), expanded.begin(), expanded.end());
        }
    }
    return !terms.empty();
}

// What the node's own evidence or lambda says about its value; false when nothing.
bool EvidenceComponents(SampleNode& node, Components& out) {
    out.clear();
    auto& own = static_cast<VRX_continuousSampleNode&>(node);
    if (node.IsObserved()) {
        out.push_back({1.0, own.evidenceValue, 0.0});
        return true;
    }
    return node.combinedLambda && ComponentsOf(*node.combinedLambda, out) && InsideRange(own, out);
}

void Assign(VRX_hybridMessage& message, const Components& components, const HybridSampleNet& owner) {
    GaussianMixture mixture(0.0, 0.0, 0, owner.mixtureTolerance, owner.mixtureVariancePrior);
    mixture.components = components;
    mixture.count = static_cast<int>(components.size());
    auto& m = static_cast<VRX_continuousMessage&>(message);
    m.AssignMixture(mixture);
    m.SetFlag(MessageFlags::kChanged, true);  // made current at the end of the iteration
}

bool Settled(VRX_hybridMessage& last, const Components& components) {
    return !last.IsUniform() && !last.IsFixed() &&
           vovido::SameDistribution(
               vovido::UsedComponents(static_cast<VRX_continuousMessage&>(last).GetMixture()), components);
}

}  // namespace

void HybridSampleNet::PrepareLinearNodes() {
    // A forest has as many arcs as nodes less its components: count them with a union-find.
    std::vector<int> root(sampleNodes.size());
    for (size_t i = 0; i < root.size(); ++i) root[i] = static_cast<int>(i);
    auto find = [&](int i) {
        while (root[static_cast<size_t>(i)] != i)
            i = root[static_cast<size_t>(i)] = root[static_cast<size_t>(root[static_cast<size_t>(i)])];
        return i;
    };
    singlyConnected = true;
    for (auto& node : sampleNodes) {
        if (!node) continue;
        for (const SampleNode* p : node->parents) {
            const int a = find(node->handle), b = find(p->handle);
            if (a == b) singlyConnected = false;
            root[static_cast<size_t>(a)] = b;
        }
    }
    std::vector<std::string> ids;
    for (auto& node : sampleNodes) {
        if (!node || !node->IsContinuous()) continue;
        node->linearCells.clear();
        ids.clear();
        for (size_t j = static_cast<size_t>(node->discreteParentCount); j < node->parents.size(); ++j)
            ids.push_back(node->parents[j]->id);
        std::vector<vovido::LinearGaussianCell> cells(view.GetElementTable(node->handle)->cells.size());
        bool linear = !cells.empty();
        for (size_t i = 0; i < cells.size() && linear; ++i) {
            VRX_Helement* cell = view.GetElementAt(node->handle, static_cast<int>(i));
            linear = cell != nullptr && vovido::ProbeLinearGaussian(*cell, ids, cells[i]);
        }
        if (linear) node->linearCells = std::move(cells);
    }
    // Every message is then a product of Gaussians (discrete parents choosing among them): none rests on a
    // fit of another distribution.
    linearGaussian = true;
    for (auto& node : sampleNodes) {
        if (!node) continue;
        if (node->IsContinuous()) {
            linearGaussian = linearGaussian && !node->linearCells.empty();
        } else {
            for (const SampleNode* p : node->parents) linearGaussian = linearGaussian && !p->IsContinuous();
        }
    }
}

bool HybridSampleNet::LinearMarginal(SampleNode& node, bool withLambda, Components& out) {
    std::vector<Term> terms;
    if (!ExpandTerms(node, -1, terms)) return false;
    out.clear();
    for (const Term& t : terms) {
        if (!(t.variance > kLeastVariance)) return false;  // an equation of fixed parents: a point
        out.push_back({t.weight, t.shift, t.variance});
    }
    if (!vovido::NormaliseComponents(out) || !InsideRange(static_cast<VRX_continuousSampleNode&>(node), out))
        return false;
    vovido::ReduceComponents(out, kKeptComponents);
    Components lambda, product;
    if (!withLambda || node.IsObserved() || !node.combinedLambda ||
        !ComponentsOf(*node.combinedLambda, lambda))
        return true;
    if (!vovido::MultiplyComponents(out, lambda, kMaxComponents, product)) return false;
    vovido::ReduceComponents(product, kKeptComponents);
    out.swap(product);
    return true;
}

bool HybridSampleNet::SendLinearPi(SampleNode& node, size_t m) {
    Components message, lambda, product;
    if (!LinearMarginal(node, false, message)) return false;
    // Every lambda but the child's own.
    for (size_t other = 0; other < node.children.size(); ++other) {
        if (other == m || node.childMessages[other]->IsUniform()) continue;
        if (!ComponentsOf(*node.childMessages[other], lambda) ||
            !vovido::MultiplyComponents(message, lambda, kMaxComponents, product))
            return false;
        vovido::ReduceComponents(product, kKeptComponents);
        message.swap(product);
    }
    SampleNode& child = *node.children[m];
    const size_t pos = static_cast<size_t>(vovido::PositionIn(child.parents, &node));
    if (!Settled(*child.parentMessages[pos], message)) Assign(*child.newParentMessages[pos], message, *this);
    return true;
}

bool HybridSampleNet::SendLinearLambda(SampleNode& node, size_t k) {
    Components evidence;
    std::vector<Term> terms;
    if (node.linearCells.empty() || !EvidenceComponents(node, evidence) ||
        !ExpandTerms(node, static_cast<int>(k), terms))
        return false;
    SampleNode& parent = *node.parents[k];
    const size_t pos = static_cast<size_t>(vovido::PositionIn(parent.children, &node));
    VRX_hybridMessage& last = *parent.childMessages[pos];
    if (parent.IsContinuous()) {
        // N(e; shift + slope x, v) as a function of x: N(x; (e - shift) / slope, v / slope^2) / |slope|.
        Components message;
        if (terms.size() * evidence.size() > kMaxComponents) return false;
        for (const Term& t : terms) {
            if (t.slope == 0.0) return false;  // a flat share has no mixture form
            for (const MixtureComponent& e : evidence) {
                if (!(t.variance + e.variance > kLeastVariance)) return false;
                message.push_back({t.weight * e.weight / std::fabs(t.slope), (e.mean - t.shift) / t.slope,
                                   (t.variance + e.variance) / (t.slope * t.slope)});
            }
        }
        if (!vovido::NormaliseComponents(message)) return false;
        vovido::ReduceComponents(message, kKeptComponents);
        if (!Settled(last, message)) Assign(*parent.newChildMessages[pos], message, *this);
    } else {
        const int outcomes = static_cast<VRX_discreteSampleNode&>(parent).outcomeCount;
        std::vector<double> p(static_cast<size_t>(outcomes), 0.0);
        double total = 0.0;
        for (const Term& t : terms) {
            for (const MixtureComponent& e : evidence) {
                if (!(t.variance + e.variance > kLeastVariance)) return false;
                const double share =
                    t.weight * e.weight * NormalDensity(e.mean, t.shift, t.variance + e.variance);
                p[static_cast<size_t>(t.state)] += share;
                total += share;
            }
        }
        if (!(total > 0.0) || !std::isfinite(total)) return false;
        bool same = !last.IsUniform();
        for (int s = 0; s < outcomes; ++s) {
            p[static_cast<size_t>(s)] /= total;
            same = same && std::fabs(StateProbability(last, s) - p[static_cast<size_t>(s)]) <= 1e-9;
        }
        if (same) return true;
        auto& target = static_cast<VRX_discreteMessage&>(*parent.newChildMessages[pos]);
        for (int s = 0; s < outcomes; ++s) target.AddStateSample(s, p[static_cast<size_t>(s)]);
    }
    return true;
}

void HybridSampleNet::DrawLinearBelief(SampleNode& node, const Components& belief) {
    // The components are chosen systematically (each gets its share of the draws to within one) and
    // the deviations come in antithetic pairs: the estimate's mean carries almost no sampling noise.
    const int count = view.GetNumberOfSamples();
    const double offset = mixtureGenerator.NextFraction();
    size_t k = 0;
    double upTo = belief[0].weight, z = 0.0;
    for (int i = 0; i < count; ++i) {
        const double u = (i + offset) / count;
        while (u > upTo && k + 1 < belief.size()) upTo += belief[++k].weight;
        z = i % 2 == 0 ? vovido::StandardNormalDraw() : -z;
        node.SetValue(belief[k].mean + std::sqrt(belief[k].variance) * z);
        node.AddSampleToEstimate(1.0);
    }
    GaussianMixture& result = static_cast<VRX_continuousSampleNode&>(node).resultMixture;
    result.components = belief;
    result.count = static_cast<int>(belief.size());
}
