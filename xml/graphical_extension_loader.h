#pragma once
// Loader of the graphical extension "cavro" of the XML network format: the diagram (submodels, node
// and text box layout, colours, names, comments), the diagnosis texts of nodes and outcomes and the
// dynamic plate, read into the network while the XML network loader parses the file.

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/rectangle.h"
#include "xml/xml_binding.h"
#include "xml/xml_reader.h"

class VRX_network;
class VRX_temporalExtension;

// The extension loader as the XML network loader sees it.
class IXmlCavroLoader {
public:
    // The binding of the "cavro" element, to be hung into the network grammar.
    virtual IXmlBinding* GetBinding() = 0;
    // Destroys the loader with its bindings.
    virtual void Release() = 0;
    virtual ~IXmlCavroLoader() = default;
};

// One element of a grammar whose callbacks are member functions of a loader; owns its binding.
template <class Loader>
class XmlDelegator : public IXmlHandler {
public:
    using Callback = void (Loader::*)(IXmlReader* reader);

    XmlDelegator(Loader* loader, IXmlReader* reader, const char* name, int flags, Callback onStart,
                 Callback onEnd, Callback onText)
        : loader_(loader), onStart_(onStart), onEnd_(onEnd), onText_(onText) {
        binding_ = reader->CreateBinding(this, name, flags);
    }
    XmlDelegator(const XmlDelegator&) = delete;
    XmlDelegator& operator=(const XmlDelegator&) = delete;
    ~XmlDelegator() override {
        if (binding_ != nullptr) binding_->Release();
    }

    IXmlBinding* GetBinding() const { return binding_; }

    void OnStartElement(IXmlReader* reader) override {
        if (onStart_ != nullptr) (loader_->*onStart_)(reader);
    }
    void OnEndElement(IXmlReader* reader) override {
        if (onEnd_ != nullptr) (loader_->*onEnd_)(reader);
    }
    void OnText(IXmlReader* reader) override {
        if (onText_ != nullptr) (loader_->*onText_)(reader);
    }
    bool WantsText() const override { return onText_ != nullptr; }

private:
    IXmlBinding* binding_ = nullptr;
    Loader* loader_;
    Callback onStart_;
    Callback onEnd_;
    Callback onText_;
};

class XmlCavroLoader : public IXmlCavroLoader {
public:
    // nodeIds: the network loader's map of the nodes read so far, by identifier. plate: where the
    // "plate" layout goes; null reads and checks it without keeping it.
    XmlCavroLoader(XmlReader* reader, VRX_network* network, const std::map<std::string, int>& nodeIds,
                   VRX_temporalExtension* plate = nullptr);
    XmlCavroLoader(const XmlCavroLoader&) = delete;
    XmlCavroLoader& operator=(const XmlCavroLoader&) = delete;
    ~XmlCavroLoader() override;

    IXmlBinding* GetBinding() override;
    void Release() override;

    // Diagram data of one node, submodel or text box while its element is open.
    struct GraphObj {
        virtual ~GraphObj() = default;
        // 0, or kOutOfMemory when the data could not be stored.
        [[nodiscard]] virtual int Apply(VRX_network* network, int currentSubmodel);

        int backgroundColor = 16250597;  // 0xF7F6E5
        int textColor = 0;
        int borderColor = 0;
        int borderWidth = 1;
        VRX_rectangle rectangle;
        std::string name;
        std::string comment;
    };
    struct Node : GraphObj {
        explicit Node(int h) : handle(h) {}
        [[nodiscard]] int Apply(VRX_network* network, int currentSubmodel) override;
        int handle;
    };
    struct Submodel : GraphObj {
        explicit Submodel(int h) : handle(h) {}
        [[nodiscard]] int Apply(VRX_network* network, int currentSubmodel) override;
        int handle;
    };
    struct TextBox : GraphObj {
        [[nodiscard]] int Apply(VRX_network* network, int currentSubmodel) override;
    };
    // The bindings of the grammar's elements, defined where the grammar is built.
    struct Elements;

private:
    using Delegator = XmlDelegator<XmlCavroLoader>;
    using Callback = Delegator::Callback;
    using Links = std::vector<std::pair<std::string, std::string>>;

    // A new delegator for the element, kept until the loader goes.
    IXmlBinding* Bind(const char* name, int flags, Callback onStart, Callback onEnd, Callback onText);
    // Every element of the grammar with its handlers; what each holds is declared by BuildGrammar.
    Elements BindElements();
    void BuildGrammar();

    void OnCavroStart(IXmlReader* reader);
    void OnNetworkComment(IXmlReader* reader);
    void OnSubmodelStart(IXmlReader* reader);
    void OnSubmodelEnd(IXmlReader* reader);
    void OnNodeStart(IXmlReader* reader);
    void OnNodeEnd(IXmlReader* reader);
    void OnTextBoxStart(IXmlReader* reader);
    void OnTextBoxEnd(IXmlReader* reader);
    void OnRectangleStart(IXmlReader* reader);
    void OnPlateStart(IXmlReader* reader);
    void OnRectangleWord(IXmlReader* reader);
    void OnPositionEnd(IXmlReader* reader);
    void OnWindowEnd(IXmlReader* reader);
    void OnPlateEnd(IXmlReader* reader);
    void OnNameEnd(IXmlReader* reader);
    void OnObjectCommentEnd(IXmlReader* reader);
    void OnInteriorStart(IXmlReader* reader);
    void OnOutlineStart(IXmlReader* reader);
    void OnFontStart(IXmlReader* reader);
    void OnStateStart(IXmlReader* reader);
    void OnStateEnd(IXmlReader* reader);
    void OnFixEnd(IXmlReader* reader);
    void OnStateCommentEnd(IXmlReader* reader);
    void OnQuestionEnd(IXmlReader* reader);
    void OnNodeLinkStart(IXmlReader* reader);
    void OnStateLinkStart(IXmlReader* reader);

    // The element text with escapes resolved and line ends as carriage return and line feed.
    void ReadText(IXmlReader* reader, std::string& out) const;
    // Reads a colour attribute into color; false after reporting a bad one.
    bool ReadColor(IXmlReader* reader, const char* attribute, int& color);
    // The rectangle of the current rectangle element; false after reporting a bad one.
    bool TakeRectangle(IXmlReader* reader, VRX_rectangle& rect);
    GraphObj* CurrentObject() const { return objectStack_.empty() ? nullptr : objectStack_.back().get(); }
    Node* CurrentNode() const { return dynamic_cast<Node*>(CurrentObject()); }
    int CurrentSubmodel() const { return submodelStack_.back(); }

    XmlReader* reader_;
    VRX_network* network_;
    const std::map<std::string, int>& nodeIds_;
    VRX_temporalExtension* plate_;
    std::vector<int> submodelStack_;
    std::vector<std::unique_ptr<GraphObj>> objectStack_;
    std::vector<long long> integers_;
    Links nodeLinks_;
    Links stateLinks_;
    int currentState_ = -1;
    // Each node's element as first given, which one given again must match; the node of a repeat while
    // it is open (-1: none).
    std::map<int, std::string> nodeElements_;
    int repeatedNode_ = -1;
    // The same for the state elements of the node being read, by outcome.
    std::map<int, std::string> stateElements_;
    int repeatedState_ = -1;

    int plateLeftWidth_ = 0;
    int plateRightWidth_ = 0;
    std::vector<std::unique_ptr<Delegator>> delegators_;
    IXmlBinding* root_ = nullptr;
};

// The default extension loader for one parse; the caller releases it.
IXmlCavroLoader* CreateXmlCavroLoader(XmlReader* reader, VRX_network* network,
                                      const std::map<std::string, int>& nodeIds,
                                      VRX_temporalExtension* plate = nullptr);
