// Algorithm settings: range clamps of the code setters and the acceptance rules of both parameter records.
#include "model/algorithm_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "tests/support/error_log.h"

namespace {

TEST(AlgorithmSettingsCodes, OutOfRangeCodesAreIgnored) {
    VRX_network net;
    EXPECT_EQ(net.GetHybridAlgorithm(), 14);
    net.SetBayesianAlgorithm(13);
    EXPECT_EQ(net.GetBayesianAlgorithm(), 0);
    net.SetBayesianAlgorithm(-1);
    EXPECT_EQ(net.GetBayesianAlgorithm(), 0);
    net.SetBayesianAlgorithm(12);
    EXPECT_EQ(net.GetBayesianAlgorithm(), 12);
    net.SetBayesianAlgorithm(-2147483647 - 1);
    EXPECT_EQ(net.GetBayesianAlgorithm(), 12);

    net.SetHybridAlgorithm(12);
    EXPECT_EQ(net.GetHybridAlgorithm(), 14);
    net.SetHybridAlgorithm(17);
    EXPECT_EQ(net.GetHybridAlgorithm(), 14);
    net.SetHybridAlgorithm(13);
    EXPECT_EQ(net.GetHybridAlgorithm(), 13);
    net.SetHybridAlgorithm(16);
    EXPECT_EQ(net.GetHybridAlgorithm(), 16);

    net.SetInfluenceDiagramAlgorithm(2);
    EXPECT_EQ(net.GetInfluenceDiagramAlgorithm(), 0);
    net.SetInfluenceDiagramAlgorithm(-1);
    EXPECT_EQ(net.GetInfluenceDiagramAlgorithm(), 0);
    net.SetInfluenceDiagramAlgorithm(1);
    EXPECT_EQ(net.GetInfluenceDiagramAlgorithm(), 1);

    // The discretisation setters store what they are given, unclamped, and the flag both ways.
    for (int count : {-5, 0, 1, 123457}) {
        net.SetDiscSamples(count);
        EXPECT_EQ(net.discSamples, count);
    }
    for (bool on : {false, true, false}) {
        net.SetDiscAvoidZero(on);
        EXPECT_EQ(net.discAvoidZero, on ? 1 : 0);
    }
}

TEST(EpisParams, EqualityComparesAllEightFields) {
    const VRX_episParams base;
    EXPECT_TRUE(base == VRX_episParams());
    const std::function<void(VRX_episParams&)> changes[] = {
        [](VRX_episParams& p) { p.proplen = 6; },    [](VRX_episParams& p) { p.numstates1 = 4; },
        [](VRX_episParams& p) { p.numstates2 = 9; }, [](VRX_episParams& p) { p.numstates3 = 21; },
        [](VRX_episParams& p) { p.eps1 = 0.007; },   [](VRX_episParams& p) { p.eps2 = 0.0002; },
        [](VRX_episParams& p) { p.eps3 = 0.00006; }, [](VRX_episParams& p) { p.eps4 = 0.00006; },
    };
    for (const auto& change : changes) {
        VRX_episParams other = base;
        change(other);
        EXPECT_FALSE(base == other);
        EXPECT_TRUE(base != other);
    }
}

TEST(EpisParams, SetterRefusesBrokenRecordsAndKeepsTheOldOne) {
    VRX_network net;
    VRX_episParams p;
    p.numstates1 = 5;
    p.numstates2 = 5;
    p.numstates3 = 20;
    EXPECT_EQ(net.SetEpisParams(p), kOutOfRange);
    EXPECT_EQ(net.GetEpisParams().numstates2, 8);

    p = VRX_episParams();
    p.proplen = 0;
    EXPECT_EQ(net.SetEpisParams(p), kOutOfRange);
    p = VRX_episParams();
    p.numstates3 = 8;
    EXPECT_EQ(net.SetEpisParams(p), kOutOfRange);
    p = VRX_episParams();
    p.eps2 = 0.01;  // above eps1
    EXPECT_EQ(net.SetEpisParams(p), kOutOfRange);
    p = VRX_episParams();
    p.eps3 = std::nan("");
    EXPECT_EQ(net.SetEpisParams(p), kOutOfRange);
    EXPECT_TRUE(net.GetEpisParams() == VRX_episParams());
}

TEST(EpisParams, SetterTakesAllEightFields) {
    VRX_network net;
    VRX_episParams p;
    p.proplen = 1;
    p.numstates1 = 2;
    p.numstates2 = 3;
    p.numstates3 = 4;
    p.eps1 = 0.006;
    p.eps2 = 0.006;
    p.eps3 = 0.001;
    p.eps4 = 0.5;  // not tested, even above eps3
    ASSERT_EQ(net.SetEpisParams(p), 0);
    EXPECT_TRUE(net.GetEpisParams() == p);
}

TEST(AnnealedMapTuning, SetterRefusesEachBrokenField) {
    VRX_network net;
    EXPECT_TRUE(net.GetAnnealedMapTuning().IsAcceptable());
    VRX_annealedMapTuning accepted;
    accepted.speed = 0.9;
    ASSERT_EQ(net.SetAnnealedMapTuning(accepted), 0);

    // Each refusal logs its field, its value and the range it must lie in, and keeps the tuning.
    const std::vector<std::pair<std::function<void(VRX_annealedMapTuning&)>, std::string>> refusals = {
        {[](VRX_annealedMapTuning& t) { t.speed = 0.995; }, "speed 0.995, it must be in [0.5, 0.99]"},
        {[](VRX_annealedMapTuning& t) { t.speed = 0.49; }, "speed 0.49, it must be in [0.5, 0.99]"},
        {[](VRX_annealedMapTuning& t) { t.Tinit = t.Tmin; }, "Tinit 0.001, it must be finite and above Tmin"},
        {[](VRX_annealedMapTuning& t) { t.Tmin = 0; }, "Tmin 0, it must be above 0"},
        {[](VRX_annealedMapTuning& t) { t.kReheat = HUGE_VAL; },
         "kReheat inf, it must be finite and above 0"},
        {[](VRX_annealedMapTuning& t) { t.Tinit = HUGE_VAL; }, "Tinit inf, it must be finite and above Tmin"},
        {[](VRX_annealedMapTuning& t) { t.kReheat = 0; }, "kReheat 0, it must be finite and above 0"},
        {[](VRX_annealedMapTuning& t) { t.numCycle = 0; }, "numCycle 0, it must be at least 1"},
        {[](VRX_annealedMapTuning& t) { t.iReheatSteps = 0; }, "iReheatSteps 0, it must be at least 1"},
        {[](VRX_annealedMapTuning& t) { t.iStopSteps = 9; },
         "iStopSteps 9, it must be at least iReheatSteps (10)"},
        {[](VRX_annealedMapTuning& t) { t.speed = std::nan(""); }, "speed nan, it must be in [0.5, 0.99]"},
    };
    for (const auto& [change, cause] : refusals) {
        errorLog.Flush();
        VRX_annealedMapTuning t;
        change(t);
        EXPECT_EQ(net.SetAnnealedMapTuning(t), kOutOfRange) << cause;
        EXPECT_EQ(vovido::test::LastLogged(), "Invalid annealed MAP tuning: " + cause);
        EXPECT_DOUBLE_EQ(net.GetAnnealedMapTuning().speed, 0.9);
    }
    errorLog.Flush();
}

TEST(AnnealedMapTuning, SetterTakesBoundsAndUntestedFields) {
    VRX_network net;
    VRX_annealedMapTuning t;
    t.speed = 0.99;
    t.iReheatSteps = 7;
    t.iStopSteps = 7;
    t.kMAP = -3;
    t.kRFC = -1.5;
    ASSERT_EQ(net.SetAnnealedMapTuning(t), 0);
    EXPECT_EQ(net.GetAnnealedMapTuning().kMAP, -3);
    EXPECT_EQ(net.GetAnnealedMapTuning().kRFC, -1.5);
    EXPECT_EQ(net.GetAnnealedMapTuning().iStopSteps, 7);
    t.speed = 0.5;
    EXPECT_EQ(net.SetAnnealedMapTuning(t), 0);
}

}  // namespace
