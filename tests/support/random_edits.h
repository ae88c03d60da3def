#pragma once
// Random edits of a network through the calls the natives make (outcomes, arcs, tables with rounded, zero
// and unnormalised columns, kinds, evidence, algorithms), fixed by a seed: the random-edit property test
// and the regression comparison of two builds make the same edits.

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace vovido::test {

class RandomEditor {
public:
    // offColumns: tables with columns of zeros or off 1, and outcome removals (which leave such);
    // samplers: the sampling and loopy algorithms besides the exact ones, drawn from the codes below
    // `algorithms` (fixed where two builds must make the same edits).
    RandomEditor(unsigned seed, bool offColumns, bool samplers, int algorithms = BayesianAlgorithm::kLast + 1)
        : rng_(seed), offColumns_(offColumns), samplers_(samplers), algorithms_(algorithms) {}

    // One edit of a random node of `handles`; what it was, for the messages.
    std::string Edit(VRX_network& net, const std::vector<int>& handles) {
        tableStatus_ = kSuccess;
        const int h = handles[static_cast<size_t>(Any(static_cast<int>(handles.size())))];
        const int other = handles[static_cast<size_t>(Any(static_cast<int>(handles.size())))];
        VRX_node& node = *net.GetNode(h);
        VRX_nodeDefinition& definition = *node.GetDefinition();
        const std::string id = node.GetId();
        switch (Any(9)) {
            case 0: {
                static const int kChanceKinds[] = {DefinitionType::kCpt,        DefinitionType::kCpt,
                                                   DefinitionType::kTruthTable, DefinitionType::kNoisyMax,
                                                   DefinitionType::kNoisyAdder, DefinitionType::kCast,
                                                   DefinitionType::kDeMorgan};
                const int kind = kChanceKinds[Any(7)];
                (void)node.ChangeType(kind);
                return "kind of " + id + " to " + std::to_string(kind);
            }
            case 1:
                (void)definition.AddOutcome(("o" + std::to_string(Any(1000))).c_str());
                return "outcome added to " + id;
            case 2:
                if (!offColumns_) return "no edit";
                (void)definition.RemoveOutcome(Any(3));
                return "outcome removed from " + id;
            case 3:
                (void)net.AddArc(other, h);
                return "arc " + std::string(net.GetNode(other)->GetId()) + " -> " + id;
            case 4: {
                const VRX_intArray& parents = net.GetParents(h);
                if (parents.GetCount() > 0) (void)net.RemoveArc(parents[Any(parents.GetCount())], h);
                return "arc to " + id + " removed";
            }
            case 5:
            case 6:
                SetTable(node);
                return "table of " + id;
            case 7:
                if (Any(3) == 0) {
                    (void)node.GetValue()->ClearEvidence();
                } else {
                    (void)node.GetValue()->SetEvidence(Any(definition.GetNumberOfOutcomes()));
                }
                return "evidence on " + id;
            default: {
                static const int kExactAlgorithms[] = {
                    BayesianAlgorithm::kClusteringWithDecomposition, BayesianAlgorithm::kPolytree,
                    BayesianAlgorithm::kClusteringPerPart, BayesianAlgorithm::kRelevanceDecomposition,
                    BayesianAlgorithm::kRelevanceDecomposition2};
                const int algorithm = samplers_ ? Any(algorithms_) : kExactAlgorithms[Any(5)];
                net.SetBayesianAlgorithm(algorithm);
                return "algorithm " + std::to_string(algorithm);
            }
        }
    }

    // The status of the table the last edit set; kSuccess when it set none.
    int TableStatus() const { return tableStatus_; }

private:
    int Any(int n) { return n > 0 ? static_cast<int>(rng_() % static_cast<unsigned>(n)) : 0; }

    // Columns of k entries: proper, rounded to 3 decimals, one left zero, or scaled off 1.
    std::vector<double> RandomColumns(int size, int k) {
        std::vector<double> values(static_cast<size_t>(size));
        for (int c = 0; c + k <= size; c += k) {
            const int style = offColumns_ ? Any(5) : 0;
            double sum = 0.0;
            for (int j = 0; j < k; ++j) sum += values[static_cast<size_t>(c + j)] = 0.05 + Any(1000) / 1000.0;
            const double scale = style == 3 ? 0.5 + Any(100) / 50.0 : 1.0;
            for (int j = 0; j < k; ++j) {
                double& v = values[static_cast<size_t>(c + j)];
                v = style == 2 ? 0.0 : v / sum * scale;
                if (style == 1) v = std::round(v * 1000.0) / 1000.0;
            }
        }
        return values;
    }

    std::vector<double> DeterministicColumns(int size, int k) {
        std::vector<double> values(static_cast<size_t>(size), 0.0);
        for (int c = 0; c + k <= size; c += k) values[static_cast<size_t>(c + Any(k))] = 1.0;
        return values;
    }

    void SetTable(VRX_node& node) {
        VRX_nodeDefinition& definition = *node.GetDefinition();
        VRX_Dmatrix* table = nullptr;
        const int type = node.GetType();
        if ((type != DefinitionType::kCpt && type != DefinitionType::kTruthTable) ||
            definition.GetDefinition(table) != kSuccess || table == nullptr)
            return;
        const int k = definition.GetNumberOfOutcomes();
        const int size = table->GetNumberOfElements();
        // A truth table takes only columns of one 1 and zeros, and refuses the others naming the node.
        const bool deterministic = type == DefinitionType::kTruthTable && Any(3) != 0;
        const std::vector<double> values =
            deterministic ? DeterministicColumns(size, k) : RandomColumns(size, k);
        VRX_doubleArray entries;
        if ((tableStatus_ = entries.SetSize(static_cast<int>(values.size()))) != kSuccess) return;
        for (double v : values) entries.AddReserved(v);
        tableStatus_ = definition.SetDefinitionDoubles(entries);
    }

    std::mt19937 rng_;
    bool offColumns_;
    bool samplers_;
    int algorithms_;
    int tableStatus_ = kSuccess;
};

}  // namespace vovido::test
