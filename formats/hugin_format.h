#pragma once
// The Hugin network format ("net"): discrete chance, decision and utility nodes with their potentials.

#include <string>
#include <string_view>
#include <unordered_set>

#include "formats/vrx_format.h"

class VRX_doubleArray;

namespace vovido {
struct NoticeKind;
// Node identifiers with a '.' refused after the first.
extern const NoticeKind kDottedIdentifierNotice;
}  // namespace vovido

class VRX_huginSpeaker : public VRX_vrxSpeaker {
public:
    explicit VRX_huginSpeaker(VRX_network* network);
    ~VRX_huginSpeaker() override;

    // 0 after a read in which only what the format lets pass (settings of the Hugin tool, unknown
    // attributes, experience tables) was logged and skipped. Failures: the file cannot be opened, it does
    // not start with "net {", or a statement that holds the network's content could not be taken.
    [[nodiscard]] int ReadFile(const char* path) override;
    [[nodiscard]] int ReadText(std::string_view text);
    // kOutOfRange (logged, no file touched) when a node's kind has no Hugin form; kFileIoFailed when the file
    // cannot be written.
    [[nodiscard]] int WriteFile(const char* path) override;
    TableText MinimumTableText(int definitionType, int parents) const override;
    // A quoted name and a blank.
    int MostOutcomeBytes(int nameLength) const override { return nameLength + 6; }
    TableEntries EntriesWritten() const override { return TableEntries::kNonNegative; }
    [[nodiscard]] int WriteToText(std::string& out);
    [[nodiscard]] int CheckWritable();

    // Lists without commas: "(" items ")".
    [[nodiscard]] int ReadIdList(VRX_stringArray& list) override;
    [[nodiscard]] int ReadStringList(VRX_stringArray& list) override;
    [[nodiscard]] int ReadDoubleList(VRX_doubleArray& list) override;
    bool IsBlockWord() const override;

private:
    [[nodiscard]] int ReadHuginOpened(int openResult);
    [[nodiscard]] int ReadNetStatement();
    [[nodiscard]] int ReadNodeStatement();
    [[nodiscard]] int ReadNodeField(int handle);
    [[nodiscard]] int ReadPotential();
    // After the child's identifier: its parents and its block.
    [[nodiscard]] int ReadPotentialBody(int child, const std::string& childId);
    // The waiting arcs are added once the data is known to fill the table.
    [[nodiscard]] int ReadPotentialData(int child, PendingArcs& arcs);
    // Hugin's y axis points up: positions are mirrored within the layout's own bounds, which maps the
    // mirrored layout back onto the original.
    void MirrorPositions();
    // A chance node's table as read: each distribution scaled to sum to 1.
    void NormalizeTable(int handle);
    // An identifier the file continues with '.' parts ("T5.x", "T5.1"): the whole text, the parts read.
    std::string DottedRest(std::string id);
    // A dotted identifier is refused where its node is declared; the potentials naming it are skipped
    // without a word of their own, as knock-on effects of that refusal.
    [[nodiscard]] int RefuseDottedNode(const std::string& id, int line);

    [[nodiscard]] int WriteNetworkText();
    void WriteNodeBlock(int handle, int mirror);
    void WritePotential(int handle);
    int MirrorLine() const;

    // A second net block: the same as the first is read once with a warning, another refused.
    [[nodiscard]] int ReadRepeatedNet();
    // The token the node and potential statements stopped at: a word the file was cut inside, or text
    // where the file should end. Reported before what the nodes lack, which is its knock-on effect.
    void ReportStrayEnd();

    // The potentials read, by child: a child's potential given again is compared with its first.
    NodeParts potentials_;
    bool dottedRefused_ = false;
    // Nodes refused where declared (continuous ones): the potentials naming them are skipped as knock-on
    // effects of that refusal.
    std::unordered_set<std::string> refusedNodes_;
    StatementDigest netBlock_;
};
