#pragma once
// Small files whose cost would run away if the readers trusted them: a count or a size they state is far
// beyond what the file holds. Shared by the tests of the refusals and their benchmarks.

#include <string>

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

}  // namespace vovido::test
