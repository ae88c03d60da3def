#pragma once
// Speaker of the system's XML network format ("xvrx", "qvrx"): hands the file to the XML network loader
// and saver.

#include "model/file_format.h"

class VRX_xvrxSpeaker : public VRX_fileFormat {
public:
    explicit VRX_xvrxSpeaker(VRX_network* network) : VRX_fileFormat(network) {}

    // 0, or kFileIoFailed when the load failed (what was read before the error stays in the network).
    [[nodiscard]] int ReadFile(const char* fileName) override;
    // 0, or kFileIoFailed when the file could not be written whole.
    [[nodiscard]] int WriteFile(const char* fileName) override;
    TableText MinimumTableText(int definitionType, int parents) const override;
    // A state element on a line of its own.
    int MostOutcomeBytes(int nameLength) const override { return nameLength + 22; }
    // The XML loader checks identifiers and cycles itself.
    bool SkipsIdentifierCheck() const override { return true; }
    bool SkipsCycleCheck() const override { return true; }
    // The graphical-extension loader (an IXmlBinding) for a read or saver (an IXmlWriterExtension) for a
    // write; null uses the default graphical extension.
    void SetExtension(void* object) override { extension = object; }

private:
    void* extension = nullptr;
};
