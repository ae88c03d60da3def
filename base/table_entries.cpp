// What a table of a network file may hold.
#include "base/table_entries.h"

#include <cmath>

#include "base/number_text.h"

namespace vovido {

namespace {

const NoticeKind kTinyNegativesNotice = {"table entries in [-1e-6, 0) read as 0 in {count}", "node", "entry"};

}  // namespace

int ZeroTinyNegatives(double* values, int count) {
    int zeroed = 0;
    for (int i = 0; i < count; ++i) {
        if (!IsTinyNegative(values[i])) continue;
        values[i] = 0.0;
        ++zeroed;
    }
    return zeroed;
}

std::string TinyNegativesMessage(const std::string& nodeId, int zeroed) {
    return "ERROR: Node [" + nodeId + "] : " + std::to_string(zeroed) +
           (zeroed == 1 ? " table entry" : " table entries") + " in [-1e-6, 0) read as 0";
}

NoticeInstance TinyNegativesInstance(const std::string& nodeId, int zeroed) {
    return {&kTinyNegativesNotice, nodeId, "[" + nodeId + "] (" + std::to_string(zeroed) + ")", zeroed};
}

std::string TableEntryRefusal(const std::string& nodeId, const char* what, const double* values, int count,
                              bool probabilities) {
    for (int i = 0; i < count; ++i) {
        const double value = values[i];
        if (!std::isfinite(value)) {
            const char* spelling = std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf");
            return "Node [" + nodeId + "] : entry " + std::to_string(i) + " of its " + what +
                   " is no finite number (" + spelling + ")";
        }
        if (probabilities && value < 0.0) {
            std::string text;
            (void)FormatDouble(value, text);
            return "Node [" + nodeId + "] : " + text + " is no probability";
        }
    }
    return std::string();
}

}  // namespace vovido
