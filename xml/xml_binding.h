#pragma once
// The grammar of an XML document as a graph of element bindings, and the callbacks of one element.

#include <string>
#include <vector>

class IXmlReader;

// Callbacks of one element kind. The reader passes itself to each.
class IXmlHandler {
public:
    // Once per element, after its occurrence and attribute checks; the attribute getters work here.
    virtual void OnStartElement(IXmlReader* reader) = 0;
    // Once per element at its end tag, after the last OnText; without WantsText, GetText holds the
    // whole text of the element.
    virtual void OnEndElement(IXmlReader* reader) = 0;
    // With WantsText only: once per whitespace-separated word, GetText holding the word.
    virtual void OnText(IXmlReader* reader) = 0;
    virtual bool WantsText() const = 0;
    virtual ~IXmlHandler() = default;
};

class IXmlBinding {
public:
    // How often a child element may occur: bit 1 required, bit 2 repeatable.
    enum Occurrence { Optional = 0, Required = 1, ZeroOrMore = 2, OneOrMore = 3 };
    // Strictness of an element. InheritStrictness (exactly 4) takes the parent's effective flags, and 3
    // for the root; any other value is a set of the two bits.
    enum Strictness { StrictAttributes = 1, StrictElements = 2, InheritStrictness = 4 };

    // Appends a child entry; the child is not owned and may be shared by several parents. A child that
    // is not an XmlBinding (or null) is ignored.
    virtual void AddChild(IXmlBinding* child, int occurrence) = 0;
    // Appends an attribute declaration (name copied).
    virtual void AddAttribute(const char* name, bool required) = 0;
    // Destroys and frees the binding (not its children).
    virtual void Release() = 0;
    virtual ~IXmlBinding() = default;
};

// The occurrences as the grammars of the loaders write them.
constexpr int kOptional = IXmlBinding::Optional;
constexpr int kRequired = IXmlBinding::Required;
constexpr int kZeroOrMore = IXmlBinding::ZeroOrMore;

class XmlBinding : public IXmlBinding {
public:
    struct ChildEntry {
        XmlBinding* child;
        int occurrence;
        // Index of the first entry whose child has the same name: the one a look-up by name finds,
        // and the slot that records the name as seen.
        int firstOfName;
    };
    struct AttributeEntry {
        std::string name;
        bool required;
    };

    // handler: not owned; name: copied.
    XmlBinding(IXmlHandler* handler, const char* name, int flags);
    XmlBinding(const XmlBinding&) = delete;
    XmlBinding& operator=(const XmlBinding&) = delete;
    ~XmlBinding() override;

    void AddChild(IXmlBinding* child, int occurrence) override;
    void AddAttribute(const char* name, bool required) override;
    void Release() override;

    IXmlHandler* GetHandler() const { return handler; }
    const std::string& GetName() const { return name; }
    int GetFlags() const { return flags; }
    const std::vector<ChildEntry>& GetChildren() const { return children; }
    const std::vector<AttributeEntry>& GetAttributes() const { return attributes; }

    // Index of the first child entry whose child has that name; -1 when none.
    [[nodiscard]] int FindChild(const char* name) const;
    bool DeclaresAttribute(const char* name) const;

private:
    IXmlHandler* handler;
    const std::string name;
    int flags;
    std::vector<ChildEntry> children;
    std::vector<AttributeEntry> attributes;
};
