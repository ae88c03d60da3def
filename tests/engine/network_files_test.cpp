// File-format dispatch: formats by code and extension, speakers, the network emptied for a read and
// checked after it, a failed read leaving the network exactly as it was, and refused writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/status_codes.h"
#include "definitions/cast.h"
#include "definitions/demorgan.h"
#include "formats/vrx_format.h"
#include "model/file_format.h"
#include "model/node_value.h"
#include "tests/support/arrays.h"
#include "tests/support/compare.h"
#include "tests/support/error_log.h"
#include "tests/support/format_round_trip.h"
#include "tests/support/networks.h"
#include "tests/support/temp_file.h"

namespace {

using namespace vovido::test;

class NetworkFilesTest : public ::testing::Test {
protected:
    void SetUp() override { errorLog.Flush(); }
    void TearDown() override { errorLog.Flush(); }

    static std::string Text(VRX_network& net) {
        VRX_vrxSpeaker speaker(&net);
        std::string text;
        EXPECT_EQ(speaker.WriteToText(text), 0);
        return text;
    }

    // Every part of every node is bound to the network that holds it.
    static void ExpectBoundTo(VRX_network& net) {
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
            VRX_node& node = *net.GetNode(h);
            EXPECT_EQ(node.GetNetwork(), &net);
            EXPECT_EQ(node.GetDefinition()->GetNetwork(), &net);
            EXPECT_EQ(node.GetValue()->GetNetwork(), &net);
            EXPECT_EQ(node.GetExtraDefinition()->GetNetwork(), &net);
            EXPECT_EQ(node.GetCost()->GetNetwork(), &net);
        }
        EXPECT_EQ(net.GetSubmodelHandler().GetNetwork(), &net);
        for (int i = 0; i < net.GetNumberOfCases(); ++i) EXPECT_EQ(net.GetCase(i)->GetNetwork(), &net);
    }
};

TEST_F(NetworkFilesTest, FormatsByExtension) {
    EXPECT_EQ(FileFormatFromExtension("a.VRX"), FileFormatCode::kVrx);
    EXPECT_EQ(FileFormatFromExtension("a.vrx"), FileFormatCode::kVrx);
    EXPECT_EQ(FileFormatFromExtension("a.vrx.net"), FileFormatCode::kHugin);
    EXPECT_EQ(FileFormatFromExtension("a.xvrx"), FileFormatCode::kXvrx);
    EXPECT_EQ(FileFormatFromExtension("a.QVRX"), FileFormatCode::kXvrx);
    EXPECT_EQ(FileFormatFromExtension("a.erg"), FileFormatCode::kErgo);
    EXPECT_EQ(FileFormatFromExtension("a.Dne"), FileFormatCode::kNetica);
    EXPECT_EQ(FileFormatFromExtension("a.dsc"), FileFormatCode::kMsbn);
    EXPECT_EQ(FileFormatFromExtension("a.dxp"), FileFormatCode::kKi);
    EXPECT_EQ(FileFormatFromExtension("a.xml03"), FileFormatCode::kXmlBif);
    EXPECT_EQ(FileFormatFromExtension("a.xml"), kOutOfRange);
    EXPECT_EQ(FileFormatFromExtension("a."), kOutOfRange);
    EXPECT_EQ(FileFormatFromExtension("noextension"), kOutOfRange);
    EXPECT_EQ(FileFormatFromExtension("dir.vrx/file"), kOutOfRange);
    EXPECT_EQ(FileFormatFromExtension(nullptr), kOutOfRange);
}

TEST_F(NetworkFilesTest, SpeakersByCode) {
    VRX_network net;
    int format = FileFormatCode::kByExtension;
    std::unique_ptr<VRX_fileFormat> speaker = CreateSpeaker(&net, "x.VRX", format);
    ASSERT_NE(speaker, nullptr);
    EXPECT_EQ(format, FileFormatCode::kVrx);
    EXPECT_EQ(speaker->GetNetwork(), &net);
    EXPECT_FALSE(speaker->SkipsIdentifierCheck());
    EXPECT_FALSE(speaker->SkipsCycleCheck());
    format = FileFormatCode::kKi;
    EXPECT_NE(CreateSpeaker(&net, "ignored.vrx", format), nullptr);
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);

    format = FileFormatCode::kHugin;
    EXPECT_NE(CreateSpeaker(&net, "x.net", format), nullptr);
    format = FileFormatCode::kNetica;
    EXPECT_NE(CreateSpeaker(&net, "x.dne", format), nullptr);
    format = FileFormatCode::kErgo;
    EXPECT_NE(CreateSpeaker(&net, "x.erg", format), nullptr);
    format = FileFormatCode::kByExtension;
    EXPECT_EQ(CreateSpeaker(&net, "x.xml", format), nullptr);
    EXPECT_EQ(format, kOutOfRange);
    format = 99;
    EXPECT_EQ(CreateSpeaker(&net, "x.vrx", format), nullptr);
    EXPECT_EQ(LoggedMessages(), (std::vector<std::string>{
                                    "Unknown File Format: no format has the extension \"xml\" of file x.xml",
                                    "Unknown File Format: no format has the code 99"}));
    errorLog.Flush();
    format = FileFormatCode::kByExtension;
    EXPECT_EQ(CreateSpeaker(&net, "dir.vrx/noextension", format), nullptr);
    EXPECT_EQ(LastLogged(), "Unknown File Format: file dir.vrx/noextension has no extension");
}

// The cause names the caller's file: a directory is refused when opened, by every reader.
TEST_F(NetworkFilesTest, ADirectoryIsRefusedNamingIt) {
    for (const char* extension : {"net", "vrx", "dne", "xvrx", "xml03"}) {
        const std::string path = TempPath(std::string("folder.") + extension);
        ASSERT_TRUE(std::filesystem::create_directories(path)) << path;
        VRX_network net;
        errorLog.Flush();
        EXPECT_EQ(net.ReadFile(path.c_str()), kFileIoFailed) << LogDump();
        ASSERT_GT(errorLog.GetNumberOfEntries(), 0);
        const std::string first = errorLog.GetMessage(0);
        EXPECT_NE(first.find(path), std::string::npos) << first;
        EXPECT_NE(first.find(": Is a directory"), std::string::npos) << first;
        std::filesystem::remove(path);
    }
}

TEST_F(NetworkFilesTest, WritesAndReadsByExtensionAndByCode) {
    VRX_network original;
    BuildFullNetwork(original);
    const std::string path = TempPath("dispatch.VRX");
    ASSERT_EQ(original.WriteFile(path.c_str()), 0) << LogDump();
    VRX_network copy;
    ASSERT_EQ(copy.ReadFile(path.c_str()), 0) << LogDump();
    ExpectSameNetwork(original, copy);
    ExpectBoundTo(copy);

    // An explicit code wins over the name.
    const std::string other = TempPath("dispatch.txt");
    ASSERT_EQ(original.WriteFile(other.c_str(), FileFormatCode::kVrx), 0);
    VRX_network byCode;
    ASSERT_EQ(byCode.ReadFile(other.c_str(), FileFormatCode::kVrx), 0);
    ExpectSameNetwork(original, byCode);
    EXPECT_EQ(byCode.ReadFile(other.c_str()), kOutOfRange);
    EXPECT_TRUE(
        Logged(kOutOfRange, "Unknown File Format: no format has the extension \"txt\" of file " + other));
}

TEST_F(NetworkFilesTest, AReadSetsAndClearsTheReadingStateAndKeepsTheSettings) {
    VRX_network original;
    BuildFullNetwork(original);
    const std::string path = WriteTextFile("settings.vrx", Text(original));
    VRX_network net;
    net.SetBayesianAlgorithm(2);
    net.changeMask = 5;
    net.discSamples = 77;
    ASSERT_EQ(net.ReadFile(path.c_str()), 0);
    EXPECT_EQ(net.readingFlags, 0);
    EXPECT_EQ(net.changeMask, 5);
    EXPECT_EQ(net.GetBayesianAlgorithm(), 2);
    EXPECT_EQ(net.discSamples, 10000);
    EXPECT_EQ(net.numSamples, 2500);
}

TEST_F(NetworkFilesTest, AFailedReadLeavesTheNetworkExactlyAsItWas) {
    VRX_network net;
    BuildFullNetwork(net);
    net.SetBayesianAlgorithm(3);
    net.discSamples = 123;
    const int a = net.FindNode("A");
    ASSERT_EQ(net.GetNode(a)->GetValue()->SetEvidence(1), 0);
    const int slots = net.GetNumberOfSlots();
    VRX_network reference;
    BuildFullNetwork(reference);
    const std::string before = Text(net);

    VRX_network other;
    ASSERT_GE(other.AddNode(DefinitionType::kCpt, "Stranger"), 0);
    const std::string text = Text(other);
    const std::string cut = WriteTextFile("cut.vrx", text.substr(0, text.size() / 2));
    EXPECT_EQ(net.ReadFile(cut.c_str()), kUnexpectedEndOfFile);
    EXPECT_EQ(net.ReadFile(TempPath("missing-file.vrx").c_str()), kFileIoFailed);
    const std::string empty = WriteTextFile("empty.vrx", "");
    EXPECT_EQ(net.ReadFile(empty.c_str()), kEndOfFile);
    EXPECT_TRUE(Logged(kEndOfFile, ("ERROR: file " + empty + " is empty").c_str())) << LogDump();
    EXPECT_EQ(net.ReadFile(WriteTextFile("junk.vrx", "\x01\x02\xff garbage").c_str()), kSyntaxError);

    EXPECT_EQ(Text(net), before);
    ExpectSameNetwork(reference, net);
    ExpectBoundTo(net);
    EXPECT_EQ(net.GetNumberOfSlots(), slots);
    EXPECT_EQ(net.GetBayesianAlgorithm(), 3);
    EXPECT_EQ(net.discSamples, 123);
    EXPECT_EQ(net.readingFlags, 0);
    EXPECT_EQ(net.GetNode(a)->GetValue()->GetEvidence(), 1);
    EXPECT_EQ(net.GetNumberOfTargets(), 2);
    // The network works on: its nodes, arcs and cases are its own.
    const int added = net.AddNode(DefinitionType::kCpt, "Added");
    ASSERT_GE(added, 0);
    EXPECT_EQ(net.AddArc(a, added, 0), 0);
    EXPECT_EQ(net.DeleteNode(net.FindNode("Child")), 0);
    EXPECT_EQ(net.GetCase(0)->GetNumberOfEvidence(), 2);
}

// Every setting, changed from its default, survives both kinds of copy and a failed read.
TEST_F(NetworkFilesTest, EverySettingSurvivesCopiesAndAFailedRead) {
    VRX_network net;
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "A"), 0);
    net.slotIncrement = 7;
    net.numSamples = 321;
    net.discSamples = 123;
    net.SetBayesianAlgorithm(9);
    net.SetInfluenceDiagramAlgorithm(1);
    net.SetHybridAlgorithm(HybridAlgorithm::kWeightedSampling);
    net.SetDiscAvoidZero(false);
    net.propagationFlags = PropagationFlags::kNotices;
    net.changeMask = 15;
    net.faultNameFormat = 1;
    VRX_episParams epis;
    epis.proplen = 2;
    epis.eps4 = 0.001;
    ASSERT_EQ(net.SetEpisParams(epis), 0);
    VRX_annealedMapTuning tuning;
    tuning.speed = 0.6;
    tuning.kMAP = 4;
    ASSERT_EQ(net.SetAnnealedMapTuning(tuning), 0);
    const auto expectSettingsOf = [&](const VRX_network& other) {
        const VRX_networkSettings &a = net.Settings(), &b = other.Settings();
        EXPECT_EQ(a.slotIncrement, b.slotIncrement);
        EXPECT_EQ(a.numSamples, b.numSamples);
        EXPECT_EQ(a.discSamples, b.discSamples);
        EXPECT_EQ(a.bnAlgorithm, b.bnAlgorithm);
        EXPECT_EQ(a.idAlgorithm, b.idAlgorithm);
        EXPECT_EQ(a.hybridAlgorithm, b.hybridAlgorithm);
        EXPECT_EQ(a.discAvoidZero, b.discAvoidZero);
        EXPECT_EQ(a.propagationFlags, b.propagationFlags);
        EXPECT_EQ(a.changeMask, b.changeMask);
        EXPECT_EQ(a.faultNameFormat, b.faultNameFormat);
        EXPECT_TRUE(net.GetEpisParams() == other.GetEpisParams());
        EXPECT_EQ(other.GetAnnealedMapTuning().speed, 0.6);
        EXPECT_EQ(other.GetAnnealedMapTuning().kMAP, 4);
    };
    expectSettingsOf(VRX_network(net));
    expectSettingsOf(VRX_network(net, VRX_network::ModelOnly{}));
    VRX_network reread(net);
    EXPECT_EQ(reread.ReadFile(WriteTextFile("junk.vrx", "\x01 garbage").c_str()), kSyntaxError);
    expectSettingsOf(reread);
}

TEST_F(NetworkFilesTest, ClearForReadingEmptiesTheModelAndKeepsTheTableAndSettings) {
    VRX_network net;
    BuildFullNetwork(net);
    net.SetBayesianAlgorithm(4);
    const int slots = net.GetNumberOfSlots();
    ASSERT_EQ(net.ClearForReading(), 0);
    EXPECT_EQ(net.GetNumberOfNodes(), 0);
    EXPECT_EQ(net.GetFirstNode(), kOutOfRange);
    EXPECT_EQ(net.GetNumberOfTargets(), 0);
    EXPECT_EQ(net.GetNumberOfSlots(), slots);
    EXPECT_EQ(net.GetNumberOfCases(), 0);
    EXPECT_EQ(net.GetSubmodelHandler().GetNumberOfSubmodels(), 1);
    EXPECT_EQ(net.numSamples, 1000);
    EXPECT_EQ(net.discSamples, 10000);
    EXPECT_EQ(net.GetBayesianAlgorithm(), 4);
    EXPECT_STREQ(net.creation.GetCreator(), "tester");
    for (int h = 0; h < slots; ++h) {
        EXPECT_EQ(net.GetEntry(h).parents.GetCount(), 0);
        EXPECT_EQ(net.GetEntry(h).costChildren.GetCount(), 0);
    }
}

TEST_F(NetworkFilesTest, NoSlotReusedByAReadCarriesAnOldArc) {
    VRX_network net;
    BuildFullNetwork(net);
    VRX_network small;
    ASSERT_GE(small.AddNode(DefinitionType::kCpt, "P"), 0);
    ASSERT_GE(small.AddNode(DefinitionType::kCpt, "Q"), 0);
    ASSERT_EQ(net.ReadFile(WriteTextFile("small.vrx", Text(small)).c_str()), 0);
    ASSERT_EQ(net.GetNumberOfNodes(), 2);
    for (int h = 0; h < net.GetNumberOfSlots(); ++h) {
        const VRX_nodeEntry& entry = net.GetEntry(h);
        EXPECT_EQ(entry.parents.GetCount() + entry.children.GetCount(), 0) << h;
        EXPECT_EQ(entry.costParents.GetCount() + entry.costChildren.GetCount(), 0) << h;
    }
}

TEST_F(NetworkFilesTest, RefusedWrites) {
    VRX_network net;
    ASSERT_GE(net.AddNode(DefinitionType::kCpt, "A"), 0);
    EXPECT_EQ(net.WriteFile(TempPath("code7.vrx").c_str(), FileFormatCode::kKi), kOutOfRange);
    EXPECT_TRUE(Logged(kOutOfRange, "Writing to KI file format not supported."));
    errorLog.Flush();
    const std::string hugin = TempPath("refused.net");
    std::remove(hugin.c_str());
    ASSERT_GE(net.AddNode(DefinitionType::kEquation, "E"), 0);
    EXPECT_EQ(net.WriteFile(hugin.c_str()), kOutOfRange);
    EXPECT_TRUE(Logged(kOutOfRange,
                       "ERROR: This Network cannot be saved in Hugin format: Node [E] is an equation node"));
    EXPECT_FALSE(FileExists(hugin));
}

// The cast and DeMorgan kinds take only parents of their own kind: a parent turned into another kind
// leaves such children (whose other weights stay), a node turned into one leaves its other parents, and
// the file written then reads back as the same network.
TEST_F(NetworkFilesTest, KindChangesAroundTwoOutcomeKindsWriteFilesThatReadBack) {
    struct Case {
        int kind;
        int parentBecomes;
        const char* kindName;
        const char* becomesName;
    };
    const int cast = DefinitionType::kCast;
    const int deMorgan = DefinitionType::kDeMorgan;
    for (const Case& c : {Case{cast, DefinitionType::kCpt, "cast", "chance"},
                          Case{cast, DefinitionType::kTable, "cast", "utility"},
                          Case{deMorgan, DefinitionType::kList, "DeMorgan", "decision"},
                          Case{deMorgan, cast, "DeMorgan", "cast"}}) {
        for (const char* extension : {".vrx", ".xvrx"}) {
            SCOPED_TRACE(std::to_string(c.kind) + " " + std::to_string(c.parentBecomes) + extension);
            VRX_network net;
            const int a = net.AddNode(c.kind, "A");
            const int b = net.AddNode(c.kind, "B");
            const int child = net.AddNode(c.kind, "C");
            const int d = net.AddNode(DefinitionType::kCpt, "D");
            const int e = net.AddNode(DefinitionType::kCpt, "E");
            ASSERT_EQ(net.AddArc(a, child), kSuccess);
            ASSERT_EQ(net.AddArc(b, child), kSuccess);
            ASSERT_EQ(net.AddArc(d, e), kSuccess);
            VRX_nodeDefinition* definition = net.GetNode(child)->GetDefinition();
            ASSERT_EQ(c.kind == cast
                          ? static_cast<VRX_cast*>(definition)->SetPositiveWeights(Doubles({0.0, 0.7}))
                          : static_cast<VRX_demorgan*>(definition)->SetParentWeight(1, 0.7),
                      kSuccess);

            errorLog.Flush();
            ASSERT_EQ(net.GetNode(a)->ChangeType(c.parentBecomes), kSuccess);
            ASSERT_EQ(net.GetNode(e)->ChangeType(c.kind), kSuccess);
            const std::string ends = ", which the kinds at their ends do not take\n";
            EXPECT_EQ(LogDump(), "-51 Node [A] : its change to a " + std::string(c.becomesName) +
                                     " node removed the arc to [C]" + ends +
                                     "-51 Node [E] : its change to a " + c.kindName +
                                     " node removed the arc from [D]" + ends);
            EXPECT_EQ(IdsOf(net, net.GetParents(child)), (std::vector<std::string>{"B"}));
            EXPECT_EQ(net.GetNumberOfParents(e), 0);
            EXPECT_DOUBLE_EQ(c.kind == cast ? static_cast<VRX_cast*>(definition)->GetPositiveWeights()[0]
                                            : static_cast<VRX_demorgan*>(definition)->GetParentWeight(0),
                             0.7);

            const TempFile file(extension);
            ASSERT_EQ(net.WriteFile(file.c_str()), kSuccess) << LogDump();
            VRX_network back;
            ASSERT_EQ(back.ReadFile(file.c_str()), kSuccess) << LogDump();
            ExpectSameModel(net, back);
        }
    }
}

}  // namespace
