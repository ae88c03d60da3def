// Sections of learning: PC, EM, greedy thick thinning, naive Bayes and the learning graph's searches,
// each with its settings at, inside and past their documented values, on records drawn from the
// reference networks under fixed seeds.
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "base/random_generator.h"
#include "learning/data_set.h"
#include "learning/em_learning.h"
#include "learning/learning_dag.h"
#include "learning/pattern.h"
#include "learning/pc.h"
#include "learning/score_based_learning.h"
#include "model/network.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"
#include "tests/support/missing_data.h"
#include "tests/support/reference_networks.h"
#include "tests/support/sampled_data.h"

namespace vovido::compare {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
using Pairs = std::vector<std::pair<int, int>>;

// How a data set is made: records of a reference network, or a few hand-made sets a learner refuses.
struct DataRecipe {
    const char* name;
    const char* network;  // records drawn from it; null for the hand-made sets below
    int records;
    double hidden;  // share of cells made missing
};

const DataRecipe kDiscreteData[] = {
    {"asia-500", "asia", 500, 0.0}, {"alarm-1000", "alarm", 1000, 0.0}, {"asia-missing", "asia", 300, 0.1},
    {"asia-2", "asia", 2, 0.0},     {"constant", nullptr, 0, 0.0},      {"continuous", nullptr, 1, 0.0},
    {"mixed", nullptr, 2, 0.0},
};

// Three continuous columns, y depending on x and z on y, from the engine's generator.
void ContinuousRecords(DataSet& data, bool withDiscrete) {
    RandomGenerator random(7);
    auto normal = [&] {
        double sum = -6.0;
        for (int k = 0; k < 12; ++k) sum += random.NextFraction();
        return sum;
    };
    for (const char* name : {"x", "y", "z"}) (void)data.AddFloatVariable(name, -1e30f);
    if (withDiscrete) (void)data.AddIntVariable("d", -1);
    for (int r = 0; r < 300; ++r) {
        data.AddEmptyRecord();
        const double x = normal(), y = 0.8 * x + normal(), z = 0.6 * y + normal();
        data.SetFloat(0, r, static_cast<float>(x));
        data.SetFloat(1, r, static_cast<float>(y));
        data.SetFloat(2, r, static_cast<float>(z));
        if (withDiscrete) data.SetInt(3, r, r % 2);
    }
}

bool MakeData(const DataRecipe& recipe, DataSet& data) {
    if (recipe.network != nullptr) {
        VRX_network net;
        if (net.ReadFile(test::ReferencePath(recipe.network, ".xvrx").c_str()) != 0) return false;
        if (!test::SampleRecords(net, recipe.records, 20261209u, data)) return false;
        if (recipe.hidden > 0.0) test::HideValues(data, recipe.hidden, 11u);
        return true;
    }
    const std::string name = recipe.name;
    if (name == "constant") {
        for (const char* id : {"a", "b", "class"}) {
            (void)data.AddIntVariable(id, -1);
            (void)data.SetStateNames(data.GetVariableCount() - 1, {"s0", "s1"});
        }
        for (int r = 0; r < 20; ++r) {
            data.AddEmptyRecord();
            data.SetInt(0, r, r % 2);
            data.SetInt(1, r, 1);
            data.SetInt(2, r, (r / 3) % 2);
        }
        return true;
    }
    ContinuousRecords(data, name == "mixed");
    return true;
}

// The learnt pattern's marks, row by row.
std::string PatternValues(const Pattern& pattern) {
    std::vector<double> marks;
    for (int i = 0; i < pattern.GetSize(); ++i) {
        for (int j = 0; j < pattern.GetSize(); ++j) marks.push_back(pattern.GetEdge(i, j));
    }
    std::string out;
    AppendNumbers(out, "marks", marks);
    return out;
}

struct Knowledge {
    const char* name;
    Pairs forced, forbidden, tiers;
};

// Background knowledge over the first columns; the last names a column no data set has.
const Knowledge kKnowledge[] = {
    {"forced", {{0, 1}, {2, 3}}, {}, {}},
    {"forbidden", {}, {{1, 0}, {3, 2}, {4, 5}}, {}},
    {"tiers", {}, {}, {{0, 0}, {1, 2}, {2, 5}, {3, 5}}},
    {"out-of-range", {{0, 999}, {-1, 1}}, {{999, 0}}, {{999, 1}, {-2, 0}}},
};

void PcRuns(const std::string& dataName, const DataSet& data) {
    const std::string base = "learning:pc:" + dataName;
    auto run = [&](const std::string& key, const PcOptions& options) {
        (void)RecordCall(false, base + ":" + key, [&](std::string& values) {
            Pattern pattern;
            const int status = LearnPc(options, data, pattern, nullptr);
            values = PatternValues(pattern);
            return status;
        });
    };
    for (int adjacency : {-1, 0, 1, 2, 8, 1000}) {
        PcOptions options;
        options.maxAdjacency = adjacency;
        run("maxAdjacency=" + std::to_string(adjacency), options);
    }
    for (double significance : {0.0, 1e-6, 0.05, 0.5, 1.0, 1.5, -0.1, kNaN}) {
        // Keeping nearly every edge, the tests over the larger networks' columns take seconds.
        if (significance >= 0.5 && significance <= 1.0 && data.GetVariableCount() > 10) continue;
        PcOptions options;
        options.significance = significance;
        std::string text;
        AppendNumber(text, significance);
        run("significance=" + text, options);
    }
    for (const Knowledge& knowledge : kKnowledge) {
        PcOptions options;
        options.forcedArcs = knowledge.forced;
        options.forbiddenArcs = knowledge.forbidden;
        options.tiers = knowledge.tiers;
        run(std::string("knowledge=") + knowledge.name, options);
    }
    PcOptions excluded;
    excluded.excluded = {0, 1, 999};
    run("excluded", excluded);
}

template <typename Options, typename Learn>
void RecordNetworkLearning(const std::string& key, const Options& options, Learn&& learn) {
    (void)RecordCall(false, key, [&](std::string& values) {
        VRX_network net;
        const int status = learn(options, net);
        values = NetworkModel(net);
        return status;
    });
}

void GreedyRuns(const std::string& dataName, const DataSet& data) {
    const std::string base = "learning:greedy:" + dataName;
    auto learn = [&](const GreedyThickThinningOptions& options, VRX_network& net) {
        return LearnGreedyThickThinning(options, data, net);
    };
    for (int method : {-1, 0, 1, 2, 99}) {
        for (double weight : {1.0, 10.0}) {
            GreedyThickThinningOptions options;
            options.priorsMethod = method;
            options.netWeight = weight;
            std::string key = base + ":priorsMethod=" + std::to_string(method) + ":netWeight=";
            AppendNumber(key, weight);
            RecordNetworkLearning(key, options, learn);
        }
    }
    for (double weight : {0.0, -1.0, 1e-9, 1e9, kNaN}) {
        GreedyThickThinningOptions options;
        options.priorsMethod = 1;
        options.netWeight = weight;
        std::string key = base + ":priorsMethod=1:netWeight=";
        AppendNumber(key, weight);
        RecordNetworkLearning(key, options, learn);
    }
    for (int parents : {-1, 0, 1, 2, 5, 100}) {
        GreedyThickThinningOptions options;
        options.maxParents = parents;
        RecordNetworkLearning(base + ":maxParents=" + std::to_string(parents), options, learn);
    }
    for (const Knowledge& knowledge : kKnowledge) {
        GreedyThickThinningOptions options;
        options.forcedArcs = knowledge.forced;
        options.forbiddenArcs = knowledge.forbidden;
        options.tiers = knowledge.tiers;
        RecordNetworkLearning(base + ":knowledge=" + knowledge.name, options, learn);
    }
}

void NaiveBayesRuns(const std::string& dataName, const DataSet& data) {
    const std::string base = "learning:naive-bayes:" + dataName;
    auto learn = [&](const NaiveBayesOptions& options, VRX_network& net) {
        return LearnNaiveBayes(options, data, net);
    };
    // The class: the data set's last column, "class" (only the hand-made sets have it) and none.
    const std::string last = data.GetVariableCount() > 0 ? data.GetVariable(data.GetVariableCount() - 1).name
                                                         : std::string("class");
    std::vector<std::string> classIds{last, "no such column"};
    if (last != "class") classIds.emplace_back("class");
    for (const std::string& classId : classIds) {
        for (bool selection : {false, true}) {
            for (int method : {-1, 0, 1, 2, 99}) {
                NaiveBayesOptions options;
                options.classVariableId = classId;
                options.featureSelection = selection;
                options.priorsMethod = method;
                RecordNetworkLearning(base + ":class=" + classId + ":selection=" + std::to_string(selection) +
                                          ":priorsMethod=" + std::to_string(method),
                                      options, learn);
            }
        }
    }
    for (double weight : {0.0, -1.0, 10.0, kNaN}) {
        NaiveBayesOptions options;
        options.classVariableId = last;
        options.priorsMethod = 1;
        options.netWeight = weight;
        std::string key = base + ":priorsMethod=1:netWeight=";
        AppendNumber(key, weight);
        RecordNetworkLearning(key, options, learn);
    }
}

// EM of the reference network's own tables (or random ones) from its records with cells hidden.
void EmRuns(const std::string& network, double hidden) {
    DataSet data;
    VRX_network source;
    if (source.ReadFile(test::ReferencePath(network, ".xvrx").c_str()) != 0 ||
        !test::SampleRecords(source, 300, 20261210u, data))
        return;
    if (hidden > 0.0) test::HideValues(data, hidden, 13u);
    std::string holder;
    std::vector<DataMatch> matches;
    const std::string base = "learning:em:" + network + ":hidden=" + std::to_string(hidden);
    if (RecordCall(false, base + ":match",
                   [&](std::string&) { return data.MatchNetwork(source, matches, holder); }) != 0)
        return;
    for (int sampleSize : {-1, 0, 10, 1000}) {
        for (bool randomize : {false, true}) {
            for (bool relevance : {false, true}) {
                EmOptions options;
                options.eqSampleSize = sampleSize;
                options.randomizeParameters = randomize;
                options.relevance = relevance;
                const std::string key = base + ":eqSampleSize=" + std::to_string(sampleSize) +
                                        ":randomize=" + std::to_string(randomize) +
                                        ":relevance=" + std::to_string(relevance);
                // Random starting tables are drawn from a generator seeded by the clock: only the status
                // of such a run is compared.
                (void)RecordCall(false, key, [&](std::string& values) {
                    VRX_network net;
                    if (net.ReadFile(test::ReferencePath(network, ".xvrx").c_str()) != 0) return -1;
                    double logLik = 0.0;
                    const int status = LearnEm(options, data, net, matches, {}, &logLik, nullptr);
                    if (randomize) return status;
                    values = NetworkModel(net);
                    AppendNumbers(values, "logLik", {logLik});
                    return status;
                });
            }
        }
    }
    // A fixed node keeps its table; a node handle that no node has.
    for (const std::pair<const char*, std::vector<int>>& fixed :
         {std::pair<const char*, std::vector<int>>{"first", {source.GetFirstNode()}}, {"bad", {-5}}}) {
        EmOptions options;
        options.randomizeParameters = false;
        (void)RecordCall(false, base + ":fixed=" + fixed.first, [&](std::string& values) {
            VRX_network net;
            if (net.ReadFile(test::ReferencePath(network, ".xvrx").c_str()) != 0) return -1;
            const int status = LearnEm(options, data, net, matches, fixed.second, nullptr, nullptr);
            values = NetworkModel(net);
            return status;
        });
    }
}

// The searches of the learning graph from the empty graph: arcs and score after each.
void SearchRuns(const std::string& dataName, const DataSet& data) {
    const std::string base = "learning:search:" + dataName;
    // Random restarts draw from a generator whose state the process shares: only their status is compared.
    auto run = [&](const std::string& name, bool random, auto&& search) {
        (void)RecordCall(false, base + ":" + name, [&](std::string& values) {
            dag graph;
            if (!graph.import_data_set(data)) return -1;
            const int status = search(graph);
            if (random) return status;
            std::vector<int> matrix;
            graph.snapshot(matrix);
            AppendNumbers(values, "arcs", std::vector<double>(matrix.begin(), matrix.end()));
            AppendNumbers(values, "score", {graph.score()});
            return status;
        });
    };
    for (int limit : {-1, 0, 1, 3, 100}) {
        run("thicken-thin:" + std::to_string(limit), false, [&](dag& graph) {
            const int status = graph.thicken(limit);
            return status != 0 ? status : graph.thin(limit);
        });
    }
    run("greedy", false, [](dag& graph) { return graph.greedy_search(); });
    for (int count : {0, 1, 3}) {
        run("restarts:" + std::to_string(count), count > 1,
            [&](dag& graph) { return graph.search_restarts(count); });
    }
    run("best-first", false, [](dag& graph) { return graph.search_best_first(); });
}

}  // namespace

// WHICH: "pc", "greedy", "naive-bayes", "search" over every data set, or "em".
void LearningSection(const std::string& which) {
    if (which == "em") {
        for (const char* network : {"asia", "child"}) {
            for (double hidden : {0.0, 0.2}) EmRuns(network, hidden);
        }
        return;
    }
    for (const DataRecipe& recipe : kDiscreteData) {
        DataSet data;
        if (!MakeData(recipe, data)) {
            PrintAnswer(false, "learning:" + which + ":" + recipe.name + ":data", -1, 0.0, "");
            continue;
        }
        if (which == "pc") PcRuns(recipe.name, data);
        if (which == "greedy") GreedyRuns(recipe.name, data);
        if (which == "naive-bayes") NaiveBayesRuns(recipe.name, data);
        if (which == "search") SearchRuns(recipe.name, data);
    }
}

}  // namespace vovido::compare
