#pragma once
// How many equally weighted samples the weighted samples of a run are worth, how far its estimates
// differ between batches of its samples, and the one warning of a run whose estimates rest on too few
// samples or differ too much.

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

    // A belief whose standard error between batches (BatchSpread) passes this may be off by a tenth, some
    // standard errors, however even the weights look.
    static constexpr double kWideSpread = 0.03;
    // The largest standard error over the outcomes of node i of the view, of `samples` drawn.
    void AddNodeSpread(const PartView& view, int i, double error, int64_t samples);

    // Logs one warning (code kNoUsefulSamples, the status kept) when some part's estimates rest on fewer than
    // kFewEffective samples' worth, naming the poorest part's unobserved nodes, its effective sample size and
    // its sample count; else when some node's standard error passes kWideSpread, naming the first such
    // nodes, the largest standard error and the sample count.
    void Warn() const;

private:
    void WarnOfSpread() const;

    double least_ = kFewEffective;
    int64_t samples_ = 0;
    int poorParts_ = 0;
    std::string nodes_;
    int wideNodes_ = 0;
    int wideNamed_ = 0;
    double widest_ = 0.0;
    int64_t wideSamples_ = 0;
    std::string wideNames_;
};

}  // namespace vovido
