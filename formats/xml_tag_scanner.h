#pragma once
// A forgiving scanner of XML text for the interchange formats written by other tools: start and end tags
// with their attributes, and text with its entities resolved. Declarations, processing instructions and
// comments are passed over; an upper-case "<?XML" head, unquoted attribute values and a stray '&' are
// taken as they stand, since files in the wild carry them. Texts come out in ISO-8859-1.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vovido {

class XmlTagScanner {
public:
    enum class Event { kStart, kEnd, kText, kEndOfInput, kError };
    // Appends the next part of the input to `out`; false at the end of the input.
    using Source = std::function<bool(std::string& out)>;
    // A text longer than this comes out of a scanner reading from a source as several kText events in a
    // row, so that what it holds stays bounded however large the text.
    static constexpr size_t kMaxTextPiece = size_t{1} << 20;

    // The text must outlive the scanner.
    explicit XmlTagScanner(std::string_view text);
    // Reads the input part by part, holding what the construct being read needs and no more. utf8: the
    // input's encoding, as ReadsAsUtf8 tells it from the whole input.
    XmlTagScanner(Source source, bool utf8);

    // Whether an input is taken as UTF-8: its head (the first part, with the XML declaration) declares
    // no single-byte set, and every part of it is well-formed UTF-8 (IsUtf8).
    static bool ReadsAsUtf8(std::string_view head, bool wellFormed);
    // Well-formed UTF-8 throughout; a part that ends with a line feed may be checked alone.
    static bool IsUtf8(std::string_view text);

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
    // Reads more of the source, dropping what lies before the construct being read (pos_); false at the
    // end of the input.
    bool More();
    // The end of a text piece that stops at the buffer's end: a partial entity or UTF-8 sequence stays
    // for the next piece.
    size_t PieceEnd(size_t end) const;
    // Reads the tag that starts at pos_, reading more of the source while it is cut by the buffer's end.
    Event ReadTag();
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

    std::string_view input_;  // the text, or the buffer of a source
    Source source_;
    std::string buffer_;
    bool ended_ = true;      // nothing more to read beyond input_
    bool needMore_ = false;  // a tag ran into the buffer's end before the input's
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
