// The natives of tarvo.ValueOfInfo: the settings object of a value-of-information question about the
// network in the Java field "net", its update and its results.
#include <new>
#include <stdexcept>
#include <string>

#include "base/error_log.h"
#include "inference/value_of_information.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
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

// Runs an editing body on the handle, checked first; a refusal raises the fixed text with the node's
// identifier, without the engine's status or log.
template <typename Edit>
void EditByHandle(JNIEnv* env, jobject self, jint handle, Edit edit, const char* before, const char* after) {
    VRX_valueOfInformation& settings = Settings(env, self);
    const VRX_network& network = getNetworkOfField(env, self);
    const VRX_node& node = checkNodeHandle(network, handle);
    if (edit(settings, handle) != 0) throw std::runtime_error(before + std::string(NodeIdText(node)) + after);
}

template <typename Edit>
void EditById(JNIEnv* env, jobject self, jstring id, Edit edit, const char* before, const char* after) {
    const VRX_network& network = getNetworkOfField(env, self);
    EditByHandle(env, self, nodeHandleFromId(env, network, id), edit, before, after);
}

constexpr const char* kAddBefore = "Cannot add node ";
constexpr const char* kRemoveBefore = "Cannot remove node ";
constexpr const char* kNodeAfter = " to ValueOfInfo object";
constexpr const char* kDecisionBefore = "Cannot set decision on ValueOfInfo object to node ";
constexpr const char* kPointBefore = "Cannot set point of view on ValueOfInfo object to node ";

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
        errorLog.Flush();
        VRX_valueOfInformation& settings = Settings(env, self);
        CheckEngineStatus(env, "Update", getNetworkOfField(env, self).UpdateValueOfInformation(settings));
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

extern "C" JNIEXPORT void JNICALL Java_tarvo_ValueOfInfo_addNode__I(JNIEnv* env, jobject self, jint h) {
    RunNative(env, [&] { EditByHandle(env, self, h, Add, kAddBefore, kNodeAfter); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_ValueOfInfo_addNode__Ljava_lang_String_2(JNIEnv* env,
                                                                                      jobject self,
                                                                                      jstring id) {
    RunNative(env, [&] { EditById(env, self, id, Add, kAddBefore, kNodeAfter); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_ValueOfInfo_removeNode__I(JNIEnv* env, jobject self, jint h) {
    RunNative(env, [&] { EditByHandle(env, self, h, Remove, kRemoveBefore, kNodeAfter); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_ValueOfInfo_removeNode__Ljava_lang_String_2(JNIEnv* env,
                                                                                         jobject self,
                                                                                         jstring id) {
    RunNative(env, [&] { EditById(env, self, id, Remove, kRemoveBefore, kNodeAfter); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_ValueOfInfo_setDecision__I(JNIEnv* env, jobject self, jint h) {
    RunNative(env, [&] { EditByHandle(env, self, h, Decide, kDecisionBefore, ""); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_ValueOfInfo_setDecision__Ljava_lang_String_2(JNIEnv* env,
                                                                                          jobject self,
                                                                                          jstring id) {
    RunNative(env, [&] { EditById(env, self, id, Decide, kDecisionBefore, ""); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_ValueOfInfo_setPointOfView__I(JNIEnv* env, jobject self,
                                                                           jint h) {
    RunNative(env, [&] { EditByHandle(env, self, h, View, kPointBefore, ""); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_ValueOfInfo_setPointOfView__Ljava_lang_String_2(JNIEnv* env,
                                                                                             jobject self,
                                                                                             jstring id) {
    RunNative(env, [&] { EditById(env, self, id, View, kPointBefore, ""); });
}
