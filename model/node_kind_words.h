#pragma once
// The node kinds in the words a caller reads in the documentation, for messages that name a kind.

#include <string>

class VRX_nodeDefinition;

namespace vovido {

// "chance", "decision", "utility", "multi-attribute utility", "equation", ...; "undefined" for a code of
// no kind.
const char* KindInWords(int typeCode);
// The kind with its article: "a decision node", "an equation node".
std::string KindNodeText(int typeCode);
// Of a definition; "an undefined node" without one.
std::string KindNodeText(const VRX_nodeDefinition* definition);

}  // namespace vovido
