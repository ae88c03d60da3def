#pragma once
// What a format cannot hold, said once per kind of loss when a write succeeds without it: the nodes
// written as plain tables, and the names, comments, properties and documents left out.

class VRX_network;

namespace vovido {

// What of a node the format leaves out.
struct WrittenLosses {
    // Kinds written as the tables they imply: those given by parameters (noisy-MAX, noisy-adder,
    // DeMorgan, cast), and truth tables.
    bool parametersAsTables = false;
    bool truthTablesAsTables = false;
    // Node names other than the identifier, comments, user properties, documents.
    bool names = false;
    bool comments = false;
    bool properties = false;
    bool documents = false;
    // The submodel a node is in (the file keeps the nodes, all in one model).
    bool submodels = false;
    // The network's name and comment (its user properties, documents and saved cases no format of
    // other tools holds).
    bool networkName = false;
    bool networkComment = false;
    // The network's identifier (formats without a network statement).
    bool networkId = false;
    // The identifier beside a name (formats whose network statement holds one text, the name first).
    bool networkIdBesideName = false;
};

// Hugin, MSBN, Ergo, XMLBIF and Netica: what each leaves out of a node; none holds submodels.
extern const WrittenLosses kHuginLosses;
extern const WrittenLosses kMsbnLosses;
extern const WrittenLosses kErgoLosses;
extern const WrittenLosses kXmlBifLosses;
extern const WrittenLosses kNeticaLosses;

// Logs one notice per node that loses something (kOutOfRange), of one kind per loss, which the write's
// call folds into one warning per kind ("written as plain tables: 3 noisy-MAX nodes, e.g. [A], [B]"),
// then one warning per record of the network left out.
void WarnWrittenLosses(VRX_network& network, const WrittenLosses& losses);

// The notice of a node whose table is written with its columns scaled to sum to 1, as the update uses
// it: `columns` of them, the first summing to `firstSum`.
void WarnScaledColumns(const char* nodeId, int columns, double firstSum);

}  // namespace vovido
