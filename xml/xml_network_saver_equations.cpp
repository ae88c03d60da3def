// The XML network saver's equation nodes.
#include <string>
#include <vector>

#include "base/int_array.h"
#include "base/parsed_equation.h"
#include "definitions/equation.h"
#include "definitions/equation_scc.h"
#include "model/network.h"
#include "model/node.h"
#include "xml/xml_network_saver.h"

bool XmlNetworkSaver::CanWriteEquation(VRX_network& network, int handle, std::string& message) {
    const auto* equation = dynamic_cast<const VRX_equation*>(network.GetNode(handle)->GetDefinition());
    const char* own = vovido::NodeIdOf(&network, handle);
    if (equation == nullptr || own == nullptr) return true;
    std::vector<std::string> names;
    equation->GetEquation().GetVariables(names);
    const VRX_intArray& parents = network.GetParents(handle);
    for (const std::string& name : names) {
        bool known = name == own;
        for (int i = 0; i < parents.GetCount() && !known; ++i) {
            const char* id = vovido::NodeIdOf(&network, parents[i]);
            known = id != nullptr && name == id;
        }
        if (!known) {
            message = "Can't save node '" + std::string(own) + "': its equation names '" + name +
                      "', which is not one of its parents";
            return false;
        }
    }
    return true;
}

void XmlNetworkSaver::VisitEquation(VRX_nodeDefinition* definition) {
    WriteNodeElement(definition, "equation", nullptr, false);
    const auto* equation = dynamic_cast<const VRX_equation*>(definition);
    if (equation == nullptr) return;
    if (equation->GetLowerBound() != -1.0 || equation->GetUpperBound() != 1.0) {
        AddDoubleAttribute("lower", equation->GetLowerBound());
        AddDoubleAttribute("upper", equation->GetUpperBound());
    }
    std::string text;
    EquationToText(equation->GetEquation(), text);
    WriteElement("definition", text.c_str(), false);
    if (equation->GetIntervals().empty()) return;
    OpenElement("discretization");
    for (const DiscretizationInterval& interval : equation->GetIntervals()) {
        AddAttribute("id", interval.id.c_str());
        AddDoubleAttribute("upper", interval.upper);
        WriteElement("interval", nullptr, false);
    }
    CloseElement("discretization");
}

void XmlNetworkSaver::WriteEquationScc(VRX_nodeDefinition* definition) {
    WriteNodeElement(definition, "equationscc", nullptr, false);
    const auto* equation = dynamic_cast<const VRX_equationSCC*>(definition);
    if (equation == nullptr) return;
    if (!equation->GetMembers().empty()) {
        std::vector<const char*> ids;
        for (const std::string& member : equation->GetMembers()) ids.push_back(member.c_str());
        WriteIdListElement("members", ids.data(), static_cast<int>(ids.size()));
    }
    std::string text;
    EquationToText(equation->GetEquation(), text);
    WriteElement("definition", text.c_str(), false);
}
