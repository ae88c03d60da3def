// Helpers shared by the readers and writers of other tools' formats.
#include "formats/format_helpers_a.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/dmatrix.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "formats/text_format_base.h"

namespace vovido {

int RepairedIds(const VRX_stringArray& names, VRX_idArray& out) {
    VRX_idArray repaired;
    // Copied as plain strings first: the identifier array's own adding refuses what needs repair.
    if (const int rc = repaired.VRX_stringArray::Copy(names)) return rc;
    if (const int rc = repaired.RepairIds()) return rc;
    return out.Copy(repaired);
}

void AppendNestedLists(const VRX_Dmatrix& table, const NestedListStyle& style, std::string& out) {
    const int dims = table.GetNumberOfDimensions();
    const int total = table.GetNumberOfElements();
    const int inner = std::max(1, std::min(style.innerDims, dims));
    // The outer dimensions each open a level; the innermost list holds the product of the others.
    const int outer = dims - inner;
    int innerCount = 1;
    for (int d = outer; d < dims; ++d) innerCount *= table.GetSizeOfDimension(d);
    if (dims == 0) innerCount = total;
    std::vector<int> coords(static_cast<size_t>(std::max(outer, 0)), 0);
    std::string number;
    for (int d = 0; d < outer; ++d) out.push_back('(');
    for (int start = 0; start < total || (start == 0 && total == 0); start += innerCount) {
        out.push_back('(');
        for (int k = 0; k < innerCount && start + k < total; ++k) {
            if (k > 0) out.append(style.itemSeparator);
            FormatDouble(table[start + k], number);
            out.append(number);
        }
        out.push_back(')');
        if (total == 0) break;
        // Closes the levels whose last entry this was, then opens them again for the next list.
        int closed = 0;
        for (int d = outer - 1; d >= 0; --d) {
            if (++coords[static_cast<size_t>(d)] < table.GetSizeOfDimension(d)) break;
            coords[static_cast<size_t>(d)] = 0;
            ++closed;
        }
        if (start + innerCount >= total) {
            for (int d = 0; d < outer; ++d) out.push_back(')');
            break;
        }
        for (int d = 0; d < closed; ++d) out.push_back(')');
        out.append(style.listSeparator);
        out.append(style.indentation);
        for (int d = 0; d < closed; ++d) out.push_back('(');
    }
}

int ReadFiniteNumber(VRX_textFormat& speaker, double& value) {
    if (speaker.PeekToken() != kSuccess) return kSyntaxError;
    const std::string text(speaker.GetToken().text != nullptr ? speaker.GetToken().text : "");
    if (const int rc = speaker.ReadNumber(value)) return rc;
    if (std::isfinite(value)) return kSuccess;
    const std::string message = "ERROR: '" + text + "' : Number out of range";
    return speaker.ReportError(kSyntaxError, message.c_str());
}

int ReadNestedLists(VRX_textFormat& speaker, bool commas,
                    const std::function<int(const VRX_token&)>& takeItem) {
    if (const int rc = speaker.RequireToken(TokenKind::kPunctuator, "(")) return rc;
    int depth = 1;
    while (depth > 0) {
        if (const int rc = speaker.PeekToken()) {
            speaker.FormatUnexpectedEnd(TokenKind::kPunctuator, ")");
            return speaker.ReportError(rc == kNoMoreTokens ? kSyntaxError : rc, speaker.GetMessage().c_str());
        }
        const VRX_token& token = speaker.GetToken();
        const bool punctuator = token.kind == TokenKind::kPunctuator && token.text != nullptr;
        if (punctuator && std::strcmp(token.text, "(") == 0) {
            ++depth;
        } else if (punctuator && std::strcmp(token.text, ")") == 0) {
            --depth;
        } else if (!(commas && punctuator && std::strcmp(token.text, ",") == 0)) {
            const int rc = takeItem(token);
            if (rc == kNotThisKeyword) {
                const std::string text =
                    std::string("ERROR: '") + (token.text != nullptr ? token.text : "") + "' : Unexpected";
                return speaker.ReportError(kSyntaxError, text.c_str());
            }
            if (rc != kSuccess) return rc;
            continue;
        }
        speaker.ConsumeToken();
    }
    return kSuccess;
}

}  // namespace vovido
