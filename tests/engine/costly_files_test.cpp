// Small files that state sizes far beyond what they hold: each is read (and updated, where the cost lies
// in the update), or refused before anything of the stated size is allocated, with a message naming the
// node and the size; a refused read leaves the network empty. (bench/costly_files.cpp times the same
// inputs and reads their peak memory.)
#include <gtest/gtest.h>

#include <string>

#include "base/status_codes.h"
#include "definitions/demorgan.h"
#include "model/network.h"
#include "model/node.h"
#include "tests/support/costly_inputs.h"
#include "tests/support/error_log.h"
#include "tests/support/temp_file.h"

namespace {

using namespace vovido::test;

struct CostlyFile {
    const char* what;
    std::string text;
    const char* suffix;
    bool update;      // the cost is in the update after the read
    int status;       // of the read, or of the update
    std::string log;  // a part of the log naming what was refused
};

class CostlyFilesTest : public FreshLogTest<> {};

TEST_F(CostlyFilesTest, AreRefusedByNodeAndSizeBeforeTheyAreBuilt) {
    const CostlyFile cases[] = {
        {"DeMorgan node of 28 parents", DemorganXmlText(28), ".xvrx", false, kFileIoFailed,
         "ERROR: Node [child] : its table of 536870912 cells passes the limit of 268435456 cells"},
        {"four probabilities for 27 parents", WideCptXmlText(27), ".xvrx", false, kFileIoFailed,
         "ERROR: Node [child] : the file gives 4 probabilities for its table of 268435456 cells"},
        {"Ergo outcome counts", ErgoManyOutcomesText(100, 65536), ".erg", false, kOutOfRange,
         "ERROR: Node 1 : 65536 outcomes need 65535 numbers, more than the 805 bytes of the file hold"},
        {"Ergo outcome counts in all", "3\n2 2 40\n0 0 0\n", ".erg", false, kOutOfRange,
         "ERROR: Node 3 : 40 outcomes with those of the nodes before it need 41 numbers, more than the 15 "
         "bytes "
         "of the file hold"},
        {"two billion samples", EquationSamplesXmlText(1, "2000000000"), ".xvrx", true, kOutOfMemory,
         "The samples would take 1 nodes x 2000000000 samples x 16 bytes = 32000000000 bytes, past the limit "
         "of "
         "2147483648 bytes"},
        {"twenty million samples of 8 nodes", EquationSamplesXmlText(8, "20000000"), ".xvrx", true,
         kOutOfMemory,
         "The samples would take 8 nodes x 20000000 samples x 16 bytes = 2560000000 bytes, past the limit of "
         "2147483648 bytes"},
        {"60 outcomes over 60000 slices", DynamicXmlText(60, 60000), ".xvrx", true, kOutOfMemory,
         "The network of 60000 slices of 1 plate nodes would have 60000 nodes with tables of 215996460 "
         "cells, "
         "the work of 231356460 cells (256 a node besides its table), past the limit of 33554432 cells"},
        {"negative sample count", EquationSamplesXmlText(1, "-5"), ".xvrx", false, kFileIoFailed,
         "Invalid number of samples: '-5'"},
    };
    for (const CostlyFile& item : cases) {
        SCOPED_TRACE(item.what);
        errorLog.Flush();
        TempFile file(item.suffix);
        file.Write(item.text);
        VRX_network net;
        const int read = net.ReadFile(file.c_str());
        EXPECT_EQ(item.update ? net.UpdateBeliefs() : read, item.status);
        EXPECT_EQ(read == kSuccess, item.update);
        EXPECT_EQ(net.GetNumberOfNodes() == 0, !item.update);
        EXPECT_TRUE(LoggedPart(item.log)) << LogDump();
    }
}

// The table of a DeMorgan node is built when it is first asked for, not at every arc the reader adds.
TEST_F(CostlyFilesTest, ADemorganNodeOfManyParentsIsReadWithoutItsTable) {
    TempFile file(".xvrx");
    file.Write(DemorganXmlText(26));
    VRX_network net;
    ASSERT_EQ(net.ReadFile(file.c_str()), kSuccess) << LogDump();
    auto* child = dynamic_cast<VRX_demorgan*>(net.GetNode(net.FindNode("child"))->GetDefinition());
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->GetNumberOfWeights(), 26);
    EXPECT_EQ(child->GetParentWeight(25), 0.5);
    EXPECT_EQ(child->GetPriorBelief(), 0.1);
    EXPECT_EQ(child->GetSize(), 1 << 27);
}

}  // namespace
