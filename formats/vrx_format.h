#pragma once
// The system's own text network format ("vrx"): its keyword tables and the speaker that writes a whole
// network in it and reads it back.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/text_format_base.h"

class VRX_case;
class VRX_doubleArray;
class VRX_documentation;
class VRX_extraDefinition;
class VRX_header;
class VRX_intArray;
class VRX_node;
class VRX_nodeDefinition;
class VRX_noisyAdder;
class VRX_noisyMAX;
class VRX_rectangle;
class VRX_screenInfo;
class VRX_stringArray;
class VRX_submodel;
class VRX_userProperties;

namespace VrxFormat {
// Fields of the net block that belong to the network's records.
extern const char* const kNetFields[];
extern const char* const kNodeStatements[];
extern const char* const kSubmodelStatements[];

// Written where an identifier is missing; each reads back as an identifier.
constexpr char kUnnamedNetwork[] = "Unnamed_Network";
constexpr char kUnnamedSubmodel[] = "Unnamed_Submodel";
constexpr char kUnnamedNode[] = "Unnamed_Node";
constexpr char kUnknownParentSubmodel[] = "Unknown_Parent";
constexpr char kUnknownParentNode[] = "UnknownParent";
// Ends a line broken inside a quoted text; the analyser joins the pieces again.
constexpr char kContinuation[] = "\\ ";
}  // namespace VrxFormat

class VRX_vrxSpeaker : public VRX_textFormat {
public:
    explicit VRX_vrxSpeaker(VRX_network* network);
    ~VRX_vrxSpeaker() override;

    // 0 after a read, also when bad statements were logged and skipped. Failures: the file cannot be
    // opened or is empty, it does not start with "net ID {", or it ends before the net block is closed.
    [[nodiscard]] int ReadFile(const char* path) override;
    // kOutOfRange (logged, no file created) when a node's kind has no statements in this format;
    // kFileIoFailed when the file cannot be written.
    [[nodiscard]] int WriteFile(const char* path) override;
    TableText MinimumTableText(int definitionType, int parents) const override;
    // The name in a wrapped list, and the statements of the diagnostic extra definition that list every
    // outcome.
    int MostOutcomeBytes(int nameLength) const override { return nameLength + nameLength / 4 + 64; }
    // The same on texts in memory.
    [[nodiscard]] int ReadText(std::string_view text);
    [[nodiscard]] int WriteToText(std::string& out);
    // kOutOfRange with a logged message naming the first node whose definition this format cannot represent.
    [[nodiscard]] int CheckWritable();

    [[nodiscard]] int ReadSectionStart(const char* name) override;
    // Takes the words the writer gives numbers without digits (inf, -inf, nan) as well as numbers.
    [[nodiscard]] int ReadDoubleList(VRX_doubleArray& list) override;
    // Remembers a net block left open by the end of the input.
    [[nodiscard]] int ReadSectionEnd() override;
    int WriteSectionStart(const char* name) override;
    void SetContinuation() override;
    void ClearContinuation() override;

protected:
    // The read after the input was opened (openResult), shared by file and text reading.
    [[nodiscard]] int ReadOpened(int openResult);
    // Logs "ERROR: '<current token>' : " and the text with kSyntaxError; returns kSyntaxError.
    int ReportUnknown(const char* what);
    // The same for a statement whose word the format does not know: logged as a warning, since passing
    // over it loses nothing the format holds, unless the word opens a block of the format (a block out
    // of place, whose contents would be lost): then an error.
    int ReportUnknownStatement(const char* what);
    // The same where nodes are declared: only a "word = value" setting stays a warning.
    int ReportUnknownNetStatement();
    // A table statement's result; on success the current node has its table from the file.
    int TableRead(int result);
    // A table the definition refused: the message names the node and both counts when they differ.
    int ReportTableSet(int result, const VRX_doubleArray& values);
    // A value of a display setting that this version does not know: "ERROR: '%s' : Unknown Value,
    // ignored" as a warning, the setting being left as it was.
    void ReportUnknownValue();
    // The current word opens a block somewhere in the format.
    virtual bool IsBlockWord() const;
    // After the last block: anything still in the input is reported (it would be lost). Then the
    // read's result: kUnexpectedEndOfFile for a block left open, else its first error, else 0.
    int FinishRead();
    // KEY = : kNotThisKeyword when the current token is not the Identifier key (nothing consumed).
    [[nodiscard]] int ReadKeyAndEquals(const char* key);
    // Lists whose size equals their item count, so that no setter takes spare room for items.
    [[nodiscard]] int ReadNumbers(VRX_doubleArray& out);
    // An Integer or Real Number token, or inf, nan with an optional sign: kSyntaxError without a message when
    // none stands there, kSyntaxError reported when a sign is followed by anything else.
    [[nodiscard]] int ReadWrittenNumber(double& value);
    [[nodiscard]] int ReadInts(VRX_intArray& out);
    [[nodiscard]] int ReadIds(VRX_stringArray& out);
    [[nodiscard]] int ReadStrings(VRX_stringArray& out);
    // The network's identifier is given to it once the nodes are read: while reading, the network
    // holds a reserved one, so that no identifier of the file collides with it. One a submodel holds
    // is made unique with a number; a node may hold it too.
    void HoldNetworkId(const std::string& id);
    void ApplyNetworkId();
    // How messages name the network being read.
    std::string NetworkOwner() const { return "Network [" + networkId_ + "]"; }
    // "ERROR: End of File" while a block of the net is open makes the read fail.
    bool truncated_ = false;
    std::string networkId_;
    int networkIdLine_ = 0;  // where the file gives it

    bool noisyOr = false;
    bool noisyAnd = false;
    int stateDocIndex = 0;
    // The node's parent arcs, which wait for its table.
    PendingArcs parentArcs_;

private:
    // Reading.
    [[nodiscard]] int ReadNetBlock();
    [[nodiscard]] int ReadNetStatement();
    [[nodiscard]] int ReadNetField();
    // NUMSAMPLES = count; (a count of 0 keeps the default, with a warning).
    [[nodiscard]] int ReadSampleCountField();
    // deferredId: the network's header, whose identifier is applied at the end of the read.
    [[nodiscard]] int ReadHeaderSection(const char* name, VRX_header& header, const std::string& owner,
                                        std::string* deferredId = nullptr);
    [[nodiscard]] int ReadCreationSection();
    // path: the sections the rectangle is in, itself last ("SCREEN POSITION").
    [[nodiscard]] int ReadRectangleSection(const char* name, VRX_rectangle& rectangle,
                                           const std::string& owner, const std::string& path);
    [[nodiscard]] int ReadScreenSection(VRX_screenInfo& screen, const std::string& owner);
    [[nodiscard]] int ReadUserPropertiesSection(VRX_userProperties& properties, const std::string& owner);
    [[nodiscard]] int ReadDocumentationSection(VRX_documentation& documentation);
    [[nodiscard]] int ReadDocumentationStatement(VRX_documentation& documentation);
    [[nodiscard]] int ReadScreenComment(int submodelHandle);
    [[nodiscard]] int ReadSubmodelFields(VRX_submodel& submodel, int submodelHandle,
                                         const std::string& owner);
    [[nodiscard]] int ReadSubmodelBlock();
    [[nodiscard]] int ReadNodeBlock();
    [[nodiscard]] int ReadNodeStatement();
    // A section of a node's statements, each word once.
    [[nodiscard]] int ReadNodeSection(const std::function<int()>& readStatement);
    [[nodiscard]] int ReadNodeType();
    [[nodiscard]] int ReadParents();
    [[nodiscard]] int ReadDefinitionStatement();
    [[nodiscard]] int ReadProbabilities(VRX_nodeDefinition& definition);
    [[nodiscard]] int ConvertNoisyAnd(VRX_nodeDefinition& definition, const VRX_doubleArray& values);
    [[nodiscard]] int ReadStrengths(VRX_nodeDefinition& definition);
    [[nodiscard]] int ReadCastStatement(VRX_nodeDefinition& definition);
    [[nodiscard]] int ReadDemorganOrAdderStatement(VRX_nodeDefinition& definition);
    [[nodiscard]] int ReadExtraStatement();
    [[nodiscard]] int ReadExtraSetting(VRX_extraDefinition& extra);
    [[nodiscard]] int ReadExtraOutcomeLists(VRX_extraDefinition& extra, int perOutcome);
    [[nodiscard]] int ReadCostSection();
    [[nodiscard]] int ReadCostBlock(NodeParts& seen);
    [[nodiscard]] int ReadCostStatements(int handle, const std::string& id);
    // A saved case is read whole before it goes into the network.
    struct PendingEvidence;
    struct PendingCase;
    [[nodiscard]] int ReadCaseSection();
    [[nodiscard]] int ReadCaseStatement(PendingCase& pending);
    [[nodiscard]] int ReadCaseEvidence(PendingCase& pending, NodeParts& seen);
    [[nodiscard]] int ReadCaseEvidenceStatement(PendingEvidence& entry);
    [[nodiscard]] int StoreCase(const PendingCase& pending);
    // The node's handle, or the failure code after "ERROR: Couldn't Find Node".
    int FindCaseNode(const std::string& id);
    void StoreCaseEvidence(VRX_case& made, const PendingEvidence& entry);
    VRX_node* CurrentNode() const;

    // Writing.
    [[nodiscard]] int WriteNetwork();
    void WriteBlockStart(const char* keyword, const char* id);
    void WriteHeader(const VRX_header& header);
    void WriteRectangle(const char* name, const VRX_rectangle& rectangle);
    void WriteScreen(const VRX_screenInfo& screen);
    void WriteSubmodelFields(const VRX_submodel& submodel);
    void WriteUserProperties(const VRX_userProperties& properties);
    void WriteDocumentation(const VRX_documentation& documentation);
    void WriteQuotedPairs(const char* name, const VRX_documentation& documentation);
    void WriteNode(int handle);
    void WriteDefinition(VRX_nodeDefinition& definition);
    void WriteOutcomeNames(VRX_nodeDefinition& definition);
    void WriteDefinitionTable(const char* key, VRX_nodeDefinition& definition);
    void WriteNoisyMaxParameters(VRX_noisyMAX& noisyMax);
    void WriteNoisyAdderParameters(VRX_noisyAdder& adder);
    void WriteExtraDefinition(VRX_extraDefinition& extra, int outcomes);
    void WriteCosts(int handle);
    void WriteCase(const VRX_case& savedCase);
    void WriteRawField(const char* key, const char* text);
    void WriteNumberField(const char* key, double value, bool quoted);
    const char* NodeIdOr(int handle, const char* fallback) const;

    // Ends the output begun by WriteFile or WriteToText: the writer's own failure first, else the output's.
    [[nodiscard]] int FinishNetworkOutput(int written);

    int currentNode_ = -2;
    // The nodes whose observation costs were read.
    NodeParts costsSeen_;
    bool typeSet_ = false;
};
