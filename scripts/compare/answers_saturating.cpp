// Sections of hybrid and equation networks whose evidence lies where the model can hardly or never put
// it: functions of bounded range observed inside and outside it, and linear-Gaussian families observed
// in their tails, under every hybrid algorithm at the default sample count and at 20,000, the notices
// each update logs answered beside it.
#include <iterator>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "model/network.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"
#include "tests/support/equation_networks.h"
#include "tests/support/hybrid_networks.h"

namespace vovido::compare {
namespace {

// y as a function of x ~ Normal(0, 1), observed at a value it can take and (but for the scaled ones, whose
// noise reaches everywhere) at one it cannot.
struct SaturatingCase {
    const char* name;
    const char* expression;
    std::vector<double> observed;
};

const SaturatingCase kSaturatingCases[] = {
    {"tanh", "Tanh(x + Normal(0, 0.3))", {0.5, 1.2}},
    {"scaled-tanh", "2*Tanh(0.5*x) + Normal(0, 1)", {-2.2, 0.5}},
    {"sinh", "Sinh(x + Normal(0, 0.3))", {0.5, 1.2}},
    {"scaled-sinh", "2*Sinh(0.5*x) + Normal(0, 1)", {-2.2, 0.5}},
    {"sin", "Sin(x + Normal(0, 0.3))", {0.3, 1.5}},
    {"cos", "Cos(x + Normal(0, 0.3))", {0.3, -1.5}},
    {"atan", "Atan(x + Normal(0, 0.3))", {1.0, 2.0}},
    {"atan2", "Atan2(x + Normal(0, 0.3), 1)", {1.0, -2.0}},
    {"asin", "Asin(Tanh(x + Normal(0, 0.3)))", {1.0, 2.0}},
    {"acos", "Acos(Tanh(x + Normal(0, 0.3)))", {1.0, -0.5}},
    {"sign", "Sign(x + Normal(0, 0.3))", {1.0, 0.5}},
    {"trim", "Trim(x + Normal(0, 0.3), -1, 1)", {0.5, 1.5}},
    {"min", "Min(x + Normal(0, 0.3), 1)", {0.5, 1.5}},
    {"max", "Max(x + Normal(0, 0.3), -1)", {-0.5, -1.5}},
    {"or", "Or(x + Normal(0, 0.3), 0)", {1.0, 2.0}},
};

// Linear-Gaussian families of x ~ Normal(0, 1): y has the deviation sqrt(5); observed at 2, 3 and 4 of it.
const SaturatingCase kTailCases[] = {
    {"sum", "2*x + Normal(0, 1)", {4.4721, 6.7082, 8.9443}},
    {"mean", "Normal(2*x, 1)", {4.4721, 6.7082, 8.9443}},
};

// x and y as distribution and hybrid equation nodes ("hybrid"), or as equation nodes; y's status.
int BuildPair(VRX_network& net, bool equations, const std::string& expression) {
    if (equations) {
        if (test::AddEquation(net, "x", "x = Normal(0, 1)") < 0) return -1;
        return test::AddEquation(net, "y", ("y = " + expression).c_str());
    }
    if (test::AddDistributionNode(net, "x", {"Normal(0, 1)"}) < 0) return -1;
    // A call of the parent is a distribution of its own; anything else an equation of it.
    if (expression.compare(0, 7, "Normal(") == 0)
        return test::AddDistributionNode(net, "y", {expression}, {"x"});
    return test::AddEquationNode(net, "y", expression.c_str(), {"x"});
}

// The log's entries after the update as their codes, so that a notice gained or lost shows.
std::string LogCodes() {
    std::vector<double> codes;
    for (int i = 0; i < errorLog.GetNumberOfEntries(); ++i) codes.push_back(errorLog.GetCode(i));
    std::string out;
    AppendNumbers(out, "log", codes);
    return out;
}

void RecordCases(const SaturatingCase* begin, const SaturatingCase* end, const std::string& section,
                 bool equations) {
    for (const SaturatingCase* c = begin; c != end; ++c) {
        const SaturatingCase& item = *c;
        for (double y : item.observed) {
            for (int algorithm = HybridAlgorithm::kFirst; algorithm <= HybridAlgorithm::kLast; ++algorithm) {
                for (int samples : {0, 20000}) {
                    std::string key = section + ":" + item.name + ":y=";
                    AppendNumber(key, y);
                    key += ":alg" + std::to_string(algorithm) + (samples > 0 ? ":20000" : "");
                    VRX_network net;
                    if (BuildPair(net, equations, item.expression) < 0 || test::Observe(net, "y", y) != 0) {
                        PrintAnswer(false, key + ":build", -1, 0.0, "");
                        continue;
                    }
                    net.SetHybridAlgorithm(algorithm);
                    if (samples > 0) net.numSamples = samples;
                    SeedSamplers();
                    // The notices of an update that answers, exact though its values are drawn.
                    if (RecordUpdate(net, true, key, [&] { return net.UpdateBeliefs(); }) == 0)
                        PrintAnswer(false, key + ":log", 0, 0.0, LogCodes());
                }
            }
        }
    }
}

}  // namespace

// FORM:GROUP, FORM "hybrid" (distribution and hybrid equation nodes) or "equation" (equation nodes);
// GROUP "tanh" and "sinh" (the function and its scaled form), "bounded" (the other functions) or "tail".
void SaturatingSection(const std::string& which) {
    const std::string form = which.substr(0, which.find(':'));
    const std::string group = which.substr(which.find(':') + 1);
    const std::string section = "saturating:" + form;  // the case names tell the groups apart
    if (group == "tail")
        return RecordCases(std::begin(kTailCases), std::end(kTailCases), section, form == "equation");
    std::vector<SaturatingCase> cases;
    for (const SaturatingCase& item : kSaturatingCases) {
        const std::string name = item.name;
        const auto names = [&name](const char* word) { return name.find(word) != std::string::npos; };
        if (group == "bounded" ? !names("tanh") && !names("sinh") : names(group.c_str()))
            cases.push_back(item);
    }
    RecordCases(cases.data(), cases.data() + cases.size(), section, form == "equation");
}

}  // namespace vovido::compare
