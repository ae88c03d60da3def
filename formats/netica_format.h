#pragma once
// The Netica network format ("dne"): discrete chance, deterministic, decision and utility nodes, and
// continuous nodes defined by equations, whose Netica function calls are translated into built-in ones.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/expression_parser.h"
#include "formats/vrx_format.h"
#include "model/node_definition.h"

// Netica's function names over the built-in function table: distribution calls that name their own
// node first lose that argument, and "clip", "binomial" and "plus" become Trim, Combin and Sum.
class NeticaExpressionParser : public VRX_expressionParser {
public:
    bool LookupFunction(const std::string& name, std::unique_ptr<VRX_function>& call,
                        int& parameterCount) override;
    std::unique_ptr<VRX_expression> TranslateFunction(std::unique_ptr<VRX_function> call,
                                                      std::string& reason) override;
};

namespace vovido {
// The right-hand side of a Netica equation ("X (parents) = expression") as built-in expression text:
// 0, or kOutOfRange with the reason in `error`.
[[nodiscard]] int TranslateNeticaEquation(const std::string& text, std::string& out, std::string& error);
}  // namespace vovido

class VRX_neticaSpeaker : public VRX_vrxSpeaker {
public:
    explicit VRX_neticaSpeaker(VRX_network* network);
    ~VRX_neticaSpeaker() override;

    // 0 after a read in which only what the format lets pass (display settings, unknown attributes,
    // constant nodes outside the model) was logged and skipped. Failures: the file cannot be opened, it
    // does not start with "bnet ID {", or a statement that holds the network's content could not be taken.
    [[nodiscard]] int ReadFile(const char* path) override;
    [[nodiscard]] int ReadText(std::string_view text);
    // kOutOfRange (logged, no file touched) when a node's kind has no Netica form; kFileIoFailed when the
    // file cannot be written.
    [[nodiscard]] int WriteFile(const char* path) override;
    TableText MinimumTableText(int definitionType, int parents) const override;
    // A name and ", ".
    int MostOutcomeBytes(int nameLength) const override { return nameLength + 4; }
    TableEntries EntriesWritten() const override { return TableEntries::kProbabilities; }
    [[nodiscard]] int WriteToText(std::string& out);
    [[nodiscard]] int CheckWritable();
    bool IsBlockWord() const override;

private:
    [[nodiscard]] int ReadNeticaOpened(int openResult);
    [[nodiscard]] int ReadNetStatement();
    [[nodiscard]] int ReadNetVisual();
    [[nodiscard]] int ReadParam();
    [[nodiscard]] int ReadNodeBlock();
    [[nodiscard]] int ReadNodeField();
    [[nodiscard]] int SetNodeText(bool title, const char* text);
    [[nodiscard]] int ReadTypeField(bool& handled);
    [[nodiscard]] int EnsureDefinition();
    [[nodiscard]] int ReadDefinitionField(int handle);
    [[nodiscard]] int ReadEquationStates(int handle);
    [[nodiscard]] int ReadLevels(int handle);
    // The refusal of levels that do not fit the intervals, reported at the node's end or after the cause
    // that a table of the node then shows (a discretised continuous node), whichever comes first.
    void ReportPendingLevels();
    [[nodiscard]] int ReadEquationField(int handle);
    [[nodiscard]] int ReadTable(int handle, bool functable);
    // The entries of a probs or functable statement: numbers, or outcome names (`names`).
    [[nodiscard]] int ReadTableEntries(int handle, bool names, VRX_doubleArray& values,
                                       VRX_stringArray& states);
    // The entries read as the node's table (`word` the statement's), once checked, with its waiting arcs.
    [[nodiscard]] int SetTableEntries(int handle, const char* word, bool names, VRX_doubleArray& values,
                                      const VRX_stringArray& states);
    [[nodiscard]] int ReadUserBlock(int handle);
    [[nodiscard]] int ReadNodeVisual(int handle);

    [[nodiscard]] int WriteNetworkText();
    void WriteNode(int handle);
    void WriteDefinitionLines(VRX_nodeDefinition& definition, const VRX_intArray& parents);
    void WriteQuoted(const char* key, const char* text);

    // The node block being read: its type code so far (bits 0x1 decision, 0x2 chance, 0x4 deterministic,
    // 0x8 utility, 0x10 discrete), its handle once made (-1 before), and the texts given before that.
    int typeCode_ = DefinitionType::kCpt;
    bool constant_ = false;
    int handle_ = -1;
    std::string nodeId_;
    std::unique_ptr<std::string> pendingTitle_;
    std::unique_ptr<std::string> pendingComment_;
    int pendingLevelsLine_ = 0;
    std::string pendingLevels_;
    // The node blocks read, by identifier: one given again is compared with the first.
    std::unordered_map<std::string, StatementDigest> nodeBlocks_;
};
