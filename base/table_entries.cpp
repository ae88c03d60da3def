// What a table of a network file may hold.
#include "base/table_entries.h"

#include <cmath>

#include "base/number_text.h"

namespace vovido {

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
