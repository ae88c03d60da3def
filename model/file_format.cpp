// The identifier rule of the readers: what a file's node texts become.
#include "model/file_format.h"

#include <algorithm>
#include <string>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/id_array.h"
#include "base/identifier.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

VRX_fileFormat::TableText VRX_fileFormat::MinimumTableText(int definitionType, int /*parents*/) const {
    if (definitionType == DefinitionType::kList) return {};  // outcomes only
    if (vovido::IsDiscreteType(definitionType) || definitionType == DefinitionType::kTable)
        return {2, 0, 1, 2, false, true};
    return {};
}

bool VRX_fileFormat::IsFileIdentifier(const std::string& text) {
    // What VRX_idArray::RepairId leaves unchanged, tested without a copy.
    if (text.empty() || !vovido::IsAsciiLetter(text[0])) return false;
    return std::all_of(text.begin() + 1, text.end(), vovido::IsIdentifierChar);
}

std::string VRX_fileFormat::FreeNodeId(const std::string& base, int self) {
    if (!network->IsIdInUse(base.c_str(), self)) return base;
    std::string id;
    long long& n = nextNumber_.emplace(base, 2).first->second;
    do {
        id = base + "_" + std::to_string(n++);
    } while (network->IsIdInUse(id.c_str(), self));
    return id;
}

void VRX_fileFormat::Record(const std::string& id, const std::string& text, int line, bool placeholder) {
    rewrittenIndex_[id] = rewritten_.size();
    rewritten_.push_back({id, text, line, placeholder});
}

void VRX_fileFormat::NotePlaceholderId(const std::string& id) {
    Record(id, std::string(), 0, true);
}

std::string VRX_fileFormat::FileNodeId(const std::string& text, int line, int self, bool renameTaken) {
    if (network == nullptr) return text;
    if (const VRX_node* node = network->GetNode(self)) {
        // The node's own identifier is about to change: it no longer stands for a rewritten text.
        const auto own = rewrittenIndex_.find(node->GetId() != nullptr ? node->GetId() : "");
        if (own != rewrittenIndex_.end()) {
            rewritten_[own->second].id.clear();
            rewrittenIndex_.erase(own);
        }
    }
    if (IsFileIdentifier(text)) {
        const int holder = network->FindNode(text.c_str());
        if (holder < 0 || holder == self) return text;
        const auto taken = rewrittenIndex_.find(text);
        if (taken != rewrittenIndex_.end()) {
            // The node of a rewritten text (or a placeholder) gives the identifier up.
            const size_t entry = taken->second;
            std::string base = rewritten_[entry].placeholder ? "Node" : rewritten_[entry].text;
            if (!rewritten_[entry].placeholder && VRX_idArray::RepairId(base) != kSuccess) base = "x";
            const std::string moved = FreeNodeId(base, -1);
            if (network->GetNode(holder)->SetId(moved.c_str()) == kSuccess) {
                rewrittenIndex_.erase(taken);
                rewritten_[entry].id = moved;
                rewrittenIndex_[moved] = entry;
                return text;
            }
        }
        if (!renameTaken) return text;
    }
    std::string base = text;
    if (VRX_idArray::RepairId(base) != kSuccess) base = "x";
    const std::string id = FreeNodeId(base, self);
    Record(id, text, line, false);
    return id;
}

namespace {

const vovido::NoticeKind kRenamedNodeIdNotice = {"node texts were rewritten as identifiers for {count}",
                                                 "node", nullptr};

}  // namespace

std::string VRX_fileFormat::LinePrefix(int line) const {
    std::string prefix = "(line " + std::to_string(line);
    if (!sourceName_.empty()) prefix += " while loading " + sourceName_;
    return prefix + ") : ";
}

void VRX_fileFormat::WarnRenamedNodeIds() {
    for (const Rewrite& rewrite : rewritten_) {
        if (rewrite.placeholder || rewrite.id.empty() || network == nullptr ||
            network->FindNode(rewrite.id.c_str()) < 0)
            continue;
        const std::string message =
            "ERROR: Node identifier \"" + rewrite.text + "\" renamed \"" + rewrite.id + "\"";
        const std::string prefix = rewrite.line > 0 ? LinePrefix(rewrite.line) : "";
        const std::string example = "\"" + rewrite.text + "\" renamed \"" + rewrite.id + "\"" +
                                    (rewrite.line > 0 ? " (line " + std::to_string(rewrite.line) + ")" : "");
        (void)vovido::LogNotice(errorLog, kOutOfRange, message.c_str(), prefix.c_str(),
                                {&kRenamedNodeIdNotice, rewrite.id, example});
    }
    rewritten_.clear();
    rewrittenIndex_.clear();
    nextNumber_.clear();
}
