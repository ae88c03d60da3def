// Loopy belief propagation: message initialisation, normalisation and the passes.
#include "inference/loopy_propagation.h"

#include <algorithm>

#include "base/status_codes.h"
#include "inference/part_view.h"
#include "inference/sample_net.h"
#include "inference/sampling_drivers.h"
#include "model/algorithm_settings.h"

namespace {

// Divides the n values by their sum; a sum that is not positive gives the uniform vector.
void NormalizeOrUniform(double* values, int n) {
    double sum = 0.0;
    for (int k = 0; k < n; k++) sum += values[k];
    if (sum > 0.0) {
        for (int k = 0; k < n; k++) values[k] /= sum;
    } else {
        for (int k = 0; k < n; k++) values[k] = 1.0 / n;
    }
}

// Every node's new messages become current, and the new ones start again.
void ExchangeMessages(SampleNet& net) {
    for (int i = 0; i < net.GetNumberOfNodes(); i++) {
        SampleNode& node = net.GetNode(i);
        if (node.numChildren > 0) {
            node.lambdaFromChildren.swap(node.lambdaFromChildrenNext);
            std::fill(node.lambdaFromChildrenNext.begin(), node.lambdaFromChildrenNext.end(), 1.0);
        }
        if (node.numParents > 0) {
            node.piFromParents.swap(node.piFromParentsNext);
            std::fill(node.piFromParentsNext.begin(), node.piFromParentsNext.end(), 1.0);
            node.parentPiProduct.swap(node.parentPiProductNext);
            std::fill(node.parentPiProductNext.begin(), node.parentPiProductNext.end(), 1.0);
            node.pi.swap(node.piNext);
            std::fill(node.piNext.begin(), node.piNext.end(), 0.0);
        }
        if (!node.IsObserved() && node.numChildren > 0) {
            node.lambda.swap(node.lambdaNext);
            std::fill(node.lambdaNext.begin(), node.lambdaNext.end(), 1.0);
        }
        node.belief.swap(node.beliefNext);
        std::fill(node.beliefNext.begin(), node.beliefNext.end(), 0.0);
    }
}

// The products of the parents' pi messages per configuration (first parent varying slowest), times
// what the vector held.
void MultiplyParentPi(SampleNode& x) {
    const int configurations = x.GetNumberOfConfigurations();
    for (int j = 0; j < x.numParents; j++) {
        const double* message = &x.piFromParents[static_cast<size_t>(j) * x.piRowLength];
        const int run = x.parentStrides[j + 1];
        const int count = x.parentOutcomeCounts[j];
        for (int c = 0; c < configurations; c++) x.parentPiProductNext[c] *= message[(c / run) % count];
    }
}

// Pi: the table's columns weighted by the configuration products; the table column of a root.
void ComputePi(SampleNode& x) {
    const int n = x.numOutcomes;
    const double* table = x.table->GetData();
    if (x.numParents == 0) {
        std::copy(table, table + n, x.piNext.begin());
        return;
    }
    std::fill(x.piNext.begin(), x.piNext.end(), 0.0);
    for (int c = 0; c < x.GetNumberOfConfigurations(); c++) {
        const double weight = x.parentPiProductNext[c];
        const double* column = table + static_cast<size_t>(c) * n;
        for (int k = 0; k < n; k++) x.piNext[k] += column[k] * weight;
    }
}

// Lambda messages to the unobserved parents: for each outcome u of parent j, the configurations with
// the parent at u, each weighted by the other parents' pi messages and by the table column times lambda.
void SendLambdaMessages(SampleNet& net, SampleNode& x) {
    const int n = x.numOutcomes;
    const double* table = x.table->GetData();
    const int configurations = x.GetNumberOfConfigurations();
    for (int c = 0; c < configurations; c++) {
        const double* column = table + static_cast<size_t>(c) * n;
        double sum = 0.0;
        for (int k = 0; k < n; k++) sum += column[k] * x.lambdaNext[k];
        x.configurationLambda[c] = sum;
    }
    for (int j = 0; j < x.numParents; j++) {
        SampleNode& parent = net.GetNode(x.parentIndices[j]);
        if (parent.IsObserved()) continue;
        const double* received = &x.piFromParents[static_cast<size_t>(j) * x.piRowLength];
        double* message =
            &parent.lambdaFromChildrenNext[static_cast<size_t>(x.rowInParent[j]) * parent.numOutcomes];
        const int run = x.parentStrides[j + 1];
        const int count = x.parentOutcomeCounts[j];
        std::fill(message, message + count, 0.0);
        for (int c = 0; c < configurations; c++) {
            const int u = (c / run) % count;
            if (received[u] != 0.0)
                message[u] += x.parentPiProductNext[c] / received[u] * x.configurationLambda[c];
        }
    }
}

// Pi messages to the children: pi times the lambda of the node without that child's own message.
void SendPiMessages(SampleNet& net, SampleNode& x) {
    const int n = x.numOutcomes;
    for (int d = 0; d < x.numChildren; d++) {
        SampleNode& child = net.GetNode(x.childIndices[d]);
        const double* fromChild = &x.lambdaFromChildren[static_cast<size_t>(d) * n];
        double* message = &child.piFromParentsNext[static_cast<size_t>(x.rowInChild[d]) * child.piRowLength];
        for (int k = 0; k < n; k++)
            message[k] = fromChild[k] != 0.0 ? x.lambdaNext[k] / fromChild[k] * x.piNext[k] : 0.0;
    }
}

}  // namespace

void SampleNode::InitMessages() {
    for (std::vector<double>* v :
         {&pi, &piNext, &lambda, &lambdaNext, &parentPiProduct, &parentPiProductNext, &lambdaFromChildren,
          &lambdaFromChildrenNext, &piFromParents, &piFromParentsNext})
        std::fill(v->begin(), v->end(), 1.0);
    std::fill(belief.begin(), belief.end(), 0.0);
    std::fill(beliefNext.begin(), beliefNext.end(), 0.0);
    for (int k = 0; k < numOutcomes; k++) evidenceIndicator[k] = !IsObserved() || k == evidence ? 1.0 : 0.0;
}

void SampleNode::NormalizeMessages() {
    for (int j = 0; j < numParents; j++)
        NormalizeOrUniform(&piFromParents[static_cast<size_t>(j) * piRowLength], parentOutcomeCounts[j]);
    NormalizeOrUniform(lambda.data(), numOutcomes);
    NormalizeOrUniform(pi.data(), numOutcomes);
    for (int c = 0; c < numChildren; c++)
        NormalizeOrUniform(&lambdaFromChildren[static_cast<size_t>(c) * numOutcomes], numOutcomes);
}

namespace vovido {

void CollectLambda(const SampleNode& node, std::vector<double>& out) {
    const int n = node.numOutcomes;
    std::copy(node.evidenceIndicator.begin(), node.evidenceIndicator.end(), out.begin());
    if (node.IsObserved()) return;
    for (int c = 0; c < node.numChildren; c++) {
        const double* message = &node.lambdaFromChildren[static_cast<size_t>(c) * n];
        for (int k = 0; k < n; k++) out[k] *= message[k];
    }
}

int RunLoopyPass(SampleNet& net, bool uniformOnZero) {
    for (int i = 0; i < net.GetNumberOfNodes(); i++) {
        SampleNode& x = net.GetNode(i);
        const int n = x.numOutcomes;
        x.NormalizeMessages();
        CollectLambda(x, x.lambdaNext);
        MultiplyParentPi(x);
        ComputePi(x);
        double sum = 0.0;
        for (int k = 0; k < n; k++) {
            x.beliefNext[k] = x.piNext[k] * x.lambdaNext[k];
            sum += x.beliefNext[k];
        }
        if (sum > 0.0) {
            for (int k = 0; k < n; k++) x.beliefNext[k] /= sum;
        } else if (uniformOnZero) {
            std::fill(x.beliefNext.begin(), x.beliefNext.end(), 1.0 / n);
        } else {
            return kConflictingEvidence;
        }
        SendLambdaMessages(net, x);
        SendPiMessages(net, x);
    }
    ExchangeMessages(net);
    return kSuccess;
}

}  // namespace vovido

int RunLoopyPropagation(SampleNet& net) {
    net.ClearLearningTables();
    net.ResetBeliefs();
    const int n = net.GetNumberOfNodes();
    for (int i = 0; i < n; i++) net.GetNode(i).InitMessages();
    const int passes = net.GetView().GetEpisParams().proplen;
    for (int pass = 0; pass < passes; pass++) {
        if (const int rc = vovido::RunLoopyPass(net, false)) return rc;
    }
    for (int i = 0; i < n; i++) {
        SampleNode& node = net.GetNode(i);
        node.beliefs = node.belief;
    }
    return net.WriteSampledBeliefs();
}

int RunLoopyPropagationOnParts(VRX_network& network) {
    return RunSamplingOnParts(network, RunLoopyPropagation, 0, nullptr);
}
