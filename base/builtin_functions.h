#pragma once
// The constant table of the 46 functions that equations may call, nine of which are distributions.

// Most arguments a call can take.
constexpr int kMaxFunctionArguments = 30;

// The argument values of one call, each already multiplied by its node's sign.
struct FunctionArguments {
    double values[kMaxFunctionArguments];
    int count = 0;
};

// One row of the table. A row with a density is a distribution: its evaluate is one random draw.
struct FunctionEntry {
    const char* name;  // as written back into equation text
    int arity;         // n >= 0: exactly n arguments; -n: at least n and at most kMaxFunctionArguments
    double (*evaluate)(const FunctionArguments& arguments);
    double (*density)(double x, const FunctionArguments& arguments);
    void (*moments)(double* mean, double* variance, const FunctionArguments& arguments);
    // ln density: -infinity outside the support, finite wherever the density is positive in exact terms.
    double (*logDensity)(double x, const FunctionArguments& arguments) = nullptr;
};

// The row of that name, compared without regard to ASCII case; null when there is none.
const FunctionEntry* FindFunctionEntry(const char* name);

namespace vovido {

// The rows, sorted by name without regard to case; count receives their number.
const FunctionEntry* GetFunctionTable(int& count);

// strcmp after mapping ASCII upper case to lower case, whatever the process locale.
int CompareIgnoringCase(const char* a, const char* b);

// x truncated toward zero when the result fits an int; false for NaN and for values outside that range.
bool TruncateToInt(double x, int& out);

}  // namespace vovido
