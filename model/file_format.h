#pragma once
// Interface of the reader/writer objects (speakers) that the network makes for one file read or write.

class VRX_network;

class VRX_fileFormat {
public:
    explicit VRX_fileFormat(VRX_network* network) : network(network) {}
    VRX_fileFormat(const VRX_fileFormat&) = delete;
    VRX_fileFormat& operator=(const VRX_fileFormat&) = delete;
    virtual ~VRX_fileFormat() = default;

    // Reads the named file into the (emptied) network; 0 or a status code. On failure the network keeps
    // what was read so far.
    [[nodiscard]] virtual int ReadFile(const char* fileName) = 0;
    // Writes the network to the named file; 0 or a status code.
    [[nodiscard]] virtual int WriteFile(const char* fileName) = 0;
    // True when the reader guarantees unique identifiers itself, so the network need not test them.
    virtual bool SkipsIdentifierCheck() const { return false; }
    // True when the reader guarantees an acyclic graph itself, so arcs need no cycle test.
    virtual bool SkipsCycleCheck() const { return false; }
    // Hands the speaker an opaque helper for one run (the loader or saver of the graphical part);
    // speakers that have no use for it ignore it.
    virtual void SetExtension(void* /*extension*/) {}

    VRX_network* GetNetwork() const { return network; }

protected:
    VRX_network* network;
};
