// libFuzzer target: the XML reader on arbitrary bytes against a grammar that exercises every check,
// word splitting, the typed getters and handler aborts. Traps when a handler sees an inconsistent state.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/error_log.h"
#include "xml/xml_reader.h"

namespace {

class FuzzHandler : public IXmlHandler {
public:
    explicit FuzzHandler(bool words) : words_(words) {}

    void OnStartElement(IXmlReader* reader) override {
        int i = 0;
        double d = 0.0;
        bool b = false;
        std::string s;
        reader->GetAttribute("name", s);
        if (!reader->GetIntAttribute("n", i, 0)) return;
        if (!reader->GetDoubleAttribute("d", d, 0.0)) return;
        if (!reader->GetBoolAttribute("b", b, false)) return;
        if (s == "stop") reader->ReportError("stopped");
        if (s == "version") static_cast<XmlReader*>(reader)->CheckVersion(s.c_str(), "1.0");
    }
    void OnEndElement(IXmlReader* reader) override {
        std::string unescaped;
        reader->GetUnescapedText(unescaped);
        if (unescaped.size() > reader->GetText().size()) __builtin_trap();
    }
    void OnText(IXmlReader* reader) override {
        const std::string& word = reader->GetText();
        if (word.empty()) __builtin_trap();
        for (char c : word) {
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') __builtin_trap();
        }
        if (word == "abort") reader->ReportError("word abort");
    }
    bool WantsText() const override { return words_; }

private:
    bool words_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/xml_reader_fuzz_" + std::to_string(getpid()) + ".xml";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    XmlReader reader;
    FuzzHandler whole(false);
    FuzzHandler words(true);
    std::vector<IXmlBinding*> bindings;
    auto bind = [&](IXmlHandler& h, const char* name, int flags) {
        bindings.push_back(reader.CreateBinding(&h, name, flags));
        return bindings.back();
    };
    IXmlBinding* root = bind(whole, "r", 0);
    IXmlBinding* list = bind(words, "l", IXmlBinding::InheritStrictness);
    IXmlBinding* strict = bind(whole, "s", IXmlBinding::StrictAttributes | IXmlBinding::StrictElements);
    IXmlBinding* once = bind(whole, "o", IXmlBinding::InheritStrictness);
    for (IXmlBinding* b : {root, list, strict, once}) {
        b->AddAttribute("name", false);
        b->AddAttribute("n", false);
        b->AddAttribute("d", false);
        b->AddAttribute("b", false);
    }
    strict->AddAttribute("id", true);
    root->AddChild(list, IXmlBinding::ZeroOrMore);
    root->AddChild(strict, IXmlBinding::ZeroOrMore);
    root->AddChild(once, IXmlBinding::Optional);
    strict->AddChild(list, IXmlBinding::OneOrMore);
    strict->AddChild(strict, IXmlBinding::ZeroOrMore);
    once->AddChild(root, IXmlBinding::ZeroOrMore);

    XmlErrorHandler logger(path.c_str());
    reader.Parse(path.c_str(), root, size % 2 == 0 ? static_cast<IXmlErrorHandler*>(&logger) : nullptr);
    errorLog.Flush();
    for (IXmlBinding* b : bindings) b->Release();
    return 0;
}
