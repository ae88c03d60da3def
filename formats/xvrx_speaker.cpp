// The XML format speaker: one call into the XML network loader or saver per file.
#include "formats/xvrx_speaker.h"

#include "base/status_codes.h"
#include "model/node_definition.h"
#include "xml/xml_network.h"

int VRX_xvrxSpeaker::ReadFile(const char* fileName) {
    return LoadXmlNetwork(fileName, network, static_cast<IXmlBinding*>(extension)) ? kSuccess : kFileIoFailed;
}

// Probabilities and utilities as numbers; the other kinds by their parameters.
VRX_fileFormat::TableText VRX_xvrxSpeaker::MinimumTableText(int definitionType, int /*parents*/) const {
    return definitionType == DefinitionType::kCpt || definitionType == DefinitionType::kTable
               ? TableText{2, 0}
               : TableText{};
}

int VRX_xvrxSpeaker::WriteFile(const char* fileName) {
    return SaveXmlNetwork(fileName, network, static_cast<IXmlWriterExtension*>(extension)) ? kSuccess
                                                                                           : kFileIoFailed;
}
