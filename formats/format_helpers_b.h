#pragma once
// Services shared by the readers and writers of other tools' formats: the network's records at the
// start of a read, identifiers repaired from the texts of a file, the writable kinds, number text.

#include <string>
#include <vector>

class VRX_idArray;
class VRX_network;

namespace vovido {

// Before a read: the network's own records (properties, documentation, creation, name) are emptied, as
// the file replaces them, and its identifier is held by a reserved one, so that no node identifier of
// the file collides with the identifier the network had.
void StartNetworkRecords(VRX_network& network);
// After the nodes: the network's identifier from a text of the file, repaired, made unique among the
// node identifiers; "Unnamed_Network" when the text gives none.
void ApplyNetworkIdentifier(VRX_network& network, const std::string& text);
// A text of the file as an identifier no node holds (but the node `except`): repaired (an 'x' before a
// first character that is no letter, '_' for other characters) and numbered when taken. "x" for an
// empty text.
std::string UniqueNodeId(const VRX_network& network, const std::string& text, int except = -1);
// Outcome identifiers from the texts of a file, repaired and made distinct; -2 when one cannot be made.
[[nodiscard]] int RepairOutcomeNames(const std::vector<std::string>& texts, VRX_idArray& out);
// The identifier of a live node, or the fallback.
const char* NodeIdOr(const VRX_network& network, int handle, const char* fallback);
// Before a file is created: -2 (logged with the message) when a node's kind is not accepted, or when the
// nodes cannot be put in topological order.
[[nodiscard]] int CheckWritableKinds(VRX_network& network, bool (*accepts)(int typeCode),
                                     const char* message);
// The whole file as text, line ends as line feeds: -103 (logged) when it cannot be read, -102 when empty.
[[nodiscard]] int ReadWholeFile(const char* path, std::string& out);
// A probability or utility as the shortest text that reads back as the same double.
std::string TableNumber(double value);

}  // namespace vovido
