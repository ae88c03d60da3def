#pragma once
// Small networks for the relevance tests: nodes with given outcome counts, tables and evidence.

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "definitions/cpt.h"
#include "model/dmatrix.h"
#include "model/double_array.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "model/status_codes.h"

namespace relevance_test {

inline VRX_doubleArray Doubles(const std::vector<double>& values) {
    VRX_doubleArray a;
    a.SetSize(static_cast<int>(values.size()));
    for (size_t i = 0; i < values.size(); i++) a[static_cast<int>(i)] = values[i];
    a.SetCount(a.GetSize());
    return a;
}

inline std::vector<double> Entries(const VRX_Dmatrix& m) {
    return std::vector<double>(m.GetData(), m.GetData() + m.GetNumberOfElements());
}

inline std::vector<int> Shape(const VRX_Dmatrix& m) {
    std::vector<int> out;
    for (int i = 0; i < m.GetNumberOfDimensions(); i++) out.push_back(m.GetDimensions()[i]);
    return out;
}

// A network whose notices are off, so that evidence stays exactly what a test sets.
class TestNet {
public:
    TestNet() { net.propagationFlags = 0; }

    int Add(const char* id, int outcomes = 2, int type = DefinitionType::kCpt) {
        const int h = net.AddNode(type, id);
        EXPECT_GE(h, 0) << id;
        if (outcomes != 2) {
            EXPECT_EQ(net.GetNode(h)->GetDefinition()->SetNumberOfOutcomes(outcomes), kSuccess);
        }
        return h;
    }
    void Arc(int parent, int child) { EXPECT_EQ(net.AddArc(parent, child), kSuccess); }
    void Table(int h, const std::vector<double>& values) {
        EXPECT_EQ(net.GetNode(h)->GetDefinition()->SetDefinitionDoubles(Doubles(values)), kSuccess);
    }
    void Observe(int h, int outcome) { EXPECT_EQ(Value(h)->SetEvidence(outcome), kSuccess); }
    VRX_nodeValue* Value(int h) const { return net.GetNode(h)->GetValue(); }
    VRX_Dmatrix& Definition(int h) const {
        VRX_Dmatrix* m = nullptr;
        net.GetNode(h)->GetDefinition()->GetDefinition(m);
        return *m;
    }
    std::vector<double> Beliefs(int h) const {
        VRX_Dmatrix* m = nullptr;
        Value(h)->GetValue(m);
        return Entries(*m);
    }

    VRX_network net;
};

}  // namespace relevance_test
