// Damaged copies of real files: keywords damaged one occurrence at a time, and the file cut after a
// line. A copy that still reads must name in the log every node whose table or states it lost; a node
// lost whole must be named too, unless the cut ended the file before it was declared.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "formats/vrx_format.h"
#include "tests/support/format_round_trip.h"

namespace {

using namespace vovido::test;

struct Sample {
    const char* file;  // a real file of tests/data/formats, or the own format written from asia
    const char* extension;
    std::vector<std::string> keywords;
};

const Sample kSamples[] = {
    {"asia_bnlearn.net", "net", {"net", "node", "states", "potential", "data"}},
    {"ChestClinic_nohdr.dne", "dne", {"bnet", "node", "kind", "discrete", "states", "parents", "probs"}},
    {"msbn_burglary.dsc", "dsc", {"network", "node", "type", "discrete", "probability"}},
    {"oilwildcatter_id.xml",
     "xml03",
     {"BIF", "NETWORK", "VARIABLE", "OUTCOME", "DEFINITION", "FOR", "GIVEN", "TABLE"}},
    {"iscas89_s386.erg", "erg", {"Probabilities", "Names", "Labels"}},
    {"asia", "vrx", {"net", "node", "TYPE", "PARENTS", "DEFINITION", "NAMESTATES", "PROBABILITIES"}},
};

// A file's worth of copies stays fast: at most this many damaged occurrences per keyword, and cuts.
constexpr size_t kOccurrences = 3;
constexpr size_t kCuts = 40;

using Model = std::map<std::string, std::pair<std::vector<std::string>, std::vector<double>>>;

Model ModelOf(VRX_network& net) {
    Model model;
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_Dmatrix* m = nullptr;  // a decision has none
        std::vector<double> table;
        if (net.GetNode(h)->GetDefinition()->GetDefinition(m) == kSuccess && m != nullptr)
            table.assign(m->GetData(), m->GetData() + m->GetNumberOfElements());
        model[IdOf(net, h)] = {OutcomesOf(net, h), table};
    }
    return model;
}

bool Named(const std::string& id) {
    for (const std::string& text : LoggedMessages()) {
        for (const std::string& form : {"[" + id + "]", "\"" + id + "\"", "'" + id + "'"})
            if (text.find(form) != std::string::npos) return true;
    }
    return false;
}

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// The text with the word's second half made zeros ("PROBABILITIES" becomes "PROBABI000000").
std::vector<std::pair<std::string, std::string>> Copies(const std::string& text, const Sample& sample) {
    std::vector<std::pair<std::string, std::string>> copies;
    for (const std::string& word : sample.keywords) {
        size_t found = 0;
        for (size_t at = text.find(word); at != std::string::npos && found < kOccurrences;
             at = text.find(word, at + 1)) {
            if ((at > 0 && IsWordChar(text[at - 1])) || IsWordChar(text[at + word.size()])) continue;
            std::string copy = text;
            for (size_t i = word.size() / 2 + 1; i < word.size(); ++i) copy[at + i] = '0';
            copies.emplace_back(word + " damaged at " + std::to_string(at), copy);
            ++found;
        }
    }
    std::vector<size_t> lineEnds;
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        lineEnds.push_back(at + 1);
    const size_t stride = lineEnds.size() / kCuts + 1;
    for (size_t i = 0; i + 1 < lineEnds.size(); i += stride)
        copies.emplace_back("cut after " + std::to_string(lineEnds[i]), text.substr(0, lineEnds[i]));
    return copies;
}

// A real file; the own format as its writer gives the reference network.
std::string SourceText(const char* file, const std::string& extension) {
    if (extension != "vrx") return FormatSampleText(file);
    VRX_network net;
    EXPECT_EQ(net.ReadFile(ReferencePath(file, ".xvrx").c_str()), kSuccess);
    return WrittenText<VRX_vrxSpeaker>(net);
}

TEST(DamagedExchangeFiles, NoReadCopyLosesContentSilently) {
    int read = 0;
    for (const Sample& sample : kSamples) {
        const std::string text = SourceText(sample.file, sample.extension);
        VRX_network original;
        ASSERT_EQ(ReadAsFile(original, text, sample.extension), kSuccess) << sample.file << LogDump();
        const Model reference = ModelOf(original);
        for (const auto& [what, copy] : Copies(text, sample)) {
            errorLog.Flush();
            VRX_network net;
            if (ReadAsFile(net, copy, sample.extension) != kSuccess) continue;
            ++read;
            const bool cut = what.compare(0, 3, "cut") == 0;
            const Model model = ModelOf(net);
            for (const auto& [id, content] : reference) {
                const auto found = model.find(id);
                const bool lost = found == model.end() ? !cut : found->second != content;
                EXPECT_TRUE(!lost || Named(id)) << sample.file << ", " << what << ": " << id << "\n"
                                                << LogDump();
            }
        }
    }
    // Copies read (damage that loses nothing, cuts between blocks), so the check above ran.
    EXPECT_GT(read, 20);
    errorLog.Flush();
}

// Each fault with its status and message: a copy of a real file damaged at the first occurrence of a
// text, or cut before it; without a file, the text itself.
struct Fault {
    const char* file;
    const char* extension;
    std::string at;
    std::string replacement;  // "<cut>" cuts the file before `at`
    int status;
    std::string message;
};

std::string Damaged(const Fault& fault) {
    if (fault.file == nullptr) return fault.replacement;
    std::string text = SourceText(fault.file, fault.extension);
    const size_t at = text.find(fault.at);
    EXPECT_NE(at, std::string::npos) << fault.at;
    if (at == std::string::npos) return text;
    if (fault.replacement == "<cut>") return text.substr(0, at);
    return text.replace(at, fault.at.size(), fault.replacement);
}

TEST(DamagedExchangeFiles, FailOrWarnWithTheirMessage) {
    const std::string noTable = " : no table was read, and what was skipped may have held it";
    const std::string noneGiven = " : the file gives no table, a default one is used";
    const Fault faults[] = {
        {"poker_bnj.xml", "xml03", "<NETWORK>", "<NETW000>", kOutOfRange,
         "(line 138) : ERROR: [NETWORK] : Tag Not found"},
        {"ChestClinic_nohdr.dne", "dne", "probs", "pro00", kSyntaxError, "ERROR: Node [VisitAsia]" + noTable},
        {"ChestClinic_nohdr.dne", "dne", "node VisitAsia", "nod0 VisitAsia", kSyntaxError,
         "(line 38) : ERROR: 'nod0' : Unknown Net Statement; what was skipped may have held a node"},
        {"asia", "vrx", "PROBABILITIES", "PROBABILI00000", kSyntaxError, "ERROR: Node [asia]" + noTable},
        {"asia_bnlearn.net", "net", "data", "dat0", kSyntaxError, "ERROR: Node [asia]" + noTable},
        {"msbn_burglary.dsc", "dsc", "type", "typ0", kSyntaxError,
         "ERROR: Node [Arrombamento] : no states were read, and what was skipped may have held them"},
        {"alarm.dsc", "dsc", " {\n  (0)", "<cut>", kSyntaxError,
         "(line 113) : ERROR: End of File : Expecting '{'"},
        {"iscas89_s386.erg", "erg", " 1.00000000 0.00000000", " 99999999999 0.00000000", kOutOfRange,
         "(line 178) : ERROR: Node [G_B14B] : 99999999999 is no probability"},
        {"asia_bnlearn.net", "net", "potential", "<cut>", kSuccess, "ERROR: Node [dysp]" + noneGiven},
        {"msbn_burglary.dsc", "dsc", "probability", "<cut>", kSuccess, "ERROR: Node [MariaLiga]" + noneGiven},
        // Departures of real files from the formats, refused rather than read into something else.
        {nullptr, "net", "", "net\n{\n}\nnode a.b\n{\n}\n", kSyntaxError,
         "(line 4) : ERROR: '.' : '{' expected"},
        {nullptr, "net", "", "net\r{\r}\r", kLexicalError, "ERROR: Line 1 : UNKNOWN CHARACTER"},
        {nullptr, "dne", "",
         "bnet X {\nnode A {\n discrete = TRUE;\n states = (y, n);\n probs = (@imposs, 1);\n};\n};\n",
         kSyntaxError, "(line 5) : ERROR: '@' : Unexpected"},
        {nullptr, "dne", "",
         "bnet X {\nnode A {\n discrete = FALSE;\n states = (lo, hi);\n probs = (0.5, 0.5);\n};\n};\n",
         kWrongNodeType, "(line 5) : ERROR: Node [A] : discretised continuous nodes are not supported"},
    };
    for (const Fault& fault : faults) {
        errorLog.Flush();
        VRX_network net;
        EXPECT_EQ(ReadAsFile(net, Damaged(fault), fault.extension), fault.status) << fault.at << LogDump();
        const int code = fault.status == kSuccess ? kSyntaxError : fault.status;
        EXPECT_TRUE(Logged(code, fault.message) || Logged(kSyntaxError, fault.message))
            << fault.message << "\n"
            << LogDump();
    }
    errorLog.Flush();
}

}  // namespace
