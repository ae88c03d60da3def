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

namespace {

// A parent's expected utility as an input of the combination.
struct MauInput {
    const VRX_Dmatrix* matrix;
    std::vector<int> map;  // per dimension of the parent's value but the last: this value's dimension
    const char* id;
};

// The utility parents whose values are expected utilities, their dimensions mapped onto this value's.
int GatherMauInputs(VRX_network& network, const std::vector<int>& utilities,
                    const VRX_intArray& indexingParents, std::vector<MauInput>& inputs) {
    try {
        for (int u : utilities) {
            VRX_nodeValue* value = network.GetNode(u)->GetValue();
            if (value == nullptr || (value->GetType() != ValueType::kExpectedUtility &&
                                     value->GetType() != ValueType::kMauExpectedUtility))
                continue;
            VRX_Dmatrix* matrix = nullptr;
            if (const int rc = value->GetValue(matrix)) return rc;
            MauInput input{matrix, {}, network.GetNode(u)->GetId()};
            const VRX_intArray& theirs = value->GetIndexingParents();
            for (int k = 0; k < theirs.GetCount(); k++)
                input.map.push_back(indexingParents.FindPosition(theirs[k]));
            inputs.push_back(std::move(input));
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

// The inputs at this value's coordinates into x; false when one of them is undefined there.
bool ReadMauInputs(const std::vector<MauInput>& inputs, const VRX_intArray& coords, std::vector<double>& x) {
    for (size_t j = 0; j < inputs.size(); j++) {
        const MauInput& in = inputs[j];
        const VRX_intArray& strides = in.matrix->GetStrides();
        int at = 0;
        for (size_t k = 0; k < in.map.size(); k++) {
            if (in.map[k] < 0) return false;
            at += coords[in.map[k]] * strides[static_cast<int>(k)];
        }
        if (at >= in.matrix->GetNumberOfElements()) return false;
        x[j] = (*in.matrix)[at];
        if (x[j] == kUndefinedValue) return false;
    }
    return true;
}

// The decision configuration: each decision parent's coordinate, or its chosen decision; -1 when a
// choice is none of the decision's outcomes.
long long MauDecisionConfig(VRX_network& network, const std::vector<int>& decisions,
                            const VRX_intArray& indexingParents, const VRX_intArray& coords) {
    long long config = 0;
    for (const int decision : decisions) {
        const int n = network.GetNode(decision)->GetDefinition()->GetNumberOfOutcomes();
        const int position = indexingParents.FindPosition(decision);
        const int choice =
            position >= 0 ? coords[position] : network.GetNode(decision)->GetValue()->GetEvidence();
        if (choice < 0 || choice >= n) return -1;
        config = config * n + choice;
    }
    return config;
}

// The node's expression or weighted sum of the inputs x under the configuration; kUndefinedValue when
// the configuration has neither.
double CombineMauInputs(const VRX_mau& mau, long long config, const std::vector<MauInput>& inputs,
                        const std::vector<double>& x) {
    if (const ExpressionTable* table = mau.GetExpressionTable()) {
        if (config >= table->GetCellCount() || table->GetCell(static_cast<int>(config)) == nullptr)
            return kUndefinedValue;
        std::unique_ptr<VRX_expression> e = table->GetCell(static_cast<int>(config))->Clone();
        for (size_t j = 0; j < inputs.size(); j++) {
            if (inputs[j].id != nullptr) AssignVariable(*e, inputs[j].id, x[j]);
        }
        return e->Evaluate() * e->sign;
    }
    // Never past the weights held: a configuration without its row is undefined.
    const VRX_Dmatrix& weights = mau.GetWeights();
    const long long first = config * static_cast<long long>(inputs.size());
    if (first + static_cast<long long>(inputs.size()) > weights.GetNumberOfElements() && !inputs.empty())
        return kUndefinedValue;
    double result = 0.0;
    for (size_t j = 0; j < inputs.size(); j++) result += weights[static_cast<int>(first + j)] * x[j];
    return result;
}

}  // namespace

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
    std::vector<MauInput> inputs;
    if (const int rc = GatherMauInputs(*network, utilities, indexingParents, inputs)) return rc;
    std::vector<double> x(inputs.size());
    for (int c = 0; c < cells; c++) {
        if (const int rc = own->IndexToCoordinates(c, coords)) return rc;
        double result = kUndefinedValue;
        if (ReadMauInputs(inputs, coords, x)) {
            const long long config = MauDecisionConfig(*network, decisions, indexingParents, coords);
            if (config >= 0) result = CombineMauInputs(*mau, config, inputs, x);
        }
        (*own)[c] = result;
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
