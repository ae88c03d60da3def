#pragma once
// Learning data with values hidden at random: a known network, records drawn from it, and a share of
// the cells marked missing (the same for every seed), for checks that parameters come back.

#include <vector>

#include "base/random_generator.h"
#include "learning/data_set.h"
#include "tests/support/networks.h"
#include "tests/support/sampled_data.h"

namespace vovido::test {

// Marks each cell missing with probability `share`; the data set's columns use -1 as their marker.
inline void HideValues(DataSet& data, double share, uint32_t seed) {
    RandomGenerator random(seed);
    for (int r = 0; r < data.GetRecordCount(); ++r) {
        for (int v = 0; v < data.GetVariableCount(); ++v) {
            if (random.NextFraction() < share) data.SetInt(v, r, data.GetVariable(v).missingInt);
        }
    }
}

// a(2) -> b(3), a -> c(2), (b, c) -> d(2), with tables far enough from 0 that every family
// configuration is seen often.
struct Diamond {
    Diamond() {
        a = t.Add("a");
        b = t.Add("b", 3);
        c = t.Add("c");
        d = t.Add("d");
        t.Arcs({{a, b}, {a, c}, {b, d}, {c, d}});
        t.Table(a, {0.35, 0.65});
        t.Table(b, {0.2, 0.5, 0.3, 0.6, 0.1, 0.3});
        t.Table(c, {0.75, 0.25, 0.4, 0.6});
        t.Table(d, {0.9, 0.1, 0.3, 0.7, 0.5, 0.5, 0.2, 0.8, 0.65, 0.35, 0.1, 0.9});
    }
    TestNetwork t;
    int a, b, c, d;
};

}  // namespace vovido::test
