#pragma once
// MSBN ("dsc"): node blocks with their states and screen positions, then one potential per node that
// makes it a chance, utility or decision node and gives its parents and table.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "formats/text_format_base.h"

class VRX_Dmatrix;
class VRX_nodeDefinition;

class VRX_microsoftSpeaker : public VRX_textFormat {
public:
    explicit VRX_microsoftSpeaker(VRX_network* network);
    ~VRX_microsoftSpeaker() override;

    // 0, or the first error: the file cannot be opened or is empty, has no "belief network" head (or
    // "diagnostic", "trouble"), or holds an object that could not be read whole (all logged).
    [[nodiscard]] int ReadFile(const char* path) override;
    [[nodiscard]] int ReadText(std::string_view text);
    // kOutOfRange (logged, no file created) for a node kind the format does not hold; kFileIoFailed when the
    // file cannot be written.
    [[nodiscard]] int WriteFile(const char* path) override;
    TableText MinimumTableText(int definitionType, int parents) const override;
    // A quoted name on a line of its own.
    int MostOutcomeBytes(int nameLength) const override { return nameLength + 14; }
    TableEntries EntriesWritten() const override { return TableEntries::kProbabilities; }
    [[nodiscard]] int WriteToText(std::string& out);

    // KEY ':' value.
    [[nodiscard]] int ReadFieldStart(const char* key, int kind) override;
    // '(' integers ')': the separators ',' and '|' are skipped by the analyser.
    [[nodiscard]] int ReadIntList(VRX_intArray& list) override;
    int WriteIntListField(const char* key, const VRX_intArray& list, bool useSize) override;
    int WriteStringField(const char* key, const char* text, bool quoted, bool escaped) override;
    int WriteSectionStart(const char* name) override;

private:
    [[nodiscard]] int ReadOpened(int openResult);
    [[nodiscard]] int ReadObject();
    void SkipProperties();
    [[nodiscard]] int ReadNode();
    // A field after any properties blocks, each field's word once.
    [[nodiscard]] int ReadNodeField(int handle, NodeStatements& seen);
    [[nodiscard]] int ReadNodeEntry(int handle);
    [[nodiscard]] int ReadStates(int handle);
    // "belief network" "name" (or another head word): its words into header, NUL between.
    [[nodiscard]] int ReadHeader(std::string& header);
    [[nodiscard]] int ReadPotential();
    [[nodiscard]] int ReadPotentialBody(int type, int handle);
    // One "(coordinates) : numbers" entry of the potential's table.
    [[nodiscard]] int ReadEntry(int parentCount);
    // The shape of the potential's table into parentSizes_, cells_ and ownSize_: the one the waiting arcs
    // will give it (`cells` cells), else the matrix's own. Returns the number of parent dimensions.
    int ShapeTable(int handle, const std::vector<int>& parents, const VRX_Dmatrix& matrix, int64_t cells);
    // The table read whole (entries_, every cell given) set as the node's, or the refusal reported.
    void StoreTable(int handle, int type, VRX_nodeDefinition& definition);
    std::string RowText(size_t cell) const;
    // The cell given already holds this value.
    bool SameAsGiven(size_t cell, double value);

    [[nodiscard]] int WriteNetwork();
    void WriteNode(int handle);
    void WritePotential(int handle);
    void WriteTableLines(int handle);

    // The entries of the potential being read, by cell, and the shape of its table: the table itself is
    // built once every cell is given, so that one the file cannot fill costs nothing of its size.
    std::vector<std::pair<size_t, double>> entries_;
    std::vector<bool> given_;         // by cell: every cell must be given, once or repeated the same
    std::vector<size_t> positionOf_;  // by cell, its entry; built at the first repeat
    int repeatWarnings_ = 0;          // rows repeated the same, warned: they lose nothing
    size_t cells_ = 0;
    std::vector<int> parentSizes_;
    int ownSize_ = 0;
    PendingArcs arcs_;
    std::string child_;
    // The nodes whose potential has begun: one node, one potential.
    std::unordered_set<int> potentialNodes_;
    // The digests of the potentials with a table, which the same potential given again is compared with.
    NodeParts potentialParts_;
    // The header as read ("belief network" and the name): one given again is compared with it.
    std::string header_;
    bool blockless_ = false;  // the potential just read had no block
};
