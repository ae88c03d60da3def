// Sections of what files hold that hid past faults: sample counts as written and as edited in the texts,
// table entries a hair below 0, outcome labels refused and generated, and a network named as its node,
// each written in every format and read back.
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "base/id_array.h"
#include "model/extra_definition.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"
#include "tests/support/arrays.h"
#include "tests/support/networks.h"

namespace vovido::compare {
namespace {

// a (0.3125, 0.6875) -> b, written entries no other number of the file shares.
void BuildPair(VRX_network& net) {
    (void)test::AddNode(net, DefinitionType::kCpt, "a", {});
    (void)test::AddNode(net, DefinitionType::kCpt, "b", {"a"});
    (void)test::Def(net, "a").SetDefinitionDoubles(test::Doubles({0.3125, 0.6875}));
    (void)test::Def(net, "b").SetDefinitionDoubles(test::Doubles({0.9, 0.1, 0.2, 0.8}));
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The text with every `from` replaced; false when it holds none.
bool ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    bool found = false;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
        found = true;
    }
    return found;
}

// The network written in the format, its text edited by `edits` and read back; `answer` answers the copy.
void ReadEdited(VRX_network& net, const std::string& scratch, const std::string& extension,
                const std::vector<std::pair<std::string, std::string>>& edits, const std::string& key,
                const std::function<void(VRX_network&, const std::string&)>& answer) {
    const std::string path = scratch + "/edited" + extension;
    if (net.WriteFile(path.c_str()) != 0) return PrintAnswer(false, key + ":write", -1, 0.0, "");
    std::string text = FileText(path);
    for (const auto& [from, to] : edits) {
        if (!ReplaceAll(text, from, to)) return PrintAnswer(false, key + ":absent", 0, 0.0, "");
    }
    std::ofstream(path, std::ios::binary) << text;
    VRX_network back;
    if (RecordRead(back, path, key + ":read") == 0) answer(back, key);
    std::remove(path.c_str());
}

void SampleCounts(const std::string& scratch) {
    for (int samples : {0, -1, 1, 1000, 50000}) {
        VRX_network net;
        BuildPair(net);
        net.numSamples = samples;
        RecordRoundTrips(net, scratch, "file-shapes:sample-counts:" + std::to_string(samples),
                         [](VRX_network& back, const std::string& at) {
                             PrintAnswer(false, at + ":samples", 0, 0.0,
                                         "numSamples=" + std::to_string(back.numSamples));
                         });
    }
    // The count as a file edited by hand, or written before counts were checked, may hold it.
    for (const std::string text :
         {"0", "-5", "", "1e3", "1.5", " 12", "0012", "+7", "2147483648", "99999999999"}) {
        std::string name = text;
        (void)ReplaceAll(name, " ", "_");
        for (const char* extension : {".vrx", ".xvrx"}) {
            VRX_network net;
            BuildPair(net);
            net.numSamples = 7777;
            ReadEdited(net, scratch, extension, {{"7777", text}},
                       "file-shapes:sample-counts:text=" + name + ":" + (extension + 1),
                       [](VRX_network& back, const std::string& at) {
                           PrintAnswer(false, at + ":samples", 0, 0.0,
                                       "numSamples=" + std::to_string(back.numSamples));
                       });
        }
    }
}

// a's entries in every format replaced by a number a hair below 0 (or past it) and 1.
void TinyNegatives(const std::string& scratch) {
    for (const char* entry : {"-1e-06", "-1e-07", "-0.0000005", "-1e-300", "-0", "-1.5e-06", "-0.001"}) {
        for (const std::string& extension : WritableFormats()) {
            VRX_network net;
            BuildPair(net);
            ReadEdited(net, scratch, extension, {{"0.3125", entry}, {"0.6875", "1"}},
                       std::string("file-shapes:tiny-negatives:") + entry + ":" + extension.substr(1),
                       [](VRX_network& back, const std::string& at) {
                           PrintAnswer(false, at + ":model", 0, 0.0, NetworkModel(back));
                       });
        }
    }
}

// Every node's outcome labels, "-" for an empty one.
std::string Labels(VRX_network& net) {
    std::string out;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        const VRX_idArray* labels = net.GetNode(h)->GetExtraDefinition()->GetOutcomeLabels();
        out += std::string(out.empty() ? "" : " ") + net.GetNode(h)->GetId() + "=";
        for (int i = 0; labels != nullptr && i < labels->GetCount(); ++i) {
            const char* label = (*labels)[i];
            out += std::string(i > 0 ? "," : "") + (label != nullptr && *label != '\0' ? label : "-");
        }
    }
    return out;
}

void RefusedLabels(const std::string& scratch) {
    VRX_network net;
    BuildPair(net);
    VRX_extraDefinition& a = *net.GetNode(net.FindNode("a"))->GetExtraDefinition();
    VRX_extraDefinition& b = *net.GetNode(net.FindNode("b"))->GetExtraDefinition();
    VRX_stringArray twice;
    (void)twice.Add("M1");
    (void)twice.Add("L1");
    const std::pair<const char*, std::function<int()>> calls[] = {
        {"a0=L1", [&] { return a.SetOutcomeLabel(0, "L1"); }},
        {"b0=L1", [&] { return b.SetOutcomeLabel(0, "L1"); }},
        {"b1=bad label", [&] { return b.SetOutcomeLabel(1, "bad label"); }},
        {"b1=1st", [&] { return b.SetOutcomeLabel(1, "1st"); }},
        {"b5=x", [&] { return b.SetOutcomeLabel(5, "x"); }},
        {"b-1=x", [&] { return b.SetOutcomeLabel(-1, "x"); }},
        {"a1=b", [&] { return a.SetOutcomeLabel(1, "b"); }},
        {"b=M1,L1", [&] { return b.SetOutcomeLabels(twice); }},
        {"a0=empty", [&] { return a.SetOutcomeLabel(0, ""); }},
        {"a0=L1-again", [&] { return a.SetOutcomeLabel(0, "L1"); }},
    };
    for (const auto& [name, call] : calls) {
        (void)RecordCall(false, std::string("file-shapes:labels:") + name, [&](std::string& values) {
            const int status = call();
            values = Labels(net);
            return status;
        });
    }
    RecordRoundTrips(net, scratch, "file-shapes:labels", [](VRX_network& back, const std::string& at) {
        PrintAnswer(false, at + ":labels", 0, 0.0, Labels(back));
    });
}

// The network's identifier that of its first node, written in every format and read back.
void NetworkNamedAsNode(const std::string& scratch) {
    VRX_network net;
    BuildPair(net);
    (void)RecordCall(false, "file-shapes:network-id:set", [&](std::string& values) {
        const int status = net.GetHeader()->SetId("a");
        values = std::string("id=") + net.GetHeader()->GetId();
        return status;
    });
    RecordRoundTrips(net, scratch, "file-shapes:network-id", [](VRX_network& back, const std::string& at) {
        std::string values = std::string("id=") + back.GetHeader()->GetId() + " ";
        for (int h = back.GetFirstNode(); h >= 0; h = back.GetNextNode(h))
            values += std::string(h == back.GetFirstNode() ? "nodes=" : ",") + back.GetNode(h)->GetId();
        PrintAnswer(false, at + ":ids", 0, 0.0, values + " " + NetworkModel(back));
    });
}

}  // namespace

// "sample-counts", "tiny-negatives", "labels" or "network-id".
void FileShapesSection(const std::string& which, const std::string& scratch) {
    if (which == "sample-counts") SampleCounts(scratch);
    if (which == "tiny-negatives") TinyNegatives(scratch);
    if (which == "labels") RefusedLabels(scratch);
    if (which == "network-id") NetworkNamedAsNode(scratch);
}

}  // namespace vovido::compare
