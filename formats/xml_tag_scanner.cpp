// Forgiving XML scanner of the interchange formats: tags, attributes and entity-resolved text.
#include "formats/xml_tag_scanner.h"

#include <cstring>
#include <utility>

#include "xml/xml_text.h"

namespace vovido {

namespace {

inline char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline bool IsNameStart(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':' || u >= 0x80;
}

inline bool IsNameChar(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return IsNameStart(c) || (u >= '0' && u <= '9') || u == '-' || u == '.';
}

// The encoding named by the declaration at the start of the text, lower case; empty when none.
std::string DeclaredEncoding(std::string_view text) {
    if (text.size() < 5 || !XmlTagScanner::SameName(text.substr(0, 5), "<?xml")) return std::string();
    const size_t end = text.find("?>");
    const std::string_view head = text.substr(0, end == std::string_view::npos ? text.size() : end);
    std::string lower(head);
    for (char& c : lower) c = Lower(c);
    const size_t at = lower.find("encoding");
    if (at == std::string::npos) return std::string();
    size_t i = lower.find_first_of("\"'", at);
    if (i == std::string::npos) return std::string();
    const size_t close = lower.find(lower[i], i + 1);
    if (close == std::string::npos) return std::string();
    return lower.substr(i + 1, close - i - 1);
}

}  // namespace

bool XmlTagScanner::SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

// Well-formed UTF-8 throughout (overlong forms are not looked for: they only decode to other bytes).
bool XmlTagScanner::IsUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t follow = 0;
        if (c < 0x80) {
            follow = 0;
        } else if ((c & 0xE0) == 0xC0) {
            follow = 1;
        } else if ((c & 0xF0) == 0xE0) {
            follow = 2;
        } else if ((c & 0xF8) == 0xF0) {
            follow = 3;
        } else {
            return false;
        }
        if (follow > 0 && i + follow >= text.size()) return false;
        for (size_t k = 1; k <= follow; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += follow + 1;
    }
    return true;
}

bool XmlTagScanner::ReadsAsUtf8(std::string_view head, bool wellFormed) {
    const std::string encoding = DeclaredEncoding(head);
    const bool singleByte = encoding.rfind("iso-8859", 0) == 0 || encoding.rfind("latin", 0) == 0 ||
                            encoding.rfind("windows-125", 0) == 0 || encoding.rfind("cp125", 0) == 0 ||
                            encoding == "us-ascii" || encoding == "ascii";
    // Without a declaration XML is UTF-8; a file that is not valid UTF-8 was written in a single-byte set.
    return !singleByte && wellFormed;
}

XmlTagScanner::XmlTagScanner(std::string_view text) : input_(text) {
    utf8_ = ReadsAsUtf8(text, IsUtf8(text));
}

XmlTagScanner::XmlTagScanner(Source source, bool utf8)
    : source_(std::move(source)), ended_(false), utf8_(utf8) {}

bool XmlTagScanner::More() {
    if (ended_) return false;
    buffer_.erase(0, pos_);
    pos_ = 0;
    // A part at a time until a chunk more is held: a source of short lines costs few calls per event.
    constexpr size_t kChunk = size_t{1} << 16;
    const size_t before = buffer_.size();
    while (buffer_.size() - before < kChunk) {
        if (!source_(buffer_)) {
            ended_ = true;
            break;
        }
    }
    input_ = buffer_;
    return buffer_.size() > before;
}

size_t XmlTagScanner::PieceEnd(size_t end) const {
    // An entity is short: a '&' among the last few bytes without its ';' may be cut.
    const size_t from = end > pos_ + 10 ? end - 10 : pos_;
    const size_t amp = input_.substr(from, end - from).rfind('&');
    if (amp != std::string_view::npos &&
        input_.substr(from + amp, end - from - amp).find(';') == std::string_view::npos)
        end = from + amp;
    if (!utf8_) return end;
    // A UTF-8 sequence whose lead byte is among the last three and whose bytes are not all there.
    for (size_t back = 1; back <= 3 && end - back > pos_; ++back) {
        const unsigned char c = static_cast<unsigned char>(input_[end - back]);
        if ((c & 0xC0) == 0x80) continue;
        const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (length > back) end -= back;
        break;
    }
    return end;
}

const std::string* XmlTagScanner::Attribute(const char* name) const {
    for (const auto& attribute : attributes_) {
        if (SameName(attribute.first, name)) return &attribute.second;
    }
    return nullptr;
}

XmlTagScanner::Event XmlTagScanner::Fail(const char* what) {
    error_ = what;
    pos_ = input_.size();
    return Event::kError;
}

void XmlTagScanner::Advance(size_t length) {
    const size_t end = pos_ + length < input_.size() ? pos_ + length : input_.size();
    for (size_t i = pos_; i < end; ++i) {
        if (input_[i] == '\n') ++line_;
    }
    pos_ = end;
}

size_t XmlTagScanner::Find(std::string_view mark) const {
    return input_.find(mark, pos_);
}

bool XmlTagScanner::StartsWith(std::string_view mark) const {
    return input_.substr(pos_, mark.size()) == mark;
}

void XmlTagScanner::SkipBlanks() {
    size_t i = pos_;
    while (i < input_.size() && IsBlank(input_[i])) ++i;
    Advance(i - pos_);
}

void XmlTagScanner::ReadName(std::string& out) {
    size_t i = pos_;
    while (i < input_.size() && IsNameChar(input_[i])) ++i;
    out.assign(input_.substr(pos_, i - pos_));
    Advance(i - pos_);
}

XmlTagScanner::Event XmlTagScanner::Next() {
    // A construct cut by the buffer's end (not the input's) is read again once more of the source is in.
    for (;;) {
        eventLine_ = line_;
        if (pos_ >= input_.size()) {
            if (More()) continue;
            return Event::kEndOfInput;
        }
        if (input_[pos_] != '<') {
            size_t end = input_.find('<', pos_);
            if (end == std::string_view::npos && !ended_) {
                if (input_.size() - pos_ < kMaxTextPiece && More()) continue;
                if (!ended_) end = PieceEnd(input_.size());
            }
            if (end == std::string_view::npos) end = input_.size();
            text_.clear();
            AppendDecoded(input_.substr(pos_, end - pos_), text_);
            FinishText(text_);
            Advance(end - pos_);
            return Event::kText;
        }
        // The longest mark told apart here is "<![CDATA[".
        if (input_.size() - pos_ < 9 && More()) continue;
        if (StartsWith("<!--")) {
            const size_t end = input_.find("-->", pos_ + 4);
            if (end == std::string_view::npos) {
                if (More()) continue;
                return Fail("ERROR: Unexpected End of File in a comment");
            }
            Advance(end + 3 - pos_);
            continue;
        }
        if (StartsWith("<![CDATA[")) {
            const size_t end = input_.find("]]>", pos_ + 9);
            if (end == std::string_view::npos) {
                if (More()) continue;
                return Fail("ERROR: Unexpected End of File in a CDATA section");
            }
            text_.assign(input_.substr(pos_ + 9, end - pos_ - 9));
            FinishText(text_);
            Advance(end + 3 - pos_);
            return Event::kText;
        }
        if (StartsWith("<!")) {
            if (!SkipDeclaration()) {
                if (More()) continue;
                return Fail("ERROR: Unexpected End of File in a declaration");
            }
            continue;
        }
        if (StartsWith("<?")) {
            const size_t end = input_.find("?>", pos_ + 2);
            if (end == std::string_view::npos) {
                if (More()) continue;
                return Fail("ERROR: Unexpected End of File in a declaration");
            }
            Advance(end + 2 - pos_);
            continue;
        }
        if (StartsWith("</") || (pos_ + 1 < input_.size() && IsNameStart(input_[pos_ + 1]))) return ReadTag();
        // A '<' that opens no markup is text; one the input ends with was cut from its tag.
        if (pos_ + 1 >= input_.size()) return Fail("ERROR: Unexpected End of File in a tag");
        text_.assign("<");
        Advance(1);
        return Event::kText;
    }
}

// "<!DOCTYPE ... [ internal subset ]>" and the like: quotes, comments and brackets may hold a '>'.
bool XmlTagScanner::SkipDeclaration() {
    int depth = 0;
    size_t i = pos_ + 2;
    while (i < input_.size()) {
        const char c = input_[i];
        if (c == '"' || c == '\'') {
            const size_t close = input_.find(c, i + 1);
            if (close == std::string_view::npos) return false;
            i = close + 1;
        } else if (input_.compare(i, 4, "<!--") == 0) {
            const size_t close = input_.find("-->", i + 4);
            if (close == std::string_view::npos) return false;
            i = close + 3;
        } else if (c == '[') {
            ++depth;
            ++i;
        } else if (c == ']') {
            if (depth > 0) --depth;
            ++i;
        } else if (c == '>' && depth == 0) {
            Advance(i + 1 - pos_);
            return true;
        } else {
            ++i;
        }
    }
    return false;
}

XmlTagScanner::Event XmlTagScanner::ReadTag() {
    for (;;) {
        const size_t start = pos_;
        const int line = line_;
        const Event event = StartsWith("</") ? ReadEndTag() : ReadStartTag();
        if (!needMore_) return event;
        needMore_ = false;
        pos_ = start;
        line_ = line;
        // Without more input the tag is read to the input's end, where it fails.
        if (!More()) ended_ = true;
    }
}

XmlTagScanner::Event XmlTagScanner::ReadEndTag() {
    Advance(2);
    ReadName(name_);
    const size_t end = input_.find('>', pos_);
    if (end == std::string_view::npos && !ended_) {
        needMore_ = true;
        return Event::kError;
    }
    if (end == std::string_view::npos) return Fail("ERROR: Unexpected End of File in a tag");
    Advance(end + 1 - pos_);
    return Event::kEnd;
}

XmlTagScanner::Event XmlTagScanner::ReadStartTag() {
    Advance(1);
    ReadName(name_);
    attributes_.clear();
    selfClosing_ = false;
    for (;;) {
        SkipBlanks();
        if (pos_ >= input_.size() && !ended_) {
            needMore_ = true;
            return Event::kError;
        }
        if (pos_ >= input_.size()) return Fail("ERROR: Unexpected End of File in a tag");
        const char c = input_[pos_];
        if (c == '>') {
            Advance(1);
            return Event::kStart;
        }
        if (c == '/' && StartsWith("/>")) {
            selfClosing_ = true;
            Advance(2);
            return Event::kStart;
        }
        if (!IsNameStart(c)) {
            Advance(1);  // a stray character inside the tag
            continue;
        }
        std::string attributeName;
        ReadName(attributeName);
        SkipBlanks();
        std::string value;
        if (pos_ < input_.size() && input_[pos_] == '=') {
            Advance(1);
            SkipBlanks();
            if (pos_ >= input_.size() && !ended_) {
                needMore_ = true;
                return Event::kError;
            }
            if (pos_ >= input_.size()) return Fail("ERROR: Unexpected End of File in a tag");
            const char quote = input_[pos_];
            if (quote == '"' || quote == '\'') {
                const size_t close = input_.find(quote, pos_ + 1);
                if (close == std::string_view::npos && !ended_) {
                    needMore_ = true;
                    return Event::kError;
                }
                if (close == std::string_view::npos) return Fail("ERROR: Unexpected End of File in a tag");
                AppendDecoded(input_.substr(pos_ + 1, close - pos_ - 1), value);
                Advance(close + 1 - pos_);
            } else {
                size_t i = pos_;
                while (i < input_.size() && !IsBlank(input_[i]) && input_[i] != '>' &&
                       input_.compare(i, 2, "/>") != 0)
                    ++i;
                AppendDecoded(input_.substr(pos_, i - pos_), value);
                Advance(i - pos_);
            }
            FinishText(value);
        }
        attributes_.emplace_back(std::move(attributeName), std::move(value));
    }
}

void XmlTagScanner::AppendCodePoint(unsigned long code, std::string& out) const {
    if (!utf8_) {
        out.push_back(code <= 0xFF ? static_cast<char>(code) : '?');
        return;
    }
    // Encoded in UTF-8 like the text around it; FinishText brings it to ISO-8859-1.
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back('?');
    }
}

void XmlTagScanner::AppendDecoded(std::string_view raw, std::string& out) const {
    static const struct {
        const char* name;
        char value;
    } kEntities[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    size_t i = 0;
    while (i < raw.size()) {
        const size_t amp = raw.find('&', i);
        if (amp == std::string_view::npos) {
            out.append(raw.substr(i));
            return;
        }
        out.append(raw.substr(i, amp - i));
        // An entity name or number is short, so the ';' is looked for nearby only (text of many '&' stays
        // linear); a '&' that starts none stands for itself.
        const size_t near = raw.substr(amp + 1, 10).find(';');
        const size_t semi = near == std::string_view::npos ? near : amp + 1 + near;
        const std::string_view body =
            semi != std::string_view::npos ? raw.substr(amp + 1, semi - amp - 1) : std::string_view();
        bool resolved = false;
        if (body.size() >= 2 && body[0] == '#') {
            const bool hex = body[1] == 'x' || body[1] == 'X';
            unsigned long code = 0;
            bool digits = body.size() > (hex ? 2u : 1u);
            for (size_t k = hex ? 2 : 1; k < body.size() && digits; ++k) {
                const char c = Lower(body[k]);
                if (c >= '0' && c <= '9') {
                    code = code * (hex ? 16 : 10) + static_cast<unsigned long>(c - '0');
                } else if (hex && c >= 'a' && c <= 'f') {
                    code = code * 16 + static_cast<unsigned long>(c - 'a' + 10);
                } else {
                    digits = false;
                }
            }
            if (digits) {
                AppendCodePoint(code, out);
                resolved = true;
            }
        } else {
            for (const auto& entity : kEntities) {
                if (body == entity.name) {
                    out.push_back(entity.value);
                    resolved = true;
                    break;
                }
            }
        }
        if (resolved) {
            i = semi + 1;
        } else {
            out.push_back('&');
            i = amp + 1;
        }
    }
}

void XmlTagScanner::FinishText(std::string& out) const {
    if (utf8_) Utf8ToLatin1(out);
}

}  // namespace vovido
