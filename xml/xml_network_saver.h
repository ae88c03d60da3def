#pragma once
// Saver of the XML network format: the writer of the document, which is also the visitor that writes
// each node's definition as the element of its kind.

#include <string>

#include "xml/node_def_visitor.h"
#include "xml/xml_writer.h"

class VRX_doubleArray;
class VRX_intArray;
class VRX_network;
class VRX_nodeDefinition;

class XmlNetworkSaver : public XmlWriter, public NodeDefVisitor {
public:
    // extension: writer of the "extensions" content, not owned; null writes no "extensions" element.
    XmlNetworkSaver(VRX_network* network, IXmlWriterExtension* extension);

    // The whole document below the declaration.
    void WriteRoot();

    // Checks that every node can be written: false, with the reason in message, for a node whose kind
    // has no element in the format or whose parameters have no text in it.
    static bool CanWrite(VRX_network& network, std::string& message);

    void VisitMau(VRX_nodeDefinition* definition) override;
    void VisitUtility(VRX_nodeDefinition* definition) override;
    void VisitDecision(VRX_nodeDefinition* definition) override;
    void VisitEquation(VRX_nodeDefinition* definition) override;
    void VisitDemorgan(VRX_nodeDefinition* definition) override;
    void VisitCast(VRX_nodeDefinition* definition) override;
    void VisitNoisyAdder(VRX_nodeDefinition* definition) override;
    void VisitNoisyMax(VRX_nodeDefinition* definition) override;
    void VisitTruthTable(VRX_nodeDefinition* definition) override;
    void VisitCpt(VRX_nodeDefinition* definition) override;

private:
    void WriteProperties();
    void WriteAlgorithmParameters();
    void WriteNodes();
    // The slice count and the temporal definitions of the plate nodes, each with the temporal parents of
    // its order.
    void WriteDynamic();
    void WriteObservationCosts();
    void WriteCases();
    // The attributes, states, parents and data element shared by every kind; leaves the kind element
    // open for the kind's further content and the node's properties.
    void WriteNodeElement(VRX_nodeDefinition* definition, const char* kind, const char* dataElement,
                          bool writeStates);
    void WriteParents(const VRX_intArray& parents);
    // Whether the definition being written lists parents: the node's own, or in the "dynamic" section
    // the temporal parents of the order, for which the loader then takes the parents' parameters.
    bool HasWrittenParents() const;
    // A node of a strongly coupled component: its parents, members and equation.
    void WriteEquationScc(VRX_nodeDefinition* definition);
    // False, with the reason, for an equation that names a node other than itself and its parents: the
    // loader would not find that node in time.
    static bool CanWriteEquation(VRX_network& network, int handle, std::string& message);
    // The items (count) of a list or matrix array.
    void WriteDoubleList(const char* name, const VRX_doubleArray& values);
    void WriteDouble(const char* name, double value);

    VRX_network* network;
    IXmlWriterExtension* extension;
    std::string pendingElement;
    int currentNode = -1;
    // Set while the "dynamic" section is written: the kinds write a temporal definition's element.
    bool dynamicMode = false;
    VRX_intArray* temporalParents = nullptr;
    VRX_nodeDefinition* plateDefinition = nullptr;
};
