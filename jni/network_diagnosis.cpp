// Network natives of the diagnostic attributes of nodes: role, ranked and mandatory flags, default
// outcome, question, and per outcome the fault mark, description, label and fix text. The failures come
// from the argument checks and from the node's refusal of a label; its other setters accept any text.
#include <new>
#include <stdexcept>
#include <string>

#include "base/id_array.h"
#include "base/identifier.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/extra_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tarvo_Network.h"

using vovido::ByOutcomeId;
using vovido::GetNetwork;
using vovido::MakeJavaString;
using vovido::NodeDefinition;
using vovido::NodeIdText;
using vovido::RunNative;

namespace {

VRX_extraDefinition& Extra(VRX_node& node) {
    VRX_extraDefinition* extra = node.GetExtraDefinition();
    if (extra == nullptr)
        throw std::runtime_error(std::string("Node has no diagnostic data - node '") + NodeIdText(node) +
                                 "'");
    return *extra;
}

VRX_extraDefinition& NodeExtra(const VRX_network& network, int handle) {
    return Extra(checkNodeHandle(network, handle));
}
VRX_extraDefinition& OutcomeExtra(const VRX_network& network, int handle, int outcome) {
    return Extra(checkOutcomeIndex(network, handle, outcome));
}

// A text of the engine for Java; an absent one reads as empty.
jstring Text(JNIEnv* env, const char* text) {
    return MakeJavaString(env, text != nullptr ? text : "");
}

// Setters of a text read the Java string (its parameter named Argument) before the network is reached
// and the node resolved (Resolve turns the key into a handle); the body takes the engine text last:
// Body(env, network, handle, ..., text).
int AsHandle(JNIEnv*, const VRX_network&, jint handle) {
    return handle;
}

constexpr char kQuestionArgument[] = "question";
constexpr char kFixArgument[] = "fix";
constexpr char kDescriptionArgument[] = "description";
constexpr char kLabelArgument[] = "label";

template <auto Resolve, const char* Argument, typename Key, typename Body>
void TextSetter(JNIEnv* env, jobject self, Key key, Body&& body, jstring text) noexcept {
    RunNative(env, [&] {
        VRX_network& network = GetNetwork(env, self);  // a disposed network is named before the text
        const JStringChars chars(env, text, Argument);
        body(env, network, Resolve(env, network, key), chars.get());
    });
}

template <auto Resolve, const char* Argument, typename Key, typename Body, typename Outcome>
void TextSetter(JNIEnv* env, jobject self, Key key, Body&& body, Outcome outcome, jstring text) noexcept {
    TextSetter<Resolve, Argument>(
        env, self, key, [&](JNIEnv* e, VRX_network& n, int h, const char* t) { body(e, n, h, outcome, t); },
        text);
}

// Node attributes.
jint DiagType(JNIEnv*, const VRX_network& network, int handle) {
    return NodeExtra(network, handle).diagType;
}
void SetDiagType(JNIEnv*, const VRX_network& network, int handle, jint type) {
    VRX_extraDefinition& extra = NodeExtra(network, handle);
    // The files keep only these three: another would be read back as auxiliary.
    if (type < 0 || type > 2) {
        throw std::invalid_argument("Invalid diagnostic type " + std::to_string(type) + " for node '" +
                                    NodeIdText(checkNodeHandle(network, handle)) +
                                    "', valid types are 0 (target), 1 (observation), 2 (auxiliary)");
    }
    extra.diagType = type;
}
jboolean Ranked(JNIEnv*, const VRX_network& network, int handle) {
    return NodeExtra(network, handle).ranked ? JNI_TRUE : JNI_FALSE;
}
void SetRanked(JNIEnv*, const VRX_network& network, int handle, jboolean on) {
    NodeExtra(network, handle).ranked = on ? 1 : 0;
}
jboolean Mandatory(JNIEnv*, const VRX_network& network, int handle) {
    return NodeExtra(network, handle).mandatory ? JNI_TRUE : JNI_FALSE;
}
void SetMandatory(JNIEnv*, const VRX_network& network, int handle, jboolean on) {
    NodeExtra(network, handle).mandatory = on ? 1 : 0;
}
jint DefaultOutcome(JNIEnv*, const VRX_network& network, int handle) {
    const VRX_extraDefinition& extra = NodeExtra(network, handle);
    return extra.setAsDefault ? extra.GetDefaultOutcome() : -1;
}
jstring DefaultOutcomeId(JNIEnv* env, const VRX_network& network, int handle) {
    const int outcome = DefaultOutcome(env, network, handle);
    if (outcome < 0) return nullptr;
    const VRX_idArray* names = NodeDefinition(checkNodeHandle(network, handle)).GetOutcomesNames();
    // The default follows the outcome edits, so it names an outcome; a kind without names has none.
    if (names == nullptr || outcome >= names->GetCount()) return nullptr;
    return MakeJavaString(env, (*names)[outcome]);
}
void SetDefault(JNIEnv*, const VRX_network& network, int handle, jint outcome) {
    if (outcome < 0) {
        NodeExtra(network, handle).setAsDefault = 0;
        return;
    }
    VRX_extraDefinition& extra = OutcomeExtra(network, handle, outcome);
    (void)extra.SetDefaultOutcome(outcome);  // the index was checked against the outcomes
    extra.setAsDefault = 1;
}
jstring Question(JNIEnv* env, const VRX_network& network, int handle) {
    return Text(env, NodeExtra(network, handle).GetQuestion());
}
void SetQuestion(JNIEnv*, const VRX_network& network, int handle, const char* text) {
    // Out of memory leaves the old question.
    (void)NodeExtra(network, handle).SetQuestion(text);
}

// Outcome attributes.
jstring Fix(JNIEnv* env, const VRX_network& network, int handle, int outcome) {
    return Text(env, OutcomeExtra(network, handle, outcome).GetOutcomeFix(outcome));
}
jstring Description(JNIEnv* env, const VRX_network& network, int handle, int outcome) {
    return Text(env, OutcomeExtra(network, handle, outcome).GetOutcomeDescription(outcome));
}
jstring Label(JNIEnv* env, const VRX_network& network, int handle, int outcome) {
    const VRX_idArray* labels =
        static_cast<const VRX_extraDefinition&>(OutcomeExtra(network, handle, outcome)).GetOutcomeLabels();
    return Text(env, outcome < labels->GetCount() ? (*labels)[outcome] : nullptr);
}
jboolean IsFault(JNIEnv*, const VRX_network& network, int handle, int outcome) {
    return OutcomeExtra(network, handle, outcome).IsFaultOutcome(outcome) ? JNI_TRUE : JNI_FALSE;
}
void SetFault(JNIEnv*, const VRX_network& network, int handle, int outcome, jboolean fault) {
    (void)OutcomeExtra(network, handle, outcome).SetFaultOutcome(outcome, fault ? 1 : 0);  // index checked
}

// Why the node refused the label: another node holds it, it is no identifier, or another of the node's
// outcomes holds it.
std::string LabelRefusalCause(const VRX_network& network, int handle, const char* label) {
    const std::string named = "Outcome label [" + std::string(label) + "]";
    for (int h = 0; h < network.GetNumberOfSlots(); ++h) {
        const VRX_node* other = h != handle ? network.GetNode(h) : nullptr;
        const VRX_extraDefinition* extra = other != nullptr ? other->GetExtraDefinition() : nullptr;
        const VRX_idArray* labels = extra != nullptr ? extra->GetOutcomeLabels() : nullptr;
        if (labels != nullptr && labels->FindPosition(label) >= 0)
            return named + " is already used by node '" + NodeIdText(*other) + "'";
    }
    if (IsValidIdentifier(label) == 0) return named + vovido::kNotAnIdentifierText;
    return named + " is already used by another outcome of this node";
}

// A label the node refuses raises the cause, naming the label, the outcome and the node.
void SetLabel(const VRX_network& network, int handle, int outcome, VRX_extraDefinition& extra,
              const char* label) {
    const int status = extra.SetOutcomeLabel(outcome, label);
    if (status == kSuccess) return;
    if (status == kOutOfMemory) throw std::bad_alloc();
    std::string text = LabelRefusalCause(network, handle, label) + ": Can't set the label of outcome ";
    appendInt(text, outcome);
    text += std::string(" of node '") + NodeIdText(checkNodeHandle(network, handle)) + "', error code: ";
    appendInt(text, status);
    throw std::invalid_argument(text);
}

// The three text setters by outcome index; a label is checked by the node, the other texts are free.
enum class OutcomeText { kFix, kDescription, kLabel };
template <OutcomeText Which>
void SetOutcomeText(JNIEnv*, const VRX_network& network, int handle, int outcome, const char* text) {
    VRX_extraDefinition& extra = OutcomeExtra(network, handle, outcome);
    switch (Which) {
        case OutcomeText::kFix:
            (void)extra.SetOutcomeFix(outcome, text);
            break;
        case OutcomeText::kDescription:
            (void)extra.SetOutcomeDescription(outcome, text);
            break;
        case OutcomeText::kLabel:
            SetLabel(network, handle, outcome, extra, text);
            break;
    }
}

}  // namespace

// The text setters read the text (the parameter named Argument) before the node, by handle or by
// identifier.
#define VOVIDO_TEXT_NATIVES(Argument, ...)                                                               \
    VOVIDO_JNI_PAIR(Network, (TextSetter<AsHandle, Argument>), (TextSetter<nodeHandleFromId, Argument>), \
                    __VA_ARGS__)

VOVIDO_NODE_NATIVES(jint, getNodeDiagType, , DiagType)
VOVIDO_NODE_NATIVES(void, setNodeDiagType, I, SetDiagType, jint)
VOVIDO_NODE_NATIVES(jboolean, isRanked, , Ranked)
VOVIDO_NODE_NATIVES(void, setRanked, Z, SetRanked, jboolean)
VOVIDO_NODE_NATIVES(jboolean, isMandatory, , Mandatory)
VOVIDO_NODE_NATIVES(void, setMandatory, Z, SetMandatory, jboolean)
VOVIDO_NODE_NATIVES(jint, getDefaultOutcome, , DefaultOutcome)
VOVIDO_NODE_NATIVES(jstring, getDefaultOutcomeId, , DefaultOutcomeId)
VOVIDO_NODE_NATIVES(void, setDefaultOutcome, I, SetDefault, jint)
VOVIDO_NODE_NATIVES(void, setDefaultOutcome, Ljava_lang_String_2, ByOutcomeId<SetDefault>, jstring)
VOVIDO_NODE_NATIVES(jstring, getNodeQuestion, , Question)
VOVIDO_TEXT_NATIVES(kQuestionArgument, void, setNodeQuestion, Ljava_lang_String_2, SetQuestion, jstring)

// Outcome texts: fix, description, label.
VOVIDO_NODE_NATIVES(jstring, getOutcomeFix, I, Fix, jint)
VOVIDO_NODE_NATIVES(jstring, getOutcomeFix, Ljava_lang_String_2, ByOutcomeId<Fix>, jstring)
VOVIDO_TEXT_NATIVES(kFixArgument, void, setOutcomeFix, ILjava_lang_String_2,
                    SetOutcomeText<OutcomeText::kFix>, jint, jstring)
VOVIDO_TEXT_NATIVES(kFixArgument, void, setOutcomeFix, Ljava_lang_String_2Ljava_lang_String_2,
                    ByOutcomeId<SetOutcomeText<OutcomeText::kFix>>, jstring, jstring)
VOVIDO_NODE_NATIVES(jstring, getOutcomeDescription, I, Description, jint)
VOVIDO_NODE_NATIVES(jstring, getOutcomeDescription, Ljava_lang_String_2, ByOutcomeId<Description>, jstring)
VOVIDO_TEXT_NATIVES(kDescriptionArgument, void, setOutcomeDescription, ILjava_lang_String_2,
                    SetOutcomeText<OutcomeText::kDescription>, jint, jstring)
VOVIDO_TEXT_NATIVES(kDescriptionArgument, void, setOutcomeDescription, Ljava_lang_String_2Ljava_lang_String_2,
                    ByOutcomeId<SetOutcomeText<OutcomeText::kDescription>>, jstring, jstring)
VOVIDO_NODE_NATIVES(jstring, getOutcomeLabel, I, Label, jint)
VOVIDO_NODE_NATIVES(jstring, getOutcomeLabel, Ljava_lang_String_2, ByOutcomeId<Label>, jstring)
VOVIDO_TEXT_NATIVES(kLabelArgument, void, setOutcomeLabel, ILjava_lang_String_2,
                    SetOutcomeText<OutcomeText::kLabel>, jint, jstring)
VOVIDO_TEXT_NATIVES(kLabelArgument, void, setOutcomeLabel, Ljava_lang_String_2Ljava_lang_String_2,
                    ByOutcomeId<SetOutcomeText<OutcomeText::kLabel>>, jstring, jstring)

VOVIDO_NODE_NATIVES(jboolean, isFaultOutcome, I, IsFault, jint)
VOVIDO_NODE_NATIVES(jboolean, isFaultOutcome, Ljava_lang_String_2, ByOutcomeId<IsFault>, jstring)
VOVIDO_NODE_NATIVES(void, setFaultOutcome, IZ, SetFault, jint, jboolean)
VOVIDO_NODE_NATIVES(void, setFaultOutcome, Ljava_lang_String_2Z, ByOutcomeId<SetFault>, jstring, jboolean)
