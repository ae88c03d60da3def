// Temporary children that stand for virtual evidence during one discrete update.
#include "inference/temporary_evidence_nodes.h"

#include <string>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_kind_words.h"
#include "model/node_label.h"
#include "model/node_parts.h"
#include "model/node_value.h"

using vovido::ValueAt;

TemporaryEvidenceNodes::TemporaryEvidenceNodes(VRX_network* network, bool hideVirtualEvidence)
    : network_(network) {
    VRX_intArray sources;
    for (int h = network->GetFirstNode(); h >= 0 && status_ == kSuccess; h = network->GetNextNode(h)) {
        const VRX_nodeValue* value = ValueAt(*network, h);
        if (value != nullptr && value->HasFlag(ValueFlags::kVirtualEvidence)) status_ = sources.Add(h);
    }
    if (sources.GetCount() == 0) return;

    const int notices = network->propagationFlags & PropagationFlags::kNotices;
    network->propagationFlags &= ~PropagationFlags::kNotices;
    VRX_doubleArray likelihoods;
    for (int i = 0; i < sources.GetCount(); i++) {
        const int x = sources[i];
        // The temporary child is a probability table, which takes only parents that index it.
        if (!vovido::IsIndexingType(network->GetNodeType(x))) {
            const int rc =
                vovido::ReportNodeFault(*network->GetNode(x),
                                        "its virtual evidence cannot be used: " +
                                            vovido::KindNodeText(network->GetNode(x)->GetDefinition()) +
                                            " takes only an observed outcome",
                                        kWrongNodeType);
            if (status_ == kSuccess) status_ = rc;
            continue;
        }
        const int c = network->AddTemporaryNode(DefinitionType::kCpt);
        if (c < 0) {
            if (status_ == kSuccess) status_ = c;
            continue;
        }
        if (const int rc = nodes_.Add(c)) {
            (void)network->DeleteNode(c);  // just added: cannot fail
            if (status_ == kSuccess) status_ = rc;
            continue;
        }
        // Without the arc the table has no dimension for x: nothing sound can be written, and the
        // node goes again with the others.
        if (const int rc = network->AddArc(x, c)) {
            if (status_ == kSuccess) status_ = rc;
            continue;
        }
        VRX_nodeValue* value = ValueAt(*network, x);
        VRX_Dmatrix* table = nullptr;
        if (value->GetVirtualEvidence(likelihoods) != kSuccess ||
            network->GetNode(c)->GetDefinition()->GetDefinition(table) != kSuccess || table == nullptr ||
            table->GetNumberOfDimensions() != 2)
            continue;
        const int rows = table->GetDimensions()[0];
        const int stride = table->GetStrides()[0];
        const int step = table->GetStrides()[1];
        for (int r = 0; r < rows && r < likelihoods.GetCount(); r++) {
            (*table)[r * stride] = likelihoods[r];
            (*table)[r * stride + step] = 1.0 - likelihoods[r];
        }
        if (const int rc = ValueAt(*network, c)->SetEvidence(0)) {
            if (status_ == kSuccess) status_ = rc;
            continue;
        }
        if (hideVirtualEvidence) {
            value->SetValueFlag(ValueFlags::kVirtualEvidence, false);
            hidden_.push_back(x);
        }
    }
    network->propagationFlags |= notices;
}

TemporaryEvidenceNodes::~TemporaryEvidenceNodes() {
    if (nodes_.GetCount() == 0) return;
    const int notices = network_->propagationFlags & PropagationFlags::kNotices;
    network_->propagationFlags &= ~PropagationFlags::kNotices;
    for (int i = nodes_.GetCount() - 1; i >= 0; i--)
        (void)network_->DeleteNode(nodes_[i]);  // live: cannot fail
    for (int x : hidden_) {
        if (VRX_nodeValue* value = ValueAt(*network_, x))
            value->SetValueFlag(ValueFlags::kVirtualEvidence, true);
    }
    network_->propagationFlags |= notices;
}
