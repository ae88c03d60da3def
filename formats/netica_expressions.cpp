// Netica's function calls in equations, translated into the built-in functions.
#include <algorithm>
#include <cstring>
#include <string>

#include "base/expression.h"
#include "base/status_codes.h"
#include "formats/netica_format.h"

namespace {

struct NeticaFunction {
    const char* name;
    int parameters;  // -n: at least n
    const char* builtin;
    int map[4];  // new argument i takes old argument map[i]; all -1: the same index
};

// Sorted by name (byte order) for the binary search.
const NeticaFunction kNeticaFunctions[] = {
    {"BernoulliDist", 2, "Bernoulli", {1, 2, 3, 4}},
    {"BetaDist", 3, "Beta", {1, 2, 3, 4}},
    {"BinomialDist", 3, "Binomial", {1, 2, 3, 4}},
    {"ExponentialDist", 2, "Exponential", {1, 2, 3, 4}},
    {"LognormalDist", 3, "Lognormal", {1, 2, 3, 4}},
    {"NormalDist", 3, "Normal", {1, 2, 3, 4}},
    {"TriangularEnd3Dist", 4, "Triangular", {1, 2, 3, 4}},
    {"UniformDist", 3, "Uniform", {1, 2, 3, 4}},
    {"WeibullDist", 3, "Weibull", {1, 2, 3, 4}},
    {"binomial", 2, "Combin", {-1, -1, -1, -1}},
    {"clip", 3, "Trim", {2, 0, 1, -1}},
    {"plus", -2, "Sum", {-1, -1, -1, -1}},
};

const NeticaFunction* FindNetica(const char* name) {
    const auto* end = std::end(kNeticaFunctions);
    const auto* it = std::lower_bound(
        std::begin(kNeticaFunctions), end, name,
        [](const NeticaFunction& row, const char* key) { return std::strcmp(row.name, key) < 0; });
    return it != end && std::strcmp(it->name, name) == 0 ? it : nullptr;
}

}  // namespace

bool NeticaExpressionParser::LookupFunction(const std::string& name, std::unique_ptr<VRX_function>& call,
                                            int& parameterCount) {
    const NeticaFunction* row = FindNetica(name.c_str());
    if (row == nullptr) return VRX_expressionParser::LookupFunction(name, call, parameterCount);
    call = std::make_unique<VRX_unknownFunction>(name);
    parameterCount = row->parameters;
    return true;
}

std::unique_ptr<VRX_expression> NeticaExpressionParser::TranslateFunction(std::unique_ptr<VRX_function> call,
                                                                          std::string& reason) {
    const NeticaFunction* row = call ? FindNetica(call->GetName()) : nullptr;
    if (row == nullptr) return call;
    std::unique_ptr<VRX_function> builtin = CreateFunctionCall(row->builtin);
    if (!builtin) {
        reason = "Unexpected error in TranslateFunction";
        return nullptr;
    }
    const int n = row->parameters < 0 ? call->GetParameterCount() : builtin->GetParameterCount();
    for (int i = 0; i < n && i < kMaxFunctionArguments; ++i) {
        const int from = i < 4 && row->map[i] >= 0 ? row->map[i] : i;
        if (from >= kMaxFunctionArguments) break;
        builtin->SetArgument(i, call->DetachArgument(from));
    }
    builtin->sign = call->sign;
    return builtin;
}

namespace vovido {

int TranslateNeticaEquation(const std::string& text, std::string& out, std::string& error) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos) {
        error = "Can't find the '=' sign in equation";
        return kOutOfRange;
    }
    NeticaExpressionParser parser;
    std::string parseError;
    int position = 0;
    std::unique_ptr<VRX_expression> tree = parser.Parse(text.c_str() + equals + 1, &parseError, &position);
    if (!tree) {
        error = parseError.empty() ? std::string("Unable to parse the equation") : parseError;
        return kOutOfRange;
    }
    out.clear();
    ExpressionToText(*tree, out);
    return kSuccess;
}

}  // namespace vovido
