// How many equally weighted samples weighted ones are worth, and the warnings of estimates and messages
// that rest on few.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "equations/hybrid_sampling_network.h"

namespace {

// True where an estimate (a fitted message) of that many effective samples of count is thin.
bool FewEffective(double effective, int count, bool fittedMessage) {
    // An estimate worth fewer samples has a standard error above a tenth of its spread, however many were
    // drawn.
    constexpr double kFewEffective = 100.0;
    // A message is fitted to a few hundred draws, which the fit smooths: it is thin where it is mostly the
    // few draws of the largest weights.
    constexpr double kThinShare = 0.01;
    return count >= 1 && effective < (fittedMessage ? kThinShare * count : kFewEffective);
}

// "a single sample: an effective sample size of 1 of 40." or "an effective sample size of 3.2 of 40
// samples.", after the text of the warning.
std::string EffectiveTail(double effective, int count) {
    char tail[120];
    if (effective < 1.5) {
        std::snprintf(tail, sizeof tail, "a single sample: an effective sample size of 1 of %d.", count);
    } else {
        std::snprintf(tail, sizeof tail, "an effective sample size of %.1f of %d samples.", effective, count);
    }
    return tail;
}

}  // namespace

namespace vovido {

void SumWeights(const std::vector<WeightedSample>& samples, double& sum, double& squares) {
    sum = squares = 0.0;
    for (const WeightedSample& x : samples) {
        sum += x.weight;
        squares += x.weight * x.weight;
    }
}

bool IsThinMessage(double sum, double squares, int count) {
    return FewEffective(EffectiveSampleSize(sum, squares), count, true);
}

bool WarnOfFewEffectiveSamples(const std::string& what, bool plural, double sum, double squares, int count,
                               bool fittedMessage) {
    const double effective = EffectiveSampleSize(sum, squares);
    if (!FewEffective(effective, count, fittedMessage)) return false;
    const std::string text =
        "Warning: " + what + (plural ? " rest on " : " rests on ") + EffectiveTail(effective, count);
    LogError(errorLog, kNoUsefulSamples, text.c_str(), nullptr);
    return true;
}

void FewEffectiveSamples::Add(const std::string& what, const std::string& shortName, double sum,
                              double squares, int count, bool fittedMessage) {
    const double effective = EffectiveSampleSize(sum, squares);
    if (!FewEffective(effective, count, fittedMessage)) return;
    if (names_.empty()) first_ = what;
    if (names_.empty() || effective < fewest_) {
        fewest_ = effective;
        sum_ = sum;
        squares_ = squares;
        count_ = count;
        fitted_ = fittedMessage;
    }
    names_.push_back(shortName);
}

void FewEffectiveSamples::Warn(const char* kind, const char* kinds) const {
    if (names_.empty()) return;
    if (names_.size() == 1) {
        WarnOfFewEffectiveSamples(std::string("the ") + kind + " " + first_, false, sum_, squares_, count_,
                                  fitted_);
        return;
    }
    constexpr size_t kNamed = 3;
    std::string names;
    for (size_t i = 0; i < names_.size() && i < kNamed; ++i) names += (i > 0 ? ", " : "") + names_[i];
    if (names_.size() > kNamed) names += " and " + std::to_string(names_.size() - kNamed) + " more";
    const std::string text = std::string("Warning: the ") + kinds + " " + names +
                             " rest on few effective samples, the fewest " + EffectiveTail(fewest_, count_);
    LogError(errorLog, kNoUsefulSamples, text.c_str(), nullptr);
}

}  // namespace vovido
