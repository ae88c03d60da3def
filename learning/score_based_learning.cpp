#include "learning/score_based_learning.h"

#include <map>

#include "base/status_codes.h"
#include "learning/dag_classifier.h"
#include "learning/learning_dag.h"

namespace {

void SetPriors(dag& graph, int method, double weight) {
    if (method == 0) {
        (void)graph.set_int_option("PARAM_PRIORS_METHOD", 2);
    } else if (method == 1) {
        (void)graph.set_int_option("PARAM_PRIORS_METHOD", 0);
        for (int i = -1; graph.next_active(i) == kSuccess;) graph.node_at(i)->equivalent_sample_size = weight;
    }
}

int Finish(int result, int cancelled) { return result == kProgressCancelled ? cancelled : kFailure; }

}  // namespace

void ApplyBackgroundKnowledge(dag& graph, const std::vector<std::pair<int, int>>& forced,
                              const std::vector<std::pair<int, int>>& forbidden,
                              const std::vector<std::pair<int, int>>& tiers) {
    for (const auto& arc : forced) (void)graph.force_arc(arc.first, arc.second);
    for (const auto& arc : forbidden) (void)graph.forbid_arc(arc.first, arc.second);
    std::map<int, std::vector<int>> groups;
    for (const auto& entry : tiers) groups[entry.second].push_back(entry.first);
    const std::vector<int>* previous = nullptr;
    for (const auto& group : groups) {
        if (previous != nullptr) {
            for (int u : *previous) {
                for (int v : group.second) (void)graph.order_pair(u, v);
            }
        }
        previous = &group.second;
    }
    (void)graph.close_order();
}

int LearnGreedyThickThinning(const GreedyThickThinningOptions& options, const DataSet& data,
                             VRX_network& network, progress_tracker* progress) {
    dag graph;
    if (!graph.import_data_set(data)) return kFailure;
    graph.share_progress(progress);
    SetPriors(graph, options.priorsMethod, options.netWeight);
    // The constraints travel with the nodes into the classifier's copy of the graph.
    ApplyBackgroundKnowledge(graph, options.forcedArcs, options.forbiddenArcs, options.tiers);
    dag_classifier classifier;
    classifier.register_int("MAX_NUM_PA_GS", options.maxParents);
    (void)classifier.set_int("model_type", 0);
    classifier.set_training_data(&graph);
    const int result = classifier.learn();
    if (result != kSuccess) return Finish(result, result);
    return classifier.graph().copy_to_network(network) == kSuccess ? kSuccess : kFailure;
}

int LearnNaiveBayes(const NaiveBayesOptions& options, const DataSet& data, VRX_network& network,
                    progress_tracker* progress) {
    dag graph;
    if (!graph.import_data_set(data)) return kFailure;
    graph.share_progress(progress);
    SetPriors(graph, options.priorsMethod, options.netWeight);
    const int c = graph.find_node(options.classVariableId);
    if (c < 0) return kFailure;
    dag_classifier classifier;
    classifier.set_training_data(&graph);
    (void)classifier.set_int("model_type", options.featureSelection ? 2 : 1);
    if (classifier.set_class_variable(c) != kSuccess) return kFailure;
    const int result = classifier.learn();
    if (result != kSuccess) return Finish(result, result);
    return classifier.graph().copy_to_network(network) == kSuccess ? kSuccess : kFailure;
}
