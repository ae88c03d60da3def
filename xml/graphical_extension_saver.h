#pragma once
// Saver of the graphical extension "cavro" of the XML network format: writes the diagram, the diagnosis
// texts and the dynamic plate of a network inside the network file's "extensions" element.

#include "xml/xml_writer.h"

class VRX_documentation;
class VRX_header;
class VRX_network;
class VRX_rectangle;
class VRX_screenInfo;
class VRX_temporalExtension;

class XmlCavroSaver : public IXmlWriterExtension {
public:
    // plate: the layout written for a network with plate nodes; null writes the default layout.
    explicit XmlCavroSaver(VRX_network* network, const VRX_temporalExtension* plate = nullptr);
    XmlCavroSaver(const XmlCavroSaver&) = delete;
    XmlCavroSaver& operator=(const XmlCavroSaver&) = delete;

    // One complete "cavro" element at the writer's current depth.
    void Write(IXmlWriter* writer) override;
    void Release() override;

private:
    // Children submodels, nodes and text boxes of every submodel from the given one down, without
    // recursion: a file may nest submodels arbitrarily deep.
    void WriteSubmodelTree(int top);
    void WriteNodesAndTextBoxes(int submodel);
    void WriteNode(int handle);
    void WriteGraphicalProperties(const VRX_header& header, const VRX_screenInfo& screen);
    void WriteLinks(const VRX_documentation& documents);
    void WriteRectangle(const char* name, const VRX_rectangle& rect);
    void WritePlate();

    VRX_network* network_;
    const VRX_temporalExtension* plate_;
    int mainSubmodel_ = -1;
    IXmlWriter* writer_ = nullptr;
};
