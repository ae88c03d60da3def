// Writer of XMLBIF 0.3: a well-formed document with its document type declaration, the variables and
// then the definitions in topological order.
#include <string>

#include "base/dmatrix.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "formats/exchange_format_support.h"
#include "formats/written_losses.h"
#include "formats/xmlbif_speaker.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

using vovido::IsDiscreteType;

namespace {

// The declaration must be the first thing in the file, in lower case, for an XML parser to take it; the
// default of an attribute is a quoted value.
constexpr char kHead[] =
    "<?xml version=\"1.0\"?>\n"
    "\n\n"
    "<!--\n"
    "\tBayesian network in XMLBIF v0.3 (BayesNet Interchange Format)\n"
    "\tProduced by vovido\n"
    "-->\n"
    "\n\n\n"
    "<!-- DTD for the XMLBIF 0.3 format -->\n"
    "<!DOCTYPE BIF [\n"
    "\t<!ELEMENT BIF ( NETWORK )*>\n"
    "\t      <!ATTLIST BIF VERSION CDATA #REQUIRED>\n"
    "\t<!ELEMENT NETWORK ( NAME, ( PROPERTY | VARIABLE | DEFINITION )* )>\n"
    "\t<!ELEMENT NAME (#PCDATA)>\n"
    "\t<!ELEMENT VARIABLE ( NAME, ( OUTCOME |  PROPERTY )* ) >\n"
    "\t      <!ATTLIST VARIABLE TYPE (chance|decision|utility) \"chance\">\n"
    "\t<!ELEMENT OUTCOME (#PCDATA)>\n"
    "\t<!ELEMENT DEFINITION ( FOR | GIVEN | TABLE | PROPERTY )* >\n"
    "\t<!ELEMENT FOR (#PCDATA)>\n"
    "\t<!ELEMENT GIVEN (#PCDATA)>\n"
    "\t<!ELEMENT TABLE (#PCDATA)>\n"
    "\t<!ELEMENT PROPERTY (#PCDATA)>\n"
    "]>\n"
    "\n";

// Discrete kinds (their table is written, or their choices for a decision) and utility tables.
// A hybrid discrete node is discrete, but its table is over continuous parents, which the format has not.
bool IsXmlBifKind(int type) {
    return (IsDiscreteType(type) && (type & DefinitionBits::kDiscreteChildOfContinuous) == 0) ||
           type == DefinitionType::kTable;
}

const char* TypeWord(int type) {
    if ((type & DefinitionBits::kDecision) != 0) return "decision";
    if ((type & DefinitionBits::kUtility) != 0) return "utility";
    return "chance";
}

// Identifiers need no escaping; a text that is no identifier (a fallback) still leaves the XML whole.
std::string Escaped(const char* text) {
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        switch (*p) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            default:
                out.push_back(*p);
        }
    }
    return out;
}

constexpr char kXmlBifRefusal[] = "ERROR: Unsupported node type";

// Refused before the file is made: a network this format cannot hold replaces no file.
int CheckXmlBifWritable(VRX_network* network) {
    if (network == nullptr) return kObjectNotValid;
    if (const int rc = vovido::CheckStaticNetwork(*network, "XMLBIF")) return rc;
    if (const int rc = vovido::CheckWritableKinds(*network, IsXmlBifKind, kXmlBifRefusal)) return rc;
    vovido::WarnWrittenLosses(*network, vovido::kXmlBifLosses);
    return kSuccess;
}

}  // namespace

// A digit and a blank per number.
VRX_fileFormat::TableText VRX_xmlSpeaker::MinimumTableText(int definitionType, int /*parents*/) const {
    return IsXmlBifKind(definitionType) && definitionType != DefinitionType::kList
               ? TableText{2, 0, 0, 0, false, true}
               : TableText{};
}

int VRX_xmlSpeaker::WriteFile(const char* path) {
    return vovido::WriteCheckedFile(
        *this, path, [this] { return CheckXmlBifWritable(network); }, [this] { return WriteNetwork(); });
}

int VRX_xmlSpeaker::WriteToText(std::string& out) {
    return vovido::WriteCheckedText(
        *this, out, [this] { return CheckXmlBifWritable(network); }, [this] { return WriteNetwork(); });
}

void VRX_xmlSpeaker::WriteSimple(const char* tag, const char* text) {
    output.WriteIndentation();
    output.WriteRaw(std::string("<") + tag + ">" + Escaped(text) + "</" + tag + ">\n");
}

int VRX_xmlSpeaker::WriteNetwork() {
    (void)output.SetIndentWidth(1);  // within the line width
    output.WriteRaw(kHead);
    output.WriteRaw("\n<BIF VERSION=\"0.3\">\n<NETWORK>\n");
    output.Indent();
    const char* networkId = network->GetHeader() != nullptr ? network->GetHeader()->GetId() : nullptr;
    WriteSimple("NAME", networkId != nullptr && *networkId != '\0' ? networkId : "Unnamed_Network");
    const VRX_intArray order(network->GetTopologicalOrder());
    if (order.GetCount() != network->GetNumberOfNodes()) return kOutOfMemory;
    for (int i = 0; i < order.GetCount(); ++i) WriteVariable(order[i]);
    for (int i = 0; i < order.GetCount(); ++i) WriteDefinition(order[i]);
    output.Unindent();
    output.WriteRaw("</NETWORK>\n</BIF>\n");
    return output.GetStatus();
}

void VRX_xmlSpeaker::WriteVariable(int handle) {
    VRX_nodeDefinition* definition = network->GetNode(handle)->GetDefinition();
    output.WriteRaw("\n");
    output.WriteIndentation();
    output.WriteRaw(std::string("<VARIABLE TYPE=\"") + TypeWord(definition->GetType()) + "\">\n");
    output.Indent();
    WriteSimple("NAME", vovido::NodeIdOr(*network, handle, "Unnamed_Node"));
    if (definition->GetType() != DefinitionType::kTable) {
        if (const VRX_idArray* outcomes = definition->GetOutcomesNames()) {
            for (int k = 0; k < outcomes->GetCount(); ++k) WriteSimple("OUTCOME", (*outcomes)[k]);
        }
    }
    output.Unindent();
    output.WriteIndentation();
    output.WriteRaw("</VARIABLE>\n");
}

// The numbers, each followed by a blank, handed to the wrapping output a chunk at a time (chunks end
// after a blank, so the lines break where they would number by number) so that no table's text is held
// whole.
void VRX_xmlSpeaker::WriteTableNumbers(const VRX_Dmatrix& table) {
    const int count = table.GetNumberOfElements();
    const double* data = table.GetData();
    std::string text;
    output.WriteIndentation();
    for (int i = 0; i < count; ++i) {
        AppendDouble(data[i], text);
        text.push_back(' ');
        if (text.size() < vovido::kStreamedChunkBytes && i + 1 < count) continue;
        output.Write(text.c_str());
        text.clear();
        if (output.GetStatus() != kSuccess) return;
    }
    output.WriteRaw("\n");
}

void VRX_xmlSpeaker::WriteDefinition(int handle) {
    VRX_nodeDefinition* definition = network->GetNode(handle)->GetDefinition();
    output.WriteRaw("\n");
    output.WriteIndentation();
    output.WriteRaw("<DEFINITION>\n");
    output.Indent();
    WriteSimple("FOR", vovido::NodeIdOr(*network, handle, "Unnamed_Node"));
    const VRX_intArray& parents = network->GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i)
        WriteSimple("GIVEN", vovido::NodeIdOr(*network, parents[i], "UnknownParent"));
    VRX_Dmatrix* table = definition->GetType() != DefinitionType::kList ? TableToWrite(*definition) : nullptr;
    if (table != nullptr) {
        output.WriteIndentation();
        output.WriteRaw("<TABLE>\n");
        output.Indent();
        WriteTableNumbers(*table);
        output.Unindent();
        output.WriteIndentation();
        output.WriteRaw("</TABLE>\n");
    }
    output.Unindent();
    output.WriteIndentation();
    output.WriteRaw("</DEFINITION>\n");
}
