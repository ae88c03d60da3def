// Element bindings of the XML grammar.
#include "xml/xml_binding.h"

#include <cstring>

XmlBinding::XmlBinding(IXmlHandler* elementHandler, const char* elementName, int strictness)
    : handler(elementHandler), name(elementName != nullptr ? elementName : ""), flags(strictness) {}

XmlBinding::~XmlBinding() = default;

void XmlBinding::AddChild(IXmlBinding* child, int occurrence) {
    XmlBinding* binding = dynamic_cast<XmlBinding*>(child);
    if (binding == nullptr) return;
    int first = FindChild(binding->name.c_str());
    if (first < 0) first = static_cast<int>(children.size());
    children.push_back(ChildEntry{binding, occurrence, first});
}

void XmlBinding::AddAttribute(const char* attributeName, bool required) {
    attributes.push_back(AttributeEntry{attributeName != nullptr ? attributeName : "", required});
}

void XmlBinding::Release() {
    delete this;
}

int XmlBinding::FindChild(const char* childName) const {
    const int n = static_cast<int>(children.size());
    for (int i = 0; i < n; ++i) {
        if (std::strcmp(children[i].child->name.c_str(), childName) == 0) return i;
    }
    return -1;
}

bool XmlBinding::DeclaresAttribute(const char* attributeName) const {
    for (const AttributeEntry& a : attributes) {
        if (std::strcmp(a.name.c_str(), attributeName) == 0) return true;
    }
    return false;
}
