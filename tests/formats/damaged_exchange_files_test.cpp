// Damaged copies of real files: keywords damaged one occurrence at a time, and the file cut after a
// line. A copy that still reads must name in the log every node whose table or states it lost, and the
// network whose texts it changed; a node lost whole must be named too, unless the cut ended the file
// before it was declared.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "formats/ergo_speaker.h"
#include "formats/vrx_format.h"
#include "model/creation.h"
#include "model/header.h"
#include "tests/support/format_round_trip.h"

namespace {

using namespace vovido::test;

struct Sample {
    const char* file;  // a real file of tests/data/formats, or the own format written from asia
    const char* extension;
    std::vector<std::string> keywords;
};

// A KI file in the forms the format's files take: kb fields, states with their texts, probabilities.
const char kKiFile[] =
    "diagnostic network \"Car\"\n"
    "KB\n{\n NOTES : \"some notes\";\n PRECISION : 4;\n VERSION : 1, 2;\n};\n"
    "Nodes\n{\n standard Battery\n {\n  TYPE : discrete [2] =\n  {\n"
    "   standard ok { NAME : \"good\"; ABBREVIATION : \"BatOk\"; };\n"
    "   fault flat { SHORTNAME : \"Flat\"; DEFINITION : \"Charge it\"; ABBREVIATION : \"BatFlat\"; };\n"
    "  };\n  QUESTION : \"Is it charged?\";\n  RECOMMENDABLE : 1;\n }\n"
    " standard Starter\n {\n  TYPE : discrete [2] = { standard turns { }; standard silent { }; };\n"
    "  MANDATORY : TRUE;\n }\n}\n"
    "network\n{\n standard Battery parent ( ) { PROB : { 0.9, 0.1; }; }\n"
    " standard Starter parent (Battery)\n {\n  PROB : { 0.95, 0.05; 0.1, 0.9; };\n }\n}\n";

const Sample kSamples[] = {
    {"car", "dxp", {"KB", "NAME", "ABBREVIATION", "SHORTNAME", "DEFINITION", "PRECISION", "PROB", "TYPE"}},
    {"CostOfTesting.dne", "dne", {"bnet", "node", "autoupdate", "whenchanged", "probs", "functable"}},
    {"asia_bnlearn.net", "net", {"net", "node", "states", "potential", "data"}},
    {"ChestClinic_nohdr.dne", "dne", {"bnet", "node", "kind", "discrete", "states", "parents", "probs"}},
    {"msbn_burglary.dsc", "dsc", {"network", "node", "type", "discrete", "probability"}},
    {"oilwildcatter_id.xml",
     "xml03",
     {"BIF", "NETWORK", "VARIABLE", "OUTCOME", "DEFINITION", "FOR", "GIVEN", "TABLE"}},
    {"pinball_id.xml", "xml03", {"BIF", "NETWORK", "NAME", "DEFINITION", "TABLE"}},
    {"iscas89_s386.erg", "erg", {"Probabilities", "Names", "Labels"}},
    {"asia", "vrx", {"net", "node", "TYPE", "PARENTS", "DEFINITION", "NAMESTATES", "PROBABILITIES"}},
};

// A file's worth of copies stays fast: at most this many damaged occurrences per keyword, and cuts.
constexpr size_t kOccurrences = 3;
constexpr size_t kCuts = 40;

// Per node: its outcomes and parents, and its table; under kNetwork the network's own texts.
using Model = std::map<std::string, std::pair<std::vector<std::string>, std::vector<double>>>;
const char kNetwork[] = "<network>";

std::string TextOf(const char* text) {
    return text != nullptr ? text : "";
}

Model ModelOf(VRX_network& net) {
    Model model;
    model[kNetwork].first = {TextOf(net.GetHeader()->GetName()), TextOf(net.GetHeader()->GetComment()),
                             TextOf(net.creation.GetCreator()), TextOf(net.creation.GetModified())};
    for (int h = net.GetFirstNode(); h >= 0; h = net.GetNextNode(h)) {
        VRX_Dmatrix* m = nullptr;  // a decision has none
        std::vector<double> table;
        if (net.GetNode(h)->GetDefinition()->GetDefinition(m) == kSuccess && m != nullptr)
            table.assign(m->GetData(), m->GetData() + m->GetNumberOfElements());
        std::vector<std::string> shape = OutcomesOf(net, h);
        shape.push_back("|");
        for (const std::string& parent : IdsOf(net, net.GetParents(h))) shape.push_back(parent);
        model[IdOf(net, h)] = {shape, table};
    }
    return model;
}

// A statement deleted or added at the network's level leaves a valid file whose texts differ (a KI
// network's comment is its last kb field): only a text given another value is a change.
bool NetworkTextsChanged(const Model& reference, const Model& model) {
    const std::vector<std::string>& was = reference.at(kNetwork).first;
    const std::vector<std::string>& is = model.at(kNetwork).first;
    for (size_t i = 0; i < was.size(); ++i) {
        if (!was[i].empty() && !is[i].empty() && was[i] != is[i]) return true;
    }
    return false;
}

bool Named(const std::string& id) {
    for (const std::string& text : LoggedMessages()) {
        if (id == kNetwork && text.find("ERROR: Network") != std::string::npos) return true;
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

// A real file; the own formats and Ergo as the reference network's file, or its writer, gives it.
std::string SourceText(const char* file, const std::string& extension) {
    if (extension == "dxp") return kKiFile;
    if (extension == "xvrx") return ReadTextFile(ReferencePath(file, ".xvrx"));
    if (std::strchr(file, '.') != nullptr) return FormatSampleText(file);
    VRX_network net;
    EXPECT_EQ(net.ReadFile(ReferencePath(file, ".xvrx").c_str()), kSuccess);
    return extension == "vrx" ? WrittenText<VRX_vrxSpeaker>(net) : WrittenText<VRX_ergoSpeaker>(net);
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
                const bool lost = id == kNetwork         ? NetworkTextsChanged(reference, model)
                                  : found == model.end() ? !cut
                                                         : found->second != content;
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
         "(line 4) : ERROR: Identifier [a.b] : '.' is not allowed in an identifier; node refused"},
        {nullptr, "net", "", "net\r{\r}\r", kLexicalError,
         "ERROR: Line 1 : the file's line ends are carriage returns alone, which are not read"},
        {nullptr, "dne", "", "// ~->[DNET-1]->~\rbnet X {\rnode A {\r states = (y, n);\r};\r};\r",
         kLexicalError,
         "ERROR: Line 1 : the file's line ends are carriage returns alone, which are not read"},
        {nullptr, "dne", "",
         "bnet X {\nnode A {\n discrete = TRUE;\n states = (y, n);\n probs = (@imposs, 1);\n};\n};\n",
         kSyntaxError,
         "(line 5) : ERROR: Node [A] : its table holds \"@imposs\" entries, which are not read"},
        {nullptr, "dne", "",
         "bnet X {\nnode A {\n discrete = FALSE;\n states = (lo, hi);\n probs = (0.5, 0.5);\n};\n};\n",
         kWrongNodeType, "(line 5) : ERROR: Node [A] : discretised continuous nodes are not supported"},
    };
    for (const Fault& fault : faults) {
        errorLog.Flush();
        VRX_network net;
        EXPECT_EQ(ReadAsFile(net, Damaged(fault), fault.extension), fault.status) << fault.at << LogDump();
        const int code = fault.status == kSuccess ? kSyntaxError : fault.status;
        EXPECT_TRUE(LoggedOrFolded(code, fault.message) || LoggedOrFolded(kSyntaxError, fault.message))
            << fault.message << "\n"
            << LogDump();
    }
    errorLog.Flush();
}

// Copies of small files of every format, each damaged once: a line deleted, repeated in place or
// elsewhere, the file cut after a line, a number dropped or doubled.
std::vector<std::pair<std::string, std::string>> LineAndNumberCopies(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> copies;
    std::vector<size_t> starts{0};
    for (size_t at = text.find('\n'); at != std::string::npos && at + 1 < text.size();
         at = text.find('\n', at + 1))
        starts.push_back(at + 1);
    starts.push_back(text.size());
    const size_t lines = starts.size() - 1;
    for (size_t i = 0; i < lines; ++i) {
        const std::string line = std::to_string(i + 1);
        const std::string content = text.substr(starts[i], starts[i + 1] - starts[i]);
        copies.emplace_back("line " + line + " deleted",
                            text.substr(0, starts[i]) + text.substr(starts[i + 1]));
        copies.emplace_back("cut after line " + line, text.substr(0, starts[i + 1]));
        // A statement repeated where it stands, and in another place (often another node's block).
        copies.emplace_back("line " + line + " repeated",
                            text.substr(0, starts[i + 1]) + text.substr(starts[i]));
        const size_t after = (i + lines / 3) % lines + 1;
        copies.emplace_back("line " + line + " repeated after line " + std::to_string(after),
                            text.substr(0, starts[after]) + content + text.substr(starts[after]));
    }
    // A section of a positional file (Ergo's "/* Names */" to the next mark) given again at the end.
    for (size_t i = 0; i < lines; ++i) {
        if (text.compare(starts[i], 2, "/*") != 0) continue;
        size_t next = i + 1;
        while (next < lines && text.compare(starts[next], 2, "/*") != 0) ++next;
        const std::string section = text.substr(starts[i], starts[next] - starts[i]);
        copies.emplace_back("section at line " + std::to_string(i + 1) + " repeated at the end",
                            text + (text.back() == '\n' ? "" : "\n") + section);
    }
    // Numbers (a digit run with its point, not inside a word) at a bounded stride.
    std::vector<std::pair<size_t, size_t>> numbers;
    for (size_t at = 0; at < text.size();) {
        const bool start =
            std::isdigit(static_cast<unsigned char>(text[at])) != 0 &&
            (at == 0 || !(IsWordChar(text[at - 1]) || text[at - 1] == '.' || text[at - 1] == '-'));
        if (!start) {
            ++at;
            continue;
        }
        size_t end = at;
        while (end < text.size() && (IsWordChar(text[end]) || text[end] == '.' || text[end] == '-')) ++end;
        numbers.emplace_back(at, end - at);
        at = end;
    }
    constexpr size_t kNumberCopies = 40;
    const size_t stride = numbers.size() / kNumberCopies + 1;
    for (size_t i = 0; i < numbers.size(); i += stride) {
        const auto [at, length] = numbers[i];
        const std::string number = text.substr(at, length);
        copies.emplace_back("number " + number + " at " + std::to_string(at) + " dropped",
                            text.substr(0, at) + text.substr(at + length));
        copies.emplace_back("number " + number + " at " + std::to_string(at) + " doubled",
                            text.substr(0, at) + number + " " + text.substr(at));
    }
    return copies;
}

// The entries that name a part of a node given more than once.
int RepeatsNamed() {
    int count = 0;
    for (const std::string& text : LoggedMessages()) {
        for (const char* phrase : {"repeated unchanged", "has more than one", "Multiple occurences"})
            count += text.find(phrase) != std::string::npos ? 1 : 0;
    }
    return count;
}

struct Tally {
    int tried = 0, refused = 0, equal = 0, named = 0, silent = 0, valid = 0;
};

// A decision that the file gives no table may lose a parent line and still be a valid file: no reader
// can tell that copy from a file written so.
bool OnlyDecisionParentsDiffer(VRX_network& original, const Model& reference, const Model& model,
                               const std::vector<std::string>& ids) {
    for (const std::string& id : ids) {
        const auto found = model.find(id);
        if (found == model.end() ||
            original.GetNodeType(original.FindNode(id.c_str())) != DefinitionType::kList)
            return false;
        const std::vector<std::string>& was = reference.at(id).first;
        const std::vector<std::string>& is = found->second.first;
        // The outcomes and the bar before the parents.
        const size_t head = static_cast<size_t>(std::find(was.begin(), was.end(), "|") - was.begin()) + 1;
        if (is.size() < head || !std::equal(was.begin(), was.begin() + static_cast<long>(head), is.begin()))
            return false;
    }
    return true;
}

TEST(DamagedExchangeFiles, DamagedCopiesLoadEqualOrNameTheLoss) {
    const std::pair<const char*, const char*> files[] = {
        {"asia_bnlearn.net", "net"},
        {"ChestClinic_nohdr.dne", "dne"},
        {"CostOfTesting.dne", "dne"},
        {"car", "dxp"},
        {"msbn_burglary.dsc", "dsc"},
        {"oilwildcatter_id.xml", "xml03"},
        {"pinball_id.xml", "xml03"},
        {"asia", "vrx"},
        {"asia", "erg"},
        {"asia", "xvrx"},
    };
    Tally tally;
    for (const auto& [file, extension] : files) {
        const std::string text = SourceText(file, extension);
        errorLog.Flush();
        VRX_network original;
        ASSERT_EQ(ReadAsFile(original, text, extension), kSuccess) << file << LogDump();
        const Model reference = ModelOf(original);
        const int repeatsInFile = RepeatsNamed();
        int repeatsSeen = 0;
        for (const auto& [what, copy] : LineAndNumberCopies(text)) {
            errorLog.Flush();
            ++tally.tried;
            VRX_network net;
            const int rc = ReadAsFile(net, copy, extension);
            if (RepeatsNamed() > repeatsInFile) ++repeatsSeen;
            if (rc != kSuccess) {
                ++tally.refused;
                EXPECT_GT(errorLog.GetNumberOfEntries(), 0) << file << ", " << what;
                continue;
            }
            const Model model = ModelOf(net);
            if (model == reference) {
                ++tally.equal;
                continue;
            }
            // Every node lost, changed or invented is named; a cut file cannot name the nodes it never
            // reached, but says what it did lose.
            const bool cut = what.compare(0, 3, "cut") == 0 && errorLog.GetNumberOfEntries() > 0;
            std::vector<std::string> unnamed;
            for (const auto& [id, content] : reference) {
                const auto found = model.find(id);
                // A line deleted, or moved to the network's level, leaves a valid file of other texts.
                const bool valid = what.find("deleted") != std::string::npos ||
                                   what.find("repeated after") != std::string::npos;
                const bool lost = id == kNetwork         ? !valid && NetworkTextsChanged(reference, model)
                                  : found == model.end() ? !cut
                                                         : found->second != content;
                if (lost && !Named(id)) unnamed.push_back(id);
            }
            for (const auto& entry : model) {
                if (reference.count(entry.first) == 0 && !cut && !Named(entry.first))
                    unnamed.push_back(entry.first);
            }
            if (!unnamed.empty() && OnlyDecisionParentsDiffer(original, reference, model, unnamed)) {
                ++tally.valid;
                continue;
            }
            ++(unnamed.empty() ? tally.named : tally.silent);
            EXPECT_TRUE(unnamed.empty())
                << file << "." << extension << ", " << what << ": " << unnamed.front() << "\n"
                << LogDump();
        }
        // Every format named a statement or section it found repeated.
        EXPECT_GT(repeatsSeen, 0) << file << "." << extension;
    }
    std::printf(
        "damaged copies: %d tried, %d refused, %d loaded equal, %d loaded with a named loss, %d silent "
        "(%d of them valid files: a decision's parent left out)\n",
        tally.tried, tally.refused, tally.equal, tally.named, tally.silent + tally.valid, tally.valid);
    EXPECT_GT(tally.equal + tally.named, 0);
    errorLog.Flush();
}

}  // namespace
