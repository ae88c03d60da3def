// Order of the observations and faults of a troubleshooting ranking.
#include "inference/diag_results_order.h"

#include <cmath>

#include "base/number_text.h"

namespace vovido {

int classifyDiagValue(double x) {
    if (std::isnan(x)) return 3;
    if (x == kNotAvailableValue) return 2;
    if (x == kExcludedValue) return 1;
    return 0;
}

bool ObservationResultBefore(const ObservationResult& a, const ObservationResult& b) {
    const int ca = classifyDiagValue(a.strength);
    const int cb = classifyDiagValue(b.strength);
    if (ca != cb) return ca < cb;
    return ca == 0 && a.strength > b.strength;
}

bool FaultResultBefore(const FaultResult& a, const FaultResult& b) {
    const bool nanA = std::isnan(a.probability);
    const bool nanB = std::isnan(b.probability);
    if (nanA != nanB) return nanB;
    if (!nanA) {
        const double pa = a.probability == kExcludedValue ? -1.0 : a.probability;
        const double pb = b.probability == kExcludedValue ? -1.0 : b.probability;
        if (pa != pb) return pa > pb;
    }
    if (a.pursued != b.pursued) return a.pursued;
    if (a.node != b.node) return a.node < b.node;
    return a.outcome < b.outcome;
}

}  // namespace vovido
