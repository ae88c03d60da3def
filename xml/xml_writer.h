#pragma once
// XML writer: one element per line, a tab of indentation per level, attributes queued before the start
// tag they belong to, numbers in a locale-independent text that reads back exactly.

#include <cstdio>
#include <string>
#include <vector>

#include "base/replacing_file.h"

class VRX_stringArray;

class IXmlWriter {
public:
    // Starts a document: the file and the XML declaration. False when the file cannot be opened. A
    // document still open is abandoned (its file keeps its old content).
    virtual bool Open(const char* fileName) = 0;
    // Ends the document. False when no file is open or when anything failed to reach the file; an
    // existing file is replaced only on success and keeps its old content otherwise.
    virtual bool Close() = 0;
    virtual void OpenElement(const char* name) = 0;
    virtual void CloseElement(const char* name) = 0;
    // A whole element on one line; a null text gives an empty element "<name />". With escapeControls,
    // tab, line feed and backslash are written as backslash escapes and carriage returns dropped.
    virtual void WriteElement(const char* name, const char* text, bool escapeControls) = 0;
    // A text of the diagram, whose line breaks the engine keeps as carriage return and line feed: written
    // as WriteElement with escapeControls, except that a lone line feed is a backslash before a line
    // feed and a lone carriage return a character reference, so that the text reads back as written.
    virtual void WriteLinesElement(const char* name, const char* text) = 0;
    virtual void AddDoubleAttribute(const char* name, double value) = 0;
    virtual void AddBoolAttribute(const char* name, bool value) = 0;
    virtual void AddIntAttribute(const char* name, int value) = 0;
    virtual void AddAttribute(const char* name, const char* value) = 0;
    virtual void Release() = 0;
    virtual ~IXmlWriter() = default;
};

// Writer of extra content inside the network file's "extensions" element.
class IXmlWriterExtension {
public:
    virtual void Write(IXmlWriter* writer) = 0;
    virtual void Release() = 0;
    virtual ~IXmlWriterExtension() = default;
};

class XmlWriter : public IXmlWriter {
public:
    XmlWriter();
    XmlWriter(const XmlWriter&) = delete;
    XmlWriter& operator=(const XmlWriter&) = delete;
    // A document left open is discarded: the file keeps its old content.
    ~XmlWriter() override;

    bool Open(const char* fileName) override;
    bool Close() override;
    void OpenElement(const char* name) override;
    void CloseElement(const char* name) override;
    void WriteElement(const char* name, const char* text, bool escapeControls) override;
    void WriteLinesElement(const char* name, const char* text) override;
    void AddDoubleAttribute(const char* name, double value) override;
    void AddBoolAttribute(const char* name, bool value) override;
    void AddIntAttribute(const char* name, int value) override;
    void AddAttribute(const char* name, const char* value) override;
    void Release() override;

    // One line: the values separated by blanks; with a special text, a value equal to specialValue is
    // written as that text.
    void WriteDoubleListElement(const char* name, const double* values, int count, const char* specialText,
                                double specialValue);
    // One line: the texts separated by blanks (null entries are written empty).
    void WriteIdListElement(const char* name, const char* const* texts, int count);
    void WriteIdListElement(const char* name, const VRX_stringArray& texts);

    int GetDepth() const { return depth; }

private:
    struct Attribute {
        std::string name;
        std::string value;
    };
    enum class TagEnd { Empty, Open, Inline };

    void WriteStartTag(const char* name, TagEnd end);
    void WriteEndTag(const char* name);
    void Put(const char* text);
    void Put(const char* text, size_t length);
    void Put(char c);
    // Writes text with the five entities; see the definition for control characters.
    enum class EscapeMode { Attribute, Text, TextWithControls, Lines };
    void PutEscaped(const char* text, EscapeMode mode);

    vovido::ReplacingFile output;
    FILE* file = nullptr;  // output's stream while a document is open
    std::vector<Attribute> pendingAttributes;
    int depth = 0;
};
