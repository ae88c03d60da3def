#pragma once
// Operations shared by several Network natives: the setters of identifier, name and comment of a header,
// and the routines of ordinary (kind 0) and cost (kind 1) arcs.

#include <jni.h>

class VRX_header;
class VRX_network;

// checkIdentifier, then VRX_header::SetId; a refusal is reported under "SetId".
void setHeaderId(JNIEnv* env, jstring id, VRX_header& header);
// A null string clears the name or comment. Refusals are reported under "SetName" / "SetComment".
void setHeaderName(JNIEnv* env, jstring name, VRX_header& header);
void setHeaderComment(JNIEnv* env, jstring comment, VRX_header& header);

// Empties the error log, checks parent then child, adds the arc; reported under "AddArc".
void addArcOfKind(JNIEnv* env, VRX_network& network, int parent, int child, int kind);
// Checks parent then child, removes the arc; reported under "RemoveArc". The log is left as it is.
void deleteArcOfKind(JNIEnv* env, VRX_network& network, int parent, int child, int kind);
jintArray getParentsOfKind(JNIEnv* env, const VRX_network& network, int handle, int kind);
jintArray getChildrenOfKind(JNIEnv* env, const VRX_network& network, int handle, int kind);
jobjectArray getParentIdsOfKind(JNIEnv* env, const VRX_network& network, int handle, int kind);
jobjectArray getChildIdsOfKind(JNIEnv* env, const VRX_network& network, int handle, int kind);
