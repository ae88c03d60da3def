// The natives of tarvo.ValueOfInfo: the settings object of a value-of-information question about the
// network in the Java field "net", its update and its results.
#include <new>
#include <stdexcept>
#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/value_of_information.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/native_pairs.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "model/node.h"
#include "tarvo_ValueOfInfo.h"

using vovido::CheckEngineStatus;
using vovido::DeleteVrxObject;
using vovido::GetNetwork;
using vovido::MakeDoubleArray;
using vovido::MakeJavaString;
using vovido::NativeObject;
using vovido::NodeIdText;
using vovido::RunNative;
using vovido::ToNativePtr;

namespace {

VRX_valueOfInformation& Settings(JNIEnv* env, jobject self) {
    return NativeObject<VRX_valueOfInformation>(env, self);
}

// An edit of the node lists; a refusal raises before + the node's identifier + after, without the
// engine's status or log, and the reason after ": " where a rule of the question names one.
struct NodeEdit {
    int (*edit)(VRX_valueOfInformation& settings, int handle);
    const char* before;
    const char* after;
    const char* (VRX_valueOfInformation::*why)(int handle) const;
};

int Add(VRX_valueOfInformation& s, int h) {
    return s.AddNode(h);
}
int Remove(VRX_valueOfInformation& s, int h) {
    return s.RemoveNode(h);
}
int Decide(VRX_valueOfInformation& s, int h) {
    return s.SetDecision(h);
}
int View(VRX_valueOfInformation& s, int h) {
    return s.SetPointOfView(h);
}

constexpr NodeEdit kAddNode{Add, "Cannot add node ", " to ValueOfInfo object",
                            &VRX_valueOfInformation::WhyNotObserved};
constexpr NodeEdit kRemoveNode{Remove, "Cannot remove node ", " to ValueOfInfo object", nullptr};
constexpr NodeEdit kSetDecision{Decide, "Cannot set decision on ValueOfInfo object to node ", "",
                                &VRX_valueOfInformation::WhyNotDecision};
constexpr NodeEdit kSetPointOfView{View, "Cannot set point of view on ValueOfInfo object to node ", "",
                                   nullptr};

// Why the settings refused an edit that no rule of the question names: the list the node must be in, or
// the order of the decisions. Empty when none of these explains it.
std::string ListReason(const VRX_valueOfInformation& s, const VRX_network& network, int handle,
                       const NodeEdit& edit) {
    const auto named = [&](int h) { return std::string("[") + NodeIdText(*network.GetNode(h)) + "]"; };
    if (edit.edit == Add && s.GetObservedNodes().IsInList(handle))
        return "it is among the nodes to observe already";
    if (edit.edit == Remove) return "it is not among the nodes to observe";
    if (edit.edit == Decide) {
        if (!s.GetDecisions().IsInList(handle)) return "it is no decision (getAllDecisions lists them)";
        if (network.IsLiveHandle(s.GetPointOfView()))
            return "it comes before the point of view " + named(s.GetPointOfView());
    }
    if (edit.edit == View) {
        if (!s.GetActions().IsInList(handle))
            return "it is neither a decision nor a node observed before one (getAllActions lists them)";
        if (network.IsLiveHandle(s.GetDecision()))
            return "it comes after the decision " + named(s.GetDecision());
    }
    return {};
}

// Applies the edit to the handle, checked first.
void EditNode(JNIEnv* env, jobject self, int handle, const NodeEdit& edit) {
    VRX_valueOfInformation& settings = Settings(env, self);
    const VRX_network& network = getNetworkOfField(env, self);
    const VRX_node& node = checkNodeHandle(network, handle);
    const char* why = edit.why != nullptr ? (settings.*edit.why)(handle) : nullptr;
    const int rc = edit.edit(settings, handle);
    if (rc != 0) {
        // Only the rule refuses with kWrongNodeType; other refusals keep their bare text.
        const bool byRule = rc == kWrongNodeType && why != nullptr;
        const std::string reason = byRule ? std::string(why) : ListReason(settings, network, handle, edit);
        throw std::runtime_error(edit.before + std::string(NodeIdText(node)) + edit.after +
                                 (reason.empty() ? std::string() : ": " + reason));
    }
}

// The runners of the pairs; an identifier is resolved in the network of the field "net" first.
void EditByHandle(JNIEnv* env, jobject self, jint handle, const NodeEdit& edit) noexcept {
    RunNative(env, [&] { EditNode(env, self, handle, edit); });
}

void EditById(JNIEnv* env, jobject self, jstring id, const NodeEdit& edit) noexcept {
    RunNative(env, [&] {
        (void)Settings(env, self);  // a disposed object is named before its argument
        EditNode(env, self, nodeHandleFromId(env, getNetworkOfField(env, self), id), edit);
    });
}

// The identifier of a stored handle; null while none is set.
jstring IdOfHandle(JNIEnv* env, jobject self, int handle) {
    const VRX_network& network = getNetworkOfField(env, self);
    if (!network.IsLiveHandle(handle)) return nullptr;
    return MakeJavaString(env, network.GetNode(handle)->GetId());
}

}  // namespace

extern "C" JNIEXPORT jlong JNICALL Java_tarvo_ValueOfInfo_createNative(JNIEnv* env, jobject, jobject net) {
    return RunNative(env, [&] { return ToNativePtr(new VRX_valueOfInformation(&GetNetwork(env, net))); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_ValueOfInfo_deleteNative(JNIEnv*, jobject, jlong ptr) {
    DeleteVrxObject(ptr);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_ValueOfInfo_update(JNIEnv* env, jobject self) {
    RunNative(env, [&] {
        VRX_valueOfInformation& settings = Settings(env, self);
        const int rc = getNetworkOfField(env, self).UpdateValueOfInformation(settings);
        if (rc == kObjectNotConsistent) {
            (void)LogError(
                errorLog, rc,
                "Value of information needs a decision (setDecision) and nodes that still exist: the "
                "decision, the point of view or an observed node is missing",
                nullptr);
        }
        CheckEngineStatus(env, "Update", rc);
    });
}

#define VOVIDO_HANDLE_LIST(Method, IdMethod, Getter)                                                         \
    extern "C" JNIEXPORT jintArray JNICALL Java_tarvo_ValueOfInfo_##Method(JNIEnv* env, jobject self) {      \
        return RunNative(env, [&] { return makeIntArray(env, Settings(env, self).Getter()); });              \
    }                                                                                                        \
    extern "C" JNIEXPORT jobjectArray JNICALL Java_tarvo_ValueOfInfo_##IdMethod(JNIEnv* env, jobject self) { \
        return RunNative(env, [&] {                                                                          \
            return makeNodeIdArray(env, getNetworkOfField(env, self), Settings(env, self).Getter());         \
        });                                                                                                  \
    }

VOVIDO_HANDLE_LIST(getAllNodes, getAllNodeIds, GetObservedNodes)
VOVIDO_HANDLE_LIST(getAllDecisions, getAllDecisionIds, GetDecisions)
VOVIDO_HANDLE_LIST(getAllActions, getAllActionIds, GetActions)
VOVIDO_HANDLE_LIST(getIndexingNodes, getIndexingNodeIds, GetIndexingNodes)
#undef VOVIDO_HANDLE_LIST

extern "C" JNIEXPORT jdoubleArray JNICALL Java_tarvo_ValueOfInfo_getValues(JNIEnv* env, jobject self) {
    return RunNative(env, [&] {
        const VRX_Dmatrix& values = Settings(env, self).GetValues();
        return MakeDoubleArray(env, values.GetData(), values.GetNumberOfElements());
    });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_ValueOfInfo_getDecision(JNIEnv* env, jobject self) {
    return RunNative(env, [&] { return static_cast<jint>(Settings(env, self).GetDecision()); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_ValueOfInfo_getPointOfView(JNIEnv* env, jobject self) {
    return RunNative(env, [&] { return static_cast<jint>(Settings(env, self).GetPointOfView()); });
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_ValueOfInfo_getDecisionId(JNIEnv* env, jobject self) {
    return RunNative(env, [&] { return IdOfHandle(env, self, Settings(env, self).GetDecision()); });
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_ValueOfInfo_getPointOfViewId(JNIEnv* env, jobject self) {
    return RunNative(env, [&] { return IdOfHandle(env, self, Settings(env, self).GetPointOfView()); });
}

VOVIDO_JNI_PAIR(ValueOfInfo, EditByHandle, EditById, void, addNode, , kAddNode)
VOVIDO_JNI_PAIR(ValueOfInfo, EditByHandle, EditById, void, removeNode, , kRemoveNode)
VOVIDO_JNI_PAIR(ValueOfInfo, EditByHandle, EditById, void, setDecision, , kSetDecision)
VOVIDO_JNI_PAIR(ValueOfInfo, EditByHandle, EditById, void, setPointOfView, , kSetPointOfView)
