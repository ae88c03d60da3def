// The reference networks through the exchange formats of other tools and back: the same nodes, arcs in
// the same order, outcomes and tables to the last bit, and the reference posteriors after the trip.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "model/node_value.h"
#include "tests/support/format_round_trip.h"
#include "tests/support/network_fixture.h"
#include "tests/support/reference_networks.h"

namespace {

const char* const kNetworks[] = {"asia",       "child",  "insurance", "water", "alarm",
                                 "hailfinder", "hepar2", "win95pts",  "andes"};

void ExpectSameModel(VRX_network& a, VRX_network& b) {
    ASSERT_EQ(a.GetNumberOfNodes(), b.GetNumberOfNodes());
    for (int ha = a.GetFirstNode(); ha >= 0; ha = a.GetNextNode(ha)) {
        const std::string id = vovido::test::IdOf(a, ha);
        const int hb = b.FindNode(id.c_str());
        ASSERT_GE(hb, 0) << id;
        EXPECT_EQ(vovido::test::IdsOf(a, a.GetParents(ha)), vovido::test::IdsOf(b, b.GetParents(hb))) << id;
        vovido::test::ExpectSameDefinition(*a.GetNode(ha)->GetDefinition(), *b.GetNode(hb)->GetDefinition(),
                                           id);
    }
}

class ExchangeFormatRoundTrip : public ::testing::TestWithParam<std::tuple<const char*, const char*>> {
protected:
    void SetUp() override { errorLog.Flush(); }
    void TearDown() override { errorLog.Flush(); }
};

TEST_P(ExchangeFormatRoundTrip, StructureTablesAndPosteriorsSurvive) {
    const std::string name = std::get<0>(GetParam());
    const std::string extension = std::string(".") + std::get<1>(GetParam());
    VRX_network original;
    ASSERT_EQ(original.ReadFile(vovido::test::ReferencePath(name, ".xvrx").c_str()), kSuccess);
    // Parameterised test names hold '/': the file is named here.
    const std::string path =
        ::testing::TempDir() + "exchange_round_trip_" + std::to_string(getpid()) + "_" + name + extension;
    ASSERT_EQ(original.WriteFile(path.c_str()), kSuccess) << vovido::test::LogDump();
    VRX_network copy;
    const int read = copy.ReadFile(path.c_str());
    std::remove(path.c_str());
    ASSERT_EQ(read, kSuccess) << vovido::test::LogDump();
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0) << vovido::test::LogDump();
    ExpectSameModel(original, copy);

    // Two cases per network keep the suite quick; equal tables give equal posteriors whatever the case.
    ASSERT_GE(vovido::test::ReadReferenceCases(name).size(), 2u);
    vovido::test::ExpectReferencePosteriors(copy, name, 2);
}

INSTANTIATE_TEST_SUITE_P(ReferenceNetworks, ExchangeFormatRoundTrip,
                         ::testing::Combine(::testing::ValuesIn(kNetworks),
                                            ::testing::Values("xml03", "dsc", "erg")),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param);
                         });

// Files of other tools, each written in every exchange format and read back: the same model and the same
// posteriors as the file itself gives.
TEST(RealFilesAcrossFormats, EachConvertsWithItsPosteriors) {
    const char* const files[] = {"msbn_burglary.dsc", "alarm.dsc", "iscas89_s386.erg", "poker_bnj.xml"};
    for (const char* name : files) {
        std::string source = name;
        if (source.size() > 4 && source.compare(source.size() - 4, 4, ".xml") == 0) source += "03";
        const std::string sourcePath =
            ::testing::TempDir() + "real_" + std::to_string(getpid()) + "_" + source;
        ASSERT_TRUE(vovido::test::WriteWholeFile(
            sourcePath, vovido::test::ReadTextFile(vovido::test::FormatSamplePath(name))));
        VRX_network original;
        ASSERT_EQ(original.ReadFile(sourcePath.c_str()), kSuccess) << name << vovido::test::LogDump();
        std::remove(sourcePath.c_str());
        ASSERT_EQ(original.UpdateBeliefs(), kSuccess) << name;
        for (const char* extension : {"xml03", "dsc", "erg"}) {
            SCOPED_TRACE(std::string(name) + " as " + extension);
            const std::string path =
                ::testing::TempDir() + "real_converted_" + std::to_string(getpid()) + "." + extension;
            ASSERT_EQ(original.WriteFile(path.c_str()), kSuccess) << vovido::test::LogDump();
            VRX_network copy;
            const int read = copy.ReadFile(path.c_str());
            std::remove(path.c_str());
            ASSERT_EQ(read, kSuccess) << vovido::test::LogDump();
            ExpectSameModel(original, copy);
            ASSERT_EQ(copy.UpdateBeliefs(), kSuccess);
            for (int h = original.GetFirstNode(); h >= 0; h = original.GetNextNode(h)) {
                const std::vector<double> expected = vovido::test::Beliefs(original, h);
                const std::vector<double> found =
                    vovido::test::Beliefs(copy, copy.FindNode(vovido::test::IdOf(original, h).c_str()));
                ASSERT_EQ(found.size(), expected.size());
                for (size_t k = 0; k < found.size(); ++k) EXPECT_NEAR(found[k], expected[k], 1e-9);
            }
        }
    }
}

}  // namespace
