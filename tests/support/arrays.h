#pragma once
// Engine arrays and tables made from brace lists, and read back into standard vectors for comparison.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "base/string_array.h"

namespace vovido::test {

// Size equal to the item count: coordinate vectors and the table setters read the size, lists the count.
inline VRX_intArray Ints(const std::vector<int>& values) {
    VRX_intArray a;
    if (a.SetSize(static_cast<int>(values.size())) != kSuccess) {
        ADD_FAILURE() << "no room for " << values.size() << " ints";
        return a;
    }
    for (int v : values) a.AddReserved(v);
    return a;
}

inline VRX_doubleArray Doubles(const std::vector<double>& values) {
    VRX_doubleArray a;
    if (a.SetSize(static_cast<int>(values.size())) != kSuccess) {
        ADD_FAILURE() << "no room for " << values.size() << " doubles";
        return a;
    }
    for (double v : values) a.AddReserved(v);
    return a;
}

// Null items stay null.
inline VRX_stringArray Strings(const std::vector<const char*>& values) {
    VRX_stringArray a;
    for (const char* v : values) EXPECT_EQ(a.Add(v), kSuccess);
    return a;
}

// A table of the given sizes, filled with the values in storage order (the last dimension fastest);
// entries past the values stay 0 and values past the entries are left out.
inline VRX_Dmatrix Matrix(const std::vector<int>& sizes, const std::vector<double>& values) {
    VRX_Dmatrix m;
    EXPECT_EQ(m.Setup(Ints(sizes)), kSuccess);
    for (int i = 0; i < m.GetNumberOfElements() && i < static_cast<int>(values.size()); ++i) m[i] = values[i];
    return m;
}

// The items up to the count.
inline std::vector<int> Items(const VRX_intArray& a) {
    return a.GetCount() == 0 ? std::vector<int>()
                             : std::vector<int>(a.GetItems(), a.GetItems() + a.GetCount());
}

inline std::vector<double> Items(const VRX_doubleArray& a) {
    return a.GetCount() == 0 ? std::vector<double>()
                             : std::vector<double>(a.GetItems(), a.GetItems() + a.GetCount());
}

// "<null>" stands for a null item.
inline std::vector<std::string> Items(const VRX_stringArray& a) {
    std::vector<std::string> out;
    for (int i = 0; i < a.GetCount(); ++i) out.emplace_back(a[i] != nullptr ? a[i] : "<null>");
    return out;
}

inline std::vector<double> Entries(const VRX_Dmatrix& m) {
    const double* p = m.GetData();
    return p == nullptr || m.GetNumberOfElements() == 0 ? std::vector<double>()
                                                        : std::vector<double>(p, p + m.GetNumberOfElements());
}

// A table's items are its entries.
inline std::vector<double> Items(const VRX_Dmatrix& m) {
    return Entries(m);
}

inline std::vector<int> Shape(const VRX_Dmatrix& m) {
    std::vector<int> out;
    for (int i = 0; i < m.GetNumberOfDimensions(); ++i) out.push_back(m.GetDimensions()[i]);
    return out;
}

// Entry by entry within the tolerance; exact computations agree with hand-worked values to rounding.
inline void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected,
                       double tolerance = 1e-12, const std::string& where = "") {
    ASSERT_EQ(actual.size(), expected.size()) << where;
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << where << " entry " << i;
}

inline void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected,
                       const std::string& where) {
    ExpectNear(actual, expected, 1e-12, where);
}

inline void ExpectEntries(const VRX_Dmatrix& m, const std::vector<double>& expected) {
    ExpectNear(Entries(m), expected);
}

}  // namespace vovido::test
