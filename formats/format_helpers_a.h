#pragma once
// Helpers shared by the readers and writers of other tools' formats: outcome names repaired into valid
// unique identifiers, and tables written as nested parenthesised lists.

#include <functional>
#include <string>

class VRX_Dmatrix;
class VRX_textFormat;
struct VRX_token;
class VRX_idArray;
class VRX_stringArray;

namespace vovido {

// out = the names, each repaired into an identifier (a letter, then letters, digits or '_') and made
// unique in the list with a number; names that are valid identifiers stay as they are. 0, or -2 when a
// name cannot be repaired, -42 when memory fails.
[[nodiscard]] int RepairedIds(const VRX_stringArray& names, VRX_idArray& out);

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

// Appends the table (last dimension fastest) to out as nested lists. A table without dimensions is
// one innermost list of its elements. Numbers are written as the shortest text that reads back exactly.
void AppendNestedLists(const VRX_Dmatrix& table, const NestedListStyle& style, std::string& out);

// Reads nested parenthesised lists from the current '(' to the ')' that closes it, handing every other
// token to takeItem in file order (commas between items are passed over when `commas`). takeItem
// consumes its token and returns 0, or returns kNotThisKeyword for a token that is no item, which is
// reported as "ERROR: '%s' : Unexpected"; any other failure is returned as it is. The end of the input
// inside the lists is reported. 0 or the first failure.
[[nodiscard]] int ReadNestedLists(VRX_textFormat& speaker, bool commas,
                                  const std::function<int(const VRX_token&)>& takeItem);

// The current Integer or Real Number token as a finite double, consumed: -127 without a message for
// another token, -127 reported as "ERROR: '%s' : Number out of range" for a number beyond the doubles.
[[nodiscard]] int ReadFiniteNumber(VRX_textFormat& speaker, double& value);

}  // namespace vovido
