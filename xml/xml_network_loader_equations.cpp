// The XML network loader's equation nodes: the equation text with its bounds, the discretisation
// intervals, and the members of a strongly coupled component.
#include <string>

#include "base/expression_parser.h"
#include "base/status_codes.h"
#include "definitions/equation.h"
#include "definitions/equation_scc.h"
#include "model/node_definition.h"
#include "xml/xml_network_loader.h"

void XmlNetLoader::CreateEquationBindings(IXmlBinding* nodes) {
    Binding* definition =
        MakeBinding("definition", &XmlNetLoader::OnDefinitionStart, &XmlNetLoader::OnDefinitionEnd, nullptr);
    definition->AddAttribute("lower", false);
    definition->AddAttribute("upper", false);
    Binding* discretization = MakeBinding("discretization", nullptr, nullptr, nullptr);
    Binding* interval = MakeBinding("interval", &XmlNetLoader::OnIntervalStart, nullptr, nullptr);
    interval->AddAttribute("id", true);
    interval->AddAttribute("upper", true);
    discretization->AddChild(interval, IXmlBinding::OneOrMore);
    AddNodeKind(nodes,
                MakeNodeBinding("equation", DefinitionType::kEquation, &XmlNetLoader::FinishEquation, false),
                false, definition, {discretization});

    // A component's equation may name the other members, listed in "members".
    Binding* members = MakeBinding("members", nullptr, nullptr, &XmlNetLoader::OnMemberWord);
    AddNodeKind(
        nodes,
        MakeNodeBinding("equationscc", DefinitionType::kEquationScc, &XmlNetLoader::FinishEquationScc, false),
        false, definition, {members});
}

void XmlNetLoader::OnDefinitionStart(IXmlReader* reader) {
    double lower = -1.0;
    double upper = 1.0;
    if (!reader->GetDoubleAttribute("lower", lower, -1.0)) return;
    if (!reader->GetDoubleAttribute("upper", upper, 1.0)) return;
    if (auto* equation = dynamic_cast<VRX_equation*>(currentDefinition)) equation->SetBounds(lower, upper);
}

void XmlNetLoader::OnDefinitionEnd(IXmlReader* reader) {
    const std::string& text = reader->GetText();
    std::string message;
    if (!ParseExpression(text.c_str(), nullptr, &message)) {
        reader->ReportError(("Invalid expression: " + message).c_str());
        return;
    }
    expressions.push_back(text);
}

void XmlNetLoader::OnIntervalStart(IXmlReader* reader) {
    intervals.emplace_back();
    reader->GetAttribute("id", intervals.back().id);
    (void)reader->GetDoubleAttribute("upper", intervals.back().upper, 0.0);  // a bad number stops the load
}

void XmlNetLoader::OnMemberWord(IXmlReader* reader) {
    memberIds.push_back(reader->GetText());
}

void XmlNetLoader::FinishEquation(IXmlReader* reader) {
    auto* equation = dynamic_cast<VRX_equation*>(currentDefinition);
    std::string message;
    // Without a definition the equation is empty, which the definition refuses with its own words.
    const char* text = expressions.empty() ? "" : expressions.front().c_str();
    if (equation == nullptr || equation->SetEquation(text, nullptr, &message) != kSuccess) {
        ReportWithArgument(reader, "SetEquation failed", message);
        return;
    }
    // The interval step has no message of its own: the equation step's, empty here, is quoted.
    if (!intervals.empty() && equation->SetDiscIntervals(intervals) != kSuccess)
        ReportWithArgument(reader, "SetDiscIntervals failed", message);
}

void XmlNetLoader::FinishEquationScc(IXmlReader* reader) {
    auto* equation = dynamic_cast<VRX_equationSCC*>(currentDefinition);
    if (equation == nullptr || equation->SetMembers(memberIds) != kSuccess) {
        reader->ReportError("SetMembers failed");
        return;
    }
    std::string message;
    const char* text = expressions.empty() ? "" : expressions.front().c_str();
    if (!equation->ValidateEquation(text, message) || equation->SetEquation(text) != kSuccess)
        ReportWithArgument(reader, "SetEquation failed", message);
}
