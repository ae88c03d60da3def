#pragma once
// What the readers and writers of other tools' formats share: the network's records at the start of a
// read, identifiers repaired from the texts of a file, the refusal of nodes a format cannot hold before
// its file is made, the write sequence, number text and tables as nested parenthesised lists.

#include <functional>
#include <string>
#include <vector>

#include "base/counted_notices.h"
#include "base/function_ref.h"

class VRX_Dmatrix;
class VRX_doubleArray;
class VRX_idArray;
class VRX_network;
class VRX_stringArray;
class VRX_textFile;
class VRX_textFormat;
struct VRX_token;

namespace vovido {

// Before a read: the network's own records (properties, documentation, creation, name) are emptied, as
// the file replaces them, and its identifier is held by a reserved one, so that no node identifier of
// the file collides with the identifier the network had.
void StartNetworkRecords(VRX_network& network);
// After the nodes: the network's identifier from a text of the file, repaired, made unique among the
// submodel identifiers; "Unnamed_Network" when the text gives none. A node may hold it too: the network
// reads back with the identifier it was written with, as from the XML format. One a submodel holds is
// renamed, with a warning after `prefix` (the line that gives it) when `warn`.
void ApplyNetworkIdentifier(VRX_network& network, const std::string& text, const std::string& prefix = "",
                            bool warn = false);
// base, or base_2, base_3, ...: the first identifier no submodel holds (the main one's is a placeholder
// while a file is read).
std::string FreeSubmodelId(const VRX_network& network, const std::string& base);
// The warning of a network identifier renamed because a submodel holds it.
void WarnNetworkIdTaken(const std::string& base, const std::string& id, const std::string& prefix);
// The identifier of a live node, or the fallback.
const char* NodeIdOr(const VRX_network& network, int handle, const char* fallback);

// out = a node's outcome names as identifiers (a letter, then letters, digits or '_'). A name that is one,
// and the first of its text, stays as it is; any other is repaired and, when that is taken, numbered
// ("_2", "_3", ...) into a text that no other name of the node holds or is given, so that no outcome takes
// another's name. Each name that changed is passed to `warn` in a message naming the node, the old and the
// new name, as a notice of kRenamedOutcomeNotice. 0, or kOutOfMemory when memory fails.
using Warning = std::function<void(const std::string& message, const NoticeInstance& instance)>;
extern const NoticeKind kRenamedOutcomeNotice;
[[nodiscard]] int OutcomeIds(const std::vector<std::string>& names, const std::string& nodeId,
                             VRX_idArray& out, const Warning& warn);
[[nodiscard]] int OutcomeIds(const VRX_stringArray& names, const std::string& nodeId, VRX_idArray& out,
                             const Warning& warn);
// Warnings logged by the speaker at the line it reads, with kOutOfRange.
Warning SpeakerWarning(VRX_textFormat& speaker);

// The message refusing a node the format cannot hold, or an empty text when it can be written.
using NodeRefusal = std::function<std::string(int handle)>;
// Before a file is created: kOutOfRange (logged with the message) at the first node refused, or when the
// nodes cannot be put in topological order.
[[nodiscard]] int CheckWritableNodes(VRX_network& network, const NodeRefusal& refusal);
// "Node [id] is a <kind> node", which refusals of a kind append to their message.
std::string NodeKindText(const VRX_network& network, int handle);
// The same, refusing every node whose kind is not accepted with the message and the node's kind.
[[nodiscard]] int CheckWritableKinds(VRX_network& network, bool (*accepts)(int typeCode),
                                     const char* message);
// Before a file is created: kOutOfRange (logged) for a dynamic network (temporal arcs, or nodes of the
// slices, which the slice evidence needs), which the format would save as its first slice alone; the
// message names the first node of the slices.
[[nodiscard]] int CheckStaticNetwork(VRX_network& network, const char* format);
// "anchor", "terminal" or "plate": the word for a temporal type other than the normal one.
const char* TemporalTypeWord(int type);

// A write of a whole network: `check` refuses before anything is made, `writeBody` writes the text
// into the speaker's output. A failed body marks the output failed, so that no partial file stays.
// The file or text is closed either way; the body's failure, else the closing one, is returned.
[[nodiscard]] int WriteCheckedFile(VRX_textFormat& speaker, const char* path,
                                   const std::function<int()>& check, const std::function<int()>& writeBody);
// The same into memory; out receives what was written.
[[nodiscard]] int WriteCheckedText(VRX_textFormat& speaker, std::string& out,
                                   const std::function<int()>& check, const std::function<int()>& writeBody);

// Logs that the file holds nothing to read, naming it, and answers kEndOfFile.
int RefuseEmptyFile(const char* path);
// The whole file as text, line ends as line feeds: kFileIoFailed (logged) when it cannot be read, kEndOfFile
// (logged) when empty.
[[nodiscard]] int ReadWholeFile(const char* path, std::string& out);

// A probability table as a file gives it: whether an entry is a probability (0 to 1, with the rounding
// of written numbers); the message refusing an entry that is not; and that message for the first such
// entry, or an empty text.
bool IsProbability(double value);
// A column of probabilities within this of 1 is a rounded distribution ((0.333, 0.333, 0.333)): readers
// take it, and writers write it, as it is given.
constexpr double kRoundedColumnTolerance = 0.01;
std::string NonProbabilityMessage(const std::string& nodeId, double value);
std::string ProbabilityRefusal(const std::string& nodeId, const VRX_doubleArray& values);

// A table whose distributions were scaled to sum to 1, one that summed to 0 made uniform: `part` names
// which ("every distribution", "column 2"), `sum` what it summed to.
std::string ScaledTableMessage(const std::string& nodeId, const std::string& part, double sum);

// The refusal of a table whose numbers do not fill the cells of the node's table, naming both counts.
std::string TableCountMessage(const std::string& nodeId, int read, int needed);
// The refusal of numbers the definition did not take: the count message when they do not fill its table,
// else `otherwise`.
std::string TableRefusalMessage(VRX_network& network, int handle, int read, const std::string& otherwise);

// A probability or utility as the shortest text that reads back as the same double.
std::string NumberText(double value);
// The current Integer or Real Number token as a finite double, consumed: kSyntaxError without a message for
// another token, kSyntaxError reported as "ERROR: '%s' : Number out of range" for a number beyond the
// doubles.
[[nodiscard]] int ReadFiniteNumber(VRX_textFormat& speaker, double& value);
// A number of a node's table: of a utility table any number, which RefuseNonFiniteUtilities checks once
// the table is read, so that its refusal names the node; of another table a finite one.
[[nodiscard]] int ReadTableNumber(VRX_textFormat& speaker, double& value, bool utilities);
// For utilities read: the first that is NaN or infinite refused (kOutOfRange, reported) naming the node
// and the entry; 0 when all are finite.
int RefuseNonFiniteUtilities(VRX_textFormat& speaker, const std::string& nodeId,
                             const VRX_doubleArray& values);

// How a table is written as nested lists: one level of parentheses per dimension from the first to the
// last `innerDims` ones, which together form the innermost lists.
struct NestedListStyle {
    int innerDims = 1;
    // Between numbers of one innermost list, and between sibling lists (after which the indentation
    // follows).
    const char* itemSeparator = " ";
    const char* listSeparator = "\n";
    std::string indentation;
};

// The text of item `index` (last dimension fastest) appended to the text.
using ListItemText = std::function<void(int index, std::string& out)>;
// Text of nested lists that `flush` takes whenever it holds this much.
constexpr size_t kStreamedChunkBytes = size_t{1} << 16;

// Appends nested lists of the items of a table of these sizes to out, handing out to `flush` (which
// empties it and answers false to stop) after every innermost list once it holds kStreamedChunkBytes.
void StreamNestedLists(const std::vector<int>& sizes, const NestedListStyle& style, const ListItemText& item,
                       std::string& out, const std::function<bool()>& flush);
// The sizes of the table's dimensions; a table without dimensions is one list of its elements.
std::vector<int> TableSizes(const VRX_Dmatrix& table);
// The items of the table as numbers.
ListItemText NumberItems(const VRX_Dmatrix& table);
// Appends the table (last dimension fastest) to out as nested lists.
void AppendNestedLists(const VRX_Dmatrix& table, const NestedListStyle& style, std::string& out);
// The nested lists written to the output a chunk at a time, so that no table's text is held whole; it
// stops when the output fails.
void WriteNestedLists(const std::vector<int>& sizes, const NestedListStyle& style, const ListItemText& item,
                      VRX_textFile& output);

// Reads nested parenthesised lists from the current '(' to the ')' that closes it, handing every other
// token to takeItem in file order (commas between items are passed over when `commas`). takeItem
// consumes its token and returns 0, or returns kNotThisKeyword for a token that is no item, which is
// reported as "ERROR: '%s' : Unexpected"; any other failure is returned as it is. The end of the input
// inside the lists is reported. 0 or the first failure.
[[nodiscard]] int ReadNestedLists(VRX_textFormat& speaker, bool commas,
                                  FunctionRef<int(const VRX_token&)> takeItem);

}  // namespace vovido
