#pragma once
// Field-by-field comparison of two networks, for round trips through the file formats and copies: nodes
// are matched by identifier, every record and definition kind compared exactly.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/int_array.h"
#include "base/rectangle.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "definitions/cast.h"
#include "definitions/cpt.h"
#include "definitions/decision_list.h"
#include "definitions/demorgan.h"
#include "definitions/mau.h"
#include "definitions/node_cost.h"
#include "definitions/noisy_adder.h"
#include "definitions/noisy_max.h"
#include "definitions/truth_table.h"
#include "definitions/utility_table.h"
#include "model/documentation.h"
#include "model/extra_definition.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_info.h"
#include "model/saved_case.h"
#include "model/screen_info.h"
#include "model/submodel.h"
#include "model/user_properties.h"

namespace vovido::test {

// A text for comparison: "<null>" for null.
inline std::string Text(const char* text) {
    return text != nullptr ? text : "<null>";
}

inline void ExpectSameStrings(const VRX_stringArray& a, const VRX_stringArray& b, const std::string& what) {
    ASSERT_EQ(a.GetCount(), b.GetCount()) << what;
    for (int i = 0; i < a.GetCount(); ++i) EXPECT_EQ(Text(a[i]), Text(b[i])) << what << " item " << i;
}

inline void ExpectSameInts(const VRX_intArray& a, const VRX_intArray& b, const std::string& what) {
    ASSERT_EQ(a.GetCount(), b.GetCount()) << what;
    for (int i = 0; i < a.GetCount(); ++i) EXPECT_EQ(a[i], b[i]) << what << " item " << i;
}

inline void ExpectSameDoubles(const double* a, int na, const double* b, int nb, const std::string& what) {
    ASSERT_EQ(na, nb) << what;
    for (int i = 0; i < na; ++i) EXPECT_EQ(a[i], b[i]) << what << " item " << i;
}

// The items (count) of two double arrays.
inline void ExpectSameItems(const VRX_doubleArray& a, const VRX_doubleArray& b, const std::string& what) {
    ExpectSameDoubles(a.GetItems(), a.GetCount(), b.GetItems(), b.GetCount(), what);
}

inline void ExpectSameMatrix(const VRX_Dmatrix& a, const VRX_Dmatrix& b, const std::string& what) {
    ExpectSameInts(a.GetDimensions(), b.GetDimensions(), what + " dimensions");
    ExpectSameDoubles(a.GetData(), a.GetNumberOfElements(), b.GetData(), b.GetNumberOfElements(), what);
}

inline void ExpectSameHeader(const VRX_header& a, const VRX_header& b, const std::string& what) {
    EXPECT_EQ(Text(a.GetId()), Text(b.GetId())) << what;
    EXPECT_EQ(Text(a.GetName()), Text(b.GetName())) << what;
    EXPECT_EQ(Text(a.GetComment()), Text(b.GetComment())) << what;
}

inline void ExpectSameRectangle(const VRX_rectangle& a, const VRX_rectangle& b, const std::string& what) {
    EXPECT_EQ(a.centerX, b.centerX) << what;
    EXPECT_EQ(a.centerY, b.centerY) << what;
    EXPECT_EQ(a.width, b.width) << what;
    EXPECT_EQ(a.height, b.height) << what;
}

inline void ExpectSameScreen(const VRX_screenInfo& a, const VRX_screenInfo& b, const std::string& what) {
    ExpectSameRectangle(a.position, b.position, what + " position");
    EXPECT_EQ(a.color, b.color) << what;
    EXPECT_EQ(a.selColor, b.selColor) << what;
    EXPECT_EQ(a.font, b.font) << what;
    EXPECT_EQ(a.fontColor, b.fontColor) << what;
    EXPECT_EQ(a.borderThickness, b.borderThickness) << what;
    EXPECT_EQ(a.borderColor, b.borderColor) << what;
    EXPECT_EQ(a.arcFlags, b.arcFlags) << what;
}

inline void ExpectSameProperties(const VRX_userProperties& a, const VRX_userProperties& b,
                                 const std::string& what) {
    ExpectSameStrings(a.GetNames(), b.GetNames(), what + " property names");
    ExpectSameStrings(a.GetValues(), b.GetValues(), what + " property values");
}

inline void ExpectSameDocuments(const VRX_documentation& a, const VRX_documentation& b,
                                const std::string& what) {
    ASSERT_EQ(a.GetNumberOfDocuments(), b.GetNumberOfDocuments()) << what;
    for (int i = 0; i < a.GetNumberOfDocuments(); ++i) {
        EXPECT_EQ(Text(a.GetDocumentTitle(i)), Text(b.GetDocumentTitle(i))) << what;
        EXPECT_EQ(Text(a.GetDocumentPath(i)), Text(b.GetDocumentPath(i))) << what;
    }
}

inline void ExpectSameSubmodel(const VRX_submodel& a, const VRX_submodel& b, const std::string& what) {
    ExpectSameHeader(a.header, b.header, what);
    ExpectSameScreen(a.screenInfo, b.screenInfo, what + " screen");
    ExpectSameRectangle(a.windowPosition, b.windowPosition, what + " window");
    EXPECT_EQ(a.backgroundColor, b.backgroundColor) << what;
    ASSERT_EQ(a.textBoxes.GetNumberOfTextBoxes(), b.textBoxes.GetNumberOfTextBoxes()) << what;
    for (int i = 0; i < a.textBoxes.GetNumberOfTextBoxes(); ++i) {
        ExpectSameRectangle(a.textBoxes.GetBox(i), b.textBoxes.GetBox(i), what + " box");
        EXPECT_EQ(Text(a.textBoxes.GetText(i)), Text(b.textBoxes.GetText(i))) << what;
    }
}

inline std::string IdOf(const VRX_network& net, int handle) {
    const VRX_node* node = net.GetNode(handle);
    return node != nullptr ? Text(node->GetId()) : "<dead>";
}

inline std::vector<std::string> IdsOf(const VRX_network& net, const VRX_intArray& handles) {
    std::vector<std::string> out;
    for (int i = 0; i < handles.GetCount(); ++i) out.push_back(IdOf(net, handles[i]));
    return out;
}

inline std::string SubmodelIdOf(VRX_network& net, int handle) {
    const VRX_submodel* submodel = net.GetSubmodelHandler().GetSubmodel(handle);
    return submodel != nullptr ? Text(submodel->header.GetId()) : "<none>";
}

inline void ExpectSameDefinition(VRX_nodeDefinition& a, VRX_nodeDefinition& b, const std::string& what) {
    ASSERT_EQ(a.GetType(), b.GetType()) << what;
    if (a.GetOutcomesNames() != nullptr) {
        ASSERT_NE(b.GetOutcomesNames(), nullptr) << what;
        ExpectSameStrings(*a.GetOutcomesNames(), *b.GetOutcomesNames(), what + " outcomes");
    }
    VRX_Dmatrix* ta = nullptr;
    VRX_Dmatrix* tb = nullptr;
    ASSERT_EQ(a.GetDefinition(ta), b.GetDefinition(tb)) << what;
    if (ta != nullptr && tb != nullptr) ExpectSameMatrix(*ta, *tb, what + " table");
    switch (a.GetType()) {
        case DefinitionType::kList: {
            VRX_doubleArray* va = nullptr;
            VRX_doubleArray* vb = nullptr;
            ASSERT_EQ(a.GetDefinitionDoubles(va), kSuccess);
            ASSERT_EQ(b.GetDefinitionDoubles(vb), kSuccess);
            ExpectSameItems(*va, *vb, what + " values");
            break;
        }
        case DefinitionType::kNoisyMax: {
            auto& ma = static_cast<VRX_noisyMAX&>(a);
            auto& mb = static_cast<VRX_noisyMAX&>(b);
            ASSERT_EQ(ma.GetNumberOfParents(), mb.GetNumberOfParents()) << what;
            for (int j = 0; j < ma.GetNumberOfParents(); ++j) {
                ExpectSameInts(ma.GetParentOutcomeStrengths()[j], mb.GetParentOutcomeStrengths()[j],
                               what + " strengths");
            }
            ExpectSameMatrix(*ma.GetCiWeights(), *mb.GetCiWeights(), what + " weights");
            break;
        }
        case DefinitionType::kNoisyAdder: {
            auto& da = static_cast<VRX_noisyAdder&>(a);
            auto& db = static_cast<VRX_noisyAdder&>(b);
            EXPECT_EQ(da.GetFunction(), db.GetFunction()) << what;
            EXPECT_EQ(da.GetDistinguishedState(), db.GetDistinguishedState()) << what;
            ExpectSameInts(da.GetParentDistinguishedStates(), db.GetParentDistinguishedStates(),
                           what + " dstates");
            ExpectSameItems(da.GetWeights(), db.GetWeights(), what + " weights");
            ExpectSameMatrix(*da.GetCiWeights(), *db.GetCiWeights(), what + " parameters");
            break;
        }
        case DefinitionType::kCast: {
            auto& ca = static_cast<VRX_cast&>(a);
            auto& cb = static_cast<VRX_cast&>(b);
            EXPECT_EQ(ca.GetBaseline(), cb.GetBaseline()) << what;
            ExpectSameItems(ca.GetPositiveWeights(), cb.GetPositiveWeights(), what);
            ExpectSameItems(ca.GetNegativeWeights(), cb.GetNegativeWeights(), what);
            break;
        }
        case DefinitionType::kMau: {
            std::vector<std::string> ea;
            std::vector<std::string> eb;
            EXPECT_EQ(static_cast<VRX_mau&>(a).GetExpressions(ea),
                      static_cast<VRX_mau&>(b).GetExpressions(eb))
                << what;
            EXPECT_EQ(ea, eb) << what << " expressions";
            break;
        }
        case DefinitionType::kDeMorgan: {
            auto& ma = static_cast<VRX_demorgan&>(a);
            auto& mb = static_cast<VRX_demorgan&>(b);
            EXPECT_EQ(ma.GetPriorBelief(), mb.GetPriorBelief()) << what;
            ExpectSameInts(ma.GetParentTypes(), mb.GetParentTypes(), what + " types");
            ExpectSameItems(ma.GetParentWeights(), mb.GetParentWeights(), what);
            break;
        }
        default:
            break;
    }
}

inline void ExpectSameExtra(VRX_extraDefinition& a, VRX_extraDefinition& b, int outcomes,
                            const std::string& what) {
    EXPECT_EQ(a.diagType, b.diagType) << what;
    EXPECT_EQ(a.ranked, b.ranked) << what;
    EXPECT_EQ(a.mandatory, b.mandatory) << what;
    EXPECT_EQ(a.setAsDefault, b.setAsDefault) << what;
    EXPECT_EQ(a.showAs, b.showAs) << what;
    EXPECT_EQ(a.faultNameFormat, b.faultNameFormat) << what;
    ExpectSameInts(a.GetFaultOutcomes(), b.GetFaultOutcomes(), what + " faults");
    ExpectSameStrings(*a.GetFaultNames(), *b.GetFaultNames(), what + " fault names");
    ExpectSameStrings(*a.GetOutcomeLabels(), *b.GetOutcomeLabels(), what + " labels");
    ExpectSameStrings(*a.GetOutcomeDescriptions(), *b.GetOutcomeDescriptions(), what + " descriptions");
    ExpectSameStrings(*a.GetOutcomeFixes(), *b.GetOutcomeFixes(), what + " fixes");
    EXPECT_EQ(a.GetDefaultOutcome(), b.GetDefaultOutcome()) << what;
    EXPECT_EQ(std::string(a.GetQuestion()), std::string(b.GetQuestion())) << what;
    for (int i = 0; i < outcomes; ++i) {
        ASSERT_NE(a.GetOutcomeDocumentation(i), nullptr);
        ASSERT_NE(b.GetOutcomeDocumentation(i), nullptr);
        ExpectSameDocuments(*a.GetOutcomeDocumentation(i), *b.GetOutcomeDocumentation(i),
                            what + " outcome docs");
    }
}

inline void ExpectSameCase(const VRX_network& na, const VRX_case& a, const VRX_network& nb,
                           const VRX_case& b) {
    const std::string what = std::string("case ") + a.GetName();
    EXPECT_STREQ(a.GetName(), b.GetName());
    EXPECT_STREQ(a.GetCategory(), b.GetCategory()) << what;
    EXPECT_STREQ(a.GetDescription(), b.GetDescription()) << what;
    EXPECT_EQ(a.GetCreated(), b.GetCreated()) << what;
    EXPECT_EQ(a.GetModified(), b.GetModified()) << what;
    ASSERT_EQ(a.GetNumberOfTargets(), b.GetNumberOfTargets()) << what;
    for (int i = 0; i < a.GetNumberOfTargets(); ++i)
        EXPECT_EQ(IdOf(na, a.GetTarget(i)), IdOf(nb, b.GetTarget(i)));
    ASSERT_EQ(a.GetNumberOfEvidence(), b.GetNumberOfEvidence()) << what;
    for (int i = 0; i < a.GetNumberOfEvidence(); ++i) {
        const VRX_caseEntry& ea = *a.GetEntry(i);
        const VRX_caseEntry& eb = *b.GetEntry(i);
        EXPECT_EQ(IdOf(na, ea.node), IdOf(nb, eb.node)) << what;
        EXPECT_EQ(ea.outcome, eb.outcome) << what;
        EXPECT_EQ(ea.value, eb.value) << what;
        EXPECT_EQ(ea.slices, eb.slices) << what;
    }
}

// Field by field; nodes are matched by identifier.
inline void ExpectSameNetwork(VRX_network& a, VRX_network& b) {
    ExpectSameHeader(*a.GetHeader(), *b.GetHeader(), "network header");
    EXPECT_EQ(Text(a.creation.GetCreator()), Text(b.creation.GetCreator()));
    EXPECT_EQ(Text(a.creation.GetCreated()), Text(b.creation.GetCreated()));
    EXPECT_EQ(Text(a.creation.GetModified()), Text(b.creation.GetModified()));
    EXPECT_EQ(a.numSamples, b.numSamples);
    EXPECT_EQ(a.faultNameFormat, b.faultNameFormat);
    ExpectSameProperties(a.userProperties, b.userProperties, "network");
    ExpectSameDocuments(a.documentation, b.documentation, "network");

    VRX_intArray subsA;
    VRX_intArray subsB;
    ASSERT_EQ(a.GetSubmodelHandler().GetAllSubmodels(subsA), kSuccess);
    ASSERT_EQ(b.GetSubmodelHandler().GetAllSubmodels(subsB), kSuccess);
    ASSERT_EQ(subsA.GetCount(), subsB.GetCount());
    for (int i = 0; i < subsA.GetCount(); ++i) {
        const VRX_submodel& sa = *a.GetSubmodelHandler().GetSubmodel(subsA[i]);
        const VRX_submodel& sb = *b.GetSubmodelHandler().GetSubmodel(subsB[i]);
        const std::string what = "submodel " + Text(sa.header.GetId());
        // The main submodel's identifier is the network's, compared above.
        if (i > 0) ExpectSameSubmodel(sa, sb, what);
        if (i == 0) {
            ExpectSameScreen(sa.screenInfo, sb.screenInfo, what);
            ExpectSameRectangle(sa.windowPosition, sb.windowPosition, what);
            EXPECT_EQ(sa.backgroundColor, sb.backgroundColor);
        }
        if (i > 0) {
            EXPECT_EQ(SubmodelIdOf(a, a.GetSubmodelHandler().GetParentSubmodel(subsA[i])),
                      SubmodelIdOf(b, b.GetSubmodelHandler().GetParentSubmodel(subsB[i])))
                << what;
        }
    }

    ASSERT_EQ(a.GetNumberOfNodes(), b.GetNumberOfNodes());
    for (int ha = a.GetFirstNode(); ha >= 0; ha = a.GetNextNode(ha)) {
        const std::string id = IdOf(a, ha);
        const int hb = b.FindNode(id.c_str());
        ASSERT_GE(hb, 0) << id;
        VRX_node& na = *a.GetNode(ha);
        VRX_node& nb = *b.GetNode(hb);
        ExpectSameHeader(na.GetInfo()->header, nb.GetInfo()->header, id);
        ExpectSameScreen(na.GetInfo()->screenInfo, nb.GetInfo()->screenInfo, id);
        ExpectSameProperties(na.GetInfo()->userProperties, nb.GetInfo()->userProperties, id);
        ExpectSameDocuments(na.GetInfo()->documentation, nb.GetInfo()->documentation, id);
        EXPECT_EQ(a.IsTarget(ha), b.IsTarget(hb)) << id;
        EXPECT_EQ(SubmodelIdOf(a, na.GetSubmodel()), SubmodelIdOf(b, nb.GetSubmodel())) << id;
        EXPECT_EQ(IdsOf(a, a.GetParents(ha, 0)), IdsOf(b, b.GetParents(hb, 0))) << id;
        EXPECT_EQ(IdsOf(a, a.GetParents(ha, 1)), IdsOf(b, b.GetParents(hb, 1))) << id;
        ExpectSameDefinition(*na.GetDefinition(), *nb.GetDefinition(), id);
        ExpectSameExtra(*na.GetExtraDefinition(), *nb.GetExtraDefinition(),
                        na.GetDefinition()->GetNumberOfOutcomes(), id);
        ExpectSameMatrix(*na.GetCost()->GetCosts(), *nb.GetCost()->GetCosts(), id + " costs");
    }
    ASSERT_EQ(a.GetNumberOfCases(), b.GetNumberOfCases());
    for (int i = 0; i < a.GetNumberOfCases(); ++i) ExpectSameCase(a, *a.GetCase(i), b, *b.GetCase(i));
}

}  // namespace vovido::test
