#include "learning/score_based_learning.h"

#include <cstdio>
#include <map>
#include <string>

#include "base/error_log.h"
#include "base/out_of_memory.h"
#include "base/status_codes.h"
#include "learning/dag_classifier.h"
#include "learning/learning_dag.h"
#include "model/network.h"

namespace {

// Logs the reason of a failed step unless the step logged its own; answers -1.
int Refuse(int logged, const std::string& text) {
    if (errorLog.GetNumberOfEntries() == logged) LogError(errorLog, kFailure, text.c_str(), nullptr);
    return kFailure;
}

// Equivalent-sample-size priors need a positive weight: with 0 an unseen configuration has no prior
// count at all, and the score of a family cannot be computed.
int CheckNetWeight(const char* learner, int method, double weight) {
    if (method != 1 || weight > 0.0) return kSuccess;
    char text[160];
    std::snprintf(text, sizeof text, "%s: the net weight must be greater than 0, not %g", learner, weight);
    return LogError(errorLog, kFailure, text, nullptr);
}

void SetPriors(dag& graph, int method, double weight) {
    if (method == 0) {
        (void)graph.set_int_option("PARAM_PRIORS_METHOD", 2);
    } else if (method == 1) {
        (void)graph.set_int_option("PARAM_PRIORS_METHOD", 0);
        for (int i = -1; graph.next_active(i) == kSuccess;) graph.node_at(i)->equivalent_sample_size = weight;
    }
}

// A failed step answers -1; a cancelled tracker passes its own answer on.
int Failed(int result) {
    return result == kProgressCancelled ? result : kFailure;
}

// The whole run as one step of the caller's tracker, so that the inner steps add up to it.
class RunStep {
public:
    RunStep(dag& graph, progress_tracker* tracker, const char* text) : tracker_(tracker) {
        graph.share_progress(tracker);
        if (tracker_ != nullptr) {
            depth_ = tracker_->depth() < 0 ? 0 : tracker_->depth();
            status_ = tracker_->open_step(depth_, 1.0, text);
        }
    }
    int status() const { return status_; }
    int close() { return tracker_ != nullptr ? tracker_->close_step(depth_) : kSuccess; }

private:
    progress_tracker* tracker_;
    int depth_ = 0;
    int status_ = kSuccess;
};

// The learnt graph into the network; a copy that fails part way leaves the network empty.
int CopyOrEmpty(dag_classifier& classifier, VRX_network& network) {
    if (classifier.graph().copy_to_network(network) == kSuccess) return kSuccess;
    (void)network.DeleteAllNodes();
    return kFailure;
}

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

namespace {

int GreedyThickThinning(const GreedyThickThinningOptions& options, const DataSet& data, VRX_network& network,
                        progress_tracker* progress) {
    const char* name = "greedy thick thinning";
    if (CheckNetWeight(name, options.priorsMethod, options.netWeight) != kSuccess) return kFailure;
    const int logged = errorLog.GetNumberOfEntries();
    dag graph;
    if (!graph.import_data_set(data))
        return Refuse(logged, std::string(name) + ": the data set cannot be imported");
    RunStep step(graph, progress, "Greedy thick thinning");
    if (step.status() != kSuccess) return Failed(step.status());
    SetPriors(graph, options.priorsMethod, options.netWeight);
    // The constraints travel with the nodes into the classifier's copy of the graph.
    ApplyBackgroundKnowledge(graph, options.forcedArcs, options.forbiddenArcs, options.tiers);
    dag_classifier classifier;
    if (classifier.register_int("MAX_NUM_PA_GS", options.maxParents) != kSuccess ||
        classifier.set_int("model_type", 0) != kSuccess)
        return Refuse(logged, std::string(name) + ": the options cannot be set");
    classifier.set_training_data(&graph);
    const int result = classifier.learn();
    if (result == kProgressCancelled) return result;
    if (result != kSuccess)
        return Refuse(logged, std::string(name) + ": no network can be learnt from this data set");
    if (CopyOrEmpty(classifier, network) != kSuccess) {
        return Refuse(logged, std::string(name) + ": the learnt network cannot be copied");
    }
    const int closed = step.close();
    return closed == kSuccess ? kSuccess : Failed(closed);
}

int NaiveBayes(const NaiveBayesOptions& options, const DataSet& data, VRX_network& network,
               progress_tracker* progress) {
    const char* name = "naive bayes";
    if (CheckNetWeight(name, options.priorsMethod, options.netWeight) != kSuccess) return kFailure;
    const int logged = errorLog.GetNumberOfEntries();
    dag graph;
    if (!graph.import_data_set(data))
        return Refuse(logged, std::string(name) + ": the data set cannot be imported");
    RunStep step(graph, progress, "Naive Bayes");
    if (step.status() != kSuccess) return Failed(step.status());
    SetPriors(graph, options.priorsMethod, options.netWeight);
    const int c = graph.find_node(options.classVariableId);
    if (c < 0) {
        return Refuse(logged,
                      std::string(name) + ": the data set has no variable named " + options.classVariableId);
    }
    dag_classifier classifier;
    classifier.set_training_data(&graph);
    if (classifier.set_int("model_type", options.featureSelection ? 2 : 1) != kSuccess ||
        classifier.set_class_variable(c) != kSuccess) {
        return Refuse(logged, std::string(name) + ": the options cannot be set");
    }
    const int result = classifier.learn();
    if (result == kProgressCancelled) return result;
    if (result != kSuccess)
        return Refuse(logged, std::string(name) + ": no network can be learnt from this data set");
    if (CopyOrEmpty(classifier, network) != kSuccess) {
        return Refuse(logged, std::string(name) + ": the learnt network cannot be copied");
    }
    const int closed = step.close();
    return closed == kSuccess ? kSuccess : Failed(closed);
}

}  // namespace

int LearnGreedyThickThinning(const GreedyThickThinningOptions& options, const DataSet& data,
                             VRX_network& network, progress_tracker* progress) {
    return vovido::CatchOutOfMemory([&] { return GreedyThickThinning(options, data, network, progress); });
}

int LearnNaiveBayes(const NaiveBayesOptions& options, const DataSet& data, VRX_network& network,
                    progress_tracker* progress) {
    return vovido::CatchOutOfMemory([&] { return NaiveBayes(options, data, network, progress); });
}
