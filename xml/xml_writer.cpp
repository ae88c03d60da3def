// The XML writer: start tags with their queued attributes, escaped texts and number lists.
#include "xml/xml_writer.h"

#include "base/number_text.h"
#include "base/string_array.h"
#include "xml/xml_text.h"

using vovido::FormatXmlDouble;
using vovido::kXmlDoubleTextSize;

XmlWriter::XmlWriter() = default;

// A document never closed was not written whole: it does not replace the file.
XmlWriter::~XmlWriter() = default;

bool XmlWriter::Open(const char* fileName) {
    file = nullptr;
    depth = 0;
    if (!output.Open(fileName)) return false;  // a document still open is discarded first
    file = output.Stream();
    Put("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n");
    return true;
}

bool XmlWriter::Close() {
    if (file == nullptr) return false;
    file = nullptr;
    // The document replaces the file only when every byte of it was written.
    if (output.Commit()) return true;
    output.ReportError();
    return false;
}

void XmlWriter::OpenElement(const char* name) {
    WriteStartTag(name, TagEnd::Open);
    ++depth;
}

void XmlWriter::CloseElement(const char* name) {
    --depth;
    for (int i = 0; i < depth; ++i) Put('\t');
    WriteEndTag(name);
}

void XmlWriter::WriteElement(const char* name, const char* text, bool escapeControls) {
    if (text == nullptr) {
        WriteStartTag(name, TagEnd::Empty);
        return;
    }
    WriteStartTag(name, TagEnd::Inline);
    PutEscaped(text, escapeControls ? EscapeMode::TextWithControls : EscapeMode::Text);
    WriteEndTag(name);
}

void XmlWriter::WriteLinesElement(const char* name, const char* text) {
    if (text == nullptr) {
        WriteStartTag(name, TagEnd::Empty);
        return;
    }
    WriteStartTag(name, TagEnd::Inline);
    PutEscaped(text, EscapeMode::Lines);
    WriteEndTag(name);
}

void XmlWriter::AddDoubleAttribute(const char* name, double value) {
    char text[kXmlDoubleTextSize];
    FormatXmlDouble(value, text);
    AddAttribute(name, text);
}

void XmlWriter::AddBoolAttribute(const char* name, bool value) {
    AddAttribute(name, value ? "true" : "false");
}

void XmlWriter::AddIntAttribute(const char* name, int value) {
    std::string text;
    FormatInt(value, text);
    AddAttribute(name, text.c_str());
}

void XmlWriter::AddAttribute(const char* name, const char* value) {
    pendingAttributes.push_back(Attribute{name != nullptr ? name : "", value != nullptr ? value : ""});
}

void XmlWriter::Release() {
    delete this;
}

void XmlWriter::WriteDoubleListElement(const char* name, const double* values, int count,
                                       const char* specialText, double specialValue) {
    WriteStartTag(name, TagEnd::Inline);
    char text[kXmlDoubleTextSize];
    for (int i = 0; i < count; ++i) {
        if (i > 0) Put(' ');
        if (specialText != nullptr && values[i] == specialValue) {
            PutEscaped(specialText, EscapeMode::Text);
        } else {
            Put(text, FormatXmlDouble(values[i], text));
        }
    }
    WriteEndTag(name);
}

void XmlWriter::WriteIdListElement(const char* name, const char* const* texts, int count) {
    WriteStartTag(name, TagEnd::Inline);
    for (int i = 0; i < count; ++i) {
        if (i > 0) Put(' ');
        // Identifiers never need escaping; escaping anyway keeps a bad one from breaking the document.
        if (texts[i] != nullptr) PutEscaped(texts[i], EscapeMode::Text);
    }
    WriteEndTag(name);
}

void XmlWriter::WriteIdListElement(const char* name, const VRX_stringArray& texts) {
    WriteStartTag(name, TagEnd::Inline);
    const int count = texts.GetCount();
    for (int i = 0; i < count; ++i) {
        if (i > 0) Put(' ');
        if (const char* text = texts[i]) PutEscaped(text, EscapeMode::Text);
    }
    WriteEndTag(name);
}

void XmlWriter::WriteStartTag(const char* name, TagEnd end) {
    for (int i = 0; i < depth; ++i) Put('\t');
    Put('<');
    Put(name);
    for (const Attribute& a : pendingAttributes) {
        Put(' ');
        Put(a.name.data(), a.name.size());
        Put("=\"");
        PutEscaped(a.value.c_str(), EscapeMode::Attribute);
        Put('"');
    }
    pendingAttributes.clear();
    switch (end) {
        case TagEnd::Empty:
            Put(" />\n");
            break;
        case TagEnd::Open:
            Put(">\n");
            break;
        case TagEnd::Inline:
            Put('>');
            break;
    }
}

void XmlWriter::WriteEndTag(const char* name) {
    Put("</");
    Put(name);
    Put(">\n");
}

void XmlWriter::Put(const char* text) {
    if (file != nullptr && text != nullptr) std::fputs(text, file);
}

void XmlWriter::Put(const char* text, size_t length) {
    if (file != nullptr && length > 0) std::fwrite(text, 1, length, file);
}

void XmlWriter::Put(char c) {
    if (file != nullptr) std::fputc(c, file);
}

// Control characters are written so that a reader gets them back: XML turns raw tabs and line breaks in
// attribute values into blanks and every raw carriage return into a line feed, so those become
// character references (except where backslash escapes are asked for). The other control characters
// cannot appear in an XML 1.0 document at all, not even as references; they are written as '?'.
void XmlWriter::PutEscaped(const char* text, EscapeMode mode) {
    const char* run = text;
    const char* p = text;
    for (; *p != '\0'; ++p) {
        const char c = *p;
        const char* replacement = nullptr;
        switch (c) {
            case '<':
                replacement = "&lt;";
                break;
            case '>':
                replacement = "&gt;";
                break;
            case '&':
                replacement = "&amp;";
                break;
            case '"':
                replacement = "&quot;";
                break;
            case '\'':
                replacement = "&apos;";
                break;
            case '\t':
                if (mode == EscapeMode::Attribute) replacement = "&#9;";
                if (mode == EscapeMode::TextWithControls || mode == EscapeMode::Lines) replacement = "\\t";
                break;
            case '\n':
                if (mode == EscapeMode::Attribute) replacement = "&#10;";
                if (mode == EscapeMode::TextWithControls) replacement = "\\n";
                // "\n" stands for a carriage return and line feed; a lone line feed is escaped as itself.
                if (mode == EscapeMode::Lines) replacement = p > text && p[-1] == '\r' ? "\\n" : "\\&#10;";
                break;
            case '\r':
                replacement = mode == EscapeMode::TextWithControls ? "" : "&#13;";
                if (mode == EscapeMode::Lines && p[1] == '\n') replacement = "";
                break;
            case '\\':
                if (mode == EscapeMode::TextWithControls || mode == EscapeMode::Lines) replacement = "\\\\";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) replacement = "?";
                break;
        }
        if (replacement == nullptr) continue;
        Put(run, static_cast<size_t>(p - run));
        Put(replacement);
        run = p + 1;
    }
    Put(run, static_cast<size_t>(p - run));
}
