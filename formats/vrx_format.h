#pragma once
// The system's own text network format ("vrx"): its keyword tables and the speaker that writes a whole
// network in it and reads it back.

#include <string>
#include <string_view>

#include "formats/text_format_base.h"

class VRX_case;
class VRX_doubleArray;
class VRX_documentation;
class VRX_extraDefinition;
class VRX_header;
class VRX_intArray;
class VRX_node;
class VRX_nodeDefinition;
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
    int ReadFile(const char* path) override;
    // -2 (logged, no file created) when a node's kind has no statements in this format; -103 when the
    // file cannot be written.
    int WriteFile(const char* path) override;
    // The same on texts in memory.
    int ReadText(std::string_view text);
    int WriteToText(std::string& out);
    // -2 with a logged message naming the first node whose definition this format cannot represent.
    int CheckWritable();

    int ReadSectionStart(const char* name) override;
    // Takes the words the writer gives numbers without digits (inf, -inf, nan) as well as numbers.
    int ReadDoubleList(VRX_doubleArray& list) override;
    // Remembers a net block left open by the end of the input.
    int ReadSectionEnd() override;
    int WriteSectionStart(const char* name) override;
    void SetContinuation() override;
    void ClearContinuation() override;

protected:
    // The read after the input was opened (openResult), shared by file and text reading.
    int ReadOpened(int openResult);
    // Logs "ERROR: '<current token>' : " and the text with -127; returns -127.
    int ReportUnknown(const char* what);
    int ReportMessage(int code, const std::string& text) { return ReportError(code, text.c_str()); }
    // KEY = : -129 when the current token is not the Identifier key (nothing consumed).
    int ReadKeyAndEquals(const char* key);
    // Lists whose size equals their item count, so that no setter takes spare room for items.
    int ReadNumbers(VRX_doubleArray& out);
    // An Integer or Real Number token, or inf, nan with an optional sign: -127 without a message when
    // none stands there, -127 reported when a sign is followed by anything else.
    int ReadWrittenNumber(double& value);
    int ReadInts(VRX_intArray& out);
    int ReadIds(VRX_stringArray& out);
    int ReadStrings(VRX_stringArray& out);
    // The network's identifier is given to it once the nodes are read: while reading, the network
    // holds a reserved one, so that no identifier of the file collides with it. A taken identifier is
    // made unique with a number.
    void HoldNetworkId(const std::string& id);
    void ApplyNetworkId();
    // "ERROR: End of File" while a block of the net is open makes the read fail.
    bool truncated_ = false;
    std::string networkId_;

    bool noisyOr = false;
    bool noisyAnd = false;
    int stateDocIndex = 0;

private:
    // Reading.
    int ReadNetBlock();
    int ReadNetStatement();
    int ReadNetField();
    // deferredId: the network's header, whose identifier is applied at the end of the read.
    int ReadHeaderSection(const char* name, VRX_header& header, std::string* deferredId = nullptr);
    int ReadCreationSection();
    int ReadRectangleSection(const char* name, VRX_rectangle& rectangle);
    int ReadScreenSection(VRX_screenInfo& screen);
    int ReadUserPropertiesSection(VRX_userProperties& properties);
    int ReadDocumentationSection(VRX_documentation& documentation);
    int ReadDocumentationStatement(VRX_documentation& documentation);
    int ReadScreenComment(int submodelHandle);
    int ReadSubmodelFields(VRX_submodel& submodel, int submodelHandle);
    int ReadSubmodelBlock();
    int ReadNodeBlock();
    int ReadNodeStatement();
    int ReadNodeType();
    int ReadParents();
    int ReadDefinitionStatement();
    int ReadProbabilities(VRX_nodeDefinition& definition);
    int ConvertNoisyAnd(VRX_nodeDefinition& definition, const VRX_doubleArray& values);
    int ReadStrengths(VRX_nodeDefinition& definition);
    int ReadCastStatement(VRX_nodeDefinition& definition);
    int ReadDemorganOrAdderStatement(VRX_nodeDefinition& definition);
    int ReadExtraStatement();
    int ReadCostSection();
    int ReadCostBlock();
    int ReadCaseSection();
    VRX_node* CurrentNode() const;

    // Writing.
    int WriteNetwork();
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
    void WriteExtraDefinition(VRX_extraDefinition& extra, int outcomes);
    void WriteCosts(int handle);
    void WriteCase(const VRX_case& savedCase);
    void WriteRawField(const char* key, const char* text);
    void WriteNumberField(const char* key, double value, bool quoted);
    const char* NodeIdOr(int handle, const char* fallback) const;

    int currentNode_ = -2;
    bool typeSet_ = false;
};
