// The XML scanner of the interchange formats reading from a source part by part: the same events as
// from the whole text, whatever the parts' sizes, and texts longer than a piece split without losing
// a byte, an entity or a UTF-8 character.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/xml_tag_scanner.h"

namespace {

using vovido::XmlTagScanner;
using Event = XmlTagScanner::Event;

// Every event as text with its line, adjacent text pieces joined: what a reader of the scanner sees.
std::vector<std::string> Events(XmlTagScanner& scanner) {
    std::vector<std::string> out;
    bool inText = false;
    for (;;) {
        const Event event = scanner.Next();
        const std::string line = "@" + std::to_string(scanner.Line()) + " ";
        if (event == Event::kText && inText) {
            out.back() += scanner.Text();
            continue;
        }
        inText = event == Event::kText;
        if (event == Event::kStart) {
            std::string text = line + "<" + scanner.Name();
            for (const auto& attribute : scanner.Attributes())
                text += " " + attribute.first + "=" + attribute.second;
            out.push_back(text + (scanner.IsSelfClosing() ? "/>" : ">"));
        } else if (event == Event::kEnd) {
            out.push_back(line + "</" + scanner.Name() + ">");
        } else if (event == Event::kText) {
            out.push_back(line + "T" + scanner.Text());
        } else {
            if (event == Event::kError) out.push_back(line + "E" + scanner.ErrorMessage());
            return out;
        }
    }
}

// The text given `part` bytes at a time.
XmlTagScanner::Source PartsOf(const std::string& text, size_t part) {
    return [text, part, at = size_t{0}](std::string& out) mutable {
        if (at >= text.size()) return false;
        out.append(text, at, part);
        at += part;
        return true;
    };
}

TEST(XmlTagScanner, ASourceReadInPartsGivesTheEventsOfTheWholeText) {
    const std::string numbers(3 * XmlTagScanner::kMaxTextPiece, '7');
    const std::vector<std::string> documents = {
        "<?xml version=\"1.0\"?>\n<!DOCTYPE BIF [\n <!ATTLIST A b CDATA \"x>\">\n]>\n<!-- c -->\n"
        "<BIF VERSION=\"0.3\" a='1 &amp; 2'>\n<NAME>x &lt; y \xC3\xA9</NAME><![CDATA[ <raw> ]]>\n"
        "<TABLE>0.25 0.75</TABLE><E/>\n</BIF>\n",
        // A text of several pieces, with an entity and a UTF-8 character where pieces may end.
        "<T>" + numbers + "&amp;\xC3\xA9" + numbers + "</T>",
        "<A><B",
        "<A>text<!-- open",
    };
    for (const std::string& text : documents) {
        XmlTagScanner whole(text);
        const std::vector<std::string> expected = Events(whole);
        for (const size_t part : {size_t{1}, size_t{7}, size_t{65536}}) {
            XmlTagScanner parts(PartsOf(text, part),
                                XmlTagScanner::ReadsAsUtf8(text, XmlTagScanner::IsUtf8(text)));
            const std::vector<std::string> read = Events(parts);
            // Compared event by event, shown short: the texts may be megabytes.
            EXPECT_EQ(read.size(), expected.size()) << text.substr(0, 40) << " in parts of " << part;
            for (size_t i = 0; i < read.size() && i < expected.size(); ++i) {
                EXPECT_TRUE(read[i] == expected[i])
                    << "event " << i << " in parts of " << part << ": " << read[i].substr(0, 60) << " ("
                    << read[i].size() << " bytes) instead of " << expected[i].substr(0, 60) << " ("
                    << expected[i].size() << " bytes)";
            }
        }
    }
}

}  // namespace
