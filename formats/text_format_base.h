#pragma once
// Base of the text-format speakers: token tests, field, list and section readers and writers, the
// recovering statement loop, statement skipping and error reporting, over the lexical analyser (input)
// and a text file (output).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/function_ref.h"
#include "base/status_codes.h"
#include "formats/lexical_analyser.h"
#include "formats/statement_digests.h"
#include "formats/text_file.h"
#include "model/file_format.h"

class VRX_Dmatrix;
class VRX_doubleArray;
class VRX_intArray;
class VRX_nodeDefinition;
class VRX_stringArray;

namespace vovido {
// Keyword tables are arrays of texts ended by a null pointer.
using KeywordTable = const char* const*;
}  // namespace vovido

namespace vovido {
// Statements of a file that the reader does not know, skipped.
extern const NoticeKind kSkippedStatementNotice;
// Arcs from the parents a node's table names that could not be added.
extern const NoticeKind kRefusedParentArcNotice;
}  // namespace vovido

class VRX_textFormat : public VRX_fileFormat {
public:
    explicit VRX_textFormat(VRX_network* network);
    ~VRX_textFormat() override;

    // Skips tokens up to the ';' that ends the statement, counting '{' and '}' so that an inner block
    // goes whole; the ';' stays current. A '}' that closes the enclosing block also ends the skip and
    // stays current. A lexer failure is logged with its code's text and returned.
    [[nodiscard]] virtual int SkipStatement();
    [[nodiscard]] virtual int SkipAfterError();

    // "(" items separated by "," ")" appended to the list; "()" is an empty list. A missing "(" or ")"
    // and an item of the wrong kind are reported (kSyntaxError).
    [[nodiscard]] virtual int ReadIdList(VRX_stringArray& list);
    [[nodiscard]] virtual int ReadStringList(VRX_stringArray& list);
    [[nodiscard]] virtual int ReadDoubleList(VRX_doubleArray& list);
    [[nodiscard]] virtual int ReadIntList(VRX_intArray& list);

    // The writers return the output's sticky status (see VRX_textFile): FinishWriting reports a failure.
    // useSize: write the array's size items rather than its count.
    virtual int WriteIdListField(const char* key, const VRX_stringArray& list, bool useSize);
    virtual int WriteIdList(const VRX_stringArray& list, bool useSize);
    virtual int WriteStringListField(const char* key, const VRX_stringArray& list, bool useSize);
    virtual int WriteStringList(const VRX_stringArray& list, bool useSize);
    // A string list of n items, item i read from textAt(i) (null is written empty).
    int WriteTextListField(const char* key, int n, vovido::FunctionRef<const char*(int)> textAt);
    int WriteTextList(int n, vovido::FunctionRef<const char*(int)> textAt);
    virtual int WriteDoubleListField(const char* key, const VRX_doubleArray& list, bool useSize);
    virtual int WriteDoubleList(const VRX_doubleArray& list, bool useSize);
    virtual int WriteIntListField(const char* key, const VRX_intArray& list, bool useSize);
    virtual int WriteIntList(const VRX_intArray& list, bool useSize);

    // KEY = value: kNotThisKeyword when the current token is not the Identifier key (nothing consumed); on
    // success the value token (of the kind given) is consumed and its text is in `token`.
    [[nodiscard]] virtual int ReadFieldStart(const char* key, int kind);
    [[nodiscard]] virtual int ReadIntField(const char* key, int& value);
    [[nodiscard]] virtual int ReadBoolField(const char* key, int& value);
    virtual int WriteStringField(const char* key, const char* text, bool quoted, bool escaped);
    virtual int WriteIntField(const char* key, int value);
    virtual int WriteBoolField(const char* key, bool value);
    virtual int WriteQuotedField(const char* key, const char* text);

    virtual int ReadSectionStart(const char* name);
    virtual int ReadSectionEnd();
    virtual int WriteSectionStart(const char* name);
    virtual int WriteSectionEnd();
    // 1 at the end of the input or at a '}' (not a string "}"), else 0; consumes nothing.
    [[nodiscard]] virtual int AtSectionEnd();
    // Logs "(line %d) : " and the message (null: the code's text); returns code. Code 0 logs nothing.
    // While reading, the first such error is kept: the read fails with it once it has gone on to report
    // what else is wrong, since the statement that logged it dropped or changed data.
    virtual int ReportError(int code, const char* message);
    int ReportMessage(int code, const std::string& text) { return ReportError(code, text.c_str()); }
    // ReportError naming an earlier line: a fault found while reading on, reported once the statement ends.
    int ReportErrorAt(int line, int code, const std::string& text);
    int ReportWarningAt(int line, int code, const std::string& text);
    // The token just consumed ends the input, which ends inside it: a word the file's end may have cut
    // ("HRB" of "HRBP"), whose faults are the cut's. Peeks at the next token.
    bool WordCutByEnd();
    // Adds the node of the identifier the file gives (repaired as FileNodeId repairs it): its handle, or the
    // refusal as one entry, "Couldn't Create Node" with the line and the network's cause.
    int AddFileNode(int type, const std::string& id, const std::string& named);
    // Before `nodes` more nodes of the definition kind `type`, `arcs` more arcs and tables of `cells` more
    // cells are built for the node `nodeId`: 0 while the read stays within kMaxReadBytes; else
    // kOutOfMemory, the refusal logged at the line, and the read ends.
    [[nodiscard]] int CheckReadSize(const std::string& nodeId, int nodes, int type, int arcs,
                                    int64_t cells = 0);
    // A node of the kind has been built by the read.
    void CountReadNode(int type);
    // Logs as ReportError, for what the format does not know and may pass over: the read does not fail.
    int ReportWarning(int code, const char* message);
    // A warning that may repeat over nodes or statements: folded with the others of its kind.
    int ReportWarning(int code, const char* message, const vovido::NoticeInstance& instance);
    // Entries of a table of probabilities in [-1e-6, 0) made 0, with the node's warning when there are any
    // (base/table_entries.h); what is more negative is left to be refused.
    void ReadTinyNegativesAsZero(const std::string& nodeId, double* values, int count);
    // The warning of a statement the format does not know and skips; `word` is its keyword.
    int ReportSkippedStatement(int code, const std::string& word, const std::string& message);
    // An arc refused, in the words of the formats whose tables name their parents alone: "Couldn't add arc
    // from parent node ("p")" and, for arcs waiting for a table, the rule the arc breaks; one entry for all
    // the parents one refusal turns away.
    int ReportParentArcRefused(int code, const std::string& parent);
    // Why the arc from the identified parent to the child is refused: ": " and the rule it breaks, or
    // that no node has the identifier; "" when neither holds.
    std::string ArcRefusalCause(const std::string& parent, int child);
    // The first error reported since the read started; 0 while there is none.
    int GetReadFailure() const { return readFailure_; }
    // Around escaped text: a speaker sets the output's continuation text so that broken lines join again.
    virtual void SetContinuation();
    virtual void ClearContinuation();

    // Token tests. An unknown character in the input has been logged by the analyser and is passed over.
    // Accepts a token of the kind (and text, compared without regard to case) and consumes it; kSyntaxError
    // otherwise, nothing logged; kOutOfRange without a lexer; a lexer failure as it is. Kind 8 with a text
    // also accepts any punctuation token whose text begins the expected one ("=" for "==").
    [[nodiscard]] int ExpectToken(int kind, const char* text);
    // An optional token: consumed when it is there (true), else nothing happens.
    bool AcceptToken(int kind, const char* text) { return ExpectToken(kind, text) == kSuccess; }
    // ExpectToken that reports a mismatch with kSyntaxError and the expectation message.
    [[nodiscard]] int RequireToken(int kind, const char* text);
    void FormatUnexpectedToken(int kind, const char* text);
    void FormatUnexpectedEnd(int kind, const char* text);
    // The end of the input where `text` was expected, as RequireToken reports it: the first block the end
    // leaves open names it, the others say nothing more (kSyntaxError either way).
    int ReportUnexpectedEnd(int kind, const char* text);
    // 1 or 0, or the lexer's failure (kNoMoreTokens at the end of the input); nothing consumed.
    [[nodiscard]] int IsIdentifierNext();
    [[nodiscard]] int IsStringNext();
    [[nodiscard]] int IsIntegerNext();
    [[nodiscard]] int IsNumberNext();
    [[nodiscard]] int IsCommaNext();
    [[nodiscard]] int IsOpenParenNext();
    [[nodiscard]] int IsWordNext(const char* text);
    [[nodiscard]] int IsKeywordNext(vovido::KeywordTable table);
    // The same tests on the current token without peeking, by the case rule of `caseSensitive`.
    bool TokenIs(const char* text) const;
    bool TokenInTable(vovido::KeywordTable table) const;
    // Index of the current token's text in the table, kOutOfRange when absent.
    [[nodiscard]] int KeywordIndex(vovido::KeywordTable table) const;

    [[nodiscard]] int ReadInt(int& value);
    // A number token, read whole: one beyond the doubles is refused (kOutOfRange, logged with its text
    // and, while a table is read, the node whose table it is).
    [[nodiscard]] int ReadNumber(double& value);
    // The node whose table the numbers read next belong to, named by the refusal of a number beyond the
    // doubles; an empty text while no table is read.
    void SetTableOwner(std::string nodeId) { tableOwner_ = std::move(nodeId); }
    // The current token's text as a whole number in the int range, else refused naming it (kOutOfRange).
    [[nodiscard]] int TokenWholeNumber(int& value);
    // The text of the token just consumed with the words glued to it, which are consumed too ("0x10" is
    // read as "0" and "x10"): a refusal names the text the file holds.
    std::string TokenTextWithGlued();
    [[nodiscard]] int ReadIdentifier(std::string& text);
    [[nodiscard]] int ReadString(std::string& text);

    // The line's indentation, then the text (escaped first when asked).
    int WriteIndented(const char* text, bool escaped);
    // Text of a quoted value. It is broken at the line width only while a continuation text is set;
    // otherwise it is written on one line, since a plain line break inside quotes would change it.
    int WriteText(const char* text, bool escaped);
    static std::string EscapeText(std::string_view text);
    // The text escaped and in double quotes; null is the empty text.
    static std::string QuotedText(const char* text) {
        return "\"" + EscapeText(text != nullptr ? text : "") + "\"";
    }
    [[nodiscard]] int SetLineWidth(int n);

    // Reading: makes the lexer of the mode and opens the file (or text); its code on failure.
    [[nodiscard]] int StartReading(const char* path, int mode);
    [[nodiscard]] int StartReadingText(std::string_view text, int mode);
    void FinishReading();
    // Writing: opens the output; FinishWriting closes it and returns the writing status.
    [[nodiscard]] int StartWriting(const char* path);
    [[nodiscard]] int FinishWriting();
    // What a writer could not gather (a table that could not be built, memory that failed) fails the
    // write as a whole: the first such code is kept and the output is marked failed, so that the file
    // there stays as it was. Reset before a write begins.
    void NoteWriteFailure(int rc);
    void ResetWriteFailure() { writeFailure_ = kSuccess; }
    int GetWriteFailure() const { return writeFailure_; }
    // The table a writer gives: the definition's, or null after NoteWriteFailure with the reason (the
    // definition logs memory that failed, naming the node and the cells). For a format that holds
    // probabilities only, a probability table whose columns do not sum to 1 is given as the update uses it
    // (scaled, a column whose sum is no normal double as zeros); for one of counts, a column of zeros is
    // given uniform, as its reader takes it; either with a warning naming the node; a negative entry, which
    // the formats of other tools cannot hold, fails the write naming the node and the entry.
    VRX_Dmatrix* TableToWrite(VRX_nodeDefinition& definition);
    // What the format's reader takes in a probability table: any number, no negative one (counts), or
    // probabilities only (no entry above 1).
    enum class TableEntries { kAny, kNonNegative, kProbabilities };
    virtual TableEntries EntriesWritten() const { return TableEntries::kAny; }

    // The recovering loop of a block's statements: until '}' or the end of input, read a statement;
    // a failed one is skipped (SkipStatement), then a ';' is taken when expected and present, the rest
    // of the statement skipped (with its ';') when not. The closing '}' is required (SkipAfterError when
    // missing). A statement that consumes nothing has its first token dropped, so the loop always advances.
    // Whatever is skipped is reported: by the statement that failed, else here as an error, and so the read
    // fails in the end; the result is kOutOfRange only without a lexer, so a caller may pass over it.
    int ReadBlock(vovido::FunctionRef<int()> readStatement, bool semicolonAfterEach = true);
    // Skips tokens up to and including the '}' that closes the first block opened; a '}' closing the
    // enclosing block before any '{' ends the skip and stays current.
    [[nodiscard]] int SkipBlock();

    // What the file gave each node it declares. A list or block skipped as unknown while a node's block
    // (or its potential) is read may have held its table or states: a node left without them then fails
    // the read, naming it. CheckNodeContent applies what the format asks for (NodeContentCheck).
    // A node's block starts (handle -1: its node is made later), or a potential of the node's.
    void BeginNodeContent(int handle);
    // The node the file declares is made; inside a block, the block is its.
    void NoteNodeMade(int handle);
    void EndNodeContent();
    void NoteNodeTable(int handle);
    // For formats whose files may end after any block: a file that declares no node at all may have been
    // cut short, which is said in a warning.
    void WarnIfNoNode();
    // The outcome names given for the node were set: a node holding another count of outcomes (no node
    // holds fewer than two) is named in a warning. line: of the names, when the lexer is not reading.
    void NoteNodeOutcomes(int handle, int given, int line = -1);
    // What a format asks of CheckNodeContent, combined with |.
    enum NodeContentCheck : unsigned {
        // A node the file gives no table or states at all is named in a warning.
        kWarnMissing = 1,
        // The format keeps tables apart from the nodes, so a list or block skipped anywhere may have held
        // them.
        kOutsideCounts = 2,
        // The format gives every node its table (a decision its parents) in a part of its own, which
        // NoteNodeTable notes.
        kEveryNode = 4,
        // A decision's definition, which NoteNodeTable notes, gives its parents: one that may have been
        // skipped fails the read (one never given is no loss: a decision may have no parents).
        kDecisionParents = 8,
    };
    // Once every node is read: the first failure, else 0.
    int CheckNodeContent(unsigned checks);
    // An unknown statement where the format declares its nodes: "word = value" or "word : value" is a
    // setting the format may add and stays a warning; any other form may have declared a node, and is an
    // error saying so. The word is consumed; kSyntaxError is returned either way, so that the rest is
    // skipped.
    int ReportUnknownDeclaration(const char* what);
    // Ends the message of an unknown statement that fails the read since it may have declared a node.
    static constexpr const char* kMayHaveHeldANode = "; what was skipped may have held a node";

    // A part of a node the file gives again (a statement, a definition): the same is read once with a
    // warning, another is refused. The message of either, `part` naming what was repeated.
    static std::string RepeatedPartMessage(const std::string& nodeId, const std::string& part, bool same);
    // The same for a part of `owner` ("Node [A]", "Network [N]").
    static std::string RepeatedMessage(const std::string& owner, const std::string& part, bool same);
    using StatementDigest = vovido::StatementDigest;
    // The statements read so far in one block of a node, by their first word.
    using NodeStatements = vovido::StatementsByWord;
    // One statement of a node's block through readStatement, the first of its word; a later one is
    // skipped and compared with it, and warned about (the same) or refused (another; the read fails),
    // naming the node and the statement's word. A statement that failed is not kept for comparing.
    // Words of `repeatable` (a null-ended list) open named blocks that a node may hold several of: each is
    // read as it comes.
    [[nodiscard]] int ReadStatementOnce(NodeStatements& seen, const std::string& nodeId,
                                        vovido::FunctionRef<int()> readStatement,
                                        vovido::KeywordTable repeatable = nullptr);
    // The same in any block of `owner`; `where` follows the statement's word in the message (" in HEADER").
    [[nodiscard]] int ReadStatementOnceOf(NodeStatements& seen, const std::string& owner,
                                          const std::string& where, vovido::FunctionRef<int()> readStatement,
                                          vovido::KeywordTable repeatable = nullptr);

    // The recovering loop of ReadBlock over statements each read once as ReadStatementOnceOf reads them:
    // the same again is read once with a warning, another is refused naming `owner` ("Node [A]",
    // "Network [N]") and the statement, `where` following its word (" in HEADER").
    int ReadOnceBlock(const std::string& owner, const std::string& where,
                      vovido::FunctionRef<int()> readStatement, vovido::KeywordTable repeatable = nullptr,
                      bool semicolonAfterEach = true);

    // A part of a node kept apart from its block (a potential), from just after the node's identifier to
    // the end of its block: the first for the node is read through readPart; a later one is skipped
    // (SkipBlock) and compared with it as ReadStatementOnce does, `part` naming it in the message.
    using NodeParts = vovido::PartsByNode;
    [[nodiscard]] int ReadPartOnce(NodeParts& seen, int handle, const std::string& nodeId,
                                   const std::string& part, vovido::FunctionRef<int()> readPart);
    // A statement that sets a node's outcomes, parents or table (the current token, a word of `shapers`)
    // once its table has been read would replace the table (by a default one, or by columns copied):
    // refused (kOutOfRange, logged, the read fails) naming the node and the statement's word; 0 before
    // the table or for any other word.
    [[nodiscard]] int RefuseAfterTable(int handle, const std::string& nodeId, vovido::KeywordTable shapers);

    // The arcs from the parents to child, added together so that the child's table is built once, at its
    // final size; refused(i, code) reports each arc refused (a handle below 0 is a parent not found, its
    // code the handle). Returns the first code refused, else 0.
    int AddParentArcs(int child, const std::vector<int>& parents,
                      const std::function<void(size_t, int)>& refused);
    // A parent listed twice, or the child listed as its own parent, which the arcs refuse (and which would
    // shape a table wrongly), named as the cause (the read fails); `line` for a reader without a lexer.
    // True when there was one.
    bool ReportParentListFaults(int child, const std::vector<int>& parents, int line = -1);
    // Parents read for a node whose table the file gives after them: their arcs wait for the table, so
    // that a table the file cannot fill is refused before they build it.
    struct PendingArcs {
        int child = -1;
        std::vector<int> parents;                              // a handle below 0: a parent not found
        std::vector<std::string> ids;                          // the parents as the file names them
        std::function<void(const std::string&, int)> refused;  // reports the arc from that parent refused
        int line = 0;                                          // of the parents, which the refusals name
        bool waiting = false;
    };
    // The arcs wait from the current line on.
    void WaitForTable(PendingArcs& pending, int child, std::vector<int> parents, std::vector<std::string> ids,
                      std::function<void(const std::string&, int)> refused);
    // Adds the waiting arcs through AddParentArcs, once; 0 when none wait.
    int AddPendingArcs(PendingArcs& pending);
    // The cells the child's table will have once the waiting arcs are added; 0 for a kind without such a
    // table, and for a table past the limit, which the arcs refuse without building it.
    int64_t PendingTableCells(const PendingArcs& pending) const;
    // Before a table of `given` entries for the child of the waiting arcs: when the arcs would give it
    // another size, the refusal naming both counts, and the arcs stay out (the read fails, so the table
    // they would build is of no use); else the arcs are added. 0 or kOutOfRange.
    int AddArcsBeforeTable(PendingArcs& pending, int given);

    // The current token into `token`, passing over unknown characters; 0 or the lexer's failure.
    [[nodiscard]] int PeekToken();
    // Consumes the current token, adding it to the digests of the statements being read.
    void ConsumeToken();
    // Makes the token before the current one current again (VRX_lexicalAnalizer::StepBack).
    [[nodiscard]] int StepBackToken();

    const VRX_token& GetToken() const { return token; }
    const std::string& GetMessage() const { return message; }
    VRX_textFile& GetOutput() { return output; }
    VRX_lexicalAnalizer* GetLexer() { return lexer.get(); }
    bool IsCaseSensitive() const { return caseSensitive; }
    void SetCaseSensitive(bool on) { caseSensitive = on; }

protected:
    // Statement readers answer kNotThisKeyword when the word is not theirs: this tells whether one did.
    static bool Handled(int result) { return result != kNotThisKeyword; }
    // One list item of a delimited list: consumes it and stores it, or fails.
    using ItemReader = std::function<int()>;
    // An item of the wrong kind is reported as "ERROR: '%s' : <itemKind> expected".
    [[nodiscard]] int ReadDelimitedList_(int (VRX_textFormat::*isItemNext)(), const ItemReader& readItem,
                                         int itemKind);
    bool Matches_(int kind, const char* text) const;
    // Counts a logged entry; an error (not a warning) becomes the read's failure when it is the first.
    void NoteReport_(int code, bool error);
    // Reports the current token as dropped: "ERROR: '%s' : Unexpected", or the expected item when given.
    void ReportDropped_(int kind, const char* expected);
    bool SameWord_(const char* a, const char* b) const;
    std::string ExpectedItem_(int kind, const char* text) const;
    const char* TokenText_() const { return token.text != nullptr ? token.text : ""; }

    VRX_textFile output;
    std::unique_ptr<VRX_lexicalAnalizer> lexer;
    VRX_token token;
    std::string message;
    bool caseSensitive = true;
    // The read's first error, and the count of entries (errors and warnings) logged since it started:
    // a statement that failed without adding one is reported by the block loop.
    int readFailure_ = 0;
    int reports_ = 0;
    // The line that reports name while waiting arcs are added (-1: the lexer's).
    int reportLine_ = -1;
    // The child of the arcs being added from a table's parent list, whose refusals name their rule.
    int arcChild_ = -1;
    // The end of the file has been reported: the blocks it leaves open add no entry of their own.
    bool endReported_ = false;
    std::string tableOwner_;
    // Arcs the read has built, and the least memory of its nodes (a node deleted after its read still
    // counts: it was built).
    int64_t readArcs_ = 0;
    int64_t readNodeBytes_ = 0;
    int ReportLine_() const;
    int writeFailure_ = kSuccess;
    // A table given scaled by TableToWrite, until the next.
    std::unique_ptr<VRX_Dmatrix> scaledTable_;
    // A list or block was skipped: it counts against the node whose block is read, else outside.
    void NoteSkippedContent_();
    // The end of the input met while skipping: a file cut short, said once.
    int ReportSkipEnd_(int result);
    void TakeBackUnknownWarning_();
    // The log entry of the last warning, which a statement skipped after it may take back.
    int unknownEntry_ = -1;
    // The first log entry of the read.
    int readFirstEntry_ = 0;
    // A read starts: no failure, no report, no node content yet.
    void ResetReadState_();
    // Runs read, digesting the tokens it consumes.
    int Digested_(StatementDigest& digest, vovido::FunctionRef<int()> read);
    // The warning (same) or error for a part given again.
    // At `line` where given (a block read ahead reports where it began); a differing repeat fails with
    // `code`.
    void ReportRepeat_(const std::string& owner, const std::string& part, bool same, int line = -1,
                       int code = kOutOfRange);

private:
    struct NodeContent {
        bool declared = false;  // by the file
        bool table = false;
        bool outcomes = false;
        bool skipped = false;
    };
    std::vector<NodeContent> content_;  // by handle
    NodeContent& ContentOf_(int handle);
    int contentNode_ = -1;
    bool inNodeBlock_ = false;
    bool blockSkipped_ = false;
    bool skippedOutside_ = false;
    // Set by a warning: what SkipStatement passes over next was not understood (rather than known and
    // of no use), until the block loop reads the next statement.
    bool skippingUnknown_ = false;
    // The read has ended at a refusal whose cause the network logged: nothing more is read or reported.
    bool stopped_ = false;
    // The current token has been peeked at and is in `token`: peeking again changes nothing.
    bool peeked_ = false;
    // The digests of the statements being read, innermost last.
    std::vector<StatementDigest*> digests_;
};

namespace vovido {

// Names the node whose table the speaker reads for as long as it lives (VRX_textFormat::SetTableOwner).
class TableNumbersOf {
public:
    TableNumbersOf(VRX_textFormat& speaker, std::string nodeId) : speaker_(speaker) {
        speaker_.SetTableOwner(std::move(nodeId));
    }
    ~TableNumbersOf() { speaker_.SetTableOwner(std::string()); }
    TableNumbersOf(const TableNumbersOf&) = delete;
    TableNumbersOf& operator=(const TableNumbersOf&) = delete;

private:
    VRX_textFormat& speaker_;
};

}  // namespace vovido
