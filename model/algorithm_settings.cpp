// Equality and acceptance tests of the EPIS and annealed-MAP parameter records.

#include "model/algorithm_settings.h"

#include <cmath>
#include <cstdio>

bool VRX_episParams::operator==(const VRX_episParams& other) const {
    return proplen == other.proplen && numstates1 == other.numstates1 && numstates2 == other.numstates2 &&
           numstates3 == other.numstates3 && eps1 == other.eps1 && eps2 == other.eps2 && eps3 == other.eps3 &&
           eps4 == other.eps4;
}

// eps4 is deliberately not tested: it only applies above numstates3 and any cut-off works there.
bool VRX_episParams::IsAcceptable() const {
    return proplen >= 1 && numstates1 < numstates2 && numstates2 < numstates3 && eps1 >= eps2 && eps2 >= eps3;
}

// kMAP and kRFC take no part in the search, so they are not tested. Written so that NaN fails every test;
// an infinite temperature or reheating factor would make the temperature NaN.
std::string VRX_annealedMapTuning::Fault() const {
    const auto real = [](const char* name, double value, const char* range) {
        char text[160];
        std::snprintf(text, sizeof text, "Invalid annealed MAP tuning: %s %g, it must be %s", name, value,
                      range);
        return std::string(text);
    };
    const auto whole = [](const char* name, int value, const std::string& range) {
        return "Invalid annealed MAP tuning: " + std::string(name) + " " + std::to_string(value) +
               ", it must be " + range;
    };
    if (!(speed >= 0.5 && speed <= 0.99)) return real("speed", speed, "in [0.5, 0.99]");
    if (!(Tmin > 0)) return real("Tmin", Tmin, "above 0");
    if (!(Tinit > Tmin && std::isfinite(Tinit))) return real("Tinit", Tinit, "finite and above Tmin");
    if (!(kReheat > 0 && std::isfinite(kReheat))) return real("kReheat", kReheat, "finite and above 0");
    if (numCycle < 1) return whole("numCycle", numCycle, "at least 1");
    if (iReheatSteps < 1) return whole("iReheatSteps", iReheatSteps, "at least 1");
    if (iStopSteps < iReheatSteps)
        return whole("iStopSteps", iStopSteps,
                     "at least iReheatSteps (" + std::to_string(iReheatSteps) + ")");
    return {};
}
