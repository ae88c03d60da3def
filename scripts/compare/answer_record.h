#pragma once
// The lines the comparison driver prints, one per answer, tab-separated:
//     answer KIND KEY STATUS MILLISECONDS CPU-MILLISECONDS VALUES FIRST-LOG-LINE
// KIND is "exact" (deterministic) or "sampled" (drawn under a fixed seed), KEY names the input and the
// question, CPU-MILLISECONDS the process's CPU time (every thread's) over the call, VALUES is "node=v,v,...
// node=..." (empty for a refusal). compare-commit.sh joins the lines of two builds by KEY.

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "definitions/continuous_values.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"

namespace vovido::compare {

// The wall and CPU time of a call in milliseconds; a plain number is a wall time without CPU time.
struct Elapsed {
    Elapsed(double wallMs = 0.0) : wall(wallMs) {}  // NOLINT: 0.0 is "not timed"
    Elapsed(double wallMs, double cpuMs) : wall(wallMs), cpu(cpuMs) {}
    double wall;
    double cpu = 0.0;
};

// Wall time since construction, and the process's CPU time (user and system, every thread), which a busy
// machine disturbs far less.
class Stopwatch {
public:
    double Milliseconds() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
    }
    Elapsed Times() const { return {Milliseconds(), CpuMilliseconds() - cpuStart_}; }

private:
    static double CpuMilliseconds() {
        timespec t{};
        if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t) != 0) return 0.0;
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    }
    double cpuStart_ = CpuMilliseconds();
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// The first entry of the error log on one line, empty when there is none.
inline std::string FirstLogLine() {
    if (errorLog.GetNumberOfEntries() == 0) return {};
    std::string line = errorLog.GetMessage(0);
    for (char& c : line) {
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    }
    return line;
}

inline void AppendNumber(std::string& out, double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);
    out += text;
}

inline void AppendNumbers(std::string& out, const char* name, const std::vector<double>& values) {
    if (!out.empty()) out += ' ';
    out += name;
    out += '=';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out += ',';
        AppendNumber(out, values[i]);
    }
    if (values.empty()) out += '-';
}

// What the last update left in every node, in handle order: beliefs or expected utilities, the mean and
// deviation of a continuous node (with the interval beliefs of an equation node), "-" where there is none.
inline std::string NetworkValues(VRX_network& net) {
    std::string out;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_nodeValue* value = net.GetNode(h)->GetValue();
        if (!out.empty()) out += ' ';
        out += net.GetNode(h)->GetId();
        out += '=';
        const size_t start = out.size();
        if (value == nullptr) {
        } else if (value->GetType() == ValueType::kEqEvaluation) {
            auto& eq = static_cast<VRX_valEqEvaluation&>(*value);
            AppendNumber(out, eq.GetMean());
            out += ',';
            AppendNumber(out, eq.GetStdDev());
            for (double p : eq.GetIntervalBeliefs()) {
                out += ',';
                AppendNumber(out, p);
            }
        } else if (value->GetType() == ValueType::kContinuous) {
            auto& continuous = static_cast<VRX_valcontinuous&>(*value);
            AppendNumber(out, continuous.GetMean());
            out += ',';
            AppendNumber(out, continuous.GetStdDev());
        } else {
            VRX_Dmatrix* matrix = nullptr;
            if (value->GetValue(matrix) == 0 && matrix != nullptr) {
                for (int i = 0; i < matrix->GetNumberOfElements(); ++i) {
                    if (i > 0) out += ',';
                    AppendNumber(out, (*matrix)[i]);
                }
            }
        }
        if (out.size() == start) out += '-';
    }
    return out;
}

// What a learner or an edit leaves in the network, node by node in handle order: the parent count, the
// parent handles, the outcome count and the definition's table.
inline std::string NetworkModel(VRX_network& net) {
    std::vector<double> numbers;
    std::string out;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        const VRX_intArray& parents = net.GetParents(h);
        VRX_nodeDefinition* def = net.GetNode(h)->GetDefinition();
        numbers.assign(1, parents.GetCount());
        for (int k = 0; k < parents.GetCount(); ++k) numbers.push_back(parents[k]);
        numbers.push_back(def->GetNumberOfOutcomes());
        VRX_Dmatrix* table = nullptr;
        if (def->GetDefinition(table) == 0 && table != nullptr) {
            for (int i = 0; i < table->GetNumberOfElements(); ++i) numbers.push_back((*table)[i]);
        }
        AppendNumbers(out, net.GetNode(h)->GetId(), numbers);
    }
    return out;
}

inline void PrintAnswer(bool sampled, const std::string& key, int status, Elapsed elapsed,
                        const std::string& values) {
    std::printf("answer\t%s\t%s\t%d\t%.3f\t%.3f\t%s\t%s\n", sampled ? "sampled" : "exact", key.c_str(),
                status, elapsed.wall, elapsed.cpu, status == 0 ? values.c_str() : "", FirstLogLine().c_str());
    std::fflush(stdout);
}

// Runs a call that answers its status and writes its values (the log emptied first), and prints both.
template <typename Call>
int RecordCall(bool sampled, const std::string& key, Call&& call) {
    errorLog.Flush();
    std::string values;
    const Stopwatch watch;
    const int status = call(values);
    PrintAnswer(sampled, key, status, watch.Times(), values);
    return status;
}

// Runs the update (the log emptied first) and prints its status, time and the network's values.
template <typename Call>
int RecordUpdate(VRX_network& net, bool sampled, const std::string& key, Call&& call) {
    errorLog.Flush();
    const Stopwatch watch;
    const int status = call();
    const Elapsed elapsed = watch.Times();
    PrintAnswer(sampled, key, status, elapsed, status == 0 ? NetworkValues(net) : std::string());
    return status;
}

}  // namespace vovido::compare
