// The reference networks through the exchange formats of other tools and back: the same nodes, arcs in
// the same order, outcomes and tables to the last bit, and the reference posteriors after the trip.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "model/node_info.h"
#include "model/node_value.h"
#include "tests/support/error_log.h"
#include "tests/support/format_round_trip.h"
#include "tests/support/network_fixture.h"
#include "tests/support/reference_networks.h"

namespace {

using namespace vovido::test;

const char* const kNetworks[] = {"asia",       "child",  "insurance", "water", "alarm",
                                 "hailfinder", "hepar2", "win95pts",  "andes"};

void ExpectSameModel(VRX_network& a, VRX_network& b) {
    ASSERT_EQ(a.GetNumberOfNodes(), b.GetNumberOfNodes());
    for (int ha = a.GetFirstNode(); ha >= 0; ha = a.GetNextNode(ha)) {
        const std::string id = IdOf(a, ha);
        const int hb = b.FindNode(id.c_str());
        ASSERT_GE(hb, 0) << id;
        EXPECT_EQ(IdsOf(a, a.GetParents(ha)), IdsOf(b, b.GetParents(hb))) << id;
        ExpectSameDefinition(*a.GetNode(ha)->GetDefinition(), *b.GetNode(hb)->GetDefinition(), id);
    }
}

class ExchangeFormatRoundTrip
    : public vovido::test::FreshLogTest<::testing::TestWithParam<std::tuple<const char*, const char*>>> {};

TEST_P(ExchangeFormatRoundTrip, StructureTablesAndPosteriorsSurvive) {
    const std::string name = std::get<0>(GetParam());
    const std::string extension = std::string(".") + std::get<1>(GetParam());
    VRX_network original;
    ASSERT_EQ(original.ReadFile(ReferencePath(name, ".xvrx").c_str()), kSuccess);
    const TempFile file(extension);
    ASSERT_EQ(original.WriteFile(file.c_str()), kSuccess) << LogDump();
    errorLog.Flush();  // what the format leaves out, the network's name
    VRX_network copy;
    ASSERT_EQ(copy.ReadFile(file.c_str()), kSuccess) << LogDump();
    // XMLBIF's network name gives the identifier, kept also where a node holds it too (asia).
    EXPECT_EQ(LogDump(), "");
    if (extension == ".xml03") {
        EXPECT_STREQ(copy.GetHeader()->GetId(), original.GetHeader()->GetId());
    }
    ExpectSameModel(original, copy);

    // Two cases per network keep the suite quick; equal tables give equal posteriors whatever the case.
    ASSERT_GE(ReadReferenceCases(name).size(), 2u);
    ExpectReferencePosteriors(copy, name, 2);
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
        std::string extension = std::string(name).substr(std::string(name).rfind('.') + 1);
        if (extension == "xml") extension += "03";
        VRX_network original;
        ASSERT_EQ(ReadAsFile(original, FormatSampleText(name), extension), kSuccess) << name << LogDump();
        ASSERT_EQ(original.UpdateBeliefs(), kSuccess) << name;
        for (const char* extension : {"xml03", "dsc", "erg"}) {
            SCOPED_TRACE(std::string(name) + " as " + extension);
            const TempFile file(std::string(".") + extension);
            ASSERT_EQ(original.WriteFile(file.c_str()), kSuccess) << LogDump();
            VRX_network copy;
            ASSERT_EQ(copy.ReadFile(file.c_str()), kSuccess) << LogDump();
            ExpectSameModel(original, copy);
            ASSERT_EQ(copy.UpdateBeliefs(), kSuccess);
            for (int h = original.GetFirstNode(); h >= 0; h = original.GetNextNode(h)) {
                const std::vector<double> expected = Beliefs(original, h);
                const std::vector<double> found = Beliefs(copy, copy.FindNode(IdOf(original, h).c_str()));
                ASSERT_EQ(found.size(), expected.size());
                for (size_t k = 0; k < found.size(); ++k) EXPECT_NEAR(found[k], expected[k], 1e-9);
            }
        }
    }
}

// Positions at the ends of the int range (a Hugin file's "3e9" is taken as the largest int) come back from
// every format that writes positions, the XML format's wide corners included.
TEST(RealFilesAcrossFormats, PositionsAtTheEndsOfTheIntRangeComeBack) {
    VRX_network original;
    ASSERT_EQ(ReadAsFile(original,
                         "net {}\nnode A { position = (3e9 -3e9); states = (\"y\" \"n\"); }\n"
                         "node B { position = (-2147483000 2147483000); states = (\"y\" \"n\"); }\n",
                         "net"),
              kSuccess)
        << LogDump();
    for (const char* extension : {"xvrx", "vrx", "net", "dne", "dsc", "erg"}) {
        SCOPED_TRACE(extension);
        const TempFile file(std::string(".") + extension);
        ASSERT_EQ(original.WriteFile(file.c_str()), kSuccess) << LogDump();
        VRX_network copy;
        ASSERT_EQ(copy.ReadFile(file.c_str()), kSuccess) << LogDump();
        for (const char* id : {"A", "B"}) {
            const VRX_rectangle& was =
                original.GetNode(original.FindNode(id))->GetInfo()->screenInfo.position;
            const VRX_rectangle& is = copy.GetNode(copy.FindNode(id))->GetInfo()->screenInfo.position;
            EXPECT_EQ(is.centerX, was.centerX) << id;
            EXPECT_EQ(is.centerY, was.centerY) << id;
        }
    }
}

}  // namespace
