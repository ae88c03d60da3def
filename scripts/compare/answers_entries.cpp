// A section of entries no table may hold: a negative (also a hair below 0), NaN and infinite entry given to
// every table setter (conditional tables, noisy-MAX parameters, noisy-adder and DeMorgan weights, temporal
// tables and utilities), what the network holds after it, and the network written in every format and read
// back.
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "definitions/demorgan.h"
#include "definitions/noisy_adder.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "scripts/compare/answer_record.h"
#include "scripts/compare/answer_sections.h"

namespace vovido::compare {
namespace {

// a, b -> n, n of the type; "plate": n a plate node with a temporal arc of order 1 onto itself.
int BuildFamily(VRX_network& net, int type, bool plate) {
    const int parentType = type == DefinitionType::kDeMorgan ? type : DefinitionType::kCpt;
    const int a = net.AddNode(parentType, "a");
    const int b = net.AddNode(parentType, "b");
    const int n = net.AddNode(type, "n");
    if (a < 0 || b < 0 || n < 0 || net.AddArc(a, n) != 0 || net.AddArc(b, n) != 0) return -1;
    if (plate && (net.SetTemporalType(n, TemporalType::kPlate) != 0 || net.AddTemporalArc(n, n, 1) != 0))
        return -1;
    return n;
}

std::vector<double> Entries(const VRX_Dmatrix& table) {
    std::vector<double> out;
    for (int i = 0; i < table.GetNumberOfElements(); ++i) out.push_back(table[i]);
    return out;
}

VRX_doubleArray DoublesOf(const std::vector<double>& values) {
    VRX_doubleArray out;
    if (out.SetSize(static_cast<int>(values.size())) != 0) return out;
    for (double v : values) out.AddReserved(v);
    return out;
}

// A setter: the node type it concerns, whether the node is a plate node, and the call that gives the
// node's entries with the first replaced by the bad one.
struct EntrySetter {
    const char* name;
    int type;
    bool plate;
    std::function<int(VRX_nodeDefinition&, double)> set;
};

int SetMatrix(VRX_nodeDefinition& def, double bad) {
    VRX_Dmatrix* table = nullptr;
    if (const int rc = def.GetDefinition(table)) return rc;
    VRX_Dmatrix copy(*table);
    copy[0] = bad;
    return def.SetDefinition(copy);
}

int SetDoubles(VRX_nodeDefinition& def, double bad) {
    VRX_Dmatrix* table = nullptr;
    if (const int rc = def.GetDefinition(table)) return rc;
    std::vector<double> values = Entries(*table);
    values[0] = bad;
    return def.SetDefinitionDoubles(DoublesOf(values));
}

int SetTemporal(VRX_nodeDefinition& def, double bad) {
    const VRX_doubleArray* table = def.GetTemporalDefinition(1);
    if (table == nullptr) return -1;
    std::vector<double> values;
    for (int i = 0; i < table->GetCount(); ++i) values.push_back((*table)[i]);
    values[0] = bad;
    return def.SetTemporalDefinition(1, DoublesOf(values));
}

const EntrySetter kSetters[] = {
    {"cpt-matrix", DefinitionType::kCpt, false, SetMatrix},
    {"cpt-doubles", DefinitionType::kCpt, false, SetDoubles},
    {"noisy-max-matrix", DefinitionType::kNoisyMax, false, SetMatrix},
    {"noisy-max-doubles", DefinitionType::kNoisyMax, false, SetDoubles},
    {"noisy-adder-weights", DefinitionType::kNoisyAdder, false,
     [](VRX_nodeDefinition& def, double bad) {
         auto& adder = static_cast<VRX_noisyAdder&>(def);
         VRX_doubleArray weights = adder.GetWeights();
         weights[0] = bad;
         return adder.SetWeights(weights);
     }},
    {"demorgan-weights", DefinitionType::kDeMorgan, false,
     [](VRX_nodeDefinition& def, double bad) {
         return static_cast<VRX_demorgan&>(def).SetParentWeights(DoublesOf({bad, 0.5}));
     }},
    {"temporal-cpt", DefinitionType::kCpt, true, SetTemporal},
    {"temporal-noisy-max", DefinitionType::kNoisyMax, true, SetTemporal},
    {"utility-matrix", DefinitionType::kTable, false, SetMatrix},
    {"utility-doubles", DefinitionType::kTable, false, SetDoubles},
};

// What the network holds: its nodes' tables and the temporal table of n.
std::string Model(VRX_network& net) {
    std::string out = NetworkModel(net);
    const int n = net.FindNode("n");
    const VRX_doubleArray* temporal =
        n >= 0 ? net.GetNode(n)->GetDefinition()->GetTemporalDefinition(1) : nullptr;
    std::vector<double> values;
    for (int i = 0; temporal != nullptr && i < temporal->GetCount(); ++i) values.push_back((*temporal)[i]);
    AppendNumbers(out, "temporal", values);
    return out;
}

}  // namespace

void EntriesSection(const std::string& scratch) {
    // Beside the plainly bad, entries a hair below 0, which readers take as 0.
    const double kBadEntries[] = {-0.25,
                                  std::nan(""),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  -1e-6,
                                  -1e-9};
    for (const EntrySetter& setter : kSetters) {
        for (double bad : kBadEntries) {
            std::string key = std::string("entries:") + setter.name + ":";
            AppendNumber(key, bad);
            VRX_network net;
            const int n = BuildFamily(net, setter.type, setter.plate);
            if (n < 0) {
                PrintAnswer(false, key + ":build", -1, 0.0, "");
                continue;
            }
            (void)RecordCall(false, key + ":set", [&](std::string& values) {
                const int status = setter.set(*net.GetNode(n)->GetDefinition(), bad);
                values = Model(net);
                return status;
            });
            (void)RecordCall(false, key + ":after", [&](std::string& values) {
                values = Model(net);
                return 0;
            });
            RecordRoundTrips(net, scratch, key, [](VRX_network& back, const std::string& at) {
                (void)RecordCall(false, at + ":model", [&](std::string& values) {
                    values = Model(back);
                    return 0;
                });
            });
        }
    }
}

}  // namespace vovido::compare
