#pragma once
// Small files whose cost would run away if the readers trusted them: a count or a size they state is far
// beyond what the file holds. Shared by the tests of the refusals and their benchmarks.

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

namespace vovido::test {

// An MSBN file that ends inside a string, after an unreadable byte where the count of states belongs.
inline std::string MsbnUnterminatedStringText() {
    return std::string("belief network \"0123456789abcdefghij\" node P { type : discrete [ ") + '\x01' + '"' +
           std::string(31, 'x');
}

// The XML network format around the given elements of <nodes> and what follows them.
inline std::string XmlNetworkText(const std::string& nodes, const std::string& rest = "",
                                  const std::string& rootAttributes = "") {
    return "<?xml version=\"1.0\"?>\n<tarvo version=\"1.0\" id=\"costly\"" + rootAttributes + ">\n<nodes>\n" +
           nodes + "</nodes>\n" + rest + "</tarvo>\n";
}

// Identifiers p0 .. p(n-1), separated by blanks.
inline std::string NumberedIds(int n) {
    std::string ids;
    for (int i = 0; i < n; ++i) ids += (i > 0 ? " p" : "p") + std::to_string(i);
    return ids;
}

// A DeMorgan node "child" with `parents` DeMorgan parents, each a cause of weight 0.5.
inline std::string DemorganXmlText(int parents) {
    std::string nodes;
    std::string weights;
    std::string types;
    for (int i = 0; i < parents; ++i) {
        nodes += "<demorgan id=\"p" + std::to_string(i) + "\"><priorbelief>0.5</priorbelief></demorgan>\n";
        weights += i > 0 ? " 0.5" : "0.5";
        types += i > 0 ? " cause" : "cause";
    }
    nodes += "<demorgan id=\"child\"><parents>" + NumberedIds(parents) +
             "</parents><priorbelief>0.1</priorbelief><weights>" + weights + "</weights><types>" + types +
             "</types></demorgan>\n";
    return XmlNetworkText(nodes);
}

// A two-state CPT node "child" with `parents` two-state parents and a table of four numbers.
inline std::string WideCptXmlText(int parents) {
    const std::string states = "<state id=\"yes\"/><state id=\"no\"/>";
    std::string nodes;
    for (int i = 0; i < parents; ++i) {
        nodes += "<cpt id=\"p" + std::to_string(i) + "\">" + states +
                 "<probabilities>0.5 0.5</probabilities></cpt>\n";
    }
    nodes += "<cpt id=\"child\">" + states + "<parents>" + NumberedIds(parents) +
             "</parents><probabilities>0.5 0.5 0.5 0.5</probabilities></cpt>\n";
    return XmlNetworkText(nodes);
}

// `nodes` equation nodes, each drawing from a normal distribution, and the sample count asked for.
inline std::string EquationSamplesXmlText(int nodes, const std::string& samples) {
    std::string text;
    for (int i = 0; i < nodes; ++i) {
        const std::string id = "e" + std::to_string(i);
        text += "<equation id=\"" + id + "\"><definition lower=\"0\" upper=\"10\">" + id +
                "=Normal(4,0.5)</definition></equation>\n";
    }
    return XmlNetworkText(text, "", " numsamples=\"" + samples + "\"");
}

// One plate node of `outcomes` outcomes with a temporal arc of order 1 onto itself, over `slices` slices.
inline std::string DynamicXmlText(int outcomes, int slices) {
    std::string states;
    std::string prior;
    std::string transition;
    for (int i = 0; i < outcomes; ++i) {
        states += "<state id=\"s" + std::to_string(i) + "\"/>";
        prior += i > 0 ? " 0" : "1";
        for (int j = 0; j < outcomes; ++j)
            transition += (j > 0 || i > 0 ? " " : "") + std::string(i == j ? "1" : "0");
    }
    const std::string nodes =
        "<cpt id=\"A\" dynamic=\"plate\">" + states + "<probabilities>" + prior + "</probabilities></cpt>\n";
    const std::string dynamic = "<dynamic numslices=\"" + std::to_string(slices) +
                                "\"><cpt id=\"A\" order=\"1\"><parents>A</parents><probabilities>" +
                                transition + "</probabilities></cpt></dynamic>\n";
    return XmlNetworkText(nodes, dynamic);
}

// An Ergo file of `nodes` parentless nodes of `outcomes` outcomes each, cut short after the parents.
inline std::string ErgoManyOutcomesText(int nodes, int outcomes) {
    std::string text = std::to_string(nodes) + "\n";
    for (int i = 0; i < nodes; ++i) text += std::to_string(outcomes) + "\t";
    text += "\n";
    for (int i = 0; i < nodes; ++i) text += "0\n";
    return text;
}

// How much of its table a family file gives the child: all of it, none, or four numbers.
enum class FamilyTable { kGiven, kNone, kShort };

// The numbers of a two-state child's table over `parents` two-state parents, separated by `separator`.
inline std::string FamilyNumbers(int parents, FamilyTable table, const std::string& separator) {
    const long long count = table == FamilyTable::kShort ? 4 : (2LL << parents);
    std::string text;
    for (long long i = 0; table != FamilyTable::kNone && i < count; ++i)
        text += (i > 0 ? separator : "") + "0.5";
    return text;
}

// Identifiers p0 .. p(n-1) separated by `separator`.
inline std::string ParentIds(int n, const std::string& separator) {
    std::string ids;
    for (int i = 0; i < n; ++i) ids += (i > 0 ? separator : "") + "p" + std::to_string(i);
    return ids;
}

// A two-state node "child" with `parents` two-state parents p0 .. p(n-1), in the format of the extension
// (".vrx", ".xvrx", ".net", ".dne", ".dsc", ".erg", ".xml03", ".dxp"; ".xvrx-det": the child a
// deterministic node of the XML format, whose table gives one state per column; ".dne-utility": the child
// a Netica utility node, its numbers a functable; ".dne-det": a Netica deterministic node, its functable
// two states when short).
inline std::string WideFamilyText(const std::string& extension, int parents, FamilyTable table) {
    const std::string numbers = FamilyNumbers(parents, table, ", ");
    std::string text;
    if (extension == ".vrx") {
        const auto node = [](const std::string& id, const std::string& parentIds, const std::string& probs) {
            return " node " + id + "\n {\n  TYPE = CPT;\n  HEADER = { ID = " + id + "; NAME = \"" + id +
                   "\"; };\n  PARENTS = (" + parentIds +
                   ");\n  DEFINITION =\n   {\n    NAMESTATES = (yes, no);\n" +
                   (probs.empty() ? "" : "    PROBABILITIES = (" + probs + ");\n") + "   };\n };\n";
        };
        text = "net wide\n{\n";
        for (int i = 0; i < parents; ++i) text += node("p" + std::to_string(i), "", "0.5, 0.5");
        return text + node("child", ParentIds(parents, ", "), numbers) + "};\n";
    }
    if (extension == ".xvrx" || extension == ".xvrx-det") {
        const std::string states = "<state id=\"yes\"/><state id=\"no\"/>";
        for (int i = 0; i < parents; ++i)
            text += "<cpt id=\"p" + std::to_string(i) + "\">" + states +
                    "<probabilities>0.5 0.5</probabilities></cpt>\n";
        const std::string listed = "<parents>" + ParentIds(parents, " ") + "</parents>";
        if (extension == ".xvrx") {
            const std::string probs = FamilyNumbers(parents, table, " ");
            text += "<cpt id=\"child\">" + states + listed +
                    (table == FamilyTable::kNone ? "" : "<probabilities>" + probs + "</probabilities>") +
                    "</cpt>\n";
        } else {
            std::string results;
            const long long columns = table == FamilyTable::kShort ? 2 : (1LL << parents);
            for (long long i = 0; table != FamilyTable::kNone && i < columns; ++i)
                results += i > 0 ? " yes" : "yes";
            text +=
                "<deterministic id=\"child\">" + states + listed +
                (table == FamilyTable::kNone ? "" : "<resultingstates>" + results + "</resultingstates>") +
                "</deterministic>\n";
        }
        return XmlNetworkText(text);
    }
    if (extension == ".net") {
        text = "net\n{\n}\n";
        for (int i = 0; i <= parents; ++i)
            text += "node " + (i < parents ? "p" + std::to_string(i) : std::string("child")) +
                    "\n{\n    states = (\"yes\" \"no\");\n}\n";
        for (int i = 0; i < parents; ++i)
            text += "potential (p" + std::to_string(i) + " |)\n{\n    data = (0.5 0.5);\n}\n";
        return text + "potential (child | " + ParentIds(parents, " ") + ")\n{\n" +
               (table == FamilyTable::kNone ? ""
                                            : "    data = (" + FamilyNumbers(parents, table, " ") + ");\n") +
               "}\n";
    }
    if (extension == ".dne" || extension == ".dne-utility" || extension == ".dne-det") {
        const auto node = [](const std::string& id, const std::string& parentIds, const std::string& probs) {
            return "node " + id + " {\n    kind = NATURE;\n    discrete = TRUE;\n    parents = (" +
                   parentIds + ");\n    states = (yes, no);\n" +
                   (probs.empty() ? "" : "    probs = (" + probs + ");\n") + "    };\n";
        };
        text = "// ~->[DNET-1]->~\n\nbnet wide {\n";
        for (int i = 0; i < parents; ++i) text += node("p" + std::to_string(i), "", "0.5, 0.5");
        if (extension == ".dne-det")
            return text + "node child {\n    kind = NATURE;\n    discrete = TRUE;\n    chance = DETERMIN;\n" +
                   "    parents = (" + ParentIds(parents, ", ") + ");\n    states = (yes, no);\n" +
                   (table == FamilyTable::kShort ? "    functable = (yes, yes);\n" : "") + "    };\n};\n";
        if (extension == ".dne-utility")
            return text + "node child {\n    kind = UTILITY;\n    discrete = FALSE;\n    parents = (" +
                   ParentIds(parents, ", ") + ");\n" +
                   (numbers.empty() ? "" : "    functable = (" + numbers + ");\n") + "    };\n};\n";
        return text + node("child", ParentIds(parents, ", "), numbers) + "};\n";
    }
    if (extension == ".dsc") {
        text = "belief network \"wide\"\n";
        for (int i = 0; i <= parents; ++i)
            text += "node " + (i < parents ? "p" + std::to_string(i) : std::string("child")) +
                    "\n{\n    type : discrete[2] = { \"yes\", \"no\" };\n}\n";
        for (int i = 0; i < parents; ++i)
            text += "probability(p" + std::to_string(i) + ")\n{\n    0.5, 0.5;\n}\n";
        text += "probability(child | " + ParentIds(parents, ", ") + ")\n{\n";
        const long long rows =
            table == FamilyTable::kShort ? 2 : (table == FamilyTable::kNone ? 0 : 1LL << parents);
        for (long long row = 0; row < rows; ++row) {
            text += "    (";
            for (int i = 0; i < parents; ++i)
                text += (i > 0 ? ", " : "") + std::to_string((row >> (parents - 1 - i)) & 1);
            text += ") : 0.5, 0.5;\n";
        }
        return text + "}\n";
    }
    if (extension == ".erg") {
        text = std::to_string(parents + 1) + "\n";
        for (int i = 0; i <= parents; ++i) text += "2\t";
        text += "\n";
        for (int i = 0; i < parents; ++i) text += "0\n";
        text += std::to_string(parents);
        for (int i = 1; i <= parents; ++i) text += "\t" + std::to_string(i);
        text += "\n/*\tProbabilities\t*/\n";
        for (int i = 0; i < parents; ++i) text += "2\n0.5\t0.5\n";
        return text + std::to_string(2LL << parents) + "\n" + FamilyNumbers(parents, table, "\t") + "\n";
    }
    if (extension == ".xml03") {
        text = "<?xml version=\"1.0\"?>\n<BIF VERSION=\"0.3\">\n<NETWORK>\n<NAME>wide</NAME>\n";
        for (int i = 0; i <= parents; ++i)
            text += "<VARIABLE TYPE=\"chance\"><NAME>" +
                    (i < parents ? "p" + std::to_string(i) : std::string("child")) +
                    "</NAME><OUTCOME>yes</OUTCOME><OUTCOME>no</OUTCOME></VARIABLE>\n";
        for (int i = 0; i < parents; ++i)
            text += "<DEFINITION><FOR>p" + std::to_string(i) + "</FOR><TABLE>0.5 0.5</TABLE></DEFINITION>\n";
        text += "<DEFINITION><FOR>child</FOR>";
        for (int i = 0; i < parents; ++i) text += "<GIVEN>p" + std::to_string(i) + "</GIVEN>";
        if (table != FamilyTable::kNone) text += "<TABLE>" + FamilyNumbers(parents, table, " ") + "</TABLE>";
        return text + "</DEFINITION>\n</NETWORK>\n</BIF>\n";
    }
    // KI diagnostic networks.
    text = "Diagnostic Network \"wide\"\nKB\n{\n};\nNodes\n{\n";
    for (int i = 0; i <= parents; ++i)
        text += " standard " + (i < parents ? "p" + std::to_string(i) : std::string("child")) +
                " { TYPE : discrete [2] = { standard yes { }; standard no { }; }; }\n";
    text += "}\nnetwork\n{\n";
    for (int i = 0; i < parents; ++i)
        text += " standard p" + std::to_string(i) + " parent ( ) { PROB : { 0.5, 0.5; }; }\n";
    std::string rows;
    const long long columns =
        table == FamilyTable::kShort ? 2 : (table == FamilyTable::kNone ? 0 : 1LL << parents);
    for (long long i = 0; i < columns; ++i) rows += " 0.5, 0.5;";
    return text + " standard child parent (" + ParentIds(parents, ", ") + ") {" +
           (columns > 0 ? " PROB : {" + rows + " };" : "") + " }\n}\n";
}

// A Hugin file of `parents` root nodes p0 .. and a child "child", each of `outcomes` states, the child's
// potential without data: small to read, its table of outcomes^(parents + 1) cells uniform.
inline std::string HuginUniformFamilyText(int parents, int outcomes) {
    std::string states = "(";
    for (int i = 0; i < outcomes; ++i) states += (i > 0 ? " \"s" : "\"s") + std::to_string(i) + "\"";
    states += ")";
    std::string text = "net\n{\n}\n";
    for (int i = 0; i <= parents; ++i)
        text += "node " + (i < parents ? "p" + std::to_string(i) : std::string("child")) +
                "\n{\n    states = " + states + ";\n}\n";
    return text + "potential (child | " + ParentIds(parents, " ") + ")\n{\n}\n";
}

// Two-state nodes n0 .. n(nodes-1) in the format of the extension (".net", ".dne" or ".xml03"), node i
// with the parents n(first) .. n(last - 1) that parentRange(i) gives as {first, last}, each table left to
// its default by giving no numbers, so that the file stays small.
inline std::string FamiliesText(const std::string& extension, int nodes,
                                const std::function<std::pair<int, int>(int)>& parentRange) {
    const auto parentsOf = [&parentRange](int i, const std::string& before, const std::string& after) {
        std::string ids;
        for (int j = parentRange(i).first; j < parentRange(i).second; ++j)
            ids += before + "n" + std::to_string(j) + after;
        return ids;
    };
    std::string text;
    if (extension == ".net") {
        text = "net\n{\n}\n";
        for (int i = 0; i < nodes; ++i)
            text += "node n" + std::to_string(i) + "\n{\n    states = (\"yes\" \"no\");\n}\n";
        for (int i = 0; i < nodes; ++i) {
            const std::string ids = parentsOf(i, " ", "");
            text += "potential (n" + std::to_string(i) + (ids.empty() ? "" : " |" + ids) + ")\n{\n}\n";
        }
        return text;
    }
    if (extension == ".dne") {
        text = "// ~->[DNET-1]->~\n\nbnet band {\n";
        for (int i = 0; i < nodes; ++i) {
            std::string ids = parentsOf(i, "", ", ");
            if (!ids.empty()) ids.resize(ids.size() - 2);
            text += "node n" + std::to_string(i) +
                    " {\n    kind = NATURE;\n    discrete = TRUE;\n    parents = (" + ids +
                    ");\n    states = (yes, no);\n    };\n";
        }
        return text + "};\n";
    }
    text = "<?xml version=\"1.0\"?>\n<BIF VERSION=\"0.3\">\n<NETWORK>\n<NAME>band</NAME>\n";
    for (int i = 0; i < nodes; ++i)
        text += "<VARIABLE TYPE=\"chance\"><NAME>n" + std::to_string(i) +
                "</NAME><OUTCOME>yes</OUTCOME><OUTCOME>no</OUTCOME></VARIABLE>\n";
    for (int i = 0; i < nodes; ++i)
        text += "<DEFINITION><FOR>n" + std::to_string(i) + "</FOR>" + parentsOf(i, "<GIVEN>", "</GIVEN>") +
                "</DEFINITION>\n";
    return text + "</NETWORK>\n</BIF>\n";
}

// A band: node i has the `parents` nodes before it as parents (fewer at the start).
inline std::string BandText(const std::string& extension, int nodes, int parents) {
    return FamiliesText(extension, nodes,
                        [parents](int i) { return std::make_pair(std::max(i - parents, 0), i); });
}

// The band of BandText as a Hugin file.
inline std::string HuginBandText(int nodes, int parents) {
    return BandText(".net", nodes, parents);
}

// `parents` roots, a node of the first two of them and a last node of them all: its table of 2^(parents
// + 1) cells with the others' is what a read builds.
inline std::string WideFamiliesText(const std::string& extension, int parents) {
    return FamiliesText(extension, parents + 2, [parents](int i) {
        return std::make_pair(0, i < parents ? 0 : (i == parents ? 2 : parents));
    });
}

// A KI file of `faults` two-state faults f0 .. and `tests` two-state tests t0 .., each test a noisy-MAX
// node of every fault: small to read, each test's table of 2^(faults + 1) cells computed from its
// parameters.
inline std::string KiNoisyMaxText(int tests, int faults) {
    std::string text = "Diagnostic Network \"noisy\"\nKB\n{\n};\nNodes\n{\n";
    for (int i = 0; i < faults; ++i)
        text += " standard f" + std::to_string(i) +
                " { TYPE : discrete [2] = { standard ok { }; fault bad { }; }; }\n";
    for (int i = 0; i < tests; ++i)
        text += " ci t" + std::to_string(i) +
                " { TYPE : discrete [2] = { standard on { }; standard off { }; }; }\n";
    text += "}\nnetwork\n{\n";
    for (int i = 0; i < faults; ++i)
        text += " standard f" + std::to_string(i) + " parent ( ) { PROB : { 0.9, 0.1; }; }\n";
    std::string ids;
    std::string rows;
    std::string absent;
    for (int i = 0; i < faults; ++i) {
        ids += (i > 0 ? ", f" : "f") + std::to_string(i);
        rows += "  (" + std::to_string(i) + ") ; 1.0, 0.0;\n  (" + std::to_string(i) + " 1) ; 0.1, 0.9;\n";
        absent += " predIndex : " + std::to_string(i) + " ; predAbsentStates : { 0, 1 } ;";
    }
    for (int k = 0; k < tests; ++k)
        text += " ci t" + std::to_string(k) + " parent (" + ids +
                ")\n {\n  FUNCTION : noisy max of the parents;\n  0.98, 0.02;\n" + rows +
                "  end of rows;\n  predAbsentStates : {" + absent + " };\n }\n";
    return text + "}\n";
}

}  // namespace vovido::test
