// Tests of the diagnostic extra definition: per-outcome upkeep, labels across nodes and range checks.
#include "model/extra_definition.h"

#include <gtest/gtest.h>

#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/arrays.h"

namespace {

using namespace vovido::test;

class ExtraDefinitionTest : public ::testing::Test {
protected:
    void SetUp() override {
        a = net.AddNode(DefinitionType::kCpt, "A");
        b = net.AddNode(DefinitionType::kCpt, "B");
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
        extraA = net.GetNode(a)->GetExtraDefinition();
        extraB = net.GetNode(b)->GetExtraDefinition();
        ASSERT_NE(extraA, nullptr);
        ASSERT_NE(extraB, nullptr);
    }

    // Gives node A three outcomes through its definition, so that the extra definition follows.
    void GrowAToThreeOutcomes() {
        ASSERT_EQ(net.GetNode(a)->GetDefinition()->AddOutcome("Third"), kSuccess);
        ASSERT_EQ(extraA->GetFaultOutcomes().GetCount(), 3);
    }

    VRX_network net;
    int a = -1;
    int b = -1;
    VRX_extraDefinition* extraA = nullptr;
    VRX_extraDefinition* extraB = nullptr;
};

TEST_F(ExtraDefinitionTest, ConstructionSizesEverySequenceForTheOutcomes) {
    const int n = net.GetNode(a)->GetDefinition()->GetNumberOfOutcomes();
    ASSERT_EQ(n, 2);
    EXPECT_TRUE(extraA->IsValid());
    EXPECT_EQ(extraA->GetHandle(), a);
    EXPECT_EQ(extraA->GetNetwork(), &net);
    EXPECT_EQ(extraA->SetNetwork(nullptr), kOutOfRange);
    EXPECT_EQ(extraA->GetNetwork(), &net);
    EXPECT_EQ(extraA->GetFaultOutcomes().GetCount(), n);
    EXPECT_EQ(extraA->GetOutcomeDescriptions()->GetCount(), n);
    EXPECT_EQ(extraA->GetFaultNames()->GetCount(), n);
    EXPECT_EQ(extraA->GetOutcomeLabels()->GetCount(), n);
    EXPECT_EQ(extraA->GetOutcomeFixes()->GetCount(), n);
    EXPECT_EQ(extraA->GetNumberOfOutcomeDocumentations(), n);
    EXPECT_STREQ(extraA->GetOutcomeDescription(1), "");
    EXPECT_STREQ(extraA->GetOutcomeFix(0), "");
    EXPECT_EQ(extraA->IsFaultOutcome(0), 0);
    EXPECT_EQ(extraA->GetDefaultOutcome(), 0);
    EXPECT_EQ(extraA->diagType, DiagnosisType::kAuxiliary);
    EXPECT_EQ(extraA->ranked, 0);
    EXPECT_EQ(extraA->mandatory, 0);
    EXPECT_EQ(extraA->setAsDefault, 0);
    EXPECT_EQ(extraA->showAs, 4);
    EXPECT_EQ(extraA->faultNameFormat, FaultNameFormat::kInherit);
    EXPECT_STREQ(extraA->GetQuestion(), "");
}

// The texts and documents of a node that never had any answer, through every upkeep and copy, as those
// of a node whose texts were all set empty.
TEST_F(ExtraDefinitionTest, UntouchedTextsAnswerAsEmptyOnesThroughUpkeepAndCopies) {
    ASSERT_EQ(extraB->SetOutcomeDescription(0, ""), kSuccess);  // B's texts are built, A's are not
    for (VRX_extraDefinition* extra : {extraA, extraB}) {
        const int node = extra == extraA ? a : b;
        ASSERT_EQ(net.GetNode(node)->GetDefinition()->InsertOutcome(1, "New"), kSuccess);
        ASSERT_EQ(net.GetNode(node)->GetDefinition()->RemoveOutcome(0), kSuccess);
        ASSERT_EQ(net.GetNode(node)->GetDefinition()->AddOutcome("Last"), kSuccess);
        ASSERT_EQ(extra->ChangeOrderOfOutcomes(Ints({2, 0, 1})), kSuccess);
    }
    const VRX_extraDefinition copy(*extraA);
    for (const VRX_extraDefinition* extra : {static_cast<const VRX_extraDefinition*>(extraA), &copy}) {
        EXPECT_EQ(extra->GetNumberOfOutcomeDocumentations(), 3);
        EXPECT_STREQ(extra->GetOutcomeDescription(2), extraB->GetOutcomeDescription(2));
        EXPECT_EQ(extra->GetOutcomeFix(3), nullptr);
        EXPECT_EQ(extra->GetOutcomeLabels()->GetCount(), 3);
    }
    EXPECT_EQ(extraA->GetFaultNames()->GetCount(), 3);
    EXPECT_EQ(extraA->GetOutcomeDocumentation(2)->GetNumberOfDocuments(), 0);
    // A label any node takes is checked against the untouched labels too.
    EXPECT_EQ(extraB->SetOutcomeLabel(0, "Taken"), kSuccess);
    EXPECT_EQ(extraA->SetOutcomeLabel(0, "Taken"), kOutOfRange);
}

TEST_F(ExtraDefinitionTest, IndicesOutsideTheOutcomesAreRefused) {
    EXPECT_EQ(extraA->SetFaultOutcome(2, 1), kOutOfRange);
    EXPECT_EQ(extraA->SetFaultOutcome(-1, 1), kOutOfRange);
    EXPECT_EQ(extraA->IsFaultOutcome(2), 0);
    EXPECT_EQ(extraA->IsFaultOutcome(-1), 0);
    EXPECT_EQ(extraA->GetOutcomeDocumentation(2), nullptr);
    EXPECT_EQ(extraA->GetOutcomeDocumentation(-1), nullptr);
    EXPECT_EQ(extraA->GetOutcomeDescription(2), nullptr);
    EXPECT_EQ(extraA->GetOutcomeFix(-1), nullptr);
    EXPECT_EQ(extraA->SetOutcomeDescription(2, "x"), kOutOfRange);
    EXPECT_EQ(extraA->SetOutcomeFix(-1, "x"), kOutOfRange);
    EXPECT_EQ(extraA->SetOutcomeLabel(2, "Lbl"), kOutOfRange);
    EXPECT_EQ(extraA->InsertOutcome(3), kOutOfRange);
    EXPECT_EQ(extraA->RemoveOutcome(2), kOutOfRange);
    EXPECT_EQ(extraA->GetFaultOutcomes().GetCount(), 2);
}

TEST_F(ExtraDefinitionTest, FaultMarksAreStoredAsZeroOrOne) {
    EXPECT_EQ(extraA->SetFaultOutcome(1, 7), kSuccess);
    EXPECT_EQ(extraA->GetFaultOutcomes()[1], 1);
    EXPECT_EQ(extraA->IsFaultOutcome(1), 1);
    EXPECT_EQ(extraA->SetFaultOutcomes(Ints({0, 1, 1})), kOutOfRange);
    EXPECT_EQ(extraA->IsFaultOutcome(1), 1);
    EXPECT_EQ(extraA->SetFaultOutcomes(Ints({-3, 0})), kSuccess);
    EXPECT_EQ(extraA->GetFaultOutcomes()[0], 1);
    EXPECT_EQ(extraA->GetFaultOutcomes()[1], 0);
}

TEST_F(ExtraDefinitionTest, DefaultOutcomeMustLieWithinTheDefinitionsOutcomes) {
    EXPECT_EQ(extraA->SetDefaultOutcome(1), kSuccess);
    EXPECT_EQ(extraA->GetDefaultOutcome(), 1);
    EXPECT_EQ(extraA->SetDefaultOutcome(2), kOutOfRange);
    EXPECT_EQ(extraA->GetDefaultOutcome(), 0);
    EXPECT_EQ(extraA->SetDefaultOutcome(-1), kOutOfRange);
    EXPECT_EQ(extraA->GetDefaultOutcome(), 0);
}

TEST_F(ExtraDefinitionTest, InsertingAndRemovingOutcomesMoveTheDefaultAndTheTexts) {
    GrowAToThreeOutcomes();
    ASSERT_EQ(extraA->SetOutcomeDescription(1, "one"), kSuccess);
    ASSERT_EQ(extraA->SetOutcomeFix(2, "fix two"), kSuccess);
    ASSERT_EQ(extraA->SetFaultOutcome(1, 1), kSuccess);
    ASSERT_EQ(extraA->GetOutcomeDocumentation(1)->AddDocument("Manual", "manual.pdf"), kSuccess);
    ASSERT_EQ(extraA->SetDefaultOutcome(1), kSuccess);

    // Through the definition: the outcome notice reaches the extra definition.
    ASSERT_EQ(net.GetNode(a)->GetDefinition()->InsertOutcome(1, "New"), kSuccess);
    EXPECT_EQ(extraA->GetDefaultOutcome(), 2);
    EXPECT_STREQ(extraA->GetOutcomeDescription(1), "");
    EXPECT_STREQ(extraA->GetOutcomeDescription(2), "one");
    EXPECT_STREQ(extraA->GetOutcomeFix(3), "fix two");
    EXPECT_EQ(extraA->IsFaultOutcome(1), 0);
    EXPECT_EQ(extraA->IsFaultOutcome(2), 1);
    EXPECT_EQ(extraA->GetOutcomeDocumentation(1)->GetNumberOfDocuments(), 0);
    EXPECT_STREQ(extraA->GetOutcomeDocumentation(2)->GetDocumentTitle(0), "Manual");

    // A removal below the default moves it down; removing the default makes outcome 0 the default.
    ASSERT_EQ(net.GetNode(a)->GetDefinition()->RemoveOutcome(0), kSuccess);
    EXPECT_EQ(extraA->GetDefaultOutcome(), 1);
    EXPECT_STREQ(extraA->GetOutcomeDescription(1), "one");
    ASSERT_EQ(net.GetNode(a)->GetDefinition()->RemoveOutcome(1), kSuccess);
    EXPECT_EQ(extraA->GetDefaultOutcome(), 0);
    EXPECT_EQ(extraA->GetFaultOutcomes().GetCount(), 2);
    EXPECT_EQ(extraA->GetNumberOfOutcomeDocumentations(), 2);
    EXPECT_STREQ(extraA->GetOutcomeFix(1), "fix two");
    EXPECT_EQ(extraA->IsFaultOutcome(0), 0);
}

TEST_F(ExtraDefinitionTest, ChangeOrderPermutesEveryPerOutcomeSequence) {
    GrowAToThreeOutcomes();
    ASSERT_EQ(extraA->SetOutcomeDescription(0, "a"), kSuccess);
    ASSERT_EQ(extraA->SetOutcomeDescription(1, "b"), kSuccess);
    ASSERT_EQ(extraA->SetOutcomeDescription(2, "c"), kSuccess);
    ASSERT_EQ(extraA->GetFaultNames()->SetString(2, "fault c"), kSuccess);
    ASSERT_EQ(extraA->SetOutcomeLabel(0, "LabelA"), kSuccess);
    ASSERT_EQ(extraA->SetFaultOutcome(0, 1), kSuccess);
    ASSERT_EQ(extraA->GetOutcomeDocumentation(2)->AddDocument("Doc", "c.html"), kSuccess);

    EXPECT_EQ(extraA->ChangeOrderOfOutcomes(Ints({0, 0, 1})), kOutOfRange);
    EXPECT_STREQ(extraA->GetOutcomeDescription(0), "a");

    ASSERT_EQ(extraA->ChangeOrderOfOutcomes(Ints({2, 0, 1})), kSuccess);
    EXPECT_STREQ(extraA->GetOutcomeDescription(0), "c");
    EXPECT_STREQ(extraA->GetOutcomeDescription(1), "a");
    EXPECT_STREQ(extraA->GetOutcomeDescription(2), "b");
    EXPECT_STREQ((*extraA->GetFaultNames())[0], "fault c");
    EXPECT_STREQ((*extraA->GetOutcomeLabels())[1], "LabelA");
    EXPECT_EQ(extraA->IsFaultOutcome(1), 1);
    EXPECT_EQ(extraA->IsFaultOutcome(0), 0);
    // Old default 0 now stands at position 1.
    EXPECT_EQ(extraA->GetDefaultOutcome(), 1);
    EXPECT_STREQ(extraA->GetOutcomeDocumentation(0)->GetDocumentTitle(0), "Doc");
    EXPECT_EQ(extraA->GetOutcomeDocumentation(2)->GetNumberOfDocuments(), 0);
}

TEST_F(ExtraDefinitionTest, LabelsAreUniqueAcrossNodesExceptWhileReading) {
    EXPECT_EQ(extraA->SetOutcomeLabel(0, "Shared"), kSuccess);
    EXPECT_EQ(extraB->SetOutcomeLabel(0, "Shared"), kOutOfRange);
    EXPECT_STREQ((*extraB->GetOutcomeLabels())[0], "");
    // Another outcome of the same node cannot take it either.
    EXPECT_EQ(extraA->SetOutcomeLabel(1, "Shared"), kOutOfRange);
    // Re-setting an outcome's own label is fine.
    EXPECT_EQ(extraA->SetOutcomeLabel(0, "Shared"), kSuccess);
    EXPECT_EQ(extraA->SetOutcomeLabel(1, "9lives"), kOutOfRange);
    EXPECT_EQ(extraA->SetOutcomeLabel(1, nullptr), kOutOfRange);
    // Several outcomes may be unlabelled.
    EXPECT_EQ(extraA->SetOutcomeLabel(0, ""), kSuccess);
    EXPECT_EQ(extraA->SetOutcomeLabel(1, ""), kSuccess);

    ASSERT_EQ(extraA->SetOutcomeLabel(0, "Shared"), kSuccess);
    net.readingFlags = ReadingFlags::kReading;
    EXPECT_EQ(extraB->SetOutcomeLabel(0, "Shared"), kSuccess);
    EXPECT_EQ(extraB->SetOutcomeLabel(1, "9lives"), kSuccess);
    net.readingFlags = 0;
    EXPECT_STREQ((*extraB->GetOutcomeLabels())[0], "Shared");
    EXPECT_STREQ((*extraB->GetOutcomeLabels())[1], "9lives");
}

TEST_F(ExtraDefinitionTest, RefusedLabelsAreStoredWithAGeneratedNumber) {
    // Four outcomes in the network: numbering starts at 5.
    EXPECT_EQ(extraA->SetOutcomeLabels(Strings({"Good", "9bad"})), kOutOfRange);
    EXPECT_STREQ((*extraA->GetOutcomeLabels())[0], "Good");
    EXPECT_STREQ((*extraA->GetOutcomeLabels())[1], "9bad5");

    // A label taken elsewhere is numbered past the numbers already in use, this node's labels included.
    net.readingFlags = ReadingFlags::kReading;
    ASSERT_EQ(extraB->SetOutcomeLabel(1, "Good5"), kSuccess);
    net.readingFlags = 0;
    EXPECT_EQ(extraB->SetOutcomeLabels(Strings({"Good", "Fine"})), kOutOfRange);
    EXPECT_STREQ((*extraB->GetOutcomeLabels())[0], "Good6");
    EXPECT_STREQ((*extraB->GetOutcomeLabels())[1], "Fine");

    // Items beyond the outcomes are refused without being stored anywhere.
    EXPECT_EQ(extraA->SetOutcomeLabels(Strings({"P", "Q", "R"})), kOutOfRange);
    EXPECT_STREQ((*extraA->GetOutcomeLabels())[0], "P");
    EXPECT_STREQ((*extraA->GetOutcomeLabels())[1], "Q");
    EXPECT_EQ(extraA->GetOutcomeLabels()->GetCount(), 2);
    EXPECT_EQ(extraA->SetOutcomeLabels(Strings({"S", "T"})), kSuccess);
}

TEST_F(ExtraDefinitionTest, OutcomeSetReplacedByTheDefinitionResetsThePerOutcomeData) {
    ASSERT_EQ(extraA->SetOutcomeDescription(0, "gone"), kSuccess);
    ASSERT_EQ(extraA->SetFaultOutcome(1, 1), kSuccess);
    extraA->diagType = DiagnosisType::kObservation;
    ASSERT_EQ(extraA->SetQuestion("Is it on?"), kSuccess);
    ASSERT_EQ(extraA->SetDefaultOutcome(1), kSuccess);
    ASSERT_EQ(net.GetNode(a)->GetDefinition()->SetNumberOfOutcomes(4), kSuccess);
    EXPECT_EQ(extraA->GetFaultOutcomes().GetCount(), 4);
    EXPECT_EQ(extraA->GetNumberOfOutcomeDocumentations(), 4);
    EXPECT_EQ(extraA->GetOutcomeLabels()->GetCount(), 4);
    EXPECT_STREQ(extraA->GetOutcomeDescription(0), "");
    EXPECT_EQ(extraA->IsFaultOutcome(1), 0);
    // Role, question and default are not per-outcome data.
    EXPECT_EQ(extraA->diagType, DiagnosisType::kObservation);
    EXPECT_STREQ(extraA->GetQuestion(), "Is it on?");
    EXPECT_EQ(extraA->GetDefaultOutcome(), 1);
    // A default outcome the new set no longer has falls back to the first outcome.
    ASSERT_EQ(extraA->SetDefaultOutcome(3), kSuccess);
    ASSERT_EQ(net.GetNode(a)->GetDefinition()->SetNumberOfOutcomes(2), kSuccess);
    EXPECT_EQ(extraA->GetDefaultOutcome(), 0);
}

TEST_F(ExtraDefinitionTest, CopiesAreDeepAndModelOnlyCopiesKeepNoTexts) {
    ASSERT_EQ(extraA->SetOutcomeDescription(0, "desc"), kSuccess);
    ASSERT_EQ(extraA->SetOutcomeLabel(1, "Lbl"), kSuccess);
    ASSERT_EQ(extraA->SetFaultOutcome(1, 1), kSuccess);
    ASSERT_EQ(extraA->GetOutcomeDocumentation(0)->AddDocument("T", "p"), kSuccess);
    ASSERT_EQ(extraA->SetQuestion("Q?"), kSuccess);
    extraA->diagType = DiagnosisType::kTarget;
    extraA->ranked = 1;
    extraA->showAs = 2;
    extraA->faultNameFormat = FaultNameFormat::kNode;
    ASSERT_EQ(extraA->SetDefaultOutcome(1), kSuccess);

    VRX_extraDefinition copy(*extraA);
    EXPECT_TRUE(copy.IsValid());
    EXPECT_EQ(copy.GetHandle(), a);
    EXPECT_STREQ(copy.GetOutcomeDescription(0), "desc");
    EXPECT_STREQ((*copy.GetOutcomeLabels())[1], "Lbl");
    EXPECT_TRUE(copy.GetOutcomeLabels()->GetAllowEmpty());
    EXPECT_EQ(copy.IsFaultOutcome(1), 1);
    EXPECT_STREQ(copy.GetQuestion(), "Q?");
    EXPECT_EQ(copy.diagType, DiagnosisType::kTarget);
    EXPECT_EQ(copy.ranked, 1);
    EXPECT_EQ(copy.showAs, 2);
    EXPECT_EQ(copy.faultNameFormat, FaultNameFormat::kNode);
    EXPECT_EQ(copy.GetDefaultOutcome(), 1);
    ASSERT_NE(copy.GetOutcomeDocumentation(0), extraA->GetOutcomeDocumentation(0));
    ASSERT_EQ(copy.GetOutcomeDocumentation(0)->AddDocument("T2", "p2"), kSuccess);
    ASSERT_EQ(copy.SetOutcomeDescription(0, "changed"), kSuccess);
    EXPECT_EQ(extraA->GetOutcomeDocumentation(0)->GetNumberOfDocuments(), 1);
    EXPECT_STREQ(extraA->GetOutcomeDescription(0), "desc");

    VRX_extraDefinition modelOnly(*extraA, VRX_extraDefinition::ModelOnly{});
    EXPECT_TRUE(modelOnly.IsValid());
    EXPECT_EQ(modelOnly.IsFaultOutcome(1), 1);
    EXPECT_EQ(modelOnly.GetDefaultOutcome(), 1);
    EXPECT_EQ(modelOnly.diagType, DiagnosisType::kTarget);
    EXPECT_EQ(modelOnly.ranked, 1);
    EXPECT_EQ(modelOnly.showAs, 2);
    EXPECT_STREQ(modelOnly.GetQuestion(), "");
    EXPECT_EQ(modelOnly.GetOutcomeDescription(0), nullptr);
    EXPECT_EQ(modelOnly.GetOutcomeLabels()->GetCount(), 0);
    EXPECT_EQ(modelOnly.GetOutcomeDocumentation(0), nullptr);
    // Its upkeep follows the marks and leaves the absent texts alone.
    EXPECT_EQ(modelOnly.InsertOutcome(0), kSuccess);
    EXPECT_EQ(modelOnly.GetFaultOutcomes().GetCount(), 3);
    EXPECT_EQ(modelOnly.IsFaultOutcome(2), 1);
    EXPECT_EQ(modelOnly.GetDefaultOutcome(), 2);
    EXPECT_EQ(modelOnly.ChangeOrderOfOutcomes(Ints({2, 1, 0})), kSuccess);
    EXPECT_EQ(modelOnly.GetDefaultOutcome(), 0);
    EXPECT_EQ(modelOnly.RemoveOutcome(1), kSuccess);
    EXPECT_EQ(modelOnly.GetOutcomeLabels()->GetCount(), 0);

    EXPECT_EQ(copy.Copy(copy), kSuccess);
    copy.CleanUp(1);
    EXPECT_EQ(copy.GetFaultOutcomes().GetCount(), 0);
}

}  // namespace
