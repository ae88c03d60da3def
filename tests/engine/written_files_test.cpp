// Writes that succeed read back with the same network, and writes that cannot are refused before a file
// is made: files too large for the readers, tables no file can hold, tables scaled as the update uses
// them for formats of probabilities, and the warnings of what a format leaves out.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "model/ci_definition.h"
#include "model/extra_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "tests/support/arrays.h"
#include "tests/support/costly_inputs.h"
#include "tests/support/error_log.h"
#include "tests/support/format_round_trip.h"
#include "tests/support/networks.h"
#include "tests/support/save_failure.h"
#include "tests/support/temp_file.h"

namespace {

using namespace vovido::test;

const char* const kWritten[] = {"vrx", "xvrx", "net", "dne", "dsc", "erg", "xml03"};

// The refusal of a file too large, up to its byte count and after it.
const std::string kTooLargeEnd = " bytes, more than the 1,073,741,824 a reader takes (FILE TOO LARGE)";

bool StartsAndEnds(const std::string& text, const std::string& start, const std::string& end) {
    return text.size() >= start.size() + end.size() && text.compare(0, start.size(), start) == 0 &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Writes to a file holding "old": the status, the file left as it was unless the write succeeded.
int WriteOver(VRX_network& net, const std::string& extension) {
    const std::string target = TempPath("written_over." + extension);
    EXPECT_TRUE(WriteWholeFile(target, "old"));
    errorLog.Flush();
    const int rc = net.WriteFile(target.c_str());
    if (rc != kSuccess) {
        EXPECT_EQ(ReadTextFile(target), "old") << extension;
        EXPECT_EQ(FilesBeside(target), std::vector<std::string>{}) << extension;
    }
    std::remove(target.c_str());
    return rc;
}

class WrittenFiles : public FreshLogTest<> {};

// Ten 6-state nodes, one of them with the other nine as parents and no table data: a few hundred bytes
// to read, a uniform table of 60,466,176 cells, each 1/6, whose text ("0.16666666666666666", 19
// characters) passes what the readers take in every format: refused from the least text of its numbers
// (18 characters, "0." and the 16 digits at least that 1/6 needs) and of what the format puts around them,
// once that passes the limit.
TEST_F(WrittenFiles, ATableWhoseNumbersPassTheReadersLimitIsRefusedBeforeItIsWritten) {
    VRX_network net;
    ASSERT_EQ(ReadAsFile(net, HuginUniformFamilyText(9, 6), "net"), kSuccess) << LogDump();
    const std::string start =
        "ERROR: Node [child] : its table of 60,466,176 cells would make the file at least ";
    for (const char* extension : kWritten) {
        EXPECT_EQ(WriteOver(net, extension), kOutOfMemory) << extension;
        const std::string first = errorLog.GetNumberOfEntries() > 0 ? errorLog.GetMessage(0) : "";
        EXPECT_TRUE(StartsAndEnds(first, start, kTooLargeEnd)) << extension << "\n" << LogDump();
    }
}

// A noisy-MAX node of 26 two-state parents: the formats that write its table are refused from the count
// of its cells alone, before the table (2^27 cells) is built, where its least text passes the limit; the
// own formats write its parameters.
TEST_F(WrittenFiles, AnExpandedTableIsCountedBeforeItIsBuilt) {
    VRX_network net;
    std::vector<std::string> ids;
    for (int i = 0; i < 26; ++i) ids.push_back("p" + std::to_string(i));
    std::vector<const char*> parents;
    for (const std::string& id : ids) parents.push_back(id.c_str());
    for (const char* id : parents) AddNode(net, DefinitionType::kNoisyMax, id, {});
    AddNode(net, DefinitionType::kNoisyMax, "N", parents);
    {
        BufferCeiling ceiling(1 << 20);  // the table would fail to be built
        for (const char* extension : {"net", "dne", "dsc"}) {
            EXPECT_EQ(WriteOver(net, extension), kOutOfMemory) << extension;
            const std::string first = errorLog.GetNumberOfEntries() > 0 ? errorLog.GetMessage(0) : "";
            EXPECT_TRUE(StartsAndEnds(
                first, "ERROR: Node [N] : its table of 134,217,728 cells would make the file at least ",
                kTooLargeEnd))
                << extension << "\n"
                << LogDump();
        }
        // XMLBIF gives a number two bytes at least and an outcome two (2^27 * 2 + 26 * 2 * 2 + 27 * 8 +
        // 27 * 2 * 2 in all) and 26 at most with its blank, a quarter more for its lines, and N's outcomes
        // their names and 24 ((2^27 * 26 + 64) * 5 / 4 + 2 * (6 + 24)).
        EXPECT_EQ(WriteOver(net, "xml03"), kOutOfMemory);
        EXPECT_TRUE(Logged(kOutOfMemory,
                           "ERROR: Node [N] : its table of 134,217,728 cells, computed from its parameters, "
                           "would make the file at least 268,435,884 bytes and take up to 4,362,076,300 "
                           "itself, more than the 1,073,741,824 a reader takes; a table past 50,331,648 "
                           "cells is not computed to count its text (FILE TOO LARGE)"))
            << LogDump();
    }
    const TempFile file(".xvrx");
    ASSERT_EQ(net.WriteFile(file.c_str()), kSuccess) << LogDump();
    VRX_network copy;
    ASSERT_EQ(copy.ReadFile(file.c_str()), kSuccess) << LogDump();
    EXPECT_EQ(copy.GetParents(copy.FindNode("N")).GetCount(), 26);
}

// Noisy-MAX nodes of 26 and 27 two-state parents, whose tables the formats of other tools write as plain
// tables: a file the readers would refuse for the sum of its tables (2 GiB) is refused at once, before
// either table is built, where its text fits (XMLBIF; the others' least text passes 1 GiB).
TEST_F(WrittenFiles, TablesPastWhatAReadBuildsAreRefusedBeforeTheyAreBuilt) {
    VRX_network net;
    std::vector<std::string> ids;
    for (int i = 0; i < 27; ++i) ids.push_back("p" + std::to_string(i));
    std::vector<const char*> parents;
    for (const std::string& id : ids) parents.push_back(id.c_str());
    for (const char* id : parents) AddNode(net, DefinitionType::kNoisyMax, id, {});
    AddNode(net, DefinitionType::kNoisyMax, "N",
            std::vector<const char*>(parents.begin(), parents.end() - 1));
    AddNode(net, DefinitionType::kNoisyMax, "M", parents);
    BufferCeiling ceiling(1 << 20);  // neither table could be built
    EXPECT_EQ(WriteOver(net, "xml03"), kOutOfMemory);
    EXPECT_TRUE(Logged(kOutOfMemory,
                       "ERROR: Node [M] : its table of 268,435,456 cells would give the file tables "
                       "of 402,653,180 cells, more than the 268,435,456 a read builds (TABLES TOO "
                       "LARGE)"))
        << LogDump();
}

// A table whose text is many times the chunk a writer streams at once (46,656 cells of random
// distributions) comes back bit for bit from every format.
TEST_F(WrittenFiles, ALargeTableStreamsWhole) {
    TestNetwork t;
    const int child = t.Add("C", 6);
    for (int i = 0; i < 5; ++i) t.Arc(t.Add(("P" + std::to_string(i)).c_str(), 6), child);
    std::mt19937 rng(7);
    t.RandomTables(rng, 0.0);
    for (const char* extension : kWritten) {
        const TempFile file(std::string(".") + extension);
        ASSERT_EQ(t.net.WriteFile(file.c_str()), kSuccess) << extension << LogDump();
        VRX_network copy;
        ASSERT_EQ(copy.ReadFile(file.c_str()), kSuccess) << extension << LogDump();
        EXPECT_EQ(TableOf(copy, copy.FindNode("C")), TableOf(t.net, child)) << extension;
    }
}

// NaN and infinite entries fail every write naming the node and the entry; the old file stays.
TEST_F(WrittenFiles, TablesWithNaNOrInfinityAreRefused) {
    struct Case {
        double value;
        const char* what;
    };
    for (const Case& c : {Case{std::numeric_limits<double>::quiet_NaN(), "not a number"},
                          Case{std::numeric_limits<double>::infinity(), "infinite"}}) {
        TestNetwork t;
        const int a = t.Add("A");
        // Refused by the setter naming the node, and when written into the matrix, by every writer.
        errorLog.Flush();
        EXPECT_EQ(t.net.GetNode(a)->GetDefinition()->SetDefinitionDoubles(Doubles({0.5, c.value})),
                  kOutOfRange);
        EXPECT_EQ(MessageAt(0).rfind("ERROR: Node [A] : entry 1 of its table is no finite number", 0), 0u)
            << LogDump();
        t.RawTable(a, {0.5, c.value});
        for (const char* extension : kWritten) {
            EXPECT_EQ(WriteOver(t.net, extension), kObjectNotConsistent) << extension;
            EXPECT_TRUE(
                Logged(kObjectNotConsistent, std::string("ERROR: Node [A] : entry 1 of its table is ") +
                                                 c.what + ", which no file can hold"))
                << extension << LogDump();
        }
    }
}

// A negative entry, which no reader takes, fails the write to every format naming the node; finite entries
// whose sum is not (which the update refuses too) are no distribution that scaling gives, which the
// formats of other tools hold only.
TEST_F(WrittenFiles, ColumnsNoScalingMendsAreRefusedByTheFormatsOfOtherTools) {
    struct Case {
        std::vector<double> table;
        std::string message;
        std::vector<const char*> extensions;
    };
    const Case cases[] = {
        {{1.5, -0.5},
         "ERROR: Node [A] : entry 1 of its table is negative (-0.5), which no file can hold",
         {"net", "dne", "dsc", "erg", "xml03", "vrx", "xvrx"}},
        {{1.5e308, 1.5e308},
         "ERROR: Node [A] : column 0 of its table does not sum to a finite number, which the format cannot "
         "hold",
         {"net", "dne", "dsc", "erg", "xml03"}},
    };
    for (const Case& c : cases) {
        TestNetwork t;
        t.RawTable(t.Add("A"), c.table);
        // What the format would leave out is no part of a refusal, which comes first.
        ASSERT_EQ(t.net.GetHeader()->SetId("n"), kSuccess);
        for (const char* extension : c.extensions) {
            EXPECT_EQ(WriteOver(t.net, extension), kObjectNotConsistent) << extension;
            ASSERT_GT(errorLog.GetNumberOfEntries(), 0) << extension;
            EXPECT_EQ(MessageAt(0), c.message) << extension << LogDump();
        }
    }
}

// Noisy parameters and temporal tables that the setters refuse, written straight into their matrices, fail
// the write naming the node and which numbers.
TEST_F(WrittenFiles, ParametersAndTemporalTablesNoReaderTakesAreRefused) {
    struct Case {
        bool temporal;
        std::string message;
    };
    const Case cases[] = {
        {false, "ERROR: Node [Y] : entry 1 of its parameters is negative (-0.3), which no file can hold"},
        {true,
         "ERROR: Node [Y] : entry 0 of its temporal table of order 1 is negative (-1), which no file can "
         "hold"},
    };
    for (const Case& c : cases) {
        TestNetwork t;
        const int y = t.Add("Y", 2, c.temporal ? DefinitionType::kCpt : DefinitionType::kNoisyMax);
        t.Arc(t.Add("A"), y);
        double* entries = nullptr;
        if (c.temporal) {
            ASSERT_EQ(t.net.SetTemporalType(y, TemporalType::kPlate), kSuccess);
            ASSERT_EQ(t.net.AddTemporalArc(y, y, 1), kSuccess);
            entries = t.net.GetNode(y)->GetDefinition()->GetTemporalDefinition(1)->GetItems();
            entries[0] = -1.0;
        } else {
            entries =
                static_cast<VRX_ciDefinition*>(t.net.GetNode(y)->GetDefinition())->GetCiWeights()->GetData();
            entries[1] = -0.3;
        }
        for (const char* extension : {"vrx", "xvrx"}) {
            EXPECT_EQ(WriteOver(t.net, extension), kObjectNotConsistent) << extension;
            ASSERT_GT(errorLog.GetNumberOfEntries(), 0) << extension;
            EXPECT_EQ(MessageAt(0), c.message) << extension << LogDump();
        }
    }
}

// Columns that do not sum to 1 are written scaled where the reader takes probabilities only, a column
// of zeros kept as the update reads it, so that the copy's beliefs are the original's; the formats of
// counts keep them as given, but for Hugin's column of zeros, which its reader takes as uniform.
TEST_F(WrittenFiles, ColumnsOffOneAreWrittenAsTheUpdateUsesThem) {
    TestNetwork t;
    const int a = t.Add("A");
    const int b = t.Add("B");
    t.Arc(a, b);
    t.Table(a, {1.5, 0.5});
    t.Table(b, {0.0, 0.0, 0.2, 0.6});
    // A rounded column (0.333, 0.333, 0.333) stays as given; one with an entry above 1 does not.
    const int c = t.Add("C", 3);
    t.Arc(a, c);
    t.Table(c, {0.333, 0.333, 0.333, 1.004, 0.0, 0.0});
    ASSERT_EQ(t.net.UpdateBeliefs(), kSuccess);
    const std::vector<double> beliefs = t.Beliefs(c);
    struct Case {
        const char* extension;
        std::vector<double> a;
        std::vector<double> b;
        std::vector<double> c;
        std::string warning;
    };
    const std::vector<double> givenA = {1.5, 0.5};
    const std::vector<double> givenB = {0.0, 0.0, 0.2, 0.6};
    const std::vector<double> givenC = {0.333, 0.333, 0.333, 1.004, 0.0, 0.0};
    const Case scaled = {
        "",
        {0.75, 0.25},
        {0.0, 0.0, 0.25, 0.75},
        {0.333, 0.333, 0.333, 1.0, 0.0, 0.0},
        "-2 tables written with their columns scaled to sum to 1, as the update uses them: 3 "
        "nodes, e.g. [A], [B], [C]\n"};
    const Case given = {"", givenA, givenB, givenC, ""};
    const auto as = [](const char* extension, Case c) {
        c.extension = extension;
        return c;
    };
    for (const Case& c :
         {as("dne", scaled), as("dsc", scaled), as("erg", scaled), as("xml03", scaled), as("vrx", given),
          as("xvrx", given),
          // The Hugin reader normalises every column, a column of zeros to uniform, as the update reads it.
          Case{"net",
               {0.75, 0.25},
               {0.5, 0.5, 0.25, 0.75},
               {1.0 / 3, 1.0 / 3, 1.0 / 3, 1.0, 0.0, 0.0},
               scaled.warning}}) {
        SCOPED_TRACE(c.extension);
        const TempFile file(std::string(".") + c.extension);
        errorLog.Flush();
        ASSERT_EQ(t.net.WriteFile(file.c_str()), kSuccess) << LogDump();
        EXPECT_EQ(LogDump(), c.warning);
        VRX_network copy;
        ASSERT_EQ(copy.ReadFile(file.c_str()), kSuccess) << LogDump();
        ExpectNear(TableOf(copy, copy.FindNode("A")), c.a, 1e-15);
        ExpectNear(TableOf(copy, copy.FindNode("B")), c.b, 1e-15);
        ExpectNear(TableOf(copy, copy.FindNode("C")), c.c, 1e-15);
        errorLog.Flush();
        ASSERT_EQ(copy.UpdateBeliefs(), kSuccess);
        ExpectNear(Beliefs(copy, copy.FindNode("C")), beliefs, 1e-12);
    }
}

// Random tables of numbers no table should hold and tables do (above 1, zeros, subnormal, huge): every
// write that succeeds reads back, and the copy's update answers as the original's did, with the same
// beliefs.
TEST_F(WrittenFiles, RandomTablesReadBackWithTheirBeliefs) {
    std::mt19937 rng(11);
    const double values[] = {0, 0.3, 1, 1.5, 1e-320, 1e300, 2.5e-7, 0.999999, 0.5, 3, 1e-300, 0.1};
    for (int round = 0; round < 150; ++round) {
        TestNetwork t;
        std::vector<int> nodes;
        const int n = 2 + static_cast<int>(rng() % 4);
        for (int i = 0; i < n; ++i)
            nodes.push_back(t.Add(("N" + std::to_string(i)).c_str(), 2 + static_cast<int>(rng() % 3)));
        for (int i = 1; i < n; ++i) {
            if (rng() % 2 != 0) t.Arc(nodes[rng() % static_cast<unsigned>(i)], nodes[static_cast<size_t>(i)]);
        }
        for (const int h : nodes) {
            std::vector<double> table(static_cast<size_t>(t.Definition(h).GetNumberOfElements()));
            for (double& entry : table) entry = values[rng() % 12];
            t.Table(h, table);
        }
        const int updated = t.net.UpdateBeliefs();
        for (const char* extension : kWritten) {
            SCOPED_TRACE(std::string(extension) + " round " + std::to_string(round));
            const TempFile file(std::string(".") + extension);
            errorLog.Flush();
            ASSERT_EQ(t.net.WriteFile(file.c_str()), kSuccess) << LogDump();
            VRX_network copy;
            ASSERT_EQ(copy.ReadFile(file.c_str()), kSuccess) << LogDump();
            ASSERT_EQ(copy.UpdateBeliefs(), updated) << LogDump();
            if (updated != kSuccess) continue;
            for (const int h : nodes)
                ExpectNear(Beliefs(copy, copy.FindNode(IdOf(t.net, h).c_str())), t.Beliefs(h), 1e-9);
        }
    }
}

// What a format cannot hold is left out with one warning per kind, naming how many nodes: kinds, names,
// comments, submodels, targets and the roles of the diagnosis.
TEST_F(WrittenFiles, WhatAFormatCannotHoldIsWarnedOnce) {
    VRX_network net;
    AddCptNode(net, "A", 2);
    AddCptNode(net, "B", 2);
    AddNode(net, DefinitionType::kNoisyMax, "N1", {"A", "B"});
    AddNode(net, DefinitionType::kNoisyMax, "N2", {"A"});
    AddNode(net, DefinitionType::kTruthTable, "T", {"A"});
    ASSERT_EQ(net.GetNode(net.FindNode("A"))->GetInfo()->header.SetName("Lung Cancer"), kSuccess);
    ASSERT_EQ(net.GetNode(net.FindNode("B"))->GetInfo()->header.SetComment("a comment"), kSuccess);
    ASSERT_EQ(net.GetHeader()->SetComment("the network's"), kSuccess);
    ASSERT_EQ(net.SetTarget(net.FindNode("B")), kSuccess);
    net.GetNode(net.FindNode("A"))->GetExtraDefinition()->ranked = 1;
    const int engine = net.GetSubmodelHandler().CreateSubmodel(kMainSubmodel, "Engine");
    ASSERT_EQ(net.GetNode(net.FindNode("T"))->SetSubmodel(engine), kSuccess);
    const std::string plain = "-2 written as plain tables: 2 noisy-MAX nodes, e.g. [N1], [N2]\n";
    const std::string truth = "-2 Node [T] : its truth table is written as a plain table\n";
    const std::string comment = "-2 Node [B] : its comment is left out\n";
    const std::string name = "-2 Node [A] : its name \"Lung Cancer\" is replaced by its identifier\n";
    const std::string submodel = "-2 Node [T] : its submodel is left out\n";
    const std::string network = "-2 The network's comment is left out\n";
    const std::string roles = "-2 Node [A] : its diagnostic role and texts are left out\n";
    const std::string target = "-2 Node [B] : its target mark is left out\n";
    struct Case {
        const char* extension;
        std::string warnings;
    };
    // In the order of the nodes' first notices.
    for (const Case& c :
         {Case{"net", roles + comment + target + plain + truth + submodel + network},
          Case{"dsc", roles + comment + target + plain + truth + submodel + network},
          Case{"xml03", name + roles + comment + target + plain + truth + submodel + network},
          Case{"dne", roles + target + plain + submodel}, Case{"vrx", ""}, Case{"xvrx", ""}}) {
        const TempFile file(std::string(".") + c.extension);
        errorLog.Flush();
        EXPECT_EQ(net.WriteFile(file.c_str()), kSuccess) << c.extension << LogDump();
        EXPECT_EQ(LogDump(), c.warnings) << c.extension;
    }
    // Hugin and Ergo files hold no network statement: an identifier and the name that repeats it are lost.
    VRX_network named;
    AddCptNode(named, "A", 2);
    ASSERT_EQ(named.GetHeader()->SetId("alarm"), kSuccess);
    ASSERT_EQ(named.GetHeader()->SetName("alarm"), kSuccess);
    for (const char* extension : {".net", ".erg"}) {
        const TempFile file(extension);
        errorLog.Flush();
        EXPECT_EQ(named.WriteFile(file.c_str()), kSuccess) << extension << LogDump();
        EXPECT_EQ(LogDump(), "-2 The network's identifier and name [alarm] are left out\n") << extension;
    }
    // An MSBN header holds one text, the name before the identifier.
    ASSERT_EQ(named.GetHeader()->SetName("Alarm system"), kSuccess);
    const TempFile msbn(".dsc");
    errorLog.Flush();
    EXPECT_EQ(named.WriteFile(msbn.c_str()), kSuccess) << LogDump();
    EXPECT_EQ(LogDump(), "-2 The network's identifier [alarm] is left out\n");
    // XMLBIF alone takes the other kinds given by parameters.
    VRX_network demorgan;
    AddNode(demorgan, DefinitionType::kDeMorgan, "D", {});
    const TempFile file(".xml03");
    errorLog.Flush();
    EXPECT_EQ(demorgan.WriteFile(file.c_str()), kSuccess) << LogDump();
    EXPECT_EQ(LogDump(), "-2 Node [D] : its DeMorgan parameters are written as a plain table\n");
}

// The values of every node after an update: beliefs, expected utilities; empty when none.
std::vector<std::vector<double>> AllValues(VRX_network& net, const VRX_network& names) {
    std::vector<std::vector<double>> values;
    for (int h = names.GetFirstNode(); h >= 0; h = names.GetNextNode(h)) {
        const int own = net.FindNode(IdOf(names, h).c_str());
        EXPECT_GE(own, 0) << IdOf(names, h);
        if (own < 0) return values;
        values.push_back(Beliefs(net, own));
    }
    return values;
}

// Every real file of other tools and every reference network, written in every format that takes it
// and read back: the same nodes with the same values after an update.
TEST_F(WrittenFiles, EveryRealFileReadsBackFromEveryWriter) {
    std::vector<std::string> files;
    for (const std::string& folder : {FormatSamplePath(""), std::string(VOVIDO_NETWORKS_DIR)}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string extension = entry.path().extension().string();
            if (extension == ".dne" || extension == ".dsc" || extension == ".erg" || extension == ".net" ||
                extension == ".xml" || extension == ".xvrx")
                files.push_back(entry.path().string());
        }
    }
    ASSERT_GT(files.size(), 20u);
    for (const std::string& path : files) {
        VRX_network original;
        std::string extension = path.substr(path.rfind('.') + 1);
        if (extension == "xml") {
            ASSERT_EQ(ReadAsFile(original, ReadTextFile(path), "xml03"), kSuccess) << path << LogDump();
        } else {
            ASSERT_EQ(original.ReadFile(path.c_str()), kSuccess) << path << LogDump();
        }
        const int updated = original.UpdateBeliefs();
        const std::vector<std::vector<double>> expected =
            updated == kSuccess ? AllValues(original, original) : std::vector<std::vector<double>>();
        for (const char* format : kWritten) {
            SCOPED_TRACE(path + " as " + format);
            const TempFile file(std::string(".") + format);
            errorLog.Flush();
            if (original.WriteFile(file.c_str()) != kSuccess) continue;  // refused: nothing to read back
            VRX_network copy;
            ASSERT_EQ(copy.ReadFile(file.c_str()), kSuccess) << LogDump();
            ASSERT_EQ(copy.GetNumberOfNodes(), original.GetNumberOfNodes());
            ASSERT_EQ(copy.UpdateBeliefs(), updated) << LogDump();
            if (updated != kSuccess) continue;
            const std::vector<std::vector<double>> found = AllValues(copy, original);
            ASSERT_EQ(found.size(), expected.size());
            for (size_t n = 0; n < found.size(); ++n) {
                ASSERT_EQ(found[n].size(), expected[n].size()) << n;
                for (size_t k = 0; k < found[n].size(); ++k)
                    EXPECT_NEAR(found[n][k], expected[n][k], 1e-9) << n;
            }
        }
    }
}

}  // namespace
