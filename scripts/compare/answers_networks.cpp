// Sections over the reference networks and real files: every case under every discrete algorithm, the
// query stream, every file read, written in every format and read back, and the random edits.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "model/network.h"
#include "model/node_definition.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"
#include "tests/support/random_edits.h"
#include "tests/support/reference_networks.h"

#ifndef VOVIDO_TEST_DATA_DIR
#error "VOVIDO_TEST_DATA_DIR names the folder of the test data"
#endif

namespace vovido::compare {
namespace {

const char* const kWritableFormats[] = {".vrx", ".xvrx", ".net", ".dne", ".erg", ".dsc", ".xml03"};
// Every code of the engine these sources are compiled against, and at least those of today, so that an
// algorithm either build lacks shows as an answer of one side only.
const int kLastAlgorithm = std::max(BayesianAlgorithm::kLast, 12);

bool HasDecisions(const VRX_network& net) {
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        if ((net.GetNodeType(h) & DefinitionBits::kDecision) != 0) return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> WritableFormats() {
    return {std::begin(kWritableFormats), std::end(kWritableFormats)};
}

int RecordRead(VRX_network& net, const std::string& path, const std::string& key) {
    // XMLBIF files of other tools end in ".xml", which names no format of the engine.
    const bool xmlBif = path.size() > 4 && path.compare(path.size() - 4, 4, ".xml") == 0;
    errorLog.Flush();
    const Stopwatch watch;
    const int status =
        net.ReadFile(path.c_str(), xmlBif ? FileFormatCode::kXmlBif : FileFormatCode::kByExtension);
    const Elapsed elapsed = watch.Times();
    PrintAnswer(false, key, status, elapsed, "nodes=" + std::to_string(net.GetNumberOfNodes()));
    return status;
}

int RecordWrite(VRX_network& net, const std::string& path, const std::string& key) {
    errorLog.Flush();
    const Stopwatch watch;
    const int status = net.WriteFile(path.c_str());
    PrintAnswer(false, key, status, watch.Times(), "written");
    return status;
}

void RecordRoundTrips(VRX_network& net, const std::string& scratch, const std::string& key,
                      const std::function<void(VRX_network&, const std::string&)>& answer) {
    for (const char* extension : kWritableFormats) {
        const std::string path = scratch + "/round_trip" + extension;
        const std::string at = key + ":" + (extension + 1);
        if (RecordWrite(net, path, at + ":write") == 0) {
            VRX_network back;
            if (RecordRead(back, path, at + ":read") == 0) answer(back, at);
        }
        std::remove(path.c_str());
    }
}

void RecordFileAnswers(VRX_network& net, const std::string& scratch, const std::string& key) {
    RecordFileUpdates(net, key);
    RecordRoundTrips(net, scratch, key,
                     [](VRX_network& back, const std::string& at) { RecordFileUpdates(back, at); });
}

void RecordFileUpdates(VRX_network& net, const std::string& key) {
    const bool sampled = IsDiscreteSampler(net.GetBayesianAlgorithm());
    if (HasDecisions(net)) {
        for (int algorithm :
             {InfluenceDiagramAlgorithm::kPolicyEvaluation, InfluenceDiagramAlgorithm::kBestPolicy}) {
            net.SetInfluenceDiagramAlgorithm(algorithm);
            net.InvalidateValues();
            SeedSamplers();
            (void)RecordUpdate(net, sampled, key + ":id" + std::to_string(algorithm),
                               [&] { return net.UpdateBeliefs(); });
        }
        return;
    }
    net.SetBayesianAlgorithm(BayesianAlgorithm::kClusteringWithDecomposition);
    net.InvalidateValues();
    (void)RecordUpdate(net, false, key + ":update", [&] { return net.UpdateBeliefs(); });
}

std::vector<std::string> ReferenceNetworks() {
    return {"asia", "child", "insurance", "water", "alarm", "hailfinder", "hepar2", "win95pts", "andes"};
}

std::vector<std::string> RealFiles() {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    for (const char* folder : {"formats", "networks"}) {
        for (const auto& entry : fs::directory_iterator(fs::path(VOVIDO_TEST_DATA_DIR) / folder)) {
            if (entry.is_directory()) continue;  // large/: networks of their own sections
            const std::string extension = entry.path().extension().string();
            if (extension == ".md" || extension == ".cases" || extension == ".ref") continue;
            files.push_back(std::string(folder) + "/" + entry.path().filename().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

void ReferenceSection(const std::string& name) {
    VRX_network net;
    if (RecordRead(net, test::ReferencePath(name, ".xvrx"), "reference:" + name + ":read") != 0) return;
    const std::vector<test::ReferenceCase> cases = test::ReadReferenceCases(name);
    for (const test::ReferenceCase& item : cases) {
        const std::string key = "reference:" + name + ":" + item.name;
        if (!test::SetCaseEvidence(net, item)) {
            PrintAnswer(false, key + ":evidence", -1, 0.0, "");
            continue;
        }
        for (int algorithm = BayesianAlgorithm::kFirst; algorithm <= kLastAlgorithm; ++algorithm) {
            net.SetBayesianAlgorithm(algorithm);
            net.InvalidateValues();
            SeedSamplers();
            (void)RecordUpdate(net, IsDiscreteSampler(algorithm), key + ":alg" + std::to_string(algorithm),
                               [&] { return net.UpdateBeliefs(); });
        }
        // The samplers again with many samples, on the second case.
        if (cases.size() > 1 && &item == &cases[1]) {
            const int samples = net.numSamples;
            net.numSamples = 50000;
            for (int algorithm = BayesianAlgorithm::kFirst; algorithm <= kLastAlgorithm; ++algorithm) {
                if (!IsDiscreteSampler(algorithm)) continue;
                net.SetBayesianAlgorithm(algorithm);
                net.InvalidateValues();
                SeedSamplers();
                (void)RecordUpdate(net, true, key + ":alg" + std::to_string(algorithm) + ":50000",
                                   [&] { return net.UpdateBeliefs(); });
            }
            net.numSamples = samples;
        }
        net.SetBayesianAlgorithm(BayesianAlgorithm::kClusteringWithDecomposition);
        for (bool chainRule : {false, true}) {
            errorLog.Flush();
            double pe = -1.0;
            const Stopwatch watch;
            const bool ok = net.CalcPropEvidence(&pe, chainRule);
            std::string value = "pe=";
            AppendNumber(value, pe);
            PrintAnswer(false, key + (chainRule ? ":pe-chain" : ":pe"), ok ? 0 : -1, watch.Times(), value);
        }
    }
}

// Each case's evidence in turn, twice round, updating after each, the tables unchanged between them.
void StreamSection(const std::string& name) {
    VRX_network net;
    if (RecordRead(net, test::ReferencePath(name, ".xvrx"), "stream:" + name + ":read") != 0) return;
    const std::vector<test::ReferenceCase> cases = test::ReadReferenceCases(name);
    const Stopwatch total;
    for (size_t step = 0; step < 2 * cases.size(); ++step) {
        const test::ReferenceCase& item = cases[step % cases.size()];
        const std::string key = "stream:" + name + ":" + std::to_string(step) + ":" + item.name;
        if (!test::SetCaseEvidence(net, item)) {
            PrintAnswer(false, key, -1, 0.0, "");
            continue;
        }
        (void)RecordUpdate(net, false, key, [&] { return net.UpdateBeliefs(); });
    }
    errorLog.Flush();
    PrintAnswer(false, "stream:" + name + ":total", 0, total.Times(), "");
}

void FileSection(const std::string& file, const std::string& scratch) {
    const std::string key = "file:" + file;
    VRX_network net;
    if (RecordRead(net, std::string(VOVIDO_TEST_DATA_DIR) + "/" + file, key + ":read") != 0) return;
    RecordFileAnswers(net, scratch, key);
}

// SCOPE:SEED: the random-edit property test's edits of asia and alarm, each followed by an update and by
// the round trips, the copies read back answered without evidence by exact propagation.
void EditsSection(const std::string& scopeAndSeed, const std::string& scratch) {
    const size_t colon = scopeAndSeed.find(':');
    const bool everything = scopeAndSeed.substr(0, colon) == "everything";
    const unsigned seed = static_cast<unsigned>(std::stoul(scopeAndSeed.substr(colon + 1)));
    for (const char* name : {"asia", "alarm"}) {
        const std::string base = "edits:" + scopeAndSeed + ":" + name;
        // The codes of the algorithms pinned, so that both builds draw the same edits.
        test::RandomEditor editor({everything, everything, everything, 13});
        editor.Seed(seed);
        VRX_network net;
        if (RecordRead(net, test::ReferencePath(name, ".xvrx"), base + ":read") != 0) continue;
        std::vector<int> handles;
        for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) handles.push_back(h);
        for (int edit = 0; edit < 25; ++edit) {
            errorLog.Flush();
            (void)editor.Edit(net, handles);
            const std::string key = base + ":" + std::to_string(edit);
            SeedSamplers();
            (void)RecordUpdate(net, IsDiscreteSampler(net.GetBayesianAlgorithm()), key + ":update",
                               [&] { return net.UpdateBeliefs(); });
            RecordRoundTrips(net, scratch, key, [](VRX_network& back, const std::string& at) {
                (void)back.ClearAllEvidence();
                back.SetBayesianAlgorithm(BayesianAlgorithm::kClusteringWithDecomposition);
                (void)RecordUpdate(back, false, at + ":update", [&] { return back.UpdateBeliefs(); });
            });
        }
    }
}

}  // namespace vovido::compare
