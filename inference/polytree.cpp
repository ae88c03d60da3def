// Polytree propagation. Each connected component is walked breadth first from its first node in
// topological order; messages then flow once towards that root (each node sends to the neighbour it was
// reached from once all its other neighbours have sent) and once away from it, so the schedule ends on
// every network and needs no recursion. Messages are normalised as they are made; a message or a root
// mass of zero means the evidence has probability zero.
#include "inference/polytree.h"

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_label.h"
#include "model/node_value.h"

namespace {

// The records of every node, as flat arrays indexed by the node's position; arc a joins parent
// parentOf[a] to child childOf[a], and holds one π-message and one λ-message over the parent's
// outcomes.
class PolytreeRun {
public:
    explicit PolytreeRun(VRX_network& network) : network_(network) {}

    int Run() {
        if (const int rc = Build()) return rc;
        Schedule();
        for (size_t q = order_.size(); q-- > 0;) {
            const int x = order_[q];
            if (via_[x] >= 0) SendTowards(x, via_[x]);
        }
        for (int root : roots_) {
            if (!(Mass(root) > 0.0)) impossible_ = true;
        }
        if (impossible_) return LogImpossible();
        for (int x : order_) SendAway(x);
        if (impossible_) return LogImpossible();
        return WriteBeliefs();
    }

private:
    // ---------------------------------------------------------------------------------------------
    // Records

    int Build() {
        const int slots = network_.GetNumberOfSlots();
        position_.assign(static_cast<size_t>(slots), -1);
        for (int h = network_.GetFirstNode(); h >= 0; h = network_.GetNextNode(h)) {
            position_[h] = static_cast<int>(handles_.size());
            handles_.push_back(h);
        }
        const int n = static_cast<int>(handles_.size());
        outcomes_.resize(static_cast<size_t>(n));
        evidence_.assign(static_cast<size_t>(n), -1);
        tables_.resize(static_cast<size_t>(n));
        parentStart_.assign(static_cast<size_t>(n) + 1, 0);
        childStart_.assign(static_cast<size_t>(n) + 1, 0);
        nodeOffset_.assign(static_cast<size_t>(n) + 1, 0);
        for (int i = 0; i < n; i++) {
            const int h = handles_[i];
            parentStart_[i + 1] = parentStart_[i] + network_.GetParents(h).GetCount();
            childStart_[i + 1] = childStart_[i] + network_.GetChildren(h).GetCount();
        }
        const int arcs = parentStart_[n];
        if (childStart_[n] != arcs) return kInconsistentGraph;
        parentOf_.resize(static_cast<size_t>(arcs));
        childOf_.resize(static_cast<size_t>(arcs));
        childArcs_.assign(static_cast<size_t>(arcs), -1);
        std::vector<char> matched(static_cast<size_t>(arcs), 0);
        for (int i = 0; i < n; i++) {
            const VRX_intArray& parents = network_.GetParents(handles_[i]);
            for (int j = 0; j < parents.GetCount(); j++) {
                const int p = parents[j] >= 0 && parents[j] < slots ? position_[parents[j]] : -1;
                if (p < 0) return kInconsistentGraph;
                parentOf_[parentStart_[i] + j] = p;
                childOf_[parentStart_[i] + j] = i;
            }
        }
        // Each child entry of a node must match exactly one parent entry of that child.
        for (int p = 0; p < n; p++) {
            const VRX_intArray& children = network_.GetChildren(handles_[p]);
            for (int k = 0; k < children.GetCount(); k++) {
                const int c = children[k] >= 0 && children[k] < slots ? position_[children[k]] : -1;
                if (c < 0) return kInconsistentGraph;
                int arc = -1;
                for (int a = parentStart_[c]; a < parentStart_[c + 1] && arc < 0; a++) {
                    if (parentOf_[a] == p) arc = a;
                }
                if (arc < 0 || matched[arc]) return kInconsistentGraph;
                matched[arc] = 1;
                childArcs_[childStart_[p] + k] = arc;
            }
        }
        for (int i = 0; i < n; i++) {
            if (const int rc = ReadNode(i)) return rc;
            nodeOffset_[i + 1] = nodeOffset_[i] + outcomes_[i];
        }
        if (const int rc = CheckParentSizes()) return rc;
        messageOffset_.resize(static_cast<size_t>(arcs) + 1);
        messageOffset_[0] = 0;
        for (int a = 0; a < arcs; a++) messageOffset_[a + 1] = messageOffset_[a] + outcomes_[parentOf_[a]];
        piMessages_.assign(static_cast<size_t>(messageOffset_[arcs]), 1.0);
        lambdaMessages_.assign(static_cast<size_t>(messageOffset_[arcs]), 1.0);
        return kSuccess;
    }

    int ReadNode(int i) {
        VRX_node* node = network_.GetNode(handles_[i]);
        VRX_nodeDefinition* definition = node->GetDefinition();
        VRX_Dmatrix* table = nullptr;
        const int k = definition != nullptr ? definition->GetNumberOfOutcomes() : 0;
        if (definition == nullptr || k < 1 || definition->GetDefinition(table) != kSuccess ||
            table == nullptr || table->GetData() == nullptr || node->GetValue() == nullptr)
            return LogBadTable(i);
        const int numParents = parentStart_[i + 1] - parentStart_[i];
        if (table->GetNumberOfDimensions() != numParents + 1) return LogBadTable(i);
        const VRX_intArray& sizes = table->GetDimensions();
        if (sizes[numParents] != k) return LogBadTable(i);
        outcomes_[i] = k;
        tables_[i] = table;
        VRX_nodeValue* value = node->GetValue();
        if (value->HasEvidence()) {
            const int e = value->GetEvidence();
            if (e < 0 || e >= k) return LogBadTable(i);
            evidence_[i] = e;
        }
        return kSuccess;
    }

    // Parent sizes are checked once every node's outcome count is known.
    int CheckParentSizes() {
        const int n = static_cast<int>(handles_.size());
        for (int i = 0; i < n; i++) {
            const VRX_intArray& sizes = tables_[i]->GetDimensions();
            for (int a = parentStart_[i]; a < parentStart_[i + 1]; a++) {
                if (sizes[a - parentStart_[i]] != outcomes_[parentOf_[a]]) return LogBadTable(i);
            }
        }
        return kSuccess;
    }

    // Components from their first node in topological order, breadth first; via_ is the arc over which
    // a node was reached (-1 for a root).
    void Schedule() {
        const int n = static_cast<int>(handles_.size());
        via_.assign(static_cast<size_t>(n), -1);
        std::vector<char> seen(static_cast<size_t>(n), 0);
        const VRX_intArray topological = network_.GetTopologicalOrder();
        std::vector<int> starts;
        for (int q = 0; q < topological.GetCount(); q++) {
            const int h = topological[q];
            if (h >= 0 && h < static_cast<int>(position_.size()) && position_[h] >= 0)
                starts.push_back(position_[h]);
        }
        for (int i = 0; i < n; i++) starts.push_back(i);
        for (int start : starts) {
            if (seen[start]) continue;
            seen[start] = 1;
            roots_.push_back(start);
            size_t q = order_.size();
            order_.push_back(start);
            for (; q < order_.size(); q++) {
                const int x = order_[q];
                for (int a = parentStart_[x]; a < parentStart_[x + 1]; a++) Reach(parentOf_[a], a, seen);
                for (int c = childStart_[x]; c < childStart_[x + 1]; c++) {
                    Reach(childOf_[childArcs_[c]], childArcs_[c], seen);
                }
            }
        }
    }

    void Reach(int y, int arc, std::vector<char>& seen) {
        if (seen[y]) return;
        seen[y] = 1;
        via_[y] = arc;
        order_.push_back(y);
    }

    // ---------------------------------------------------------------------------------------------
    // Local computations

    int NumberOfConfigurations(int x) const { return tables_[x]->GetNumberOfElements() / outcomes_[x]; }

    // Products of the π-messages over the parents' configurations (first parent slowest), the message
    // of the arc skip left out.
    void ParentWeights(int x, int skip, std::vector<double>& weights) const {
        weights.assign(1, 1.0);
        for (int a = parentStart_[x]; a < parentStart_[x + 1]; a++) {
            const int k = outcomes_[parentOf_[a]];
            const double* message = &piMessages_[messageOffset_[a]];
            const size_t before = weights.size();
            weights.resize(before * static_cast<size_t>(k));
            for (size_t c = before; c-- > 0;) {
                const double w = weights[c];
                for (int u = k - 1; u >= 0; u--) weights[c * k + u] = a == skip ? w : w * message[u];
            }
        }
    }

    void ComputePi(int x, double* pi) {
        const int k = outcomes_[x];
        ParentWeights(x, -1, weights_);
        const double* cpt = tables_[x]->GetData();
        for (int v = 0; v < k; v++) pi[v] = 0.0;
        for (size_t c = 0; c < weights_.size(); c++) {
            const double* column = cpt + c * k;
            for (int v = 0; v < k; v++) pi[v] += weights_[c] * column[v];
        }
    }

    // Product of the evidence indicator and the λ-messages of every child but the one on arc skip,
    // kept at a largest entry of 1 so that many children do not underflow it.
    void ComputeLambda(int x, int skip, double* lambda) const {
        const int k = outcomes_[x];
        for (int v = 0; v < k; v++) lambda[v] = evidence_[x] < 0 || evidence_[x] == v ? 1.0 : 0.0;
        for (int c = childStart_[x]; c < childStart_[x + 1]; c++) {
            const int a = childArcs_[c];
            if (a == skip) continue;
            const double* message = &lambdaMessages_[messageOffset_[a]];
            double peak = 0.0;
            for (int v = 0; v < k; v++) {
                lambda[v] *= message[v];
                peak = lambda[v] > peak ? lambda[v] : peak;
            }
            if (peak > 0.0)
                for (int v = 0; v < k; v++) lambda[v] /= peak;
        }
    }

    // λπ summed over the node's outcomes: the probability of the component's evidence, up to the
    // positive factors the normalisations took out.
    double Mass(int x) {
        const int k = outcomes_[x];
        pi_.resize(static_cast<size_t>(k));
        lambda_.resize(static_cast<size_t>(k));
        ComputePi(x, pi_.data());
        ComputeLambda(x, -1, lambda_.data());
        double mass = 0.0;
        for (int v = 0; v < k; v++) mass += pi_[v] * lambda_[v];
        return mass;
    }

    void Normalise(double* message, int k) {
        double sum = 0.0;
        for (int v = 0; v < k; v++) sum += message[v];
        // A message of zero mass: the evidence on the sender's side is impossible.
        if (!(sum > 0.0)) {
            impossible_ = true;
            return;
        }
        for (int v = 0; v < k; v++) message[v] /= sum;
    }

    // λ-message from x to the parent on arc a: for each parent outcome, the sum over the other parents'
    // configurations of Σ_x cpt × λ times their π-messages.
    void SendLambda(int x, int a) {
        const int k = outcomes_[x];
        lambda_.resize(static_cast<size_t>(k));
        ComputeLambda(x, -1, lambda_.data());
        ParentWeights(x, a, weights_);
        const int j = a - parentStart_[x];
        const int numParents = parentStart_[x + 1] - parentStart_[x];
        const int* sizes = tables_[x]->GetDimensions().GetItems();
        int inner = 1;
        for (int d = j + 1; d < numParents; d++) inner *= sizes[d];
        const int ku = sizes[j];
        double* message = &lambdaMessages_[messageOffset_[a]];
        for (int u = 0; u < ku; u++) message[u] = 0.0;
        const double* cpt = tables_[x]->GetData();
        const int configurations = static_cast<int>(weights_.size());
        for (int c = 0; c < configurations; c++) {
            const double* column = cpt + static_cast<size_t>(c) * k;
            double expected = 0.0;
            for (int v = 0; v < k; v++) expected += column[v] * lambda_[v];
            message[(c / inner) % ku] += expected * weights_[c];
        }
        Normalise(message, ku);
    }

    // π-message from x to the child on arc a: π times the evidence indicator and the λ-messages of the
    // other children; computed as a product, never as a quotient that could be 0/0.
    void SendPi(int x, int a) {
        const int k = outcomes_[x];
        double* message = &piMessages_[messageOffset_[a]];
        ComputePi(x, message);
        lambda_.resize(static_cast<size_t>(k));
        ComputeLambda(x, a, lambda_.data());
        for (int v = 0; v < k; v++) message[v] *= lambda_[v];
        Normalise(message, k);
    }

    void SendTowards(int x, int a) {
        if (childOf_[a] == x) {
            SendLambda(x, a);
        } else {
            SendPi(x, a);
        }
    }

    // Every neighbour but the one x was reached from.
    void SendAway(int x) {
        for (int a = parentStart_[x]; a < parentStart_[x + 1]; a++) {
            if (a != via_[x]) SendLambda(x, a);
        }
        for (int c = childStart_[x]; c < childStart_[x + 1]; c++) {
            if (childArcs_[c] != via_[x]) SendPi(x, childArcs_[c]);
        }
    }

    // ---------------------------------------------------------------------------------------------
    // Results

    int WriteBeliefs() {
        const int n = static_cast<int>(handles_.size());
        beliefs_.assign(static_cast<size_t>(nodeOffset_[n]), 0.0);
        for (int x = 0; x < n; x++) {
            if (evidence_[x] >= 0) continue;
            const int k = outcomes_[x];
            double* belief = &beliefs_[nodeOffset_[x]];
            lambda_.resize(static_cast<size_t>(k));
            ComputePi(x, belief);
            ComputeLambda(x, -1, lambda_.data());
            double sum = 0.0;
            for (int v = 0; v < k; v++) sum += (belief[v] *= lambda_[v]);
            if (!(sum > 0.0)) return LogImpossible();
            for (int v = 0; v < k; v++) belief[v] /= sum;
        }
        // Every value is sized before any is written, so a failure leaves all as they were.
        std::vector<VRX_Dmatrix*> values(static_cast<size_t>(n), nullptr);
        for (int x = 0; x < n; x++) {
            if (evidence_[x] >= 0) continue;
            VRX_nodeValue* value = network_.GetNode(handles_[x])->GetValue();
            VRX_Dmatrix* matrix = nullptr;
            if (value->GetValue(matrix) != kSuccess || matrix == nullptr) return LogBadTable(x);
            const int k = outcomes_[x];
            if ((matrix->GetNumberOfDimensions() != 1 || matrix->GetNumberOfElements() != k) &&
                matrix->SetupFromList(&k, 1) != kSuccess)
                return kOutOfMemory;
            values[x] = matrix;
        }
        for (int x = 0; x < n; x++) {
            VRX_nodeValue* value = network_.GetNode(handles_[x])->GetValue();
            if (values[x] != nullptr) {
                double* out = values[x]->GetData();
                for (int v = 0; v < outcomes_[x]; v++) out[v] = beliefs_[nodeOffset_[x] + v];
            }
            value->SetValueFlag(ValueFlags::kUpToDate, true);
        }
        return kSuccess;
    }

    int LogBadTable(int x) const {
        const std::string name = vovido::NodeLabel(network_, handles_[x]);
        char message[320];
        std::snprintf(
            message, sizeof message,
            "PolyTree algorithm: the table or value of node [%s] does not fit its parents and outcomes.",
            name.c_str());
        return LogError(errorLog, kOutOfRange, message, nullptr);
    }

    static int LogImpossible() {
        return LogError(errorLog, kConflictingEvidence,
                        "Evidence is impossible: its probability is zero, so no beliefs can be computed.",
                        nullptr);
    }

    VRX_network& network_;
    std::vector<int> handles_;
    std::vector<int> position_;
    std::vector<int> outcomes_;
    std::vector<int> evidence_;
    std::vector<VRX_Dmatrix*> tables_;
    std::vector<int> parentStart_;
    std::vector<int> childStart_;
    std::vector<int> parentOf_;
    std::vector<int> childOf_;
    std::vector<int> childArcs_;
    std::vector<int> nodeOffset_;
    std::vector<int> messageOffset_;
    std::vector<double> piMessages_;
    std::vector<double> lambdaMessages_;
    std::vector<int> order_;
    std::vector<int> roots_;
    std::vector<int> via_;
    bool impossible_ = false;
    std::vector<double> weights_;
    std::vector<double> pi_;
    std::vector<double> lambda_;
    std::vector<double> beliefs_;
};

}  // namespace

int RunPolytree(VRX_network& network) {
    const int connected = network.IsSinglyConnected();
    if (connected < 0) return connected;
    if (connected == 0) {
        return LogError(errorLog, kFailure,
                        "PolyTree algorithm can not be applied to this network, because it is not singly "
                        "connected.",
                        nullptr);
    }
    try {
        PolytreeRun run(network);
        return run.Run();
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}
