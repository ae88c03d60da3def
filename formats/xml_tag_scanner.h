#pragma once
// A forgiving scanner of XML text for the interchange formats written by other tools: start and end tags
// with their attributes, and text with its entities resolved. Declarations, processing instructions and
// comments are passed over; an upper-case "<?XML" head, unquoted attribute values and a stray '&' are
// taken as they stand, since files in the wild carry them. Texts come out in ISO-8859-1.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vovido {

class XmlTagScanner {
public:
    enum class Event { kStart, kEnd, kText, kEndOfInput, kError };

    // The text must outlive the scanner.
    explicit XmlTagScanner(std::string_view text);

    // The next event; kError (with ErrorMessage) when a markup construct is left open at the end.
    Event Next();

    // Of the last kStart or kEnd.
    const std::string& Name() const { return name_; }
    // Of the last kStart: "<NAME ... />".
    bool IsSelfClosing() const { return selfClosing_; }
    // Attribute of the last kStart, its name compared without regard to case; null when absent.
    const std::string* Attribute(const char* name) const;
    const std::vector<std::pair<std::string, std::string>>& Attributes() const { return attributes_; }
    // Of the last kText.
    const std::string& Text() const { return text_; }
    // Line on which the last event began, counted from 1.
    int Line() const { return eventLine_; }
    const std::string& ErrorMessage() const { return error_; }

    // Case-insensitive comparison of tag and attribute names (ASCII).
    static bool SameName(std::string_view a, std::string_view b);

private:
    Event Fail(const char* what);
    // Moves past `length` characters, counting lines.
    void Advance(size_t length);
    // Position of `mark` at or after pos_, npos when absent.
    size_t Find(std::string_view mark) const;
    bool StartsWith(std::string_view mark) const;
    Event ReadStartTag();
    Event ReadEndTag();
    bool SkipDeclaration();
    void ReadName(std::string& out);
    void SkipBlanks();
    // Appends raw text with its entities resolved, in the document's encoding.
    void AppendDecoded(std::string_view raw, std::string& out) const;
    void AppendCodePoint(unsigned long code, std::string& out) const;
    // Converts a finished text from UTF-8 when the document is in UTF-8.
    void FinishText(std::string& out) const;

    std::string_view input_;
    size_t pos_ = 0;
    int line_ = 1;
    int eventLine_ = 1;
    bool utf8_ = true;
    std::string name_;
    bool selfClosing_ = false;
    std::vector<std::pair<std::string, std::string>> attributes_;
    std::string text_;
    std::string error_;
};

}  // namespace vovido
