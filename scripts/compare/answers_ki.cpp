// The section of the KI reader: a diagnostic network of every kind of node block read, updated, written
// in every format and read back; files with faults in each part; and every cut of the whole file.
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>

#include "model/network.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"

namespace vovido::compare {
namespace {

const char kPump[] =
    "Diagnostic Network \"Pump\"\n"
    "KB\n"
    "{\n"
    " NOTES : \"a water pump\";\n"
    " PRECISION : 4;\n"
    " VERSION : 1, 2;\n"
    "};\n"
    "Nodes\n"
    "{\n"
    " standard Power\n"
    " {\n"
    "  TYPE : discrete [2] =\n"
    "  {\n"
    "   standard on { NAME : \"on\"; ABBREVIATION : \"PwOn\"; };\n"
    "   fault off { SHORTNAME : \"No power\"; DEFINITION : \"Check the fuse\"; ABBREVIATION : \"PwOff\"; };\n"
    "  };\n"
    "  position = (100, 50);\n"
    "  SIZE : (80, 30);\n"
    "  COST : 2.5;\n"
    "  QUESTION : \"Is there power?\";\n"
    "  CATEGORY : 3;\n"
    "  RECOMMENDABLE : 1;\n"
    " }\n"
    " standard Impeller\n"
    " {\n"
    "  TYPE : discrete [3] = { standard fine { }; fault worn { }; fault broken { }; };\n"
    " }\n"
    " ci Flow\n"
    " {\n"
    "  TYPE : discrete [2] = { standard full { }; standard weak { }; };\n"
    "  OBSERVABLE : TRUE;\n"
    "  MANDATORY : false;\n"
    "  RECOMMENDABLE : 1;\n"
    "  MANDATORYVALUE : 1;\n"
    " }\n"
    " standard Noise\n"
    " {\n"
    "  TYPE : discrete [2] = { standard quiet { }; standard loud { }; };\n"
    "  MANDATORY : TRUE;\n"
    " }\n"
    "}\n"
    "network\n"
    "{\n"
    " standard Power parent ( ) { PROB : { 0.95, 0.05; }; }\n"
    " standard Impeller parent ( ) { PROB : { 0.8, 0.15, 0.05; }; }\n"
    " ci Flow parent (Power, Impeller)\n"
    " {\n"
    "  FUNCTION : noisy max of the parents;\n"
    "  0.97, 0.03;\n"
    "  (0) ; 1.0, 0.0;\n"
    "  (0 1) ; 0.0, 1.0;\n"
    "  (1) ; 1.0, 0.0;\n"
    "  (1 1) ; 0.4, 0.6;\n"
    "  (1 2) ; 0.05, 0.95;\n"
    "  end of rows;\n"
    "  predAbsentStates : { predIndex : 0 ; predAbsentStates : { 0 } ; predIndex : 1 ; predAbsentStates : { "
    "0 } ; };\n"
    " }\n"
    " standard Noise parent (Impeller)\n"
    " {\n"
    "  PARTITIONS : anything { at all };\n"
    "  PROB : { 0.9, 0.1; 0.3, 0.7; 0.1, 0.9; };\n"
    " }\n"
    "}\n";

// The whole file with one part replaced.
std::string Replaced(const std::string& from, const std::string& to) {
    std::string text(kPump);
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

int RecordText(VRX_network& net, const std::string& scratch, const std::string& text,
               const std::string& key) {
    const std::string path = scratch + "/pump.dxp";
    std::ofstream(path, std::ios::binary) << text;
    const int status = RecordRead(net, path, key + ":read");
    std::remove(path.c_str());
    return status;
}

}  // namespace

void KiSection(const std::string& scratch) {
    {
        VRX_network net;
        if (RecordText(net, scratch, kPump, "ki:pump") == 0) RecordFileAnswers(net, scratch, "ki:pump");
    }
    const std::pair<const char*, std::string> faults[] = {
        {"kb-field", Replaced(" NOTES", " COLOUR : 1;\n NOTES")},
        {"state-count", Replaced("discrete [3]", "discrete [4]")},
        {"state-type", Replaced("fault worn", "weird worn")},
        {"state-name", Replaced("NAME : \"on\"", "NAME : \"bad name\"")},
        {"node-block", Replaced(" standard Noise\n {", " other Noise\n {")},
        {"unknown-parent", Replaced("parent (Impeller)", "parent (Nobody)")},
        {"unknown-node",
         Replaced(" standard Power parent",
                  " standard Ghost parent () { PROB : { 0.5, 0.5; }; }\n standard Power parent")},
        {"numbers", Replaced("{ 0.9, 0.1; 0.3, 0.7; 0.1, 0.9; }", "{ 0.9, 0.1; 0.3; }")},
        {"parent-index", Replaced("(1 2) ;", "(7 2) ;")},
        {"absent-state",
         Replaced("predAbsentStates : { 0 } ; predIndex : 1", "predAbsentStates : { 5 } ; predIndex : 1")},
        {"pred-index", Replaced("predIndex : 1", "predIndex : 9")},
        {"head", Replaced("Diagnostic Network", "Diagnostic")},
        {"no-nodes", Replaced("Nodes\n", "")},
    };
    for (const auto& [name, text] : faults) {
        VRX_network net;
        if (RecordText(net, scratch, text, std::string("ki:fault:") + name) == 0)
            RecordFileUpdates(net, std::string("ki:fault:") + name);
    }
    const std::string whole(kPump);
    for (size_t cut = 0; cut < whole.size(); cut += 5) {
        VRX_network net;
        (void)RecordText(net, scratch, whole.substr(0, cut), "ki:cut:" + std::to_string(cut));
    }
}

}  // namespace vovido::compare
