#pragma once
// Test helpers for the XML reader and writer: handlers that record every call, and a grammar of them.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "xml/xml_reader.h"

namespace vovido::test {

// One handler per element kind; every call is appended to a shared event list, and optional actions run
// inside the calls.
class RecordingHandler : public IXmlHandler {
public:
    RecordingHandler(std::vector<std::string>& events, std::string name, bool wantsText = false)
        : events_(events), name_(std::move(name)), wantsText_(wantsText) {}

    void OnStartElement(IXmlReader* reader) override {
        events_.push_back("start " + name_);
        if (onStart) onStart(reader);
    }
    void OnEndElement(IXmlReader* reader) override {
        events_.push_back("end " + name_ + " [" + reader->GetText() + "]");
        if (onEnd) onEnd(reader);
    }
    void OnText(IXmlReader* reader) override {
        events_.push_back("word " + name_ + " [" + reader->GetText() + "]");
        if (onText) onText(reader);
    }
    bool WantsText() const override { return wantsText_; }

    std::function<void(IXmlReader*)> onStart;
    std::function<void(IXmlReader*)> onEnd;
    std::function<void(IXmlReader*)> onText;

private:
    std::vector<std::string>& events_;
    std::string name_;
    bool wantsText_;
};

// Records errors as "error L,C: message" and warnings as "element E in P at L,C" and
// "attribute A of E at L,C".
class RecordingErrorHandler : public IXmlErrorHandler {
public:
    void OnError(const char* message, int line, int column) override {
        entries.push_back("error " + Position(line, column) + ": " + message);
    }
    void OnUnknownElement(const char* element, const char* parent, int line, int column) override {
        entries.push_back(std::string("element ") + element + " in " + parent + " at " +
                          Position(line, column));
    }
    void OnUnknownAttribute(const char* element, const char* attribute, int line, int column) override {
        entries.push_back(std::string("attribute ") + attribute + " of " + element + " at " +
                          Position(line, column));
    }

    std::vector<std::string> entries;

private:
    static std::string Position(int line, int column) {
        return std::to_string(line) + "," + std::to_string(column);
    }
};

// Builds a grammar whose bindings are released with the fixture.
class Grammar {
public:
    explicit Grammar(IXmlReader& reader) : reader_(reader) {}
    ~Grammar() {
        for (IXmlBinding* b : bindings_) b->Release();
    }
    Grammar(const Grammar&) = delete;
    Grammar& operator=(const Grammar&) = delete;

    RecordingHandler& Handler(std::vector<std::string>& events, const std::string& name, bool wantsText) {
        handlers_.push_back(std::make_unique<RecordingHandler>(events, name, wantsText));
        return *handlers_.back();
    }
    IXmlBinding* Bind(IXmlHandler& handler, const char* name, int flags) {
        bindings_.push_back(reader_.CreateBinding(&handler, name, flags));
        return bindings_.back();
    }

private:
    IXmlReader& reader_;
    std::vector<IXmlBinding*> bindings_;
    std::vector<std::unique_ptr<RecordingHandler>> handlers_;
};

}  // namespace vovido::test
