#pragma once
// Interface of the reader/writer objects (speakers) that the network makes for one file read or write,
// with the identifier rule every reader gives the nodes of its file.

#include <string>
#include <unordered_map>
#include <vector>

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

    // The least text the writer gives each cell and each distribution (column) of a node's table of
    // this kind, so that a file's size is counted before it is made; none (both 0) when the kind's table
    // is not written whole (its parameters are). By default a digit and a separator per cell of every
    // discrete kind and utility table. Besides, for an upper estimate of the text: at most how much more
    // a cell and a column take than that least besides the digits of its number beyond the first
    // (separators of two characters, the brackets of nested lists), whether each column is labelled by
    // its parents' outcome indexes (counted at their widths), and whether the table's lines wrap, which
    // adds at most a quarter.
    struct TableText {
        int cellBytes = 0;
        int columnBytes = 0;
        int moreCellBytes = 0;
        int moreColumnBytes = 0;
        bool indexedColumns = false;
        bool wrapped = false;
    };
    virtual TableText MinimumTableText(int definitionType, int parents) const;
    // At most the text the writer gives one outcome of a node whose name has this length, the name
    // included, for the upper estimate of a file's size (texts of the outcome, such as comments, apart).
    virtual int MostOutcomeBytes(int nameLength) const { return nameLength + 32; }

    VRX_network* GetNetwork() const { return network; }
    // A text that is an identifier as it stands: a letter, then letters, digits and '_'.
    static bool IsFileIdentifier(const std::string& text);

protected:
    // "(line N) : ", the prefix of a message about line N of the input; a read of a file names it as the
    // XML reader does: "(line N while loading F) : ".
    std::string LinePrefix(int line) const;
    // The file a read names in its messages (not set for text read from memory).
    void SetSourceName(const char* path) { sourceName_ = path != nullptr ? path : ""; }

    // The identifier for a node the file names by `text`, one rule for every reader. A text that is an
    // identifier (a letter, then letters, digits and '_') keeps it, also where a rewritten text took it
    // before: that node moves on to another. Any other text is repaired and numbered ("_2", "_3", ...) into
    // an identifier no node holds; so is a text another node of the file holds when `renameTaken`, else
    // it is returned for the network to refuse. `self`: the node being named when it exists already;
    // `line`: where the file gives the text, for the warning (0: none).
    std::string FileNodeId(const std::string& text, int line, int self = -1, bool renameTaken = false);
    // An identifier the reader made up until the file names its node: it gives way as rewritten ones do,
    // without a warning.
    void NotePlaceholderId(const std::string& id);
    // Once the nodes are named: every rewritten text whose node is still there is warned about, naming
    // both texts; the record starts over.
    void WarnRenamedNodeIds();

    VRX_network* network;

private:
    std::string sourceName_;
    // Identifiers given to rewritten texts and placeholders, in the order given; an identifier given up
    // is empty.
    struct Rewrite {
        std::string id;
        std::string text;
        int line = 0;
        bool placeholder = false;
    };
    std::vector<Rewrite> rewritten_;
    std::unordered_map<std::string, size_t> rewrittenIndex_;
    // Per repaired text, the number to try next.
    std::unordered_map<std::string, long long> nextNumber_;
    std::string FreeNodeId(const std::string& base, int self);
    void Record(const std::string& id, const std::string& text, int line, bool placeholder);
};
