// Header setters and arc routines shared by the Network natives.
#include "jni/jni_network_ops.h"

#include "base/error_log.h"
#include "base/status_codes.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node_label.h"
#include "model/refusal_reasons.h"

using vovido::CheckEngineStatus;

void setHeaderId(JNIEnv* env, jstring id, VRX_header& header) {
    const JStringChars text(env, id, "id");
    checkIdentifier(text.get());
    CheckEngineStatus(env, "SetId", header.SetId(text.get()));
}

void setHeaderName(JNIEnv* env, jstring name, VRX_header& header) {
    const JStringChars text(env, name, "name", JStringChars::AllowNull{});
    CheckEngineStatus(env, "SetName", header.SetName(text.get()));
}

void setHeaderComment(JNIEnv* env, jstring comment, VRX_header& header) {
    const JStringChars text(env, comment, "description", JStringChars::AllowNull{});
    CheckEngineStatus(env, "SetComment", header.SetComment(text.get()));
}

void addArcOfKind(JNIEnv* env, VRX_network& network, int parent, int child, int kind) {
    checkNodeHandle(network, parent);
    checkNodeHandle(network, child);
    int rc = network.AddArc(parent, child, kind);
    // The network refuses a misplaced arc without a word and unchanged: the same check, asked after the
    // refusal, names the rule it breaks, so an accepted arc costs no second search for a cycle.
    if (rc != kSuccess && kind == 0) {
        const vovido::ArcRule broken = vovido::FindArcRuleBroken(network, parent, child);
        if (broken != vovido::ArcRule::kNone) rc = vovido::RefuseArc(network, parent, child, broken);
    } else if (rc != kSuccess && parent == child) {
        rc = vovido::RefuseArc(network, parent, child, vovido::ArcRule::kOwnParent);
    }
    CheckEngineStatus(env, "AddArc", rc);
}

void deleteArcOfKind(JNIEnv* env, VRX_network& network, int parent, int child, int kind) {
    checkNodeHandle(network, parent);
    checkNodeHandle(network, child);
    const vovido::ArcRule broken = kind == 0 ? vovido::FindArcRemovalRuleBroken(network, parent, child)
                                             : vovido::FindCostArcRemovalRuleBroken(network, parent, child);
    if (broken != vovido::ArcRule::kNone)
        CheckEngineStatus(env, "RemoveArc", vovido::RefuseArc(network, parent, child, broken));
    CheckEngineStatus(env, "RemoveArc", network.RemoveArc(parent, child, kind));
}

jintArray getParentsOfKind(JNIEnv* env, const VRX_network& network, int handle, int kind) {
    checkNodeHandle(network, handle);
    return makeIntArray(env, network.GetParents(handle, kind));
}

jintArray getChildrenOfKind(JNIEnv* env, const VRX_network& network, int handle, int kind) {
    checkNodeHandle(network, handle);
    return makeIntArray(env, network.GetChildren(handle, kind));
}

jobjectArray getParentIdsOfKind(JNIEnv* env, const VRX_network& network, int handle, int kind) {
    checkNodeHandle(network, handle);
    return makeNodeIdArray(env, network, network.GetParents(handle, kind));
}

jobjectArray getChildIdsOfKind(JNIEnv* env, const VRX_network& network, int handle, int kind) {
    checkNodeHandle(network, handle);
    return makeNodeIdArray(env, network, network.GetChildren(handle, kind));
}
