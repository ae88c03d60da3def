// libFuzzer target: the expression parser and printer on arbitrary text. A text that parses must print
// to a text that parses to the same tree and prints the same again; a text that fails must report a
// message and a position inside the text. Folding, evaluating and solving must not crash. Traps on
// any breach.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/distributions.h"
#include "base/error_log.h"
#include "base/expression_parser.h"
#include "base/parsed_equation.h"
#include "tests/support/expression_trees.h"

using vovido::kVariableKind;

using vovido::ExpressionSlot;

using vovido::GetSamplerGenerator;

namespace {

using vovido::test::SameTree;
using vovido::test::Text;

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void Exercise(VRX_expression& tree) {
    std::vector<std::string> names;
    GetVariables(tree, names);
    for (size_t i = 0; i < names.size(); ++i) AssignVariable(tree, names[i], 0.5 + static_cast<double>(i));
    tree.Evaluate();
    ExpressionSlot folded = tree.Clone();
    for (int round = 0; round < 64 && folded->FoldConstants(folded); ++round) {
    }
    // A folded tree prints to text that parses again.
    Check(ParseExpression(Text(*folded).c_str(), nullptr, nullptr) != nullptr);
    if (names.empty()) return;
    ParsedEquation equation;
    if (ParseEquation(equation, ("y=" + Text(tree)).c_str(), nullptr, nullptr) == 0) {
        if (SolveEquationFor(equation, names[0]) == 0) Check(equation.left->GetType() == kVariableKind);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The parser reads up to the first zero byte, as it does for every C string.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t length = std::string(text.c_str()).size();
    GetSamplerGenerator().Seed(1);
    int position = -1;
    std::string message;
    std::unique_ptr<VRX_expression> first = ParseExpression(text.c_str(), &position, &message);
    if (!first) {
        Check(!message.empty() && position >= 0 && static_cast<size_t>(position) <= length);
        errorLog.Flush();
        return 0;
    }
    const std::string printed = Text(*first);
    std::unique_ptr<VRX_expression> second = ParseExpression(printed.c_str(), nullptr, nullptr);
    Check(second != nullptr);
    Check(SameTree(*first, *second));
    Check(Text(*second) == printed);
    Exercise(*first);
    errorLog.Flush();
    return 0;
}
