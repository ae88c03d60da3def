// Equality and acceptance tests of the EPIS and annealed-MAP parameter records.

#include "model/algorithm_settings.h"

#include <cmath>

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
bool VRX_annealedMapTuning::IsAcceptable() const {
    return speed >= 0.5 && speed <= 0.99 && Tmin > 0 && kReheat > 0 && std::isfinite(kReheat) && Tinit > 0 &&
           Tinit > Tmin && std::isfinite(Tinit) && numCycle >= 1 && iReheatSteps >= 1 &&
           iStopSteps >= iReheatSteps;
}
