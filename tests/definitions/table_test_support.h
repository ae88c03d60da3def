#pragma once
// Small builders and readers shared by the tests of the computed and deterministic table kinds.

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "model/dmatrix.h"
#include "model/double_array.h"
#include "model/int_array.h"

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

inline std::vector<double> Values(const VRX_doubleArray& a) {
    return std::vector<double>(a.GetItems(), a.GetItems() + a.GetCount());
}

inline std::vector<int> Values(const VRX_intArray& a) {
    return std::vector<int>(a.GetItems(), a.GetItems() + a.GetCount());
}

inline std::vector<int> Shape(const VRX_Dmatrix& m) {
    std::vector<int> out;
    for (int i = 0; i < m.GetNumberOfDimensions(); ++i) out.push_back(m.GetDimensions()[i]);
    return out;
}

inline std::vector<double> Entries(const VRX_Dmatrix& m) {
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

}  // namespace table_test
