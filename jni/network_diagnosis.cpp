// Network natives of the diagnostic attributes of nodes: role, ranked and mandatory flags, default
// outcome, question, and per outcome the fault mark, description, label and fix text. Every failure
// comes from the argument checks; the engine's answers to the setters are not raised.
#include <stdexcept>

#include "base/id_array.h"
#include "base/string_array.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/extra_definition.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tarvo_Network.h"

using vovido::GetNetwork;
using vovido::MakeJavaString;
using vovido::NodeDefinition;
using vovido::NodeIdText;
using vovido::OnNode;
using vovido::OnNodeId;
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

// A node body taking the outcome by identifier, resolved after the node, for the routine that takes its
// index: Routine(env, network, handle, outcome, args...).
template <auto Routine>
inline constexpr auto ByOutcome =
    [](JNIEnv* env, VRX_network& network, int handle, jstring outcomeId, auto... args) {
        return Routine(env, network, handle, outcomeIndexFromId(env, network, handle, outcomeId), args...);
    };

// Setters of a text: the Java string is taken before the network is reached and the node checked.
template <typename Body>
void WithText(JNIEnv* env, jobject self, jstring text, Body&& body) noexcept {
    RunNative(env, [&] {
        const JStringChars chars(env, text);
        body(GetNetwork(env, self), chars.get());
    });
}

// Node attributes.
jint DiagType(JNIEnv*, const VRX_network& network, int handle) {
    return NodeExtra(network, handle).diagType;
}
void SetDiagType(JNIEnv*, const VRX_network& network, int handle, jint type) {
    NodeExtra(network, handle).diagType = type;
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
void SetQuestion(const VRX_network& network, int handle, const char* text) {
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

// The three text setters by outcome index; the engine's refusal (a label another node uses) is not raised.
enum class OutcomeText { kFix, kDescription, kLabel };
void SetOutcomeText(const VRX_network& network, int handle, int outcome, OutcomeText which,
                    const char* text) {
    VRX_extraDefinition& extra = OutcomeExtra(network, handle, outcome);
    switch (which) {
        case OutcomeText::kFix:
            (void)extra.SetOutcomeFix(outcome, text);
            break;
        case OutcomeText::kDescription:
            (void)extra.SetOutcomeDescription(outcome, text);
            break;
        case OutcomeText::kLabel:
            (void)extra.SetOutcomeLabel(outcome, text);
            break;
    }
}

// The four overloads of an outcome text setter.
void OutcomeTextII(JNIEnv* env, jobject self, jint h, jint o, jstring text, OutcomeText which) {
    WithText(env, self, text, [&](VRX_network& n, const char* t) { SetOutcomeText(n, h, o, which, t); });
}
void OutcomeTextSI(JNIEnv* env, jobject self, jstring id, jint o, jstring text, OutcomeText which) {
    WithText(env, self, text, [&](VRX_network& n, const char* t) {
        SetOutcomeText(n, nodeHandleFromId(env, n, id), o, which, t);
    });
}
void OutcomeTextIS(JNIEnv* env, jobject self, jint h, jstring oid, jstring text, OutcomeText which) {
    WithText(env, self, text, [&](VRX_network& n, const char* t) {
        SetOutcomeText(n, h, outcomeIndexFromId(env, n, h, oid), which, t);
    });
}
void OutcomeTextSS(JNIEnv* env, jobject self, jstring id, jstring oid, jstring text, OutcomeText which) {
    WithText(env, self, text, [&](VRX_network& n, const char* t) {
        const int h = nodeHandleFromId(env, n, id);
        SetOutcomeText(n, h, outcomeIndexFromId(env, n, h, oid), which, t);
    });
}

}  // namespace

extern "C" {

VOVIDO_NODE_NATIVES(jint, getNodeDiagType, , DiagType)
VOVIDO_NODE_NATIVES(void, setNodeDiagType, I, SetDiagType, jint)
VOVIDO_NODE_NATIVES(jboolean, isRanked, , Ranked)
VOVIDO_NODE_NATIVES(void, setRanked, Z, SetRanked, jboolean)
VOVIDO_NODE_NATIVES(jboolean, isMandatory, , Mandatory)
VOVIDO_NODE_NATIVES(void, setMandatory, Z, SetMandatory, jboolean)
VOVIDO_NODE_NATIVES(jint, getDefaultOutcome, , DefaultOutcome)
VOVIDO_NODE_NATIVES(jstring, getDefaultOutcomeId, , DefaultOutcomeId)
VOVIDO_NODE_NATIVES(void, setDefaultOutcome, I, SetDefault, jint)
VOVIDO_NODE_NATIVES(void, setDefaultOutcome, Ljava_lang_String_2, ByOutcome<SetDefault>, jstring)
VOVIDO_NODE_NATIVES(jstring, getNodeQuestion, , Question)
JNIEXPORT void JNICALL Java_tarvo_Network_setNodeQuestion__ILjava_lang_String_2(JNIEnv* env, jobject self,
                                                                                jint h, jstring text) {
    WithText(env, self, text, [&](VRX_network& n, const char* t) { SetQuestion(n, h, t); });
}
JNIEXPORT void JNICALL Java_tarvo_Network_setNodeQuestion__Ljava_lang_String_2Ljava_lang_String_2(
    JNIEnv* env, jobject self, jstring id, jstring text) {
    WithText(env, self, text,
             [&](VRX_network& n, const char* t) { SetQuestion(n, nodeHandleFromId(env, n, id), t); });
}

// Outcome texts: fix, description, label.
#define VOVIDO_OUTCOME_TEXT_NATIVES(Getter, Setter, Read, Which)                                             \
    JNIEXPORT jstring JNICALL Java_tarvo_Network_##Getter##__II(JNIEnv* env, jobject self, jint h, jint o) { \
        return OnNode(env, self, h, Read, o);                                                                \
    }                                                                                                        \
    JNIEXPORT jstring JNICALL Java_tarvo_Network_##Getter##__Ljava_lang_String_2I(JNIEnv* env, jobject self, \
                                                                                  jstring id, jint o) {      \
        return OnNodeId(env, self, id, Read, o);                                                             \
    }                                                                                                        \
    JNIEXPORT jstring JNICALL Java_tarvo_Network_##Getter##__ILjava_lang_String_2(JNIEnv* env, jobject self, \
                                                                                  jint h, jstring oid) {     \
        return OnNode(env, self, h, ByOutcome<Read>, oid);                                                   \
    }                                                                                                        \
    JNIEXPORT jstring JNICALL Java_tarvo_Network_##Getter##__Ljava_lang_String_2Ljava_lang_String_2(         \
        JNIEnv* env, jobject self, jstring id, jstring oid) {                                                \
        return OnNodeId(env, self, id, ByOutcome<Read>, oid);                                                \
    }                                                                                                        \
    JNIEXPORT void JNICALL Java_tarvo_Network_##Setter##__IILjava_lang_String_2(                             \
        JNIEnv* env, jobject self, jint h, jint o, jstring text) {                                           \
        OutcomeTextII(env, self, h, o, text, Which);                                                         \
    }                                                                                                        \
    JNIEXPORT void JNICALL Java_tarvo_Network_##Setter##__Ljava_lang_String_2ILjava_lang_String_2(           \
        JNIEnv* env, jobject self, jstring id, jint o, jstring text) {                                       \
        OutcomeTextSI(env, self, id, o, text, Which);                                                        \
    }                                                                                                        \
    JNIEXPORT void JNICALL Java_tarvo_Network_##Setter##__ILjava_lang_String_2Ljava_lang_String_2(           \
        JNIEnv* env, jobject self, jint h, jstring oid, jstring text) {                                      \
        OutcomeTextIS(env, self, h, oid, text, Which);                                                       \
    }                                                                                                        \
    JNIEXPORT void JNICALL                                                                                   \
        Java_tarvo_Network_##Setter##__Ljava_lang_String_2Ljava_lang_String_2Ljava_lang_String_2(            \
            JNIEnv* env, jobject self, jstring id, jstring oid, jstring text) {                              \
        OutcomeTextSS(env, self, id, oid, text, Which);                                                      \
    }

VOVIDO_OUTCOME_TEXT_NATIVES(getOutcomeFix, setOutcomeFix, Fix, OutcomeText::kFix)
VOVIDO_OUTCOME_TEXT_NATIVES(getOutcomeDescription, setOutcomeDescription, Description,
                            OutcomeText::kDescription)
VOVIDO_OUTCOME_TEXT_NATIVES(getOutcomeLabel, setOutcomeLabel, Label, OutcomeText::kLabel)
#undef VOVIDO_OUTCOME_TEXT_NATIVES

VOVIDO_NODE_NATIVES(jboolean, isFaultOutcome, I, IsFault, jint)
VOVIDO_NODE_NATIVES(jboolean, isFaultOutcome, Ljava_lang_String_2, ByOutcome<IsFault>, jstring)
VOVIDO_NODE_NATIVES(void, setFaultOutcome, IZ, SetFault, jint, jboolean)
VOVIDO_NODE_NATIVES(void, setFaultOutcome, Ljava_lang_String_2Z, ByOutcome<SetFault>, jstring, jboolean)
}  // extern "C"
