// Small files that state sizes far beyond what they hold: each is read (and updated, where the cost lies
// in the update), or refused before anything of the stated size is allocated, with a message naming the
// node and the size; a refused read leaves the network empty. (bench/costly_files.cpp times the same
// inputs and reads their peak memory.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "definitions/demorgan.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/address_space.h"
#include "tests/support/costly_inputs.h"
#include "tests/support/error_log.h"
#include "tests/support/sanitizer.h"
#include "tests/support/save_failure.h"
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
        // Each node's Normal call (3 terms) and 16 for the sample each pass keeps of it.
        {"ten million samples of 3 nodes", EquationSamplesXmlText(3, "10000000"), ".xvrx", true, kOutOfMemory,
         "Sampling would take 10000000 samples x 57 terms of work a draw (19 of them for node [e0]) = "
         "570000000 terms, past the limit of 268435456"},
        {"60 outcomes over 60000 slices", DynamicXmlText(60, 60000), ".xvrx", true, kOutOfMemory,
         "The network of 60000 slices of 1 plate nodes would have 60000 nodes with tables of 215996460 "
         "cells, which take some 2722517520 bytes (2176 a node and 12 a cell), past the limit of 2147483648 "
         "bytes"},
        {"negative sample count", EquationSamplesXmlText(1, "-5"), ".xvrx", false, kFileIoFailed,
         "Invalid number of samples: '-5'"},
        // Every parent turned away by the one refusal: one entry.
        {"Hugin family of 29 parents", WideFamilyText(".net", 29, FamilyTable::kNone), ".net", false,
         kOutOfMemory, "ERROR: Couldn't add arcs from 29 parent nodes, e.g. (\"p0\"), (\"p1\"), (\"p2\"), …"},
        {"MSBN family of 29 parents", WideFamilyText(".dsc", 29, FamilyTable::kNone), ".dsc", false,
         kOutOfMemory, "ERROR: Couldn't add arcs from 29 parent nodes, e.g. (\"p0\"), (\"p1\"), (\"p2\"), …"},
        // The tables of a read sum to at most 2^28 cells (2 GiB), however small the file: the last table
        // would bring them past it, and is refused before it is built.
        {"Hugin, a family of 27 parents after another", WideFamiliesText(".net", 27), ".net", false,
         kOutOfMemory,
         "ERROR: Node [n28] : its table of 268435456 cells would bring the tables of the file to 268435460 "
         "cells, past the limit of 268435456 cells (2 GiB of 8-byte cells) for the tables of a read"},
        // 40 families of 16 parents, 42 MB of tables from 5 KB of structure.
        {"Hugin families of 16 parents",
         FamiliesText(".net", 56, [](int i) { return std::make_pair(0, i < 16 ? 0 : 16); }), ".net", true,
         kSuccess, ""},
        {"Hugin band of 30 nodes of 16 parents", HuginBandText(30, 16), ".net", true, kSuccess, ""},
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

// A read stops at the first table past the limit of the file's tables, or at the first node whose table
// with the nodes and arcs before it passes the memory of a read: that refusal, naming its node, is the one
// entry of the log, whatever the format. A band of wide families left to their defaults is counted past its
// first 64 MiB of tables without building them; one whose tables fit is read again whole.
TEST_F(CostlyFilesTest, TablesPastTheLimitLogTheirFirstRefusalAlone) {
    const std::string refusal =
        " cells, past the limit of 268435456 cells (2 GiB of 8-byte cells) for the "
        "tables of a read";
    for (const char* format : {".net", ".dne", ".xml03"}) {
        SCOPED_TRACE(format);
        // The band's nodes before n30 (all of them where the format gives nodes before tables) take more
        // than the 64 cells its table leaves.
        const std::string band = "ERROR: Node [n30] : the file's ";
        for (const auto& [text, log] :
             {std::make_pair(
                  WideFamiliesText(format, 27),
                  "ERROR: Node [n28] : its table of 268435456 cells would bring the tables of the file "
                  "to 268435460" +
                      refusal),
              std::make_pair(BandText(format, 60, 24), band)}) {
            errorLog.Flush();
            TempFile file(format);
            file.Write(text);
            VRX_network net;
            EXPECT_EQ(net.ReadFile(file.c_str()), kOutOfMemory);
            ASSERT_EQ(LoggedMessages().size(), 1u) << LogDump();
            const std::string logged = LoggedMessages()[0];
            if (log == band) {
                EXPECT_NE(logged.find(band), std::string::npos) << logged;
                EXPECT_NE(logged.find("tables of 268,435,392 cells"), std::string::npos) << logged;
            } else {
                EXPECT_EQ(logged, log);
            }
            EXPECT_EQ(net.GetNumberOfNodes(), 0);
        }
        // Five families of 20 parents: 10,485,760 cells.
        TempFile file(format);
        file.Write(FamiliesText(format, 25, [](int i) { return std::make_pair(0, i < 20 ? 0 : 20); }));
        VRX_network net;
        ASSERT_EQ(net.ReadFile(file.c_str()), kSuccess) << LogDump();
        EXPECT_EQ(net.GetNumberOfParents(net.FindNode("n24")), 20);
        EXPECT_EQ(net.GetNode(net.FindNode("n24"))->GetDefinition()->GetSize(), 1 << 21);
    }
}

// The KI reader computes every noisy-MAX table from its parameters: those tables are counted with the
// others before any is built, and one that cannot be built fails the read, naming its node.
TEST_F(CostlyFilesTest, KiNoisyMaxTablesAreCountedAndMustBeBuilt) {
    const struct {
        int tests;
        int faults;
        int ceiling;  // of a table's doubles; 0: none
        std::string log;
    } cases[] = {
        {5, 26, 0,
         "ERROR: Node [t2] : its table of 134217728 cells computed from its parameters would bring the "
         "tables of "
         "the file to 402653184 cells, past the limit of 268435456 cells (2 GiB of 8-byte cells) for the "
         "tables of "
         "a read"},
        {2, 12, 1000, "ERROR: Node [t0] : no memory for its table of 8192 cells"},
    };
    for (const auto& c : cases) {
        errorLog.Flush();
        TempFile file(".dxp");
        file.Write(KiNoisyMaxText(c.tests, c.faults));
        VRX_network net;
        BufferCeiling ceiling(c.ceiling);
        EXPECT_EQ(net.ReadFile(file.c_str()), kOutOfMemory);
        EXPECT_EQ(LoggedMessages(), std::vector<std::string>{c.log});
        EXPECT_EQ(net.GetNumberOfNodes(), 0);
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

struct ShortFamily {
    const char* format;
    int status;
    std::string log;
};

// Reads each file under an address-space limit of 256 MB more than is in use, far below the 2 GB of the
// table: 0 when every read is refused with its message and leaves the network empty, else 1 + the index
// of the first that is not.
int ReadShortFamiliesUnderLimit(const std::vector<ShortFamily>& cases) {
    if (!LimitAddressSpace(256LL << 20)) return 100;
    for (size_t i = 0; i < cases.size(); ++i) {
        errorLog.Flush();
        const std::string format = cases[i].format;
        TempFile file(format.substr(0, format.find('-')).c_str());
        file.Write(WideFamilyText(format, 27, FamilyTable::kShort));
        VRX_network net;
        if (net.ReadFile(file.c_str()) != cases[i].status || net.GetNumberOfNodes() != 0 ||
            !LoggedPart(cases[i].log)) {
            std::fprintf(stderr, "%s:\n%s", cases[i].format, LogDump().c_str());
            return 1 + static_cast<int>(i);
        }
    }
    return 0;
}

// A 27-parent table (2^28 cells, within the limit) that the file gives four numbers of is refused before
// the arcs build it.
TEST(CostlyFilesDeathTest, ShortTablesOfWideFamiliesAreRefusedBeforeTheTableIsBuilt) {
    if (kUnderAddressSanitizer) GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    const std::string needed = " : 4 numbers read, 268435456 needed";
    const std::vector<ShortFamily> cases = {
        {".vrx", kOutOfRange, "ERROR: Node [child]" + needed},
        {".xvrx", kFileIoFailed,
         "ERROR: Node [child] : the file gives 4 probabilities for its table of 268435456 cells"},
        {".xvrx-det", kFileIoFailed, "Invalid number of resulting states: 2, expected 134217728"},
        {".net", kOutOfRange, "ERROR: Node [child]" + needed},
        {".dne", kOutOfRange, "ERROR: Node [child]" + needed},
        {".dne-utility", kOutOfRange, "ERROR: Node [child] : 4 numbers read, 134217728 needed"},
        {".dne-det", kInvalidData, "ERROR: Node [child] : 2 entries do not fit its functable"},
        {".dsc", kOutOfRange,
         "ERROR: Node (\"child\") : row (0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
         "0, 0, 0, "
         "1, 0) of its table is not given"},
        {".erg", kSyntaxError, "ERROR: Node [Node27] : its table ends after 4 of its 268435456 numbers"},
        {".xml03", kOutOfRange, "ERROR: Node [child] was expecting 268435456 numbers but 4 were read"},
        {".dxp", kOutOfRange, "ERROR: Node [child]" + needed},
    };
    EXPECT_EXIT(_exit(ReadShortFamiliesUnderLimit(cases)), ::testing::ExitedWithCode(0), "");
}

// Parents read before the table they shape are all there once it is read, and the table is the one given
// (or the default one, where the format lets a file leave it out).
TEST_F(CostlyFilesTest, WideFamiliesReadWithTheirParentsAndTable) {
    const struct {
        const char* format;
        FamilyTable table;
    } cases[] = {
        {".vrx", FamilyTable::kGiven},      {".vrx", FamilyTable::kNone},    {".xvrx", FamilyTable::kGiven},
        {".xvrx-det", FamilyTable::kGiven}, {".net", FamilyTable::kGiven},   {".net", FamilyTable::kNone},
        {".dne", FamilyTable::kGiven},      {".dne", FamilyTable::kNone},    {".dsc", FamilyTable::kGiven},
        {".erg", FamilyTable::kGiven},      {".xml03", FamilyTable::kGiven}, {".xml03", FamilyTable::kNone},
        {".dxp", FamilyTable::kGiven},      {".dxp", FamilyTable::kNone},
    };
    for (const auto& item : cases) {
        const std::string format = item.format;
        SCOPED_TRACE(format + (item.table == FamilyTable::kNone ? " without a table" : ""));
        TempFile file(format == ".xvrx-det" ? ".xvrx" : format.c_str());
        file.Write(WideFamilyText(format, 10, item.table));
        VRX_network net;
        ASSERT_EQ(net.ReadFile(file.c_str()), kSuccess) << LogDump();
        // Ergo names its nodes by position: the child is the last.
        int child = net.FindNode("child");
        for (int h = net.GetFirstNode(); format == ".erg" && h >= 0; h = net.GetNextNode(h)) child = h;
        ASSERT_GE(child, 0);
        ASSERT_EQ(net.GetNumberOfParents(child), 10);
        VRX_Dmatrix* table = nullptr;
        ASSERT_EQ(net.GetNode(child)->GetDefinition()->GetDefinition(table), kSuccess);
        ASSERT_EQ(table->GetNumberOfElements(), 2048);
        const double first = format == ".xvrx-det" ? 1.0 : 0.5;
        for (int i = 0; i < 2048; i += 2) ASSERT_EQ((*table)[i], first) << i;
    }
}

}  // namespace
