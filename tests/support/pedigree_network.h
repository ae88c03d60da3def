#pragma once
// A pedigree network of the shape of the Pigs benchmark: 441 nodes whose outcomes are the genotypes "0",
// "1", "2" (names no reader keeps as identifiers), 145 founders and animals of two earlier parents with
// Mendelian tables. Written as a Hugin or an XMLBIF file, for the tests and benchmarks of notices that
// repeat over every node.

#include <random>
#include <string>
#include <vector>

namespace vovido::test {

// The text of the network in the Hugin format, or in XMLBIF when `xmlbif`.
inline std::string PedigreeNetworkText(bool xmlbif) {
    constexpr int kNodes = 441;
    constexpr int kFounders = 145;
    // Probabilities are quarters: written from a table, so the text never follows the process locale.
    static const char* const kQuarter[] = {"0", "0.25", "0.5", "0.75", "1"};
    // Quarters of P(child | copies of one allele in each parent), by (a, b, child): Mendelian transmission.
    std::vector<int> child;
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            int row[3] = {0, 0, 0};
            for (int x = 0; x < 2; ++x) {
                for (int y = 0; y < 2; ++y) row[x + y] += (x == 1 ? a : 2 - a) * (y == 1 ? b : 2 - b);
            }
            child.insert(child.end(), row, row + 3);
        }
    }
    const std::vector<int> founder = {1, 2, 1};
    std::vector<std::string> names;
    std::vector<std::vector<int>> parents(kNodes);
    std::minstd_rand draw(441);
    for (int i = 0; i < kNodes; ++i) {
        names.push_back("p" + std::to_string(630400091 + 491 * i));
        if (i < kFounders) continue;
        const int a = static_cast<int>(draw() % static_cast<unsigned>(i));
        int b = static_cast<int>(draw() % static_cast<unsigned>(i - 1));
        if (b >= a) ++b;
        parents[static_cast<size_t>(i)] = {a, b};
    }
    const auto cells = [](const std::vector<int>& quarters) {
        std::string text;
        for (size_t k = 0; k < quarters.size(); ++k)
            text += (k > 0 ? " " : "") + std::string(kQuarter[quarters[k]]);
        return text;
    };
    std::string out =
        xmlbif ? "<?xml version=\"1.0\"?>\n<BIF VERSION=\"0.3\">\n<NETWORK>\n<NAME>pedigree</NAME>\n"
               : "net\n{\n}\n";
    for (const std::string& name : names) {
        out += xmlbif
                   ? "<VARIABLE TYPE=\"nature\">\n  <NAME>" + name +
                         "</NAME>\n  <OUTCOME>0</OUTCOME>\n  <OUTCOME>1</OUTCOME>\n  <OUTCOME>2</OUTCOME>\n"
                         "</VARIABLE>\n"
                   : "node " + name + "\n{\n    label = \"\";\n    states = (\"0\" \"1\" \"2\");\n}\n";
    }
    for (int i = 0; i < kNodes; ++i) {
        const std::vector<int>& of = parents[static_cast<size_t>(i)];
        const std::vector<int>& table = of.empty() ? founder : child;
        if (xmlbif) {
            out += "<DEFINITION>\n  <FOR>" + names[static_cast<size_t>(i)] + "</FOR>\n";
            for (int p : of) out += "  <GIVEN>" + names[static_cast<size_t>(p)] + "</GIVEN>\n";
            out += "  <TABLE>" + cells(table) + "</TABLE>\n</DEFINITION>\n";
        } else {
            out += "potential (" + names[static_cast<size_t>(i)];
            if (!of.empty())
                out += " | " + names[static_cast<size_t>(of[0])] + " " + names[static_cast<size_t>(of[1])];
            out += ")\n{\n    data = (" + cells(table) + ");\n}\n";
        }
    }
    return out + (xmlbif ? "</NETWORK>\n</BIF>\n" : "");
}

}  // namespace vovido::test
