// The typed option store of the learning library and its table of option names.
#include "learning/learning_options.h"

#include <iterator>
#include <map>

#include "base/status_codes.h"

int option_set::get_bool(int i, bool& out) const {
    if (i < 0 || i >= static_cast<int>(bools_.size())) return kFailure;
    out = bools_[i];
    return kSuccess;
}
int option_set::get_int(int i, int& out) const {
    if (i < 0 || i >= static_cast<int>(ints_.size())) return kFailure;
    out = ints_[i];
    return kSuccess;
}
int option_set::get_double(int i, double& out) const {
    if (i < 0 || i >= static_cast<int>(doubles_.size())) return kFailure;
    out = doubles_[i];
    return kSuccess;
}
int option_set::get_string(int i, std::string& out) const {
    if (i < 0 || i >= static_cast<int>(strings_.size())) return kFailure;
    out = strings_[i];
    return kSuccess;
}
int option_set::set_bool(int i, bool value) {
    if (i < 0 || i >= static_cast<int>(bools_.size())) return kOutOfRange;
    bools_[i] = value;
    return kSuccess;
}
int option_set::set_int(int i, int value) {
    if (i < 0 || i >= static_cast<int>(ints_.size())) return kOutOfRange;
    ints_[i] = value;
    return kSuccess;
}
int option_set::set_double(int i, double value) {
    if (i < 0 || i >= static_cast<int>(doubles_.size())) return kOutOfRange;
    doubles_[i] = value;
    return kSuccess;
}
int option_set::set_string(int i, const std::string& value) {
    if (i < 0 || i >= static_cast<int>(strings_.size())) return kOutOfRange;
    strings_[i] = value;
    return kSuccess;
}

namespace {

struct OptionEntry {
    const char* name;
    option_kind kind;
    int index;
};

const OptionEntry kOptions[] = {
    {"EM_INITIALIZE_W_PRIOR_NET", option_kind::boolean, 0},
    {"EM_USE_RANDOM_INIT_PARAMS", option_kind::boolean, 1},
    {"UPDATE_VRX_EQUIV_SAMPLE_SIZES", option_kind::boolean, 2},
    {"PREFER_CONT_DATA", option_kind::boolean, 3},
    {"NODE_NAMES_PRESENT", option_kind::boolean, 4},
    {"TYPES_SPECIFIED", option_kind::boolean, 5},
    {"USE_PREPROCESS_FILE", option_kind::boolean, 6},
    {"DISABLE_PREPROCESS_FILE", option_kind::boolean, 7},
    {"INCOMPLETE_DATA_METHOD", option_kind::integer, 0},
    {"EM_MAX_ITERATIONS", option_kind::integer, 1},
    {"RESTARTS_NUM_OR_TIME", option_kind::integer, 2},
    {"NUM_RESTARTS", option_kind::integer, 3},
    {"BESTF_GOBACK_NUM", option_kind::integer, 4},
    {"CRITERION", option_kind::integer, 5},
    {"PARAM_PRIORS_METHOD", option_kind::integer, 6},
    {"MAX_NUM_DISC_STATES", option_kind::integer, 7},
    {"DISCRETE_METHOD", option_kind::integer, 8},
    {"NUM_DISC_LEVELS", option_kind::integer, 9},
    {"PC_MAX_ADJACENCY_SIZE", option_kind::integer, 10},
    {"DISC_INDEPENDENCE_TEST", option_kind::integer, 11},
    {"PC_MAX_TIME", option_kind::real, 0},
    {"EM_CONV_FACTOR", option_kind::real, 1},
    {"PC_SIG_LEVEL", option_kind::real, 2},
    {"TOTAL_SEARCH_TIME", option_kind::real, 3},
    {"EQUIV_SAMPLE_SIZE", option_kind::real, 4},
    {"MIN_GREEDY_DELTA", option_kind::real, 5},
    {"MISSING_SIGN_IN_FILE", option_kind::text, 0},
    {"DATA_FILENAME", option_kind::text, 1},
    {"PREPROCESS_SUFFIX", option_kind::text, 2},
    {"PREPROCESS_FILENAME", option_kind::text, 3},
    {"COMMENT_CHARACTER", option_kind::text, 4},
};

}  // namespace

bool find_learning_option(const std::string& name, int& index, option_kind& kind) {
    static const std::map<std::string, const OptionEntry*> table = [] {
        std::map<std::string, const OptionEntry*> t;
        for (const OptionEntry& e : kOptions) t[e.name] = &e;
        return t;
    }();
    const auto it = table.find(name);
    if (it == table.end()) return false;
    index = it->second->index;
    kind = it->second->kind;
    return true;
}

option_set default_learning_options() {
    const bool bools[] = {false, true, false, true, true, false, false, false};
    const int ints[] = {1, 20, 0, 5, 10, 0, 2, 8, 0, 3, 8, 0, 0};
    const double doubles[] = {1000000.0, 0.1, 0.05, 60000.0, 10.0, 0.0};
    const char* strings[] = {"*", "-", "glw", "-", "*"};
    const int kBools = static_cast<int>(std::size(bools)), kInts = static_cast<int>(std::size(ints));
    const int kDoubles = static_cast<int>(std::size(doubles)),
              kStrings = static_cast<int>(std::size(strings));
    option_set s(kBools, kInts, kDoubles, kStrings);
    for (int i = 0; i < kBools; ++i) (void)s.set_bool(i, bools[i]);
    for (int i = 0; i < kInts; ++i) (void)s.set_int(i, ints[i]);
    for (int i = 0; i < kDoubles; ++i) (void)s.set_double(i, doubles[i]);
    for (int i = 0; i < kStrings; ++i) (void)s.set_string(i, strings[i]);
    return s;
}
