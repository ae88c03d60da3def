// Network natives of a node's appearance on screen: its rectangle, colours and border width.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "base/rectangle.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/network_natives.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_info.h"
#include "model/screen_info.h"
#include "tarvo_Network.h"

using vovido::ColorWord;
using vovido::NodeIdText;
using vovido::OnNode;
using vovido::OnNodeId;

VRX_nodeInfo& vovido::NodeInfo(VRX_node& node) {
    if (node.GetInfo() == nullptr) {
        throw std::runtime_error(std::string("Node '") + NodeIdText(node) + "' has no descriptive record");
    }
    return *node.GetInfo();
}

void vovido::SetCentredRectangle(VRX_rectangle& rectangle, jint x, jint y, jint width, jint height) {
    // Unsigned, so that extreme values wrap instead of overflowing; reading back undoes the same halving.
    const auto centre = [](jint corner, jint size) {
        return static_cast<int>(static_cast<uint32_t>(corner) + static_cast<uint32_t>(size / 2));
    };
    rectangle.centerX = centre(x, width);
    rectangle.centerY = centre(y, height);
    rectangle.width = width;
    rectangle.height = height;
}

using vovido::NodeInfo;
using vovido::SetCentredRectangle;

namespace {

VRX_screenInfo& ScreenOf(const VRX_network& network, int handle) {
    return NodeInfo(checkNodeHandle(network, handle)).screenInfo;
}

void SetPosition(JNIEnv*, const VRX_network& network, int handle, jint x, jint y, jint width, jint height) {
    SetCentredRectangle(ScreenOf(network, handle).position, x, y, width, height);
}

jobject GetPosition(JNIEnv* env, const VRX_network& network, int handle) {
    return makeRectangle(env, ScreenOf(network, handle).position);
}

// The colour words a Java colour stands for.
constexpr ColorWord kBackground = &VRX_screenInfo::color;
constexpr ColorWord kText = &VRX_screenInfo::fontColor;
constexpr ColorWord kBorder = &VRX_screenInfo::borderColor;

// The colour routines reach the node's record without asking whether it has one; ScreenOf checks first.
template <ColorWord Word>
void SetColor(JNIEnv* env, VRX_network& network, int handle, jobject color) {
    ScreenOf(network, handle);
    setNodeColor(env, network, handle, color, Word);
}

template <ColorWord Word>
jobject GetColor(JNIEnv* env, const VRX_network& network, int handle) {
    ScreenOf(network, handle);
    return getNodeColor(env, network, handle, Word);
}

void SetBorderWidth(JNIEnv*, const VRX_network& network, int handle, jint width) {
    ScreenOf(network, handle).borderThickness = width;
}

jint GetBorderWidth(JNIEnv*, const VRX_network& network, int handle) {
    return ScreenOf(network, handle).borderThickness;
}

}  // namespace

// ---- Position ----

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodePosition__IIIII(JNIEnv* env, jobject self, jint h,
                                                                            jint x, jint y, jint width,
                                                                            jint height) {
    OnNode(env, self, h, SetPosition, x, y, width, height);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodePosition__Ljava_lang_String_2IIII(
    JNIEnv* env, jobject self, jstring id, jint x, jint y, jint width, jint height) {
    OnNodeId(env, self, id, SetPosition, x, y, width, height);
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_Network_getNodePosition__I(JNIEnv* env, jobject self,
                                                                           jint h) {
    return OnNode(env, self, h, GetPosition);
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_Network_getNodePosition__Ljava_lang_String_2(JNIEnv* env,
                                                                                             jobject self,
                                                                                             jstring id) {
    return OnNodeId(env, self, id, GetPosition);
}

// ---- Colours ----

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeBgColor__ILjava_awt_Color_2(JNIEnv* env,
                                                                                        jobject self, jint h,
                                                                                        jobject color) {
    OnNode(env, self, h, SetColor<kBackground>, color);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeBgColor__Ljava_lang_String_2Ljava_awt_Color_2(
    JNIEnv* env, jobject self, jstring id, jobject color) {
    OnNodeId(env, self, id, SetColor<kBackground>, color);
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_Network_getNodeBgColor__I(JNIEnv* env, jobject self, jint h) {
    return OnNode(env, self, h, GetColor<kBackground>);
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_Network_getNodeBgColor__Ljava_lang_String_2(JNIEnv* env,
                                                                                            jobject self,
                                                                                            jstring id) {
    return OnNodeId(env, self, id, GetColor<kBackground>);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeTextColor__ILjava_awt_Color_2(JNIEnv* env,
                                                                                          jobject self,
                                                                                          jint h,
                                                                                          jobject color) {
    OnNode(env, self, h, SetColor<kText>, color);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeTextColor__Ljava_lang_String_2Ljava_awt_Color_2(
    JNIEnv* env, jobject self, jstring id, jobject color) {
    OnNodeId(env, self, id, SetColor<kText>, color);
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_Network_getNodeTextColor__I(JNIEnv* env, jobject self,
                                                                            jint h) {
    return OnNode(env, self, h, GetColor<kText>);
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_Network_getNodeTextColor__Ljava_lang_String_2(JNIEnv* env,
                                                                                              jobject self,
                                                                                              jstring id) {
    return OnNodeId(env, self, id, GetColor<kText>);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeBorderColor__ILjava_awt_Color_2(JNIEnv* env,
                                                                                            jobject self,
                                                                                            jint h,
                                                                                            jobject color) {
    OnNode(env, self, h, SetColor<kBorder>, color);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeBorderColor__Ljava_lang_String_2Ljava_awt_Color_2(
    JNIEnv* env, jobject self, jstring id, jobject color) {
    OnNodeId(env, self, id, SetColor<kBorder>, color);
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_Network_getNodeBorderColor__I(JNIEnv* env, jobject self,
                                                                              jint h) {
    return OnNode(env, self, h, GetColor<kBorder>);
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_Network_getNodeBorderColor__Ljava_lang_String_2(JNIEnv* env,
                                                                                                jobject self,
                                                                                                jstring id) {
    return OnNodeId(env, self, id, GetColor<kBorder>);
}

// ---- Border width ----

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeBorderWidth__II(JNIEnv* env, jobject self, jint h,
                                                                            jint width) {
    OnNode(env, self, h, SetBorderWidth, width);
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_Network_setNodeBorderWidth__Ljava_lang_String_2I(JNIEnv* env,
                                                                                              jobject self,
                                                                                              jstring id,
                                                                                              jint width) {
    OnNodeId(env, self, id, SetBorderWidth, width);
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getNodeBorderWidth__I(JNIEnv* env, jobject self,
                                                                           jint h) {
    return OnNode(env, self, h, GetBorderWidth);
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_Network_getNodeBorderWidth__Ljava_lang_String_2(JNIEnv* env,
                                                                                             jobject self,
                                                                                             jstring id) {
    return OnNodeId(env, self, id, GetBorderWidth);
}
