// The graphical extension saver: the "cavro" element of a network, submodel by submodel.
#include "xml/graphical_extension_saver.h"

#include <string>
#include <vector>

#include "base/id_array.h"
#include "base/int_array.h"
#include "base/rectangle.h"
#include "model/documentation.h"
#include "model/extra_definition.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_entry.h"
#include "model/node_info.h"
#include "model/screen_info.h"
#include "model/submodel.h"
#include "model/temporal_extension.h"
#include "xml/graphical_extension.h"

using vovido::FaultNameFormatWord;
using vovido::FormatCavroColor;
using vovido::FormatCavroRectangle;

namespace {

constexpr const char* kApplicationName = "TARVO Mar 15 2010";
constexpr const char* kFontName = "MS Sans Serif";

bool IsEmpty(const char* text) {
    return text == nullptr || text[0] == '\0';
}

}  // namespace

XmlCavroSaver::XmlCavroSaver(VRX_network* network, const VRX_temporalExtension* plate)
    : network_(network), plate_(plate) {}

void XmlCavroSaver::Release() {
    delete this;
}

void XmlCavroSaver::Write(IXmlWriter* writer) {
    writer_ = writer;
    const VRX_submodelHandler& submodels = network_->GetSubmodelHandler();
    mainSubmodel_ = -1;
    for (int h = submodels.GetFirstSubmodel(); h >= 0; h = submodels.GetNextSubmodel(h)) {
        if (h == kMainSubmodel) {
            mainSubmodel_ = h;
            break;
        }
    }

    const VRX_header* header = network_->GetHeader();
    writer_->AddAttribute("version", kCavroVersion);
    writer_->AddAttribute("app", kApplicationName);
    writer_->AddAttribute("name", header != nullptr && header->GetName() != nullptr ? header->GetName() : "");
    if (const char* format = FaultNameFormatWord(network_->faultNameFormat))
        writer_->AddAttribute("faultnameformat", format);
    writer_->OpenElement("cavro");
    WritePlate();
    if (header != nullptr && !IsEmpty(header->GetComment()))
        writer_->WriteLinesElement("comment", header->GetComment());
    if (mainSubmodel_ >= 0) WriteSubmodelTree(mainSubmodel_);
    writer_->CloseElement("cavro");
}

void XmlCavroSaver::WritePlate() {
    int handle = network_->GetFirstNode();
    while (handle >= 0 && network_->GetTemporalType(handle) != TemporalType::kPlate)
        handle = network_->GetNextNode(handle);
    if (handle < 0) return;
    const VRX_temporalExtension defaults(network_);
    const VRX_temporalExtension* own = plate_ != nullptr ? plate_ : network_->FindTemporalExtension();
    const VRX_temporalExtension& plate = own != nullptr ? *own : defaults;
    VRX_rectangle rect;
    int leftWidth = 0;
    int rightWidth = 0;
    plate.GetPlate(rect, leftWidth, rightWidth);
    writer_->AddIntAttribute("leftwidth", leftWidth);
    writer_->AddIntAttribute("rightwidth", rightWidth);
    WriteRectangle("plate", rect);
}

void XmlCavroSaver::WriteSubmodelTree(int top) {
    const VRX_submodelHandler& submodels = network_->GetSubmodelHandler();
    struct Level {
        int handle;
        VRX_intArray children;
        int next;
    };
    std::vector<Level> stack;
    // Handles of live submodels: only memory can fail the lists, and a list it fails is written empty.
    stack.push_back(Level{top, VRX_intArray(), 0});
    (void)submodels.GetChildSubmodels(top, stack.back().children);
    // The submodels form a tree; the bound only keeps a damaged parent chain from looping.
    const size_t maxDepth = static_cast<size_t>(submodels.GetNumberOfSubmodels()) + 1;
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next < level.children.GetCount() && stack.size() < maxDepth) {
            const int child = level.children[level.next++];
            VRX_submodel* submodel = submodels.GetSubmodel(child);
            if (submodel == nullptr) continue;
            writer_->AddAttribute("id", submodel->header.GetId() != nullptr ? submodel->header.GetId() : "");
            writer_->OpenElement("submodel");
            WriteGraphicalProperties(submodel->header, submodel->screenInfo);
            WriteRectangle("window", submodel->windowPosition);
            stack.push_back(Level{child, VRX_intArray(), 0});
            (void)submodels.GetChildSubmodels(child, stack.back().children);
            continue;
        }
        WriteNodesAndTextBoxes(level.handle);
        stack.pop_back();
        if (!stack.empty()) writer_->CloseElement("submodel");
    }
}

void XmlCavroSaver::WriteNodesAndTextBoxes(int handle) {
    const VRX_submodelHandler& submodels = network_->GetSubmodelHandler();
    VRX_intArray nodes;
    (void)submodels.GetNodesOfSubmodel(handle, nodes);  // a live submodel: only memory can fail it
    for (int i = 0; i < nodes.GetCount(); ++i) WriteNode(nodes[i]);

    VRX_submodel* submodel = submodels.GetSubmodel(handle);
    if (submodel == nullptr) return;
    const VRX_textBoxList& boxes = submodel->textBoxes;
    for (int i = 0; i < boxes.GetNumberOfTextBoxes(); ++i) {
        writer_->OpenElement("textbox");
        writer_->WriteLinesElement("caption", boxes.GetText(i) != nullptr ? boxes.GetText(i) : "");
        writer_->AddAttribute("color", "000000");
        writer_->AddAttribute("name", kFontName);
        writer_->AddIntAttribute("size", 10);
        writer_->AddAttribute("bold", "true");
        writer_->WriteElement("font", nullptr, false);
        WriteRectangle("position", boxes.GetBox(i));
        writer_->CloseElement("textbox");
    }
}

void XmlCavroSaver::WriteNode(int handle) {
    VRX_node* node = network_->GetNode(handle);
    if (node == nullptr || node->GetInfo() == nullptr) return;
    VRX_extraDefinition* extra = node->GetExtraDefinition();
    writer_->AddAttribute("id", node->GetId() != nullptr ? node->GetId() : "");
    if (extra != nullptr && extra->faultNameFormat != FaultNameFormat::kInherit) {
        if (const char* format = FaultNameFormatWord(extra->faultNameFormat))
            writer_->AddAttribute("faultnameformat", format);
    }
    writer_->OpenElement("node");
    WriteGraphicalProperties(node->GetInfo()->header, node->GetInfo()->screenInfo);

    VRX_nodeDefinition* definition = node->GetDefinition();
    const int outcomes = definition != nullptr ? definition->GetNumberOfOutcomes() : 0;
    const VRX_idArray* names = outcomes > 0 ? definition->GetOutcomesNames() : nullptr;
    // Texts never built are all empty: nothing to write, and nothing to build.
    const bool texts = extra != nullptr && extra->HasOutcomeTexts();
    for (int i = 0; texts && names != nullptr && i < outcomes; ++i) {
        const char* faultName = (*extra->GetFaultNames())[i];
        const char* fix = extra->GetOutcomeFix(i);
        const char* description = extra->GetOutcomeDescription(i);
        const VRX_documentation* documents = extra->GetOutcomeDocumentation(i);
        const int links = documents != nullptr ? documents->GetNumberOfDocuments() : 0;
        if (IsEmpty(faultName) && IsEmpty(fix) && IsEmpty(description) && links == 0) continue;
        writer_->AddAttribute("id", (*names)[i] != nullptr ? (*names)[i] : "");
        if (!IsEmpty(faultName)) writer_->AddAttribute("faultname", faultName);
        if (IsEmpty(fix) && IsEmpty(description) && links == 0) {
            writer_->WriteElement("state", nullptr, false);
            continue;
        }
        writer_->OpenElement("state");
        if (!IsEmpty(fix)) writer_->WriteLinesElement("fix", fix);
        if (!IsEmpty(description)) writer_->WriteLinesElement("comment", description);
        if (documents != nullptr) WriteLinks(*documents);
        writer_->CloseElement("state");
    }
    if (extra != nullptr && !IsEmpty(extra->GetQuestion()))
        writer_->WriteLinesElement("question", extra->GetQuestion());
    WriteLinks(node->GetInfo()->documentation);
    writer_->CloseElement("node");
}

void XmlCavroSaver::WriteGraphicalProperties(const VRX_header& header, const VRX_screenInfo& screen) {
    // Names are escaped like every other text, so a backslash or line break in one survives the file.
    writer_->WriteLinesElement("name", header.GetName());
    writer_->AddAttribute("color", FormatCavroColor(screen.color).c_str());
    writer_->WriteElement("interior", nullptr, false);
    writer_->AddAttribute("color", FormatCavroColor(screen.borderColor).c_str());
    if (screen.borderThickness > 1) writer_->AddIntAttribute("width", screen.borderThickness);
    writer_->WriteElement("outline", nullptr, false);
    writer_->AddAttribute("color", FormatCavroColor(screen.fontColor).c_str());
    writer_->AddAttribute("name", kFontName);
    writer_->AddIntAttribute("size", 8);
    writer_->WriteElement("font", nullptr, false);
    WriteRectangle("position", screen.position);
    if (!IsEmpty(header.GetComment())) writer_->WriteLinesElement("comment", header.GetComment());
}

void XmlCavroSaver::WriteLinks(const VRX_documentation& documents) {
    for (int i = 0; i < documents.GetNumberOfDocuments(); ++i) {
        const char* title = documents.GetDocumentTitle(i);
        const char* path = documents.GetDocumentPath(i);
        writer_->AddAttribute("title", title != nullptr ? title : "");
        writer_->AddAttribute("path", path != nullptr ? path : "");
        writer_->WriteElement("link", nullptr, false);
    }
}

void XmlCavroSaver::WriteRectangle(const char* name, const VRX_rectangle& rect) {
    writer_->WriteElement(name, FormatCavroRectangle(rect).c_str(), false);
}
