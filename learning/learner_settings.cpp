// The ranges of the learners' settings.
#include "learning/learner_settings.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Text(const char* format, const char* learner, double value) {
    char text[160];
    std::snprintf(text, sizeof text, format, learner, value);
    return text;
}

}  // namespace

std::string PcSignificanceFault(double significance) {
    if (significance >= 0.0 && significance <= 1.0) return {};
    return Text("%s: the significance must lie in [0, 1], not %g", "pc", significance);
}

std::string PcMaxAdjacencyFault(int maxAdjacency) {
    if (maxAdjacency >= 0) return {};
    return Text("%s: the maximum adjacency must be 0 or more, not %.0f", "pc", maxAdjacency);
}

std::string MaxParentsFault(const char* learner, int maxParents) {
    if (maxParents >= 0) return {};
    return Text("%s: the maximum number of parents must be 0 or more, not %.0f", learner, maxParents);
}

std::string NetWeightFault(const char* learner, double weight) {
    // Equivalent-sample-size priors need a positive weight: with 0 an unseen configuration has no prior
    // count at all, and with infinity no count of the data weighs.
    if (!(weight > 0.0)) return Text("%s: the net weight must be greater than 0, not %g", learner, weight);
    if (std::isinf(weight)) return Text("%s: the net weight must be finite, not %g", learner, weight);
    return {};
}

std::string EmSampleSizeFault(int sampleSize) {
    if (sampleSize >= 0) return {};
    return Text("%s: the equivalent sample size must be 0 or more, not %.0f", "em", sampleSize);
}
