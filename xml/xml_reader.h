#pragma once
// Grammar-driven XML reader over Expat: checks elements and attributes against a tree of bindings,
// collects text whole or word by word, and hands 8-bit ISO-8859-1 text to the handlers.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/size_limits.h"
#include "xml/xml_binding.h"
#include "xml/xml_error_handler.h"

struct XML_ParserStruct;

class IXmlReader {
public:
    // Parses the whole file against the root binding; true when it was read to the end without any
    // error. Errors and warnings go to the error handler, which may be null.
    virtual bool Parse(const char* fileName, IXmlBinding* root, IXmlErrorHandler* errorHandler) = 0;
    // Reports the message with the current position and stops the parse.
    virtual void ReportError(const char* message) = 0;
    // Line counted from 1, column from 0.
    virtual void GetPosition(int& line, int& column) const = 0;
    // Text of the innermost open element (meaningful in OnText and OnEndElement).
    virtual const std::string& GetText() const = 0;
    // GetText with backslash escapes resolved.
    virtual void GetUnescapedText(std::string& out) const = 0;
    // Typed getters, for OnStartElement only. An absent attribute gives the default and true; a bad
    // value reports an error (stopping the parse) and gives false.
    virtual bool GetDoubleAttribute(const char* name, double& out, double defaultValue) = 0;
    virtual bool GetIntAttribute(const char* name, int& out, int defaultValue) = 0;
    virtual bool GetBoolAttribute(const char* name, bool& out, bool defaultValue) = 0;
    // The value in ISO-8859-1; empty when the attribute is absent.
    virtual void GetAttribute(const char* name, std::string& out) const = 0;
    // For OnStartElement: the element is recorded until it ends, as a text that two elements of the same
    // name, attributes and content share (runs of blanks count as one); RecordedElement hands it out in its
    // OnEndElement. With `skip`, nothing inside it reaches a handler (its own end still does). Elements
    // inside a recorded one may be recorded as well.
    virtual void RecordElement(bool skip) = 0;
    virtual const std::string& RecordedElement() const = 0;
    // A new binding that the caller owns (destroyed with its Release).
    virtual IXmlBinding* CreateBinding(IXmlHandler* handler, const char* name, int flags) = 0;
    virtual void Release() = 0;
    virtual ~IXmlReader() = default;
};

namespace vovido {
// A part of `owner` the file gives again ("Node [A]", "'node' element in the extension"): when `same`, a
// warning that it is read once, and true; otherwise the parse stops with the refusal naming both, and
// false.
bool ReportRepeatedPart(IXmlReader& reader, const std::string& owner, const std::string& part, bool same);
}  // namespace vovido

class XmlReader : public IXmlReader {
public:
    XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;
    ~XmlReader() override;

    bool Parse(const char* fileName, IXmlBinding* rootBinding, IXmlErrorHandler* handler) override;
    void ReportError(const char* message) override;
    void GetPosition(int& line, int& column) const override;
    const std::string& GetText() const override;
    void GetUnescapedText(std::string& out) const override;
    bool GetDoubleAttribute(const char* name, double& out, double defaultValue) override;
    bool GetIntAttribute(const char* name, int& out, int defaultValue) override;
    bool GetBoolAttribute(const char* name, bool& out, bool defaultValue) override;
    void GetAttribute(const char* name, std::string& out) const override;
    void RecordElement(bool skip) override;
    const std::string& RecordedElement() const override { return recorded_; }
    IXmlBinding* CreateBinding(IXmlHandler* handler, const char* name, int flags) override;
    void Release() override;

    // False, after reporting "Invalid version number ...", when the found version is a greater number
    // than the expected one; an empty or non-numeric text counts as 0 and passes.
    bool CheckVersion(const char* found, const char* expected);

    // A lower bound on the bytes one parse reads (0 keeps the default, the engine's input limit).
    void SetInputLimit(int64_t maxInputBytes) {
        maxInputBytes_ = maxInputBytes > 0 ? maxInputBytes : kMaxInputBytes;
    }

private:
    void ReportParserError();
    // A parse refused before it began: the reason to the handler, which is then let go.
    void AbandonParse(const std::string& why);
    // Feeds the file to the parser block by block until its end, an error or the input limit.
    void ParseBlocks(FILE* file, const std::string& name);
    // Frees the parser and the parse's state: true when nothing failed.
    bool EndParse();

    int64_t maxInputBytes_ = kMaxInputBytes;
    struct Frame {
        XmlBinding* binding;             // null while an unknown element is skipped
        std::vector<char> seenChildren;  // per child entry (by firstOfName): met at least once
        std::string text;                // raw UTF-8 until handed out
        int flags;                       // effective strictness
    };
    struct Callbacks;
    friend struct Callbacks;

    void StartElement(const char* name, const char** attributes);
    void EndElement();
    void CharacterData(const char* data, size_t length);
    // Pushes a frame, reusing the storage of earlier ones.
    void PushFrame(XmlBinding* binding, int flags);
    bool CheckAttributes(const XmlBinding& binding, const char* element, const char** attributes, int flags);
    const char* FindAttribute(const char* name) const;
    // Stops the handlers and the reading of further blocks.
    void Fail();

    // The open elements are stack[0, depth_), innermost last; frames above keep their storage for reuse.
    std::vector<Frame> stack;
    size_t depth_ = 0;
    XmlBinding* root = nullptr;
    const char** currentAttributes = nullptr;
    const char* currentName_ = nullptr;  // of the element whose start is being handled
    // The elements being recorded, innermost last, and the record of the one that ended last.
    struct Recording {
        size_t depth;  // of the element's frame
        bool skip;
        bool blank;  // blanks met since the last character recorded
        std::string text;
    };
    std::vector<Recording> recordings_;
    std::string recorded_;
    static void AppendRecordText(Recording& recording, const char* data, size_t length);
    void AppendRecordTag(const char* name, const char** attributes);
    XML_ParserStruct* parser = nullptr;  // the Expat parser of the running Parse
    bool failed = false;
    IXmlErrorHandler* errorHandler = nullptr;
    std::string emptyText_;
};
