// Reference networks in the XML format: each loads, and for every evidence case of its ".cases" file the
// posteriors after a belief update and the probability of the evidence match the exact references.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "tests/support/reference_checks.h"
#include "tests/support/reference_networks.h"
#include "tests/support/sanitizer.h"
#include "xml/xml_network.h"

namespace {

using vovido::test::ReferenceCase;
using vovido::test::ReferencePath;

constexpr double kTolerance = 1e-9;
// The instrumented build checks memory, not numbers: a few cases per network are enough there.
const size_t kMaxCases = vovido::test::kUnderAddressSanitizer ? 2 : 1000;

class ReferenceNetworkTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ReferenceNetworkTest, PosteriorsAndProbabilityOfEvidenceMatchTheReferences) {
    const std::string name = GetParam();
    errorLog.Flush();
    VRX_network net;
    ASSERT_TRUE(LoadXmlNetwork(ReferencePath(name, ".xvrx").c_str(), &net, nullptr))
        << (errorLog.GetNumberOfEntries() > 0 ? errorLog.GetMessage(0) : "");
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);

    // Some files round their tables, which the references read as they are and an update scales.
    const double deviation = vovido::test::ColumnSumDeviation(net);
    std::vector<ReferenceCase> cases = vovido::test::ReadReferenceCases(name);
    ASSERT_FALSE(cases.empty());
    if (cases.size() > kMaxCases) cases.resize(kMaxCases);

    for (const ReferenceCase& item : cases) {
        SCOPED_TRACE(name + " " + item.name);
        ASSERT_GE(item.probabilityOfEvidence, 0.0) << "no reference";
        ASSERT_TRUE(vovido::test::SetCaseEvidence(net, item));
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess);
        vovido::test::ExpectReferencePosteriors(net, item, kTolerance + deviation, false);
        if (HasFatalFailure()) return;
        double pe = -1.0;
        ASSERT_TRUE(net.CalcPropEvidence(&pe, false));
        EXPECT_NEAR(pe, item.probabilityOfEvidence, (kTolerance + deviation) * item.probabilityOfEvidence);
    }
}

INSTANTIATE_TEST_SUITE_P(Networks, ReferenceNetworkTest,
                         ::testing::ValuesIn(vovido::test::ReferenceNetworkNames()), vovido::test::ParamName);

}  // namespace
