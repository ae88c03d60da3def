#pragma once
// The node kinds in the words a caller reads in the documentation, for messages that name a kind.

#include <string>

class VRX_nodeDefinition;

namespace vovido {

// The kind with its article: "a chance node", "a decision node", "an equation node"; "an undefined node"
// for a code of no kind.
std::string KindNodeText(int typeCode);
// Of a definition; "an undefined node" without one.
std::string KindNodeText(const VRX_nodeDefinition* definition);

}  // namespace vovido
