// What a format cannot hold, said when a write leaves it out.
#include "formats/written_losses.h"

#include <cstring>
#include <string>

#include "base/counted_notices.h"
#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/node_cost.h"
#include "model/documentation.h"
#include "model/extra_definition.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/user_properties.h"

namespace vovido {

const WrittenLosses kHuginLosses = {true, true, false, true, false, true, true, true, true, true};
const WrittenLosses kMsbnLosses = {true, true, false, true, true, true, true, false, true, false, true};
const WrittenLosses kErgoLosses = {true, true, true, true, true, true, true, true, true, true};
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
// No format of other tools holds these: the network's targets, the roles and texts of the diagnosis,
// and observation costs.
const NoticeKind kTargetsLeftOut = {"target marks left out of {count}", "node", nullptr};
const NoticeKind kDiagnosisLeftOut = {"diagnostic roles and texts left out of {count}", "node", nullptr};
const NoticeKind kCostsLeftOut = {"observation costs left out of {count}", "node", nullptr};
const NoticeKind kScaledColumns = {
    "tables written with their columns scaled to sum to 1, as the update uses them: {count}", "node",
    nullptr};

bool HasText(const char* text) {
    return text != nullptr && text[0] != '\0';
}

bool AnyText(const VRX_stringArray& texts) {
    for (int i = 0; i < texts.GetCount(); ++i) {
        if (HasText(texts[i])) return true;
    }
    return false;
}

// Anything of the diagnosis beyond the defaults: a role, marks, a default outcome, a question or texts.
bool HasDiagnosis(VRX_extraDefinition& extra) {
    bool faults = false;
    for (int i = 0; i < extra.GetFaultOutcomes().GetCount(); ++i)
        faults = faults || extra.IsFaultOutcome(i) == 1;
    if (extra.diagType != DiagnosisType::kAuxiliary || extra.ranked != 0 || extra.mandatory != 0 ||
        extra.setAsDefault != 0 || faults || !extra.question.empty())
        return true;
    // Texts never built are empty: building them only to look would cost every node of a large write.
    if (!extra.HasOutcomeTexts()) return false;
    return AnyText(*extra.GetOutcomeLabels()) || AnyText(*extra.GetOutcomeDescriptions()) ||
           AnyText(*extra.GetOutcomeFixes()) || AnyText(*extra.GetFaultNames());
}

bool HasCosts(VRX_network& network, int handle) {
    if (network.GetParents(handle, 1).GetCount() > 0) return true;
    const VRX_node& node = *network.GetNode(handle);
    if (node.HasFreshCost()) return false;
    const VRX_nodeCost* cost = node.GetCost();
    const VRX_Dmatrix* costs = cost != nullptr ? cost->GetCosts() : nullptr;
    for (int i = 0; costs != nullptr && i < costs->GetNumberOfElements(); ++i) {
        if ((*costs)[i] != 0.0) return true;
    }
    return false;
}

void Warn(const NoticeKind& kind, const std::string& id, const std::string& what) {
    const std::string message = "Node [" + id + "] : " + what;
    (void)LogNotice(errorLog, kOutOfRange, message.c_str(), nullptr, {&kind, id, "[" + id + "]"});
}

// A notice, so that a write refused after it puts its cause first.
void WarnNetwork(bool lost, const std::string& what) {
    if (lost)
        (void)LogNotice(errorLog, kOutOfRange, ("The network's " + what + " left out").c_str(), nullptr, {});
}

// An identifier the engine gives a network that has none: a new network's, the readers' stand-in, a
// submodel's generated one. Leaving it out loses nothing.
bool IsStandInNetworkId(const char* id) {
    if (!HasText(id) || std::strcmp(id, "Unnamed") == 0 || std::strcmp(id, "Unnamed_Network") == 0)
        return true;
    if (std::strncmp(id, "Sub", 3) != 0 || id[3] == '\0') return false;
    for (const char* p = id + 3; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
    }
    return true;
}

void WarnNetworkLosses(VRX_network& network, const WrittenLosses& losses) {
    const VRX_header* header = network.GetHeader();
    const char* id = header != nullptr ? header->GetId() : nullptr;
    const bool named = header != nullptr && HasText(header->GetName());
    const bool nameIsId = named && id != nullptr && std::strcmp(header->GetName(), id) == 0;
    // A name that repeats the identifier is lost with it.
    if (losses.networkId && !IsStandInNetworkId(id)) {
        WarnNetwork(true, (nameIsId ? "identifier and name [" : "identifier [") + std::string(id) +
                              (nameIsId ? "] are" : "] is"));
    }
    if (losses.networkIdBesideName && named && !nameIsId && !IsStandInNetworkId(id))
        WarnNetwork(true, "identifier [" + std::string(id) + "] is");
    WarnNetwork(losses.networkName && named && !nameIsId, "name is");
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
        if (network.IsTarget(h) == 1) Warn(kTargetsLeftOut, id, "its target mark is left out");
        VRX_extraDefinition* extra = node->GetExtraDefinition();
        if (extra != nullptr && HasDiagnosis(*extra))
            Warn(kDiagnosisLeftOut, id, "its diagnostic role and texts are left out");
        if (HasCosts(network, h)) Warn(kCostsLeftOut, id, "its observation costs are left out");
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
