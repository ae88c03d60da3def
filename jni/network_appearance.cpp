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

VOVIDO_NODE_NATIVES(void, setNodePosition, IIII, SetPosition, jint, jint, jint, jint)
VOVIDO_NODE_NATIVES(jobject, getNodePosition, , GetPosition)

// ---- Colours ----

VOVIDO_NODE_NATIVES(void, setNodeBgColor, Ljava_awt_Color_2, SetColor<kBackground>, jobject)
VOVIDO_NODE_NATIVES(jobject, getNodeBgColor, , GetColor<kBackground>)
VOVIDO_NODE_NATIVES(void, setNodeTextColor, Ljava_awt_Color_2, SetColor<kText>, jobject)
VOVIDO_NODE_NATIVES(jobject, getNodeTextColor, , GetColor<kText>)
VOVIDO_NODE_NATIVES(void, setNodeBorderColor, Ljava_awt_Color_2, SetColor<kBorder>, jobject)
VOVIDO_NODE_NATIVES(jobject, getNodeBorderColor, , GetColor<kBorder>)

// ---- Border width ----

VOVIDO_NODE_NATIVES(void, setNodeBorderWidth, I, SetBorderWidth, jint)
VOVIDO_NODE_NATIVES(jint, getNodeBorderWidth, , GetBorderWidth)
