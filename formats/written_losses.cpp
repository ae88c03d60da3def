// What a format cannot hold, said when a write leaves it out.
#include "formats/written_losses.h"

#include <cstring>
#include <string>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "model/documentation.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/user_properties.h"

namespace vovido {

const WrittenLosses kHuginLosses = {true, true, false, true, false, true, true, true, true};
const WrittenLosses kMsbnLosses = {true, true, false, true, true, true, true, false, true};
const WrittenLosses kErgoLosses = {true, true, true, true, true, true, true, true, true};
const WrittenLosses kXmlBifLosses = {true, true, true, true, true, true, true, true, true};
const WrittenLosses kNeticaLosses = {true, false, false, false, false, true, true, false, false};

namespace {

// The kinds given by parameters, each counted on its own.
struct ParameterKind {
    int type;
    NoticeKind notice;
    const char* what;
};
const ParameterKind kParameterKinds[] = {
    {DefinitionType::kNoisyMax, {"written as plain tables: {count}", "noisy-MAX node", nullptr}, "noisy-MAX"},
    {DefinitionType::kNoisyAdder,
     {"written as plain tables: {count}", "noisy-adder node", nullptr},
     "noisy-adder"},
    {DefinitionType::kDeMorgan, {"written as plain tables: {count}", "DeMorgan node", nullptr}, "DeMorgan"},
    {DefinitionType::kCast, {"written as plain tables: {count}", "cast node", nullptr}, "cast"},
};
const NoticeKind kTruthTableAsTable = {"written as plain tables: {count}", "truth-table node", nullptr};
const NoticeKind kNamesLeftOut = {"names replaced by identifiers in {count}", "node", nullptr};
const NoticeKind kCommentsLeftOut = {"comments left out of {count}", "node", nullptr};
const NoticeKind kPropertiesLeftOut = {"user properties left out of {count}", "node", nullptr};
const NoticeKind kDocumentsLeftOut = {"documents left out of {count}", "node", nullptr};
const NoticeKind kSubmodelsLeftOut = {"submodels left out for {count}", "node", nullptr};
const NoticeKind kScaledColumns = {
    "tables written with their columns scaled to sum to 1, as the update uses them: {count}", "node",
    nullptr};

bool HasText(const char* text) {
    return text != nullptr && text[0] != '\0';
}

void Warn(const NoticeKind& kind, const std::string& id, const std::string& what) {
    const std::string message = "Node [" + id + "] : " + what;
    (void)LogNotice(errorLog, kOutOfRange, message.c_str(), nullptr, {&kind, id, "[" + id + "]"});
}

void WarnNetwork(bool lost, const std::string& what) {
    if (lost) LogError(errorLog, kOutOfRange, ("The network's " + what + " left out").c_str(), nullptr);
}

void WarnNetworkLosses(VRX_network& network, const WrittenLosses& losses) {
    const VRX_header* header = network.GetHeader();
    WarnNetwork(losses.networkName && header != nullptr && HasText(header->GetName()) &&
                    (header->GetId() == nullptr || std::strcmp(header->GetName(), header->GetId()) != 0),
                "name is");
    WarnNetwork(losses.networkComment && header != nullptr && HasText(header->GetComment()), "comment is");
    WarnNetwork(network.userProperties.GetNumberOfProperties() > 0, "user properties are");
    WarnNetwork(network.documentation.GetNumberOfDocuments() > 0, "documents are");
    WarnNetwork(network.GetNumberOfCases() > 0, "saved cases are");
}

}  // namespace

void WarnWrittenLosses(VRX_network& network, const WrittenLosses& losses) {
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        VRX_node* node = network.GetNode(h);
        const VRX_nodeDefinition* definition = node != nullptr ? node->GetDefinition() : nullptr;
        const VRX_nodeInfo* info = node != nullptr ? node->GetInfo() : nullptr;
        if (definition == nullptr || info == nullptr || node->GetId() == nullptr) continue;
        const std::string id = node->GetId();
        const int type = definition->GetType();
        for (const ParameterKind& kind : kParameterKinds) {
            if (type == kind.type && losses.parametersAsTables)
                Warn(kind.notice, id,
                     std::string("its ") + kind.what + " parameters are written as a plain table");
        }
        if (type == DefinitionType::kTruthTable && losses.truthTablesAsTables)
            Warn(kTruthTableAsTable, id, "its truth table is written as a plain table");
        const char* name = info->header.GetName();
        if (losses.names && HasText(name) && std::strcmp(name, id.c_str()) != 0)
            Warn(kNamesLeftOut, id, "its name \"" + std::string(name) + "\" is replaced by its identifier");
        if (losses.comments && HasText(info->header.GetComment()))
            Warn(kCommentsLeftOut, id, "its comment is left out");
        if (losses.properties && info->userProperties.GetNumberOfProperties() > 0)
            Warn(kPropertiesLeftOut, id, "its user properties are left out");
        if (losses.documents && info->documentation.GetNumberOfDocuments() > 0)
            Warn(kDocumentsLeftOut, id, "its documents are left out");
        if (losses.submodels && node->GetSubmodel() != kMainSubmodel)
            Warn(kSubmodelsLeftOut, id, "its submodel is left out");
    }
    WarnNetworkLosses(network, losses);
}

void WarnScaledColumns(const char* nodeId, int columns, double firstSum) {
    std::string sum;
    (void)FormatDouble(firstSum, sum);
    const std::string id = nodeId != nullptr ? nodeId : "";
    Warn(kScaledColumns, id,
         "its table is written with " + std::to_string(columns) + (columns > 1 ? " columns" : " column") +
             " scaled to sum to 1 (the first summed to " + sum + ")");
}

}  // namespace vovido
