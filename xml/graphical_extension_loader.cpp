// The graphical extension loader: the "cavro" grammar and the handlers that put the diagram, the
// diagnosis texts and the plate into the network.
#include "xml/graphical_extension_loader.h"

#include <cmath>

#include <initializer_list>
#include <string>
#include <utility>

#include "base/error_log.h"
#include "base/id_array.h"
#include "base/status_codes.h"
#include "model/extra_definition.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/submodel.h"
#include "model/temporal_extension.h"
#include "xml/graphical_extension.h"
#include "xml/xml_reader.h"
#include "xml/xml_text.h"

using vovido::ParseWholeXmlInt;

using vovido::FaultNameFormatCode;
using vovido::ParseCavroColor;
using vovido::RectangleFromCorners;
using vovido::UnescapeDiagramText;

namespace {

constexpr int kInherit = IXmlBinding::InheritStrictness;

// message + ": '" + argument + "'"
std::string WithArgument(const char* message, const std::string& argument) {
    return std::string(message).append(": '").append(argument).append("'");
}

void AddAttributes(IXmlBinding* binding, std::initializer_list<std::pair<const char*, bool>> attributes) {
    for (const auto& attribute : attributes) binding->AddAttribute(attribute.first, attribute.second);
}

// Data that could not be stored for want of memory fails the read. The setters' other refusals (a state
// that is not the node's) have been reported where they arose.
void CheckStored(IXmlReader* reader, int rc) {
    if (rc == kOutOfMemory) reader->ReportError("Out of memory");
}

int ApplyAppearance(const XmlCavroLoader::GraphObj& object, VRX_screenInfo& screen, VRX_header& header) {
    (void)screen.position.Copy(object.rectangle);  // a rectangle that was read is valid
    screen.color = object.backgroundColor;
    screen.fontColor = object.textColor;
    screen.borderColor = object.borderColor;
    screen.borderThickness = object.borderWidth;
    if (const int rc = header.SetName(object.name.c_str())) return rc;
    return header.SetComment(object.comment.c_str());
}

}  // namespace

int XmlCavroLoader::GraphObj::Apply(VRX_network* /*network*/, int /*currentSubmodel*/) {
    return kSuccess;
}

int XmlCavroLoader::Node::Apply(VRX_network* network, int /*currentSubmodel*/) {
    VRX_node* node = network->GetNode(handle);
    if (node == nullptr || node->GetInfo() == nullptr) return kSuccess;
    return ApplyAppearance(*this, node->GetInfo()->screenInfo, node->GetInfo()->header);
}

int XmlCavroLoader::Submodel::Apply(VRX_network* network, int /*currentSubmodel*/) {
    VRX_submodel* submodel = network->GetSubmodelHandler().GetSubmodel(handle);
    if (submodel == nullptr) return kSuccess;
    return ApplyAppearance(*this, submodel->screenInfo, submodel->header);
}

int XmlCavroLoader::TextBox::Apply(VRX_network* network, int currentSubmodel) {
    VRX_submodel* submodel = network->GetSubmodelHandler().GetSubmodel(currentSubmodel);
    if (submodel == nullptr) return kSuccess;
    return submodel->textBoxes.AddTextBox(rectangle, name.c_str());
}

XmlCavroLoader::XmlCavroLoader(XmlReader* reader, VRX_network* network,
                               const std::map<std::string, int>& nodeIds, VRX_temporalExtension* plate)
    : reader_(reader), network_(network), nodeIds_(nodeIds), plate_(plate) {
    BuildGrammar();
    const VRX_submodelHandler& submodels = network_->GetSubmodelHandler();
    int main = kMainSubmodel;
    for (int h = submodels.GetFirstSubmodel(); h >= 0; h = submodels.GetNextSubmodel(h)) {
        if (h == kMainSubmodel) {
            main = h;
            break;
        }
    }
    submodelStack_.push_back(main);
}

XmlCavroLoader::~XmlCavroLoader() = default;

IXmlBinding* XmlCavroLoader::GetBinding() {
    return root_;
}

void XmlCavroLoader::Release() {
    delete this;
}

IXmlBinding* XmlCavroLoader::Bind(const char* name, int flags, Callback onStart, Callback onEnd,
                                  Callback onText) {
    delegators_.push_back(std::make_unique<Delegator>(this, reader_, name, flags, onStart, onEnd, onText));
    return delegators_.back()->GetBinding();
}

// The elements of the grammar. "comment", "font" and "link" are different elements by where they stand.
struct XmlCavroLoader::Elements {
    IXmlBinding* cavro;
    IXmlBinding* networkComment;
    IXmlBinding* submodel;
    IXmlBinding* node;
    IXmlBinding* textBox;
    IXmlBinding* position;
    IXmlBinding* window;
    IXmlBinding* plate;
    IXmlBinding* name;
    IXmlBinding* caption;
    IXmlBinding* objectComment;
    IXmlBinding* font;
    IXmlBinding* textBoxFont;
    IXmlBinding* interior;
    IXmlBinding* outline;
    IXmlBinding* state;
    IXmlBinding* fix;
    IXmlBinding* stateComment;
    IXmlBinding* nodeLink;
    IXmlBinding* stateLink;
    IXmlBinding* question;
    // Accepted and ignored.
    IXmlBinding* barChart;
    IXmlBinding* defComment;
    IXmlBinding* costComment;
    IXmlBinding* arcComment;
    IXmlBinding* arcFormat;
    IXmlBinding* diagAutoFormat;
    IXmlBinding* qualColors;
};

namespace {

void DeclareCavroRoot(const XmlCavroLoader::Elements& e) {
    AddAttributes(e.cavro, {{"version", true},
                            {"app", false},
                            {"name", true},
                            {"faultnameformat", false},
                            {"arccolor", false},
                            {"costarccolor", false},
                            {"arcwidth", false},
                            {"costarcwidth", false}});
    e.cavro->AddChild(e.node, kZeroOrMore);
    e.cavro->AddChild(e.submodel, kZeroOrMore);
    e.cavro->AddChild(e.textBox, kZeroOrMore);
    e.cavro->AddChild(e.networkComment, kOptional);
    e.cavro->AddChild(e.arcComment, kZeroOrMore);
    e.cavro->AddChild(e.arcFormat, kZeroOrMore);
    e.cavro->AddChild(e.diagAutoFormat, kOptional);
    e.cavro->AddChild(e.qualColors, kOptional);
    e.cavro->AddChild(e.plate, kOptional);
}

void DeclareCavroSubmodel(const XmlCavroLoader::Elements& e) {
    e.submodel->AddAttribute("id", true);
    e.submodel->AddChild(e.objectComment, kOptional);
    e.submodel->AddChild(e.position, kRequired);
    e.submodel->AddChild(e.name, kRequired);
    e.submodel->AddChild(e.font, kRequired);
    e.submodel->AddChild(e.interior, kRequired);
    e.submodel->AddChild(e.outline, kRequired);
    e.submodel->AddChild(e.node, kZeroOrMore);
    e.submodel->AddChild(e.submodel, kZeroOrMore);
    e.submodel->AddChild(e.textBox, kZeroOrMore);
    e.submodel->AddChild(e.window, kOptional);
}

void DeclareCavroNode(const XmlCavroLoader::Elements& e) {
    AddAttributes(e.node, {{"id", true}, {"faultnameformat", false}});
    e.node->AddChild(e.objectComment, kOptional);
    e.node->AddChild(e.position, kRequired);
    e.node->AddChild(e.name, kRequired);
    e.node->AddChild(e.font, kRequired);
    e.node->AddChild(e.interior, kRequired);
    e.node->AddChild(e.outline, kRequired);
    e.node->AddChild(e.defComment, kZeroOrMore);
    e.node->AddChild(e.costComment, kZeroOrMore);
    e.node->AddChild(e.barChart, kOptional);
    e.node->AddChild(e.state, kZeroOrMore);
    e.node->AddChild(e.nodeLink, kZeroOrMore);
    e.node->AddChild(e.question, kOptional);
}

void DeclareCavroTextBox(const XmlCavroLoader::Elements& e) {
    e.textBox->AddChild(e.objectComment, kOptional);
    e.textBox->AddChild(e.position, kRequired);
    e.textBox->AddChild(e.caption, kRequired);
    e.textBox->AddChild(e.textBoxFont, kRequired);
}

// Fonts, fill and outline of the drawn objects.
void DeclareCavroLooks(const XmlCavroLoader::Elements& e) {
    AddAttributes(e.font,
                  {{"name", true}, {"size", true}, {"color", true}, {"bold", false}, {"italic", false}});
    AddAttributes(e.textBoxFont, {{"name", true},
                                  {"size", true},
                                  {"color", true},
                                  {"bold", false},
                                  {"italic", false},
                                  {"align", false}});
    e.interior->AddAttribute("color", true);
    AddAttributes(e.outline, {{"color", true}, {"width", false}});
}

void DeclareCavroState(const XmlCavroLoader::Elements& e) {
    AddAttributes(e.state, {{"id", true}, {"globalid", false}, {"faultname", false}});
    e.state->AddChild(e.stateLink, kZeroOrMore);
    e.state->AddChild(e.fix, kOptional);
    e.state->AddChild(e.stateComment, kOptional);
    AddAttributes(e.nodeLink, {{"title", true}, {"path", true}});
    AddAttributes(e.stateLink, {{"title", true}, {"path", true}});
}

// The plate and the elements accepted and ignored.
void DeclareCavroPlateAndIgnored(const XmlCavroLoader::Elements& e) {
    AddAttributes(e.plate, {{"leftwidth", true}, {"rightwidth", true}});
    AddAttributes(e.barChart, {{"active", false}, {"width", false}, {"height", false}});
    AddAttributes(e.defComment, {{"row", true}, {"col", true}});
    AddAttributes(e.costComment, {{"row", true}, {"col", true}});
    AddAttributes(e.arcComment, {{"parent", true}, {"child", true}, {"order", false}, {"cost", false}});
    AddAttributes(e.arcFormat, {{"parent", true},
                                {"child", true},
                                {"order", false},
                                {"cost", false},
                                {"width", true},
                                {"color", true}});
    AddAttributes(e.diagAutoFormat, {{"target", true},
                                     {"targetnr", true},
                                     {"observation", true},
                                     {"observationnr", true},
                                     {"auxiliary", true}});
    AddAttributes(e.qualColors, {{"left", true}, {"center", true}, {"right", true}, {"blend", false}});
}

}  // namespace

XmlCavroLoader::Elements XmlCavroLoader::BindElements() {
    Elements e{};
    e.cavro = Bind("cavro", 0, &XmlCavroLoader::OnCavroStart, nullptr, nullptr);
    e.networkComment = Bind("comment", kInherit, nullptr, &XmlCavroLoader::OnNetworkComment, nullptr);
    e.submodel =
        Bind("submodel", kInherit, &XmlCavroLoader::OnSubmodelStart, &XmlCavroLoader::OnSubmodelEnd, nullptr);
    e.node = Bind("node", kInherit, &XmlCavroLoader::OnNodeStart, &XmlCavroLoader::OnNodeEnd, nullptr);
    e.textBox =
        Bind("textbox", kInherit, &XmlCavroLoader::OnTextBoxStart, &XmlCavroLoader::OnTextBoxEnd, nullptr);
    e.position = Bind("position", kInherit, &XmlCavroLoader::OnRectangleStart, &XmlCavroLoader::OnPositionEnd,
                      &XmlCavroLoader::OnRectangleWord);
    e.window = Bind("window", kInherit, &XmlCavroLoader::OnRectangleStart, &XmlCavroLoader::OnWindowEnd,
                    &XmlCavroLoader::OnRectangleWord);
    e.plate = Bind("plate", kInherit, &XmlCavroLoader::OnPlateStart, &XmlCavroLoader::OnPlateEnd,
                   &XmlCavroLoader::OnRectangleWord);
    e.name = Bind("name", kInherit, nullptr, &XmlCavroLoader::OnNameEnd, nullptr);
    e.caption = Bind("caption", kInherit, nullptr, &XmlCavroLoader::OnNameEnd, nullptr);
    e.objectComment = Bind("comment", kInherit, nullptr, &XmlCavroLoader::OnObjectCommentEnd, nullptr);
    e.font = Bind("font", kInherit, &XmlCavroLoader::OnFontStart, nullptr, nullptr);
    e.textBoxFont = Bind("font", kInherit, &XmlCavroLoader::OnFontStart, nullptr, nullptr);
    e.interior = Bind("interior", kInherit, &XmlCavroLoader::OnInteriorStart, nullptr, nullptr);
    e.outline = Bind("outline", kInherit, &XmlCavroLoader::OnOutlineStart, nullptr, nullptr);
    e.state = Bind("state", kInherit, &XmlCavroLoader::OnStateStart, &XmlCavroLoader::OnStateEnd, nullptr);
    e.fix = Bind("fix", kInherit, nullptr, &XmlCavroLoader::OnFixEnd, nullptr);
    e.stateComment = Bind("comment", kInherit, nullptr, &XmlCavroLoader::OnStateCommentEnd, nullptr);
    e.nodeLink = Bind("link", kInherit, &XmlCavroLoader::OnNodeLinkStart, nullptr, nullptr);
    e.stateLink = Bind("link", kInherit, &XmlCavroLoader::OnStateLinkStart, nullptr, nullptr);
    e.question = Bind("question", kInherit, nullptr, &XmlCavroLoader::OnQuestionEnd, nullptr);
    e.barChart = Bind("barchart", kInherit, nullptr, nullptr, nullptr);
    e.defComment = Bind("defcomment", kInherit, nullptr, nullptr, nullptr);
    e.costComment = Bind("costcomment", kInherit, nullptr, nullptr, nullptr);
    e.arcComment = Bind("arccomment", kInherit, nullptr, nullptr, nullptr);
    e.arcFormat = Bind("arcformat", kInherit, nullptr, nullptr, nullptr);
    e.diagAutoFormat = Bind("diagautoformat", kInherit, nullptr, nullptr, nullptr);
    e.qualColors = Bind("qualcolors", kInherit, nullptr, nullptr, nullptr);
    return e;
}

void XmlCavroLoader::BuildGrammar() {
    const Elements elements = BindElements();
    DeclareCavroRoot(elements);
    DeclareCavroSubmodel(elements);
    DeclareCavroNode(elements);
    DeclareCavroTextBox(elements);
    DeclareCavroLooks(elements);
    DeclareCavroState(elements);
    DeclareCavroPlateAndIgnored(elements);
    root_ = elements.cavro;
}

void XmlCavroLoader::ReadText(IXmlReader* reader, std::string& out) const {
    UnescapeDiagramText(reader->GetText(), out);
}

bool XmlCavroLoader::ReadColor(IXmlReader* reader, const char* attribute, int& color) {
    std::string text;
    reader->GetAttribute(attribute, text);
    if (ParseCavroColor(text, color)) return true;
    reader->ReportError("Color specification 'rrggbb' expected");
    return false;
}

bool XmlCavroLoader::TakeRectangle(IXmlReader* reader, VRX_rectangle& rect) {
    if (integers_.size() != 4) {
        reader->ReportError("Error while reading object position");
        return false;
    }
    RectangleFromCorners(integers_[0], integers_[1], integers_[2], integers_[3], rect);
    return true;
}

void XmlCavroLoader::OnCavroStart(IXmlReader* reader) {
    std::string text;
    reader->GetAttribute("version", text);
    if (!reader_->CheckVersion(text.c_str(), kCavroVersion)) return;
    reader->GetAttribute("name", text);
    if (!text.empty()) CheckStored(reader, network_->GetHeader()->SetName(text.c_str()));
    reader->GetAttribute("faultnameformat", text);
    const int code = text.empty() ? FaultNameFormat::kUser : FaultNameFormatCode(text);
    if (code == FaultNameFormat::kInherit) {
        reader->ReportError("Inherited fault name format not allowed here");
    } else if (code < 0) {
        reader->ReportError(WithArgument("Invalid fault name format", text).c_str());
    } else {
        network_->faultNameFormat = code;
    }
}

void XmlCavroLoader::OnNetworkComment(IXmlReader* reader) {
    std::string text;
    ReadText(reader, text);
    CheckStored(reader, network_->GetHeader()->SetComment(text.c_str()));
}

void XmlCavroLoader::OnSubmodelStart(IXmlReader* reader) {
    std::string id;
    reader->GetAttribute("id", id);
    // A refused submodel would leave everything inside it without a place: the load stops.
    const int handle = network_->GetSubmodelHandler().CreateSubmodel(CurrentSubmodel(), id.c_str());
    if (handle < 0) {
        reader->ReportError(WithArgument("Can't create submodel", id).c_str());
        return;
    }
    submodelStack_.push_back(handle);
    objectStack_.push_back(std::make_unique<Submodel>(handle));
}

void XmlCavroLoader::OnSubmodelEnd(IXmlReader* reader) {
    CheckStored(reader, objectStack_.back()->Apply(network_, CurrentSubmodel()));
    objectStack_.pop_back();
    submodelStack_.pop_back();
}

void XmlCavroLoader::OnNodeStart(IXmlReader* reader) {
    std::string id;
    reader->GetAttribute("id", id);
    const auto found = nodeIds_.find(id);
    if (found == nodeIds_.end()) {
        reader->ReportError(("Node '" + id + "' doesn't exist in TARVO network").c_str());
        return;
    }
    const int handle = found->second;
    // A node given again is compared whole with its first element, not read over it.
    const bool repeated = nodeElements_.count(handle) > 0;
    reader->RecordElement(repeated);
    if (repeated) {
        repeatedNode_ = handle;
        return;
    }
    stateElements_.clear();
    objectStack_.push_back(std::make_unique<Node>(handle));
    VRX_node* node = network_->GetNode(handle);
    if (node->SetSubmodel(CurrentSubmodel()) != kSuccess) {
        reader->ReportError(WithArgument("Can't place node in submodel", id).c_str());
        return;
    }
    nodeLinks_.clear();
    std::string format;
    reader->GetAttribute("faultnameformat", format);
    const int code = format.empty() ? FaultNameFormat::kInherit : FaultNameFormatCode(format);
    if (code < 0) {
        reader->ReportError(WithArgument("Invalid fault name format", format).c_str());
        return;
    }
    if (VRX_extraDefinition* extra = node->GetExtraDefinition()) extra->faultNameFormat = code;
}

void XmlCavroLoader::OnNodeEnd(IXmlReader* reader) {
    if (repeatedNode_ >= 0) {
        const std::string id = vovido::OrEmpty(network_->GetNode(repeatedNode_)->GetId());
        // Where the node is placed belongs to what it gives.
        std::string first = nodeElements_[repeatedNode_];
        const std::string place = std::to_string(CurrentSubmodel()) + ":";
        first = first.compare(0, place.size(), place) == 0 ? first.substr(place.size()) : std::string();
        repeatedNode_ = -1;
        (void)vovido::ReportRepeatedPart(*reader, "Node [" + id + "]", "'node' element in the extension",
                                         first == reader->RecordedElement());
        return;
    }
    Node* record = CurrentNode();
    if (record != nullptr)
        nodeElements_[record->handle] = std::to_string(CurrentSubmodel()) + ":" + reader->RecordedElement();
    if (record != nullptr) {
        VRX_node* node = network_->GetNode(record->handle);
        if (node != nullptr && node->GetInfo() != nullptr) {
            VRX_documentation& documentation = node->GetInfo()->documentation;
            for (const auto& link : nodeLinks_)
                CheckStored(reader, documentation.AddDocument(link.first.c_str(), link.second.c_str()));
        }
    }
    CheckStored(reader, objectStack_.back()->Apply(network_, CurrentSubmodel()));
    objectStack_.pop_back();
}

void XmlCavroLoader::OnTextBoxStart(IXmlReader* /*reader*/) {
    objectStack_.push_back(std::make_unique<TextBox>());
}

void XmlCavroLoader::OnTextBoxEnd(IXmlReader* reader) {
    CheckStored(reader, objectStack_.back()->Apply(network_, CurrentSubmodel()));
    objectStack_.pop_back();
}

void XmlCavroLoader::OnRectangleStart(IXmlReader* /*reader*/) {
    integers_.clear();
}

void XmlCavroLoader::OnPlateStart(IXmlReader* reader) {
    if (!reader->GetIntAttribute("leftwidth", plateLeftWidth_, 0)) return;
    if (!reader->GetIntAttribute("rightwidth", plateRightWidth_, 0)) return;
    integers_.clear();
}

void XmlCavroLoader::OnRectangleWord(IXmlReader* reader) {
    if (integers_.size() == 4) {
        reader->ReportError("Exactly 4 integers expected");
        return;
    }
    // Corners of shapes near the ends of the int range pass it (a centre of 2147483000 and a width of
    // 80): the saver writes them wide, up to half an int beyond, and they are read so.
    double value = 0.0;
    constexpr double kWidestCorner = 4294967296.0;
    if (!vovido::ParseWholeXmlDouble(reader->GetText().c_str(), value) || value != std::trunc(value) ||
        std::fabs(value) > kWidestCorner) {
        const std::string message = "Can't read list of integers, failed at element " +
                                    std::to_string(integers_.size() + 1) + ": '" + reader->GetText() +
                                    "' : Whole number expected, from -4294967296 to 4294967296";
        reader->ReportError(message.c_str());
        return;
    }
    integers_.push_back(static_cast<long long>(value));
}

void XmlCavroLoader::OnPositionEnd(IXmlReader* reader) {
    VRX_rectangle rect;
    if (!TakeRectangle(reader, rect)) return;
    if (GraphObj* object = CurrentObject()) (void)object->rectangle.Copy(rect);  // rect was read: valid
}

void XmlCavroLoader::OnWindowEnd(IXmlReader* reader) {
    VRX_rectangle rect;
    if (!TakeRectangle(reader, rect)) return;
    if (VRX_submodel* submodel = network_->GetSubmodelHandler().GetSubmodel(CurrentSubmodel()))
        (void)submodel->windowPosition.Copy(rect);  // rect was read: valid
}

void XmlCavroLoader::OnPlateEnd(IXmlReader* reader) {
    VRX_rectangle rect;
    if (!TakeRectangle(reader, rect)) return;
    // Without a place of its own the layout goes to the network's temporal data.
    VRX_temporalExtension* plate = plate_ != nullptr ? plate_ : network_->GetTemporalExtension();
    if (plate != nullptr) plate->SetPlate(rect, plateLeftWidth_, plateRightWidth_);
}

void XmlCavroLoader::OnNameEnd(IXmlReader* reader) {
    if (GraphObj* object = CurrentObject()) ReadText(reader, object->name);
}

void XmlCavroLoader::OnObjectCommentEnd(IXmlReader* reader) {
    if (GraphObj* object = CurrentObject()) ReadText(reader, object->comment);
}

void XmlCavroLoader::OnInteriorStart(IXmlReader* reader) {
    if (GraphObj* object = CurrentObject()) ReadColor(reader, "color", object->backgroundColor);
}

void XmlCavroLoader::OnOutlineStart(IXmlReader* reader) {
    GraphObj* object = CurrentObject();
    if (object == nullptr) return;
    int width = object->borderWidth;
    if (!reader->GetIntAttribute("width", width, object->borderWidth)) return;
    if (width < 1) {
        reader->ReportError("Invalid width attribute");
        return;
    }
    object->borderWidth = width;
    ReadColor(reader, "color", object->borderColor);
}

void XmlCavroLoader::OnFontStart(IXmlReader* reader) {
    if (GraphObj* object = CurrentObject()) ReadColor(reader, "color", object->textColor);
}

void XmlCavroLoader::OnStateStart(IXmlReader* reader) {
    Node* record = CurrentNode();
    if (record == nullptr) return;
    VRX_node* node = network_->GetNode(record->handle);
    std::string id;
    reader->GetAttribute("id", id);
    VRX_nodeDefinition* definition = node->GetDefinition();
    const int outcomes = definition != nullptr ? definition->GetNumberOfOutcomes() : 0;
    if (outcomes <= 0) {
        reader->ReportError(("unexpected state info : '" + id + "'").c_str());
        return;
    }
    const VRX_idArray* names = definition->GetOutcomesNames();
    const int index = names != nullptr ? names->FindPosition(id.c_str()) : -1;
    if (index < 0 || index >= outcomes) {
        reader->ReportError(WithArgument("Invalid state id", id).c_str());
        return;
    }
    // A state given again is compared whole with its first element, as nodes are.
    const bool repeated = stateElements_.count(index) > 0;
    reader->RecordElement(repeated);
    if (repeated) {
        repeatedState_ = index;
        return;
    }
    VRX_extraDefinition* extra = node->GetExtraDefinition();
    std::string text;
    reader->GetAttribute("globalid", text);
    // What the node refuses would be lost: the load stops with the state's data named.
    if (!text.empty() && (extra == nullptr || extra->SetOutcomeLabel(index, text.c_str()) != kSuccess)) {
        reader->ReportError(WithArgument("Invalid state global id", text).c_str());
        return;
    }
    reader->GetAttribute("faultname", text);
    if (!text.empty() && (extra == nullptr || index >= extra->GetFaultNames()->GetCount() ||
                          extra->GetFaultNames()->SetString(index, text.c_str()) != kSuccess)) {
        reader->ReportError(WithArgument("Invalid state fault name", text).c_str());
        return;
    }
    stateLinks_.clear();
    currentState_ = index;
}

void XmlCavroLoader::OnStateEnd(IXmlReader* reader) {
    Node* record = CurrentNode();
    VRX_node* node = record != nullptr ? network_->GetNode(record->handle) : nullptr;
    if (repeatedState_ >= 0 && node != nullptr) {
        const int index = repeatedState_;
        repeatedState_ = -1;
        const VRX_idArray* names = node->GetDefinition()->GetOutcomesNames();
        const std::string outcome = names != nullptr ? vovido::OrEmpty((*names)[index]) : "";
        (void)vovido::ReportRepeatedPart(*reader,
                                         "Node [" + std::string(vovido::OrEmpty(node->GetId())) + "]",
                                         "'state' element for outcome '" + outcome + "' in the extension",
                                         stateElements_[index] == reader->RecordedElement());
        return;
    }
    stateElements_[currentState_] = reader->RecordedElement();
    VRX_extraDefinition* extra = node != nullptr ? node->GetExtraDefinition() : nullptr;
    VRX_documentation* documents = extra != nullptr ? extra->GetOutcomeDocumentation(currentState_) : nullptr;
    if (documents == nullptr) return;
    for (const auto& link : stateLinks_)
        CheckStored(reader, documents->AddDocument(link.first.c_str(), link.second.c_str()));
}

void XmlCavroLoader::OnFixEnd(IXmlReader* reader) {
    Node* record = CurrentNode();
    VRX_node* node = record != nullptr ? network_->GetNode(record->handle) : nullptr;
    if (node == nullptr || node->GetExtraDefinition() == nullptr) return;
    std::string text;
    ReadText(reader, text);
    CheckStored(reader, node->GetExtraDefinition()->SetOutcomeFix(currentState_, text.c_str()));
}

void XmlCavroLoader::OnStateCommentEnd(IXmlReader* reader) {
    Node* record = CurrentNode();
    VRX_node* node = record != nullptr ? network_->GetNode(record->handle) : nullptr;
    if (node == nullptr || node->GetExtraDefinition() == nullptr) return;
    std::string text;
    ReadText(reader, text);
    CheckStored(reader, node->GetExtraDefinition()->SetOutcomeDescription(currentState_, text.c_str()));
}

void XmlCavroLoader::OnQuestionEnd(IXmlReader* reader) {
    Node* record = CurrentNode();
    VRX_node* node = record != nullptr ? network_->GetNode(record->handle) : nullptr;
    if (node == nullptr || node->GetExtraDefinition() == nullptr) return;
    std::string text;
    ReadText(reader, text);
    CheckStored(reader, node->GetExtraDefinition()->SetQuestion(text.c_str()));
}

void XmlCavroLoader::OnNodeLinkStart(IXmlReader* reader) {
    std::string title;
    std::string path;
    reader->GetAttribute("title", title);
    reader->GetAttribute("path", path);
    nodeLinks_.emplace_back(std::move(title), std::move(path));
}

void XmlCavroLoader::OnStateLinkStart(IXmlReader* reader) {
    std::string title;
    std::string path;
    reader->GetAttribute("title", title);
    reader->GetAttribute("path", path);
    stateLinks_.emplace_back(std::move(title), std::move(path));
}

IXmlCavroLoader* CreateXmlCavroLoader(XmlReader* reader, VRX_network* network,
                                      const std::map<std::string, int>& nodeIds,
                                      VRX_temporalExtension* plate) {
    return new XmlCavroLoader(reader, network, nodeIds, plate);
}
