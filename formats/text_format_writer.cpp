// Base of the text-format speakers, writing side: escaping, fields, lists and sections.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "base/column_scaling.h"
#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/error_log.h"
#include "base/int_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "formats/exchange_format_support.h"
#include "formats/text_format_base.h"
#include "formats/written_losses.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

int VRX_textFormat::StartWriting(const char* path) {
    return output.Open(path, TextFileMode::kWrite);
}

int VRX_textFormat::FinishWriting() {
    return output.Close();
}

void VRX_textFormat::NoteWriteFailure(int rc) {
    if (rc == kSuccess) return;
    if (writeFailure_ == kSuccess) writeFailure_ = rc;
    output.MarkFailed();
}

namespace {

// The table of a node of probabilities as a format that does not keep every double gives it, into
// `scaled` when any column changes; the count of columns scaled and the first one's sum. Every column
// off 1 beyond rounding is scaled as the update scales it (a rounded column every reader takes, and the
// update scales alike, keeps the numbers given). A column of zeros, which the update takes as uniform,
// is written as zeros, which every reader takes alike; one of any positive sum is scaled. A column of finite
// entries whose sum is not finite, which the update refuses, is no distribution either: `unbounded` is its
// index, and -1 is returned.
int ChangedColumns(const VRX_Dmatrix& table, std::unique_ptr<VRX_Dmatrix>& scaled, double& firstSum,
                   int& unbounded) {
    const int dims = table.GetNumberOfDimensions();
    const int run = dims > 0 ? table.GetSizeOfDimension(dims - 1) : 0;
    const int count = table.GetNumberOfElements();
    int changed = 0;
    for (int start = 0; run > 0 && start + run <= count; start += run) {
        const double* entries = table.GetData() + start;
        const double sum = vovido::ColumnSum(entries, run);
        if (!std::isfinite(sum)) {
            unbounded = start / run;
            return -1;
        }
        const vovido::ColumnUse use = vovido::ClassifyColumn(sum, vovido::kRoundedColumnTolerance);
        if (use == vovido::ColumnUse::kZero) {
            if (std::all_of(entries, entries + run, [](double p) { return p == 0.0; })) continue;
            if (scaled == nullptr) scaled = std::make_unique<VRX_Dmatrix>(table);
            std::fill(scaled->GetData() + start, scaled->GetData() + start + run, 0.0);
            continue;
        }
        // A rounded column with an entry above 1 is no probability to a reader: it is scaled too.
        if (use == vovido::ColumnUse::kAsGiven && std::all_of(entries, entries + run, vovido::IsProbability))
            continue;
        if (changed++ == 0) firstSum = sum;
        if (scaled == nullptr) scaled = std::make_unique<VRX_Dmatrix>(table);
        vovido::ScaleColumn(scaled->GetData() + start, run, sum);
    }
    return changed;
}

}  // namespace

VRX_Dmatrix* VRX_textFormat::TableToWrite(VRX_nodeDefinition& definition) {
    VRX_Dmatrix* table = nullptr;
    const int rc = definition.GetDefinition(table);
    const VRX_node* node = network != nullptr ? network->GetNode(definition.GetHandle()) : nullptr;
    const char* id = node != nullptr && node->GetId() != nullptr ? node->GetId() : "";
    if (rc == kSuccess && table != nullptr) {
        const TableEntries entries = EntriesWritten();
        // Every kind of probabilities, those derived from parameters too, is written as the update reads it.
        const int type = definition.GetType();
        const bool probabilities = vovido::IsDiscreteType(type) && (type & DefinitionBits::kDecision) == 0 &&
                                   (type & DefinitionBits::kDiscreteChildOfContinuous) == 0;
        if (entries == TableEntries::kAny || !probabilities) return table;
        const double* data = table->GetData();
        for (int i = 0; i < table->GetNumberOfElements(); ++i) {
            if (data[i] >= 0.0) continue;
            const std::string message = std::string("ERROR: Node [") + id + "] : entry " + std::to_string(i) +
                                        " of its table is negative (" + vovido::NumberText(data[i]) +
                                        "), which no file can hold";
            NoteWriteFailure(LogError(errorLog, kObjectNotConsistent, message.c_str(), nullptr));
            return nullptr;
        }
        double firstSum = 0.0;
        scaledTable_.reset();
        int unbounded = 0;
        const int changed = ChangedColumns(*table, scaledTable_, firstSum, unbounded);
        if (changed < 0) {
            const std::string message = std::string("ERROR: Node [") + id + "] : column " +
                                        std::to_string(unbounded) +
                                        " of its table does not sum to a finite number, which the format "
                                        "cannot hold";
            NoteWriteFailure(LogError(errorLog, kObjectNotConsistent, message.c_str(), nullptr));
            scaledTable_.reset();
            return nullptr;
        }
        if (changed > 0) vovido::WarnScaledColumns(id, changed, firstSum);
        return scaledTable_ != nullptr ? scaledTable_.get() : table;
    }
    NoteWriteFailure(rc != kSuccess ? rc : kObjectNotValid);
    return nullptr;
}

int VRX_textFormat::SetLineWidth(int n) {
    return output.SetLineWidth(n);
}

std::string VRX_textFormat::EscapeText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        switch (c) {
            case '\t':
                escaped.append("\\t");
                break;
            case '\n':
                escaped.append("\\n");
                break;
            case '\r':
                escaped.append("\\r");
                break;
            case '"':
                escaped.append("\\\"");
                break;
            case '\\':
                escaped.append("\\\\");
                break;
            default:
                escaped.push_back(c);
                break;
        }
    }
    return escaped;
}

int VRX_textFormat::WriteIndented(const char* text, bool escaped) {
    if (!escaped || text == nullptr) return output.WriteLine(text);
    output.WriteIndentation();
    return WriteText(text, true);
}

int VRX_textFormat::WriteText(const char* text, bool escaped) {
    if (text == nullptr) return output.Write(nullptr);
    if (escaped) SetContinuation();
    const std::string written = escaped ? EscapeText(text) : std::string(text);
    const int result =
        output.GetContinuation().empty() ? output.WriteRaw(written) : output.WriteWrapped(written);
    if (escaped) ClearContinuation();
    return result;
}

int VRX_textFormat::WriteIdList(const VRX_stringArray& list, bool useSize) {
    const int n = useSize ? list.GetSize() : list.GetCount();
    output.Write("(");
    for (int i = 0; i < n; ++i) {
        if (i > 0) output.Write(", ");
        const char* item = list[i];
        if (item != nullptr) output.WriteRaw(item);
    }
    return output.Write(")");
}

int VRX_textFormat::WriteIntList(const VRX_intArray& list, bool useSize) {
    const int n = useSize ? list.GetSize() : list.GetCount();
    std::string text;
    output.Write("(");
    for (int i = 0; i < n; ++i) {
        if (i > 0) output.Write(", ");
        FormatInt(list[i], text);
        output.Write(text.c_str());
    }
    return output.Write(")");
}

int VRX_textFormat::WriteDoubleList(const VRX_doubleArray& list, bool useSize) {
    const int n = useSize ? list.GetSize() : list.GetCount();
    std::string text;
    output.Write("(");
    for (int i = 0; i < n; ++i) {
        if (i > 0) output.Write(", ");
        FormatDouble(list[i], text);
        output.Write(text.c_str());
    }
    return output.Write(")");
}

// Quotes go out unbroken: a plain line break next to a quote would land inside the string.
int VRX_textFormat::WriteStringList(const VRX_stringArray& list, bool useSize) {
    return WriteTextList(useSize ? list.GetSize() : list.GetCount(), [&list](int i) { return list[i]; });
}

int VRX_textFormat::WriteTextList(int n, vovido::FunctionRef<const char*(int)> textAt) {
    output.Write("(");
    for (int i = 0; i < n; ++i) {
        if (i == 0) {
            output.WriteRaw("\"");
        } else {
            output.WriteRaw(",");
            if (output.GetLineWidth() - output.GetColumn() < 3) {
                output.WriteRaw("\n");
                output.WriteIndentation();
                output.WriteRaw("\"");
            } else {
                output.WriteRaw(" \"");
            }
        }
        const char* item = textAt(i);
        WriteText(item != nullptr ? item : "", true);
        output.WriteRaw("\"");
    }
    return output.Write(")");
}

int VRX_textFormat::WriteIdListField(const char* key, const VRX_stringArray& list, bool useSize) {
    WriteIndented(key, false);
    output.Write(" = ");
    WriteIdList(list, useSize);
    return output.Write(";\n");
}

int VRX_textFormat::WriteStringListField(const char* key, const VRX_stringArray& list, bool useSize) {
    WriteIndented(key, false);
    output.Write(" = ");
    WriteStringList(list, useSize);
    return output.Write(";\n");
}

int VRX_textFormat::WriteTextListField(const char* key, int n, vovido::FunctionRef<const char*(int)> textAt) {
    WriteIndented(key, false);
    output.Write(" = ");
    WriteTextList(n, textAt);
    return output.Write(";\n");
}

int VRX_textFormat::WriteDoubleListField(const char* key, const VRX_doubleArray& list, bool useSize) {
    WriteIndented(key, false);
    output.Write(" = ");
    WriteDoubleList(list, useSize);
    return output.Write(";\n");
}

int VRX_textFormat::WriteIntListField(const char* key, const VRX_intArray& list, bool useSize) {
    WriteIndented(key, false);
    output.Write(" = ");
    WriteIntList(list, useSize);
    return output.Write(";\n");
}

int VRX_textFormat::WriteStringField(const char* key, const char* text, bool quoted, bool escaped) {
    if (key == nullptr || text == nullptr) return kSuccess;
    WriteIndented(key, false);
    output.Write(" = ");
    if (quoted) output.WriteRaw("\"");
    if (!quoted && !escaped) {
        output.WriteRaw(text);
    } else {
        WriteText(text, escaped);
    }
    if (quoted) output.WriteRaw("\"");
    return output.Write(";\n");
}

int VRX_textFormat::WriteQuotedField(const char* key, const char* text) {
    if (key == nullptr || text == nullptr) return kSuccess;
    WriteIndented(key, false);
    output.Write(" = ");
    output.WriteRaw("\"");
    WriteText(text, true);
    output.WriteRaw("\"");
    return output.Write(";\n");
}

int VRX_textFormat::WriteIntField(const char* key, int value) {
    std::string text;
    FormatInt(value, text);
    WriteIndented(key, false);
    output.Write(" = ");
    output.Write(text.c_str());
    return output.Write(";\n");
}

int VRX_textFormat::WriteBoolField(const char* key, bool value) {
    WriteIndented(key, false);
    output.Write(" = ");
    output.Write(value ? "TRUE" : "FALSE");
    return output.Write(";\n");
}

int VRX_textFormat::WriteSectionStart(const char* /*name*/) {
    return kSuccess;
}

int VRX_textFormat::WriteSectionEnd() {
    output.Unindent();
    output.WriteLine("};\n");
    output.Unindent();
    return output.GetStatus();
}
