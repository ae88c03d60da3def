// The sampling network of one relevant part and the sampling steps its algorithms share.
#include "inference/sample_net.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

#include "base/status_codes.h"
#include "inference/part_view.h"
#include "inference/relevance_graph.h"
#include "inference/sampling_draws.h"
#include "inference/sampling_work.h"

namespace vovido {

void NormalizeColumns(double* values, int size, int numOutcomes, const double* mask) {
    for (int start = 0; start + numOutcomes <= size; start += numOutcomes) {
        double* column = values + start;
        const double* allowed = mask != nullptr ? mask + start : nullptr;
        double sum = 0.0;
        for (int k = 0; k < numOutcomes; k++) {
            // An outcome the table allows must stay possible, or the estimate would miss it.
            if (!(column[k] > 0.0) || !std::isfinite(column[k]))
                column[k] = allowed != nullptr ? allowed[k] : 0.0;
            sum += column[k];
        }
        if (sum > 0.0 && std::isfinite(sum)) {
            for (int k = 0; k < numOutcomes; k++) column[k] /= sum;
            continue;
        }
        int support = 0;
        for (int k = 0; k < numOutcomes; k++) support += allowed == nullptr || allowed[k] > 0.0 ? 1 : 0;
        for (int k = 0; k < numOutcomes; k++) {
            const bool in = support == 0 || allowed == nullptr || allowed[k] > 0.0;
            column[k] = in ? 1.0 / (support > 0 ? support : numOutcomes) : 0.0;
        }
    }
}

}  // namespace vovido

// ---------------------------------------------------------------------------------------------------
// Nodes

SampleNode::SampleNode(int outcomes) : beliefs(static_cast<size_t>(outcomes), 0.0), numOutcomes(outcomes) {}

double SampleNode::NormalizeBeliefs() {
    double sum = 0.0;
    for (double b : beliefs) sum += b;
    if (sum > 0.0) {
        for (double& b : beliefs) b /= sum;
    }
    return sum;
}

void SampleNode::CopyBeliefsTo(double* buffer) const {
    std::copy(beliefs.begin(), beliefs.end(), buffer);
}

double SampleNode::DrawFromImportanceTable(RandomGenerator& random) {
    const int column = ColumnOffset();
    // The table's column is fetched while the importance column is read: on a chain every node waits for
    // the draw before it, and two misses in a row would double that wait.
    __builtin_prefetch(table->GetData() + column);
    const double* importance = importanceTable.GetData() + column;
    const int k = vovido::PickOutcome(importance, numOutcomes, random.NextFraction());
    if (k < 0) return 0.0;
    state = k;
    return (*table)[column + k] / importance[k];
}

// ---------------------------------------------------------------------------------------------------
// Construction

SampleNet::SampleNet(PartView& partView) : view(&partView) {
    try {
        status_ = Build();
    } catch (const std::bad_alloc&) {
        status_ = kOutOfMemory;
    }
    if (status_ != kSuccess) nodes.clear();
}

SampleNet::~SampleNet() = default;

int SampleNet::Build() {
    if (const int rc = view->SortTopologically()) return rc;
    numNodes = view->GetNumberOfNodes();
    nodes.resize(static_cast<size_t>(numNodes));
    for (int i = 0; i < numNodes; i++) nodes[i] = std::make_unique<SampleNode>(view->GetNumberOfOutcomes(i));
    for (int i = 0; i < numNodes; i++) {
        SampleNode& node = *nodes[i];
        node.parentIndices = view->GetParentIndices(i);
        node.childIndices = view->GetChildIndices(i);
        node.numParents = static_cast<int>(node.parentIndices.size());
        node.numChildren = static_cast<int>(node.childIndices.size());
        node.coordinatePointers.reset(new const int*[node.numParents + 1]);
        for (int j = 0; j < node.numParents; j++) {
            const int p = node.parentIndices[j];
            if (p == PartView::kOutsidePart) return kOutOfRange;
            node.parentOutcomeCounts.push_back(nodes[p]->numOutcomes);
            node.coordinatePointers[j] = &nodes[p]->state;
        }
        node.coordinatePointers[node.numParents] = &node.state;
        for (int c : node.childIndices) {
            if (c == PartView::kOutsidePart) return kOutOfRange;
            node.childOutcomeCounts.push_back(nodes[c]->numOutcomes);
        }
        node.table = view->GetNodeTable(i);
        if (!vovido::TableFitsFamily(node.table, node.parentOutcomeCounts.data(), node.numParents,
                                     node.numOutcomes))
            return kOutOfRange;
        node.tableStrides.assign(node.table->GetStrides().GetItems(),
                                 node.table->GetStrides().GetItems() + node.numParents);
        node.evidence = view->GetEvidence(i);
        if (node.evidence >= 0) node.state = node.evidence;
    }
    // Each node's row in its neighbours' message matrices.
    for (int i = 0; i < numNodes; i++) {
        SampleNode& node = *nodes[i];
        for (int p : node.parentIndices) {
            const std::vector<int>& siblings = nodes[p]->childIndices;
            node.rowInParent.push_back(
                static_cast<int>(std::find(siblings.begin(), siblings.end(), i) - siblings.begin()));
        }
        for (int c : node.childIndices) {
            const std::vector<int>& coParents = nodes[c]->parentIndices;
            node.rowInChild.push_back(
                static_cast<int>(std::find(coParents.begin(), coParents.end(), i) - coParents.begin()));
        }
    }
    MarkEvidenceAncestors();
    return kSuccess;
}

void SampleNet::MarkEvidenceAncestors() {
    const std::vector<char> ancestors = vovido::FindEvidenceAncestors(*view);
    learned.clear();
    for (int i = 0; i < numNodes; i++) {
        nodes[i]->isEvidenceAncestor = ancestors[static_cast<size_t>(i)] != 0;
        if (nodes[i]->isEvidenceAncestor || nodes[i]->IsObserved()) learned.push_back(nodes[i].get());
    }
}

int SampleNet::PrepareTables(int tables) {
    try {
        size_t batchCells = 0;
        for (const std::unique_ptr<SampleNode>& node : nodes) {
            node->firstBatchCell = batchCells;
            if (!node->IsObserved()) batchCells += static_cast<size_t>(node->numOutcomes);
        }
        // Any run that draws beliefs closes batches of them: a few numbers a node, whatever the tables.
        beliefSpread_.Assign(batchCells);
        for (const std::unique_ptr<SampleNode>& owned : nodes) {
            SampleNode& node = *owned;
            // Observed nodes weigh by their table, and only evidence ancestors learn: a copy for any other
            // would double the memory of the widest tables for nothing.
            if ((tables & kImportanceTables) != 0 && !node.IsObserved()) {
                if (const int rc = node.importanceTable.Copy(*node.table)) return rc;
            }
            if ((tables & kLearningTables) != 0 && node.isEvidenceAncestor) {
                const int64_t columns = node.table->GetNumberOfElements() / node.numOutcomes;
                node.learningTable.assign(static_cast<size_t>(columns * (node.numOutcomes + 1)), 0.0);
            }
            const size_t n = static_cast<size_t>(node.numOutcomes);
            for (std::vector<double>* v : {&node.lambda, &node.lambdaNext, &node.evidenceIndicator, &node.pi,
                                           &node.piNext, &node.belief, &node.beliefNext})
                v->assign(n, 0.0);
            node.parentStrides.assign(static_cast<size_t>(node.numParents) + 1, 1);
            for (int j = node.numParents - 1; j >= 0; j--)
                node.parentStrides[j] = node.parentOutcomeCounts[j] * node.parentStrides[j + 1];
            node.piRowLength = 0;
            for (int count : node.parentOutcomeCounts) node.piRowLength = std::max(node.piRowLength, count);
            const size_t lambdaSize = static_cast<size_t>(node.numChildren) * n;
            const size_t piSize =
                static_cast<size_t>(node.numParents) * static_cast<size_t>(node.piRowLength);
            node.lambdaFromChildren.assign(lambdaSize, 1.0);
            node.lambdaFromChildrenNext.assign(lambdaSize, 1.0);
            node.piFromParents.assign(piSize, 1.0);
            node.piFromParentsNext.assign(piSize, 1.0);
            const size_t configurations = static_cast<size_t>(node.parentStrides[0]);
            node.parentPiProduct.assign(configurations, 1.0);
            node.parentPiProductNext.assign(configurations, 1.0);
            node.configurationLambda.assign(configurations, 0.0);
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

void SampleNet::ReleaseTables() {
    for (const std::unique_ptr<SampleNode>& owned : nodes) {
        SampleNode& node = *owned;
        node.importanceTable.CleanUp();
        std::vector<double>().swap(node.learningTable);
        for (std::vector<double>* v : {&node.lambdaFromChildren, &node.lambdaFromChildrenNext,
                                       &node.piFromParents, &node.piFromParentsNext})
            std::vector<double>().swap(*v);
    }
}

// ---------------------------------------------------------------------------------------------------
// Sampling steps

void SampleNet::ResetBeliefs() {
    beliefScale_ = WeightScale();
    beliefWeights_ = 0.0;
    beliefSquares_ = 0.0;
    for (const std::unique_ptr<SampleNode>& node : nodes) {
        std::fill(node->beliefs.begin(), node->beliefs.end(), 0.0);
        if (node->IsObserved()) node->beliefs[node->evidence] = 1.0;
    }
}

void SampleNet::ClearLearningTables() {
    learningScale_ = WeightScale();
    for (const std::unique_ptr<SampleNode>& node : nodes) {
        std::fill(node->learningTable.begin(), node->learningTable.end(), 0.0);
    }
}

namespace {

// The factor of one node in a sample's weight: its table entry when observed, else table over importance
// at the outcome drawn.
inline double DrawNode(SampleNode& node, RandomGenerator& random) {
    if (node.IsObserved()) return (*node.table)[node.ColumnOffset() + node.state];
    return node.DrawFromImportanceTable(random);
}

}  // namespace

vovido::SampleWeight SampleNet::DrawSample(RandomGenerator& random) {
    vovido::SampleWeight weight(1.0);
    for (const std::unique_ptr<SampleNode>& node : nodes) {
        weight.Multiply(DrawNode(*node, random));
        if (weight.IsZero()) return 0.0;
    }
    return weight;
}

vovido::SampleWeight SampleNet::DrawLearningSample(RandomGenerator& random) {
    vovido::SampleWeight weight(1.0);
    for (SampleNode* node : learned) {
        weight.Multiply(DrawNode(*node, random));
        if (weight.IsZero()) return 0.0;
    }
    return weight;
}

namespace {

// Binary orders between the heaviest weight and the scale: sums of up to 2^31 weights stay far within
// range, and the scale is raised seldom.
constexpr int kWeightHeadroom = 64;

void ScaleValues(double* values, size_t n, int shift) {
    for (size_t k = 0; k < n; k++) values[k] = std::ldexp(values[k], shift);
}

}  // namespace

template <typename Rescale>
double SampleNet::Scaled(const vovido::SampleWeight& drawn, WeightScale& scale, Rescale&& rescale) {
    const vovido::SampleWeight weight = drawn.Normalized();
    const int wanted = weight.exponent + kWeightHeadroom;
    if (!scale.set) {
        scale.exponent = wanted;
        scale.set = true;
    } else if (weight.exponent > scale.exponent) {
        rescale(scale.exponent - wanted);
        scale.exponent = wanted;
    }
    return std::ldexp(weight.mantissa, weight.exponent - scale.exponent);
}

// The plain weight, so that a learned column is the weighted frequency of the node's outcomes: an estimate
// of its distribution given the evidence, which is what the importance table should approach. Weighting
// by squared weights instead pulls the tables towards the few heaviest samples, and the final estimates
// then stay far off at any practical sample count.
void SampleNet::AccumulateLearning(const vovido::SampleWeight& weight) {
    if (weight.IsZero()) return;
    const double w = Scaled(weight, learningScale_, [this](int shift) {
        for (SampleNode* node : learned) {
            if (!node->isEvidenceAncestor) continue;
            const size_t stride = static_cast<size_t>(node->numOutcomes) + 1;
            double* learned = node->learningTable.data();
            for (size_t start = 0; start < node->learningTable.size(); start += stride) {
                ScaleValues(learned + start, stride - 1, shift);
                learned[start + stride - 1] = std::ldexp(learned[start + stride - 1], 2 * shift);
            }
        }
    });
    for (SampleNode* node : learned) {
        // Only the evidence ancestors' importance tables are ever learned.
        if (!node->isEvidenceAncestor) continue;
        double* learned = node->learningTable.data() + node->LearningOffset();
        learned[node->state] += w;
        learned[node->numOutcomes] += w * w;
    }
}

void SampleNet::AccumulateBeliefs(const vovido::SampleWeight& weight) {
    if (weight.IsZero()) return;
    const double w = Scaled(weight, beliefScale_, [this](int shift) {
        for (const std::unique_ptr<SampleNode>& node : nodes) {
            if (!node->IsObserved()) ScaleValues(node->beliefs.data(), node->beliefs.size(), shift);
        }
        beliefWeights_ = std::ldexp(beliefWeights_, shift);
        beliefSquares_ = std::ldexp(beliefSquares_, 2 * shift);
        beliefSpread_.Rescale(shift);
    });
    beliefWeights_ += w;
    beliefSquares_ += w * w;
    for (const std::unique_ptr<SampleNode>& node : nodes) {
        if (!node->IsObserved()) node->beliefs[node->state] += w;
    }
}

void SampleNet::DrawBeliefSamples(RandomGenerator& random, int numSamples) {
    const int batches = vovido::BatchSpread::BatchCount(numSamples);
    for (int b = 0, s = 0; b < batches; b++) {
        for (const int end = vovido::BatchSpread::BatchEnd(b, batches, numSamples); s < end; s++)
            AccumulateBeliefs(DrawSample(random));
        beliefSpread_.CloseBatch(beliefWeights_);
        for (const std::unique_ptr<SampleNode>& node : nodes) {
            if (node->IsObserved()) continue;
            for (int k = 0; k < node->numOutcomes; k++)
                beliefSpread_.CloseCell(node->firstBatchCell + static_cast<size_t>(k), node->beliefs[k]);
        }
    }
}

double SampleNet::BeliefStandardError(int i) const {
    const SampleNode& node = *nodes[i];
    if (node.IsObserved()) return 0.0;
    double widest = 0.0;
    for (int k = 0; k < node.numOutcomes; k++) {
        widest = std::max(widest, beliefSpread_.StandardError(node.firstBatchCell + static_cast<size_t>(k),
                                                              node.beliefs[k], beliefWeights_));
    }
    return widest;
}

int SampleNet::WriteSampledBeliefs() {
    for (int i = 0; i < numNodes; i++) {
        SampleNode& node = *nodes[i];
        if (node.NormalizeBeliefs() == 0.0) return kNoUsefulSamples;
        if (view->GetRecord(i)->node == nullptr) continue;
        double* buffer = view->GetBeliefBuffer(i);
        if (buffer == nullptr) return kOutOfMemory;
        node.CopyBeliefsTo(buffer);
        view->MarkUpToDate(i);
    }
    return kSuccess;
}
