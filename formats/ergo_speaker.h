#pragma once
// Ergo ("erg"): a positional file of node count, outcome counts, parent positions and tables, then the
// sections of probabilities, names, outcome labels and screen centres. Nodes are made noisy-MAX and
// become probability tables when the file gives their table in full.

#include <string>
#include <string_view>
#include <vector>

#include "formats/text_format_base.h"

class VRX_ergoSpeaker : public VRX_textFormat {
public:
    // States of one node beyond which a count is taken for damage rather than for a node.
    static constexpr int kMaxOutcomes = 1 << 16;

    explicit VRX_ergoSpeaker(VRX_network* network);
    ~VRX_ergoSpeaker() override;

    // 0, or the first error: the file cannot be opened or is empty, does not start with the node count,
    // a count or position is out of range, or a section could not be read whole (all logged).
    [[nodiscard]] int ReadFile(const char* path) override;
    [[nodiscard]] int ReadText(std::string_view text);
    // kOutOfRange (logged, no file created) unless every node is a probability or truth table; kFileIoFailed
    // when the file cannot be written.
    [[nodiscard]] int WriteFile(const char* path) override;
    TableText MinimumTableText(int definitionType, int parents) const override;
    // A label and its separator.
    int MostOutcomeBytes(int nameLength) const override { return nameLength + 4; }
    TableEntries EntriesWritten() const override { return TableEntries::kProbabilities; }
    [[nodiscard]] int WriteToText(std::string& out);

private:
    [[nodiscard]] int ReadOpened(int openResult);
    // An Integer, or the expectation message: the positional layout has no keywords to recover at.
    [[nodiscard]] int RequireInt(int& value);
    [[nodiscard]] int RequireNumber(double& value);
    // A word of the names or labels sections: an identifier, or a number standing for one.
    [[nodiscard]] int RequireWord(std::string& text);
    // The nodes of the outcome counts read, in file order. Each outcome is given a number of its node's
    // table in the file, so a count the file is too short to back is refused, naming the node, before
    // any node is made; so is a node that memory cannot hold.
    [[nodiscard]] int MakeNodes(const std::vector<int>& outcomes);
    [[nodiscard]] int ReadParents();
    [[nodiscard]] int ReadSections();
    [[nodiscard]] int SkipSection();
    [[nodiscard]] int ReadProbabilities();
    [[nodiscard]] int ReadNoisyMax(int handle);
    // k numbers, clamped, as a row from their cumulative form.
    [[nodiscard]] int ReadCumulativeRow(int outcomes, double* row);
    void OrderNoisyMaxStrengths();
    [[nodiscard]] int ReadNames();
    [[nodiscard]] int ReadLabels();
    [[nodiscard]] int ReadCenters();

    [[nodiscard]] int WriteNetwork();

    // Node handles in file order.
    std::vector<int> nodes_;
    // The arcs of each node, by file order: they wait for its table, so that one the file cannot fill
    // is refused before they build it.
    std::vector<PendingArcs> arcs_;
    // Tables refused for an entry that is no probability, reported once the names section has named
    // their nodes: the node, the entry, the line.
    struct Refusal {
        int handle;
        double value;
        int line;
        std::string text;  // of a number beyond the doubles
    };
    std::vector<Refusal> refusals_;
    // Tables whose entries in [-1e-6, 0) were read as 0, warned of once named: the node, the count, the
    // line.
    struct Zeroed {
        int handle;
        int count;
        int line;
    };
    std::vector<Zeroed> zeroed_;
    void ReportRefusals();
};
