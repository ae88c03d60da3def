// The XML format speaker: one call into the XML network loader or saver per file.
#include "formats/xvrx_speaker.h"

#include "base/status_codes.h"
#include "xml/xml_network.h"

int VRX_xvrxSpeaker::ReadFile(const char* fileName) {
    return LoadXmlNetwork(fileName, network, static_cast<IXmlBinding*>(extension)) ? kSuccess : kFileIoFailed;
}

int VRX_xvrxSpeaker::WriteFile(const char* fileName) {
    return SaveXmlNetwork(fileName, network, static_cast<IXmlWriterExtension*>(extension)) ? kSuccess
                                                                                           : kFileIoFailed;
}
