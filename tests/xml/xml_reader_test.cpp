// XML reader: grammar checks with their exact messages and positions, text collection whole and by
// words, typed attribute getters, 8-bit conversion, version check, malformed input and handler aborts.
#include "xml/xml_reader.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "tests/support/error_log.h"
#include "tests/support/temp_file.h"
#include "tests/support/xml_test_support.h"

namespace {

using vovido::test::Grammar;
using vovido::test::RecordingErrorHandler;
using vovido::test::RecordingHandler;
using vovido::test::TempFile;

using Events = std::vector<std::string>;

class XmlReaderTest : public vovido::test::FreshLogTest<> {
protected:
    bool Parse(const std::string& content, IXmlBinding* root) {
        file.Write(content);
        return reader.Parse(file.c_str(), root, &errors);
    }

    // root "root" (flags given) with an optional child "a" carrying the occurrence code.
    IXmlBinding* RootWithChild(int occurrence, int rootFlags = 0) {
        IXmlBinding* root = grammar.Bind(grammar.Handler(events, "root", false), "root", rootFlags);
        IXmlBinding* a =
            grammar.Bind(grammar.Handler(events, "a", false), "a", IXmlBinding::InheritStrictness);
        root->AddChild(a, occurrence);
        return root;
    }

    // Reads attribute `name` of <r> through the getter for each case: the result, and the message of a
    // refused value; then the default for a missing attribute.
    template <typename T, typename Getter>
    void ExpectNumberAttributes(const char* name, Getter get, T fallback,
                                const std::vector<std::tuple<const char*, bool, T>>& cases,
                                const std::string& refusal) {
        RecordingHandler& handler = grammar.Handler(events, "r", false);
        IXmlBinding* root = grammar.Bind(handler, "r", 0);
        root->AddAttribute(name, false);
        for (const auto& [value, accepted, result] : cases) {
            errors.entries.clear();
            bool ok = true;
            T out = T(-1);
            handler.onStart = [&](IXmlReader* r) { ok = get(r, out); };
            EXPECT_EQ(Parse(std::string("<r ") + name + "=\"" + value + "\"/>", root), accepted) << value;
            EXPECT_EQ(ok, accepted) << value;
            EXPECT_EQ(out, result) << value;
            if (!accepted) {
                std::string expected = refusal;
                const size_t at = expected.find("{}");
                if (at != std::string::npos) expected.replace(at, 2, value);
                EXPECT_EQ(errors.entries, Events({expected}));
            }
        }
        T out = T(-1);
        handler.onStart = [&](IXmlReader* r) { EXPECT_TRUE(get(r, out)); };
        EXPECT_TRUE(Parse("<r/>", root));
        EXPECT_EQ(out, fallback);
    }

    XmlReader reader;
    Grammar grammar{reader};
    Events events;
    RecordingErrorHandler errors;
    TempFile file{".xml"};
};

TEST_F(XmlReaderTest, MissingFileIsReportedAtZeroZero) {
    IXmlBinding* root = RootWithChild(IXmlBinding::Optional);
    const std::string path = file.path();  // never written
    EXPECT_FALSE(reader.Parse(path.c_str(), root, &errors));
    ASSERT_EQ(errors.entries.size(), 1u);
    EXPECT_EQ(errors.entries[0], "error 0,0: Can't open file " + path + ": No such file or directory");

    XmlErrorHandler logger(path.c_str());
    EXPECT_FALSE(reader.Parse(path.c_str(), root, &logger));
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetCode(0), kFileIoFailed);
    EXPECT_EQ(
        std::string(errorLog.GetMessage(0)),
        "Error at 0, 0 while loading " + path + ": Can't open file " + path + ": No such file or directory");

    // Without a handler the failure is silent.
    EXPECT_FALSE(reader.Parse(path.c_str(), root, nullptr));
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 1);
}

TEST_F(XmlReaderTest, RootElementMustMatch) {
    IXmlBinding* root = RootWithChild(IXmlBinding::Optional);
    EXPECT_FALSE(Parse("<?xml version=\"1.0\"?>\n<tarvo><a/></tarvo>", root));
    EXPECT_EQ(errors.entries, Events({"error 2,0: Unknown root element 'tarvo', expected 'root'"}));
    EXPECT_TRUE(events.empty());
}

TEST_F(XmlReaderTest, HandlersRunInDocumentOrder) {
    IXmlBinding* root = RootWithChild(IXmlBinding::ZeroOrMore);
    EXPECT_TRUE(Parse("<root>x<a>1</a><a/>y</root>", root));
    EXPECT_EQ(events, Events({"start root", "start a", "end a [1]", "start a", "end a []", "end root [xy]"}));
    EXPECT_TRUE(errors.entries.empty());
}

TEST_F(XmlReaderTest, RepeatedChildNeedsTheRepeatableBit) {
    const std::string twice = "<root>\n<a/>\n<a/>\n</root>";
    for (int code : {IXmlBinding::Optional, IXmlBinding::Required}) {
        XmlReader r;
        Grammar g(r);
        Events ev;
        IXmlBinding* root = g.Bind(g.Handler(ev, "root", false), "root", 0);
        root->AddChild(g.Bind(g.Handler(ev, "a", false), "a", 4), code);
        RecordingErrorHandler errs;
        file.Write(twice);
        EXPECT_FALSE(r.Parse(file.c_str(), root, &errs)) << code;
        EXPECT_EQ(errs.entries, Events({"error 3,0: Multiple occurences of 'a' not allowed in 'root'"}))
            << code;
        // The second element never reached its handler, nor did anything after it.
        EXPECT_EQ(ev, Events({"start root", "start a", "end a []"})) << code;
    }
    for (int code : {IXmlBinding::ZeroOrMore, IXmlBinding::OneOrMore}) {
        XmlReader r;
        Grammar g(r);
        Events ev;
        IXmlBinding* root = g.Bind(g.Handler(ev, "root", false), "root", 0);
        root->AddChild(g.Bind(g.Handler(ev, "a", false), "a", 4), code);
        RecordingErrorHandler errs;
        file.Write(twice);
        EXPECT_TRUE(r.Parse(file.c_str(), root, &errs)) << code;
        EXPECT_TRUE(errs.entries.empty()) << code;
    }
}

TEST_F(XmlReaderTest, MissingRequiredChildIsReportedAfterTheParentsEndHandler) {
    IXmlBinding* root = grammar.Bind(grammar.Handler(events, "root", false), "root", 0);
    root->AddChild(grammar.Bind(grammar.Handler(events, "opt", false), "opt", 4), IXmlBinding::Optional);
    root->AddChild(grammar.Bind(grammar.Handler(events, "b", false), "b", 4), IXmlBinding::OneOrMore);
    root->AddChild(grammar.Bind(grammar.Handler(events, "c", false), "c", 4), IXmlBinding::Required);
    EXPECT_FALSE(Parse("<root>\n  <opt/>\n</root>", root));
    // The first missing one in declaration order is named, at the end tag.
    EXPECT_EQ(errors.entries, Events({"error 3,0: Required element 'b' not present in element 'root'"}));
    EXPECT_EQ(events.back(), "end root [\n  \n]");

    errors.entries.clear();
    EXPECT_FALSE(Parse("<root><b/><b/></root>", root));
    EXPECT_EQ(errors.entries, Events({"error 1,14: Required element 'c' not present in element 'root'"}));
    errors.entries.clear();
    EXPECT_TRUE(Parse("<root><c/><b/></root>", root));
    EXPECT_TRUE(errors.entries.empty());
}

TEST_F(XmlReaderTest, UnknownElementIsSkippedWithOneWarning) {
    IXmlBinding* root = grammar.Bind(grammar.Handler(events, "root", true), "root", 0);
    root->AddChild(grammar.Bind(grammar.Handler(events, "a", false), "a", 4), IXmlBinding::ZeroOrMore);
    EXPECT_TRUE(Parse("<root>w1\n <x p=\"1\">skipped <a>inner</a><y q=\"2\"/></x> w2</root>", root));
    EXPECT_EQ(errors.entries, Events({"element x in root at 2,1"}));
    // The last word is still the text when the element ends.
    EXPECT_EQ(events, Events({"start root", "word root [w1]", "word root [w2]", "end root [w2]"}));
}

TEST_F(XmlReaderTest, StrictElementsMakeUnknownElementsErrors) {
    IXmlBinding* root = RootWithChild(IXmlBinding::ZeroOrMore, IXmlBinding::StrictElements);
    EXPECT_FALSE(Parse("<root><a><x/></a></root>", root));
    // "a" inherits the root's strictness.
    EXPECT_EQ(errors.entries, Events({"error 1,9: Unknown element 'x' in 'a'"}));

    errors.entries.clear();
    EXPECT_FALSE(Parse("<root><z/></root>", root));
    EXPECT_EQ(errors.entries, Events({"error 1,6: Unknown element 'z' in 'root'"}));
}

TEST_F(XmlReaderTest, RootThatInheritsIsStrict) {
    IXmlBinding* root =
        grammar.Bind(grammar.Handler(events, "root", false), "root", IXmlBinding::InheritStrictness);
    EXPECT_FALSE(Parse("<root><z/></root>", root));
    EXPECT_EQ(errors.entries, Events({"error 1,6: Unknown element 'z' in 'root'"}));
    errors.entries.clear();
    EXPECT_FALSE(Parse("<root k=\"v\"/>", root));
    EXPECT_EQ(errors.entries, Events({"error 1,0: Unknown attribute 'k' in element 'root'"}));
}

TEST_F(XmlReaderTest, AttributeChecks) {
    IXmlBinding* root = RootWithChild(IXmlBinding::ZeroOrMore);
    IXmlBinding* strict =
        grammar.Bind(grammar.Handler(events, "s", false), "s", IXmlBinding::StrictAttributes);
    root->AddChild(strict, IXmlBinding::ZeroOrMore);
    strict->AddAttribute("opt", false);
    strict->AddAttribute("id", true);
    strict->AddAttribute("name", true);

    // The first required attribute missing, in declaration order; the element's handler does not run.
    EXPECT_FALSE(Parse("<root>\n<s opt=\"1\"/></root>", root));
    EXPECT_EQ(errors.entries, Events({"error 2,0: Required attribute 'id' not found in element 's'"}));
    EXPECT_EQ(events, Events({"start root"}));

    errors.entries.clear();
    EXPECT_FALSE(Parse("<root><s id=\"1\" name=\"n\" color=\"red\"/></root>", root));
    EXPECT_EQ(errors.entries, Events({"error 1,6: Unknown attribute 'color' in element 's'"}));

    // Without StrictAttributes: one warning per unknown attribute, and the element is handled.
    errors.entries.clear();
    events.clear();
    EXPECT_TRUE(Parse("<root u=\"1\" v=\"2\"><a w=\"3\"/></root>", root));
    EXPECT_EQ(errors.entries, Events({"attribute u of root at 1,0", "attribute v of root at 1,0",
                                      "attribute w of a at 1,18"}));
    EXPECT_EQ(events.size(), 4u);
}

TEST_F(XmlReaderTest, WarningsAndErrorsAreLoggedWithLocation) {
    IXmlBinding* root = RootWithChild(IXmlBinding::Optional);
    file.Write("<root extra=\"1\">\n  <b/>\n  <a/><a/>\n</root>");
    XmlErrorHandler logger(file.c_str());
    EXPECT_FALSE(reader.Parse(file.c_str(), root, &logger));
    const std::string where = " while loading " + file.path();
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 3);
    EXPECT_EQ(errorLog.GetCode(0), kUnknownContentWarning);
    EXPECT_EQ(errorLog.GetMessage(0), "Warning: Ignored unknown attribute 'extra' in 'root' at 1, 0" + where);
    EXPECT_EQ(errorLog.GetCode(1), kUnknownContentWarning);
    EXPECT_EQ(errorLog.GetMessage(1), "Warning: Ignored unknown element 'b' at 2, 2" + where);
    EXPECT_EQ(errorLog.GetCode(2), kFileIoFailed);
    EXPECT_EQ(errorLog.GetMessage(2),
              "Error at 3, 6" + where + ": Multiple occurences of 'a' not allowed in 'root'");

    EXPECT_TRUE(logger.UnknownContentSeen());
    logger.ReportUnknownContent();
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 4);
    EXPECT_EQ(errorLog.GetCode(3), kUnknownContentWarning);
    EXPECT_EQ(errorLog.GetMessage(3), std::string("File contains unknown elements and/or attributes. ") +
                                          "Please download most recent version of TARVO/Cavro from:\n" +
                                          "https://www.vovido.org/download");

    XmlErrorHandler quiet(file.c_str());
    quiet.ReportUnknownContent();
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 4);
}

TEST_F(XmlReaderTest, WordsAreCutAtWhitespace) {
    IXmlBinding* root = grammar.Bind(grammar.Handler(events, "p", true), "p", 0);
    EXPECT_TRUE(Parse("<p>  0.1 0.9\n 0.0 </p>", root));
    EXPECT_EQ(events, Events({"start p", "word p [0.1]", "word p [0.9]", "word p [0.0]", "end p []"}));
    events.clear();
    EXPECT_TRUE(Parse("<p>0.1 0.9\n 0.0</p>", root));
    EXPECT_EQ(events, Events({"start p", "word p [0.1]", "word p [0.9]", "word p [0.0]", "end p [0.0]"}));

    // Character references arrive as pieces of their own, splitting words and whitespace runs.
    events.clear();
    EXPECT_TRUE(Parse("<p>&#32; 0.&#49;&#32;0&#46;9&#10;&#32;0.0</p>", root));
    EXPECT_EQ(events, Events({"start p", "word p [0.1]", "word p [0.9]", "word p [0.0]", "end p [0.0]"}));
}

TEST_F(XmlReaderTest, WordsSurviveBlockBoundaries) {
    IXmlBinding* root = grammar.Bind(grammar.Handler(events, "p", true), "p", 0);
    // The 4096-byte block boundary falls at every position inside "12345 678".
    for (size_t shift = 0; shift < 10; ++shift) {
        events.clear();
        const std::string head = "<p>";
        std::string doc = head + std::string(4096 - head.size() - 5 + shift, ' ') + "12345 678 </p>";
        EXPECT_TRUE(Parse(doc, root)) << shift;
        EXPECT_EQ(events, Events({"start p", "word p [12345]", "word p [678]", "end p []"})) << shift;
    }
}

// Later blocks grow with what was read (boundaries at 4 KB, 8 KB, 16 KB, ...): words cut by any of
// them still arrive whole and in order, and a comment of megabytes is read once, not block by block.
TEST_F(XmlReaderTest, WordsSurviveGrowingBlocksAndLongTokens) {
    IXmlBinding* root = grammar.Bind(grammar.Handler(events, "p", true), "p", 0);
    std::string doc = "<!--" + std::string(3 << 20, 'x') + "--><p> ";
    std::vector<std::string> expected = {"start p"};
    for (int i = 0; doc.size() < (5u << 20); ++i) {
        const std::string word = std::to_string(10000000 + i);  // 8 characters, then a blank: 9
        doc += word + " ";
        expected.push_back("word p [" + word + "]");
    }
    doc += "</p>";
    expected.push_back("end p []");
    EXPECT_TRUE(Parse(doc, root));
    EXPECT_TRUE(events == expected) << events.size() << " events, " << expected.size() << " expected";
}

TEST_F(XmlReaderTest, WholeTextIsKeptUnchanged) {
    IXmlBinding* root = grammar.Bind(grammar.Handler(events, "p", false), "p", 0);
    EXPECT_TRUE(Parse("<p>  0.1 0.9\n 0.0 </p>", root));
    EXPECT_EQ(events, Events({"start p", "end p [  0.1 0.9\n 0.0 ]"}));
}

TEST_F(XmlReaderTest, LongNamesValuesAndTexts) {
    const std::string name(5000, 'n');
    const std::string value(100000, 'v');
    const std::string text(300000, 't');
    RecordingHandler& handler = grammar.Handler(events, "big", false);
    IXmlBinding* root = grammar.Bind(handler, name.c_str(), 0);
    root->AddAttribute("attr", true);
    std::string seenValue;
    handler.onStart = [&](IXmlReader* r) { r->GetAttribute("attr", seenValue); };
    std::string seenText;
    handler.onEnd = [&](IXmlReader* r) { seenText = r->GetText(); };
    EXPECT_TRUE(Parse("<" + name + " attr=\"" + value + "\">" + text + "</" + name + ">", root));
    EXPECT_EQ(seenValue, value);
    EXPECT_EQ(seenText, text);
}

TEST_F(XmlReaderTest, FileOfWholeBlocksEndsWithAnEmptyBlock) {
    IXmlBinding* root = grammar.Bind(grammar.Handler(events, "r", false), "r", 0);
    const std::string doc = "<r>" + std::string(2 * 4096 - 7, 'x') + "</r>";
    ASSERT_EQ(doc.size(), 2u * 4096);
    EXPECT_TRUE(Parse(doc, root));
    EXPECT_TRUE(errors.entries.empty());
    ASSERT_EQ(events.size(), 2u);
}

// Input beyond the limit (an endless pipe, say) is refused; a file of exactly the limit still reads.
TEST_F(XmlReaderTest, InputBeyondTheLimitIsRefused) {
    IXmlBinding* root = grammar.Bind(grammar.Handler(events, "r", false), "r", 0);
    const std::string doc = "<r><!--" + std::string(10000, 'x') + "--></r>";
    reader.SetInputLimit(static_cast<int64_t>(doc.size()));
    EXPECT_TRUE(Parse(doc, root));
    EXPECT_TRUE(errors.entries.empty());
    reader.SetInputLimit(static_cast<int64_t>(doc.size()) - 1);
    EXPECT_FALSE(Parse(doc, root));
    ASSERT_EQ(errors.entries.size(), 1u);
    EXPECT_NE(errors.entries[0].find(": File too large"), std::string::npos) << errors.entries[0];
}

TEST_F(XmlReaderTest, SharedBindingAndDeepNesting) {
    // "n" is its own child: a grammar graph with a cycle, nested 20000 deep.
    RecordingHandler& handler = grammar.Handler(events, "n", false);
    IXmlBinding* n = grammar.Bind(handler, "n", 0);
    n->AddChild(n, IXmlBinding::Optional);
    int starts = 0;
    handler.onStart = [&](IXmlReader*) { ++starts; };
    std::string doc;
    for (int i = 0; i < 20000; ++i) doc += "<n>";
    for (int i = 0; i < 20000; ++i) doc += "</n>";
    events.reserve(40000);
    EXPECT_TRUE(Parse(doc, n));
    EXPECT_EQ(starts, 20000);
}

TEST_F(XmlReaderTest, IntAttributes) {
    ExpectNumberAttributes<int>(
        "n", [](IXmlReader* r, int& out) { return r->GetIntAttribute("n", out, 5); }, 5,
        {{"42", true, 42},
         {"-7", true, -7},
         {" +3", true, 3},
         {"", true, 0},
         {"0", true, 0},
         {"1e5", true, 100000},
         {"3.0", true, 3},
         // Read whole or refused: no number is read up to what follows it, none saturates.
         {"12abc", false, 0},
         {"abc", false, 0},
         {"0x", false, 0},
         {"99999999999", false, 0},
         {"3e9", false, 0},
         {"1e308", false, 0},
         {"3.9", false, 0}},
        "error 1,0: Integer value expected for attribute 'n': '{}' : Whole number expected, from "
        "-2147483648 to 2147483647");
}

TEST_F(XmlReaderTest, DoubleAttributes) {
    ExpectNumberAttributes<double>(
        "d", [](IXmlReader* r, double& out) { return r->GetDoubleAttribute("d", out, 9.5); }, 9.5,
        {{"0.25", true, 0.25},
         {"-1e3", true, -1000.0},
         {"0.5e", true, 0.5},
         {"2x", true, 2.0},
         {"", true, 0.0},
         {"0.0", true, 0.0},
         {"x", false, 0.0},
         {"0q", false, 0.0},
         {"NA", false, 0.0}},
        "error 1,0: Floating point value expected for attribute 'd'");
}

TEST_F(XmlReaderTest, BoolAttributes) {
    RecordingHandler& handler = grammar.Handler(events, "r", false);
    IXmlBinding* root = grammar.Bind(handler, "r", 0);
    root->AddAttribute("b", false);
    bool out = false;
    bool ok = false;
    handler.onStart = [&](IXmlReader* r) { ok = r->GetBoolAttribute("b", out, false); };
    EXPECT_TRUE(Parse("<r b=\"true\"/>", root));
    EXPECT_TRUE(ok && out);
    handler.onStart = [&](IXmlReader* r) { ok = r->GetBoolAttribute("b", out, true); };
    EXPECT_TRUE(Parse("<r b=\"false\"/>", root));
    EXPECT_TRUE(ok && !out);
    EXPECT_TRUE(Parse("<r/>", root));
    EXPECT_TRUE(ok && out);

    out = false;
    EXPECT_FALSE(Parse("<r b=\"True\"/>", root));
    EXPECT_FALSE(ok);
    EXPECT_FALSE(out);  // unchanged
    EXPECT_EQ(errors.entries,
              Events({"error 1,0: 'true' or 'false' expected as value of boolean attribute 'b'"}));
}

TEST_F(XmlReaderTest, GettersOutsideOnStartElementSeeNoAttributes) {
    RecordingHandler& handler = grammar.Handler(events, "r", false);
    IXmlBinding* root = grammar.Bind(handler, "r", 0);
    std::string value = "old";
    handler.onStart = [&](IXmlReader* r) { r->GetAttribute("missing", value); };
    int n = 0;
    handler.onEnd = [&](IXmlReader* r) { EXPECT_TRUE(r->GetIntAttribute("k", n, 4)); };
    EXPECT_TRUE(Parse("<r k=\"1\"/>", root));
    EXPECT_EQ(value, "");
    EXPECT_EQ(n, 4);  // no attributes outside OnStartElement
}

TEST_F(XmlReaderTest, TextReachesHandlersAsLatin1) {
    RecordingHandler& handler = grammar.Handler(events, "r", false);
    IXmlBinding* root = grammar.Bind(handler, "r", 0);
    std::string attribute;
    handler.onStart = [&](IXmlReader* r) { r->GetAttribute("a", attribute); };
    EXPECT_TRUE(Parse("<r a=\"caf&#233; &#8364;\">&#233;t&#233; &#x20AC;&#x1F600;</r>", root));
    EXPECT_EQ(attribute, "caf\xE9 ?");
    EXPECT_EQ(events.back(), "end r [\xE9t\xE9 ??]");

    // A document in ISO-8859-1 gives its bytes back unchanged.
    events.clear();
    EXPECT_TRUE(Parse("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r a=\"\xE9\xFF\">\xC0\xE9</r>", root));
    EXPECT_EQ(attribute, "\xE9\xFF");
    EXPECT_EQ(events.back(), "end r [\xC0\xE9]");
}

TEST_F(XmlReaderTest, UnescapedText) {
    RecordingHandler& handler = grammar.Handler(events, "r", false);
    IXmlBinding* root = grammar.Bind(handler, "r", 0);
    std::string out = "stale";
    handler.onEnd = [&](IXmlReader* r) { r->GetUnescapedText(out); };
    EXPECT_TRUE(Parse("<r>a\\nb\\tc\\\\d\\qe\\</r>", root));
    EXPECT_EQ(out, "a\nb\tc\\dqe\\");
}

TEST_F(XmlReaderTest, CheckVersion) {
    RecordingHandler& handler = grammar.Handler(events, "r", false);
    IXmlBinding* root = grammar.Bind(handler, "r", 0);
    std::vector<bool> results;
    handler.onStart = [&](IXmlReader* r) {
        for (const char* found : {"1.0", "0.9", "", "abc", "1", "1.1"}) {
            results.push_back(static_cast<XmlReader*>(r)->CheckVersion(found, "1.0"));
        }
    };
    EXPECT_FALSE(Parse("<r/>", root));
    EXPECT_EQ(results, std::vector<bool>({true, true, true, true, true, false}));
    EXPECT_EQ(
        errors.entries,
        Events(
            {"error 1,0: Invalid version number '1.1', expected 1.0\n"
             "Please download most recent version of TARVO/Cavro from:\nhttps://www.vovido.org/download"}));
}

TEST_F(XmlReaderTest, ReportErrorStopsEverythingAfterIt) {
    IXmlBinding* root = RootWithChild(IXmlBinding::ZeroOrMore);
    RecordingHandler& bHandler = grammar.Handler(events, "b", true);
    IXmlBinding* b = grammar.Bind(bHandler, "b", 4);
    root->AddChild(b, IXmlBinding::ZeroOrMore);
    bHandler.onText = [](IXmlReader* r) {
        if (r->GetText() == "stop") r->ReportError("Can't read list of integers, failed at element 2");
    };
    EXPECT_FALSE(Parse("<root><b>1 stop 3</b><a/></root>", root));
    EXPECT_EQ(errors.entries, Events({"error 1,9: Can't read list of integers, failed at element 2"}));
    EXPECT_EQ(events, Events({"start root", "start b", "word b [1]", "word b [stop]"}));

    // From OnStartElement: the element gets no frame and no further callback; a syntax error later in
    // the same block is still reported.
    events.clear();
    errors.entries.clear();
    bHandler.onStart = [](IXmlReader* r) { r->ReportError("Node 'x' doesn't exist in TARVO network"); };
    EXPECT_FALSE(Parse("<root><b>text</b><a/><broken></root>", root));
    EXPECT_EQ(errors.entries,
              Events({"error 1,6: Node 'x' doesn't exist in TARVO network", "error 1,31: mismatched tag"}));
    EXPECT_EQ(events, Events({"start root", "start b"}));

    // Nothing in later blocks is read once the parse failed.
    events.clear();
    errors.entries.clear();
    EXPECT_FALSE(Parse("<root><b/>" + std::string(5000, ' ') + "<broken></root>", root));
    EXPECT_EQ(errors.entries, Events({"error 1,6: Node 'x' doesn't exist in TARVO network"}));
}

TEST_F(XmlReaderTest, ThrowingHandlerFailsTheParseWithoutCrashing) {
    RecordingHandler& handler = grammar.Handler(events, "r", false);
    IXmlBinding* root = grammar.Bind(handler, "r", 0);
    handler.onEnd = [](IXmlReader*) { throw std::runtime_error("boom"); };
    EXPECT_FALSE(Parse("<r>x</r>", root));
    EXPECT_EQ(errors.entries, Events({"error 1,4: Unexpected failure of an element handler"}));
}

TEST_F(XmlReaderTest, MalformedInputGivesTheParsersMessage) {
    IXmlBinding* root = RootWithChild(IXmlBinding::ZeroOrMore);
    struct Case {
        std::string content;
        const char* entry;
    };
    const Case cases[] = {
        {"", "error 1,0: no element found"},
        {"<root><a></root>", "error 1,11: mismatched tag"},
        {"<root>\n<a>\n", "error 3,0: no element found"},
        {"<root><a x=\"1></a></root>", "error 1,14: not well-formed (invalid token)"},
        {"<root>&undefined;</root>", "error 1,6: undefined entity"},
        {"<root/><root/>", "error 1,7: junk after document element"},
        {std::string("<root>\0\x01\xFF\xFE</root>", 15), "error 1,6: not well-formed (invalid token)"},
        {"<?xml version=\"1.0\" encoding=\"EBCDIC-X\"?><root/>", "error 1,30: unknown encoding"},
    };
    for (const Case& c : cases) {
        errors.entries.clear();
        EXPECT_FALSE(Parse(c.content, root)) << c.content;
        EXPECT_EQ(errors.entries, Events({c.entry})) << c.content;
    }
    // A truncated file: the first half of a document.
    const std::string doc = "<root>" + std::string(6000, ' ') + "<a>text</a></root>";
    errors.entries.clear();
    EXPECT_FALSE(Parse(doc.substr(0, 6010), root));
    EXPECT_EQ(errors.entries, Events({"error 1,6010: no element found"}));
    errors.entries.clear();
    EXPECT_FALSE(Parse(doc.substr(0, 6008), root));
    EXPECT_EQ(errors.entries, Events({"error 1,6006: unclosed token"}));
}

TEST_F(XmlReaderTest, ExponentialEntitiesAreRefused) {
    IXmlBinding* root = grammar.Bind(grammar.Handler(events, "r", false), "r", 0);
    std::string doc = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ENTITY e0 \"lol\">\n";
    for (int i = 1; i < 20; ++i) {
        doc += "<!ENTITY e" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) doc += "&e" + std::to_string(i - 1) + ";";
        doc += "\">\n";
    }
    doc += "]>\n<r>&e19;</r>";
    EXPECT_FALSE(Parse(doc, root));
    ASSERT_EQ(errors.entries.size(), 1u);
}

TEST_F(XmlReaderTest, DirectoryCannotBeRead) {
    IXmlBinding* root = grammar.Bind(grammar.Handler(events, "r", false), "r", 0);
    const std::string dir = ::testing::TempDir();
    EXPECT_FALSE(reader.Parse(dir.c_str(), root, &errors));
    ASSERT_EQ(errors.entries.size(), 1u);
    EXPECT_EQ(errors.entries[0], "error 0,0: Can't open file " + dir + ": Is a directory");
}

TEST_F(XmlReaderTest, ReaderServesOneParseAfterAnother) {
    IXmlBinding* root = RootWithChild(IXmlBinding::Required);
    EXPECT_FALSE(Parse("<root><a><b/>", root));
    errors.entries.clear();
    events.clear();
    EXPECT_TRUE(Parse("<root><a>t</a></root>", root));
    EXPECT_TRUE(errors.entries.empty());
    EXPECT_EQ(events, Events({"start root", "start a", "end a [t]", "end root []"}));
    // Outside a parse the reader has no position and no text.
    int line = -1;
    int column = -1;
    reader.GetPosition(line, column);
    EXPECT_EQ(line, 0);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(reader.GetText(), "");
}

}  // namespace
