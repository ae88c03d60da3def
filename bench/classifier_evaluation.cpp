// Evaluation of classifiers on records drawn from the alarm network, one core: 10-fold cross-validation
// of naive Bayes (with and without feature selection) and the ROC table of its scores.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_check.h"
#include "learning/dag_classifier.h"
#include "learning/data_set.h"
#include "learning/learning_dag.h"
#include "model/network.h"
#include "tests/support/sampled_data.h"

namespace {

using vovido::RequireSuccess;

void BM_CrossValidateNaiveBayesAlarm(benchmark::State& state) {
    VRX_network net;
    RequireSuccess(net.ReadFile((std::string(VOVIDO_NETWORKS_DIR) + "/alarm.xvrx").c_str()), "reading alarm");
    DataSet data;
    RequireSuccess(vovido::test::SampleRecords(net, 10000, 2024, data) ? kSuccess : kFailure, "sampling");
    dag graph;
    RequireSuccess(graph.import_data_set(data) ? kSuccess : kFailure, "import");
    for (auto _ : state) {
        dag_classifier classifier;
        classifier.set_training_data(&graph);
        classifier.set_test_data(&graph);
        RequireSuccess(classifier.set_int("model_type", static_cast<int>(state.range(0))), "model type");
        RequireSuccess(classifier.set_class_variable(graph.find_node("LVFAILURE")), "class");
        RequireSuccess(classifier.set_positive_state(1), "positive state");
        RequireSuccess(classifier.cross_validate(10), "cross-validation");
        std::vector<std::vector<double>> table;
        RequireSuccess(classifier.roc(table, 20, nullptr), "ROC");
        benchmark::DoNotOptimize(classifier.accuracy());
    }
}
BENCHMARK(BM_CrossValidateNaiveBayesAlarm)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
