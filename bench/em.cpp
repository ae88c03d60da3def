// EM on records drawn from the alarm network with 20% of the cells hidden: one iteration (E-step over
// every record and M-step, one core), a whole run from uniform tables, whose log-likelihood and
// posteriors on the alarm cases are checked against the true network's, and whole runs from random
// starts with a record that observes nothing.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/random_generator.h"
#include "bench/bench_check.h"
#include "learning/data_set.h"
#include "learning/em_learning.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_value.h"
#include "tests/support/reference_networks.h"
#include "tests/support/sampled_data.h"

namespace {

using vovido::RequireSuccess;

void Require(bool ok, const char* step) {
    RequireSuccess(ok ? kSuccess : kFailure, step);
}

struct AlarmData {
    VRX_network truth;
    DataSet data;
    std::vector<DataMatch> matches;
    int patterns = 0;  // distinct records after hiding

    explicit AlarmData(int records) {
        RequireSuccess(truth.ReadFile(vovido::test::ReferencePath("alarm", ".xvrx").c_str()),
                       "reading alarm");
        Require(vovido::test::SampleRecords(truth, records, 2024, data), "sampling alarm");
        RandomGenerator hide(7);
        std::set<std::vector<int>> distinct;
        for (int r = 0; r < data.GetRecordCount(); ++r) {
            std::vector<int> row;
            for (int v = 0; v < data.GetVariableCount(); ++v) {
                if (hide.NextFraction() < 0.2) data.SetInt(v, r, -1);
                row.push_back(data.IsMissing(v, r) ? -1 : data.GetInt(v, r));
            }
            distinct.insert(row);
        }
        patterns = static_cast<int>(distinct.size());
        int column = 0;
        for (int h = truth.GetFirstNode(); h >= 0; h = truth.GetNextNode(h))
            matches.push_back({h, 0, column++});
    }

    // A copy of the true network with uniform tables.
    void UniformCopy(VRX_network& out) const {
        RequireSuccess(out.CopyFrom(truth, false), "copying alarm");
        for (int h = out.GetFirstNode(); h >= 0; h = out.GetNextNode(h)) {
            VRX_Dmatrix* table = nullptr;
            RequireSuccess(out.GetNode(h)->GetDefinition()->GetDefinition(table), "reading a table");
            table->FillWith(1.0);
            table->Normalize();
        }
    }
};

const AlarmData& Alarm() {
    static const AlarmData data(10000);
    return data;
}

// Stops the run once the first M-step is done: progress is asked once per distinct record, then once
// after the M-step.
class StopAfterFirstIteration : public EmProgress {
public:
    explicit StopAfterFirstIteration(int calls) : left_(calls) {}
    bool Continue() override { return --left_ > 0; }

private:
    int left_;
};

void BM_EmIterationAlarm(benchmark::State& state) {
    const AlarmData& alarm = Alarm();
    EmOptions options;
    options.randomizeParameters = false;
    for (auto _ : state) {
        state.PauseTiming();
        VRX_network net;
        alarm.UniformCopy(net);
        StopAfterFirstIteration stop(alarm.patterns + 1);
        state.ResumeTiming();
        const int rc = LearnEm(options, alarm.data, net, alarm.matches, {}, nullptr, &stop);
        Require(rc == kFailure, "one iteration stopped by the progress object");
    }
    state.counters["records"] = alarm.data.GetRecordCount();
    state.counters["distinct"] = alarm.patterns;
}
BENCHMARK(BM_EmIterationAlarm)->Unit(benchmark::kMillisecond);

double LogLikelihood(VRX_network& net, const AlarmData& alarm) {
    double sum = 0.0;
    for (int r = 0; r < alarm.data.GetRecordCount(); ++r) {
        net.ClearAllEvidence();
        for (const DataMatch& m : alarm.matches) {
            if (alarm.data.IsMissing(m.column, r)) continue;
            RequireSuccess(net.GetNode(m.node)->GetValue()->SetEvidence(alarm.data.GetInt(m.column, r)),
                           "evidence");
        }
        double p = 0.0;
        Require(net.CalcPropEvidence(&p, false), "probability of evidence");
        sum += std::log(p);
    }
    net.ClearAllEvidence();
    return sum;
}

// Largest difference of the posteriors of the two networks over the alarm cases.
double PosteriorDeviation(VRX_network& a, VRX_network& b) {
    double worst = 0.0;
    for (const vovido::test::ReferenceCase& item : vovido::test::ReadReferenceCases("alarm")) {
        for (VRX_network* net : {&a, &b}) {
            net->ClearAllEvidence();
            Require(vovido::test::SetCaseEvidence(*net, item), "case evidence");
            RequireSuccess(net->UpdateBeliefs(), "beliefs");
        }
        for (int h = a.GetFirstNode(); h >= 0; h = a.GetNextNode(h)) {
            VRX_Dmatrix* x = nullptr;
            VRX_Dmatrix* y = nullptr;
            RequireSuccess(a.GetNode(h)->GetValue()->GetValue(x), "beliefs of a");
            RequireSuccess(b.GetNode(h)->GetValue()->GetValue(y), "beliefs of b");
            for (int k = 0; k < x->GetNumberOfElements(); ++k)
                worst = std::fmax(worst, std::fabs((*x)[k] - (*y)[k]));
        }
    }
    return worst;
}

void BM_EmRunAlarm(benchmark::State& state) {
    const AlarmData& alarm = Alarm();
    EmOptions options;
    options.randomizeParameters = false;
    VRX_network net;
    double logLik = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        alarm.UniformCopy(net);
        state.ResumeTiming();
        RequireSuccess(LearnEm(options, alarm.data, net, alarm.matches, {}, &logLik, nullptr), "EM on alarm");
    }
    VRX_network truth(alarm.truth);
    const double trueLogLik = LogLikelihood(truth, alarm);
    const double learntLogLik = LogLikelihood(net, alarm);
    const double deviation = PosteriorDeviation(truth, net);
    state.counters["trueLogLik"] = trueLogLik;
    state.counters["learntLogLik"] = learntLogLik;
    state.counters["posteriorDeviation"] = deviation;
    Require(learntLogLik >= trueLogLik * 1.01, "log-likelihood within 1% of the true network's");
    Require(deviation <= 0.05, "posteriors within 0.05 of the true network's");
}
BENCHMARK(BM_EmRunAlarm)->Unit(benchmark::kMillisecond)->Iterations(1);

// A whole run from EM's own random start on 2,000 of the records with one record that observes nothing
// added: its probability is 1 up to rounding, and the run must still succeed.
void BM_EmRunAlarmEmptyRecord(benchmark::State& state) {
    static AlarmData alarm(2000);
    if (alarm.data.GetRecordCount() == 2000) alarm.data.AddEmptyRecord();
    VRX_network net;
    double logLik = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        alarm.UniformCopy(net);
        state.ResumeTiming();
        RequireSuccess(LearnEm(EmOptions(), alarm.data, net, alarm.matches, {}, &logLik, nullptr),
                       "EM from a random start with an empty record");
    }
    VRX_network truth(alarm.truth);
    const double trueLogLik = LogLikelihood(truth, alarm);
    const double learntLogLik = LogLikelihood(net, alarm);
    state.counters["trueLogLik"] = trueLogLik;
    state.counters["learntLogLik"] = learntLogLik;
    Require(learntLogLik >= trueLogLik * 1.02, "log-likelihood within 2% of the true network's");
}
BENCHMARK(BM_EmRunAlarmEmptyRecord)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
