// Cutting continuous columns into intervals by frequency, width or merged means.
#include "learning/discretization.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "base/status_codes.h"
#include "learning/learning_node.h"

int cut_values(const std::vector<double>& values, int method, int levels, std::vector<double>& thresholds,
               std::vector<double>& means) {
    std::vector<double> sorted;
    sorted.reserve(values.size());
    for (double v : values) {
        if (v != kMissingContinuousValue) sorted.push_back(v);
    }
    std::sort(sorted.begin(), sorted.end());
    const int m = static_cast<int>(sorted.size());
    if (levels < 2 || m == 0) return kFailure;
    // Group g holds sorted[begin[g] .. begin[g + 1]).
    std::vector<int> begin;
    if (method == 0) {
        if (m / levels < 1) return kFailure;
        const int per = m / levels, rest = m % levels;
        for (int g = 0, at = 0; g < levels; ++g) {
            begin.push_back(at);
            at += per + (g < rest ? 1 : 0);
        }
    } else if (method == 1) {
        if (m / levels < 1) return kFailure;
        const double lo = sorted.front(), w = (sorted.back() - lo) / levels;
        int at = 0;
        for (int g = 0; g < levels; ++g) {
            begin.push_back(at);
            if (g == levels - 1) break;
            while (at < m && sorted[at] <= lo + (g + 1) * w) ++at;
        }
        // Empty groups (equal values, wide gaps) are dropped: every threshold then lies between values.
        std::vector<int> kept;
        for (int g = 0; g < levels; ++g) {
            const int end = g + 1 < levels ? begin[g + 1] : m;
            if (end > begin[g]) kept.push_back(begin[g]);
        }
        begin = kept;
    } else if (method == 2) {
        if (m <= levels) return kFailure;
        std::vector<double> sum(sorted.begin(), sorted.end());
        std::vector<int> count(m, 1);
        for (int g = 0; g < m; ++g) begin.push_back(g);
        while (static_cast<int>(begin.size()) > levels) {
            int best = 0;
            double gap = 0.0;
            for (size_t g = 0; g + 1 < begin.size(); ++g) {
                const double d = sum[g + 1] / count[g + 1] - sum[g] / count[g];
                if (g == 0 || d < gap) {
                    gap = d;
                    best = static_cast<int>(g);
                }
            }
            sum[best] += sum[best + 1];
            count[best] += count[best + 1];
            sum.erase(sum.begin() + best + 1);
            count.erase(count.begin() + best + 1);
            begin.erase(begin.begin() + best + 1);
        }
    } else {
        return kFailure;
    }
    const int n = static_cast<int>(begin.size());
    thresholds.assign(1, sorted[begin[0]]);
    means.clear();
    for (int g = 0; g < n; ++g) {
        const int end = g + 1 < n ? begin[g + 1] : m;
        double s = 0.0;
        for (int i = begin[g]; i < end; ++i) s += sorted[i];
        means.push_back(s / (end - begin[g]));
        thresholds.push_back(g + 1 < n ? (sorted[end - 1] + sorted[end]) * 0.5 : sorted[m - 1] * 1.0000001);
    }
    return kSuccess;
}

int interval_of(const std::vector<double>& thresholds, double value) {
    const int c = static_cast<int>(thresholds.size());
    if (c <= 1) return -1;
    for (int i = 1; i < c; ++i) {
        if (thresholds[i] >= value) return i - 1;
    }
    return c - 2;
}

std::string interval_name(double low, double high) {
    std::string name;
    for (double t : {low, high}) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", static_cast<double>(static_cast<float>(t)));
        if (t > 0) name += 'p';
        name += text;
    }
    for (char& ch : name) {
        if (ch == '.') ch = '_';
        if (ch == '-') ch = 'm';
    }
    return name;
}

int discretize(hybrid_node& node) {
    if (!node.values || node.values->empty()) return kOutOfRange;
    std::vector<double> thresholds, means;
    const int result =
        cut_values(*node.values, node.discrete_method, node.discrete_levels, thresholds, means);
    if (result != kSuccess) return result;
    node.thresholds = thresholds;
    node.means = means;
    node.used_method = node.discrete_method;
    std::vector<int32_t> column(node.values->size(), kMissingLearningValue);
    for (size_t r = 0; r < column.size(); ++r) {
        const double v = (*node.values)[r];
        if (v != kMissingContinuousValue) column[r] = interval_of(thresholds, v);
    }
    node.data = std::make_shared<const std::vector<int32_t>>(std::move(column));
    node.state_names.clear();
    for (size_t i = 0; i + 1 < thresholds.size(); ++i)
        node.state_names.push_back(interval_name(thresholds[i], thresholds[i + 1]));
    if (node.state_names.size() < 2) node.state_names.push_back("_unobserved");
    node.kind |= hybrid_node::kDiscretePart | hybrid_node::kDiscreteData;
    node.kind &= ~hybrid_node::kContinuousData;
    return kSuccess;
}
