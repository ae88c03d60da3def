// The XML reader: Expat's callbacks checked against the bindings and turned into handler calls.
#include "xml/xml_reader.h"

#include "base/error_log.h"

#include <expat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/identifier.h"
#include "base/number_text.h"
#include "base/replacing_file.h"
#include "base/status_codes.h"
#include "xml/xml_text.h"

using vovido::ScanXmlDouble;
using vovido::ScanXmlInt;
using vovido::UnescapeBackslashes;
using vovido::Utf8ToLatin1;

namespace {

using vovido::IsCSpace;

// The first blocks of a file are this size; later ones grow with what was read (see Parse).
constexpr size_t kBlockSize = 4096;
// Blocks stop growing here, far beyond any network file.
constexpr size_t kLargestBlock = size_t{1} << 28;

int ClampToInt(XML_Size value) {
    return value > static_cast<XML_Size>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

std::string CannotOpenXmlText(const std::string& name, int openError) {
    std::string why = "Can't open file " + name;
    if (openError != 0) why += ": " + vovido::SystemErrorText(openError);
    return why;
}

// Closes the file however Parse leaves.
struct FileCloser {
    FILE* file;
    ~FileCloser() {
        if (file != nullptr) std::fclose(file);
    }
};

}  // namespace

// Expat calls these; nothing may unwind through its C frames, so every failure becomes an error of
// the parse.
struct XmlReader::Callbacks {
    static void XMLCALL Start(void* user, const XML_Char* name, const XML_Char** attributes) {
        XmlReader* reader = static_cast<XmlReader*>(user);
        try {
            reader->StartElement(name, attributes);
        } catch (...) {
            Recover(reader);
        }
    }

    static void XMLCALL End(void* user, const XML_Char* /*name*/) {
        XmlReader* reader = static_cast<XmlReader*>(user);
        try {
            reader->EndElement();
        } catch (...) {
            Recover(reader);
        }
    }

    static void XMLCALL Text(void* user, const XML_Char* data, int length) {
        XmlReader* reader = static_cast<XmlReader*>(user);
        try {
            if (length > 0) reader->CharacterData(data, static_cast<size_t>(length));
        } catch (...) {
            Recover(reader);
        }
    }

    // Called from a catch block: names the failure when it can, stops the parse in any case.
    static void Recover(XmlReader* reader) {
        reader->currentAttributes = nullptr;
        reader->Fail();
        try {
            throw;
        } catch (const std::bad_alloc&) {
            ReportQuietly(reader, "Out of memory");
        } catch (...) {
            ReportQuietly(reader, "Unexpected failure of an element handler");
        }
    }

    static void ReportQuietly(XmlReader* reader, const char* message) {
        try {
            reader->ReportError(message);
        } catch (...) {
            // The parse has already been stopped.
        }
    }
};

XmlReader::XmlReader() = default;

XmlReader::~XmlReader() = default;

bool XmlReader::Parse(const char* fileName, IXmlBinding* rootBinding, IXmlErrorHandler* handler) {
    if (parser != nullptr) return false;  // one parse at a time
    errorHandler = handler;
    failed = false;
    depth_ = 0;
    currentAttributes = nullptr;
    const std::string name(vovido::OrEmpty(fileName));

    errno = 0;  // a reason left by an earlier call is not this one's
    FileCloser file{vovido::OpenForReading(fileName)};
    const int openError = errno;
    root = dynamic_cast<XmlBinding*>(rootBinding);
    if (file.file == nullptr || root == nullptr) {
        AbandonParse(file.file == nullptr ? CannotOpenXmlText(name, openError)
                                          : "No root element binding given");
        return false;
    }
    parser = XML_ParserCreate(nullptr);
    if (parser == nullptr) {
        AbandonParse("Out of memory");
        return false;
    }
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, &Callbacks::Start, &Callbacks::End);
    XML_SetCharacterDataHandler(parser, &Callbacks::Text);
    ParseBlocks(file.file, name);
    return EndParse();
}

void XmlReader::AbandonParse(const std::string& why) {
    if (errorHandler != nullptr) errorHandler->OnError(why.c_str(), 0, 0);
    root = nullptr;
    errorHandler = nullptr;
}

// Expat scans a token that spans blocks (a long comment, text or attribute) again from its start with
// every new block, so blocks of a fixed size would make reading such a token quadratic in its length.
// Each block is as large as everything read before it (4 KB, 4 KB, 8 KB, 16 KB, ...), which keeps that
// rescanning, and the whole read, linear in the file's size.
void XmlReader::ParseBlocks(FILE* file, const std::string& name) {
    size_t blockSize = kBlockSize;
    size_t total = 0;
    for (;;) {
        if (static_cast<int64_t>(total) >= maxInputBytes_) {
            // More input than any network file holds (an endless device or pipe): not read on.
            if (std::fgetc(file) == EOF) {
                if (XML_ParseBuffer(parser, 0, XML_TRUE) != XML_STATUS_OK) ReportParserError();
            } else {
                ReportError("File too large");
            }
            break;
        }
        blockSize = static_cast<size_t>(
            std::min<int64_t>(static_cast<int64_t>(blockSize), maxInputBytes_ - static_cast<int64_t>(total)));
        void* block = XML_GetBuffer(parser, static_cast<int>(blockSize));
        if (block == nullptr) {
            ReportError("Out of memory");
            break;
        }
        const size_t n = std::fread(block, 1, blockSize, file);
        if (std::ferror(file) != 0) {
            ReportError(("Can't read file " + name).c_str());
            break;
        }
        const bool last = n < blockSize;
        total += n;
        blockSize = total < kBlockSize ? kBlockSize : (total < kLargestBlock ? total : kLargestBlock);
        if (XML_ParseBuffer(parser, static_cast<int>(n), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
            ReportParserError();
            break;
        }
        if (last || failed) break;
    }
}

bool XmlReader::EndParse() {
    const bool ok = !failed;
    recordings_.clear();
    XML_ParserFree(parser);
    parser = nullptr;
    stack.clear();
    stack.shrink_to_fit();
    depth_ = 0;
    root = nullptr;
    errorHandler = nullptr;
    currentAttributes = nullptr;
    return ok;
}

void XmlReader::Fail() {
    failed = true;
    if (parser != nullptr) {
        XML_SetElementHandler(parser, nullptr, nullptr);
        XML_SetCharacterDataHandler(parser, nullptr);
    }
}

void XmlReader::ReportParserError() {
    ReportError(XML_ErrorString(XML_GetErrorCode(parser)));
}

void XmlReader::ReportError(const char* message) {
    Fail();
    if (errorHandler == nullptr) return;
    int line = 0;
    int column = 0;
    GetPosition(line, column);
    errorHandler->OnError(vovido::OrEmpty(message), line, column);
}

void XmlReader::GetPosition(int& line, int& column) const {
    if (parser == nullptr) {
        line = 0;
        column = 0;
        return;
    }
    line = ClampToInt(XML_GetCurrentLineNumber(parser));
    column = ClampToInt(XML_GetCurrentColumnNumber(parser));
}

const std::string& XmlReader::GetText() const {
    return depth_ > 0 ? stack[depth_ - 1].text : emptyText_;
}

void XmlReader::GetUnescapedText(std::string& out) const {
    UnescapeBackslashes(GetText(), out);
}

const char* XmlReader::FindAttribute(const char* name) const {
    if (currentAttributes == nullptr || name == nullptr) return nullptr;
    for (const char** a = currentAttributes; a[0] != nullptr; a += 2) {
        if (std::strcmp(a[0], name) == 0) return a[1];
    }
    return nullptr;
}

bool XmlReader::GetDoubleAttribute(const char* name, double& out, double defaultValue) {
    const char* value = FindAttribute(name);
    if (value == nullptr) {
        out = defaultValue;
        return true;
    }
    const char* end = ScanXmlDouble(value, out);
    if (out != 0.0 || *end == '\0') return true;
    ReportError(
        (std::string("Floating point value expected for attribute '") + vovido::OrEmpty(name) + "'").c_str());
    return false;
}

bool XmlReader::GetIntAttribute(const char* name, int& out, int defaultValue) {
    const char* value = FindAttribute(name);
    if (value == nullptr) {
        out = defaultValue;
        return true;
    }
    // Read whole: "3e9" is no 3, "12abc" no 12. An empty value has always read as 0.
    if (ParseWholeNumber(value, out) == kSuccess || *value == '\0') return true;
    ReportError((std::string("Integer value expected for attribute '") + vovido::OrEmpty(name) + "': '" +
                 value + "' : " + kWholeNumberExpected)
                    .c_str());
    return false;
}

bool XmlReader::GetBoolAttribute(const char* name, bool& out, bool defaultValue) {
    const char* value = FindAttribute(name);
    if (value == nullptr) {
        out = defaultValue;
        return true;
    }
    if (std::strcmp(value, "true") == 0) {
        out = true;
        return true;
    }
    if (std::strcmp(value, "false") == 0) {
        out = false;
        return true;
    }
    ReportError((std::string("'true' or 'false' expected as value of boolean attribute '") +
                 vovido::OrEmpty(name) + "'")
                    .c_str());
    return false;
}

void XmlReader::GetAttribute(const char* name, std::string& out) const {
    const char* value = FindAttribute(name);
    out.assign(vovido::OrEmpty(value));
    Utf8ToLatin1(out);
}

bool vovido::ReportRepeatedPart(IXmlReader& reader, const std::string& owner, const std::string& part,
                                bool same) {
    if (!same) {
        reader.ReportError((owner + " has more than one " + part).c_str());
        return false;
    }
    int line = 0;
    int column = 0;
    reader.GetPosition(line, column);
    const std::string text = "ERROR: " + owner + " : its " + part + " is repeated unchanged, read once";
    LogError(errorLog, kOutOfRange, text.c_str(), ("(line " + std::to_string(line) + ") : ").c_str());
    return true;
}

void XmlReader::RecordElement(bool skip) {
    // The element's frame is pushed after its start handler returns.
    recordings_.push_back({depth_ + 1, skip, false, std::string()});
    std::string& text = recordings_.back().text;
    text.assign("<").append(vovido::OrEmpty(currentName_));
    for (const char** a = currentAttributes; a != nullptr && a[0] != nullptr; a += 2)
        text.append(" ").append(a[0]).append("=\"").append(a[1]).append("\"");
    text.append(">");
}

void XmlReader::AppendRecordTag(const char* name, const char** attributes) {
    for (Recording& recording : recordings_) {
        recording.blank = false;
        recording.text.append("<").append(name);
        for (const char** a = attributes; a[0] != nullptr; a += 2)
            recording.text.append(" ").append(a[0]).append("=\"").append(a[1]).append("\"");
        recording.text.append(">");
    }
}

void XmlReader::AppendRecordText(Recording& recording, const char* data, size_t length) {
    // Blanks between tags and at either end of a text do not count; a run inside a text counts as one.
    for (size_t i = 0; i < length; ++i) {
        if (IsCSpace(data[i])) {
            recording.blank = true;
            continue;
        }
        if (recording.blank && recording.text.back() != '>') recording.text.push_back(' ');
        recording.blank = false;
        recording.text.push_back(data[i]);
    }
}

IXmlBinding* XmlReader::CreateBinding(IXmlHandler* handler, const char* name, int flags) {
    return new XmlBinding(handler, name, flags);
}

void XmlReader::Release() {
    delete this;
}

bool XmlReader::CheckVersion(const char* found, const char* expected) {
    double foundNumber = 0.0;
    double expectedNumber = 0.0;
    ScanXmlDouble(vovido::OrEmpty(found), foundNumber);
    ScanXmlDouble(vovido::OrEmpty(expected), expectedNumber);
    if (!(foundNumber > expectedNumber)) return true;
    std::string message("Invalid version number '");
    message.append(vovido::OrEmpty(found))
        .append("', expected ")
        .append(vovido::OrEmpty(expected))
        .append("\n");
    message.append(kXmlDownloadHint);
    ReportError(message.c_str());
    return false;
}

void XmlReader::PushFrame(XmlBinding* binding, int flags) {
    if (depth_ == stack.size()) stack.emplace_back();
    Frame& frame = stack[depth_];
    frame.binding = binding;
    frame.flags = binding != nullptr ? flags : 0;
    frame.text.clear();
    frame.seenChildren.assign(binding != nullptr ? binding->GetChildren().size() : 0, 0);
    ++depth_;
}

bool XmlReader::CheckAttributes(const XmlBinding& binding, const char* element, const char** attributes,
                                int flags) {
    for (const XmlBinding::AttributeEntry& declared : binding.GetAttributes()) {
        if (!declared.required) continue;
        bool present = false;
        for (const char** a = attributes; a[0] != nullptr && !present; a += 2) {
            present = declared.name == a[0];
        }
        if (!present) {
            ReportError(("Required attribute '" + declared.name + "' not found in element '" + element + "'")
                            .c_str());
            return false;
        }
    }
    for (const char** a = attributes; a[0] != nullptr; a += 2) {
        if (binding.DeclaresAttribute(a[0])) continue;
        if ((flags & IXmlBinding::StrictAttributes) != 0) {
            ReportError(
                (std::string("Unknown attribute '") + a[0] + "' in element '" + element + "'").c_str());
            return false;
        }
        if (errorHandler != nullptr) {
            int line = 0;
            int column = 0;
            GetPosition(line, column);
            errorHandler->OnUnknownAttribute(element, a[0], line, column);
        }
    }
    return true;
}

void XmlReader::StartElement(const char* name, const char** attributes) {
    if (!recordings_.empty()) {
        AppendRecordTag(name, attributes);
        if (recordings_.back().skip) {
            PushFrame(nullptr, 0);
            return;
        }
    }
    XmlBinding* binding;
    int parentFlags = IXmlBinding::StrictAttributes | IXmlBinding::StrictElements;
    if (depth_ == 0) {
        if (root->GetName() != name) {
            ReportError(
                ("Unknown root element '" + std::string(name) + "', expected '" + root->GetName() + "'")
                    .c_str());
            return;
        }
        binding = root;
    } else {
        Frame& parent = stack[depth_ - 1];
        if (parent.binding == nullptr) {
            PushFrame(nullptr, 0);
            return;
        }
        const int index = parent.binding->FindChild(name);
        if (index < 0) {
            if ((parent.flags & IXmlBinding::StrictElements) != 0) {
                ReportError(
                    ("Unknown element '" + std::string(name) + "' in '" + parent.binding->GetName() + "'")
                        .c_str());
                return;
            }
            if (errorHandler != nullptr) {
                int line = 0;
                int column = 0;
                GetPosition(line, column);
                errorHandler->OnUnknownElement(name, parent.binding->GetName().c_str(), line, column);
            }
            PushFrame(nullptr, 0);
            return;
        }
        const XmlBinding::ChildEntry& entry = parent.binding->GetChildren()[static_cast<size_t>(index)];
        char& seen = parent.seenChildren[static_cast<size_t>(entry.firstOfName)];
        if (seen != 0 && (entry.occurrence & IXmlBinding::ZeroOrMore) == 0) {
            ReportError(("Multiple occurences of '" + std::string(name) + "' not allowed in '" +
                         parent.binding->GetName() + "'")
                            .c_str());
            return;
        }
        seen = 1;
        binding = entry.child;
        parentFlags = parent.flags;
    }

    const int flags =
        binding->GetFlags() == IXmlBinding::InheritStrictness ? parentFlags : binding->GetFlags();
    if (!CheckAttributes(*binding, name, attributes, flags)) return;
    if (IXmlHandler* handler = binding->GetHandler()) {
        currentAttributes = attributes;
        currentName_ = name;
        handler->OnStartElement(this);
        currentAttributes = nullptr;
        currentName_ = nullptr;
    }
    if (failed) return;
    PushFrame(binding, flags);
}

void XmlReader::CharacterData(const char* data, size_t length) {
    if (depth_ == 0) return;
    for (Recording& recording : recordings_) AppendRecordText(recording, data, length);
    Frame& frame = stack[depth_ - 1];
    if (frame.binding == nullptr) return;  // the text of a skipped element is dropped
    IXmlHandler* handler = frame.binding->GetHandler();
    if (handler == nullptr || !handler->WantsText()) {
        frame.text.append(data, length);
        return;
    }
    size_t i = 0;
    if (frame.text.empty()) {
        while (i < length && IsCSpace(data[i])) ++i;
    }
    while (i < length) {
        size_t j = i;
        while (j < length && !IsCSpace(data[j])) ++j;
        frame.text.append(data + i, j - i);
        if (j == length) return;  // the word may go on in the next piece
        if (!frame.text.empty()) {
            Utf8ToLatin1(frame.text);
            handler->OnText(this);
            if (failed) return;
            frame.text.clear();
        }
        while (j < length && IsCSpace(data[j])) ++j;
        i = j;
    }
}

void XmlReader::EndElement() {
    if (depth_ == 0) return;
    Frame& frame = stack[depth_ - 1];
    for (Recording& recording : recordings_) {
        recording.blank = false;
        recording.text.append("</>");
    }
    // A skipped element's content was never looked at: nothing it lacks is reported.
    bool skippedContent = false;
    if (!recordings_.empty() && recordings_.back().depth == depth_) {
        skippedContent = recordings_.back().skip;
        recorded_.swap(recordings_.back().text);
        recordings_.pop_back();
    }
    if (frame.binding != nullptr) {
        Utf8ToLatin1(frame.text);
        if (IXmlHandler* handler = frame.binding->GetHandler()) {
            if (handler->WantsText() && !frame.text.empty()) handler->OnText(this);
            if (!failed) handler->OnEndElement(this);
        }
        if (!failed && !skippedContent) {
            for (const XmlBinding::ChildEntry& entry : frame.binding->GetChildren()) {
                if ((entry.occurrence & IXmlBinding::Required) == 0) continue;
                if (frame.seenChildren[static_cast<size_t>(entry.firstOfName)] != 0) continue;
                ReportError(("Required element '" + entry.child->GetName() + "' not present in element '" +
                             frame.binding->GetName() + "'")
                                .c_str());
                break;
            }
        }
    }
    --depth_;
}
