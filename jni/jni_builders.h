#pragma once
// Builders of Java values from engine containers and records, and readers of Java values into them.

#include <jni.h>

#include <utility>
#include <vector>

class VRX_documentation;
class VRX_doubleArray;
class VRX_intArray;
class VRX_network;
class VRX_rectangle;
class VRX_screenInfo;
class VRX_stringArray;
class VRX_userProperties;

namespace vovido {

using IntPairs = std::vector<std::pair<int, int>>;
// A colour word of a node's screen record: background (color), text (fontColor) or border (borderColor).
using ColorWord = int VRX_screenInfo::*;

// Java arrays of `count` ints or doubles.
jintArray MakeIntArray(JNIEnv* env, const int* items, int count);
jdoubleArray MakeDoubleArray(JNIEnv* env, const double* items, int count);

}  // namespace vovido

// Java arrays of the items of engine arrays: `count` ints, `size` doubles, `count` strings.
jintArray makeIntArray(JNIEnv* env, const VRX_intArray& items);
jdoubleArray makeDoubleArray(JNIEnv* env, const VRX_doubleArray& items);
jobjectArray makeStringArray(JNIEnv* env, const VRX_stringArray& strings);
// The identifiers of the nodes of the handles, in order; a handle of no live node is refused.
jobjectArray makeNodeIdArray(JNIEnv* env, const VRX_network& network, const VRX_intArray& handles);
// java.awt.Rectangle (x, y, width, height) of a rectangle kept by its centre.
jobject makeRectangle(JNIEnv* env, const VRX_rectangle& rectangle);
// java.awt.Color of a colour word of the node (red and blue bytes exchanged, opaque).
jobject getNodeColor(JNIEnv* env, const VRX_network& network, int handle, vovido::ColorWord word);
jobjectArray makeDocItemArray(JNIEnv* env, const VRX_documentation& documentation);
jobjectArray makeUserPropertyArray(JNIEnv* env, const VRX_userProperties& properties);
// Objects of the class, each built through "(II)V" from one pair.
jobjectArray makeIntPairObjects(JNIEnv* env, const vovido::IntPairs& pairs, const char* className);
jobject makeBkKnowledge(JNIEnv* env, const vovido::IntPairs& forcedArcs,
                        const vovido::IntPairs& forbiddenArcs, const vovido::IntPairs& tiers);

// Stores the java.awt.Color's getRGB into the node's colour word, red and blue exchanged, alpha dropped.
void setNodeColor(JNIEnv* env, VRX_network& network, int handle, jobject color, vovido::ColorWord word);
// The pairs of the objects in an array field of the object; a null field gives no pairs.
vovido::IntPairs readIntPairObjects(JNIEnv* env, jobject object, jfieldID arrayField, const char* firstField,
                                    const char* secondField);
void readBkKnowledge(JNIEnv* env, jobject knowledge, vovido::IntPairs& forcedArcs,
                     vovido::IntPairs& forbiddenArcs, vovido::IntPairs& tiers);
// Replaces the documents by those of the array (emptied first, so a failure keeps those read so far).
void readDocItemArray(JNIEnv* env, jobjectArray items, VRX_documentation& documentation);
// Replaces the properties by those of the array, only when every element could be added.
void readUserPropertyArray(JNIEnv* env, jobjectArray items, VRX_userProperties& properties);

namespace vovido {

// The elements of Java arrays; a null array is refused.
std::vector<jint> ReadIntArray(JNIEnv* env, jintArray array);
std::vector<jdouble> ReadDoubleArray(JNIEnv* env, jdoubleArray array);

}  // namespace vovido
