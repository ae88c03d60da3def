#pragma once
// How many equally weighted samples the weighted samples of a run are worth, and the one warning of a run
// whose estimates rest on too few of them.

#include <cstdint>
#include <string>

class PartView;

namespace vovido {

// The parts of one sampling run: the poorest of them is named in the run's warning.
class EffectiveSamples {
public:
    // An estimate worth fewer samples has a standard error above a tenth of its spread, however many were
    // drawn.
    static constexpr double kFewEffective = 100.0;

    // The weights a part kept, on one scale, of `samples` drawn.
    void AddPart(const PartView& view, double sum, double squares, int64_t samples);
    // Logs one warning (code kNoUsefulSamples, the status kept) when some part's estimates rest on fewer than
    // kFewEffective samples' worth, naming the poorest part's unobserved nodes, its effective sample size and
    // its sample count.
    void Warn() const;

private:
    double least_ = kFewEffective;
    int64_t samples_ = 0;
    int poorParts_ = 0;
    std::string nodes_;
};

}  // namespace vovido
