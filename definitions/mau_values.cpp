// Multi-attribute expected utility: weighted sums or expressions over the parents' expected utilities.
#include "definitions/mau_values.h"

#include <new>
#include <vector>

#include "base/expression.h"
#include "base/number_text.h"
#include "base/status_codes.h"
#include "definitions/mau.h"
#include "model/network.h"
#include "model/node.h"

VRX_mauExpectedUtility::VRX_mauExpectedUtility(VRX_nodeValue& source) : VRX_expectedUtility(source) {
    (void)CopyFrom(source);  // the base copied as a plain expected utility; out of memory leaves it empty
}

VRX_mauExpectedUtility::VRX_mauExpectedUtility(const VRX_mauExpectedUtility& source)
    : VRX_expectedUtility(const_cast<VRX_mauExpectedUtility&>(source)) {
    (void)CopyFrom(const_cast<VRX_mauExpectedUtility&>(source));
}

VRX_mauExpectedUtility::~VRX_mauExpectedUtility() = default;

int VRX_mauExpectedUtility::GetType() const {
    return ValueType::kMauExpectedUtility;
}

int VRX_mauExpectedUtility::ComputeFromParentUtilities() {
    if (network == nullptr || !network->IsLiveHandle(handle)) return kObjectNotValid;
    auto* mau = dynamic_cast<VRX_mau*>(network->GetNode(handle)->GetDefinition());
    if (mau == nullptr) return kWrongNodeType;
    VRX_Dmatrix* own = nullptr;
    if (const int rc = GetValue(own)) return rc;
    std::vector<int> decisions;
    std::vector<int> utilities;
    mau->SplitParents(decisions, utilities);
    const int cells = own->GetNumberOfElements();
    const int dims = own->GetNumberOfDimensions();
    VRX_intArray coords;
    if (coords.SetSize(dims > 0 ? dims : 1) != kSuccess) return kOutOfMemory;
    struct Input {
        const VRX_Dmatrix* matrix;
        std::vector<int> map;  // per dimension of the parent's value but the last: this value's dimension
        const char* id;
    };
    std::vector<Input> inputs;
    try {
        for (int u : utilities) {
            VRX_nodeValue* value = network->GetNode(u)->GetValue();
            if (value == nullptr || (value->GetType() != ValueType::kExpectedUtility &&
                                     value->GetType() != ValueType::kMauExpectedUtility))
                continue;
            VRX_Dmatrix* matrix = nullptr;
            if (const int rc = value->GetValue(matrix)) return rc;
            Input input{matrix, {}, network->GetNode(u)->GetId()};
            const VRX_intArray& theirs = value->GetIndexingParents();
            for (int k = 0; k < theirs.GetCount(); k++)
                input.map.push_back(indexingParents.FindPosition(theirs[k]));
            inputs.push_back(std::move(input));
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    const VRX_Dmatrix& weights = mau->GetWeights();
    const ExpressionTable* table = mau->GetExpressionTable();
    std::vector<double> x(inputs.size());
    for (int c = 0; c < cells; c++) {
        if (const int rc = own->IndexToCoordinates(c, coords)) return rc;
        double result = kUndefinedValue;
        bool defined = true;
        for (size_t j = 0; j < inputs.size() && defined; j++) {
            const Input& in = inputs[j];
            const VRX_intArray& strides = in.matrix->GetStrides();
            int at = 0;
            for (size_t k = 0; k < in.map.size(); k++) {
                if (in.map[k] < 0) {
                    defined = false;
                    break;
                }
                at += coords[in.map[k]] * strides[static_cast<int>(k)];
            }
            if (!defined || at >= in.matrix->GetNumberOfElements()) {
                defined = false;
                break;
            }
            x[j] = (*in.matrix)[at];
            defined = x[j] != kUndefinedValue;
        }
        // The decision configuration: each decision parent's coordinate, or its chosen decision.
        long long config = 0;
        for (size_t d = 0; d < decisions.size() && defined; d++) {
            const int n = network->GetNode(decisions[d])->GetDefinition()->GetNumberOfOutcomes();
            const int position = indexingParents.FindPosition(decisions[d]);
            const int choice =
                position >= 0 ? coords[position] : network->GetNode(decisions[d])->GetValue()->GetEvidence();
            if (choice < 0 || choice >= n) defined = false;
            config = config * n + choice;
        }
        if (defined && table != nullptr) {
            if (config >= table->GetCellCount() || table->GetCell(static_cast<int>(config)) == nullptr) {
                defined = false;
            } else {
                std::unique_ptr<VRX_expression> e = table->GetCell(static_cast<int>(config))->Clone();
                for (size_t j = 0; j < inputs.size(); j++) {
                    if (inputs[j].id != nullptr) AssignVariable(*e, inputs[j].id, x[j]);
                }
                result = e->Evaluate() * e->sign;
            }
        } else if (defined) {
            // Never past the weights held: a configuration without its row is undefined.
            const long long first = config * static_cast<long long>(inputs.size());
            if (first + static_cast<long long>(inputs.size()) > weights.GetNumberOfElements() &&
                !inputs.empty()) {
                defined = false;
            } else {
                result = 0.0;
                for (size_t j = 0; j < inputs.size(); j++)
                    result += weights[static_cast<int>(first + j)] * x[j];
            }
        }
        (*own)[c] = defined ? result : kUndefinedValue;
    }
    return kSuccess;
}

namespace vovido {

int ComputeMauValue(VRX_network& network, int handle) {
    auto* value = dynamic_cast<VRX_mauExpectedUtility*>(network.GetNode(handle)->GetValue());
    if (value == nullptr) return kWrongNodeType;
    return value->ComputeFromParentUtilities();
}

}  // namespace vovido
