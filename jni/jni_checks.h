#pragma once
// The shared argument checks of the native methods and the resolution of node, outcome, parent and
// submodel identifiers. Each failure throws std::invalid_argument or std::runtime_error with its fixed
// text, which the frame hands to Java unchanged.

#include <jni.h>

#include <string>
#include <vector>

class VRX_doubleArray;
class VRX_network;
class VRX_node;
class VRX_nodeDefinition;
class VRX_submodel;

namespace vovido {

// What follows a text the engine refuses as a name (a property name, an outcome label).
inline constexpr const char* kNotAnIdentifierText =
    " is not an identifier (a letter, then letters, digits or '_')";

// Names that natives pass to checkNodeType with the type codes of DefinitionType.
inline constexpr const char* kNoisyMaxTypeName = "NoisyMax";
inline constexpr const char* kEquationTypeName = "Equation";
inline constexpr const char* kDeMorganTypeName = "DeMorgan";
inline constexpr const char* kMauTypeName = "MAU";

}  // namespace vovido

// The live node of the handle; "Invalid node handle: " + handle otherwise.
VRX_node& checkNodeHandle(const VRX_network& network, int handle);
// The handle of the node with exactly this identifier; "Invalid node id: " + id otherwise.
int nodeHandleFromId(JNIEnv* env, const VRX_network& network, jstring id);
// The same for a Java parameter named other than "nodeId" (the name a null identifier is refused with).
int nodeHandleFromNamedId(JNIEnv* env, const VRX_network& network, jstring id, const char* argument);
// The two ends of an arc given by identifiers ("parentId", "childId").
int parentHandleFromId(JNIEnv* env, const VRX_network& network, jstring id);
int childHandleFromId(JNIEnv* env, const VRX_network& network, jstring id);
// The node, after checking the handle and that the outcome index lies below its outcome count.
VRX_node& checkOutcomeIndex(const VRX_network& network, int handle, int outcome);
// The handles of the nodes of an array of identifiers, in order, each resolved as nodeHandleFromId does.
std::vector<int> nodeHandlesFromIds(JNIEnv* env, const VRX_network& network, jobjectArray ids,
                                    const char* argument);
// The index of the outcome with exactly this identifier, after checking the handle.
int outcomeIndexFromId(JNIEnv* env, const VRX_network& network, int handle, jstring outcomeId);
// The node's definition, after checking the handle and that the definition has the type code.
VRX_nodeDefinition& checkNodeType(const VRX_network& network, int handle, int typeCode, const char* typeName);
// The same as the definition class of the type code.
template <typename Definition>
Definition& checkDefinitionOf(const VRX_network& network, int handle, int typeCode, const char* typeName) {
    return static_cast<Definition&>(checkNodeType(network, handle, typeCode, typeName));
}
// An ASCII letter followed by ASCII letters, digits and underscores.
void checkIdentifier(const char* text);
// value in 0..count-1; "Invalid " + what + " " + value + ", valid range is 0..count-1" otherwise.
void checkInRange(const char* what, int value, int count);
// index among the count items of an object; emptyText when it has none, else as checkInRange.
void checkItemIndex(const char* what, int index, int count, const char* emptyText);
// Throws the engine's reason for refusing a setting's value, when it gives one.
void checkSettingFault(const std::string& fault);
// Evidence of either kind (observed or propagated) on the node.
void checkHasEvidence(const VRX_node& node);
// The Java array's length equals the size of the node's parameter array.
void checkDefinitionArraySize(JNIEnv* env, VRX_node& node, const VRX_doubleArray& expected, jarray values);
// The position, in the node's ordinary parents, of the first parent with exactly this identifier.
int parentIndexFromId(JNIEnv* env, const VRX_network& network, int handle, jstring parentId);
// The doubles of the node's temporal definition of that order.
VRX_doubleArray& getTemporalDefinitionDoubles(VRX_node& node, int order);
// The handle of the main submodel, found by walking the submodels.
int findMainSubmodel(const VRX_network& network);
// The submodel of the handle.
VRX_submodel& checkSubmodelHandle(const VRX_network& network, int handle);
// The handle of the submodel with this identifier.
int submodelHandleFromId(JNIEnv* env, const VRX_network& network, jstring id);
// The same for the parent submodel ("parentId").
int parentSubmodelHandleFromId(JNIEnv* env, const VRX_network& network, jstring id);
