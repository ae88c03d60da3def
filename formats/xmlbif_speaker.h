#pragma once
// XMLBIF 0.3 ("xml03"): the XML interchange format of variables, outcomes and tables. Read with a
// forgiving XML scanner (files of other tools carry DTDs, comments, properties, texts of several words);
// written as well-formed XML with its document type declaration.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "formats/text_format_base.h"
#include "formats/xml_tag_scanner.h"

class VRX_xmlSpeaker : public VRX_textFormat {
public:
    explicit VRX_xmlSpeaker(VRX_network* network);
    ~VRX_xmlSpeaker() override;

    // 0, or the first error: the file cannot be opened or is empty, has no BIF element, another version,
    // is cut short, or holds a variable or definition that could not be read whole (all logged).
    [[nodiscard]] int ReadFile(const char* path) override;
    [[nodiscard]] int ReadText(std::string_view text);
    // kOutOfRange (logged, no file created) for a node that is neither discrete nor a utility table;
    // kFileIoFailed when the file cannot be written.
    [[nodiscard]] int WriteFile(const char* path) override;
    TableText MinimumTableText(int definitionType, int parents) const override;
    // An OUTCOME element on a line of its own.
    int MostOutcomeBytes(int nameLength) const override { return nameLength + 24; }
    TableEntries EntriesWritten() const override { return TableEntries::kProbabilities; }
    [[nodiscard]] int WriteToText(std::string& out);

private:
    // A DEFINITION as read, applied once every variable is known.
    struct Definition {
        int line = 0;
        std::string forName;
        bool hasFor = false;
        std::vector<std::string> given;
        bool hasTable = false;
        std::vector<double> table;
    };

    // Resets what a read holds, reads the document from the scanner and finishes the network.
    [[nodiscard]] int ReadScanned(vovido::XmlTagScanner& scanner);
    [[nodiscard]] int ReadDocument(vovido::XmlTagScanner& scanner);
    [[nodiscard]] int ReadBif(vovido::XmlTagScanner& scanner);
    [[nodiscard]] int ReadNetwork(vovido::XmlTagScanner& scanner);
    [[nodiscard]] int ReadVariable(vovido::XmlTagScanner& scanner);
    [[nodiscard]] int ReadDefinition(vovido::XmlTagScanner& scanner);
    // The text content of a simple element, trimmed; child elements are passed over.
    [[nodiscard]] int ReadSimple(vovido::XmlTagScanner& scanner, std::string& text);
    // The text of the element just started, handed to `piece` as it arrives (elements inside it passed
    // over, the text on both sides running on), until the element ends.
    [[nodiscard]] int ReadElementText(vovido::XmlTagScanner& scanner,
                                      const std::function<int(const std::string&)>& piece);
    // A NAME element of a variable or the network (owner "Node", "Network"): the first sets `name`; one
    // given again is read once with a warning when the same, else refused naming the owner.
    [[nodiscard]] int ReadNameOnce(vovido::XmlTagScanner& scanner, const char* owner, std::string& name,
                                   bool& hasName);
    // Passes over the element just started, with everything in it.
    [[nodiscard]] int SkipElement(vovido::XmlTagScanner& scanner);
    // The children of the element just started, up to its end tag: readChild reads a start tag it knows
    // and returns its result, or kNotThisKeyword for one it does not, which is reported as "ERROR: '%s' : "
    // + unknown (unless it is a PROPERTY or no element name) and skipped. 0 or the first failure.
    [[nodiscard]] int ReadChildren(vovido::XmlTagScanner& scanner, const char* element, const char* unknown,
                                   const std::function<int()>& readChild);
    // The scanner's next event; a start tag that gives an attribute twice is named (the same value read
    // once with a warning, another refused).
    vovido::XmlTagScanner::Event Next(vovido::XmlTagScanner& scanner);
    // The scanner's failure or the end of the input inside an element.
    [[nodiscard]] int ReportScannerEnd(const vovido::XmlTagScanner& scanner, const std::string& element);
    void WarnUnknownElement(const vovido::XmlTagScanner& scanner);
    // The numbers of the TABLE element just started, read piece by piece as the scanner gives its text:
    // a table is never held as text.
    [[nodiscard]] int ReadTable(vovido::XmlTagScanner& scanner, int line, std::vector<double>& out);
    // The numbers of one piece of a table's text; `word` carries a number the piece ends inside.
    [[nodiscard]] int ParseTablePiece(const std::string& text, int line, std::string& word,
                                      std::vector<double>& out);
    [[nodiscard]] int ParseTableWord(std::string& word, int line, std::vector<double>& out);
    // A definition whose node and parents are known is applied as it is read, so that its table is not
    // held until the network ends; one naming a variable not yet read waits for the end.
    bool CanApplyNow(const Definition& definition) const;
    // Applied to the node, which a repeat must match (applied_ keeps a digest of it).
    void ApplyDefinition(const Definition& definition);
    static uint64_t DigestOf(const Definition& definition);
    int FindVariable(const std::string& name) const;

    int Report(int line, int code, const std::string& text);
    // Text beside the elements, which the format has no place for: passed over with a warning.
    void WarnStrayText(const vovido::XmlTagScanner& scanner);
    void Warn(int line, int code, const std::string& text);
    void Warn(int line, int code, const std::string& text, const vovido::NoticeInstance& instance);
    // The warning (same) or error for a part of `owner` given again at `line`.
    void ReportRepeat(int line, const std::string& owner, const std::string& part, bool same);

    [[nodiscard]] int WriteNetwork();
    void WriteSimple(const char* tag, const char* text);
    void WriteVariable(int handle);
    void WriteDefinition(int handle);
    void WriteTableNumbers(const VRX_Dmatrix& table);

    std::unordered_map<std::string, int> variables_;
    std::unordered_map<std::string, std::string> variableSignatures_;  // by name: kind and outcomes
    std::vector<Definition> definitions_;        // waiting for variables read after them
    std::unordered_map<int, uint64_t> applied_;  // by node, the digest of its definition
    std::string networkName_;
    bool hasNetworkName_ = false;
    int networkNameLine_ = 0;  // where the name, which gives the identifier, is read
    // A BIF element without its network is a damaged file, not an empty network.
    bool networkRead_ = false;
};
