#pragma once
// Round trips of networks through the file formats: texts read as files of a format and written by a
// speaker, the model two networks hold (nodes, parents, outcomes, tables) compared by identifier, and
// posteriors compared with the reference cases.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/id_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/support/compare.h"
#include "tests/support/error_log.h"
#include "tests/support/reference_networks.h"
#include "tests/support/temp_file.h"

namespace vovido::test {

// Real files of other tools (tests/data/formats).
inline std::string FormatSamplePath(const std::string& file) {
    return std::string(VOVIDO_NETWORKS_DIR) + "/../formats/" + file;
}

inline std::string FormatSampleText(const std::string& file) {
    return ReadTextFile(FormatSamplePath(file));
}

// The text as a file with the extension (which picks the reader), read into net.
inline int ReadAsFile(VRX_network& net, const std::string& text, const std::string& extension) {
    const TempFile file("." + extension);
    file.Write(text);
    return net.ReadFile(file.c_str());
}

// The network as the speaker writes it into memory.
template <class Speaker>
std::string WrittenText(VRX_network& net) {
    std::string text;
    Speaker speaker(&net);
    EXPECT_EQ(speaker.WriteToText(text), kSuccess) << LogDump();
    return text;
}

// The node's table in storage order; empty when it has none.
inline std::vector<double> TableOf(VRX_network& net, int handle) {
    VRX_Dmatrix* m = nullptr;
    EXPECT_EQ(net.GetNode(handle)->GetDefinition()->GetDefinition(m), kSuccess) << IdOf(net, handle);
    return m != nullptr ? std::vector<double>(m->GetData(), m->GetData() + m->GetNumberOfElements())
                        : std::vector<double>();
}

inline std::vector<std::string> OutcomesOf(VRX_network& net, int handle) {
    std::vector<std::string> out;
    const VRX_idArray* names = net.GetNode(handle)->GetDefinition()->GetOutcomesNames();
    for (int i = 0; names != nullptr && i < names->GetCount(); ++i) out.emplace_back((*names)[i]);
    return out;
}

// Node identifiers, parents, kinds, outcomes and tables; the tables to `tolerance` (0: exactly).
inline void ExpectSameModel(VRX_network& a, VRX_network& b, double tolerance = 0.0) {
    ASSERT_EQ(a.GetNumberOfNodes(), b.GetNumberOfNodes());
    for (int ha = a.GetFirstNode(); ha >= 0; ha = a.GetNextNode(ha)) {
        const std::string id = IdOf(a, ha);
        const int hb = b.FindNode(id.c_str());
        ASSERT_GE(hb, 0) << id;
        EXPECT_EQ(IdsOf(a, a.GetParents(ha, 0)), IdsOf(b, b.GetParents(hb, 0))) << id;
        VRX_nodeDefinition& da = *a.GetNode(ha)->GetDefinition();
        VRX_nodeDefinition& db = *b.GetNode(hb)->GetDefinition();
        ASSERT_EQ(da.GetType(), db.GetType()) << id;
        if (da.GetOutcomesNames() != nullptr) {
            ASSERT_NE(db.GetOutcomesNames(), nullptr) << id;
            ExpectSameStrings(*da.GetOutcomesNames(), *db.GetOutcomesNames(), id + " outcomes");
        }
        VRX_Dmatrix* ta = nullptr;
        VRX_Dmatrix* tb = nullptr;
        if (da.GetDefinition(ta) != kSuccess || db.GetDefinition(tb) != kSuccess) continue;
        ASSERT_EQ(ta->GetNumberOfElements(), tb->GetNumberOfElements()) << id;
        double worst = 0.0;
        for (int i = 0; i < ta->GetNumberOfElements(); ++i)
            worst = std::max(worst, std::fabs((*ta)[i] - (*tb)[i]));
        EXPECT_LE(worst, tolerance) << id;
    }
}

// The first cases of the reference network `name` on net: posteriors to 1e-9 (or `tolerance`) of the
// references, besides the rounding of net's columns.
inline void ExpectReferencePosteriors(VRX_network& net, const std::string& name, size_t maxCases,
                                      double tolerance = 1e-9) {
    std::vector<ReferenceCase> cases = ReadReferenceCases(name);
    ASSERT_FALSE(cases.empty()) << name;
    // The references read rounded columns as they are; an update scales every column to sum to 1.
    tolerance += ColumnSumDeviation(net);
    if (cases.size() > maxCases) cases.resize(maxCases);
    for (const ReferenceCase& item : cases) {
        ASSERT_TRUE(SetCaseEvidence(net, item)) << name << " " << item.name;
        ASSERT_EQ(net.UpdateBeliefs(), kSuccess) << name << " " << item.name;
        for (const ReferencePosterior& posterior : item.posteriors) {
            const int h = net.FindNode(posterior.node.c_str());
            ASSERT_GE(h, 0) << posterior.node;
            VRX_Dmatrix* beliefs = nullptr;
            ASSERT_EQ(net.GetNode(h)->GetValue()->GetValue(beliefs), kSuccess);
            for (const auto& outcome : posterior.outcomes) {
                const int index = OutcomeIndex(net, h, outcome.first);
                ASSERT_GE(index, 0) << posterior.node << "=" << outcome.first;
                EXPECT_NEAR((*beliefs)[index], outcome.second, tolerance)
                    << name << " " << item.name << " " << posterior.node << "=" << outcome.first;
            }
        }
    }
}

}  // namespace vovido::test
