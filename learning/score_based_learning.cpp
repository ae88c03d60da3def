// The greedy thick thinning and naive Bayes drivers: data set in, network out.
#include "learning/score_based_learning.h"

#include <cstdint>
#include <map>
#include <string>

#include "base/error_log.h"
#include "base/out_of_memory.h"
#include "base/status_codes.h"
#include "learning/background_knowledge.h"
#include "learning/dag_classifier.h"
#include "learning/data_set.h"
#include "learning/learner_settings.h"
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

// What in the data leaves a learnt node without outcomes, or nothing to learn from: no records, a
// continuous column (the scores count discrete values), or a discrete column without state names that
// no record gives a value. Empty when the data is not to blame.
std::string DataFault(const DataSet& data) {
    if (data.GetRecordCount() == 0) return "the data set has no records";
    for (int v = 0; v < data.GetVariableCount(); ++v) {
        const DataSetVariable& variable = data.GetVariable(v);
        if (!variable.discrete)
            return "column [" + data.Label(v) + "] is continuous: only discrete columns can be scored";
        if (!variable.stateNames.empty()) continue;
        bool given = false;
        for (int r = 0; r < data.GetRecordCount() && !given; ++r) given = !data.IsMissing(v, r);
        if (!given) {
            return "column [" + data.Label(v) +
                   "] has no value in any record and no state names, so its outcomes are unknown";
        }
    }
    return {};
}

// The refusal of a run that failed: what is wrong with the data when that is known, else the text.
int RefuseData(int logged, const char* name, const DataSet& data, const char* text) {
    const std::string fault = DataFault(data);
    return Refuse(logged, std::string(name) + ": " + (fault.empty() ? std::string(text) : fault));
}

// Every feature's table has a column per class state: a family past the graph's limit cannot be
// counted. Empty when each fits.
std::string ClassTableFault(const dag& graph, int c) {
    const hybrid_node& cls = *graph.node_at(c);
    if (!(cls.kind & hybrid_node::kDiscreteData)) return {};
    for (int i = -1; graph.next_active(i) == kSuccess;) {
        const hybrid_node& feature = *graph.node_at(i);
        if (i == c || !(feature.kind & hybrid_node::kDiscreteData)) continue;
        const int64_t cells = static_cast<int64_t>(cls.num_states()) * feature.num_states();
        if (cells <= kMaxFamilyCells) continue;
        return "the class [" + cls.name + "] has " + std::to_string(cls.num_states()) +
               " states: the table of [" + feature.name + "] (" + std::to_string(feature.num_states()) +
               " states) given it would have " + std::to_string(cells) + " cells, more than the limit of " +
               std::to_string(kMaxFamilyCells);
    }
    return {};
}

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

// The run both drivers share: the data into a graph, the run as one step of the caller's tracker, the
// priors (their settings checked by the caller), then `prepare` sets up the classifier (the reason when
// it cannot, else empty), and the classifier learns and its graph goes into the network.
template <class Prepare>
int LearnWithClassifier(const char* name, const char* stepText, int priorsMethod, double netWeight,
                        const DataSet& data, VRX_network& network, progress_tracker* progress,
                        Prepare&& prepare) {
    return vovido::CatchOutOfMemory([&] {
        const int logged = errorLog.GetNumberOfEntries();
        dag graph;
        if (!graph.import_data_set(data))
            return Refuse(logged, std::string(name) + ": the data set cannot be imported");
        RunStep step(graph, progress, stepText);
        if (step.status() != kSuccess) return Failed(step.status());
        SetPriors(graph, priorsMethod, netWeight);
        dag_classifier classifier;
        const std::string reason = prepare(graph, classifier);
        if (!reason.empty()) return Refuse(logged, std::string(name) + ": " + reason);
        const int result = classifier.learn();
        if (result == kProgressCancelled) return result;
        if (result != kSuccess)
            return RefuseData(logged, name, data, "no network can be learnt from this data set");
        if (CopyOrEmpty(classifier, network) != kSuccess)
            return RefuseData(logged, name, data, "the learnt network cannot be copied");
        const int closed = step.close();
        return closed == kSuccess ? kSuccess : Failed(closed);
    });
}

// The settings and the background knowledge, before anything is learnt.
std::string GreedyThickThinningFault(const GreedyThickThinningOptions& options, const DataSet& data) {
    const char* name = "greedy thick thinning";
    for (const std::string& fault :
         {MaxParentsFault(name, options.maxParents), NetWeightFault(name, options.netWeight)}) {
        if (!fault.empty()) return fault;
    }
    const std::string fault =
        KnowledgeFault(options.forcedArcs, options.forbiddenArcs, options.tiers, false, data);
    return fault.empty() ? fault : std::string(name) + ": " + fault;
}

}  // namespace

int LearnGreedyThickThinning(const GreedyThickThinningOptions& options, const DataSet& data,
                             VRX_network& network, progress_tracker* progress) {
    const int refused = vovido::CatchOutOfMemory([&] {
        const std::string fault = GreedyThickThinningFault(options, data);
        return fault.empty() ? kSuccess : LogError(errorLog, kFailure, fault.c_str(), nullptr);
    });
    if (refused != kSuccess) return refused;
    return LearnWithClassifier(
        "greedy thick thinning", "Greedy thick thinning", options.priorsMethod, options.netWeight, data,
        network, progress, [&](dag& graph, dag_classifier& classifier) -> std::string {
            // What no search can learn from is refused before the search scores a family of every pair.
            if (data.GetRecordCount() < dag::kMinSearchRecords) {
                const std::string fault = DataFault(data);
                return fault.empty() ? "too few data points" : fault;
            }
            // The constraints travel with the nodes into the classifier's copy of the graph.
            ApplyBackgroundKnowledge(graph, options.forcedArcs, options.forbiddenArcs, options.tiers);
            if (graph.check_first_round("greedy thick thinning: ") != kSuccess) return "logged";
            if (classifier.register_int("MAX_NUM_PA_GS", options.maxParents) != kSuccess ||
                classifier.set_int("model_type", 0) != kSuccess)
                return "the options cannot be set";
            classifier.set_training_data(&graph);
            return {};
        });
}

int LearnNaiveBayes(const NaiveBayesOptions& options, const DataSet& data, VRX_network& network,
                    progress_tracker* progress) {
    const std::string fault = NetWeightFault("naive bayes", options.netWeight);
    if (!fault.empty()) return LogError(errorLog, kFailure, fault.c_str(), nullptr);
    return LearnWithClassifier(
        "naive bayes", "Naive Bayes", options.priorsMethod, options.netWeight, data, network, progress,
        [&](dag& graph, dag_classifier& classifier) -> std::string {
            const int c = graph.find_node(options.classVariableId);
            if (c < 0) return "the data set has no variable named " + options.classVariableId;
            if (options.featureSelection && graph.check_class_arcs(c, "naive bayes: ") != kSuccess)
                return "logged";
            classifier.set_training_data(&graph);
            if (classifier.set_int("model_type", options.featureSelection ? 2 : 1) != kSuccess ||
                classifier.set_class_variable(c) != kSuccess)
                return "the options cannot be set";
            return ClassTableFault(graph, c);
        });
}
