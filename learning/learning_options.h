#pragma once
// Typed option store of the learning library and the table of option names (each name maps to its
// index within its own kind).

#include <string>
#include <vector>

enum class option_kind { boolean, integer, real, text };

class option_set {
public:
    option_set() = default;
    option_set(int bools, int ints, int doubles, int strings)
        : bools_(bools, false), ints_(ints, 0), doubles_(doubles, 0.0), strings_(strings) {}

    // 0, or -1 at or past the count of the kind.
    [[nodiscard]] int get_bool(int i, bool& out) const;
    [[nodiscard]] int get_int(int i, int& out) const;
    [[nodiscard]] int get_double(int i, double& out) const;
    [[nodiscard]] int get_string(int i, std::string& out) const;
    // 0, or kOutOfRange at or past the count of the kind.
    [[nodiscard]] int set_bool(int i, bool value);
    [[nodiscard]] int set_int(int i, int value);
    [[nodiscard]] int set_double(int i, double value);
    [[nodiscard]] int set_string(int i, const std::string& value);

    // Unchecked reads for indices the library itself fixes.
    bool flag(int i) const { return bools_[i]; }
    int integer(int i) const { return ints_[i]; }
    double real(int i) const { return doubles_[i]; }

private:
    std::vector<bool> bools_;
    std::vector<int> ints_;
    std::vector<double> doubles_;
    std::vector<std::string> strings_;
};

// Indices of the options the library reads.
namespace learning_option {
constexpr int kPreferContData = 3;
constexpr int kIncompleteDataMethod = 0;
constexpr int kCriterion = 5;
constexpr int kParamPriorsMethod = 6;
constexpr int kDiscreteMethod = 8;
constexpr int kNumDiscLevels = 9;
constexpr int kZeroCountThreshold = 12;
constexpr int kEquivSampleSize = 4;
constexpr int kMinGreedyDelta = 5;
constexpr int kNumRestarts = 3;
constexpr int kBestFirstGoBack = 4;
// Expectation maximisation over a learning graph: bools, int, double.
constexpr int kEmInitializeWithPriorNet = 0;
constexpr int kEmUseRandomInitParams = 1;
constexpr int kEmMaxIterations = 1;
constexpr int kEmConvFactor = 1;
}  // namespace learning_option

// Index and kind of a named option; false for a name not in the table.
bool find_learning_option(const std::string& name, int& index, option_kind& kind);
// The structure's option set with the defaults of every option.
option_set default_learning_options();
