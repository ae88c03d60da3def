#pragma once
// Small builders and readers shared by the tests of the definition kinds.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/id_array.h"
#include "base/int_array.h"
#include "model/node_definition.h"
#include "base/string_array.h"

namespace table_test {

inline VRX_intArray Ints(std::initializer_list<int> values) {
    VRX_intArray a;
    for (int v : values) a.Add(v);
    return a;
}

inline VRX_doubleArray Doubles(std::initializer_list<double> values) {
    VRX_doubleArray a;
    for (double v : values) a.Add(v);
    return a;
}

inline VRX_stringArray Strings(std::initializer_list<const char*> values) {
    VRX_stringArray a;
    for (const char* v : values) a.Add(v);
    return a;
}

// A rows x columns matrix filled from values.
inline VRX_Dmatrix Matrix(int rows, int columns, const std::vector<double>& values) {
    VRX_Dmatrix m(Ints({rows, columns}));
    for (int i = 0; i < m.GetNumberOfElements() && i < static_cast<int>(values.size()); ++i) m[i] = values[i];
    return m;
}

// The definition's outcome names; "<null>" stands for a missing one.
inline std::vector<std::string> Names(VRX_nodeDefinition& def) {
    std::vector<std::string> out;
    const VRX_idArray* ids = def.GetOutcomesNames();
    for (int i = 0; i < ids->GetCount(); ++i) out.emplace_back((*ids)[i] != nullptr ? (*ids)[i] : "<null>");
    return out;
}

inline std::vector<double> Values(const VRX_doubleArray& a) {
    return std::vector<double>(a.GetItems(), a.GetItems() + a.GetCount());
}

inline std::vector<int> Values(const VRX_intArray& a) {
    return std::vector<int>(a.GetItems(), a.GetItems() + a.GetCount());
}

// The name the noisy kinds' tests read arrays by.
inline std::vector<double> Items(const VRX_doubleArray& a) {
    return Values(a);
}
inline std::vector<int> Items(const VRX_intArray& a) {
    return Values(a);
}

inline std::vector<int> Shape(const VRX_Dmatrix& m) {
    std::vector<int> out;
    for (int i = 0; i < m.GetNumberOfDimensions(); ++i) out.push_back(m.GetDimensions()[i]);
    return out;
}

inline std::vector<double> Entries(const VRX_Dmatrix& m) {
    if (m.GetNumberOfElements() == 0) return {};
    return std::vector<double>(m.GetData(), m.GetData() + m.GetNumberOfElements());
}

inline void ExpectEntries(const VRX_Dmatrix& m, std::initializer_list<double> expected) {
    ASSERT_EQ(m.GetNumberOfElements(), static_cast<int>(expected.size()));
    int i = 0;
    for (double v : expected) {
        EXPECT_NEAR(m[i], v, 1e-12) << "entry " << i;
        ++i;
    }
}

inline void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected,
                       double tolerance = 1e-12) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "entry " << i;
}

}  // namespace table_test
