// Timing of equation text: parsing, evaluating and printing an expression of 1,000 terms.
#include <benchmark/benchmark.h>

#include <string>

#include "base/expression.h"
#include "base/expression_parser.h"

namespace {

// 1,000 terms over ten variables, mixing every precedence level and a few calls.
std::string ThousandTerms() {
    std::string text = "x0";
    const char* ops[] = {"+", "-", "*", "/"};
    for (int i = 1; i < 1000; ++i) {
        text += ops[i % 4];
        if (i % 50 == 0) {
            text += "Max(x" + std::to_string(i % 10) + ",2.5)";
        } else if (i % 7 == 0) {
            text += "(x" + std::to_string(i % 10) + "^2-1.25)";
        } else {
            text += "x" + std::to_string(i % 10);
        }
    }
    return text;
}

void AssignAll(VRX_expression& tree) {
    for (int v = 0; v < 10; ++v) AssignVariable(tree, "x" + std::to_string(v), 1.0 + v * 0.1);
}

void BM_ParseThousandTerms(benchmark::State& state) {
    const std::string text = ThousandTerms();
    for (auto _ : state) {
        std::unique_ptr<VRX_expression> tree = ParseExpression(text.c_str(), nullptr, nullptr);
        benchmark::DoNotOptimize(tree.get());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseThousandTerms);

void BM_EvaluateThousandTerms(benchmark::State& state) {
    std::unique_ptr<VRX_expression> tree = ParseExpression(ThousandTerms().c_str(), nullptr, nullptr);
    AssignAll(*tree);
    for (auto _ : state) benchmark::DoNotOptimize(tree->Evaluate());
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_EvaluateThousandTerms);

void BM_PrintThousandTerms(benchmark::State& state) {
    std::unique_ptr<VRX_expression> tree = ParseExpression(ThousandTerms().c_str(), nullptr, nullptr);
    std::string text;
    for (auto _ : state) {
        ExpressionToText(*tree, text);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_PrintThousandTerms);

}  // namespace
