#pragma once
// XMLBIF 0.3 ("xml03"): the XML interchange format of variables, outcomes and tables. Read with a
// forgiving XML scanner (files of other tools carry DTDs, comments, properties, texts of several words);
// written as well-formed XML with its document type declaration.

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
        bool operator==(const Definition& other) const {
            return given == other.given && hasTable == other.hasTable && table == other.table;
        }
    };

    [[nodiscard]] int ReadDocument(std::string_view text);
    [[nodiscard]] int ReadBif(vovido::XmlTagScanner& scanner);
    [[nodiscard]] int ReadNetwork(vovido::XmlTagScanner& scanner);
    [[nodiscard]] int ReadVariable(vovido::XmlTagScanner& scanner);
    [[nodiscard]] int ReadDefinition(vovido::XmlTagScanner& scanner);
    // The text content of a simple element, trimmed; child elements are passed over.
    [[nodiscard]] int ReadSimple(vovido::XmlTagScanner& scanner, std::string& text);
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
    [[nodiscard]] int ParseTable(const std::string& text, int line, std::vector<double>& out);
    // applied: the definition applied to each node so far, which a repeat must match.
    void ApplyDefinition(const Definition& definition, std::unordered_map<int, const Definition*>& applied);
    int FindVariable(const std::string& name) const;

    int Report(int line, int code, const std::string& text);
    // Text beside the elements, which the format has no place for: passed over with a warning.
    void WarnStrayText(const vovido::XmlTagScanner& scanner);
    void Warn(int line, int code, const std::string& text);
    void Warn(int line, int code, const std::string& text, const vovido::NoticeInstance& instance);

    [[nodiscard]] int WriteNetwork();
    void WriteSimple(const char* tag, const char* text);
    void WriteVariable(int handle);
    void WriteDefinition(int handle);
    void WriteTableNumbers(const VRX_Dmatrix& table);

    std::unordered_map<std::string, int> variables_;
    std::unordered_map<std::string, std::string> variableSignatures_;  // by name: kind and outcomes
    std::vector<Definition> definitions_;
    std::string networkName_;
    bool hasNetworkName_ = false;
    // A BIF element without its network is a damaged file, not an empty network.
    bool networkRead_ = false;
};
