#pragma once
// Entry points of the system's XML network format ("xvrx", "qvrx"): load a file into a network, save a
// network to a file. Both run with the default graphical extension unless told otherwise.

#include <cstdint>

class IXmlBinding;
class IXmlWriterExtension;
class VRX_network;
class VRX_temporalExtension;

namespace vovido {

// The extension value that means "no extension at all" (the all-ones pointer); null means the default
// graphical extension.
inline IXmlBinding* NoXmlExtensionBinding() {
    return reinterpret_cast<IXmlBinding*>(~static_cast<uintptr_t>(0));
}
inline IXmlWriterExtension* NoXmlWriterExtension() {
    return reinterpret_cast<IXmlWriterExtension*>(~static_cast<uintptr_t>(0));
}

// The words of the DeMorgan parent types, by type code.
constexpr const char* kParentTypeWords[] = {"inhibitor", "requirement", "cause", "barrier"};
constexpr int kParentTypeCount = static_cast<int>(sizeof(kParentTypeWords) / sizeof(kParentTypeWords[0]));

}  // namespace vovido

// Reads the file into the network, which grows in document order; true when the whole file was read.
// extension: the binding of the element inside "extensions". The first error stops the load; what was
// built before it stays. plate: where the default extension keeps the dynamic plate's layout (null: it
// is checked and dropped).
bool LoadXmlNetwork(const char* fileName, VRX_network* network, IXmlBinding* extension,
                    VRX_temporalExtension* plate = nullptr);

// Writes the network; true when the whole file reached the disk. A network holding a node that the
// format cannot express is refused, with a logged message, before the file is created. plate: the
// layout the default extension writes for a network with plate nodes (null: the default layout).
bool SaveXmlNetwork(const char* fileName, VRX_network* network, IXmlWriterExtension* extension,
                    const VRX_temporalExtension* plate = nullptr);
