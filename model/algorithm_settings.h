#pragma once
// Parameter records of the EPIS importance sampler and of the annealed MAP search.

#include <string>

struct VRX_episParams {
    int proplen = 5;
    int numstates1 = 5;
    int numstates2 = 8;
    int numstates3 = 20;
    double eps1 = 0.006;
    double eps2 = 0.0001;
    double eps3 = 0.00005;
    double eps4 = 0.00005;

    bool operator==(const VRX_episParams& other) const;
    bool operator!=(const VRX_episParams& other) const { return !(*this == other); }
    // proplen >= 1, numstates strictly rising, eps1 >= eps2 >= eps3.
    bool IsAcceptable() const;
};

struct VRX_annealedMapTuning {
    double speed = 0.8;
    double Tmin = 0.001;
    double Tinit = 0.99;
    double kReheat = 0.1;
    int kMAP = 0;       // stored and copied only
    double kRFC = 0.0;  // stored and copied only
    int numCycle = 1;
    int iReheatSteps = 10;
    int iStopSteps = 20;

    bool IsAcceptable() const { return Fault().empty(); }
    // The first field the search cannot run with, named with its value and the range it must lie in
    // ("Invalid annealed MAP tuning: ..."); empty for a record in range.
    std::string Fault() const;
};
