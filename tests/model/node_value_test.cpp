// Node value base: unsupported slots, the shared fields and their copy, and the indexing parents.
#include "model/node_value.h"

#include <gtest/gtest.h>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"

namespace {

// A kind with nothing of its own.
class BareValue : public VRX_nodeValue {
public:
    BareValue(int handle, VRX_network* network) : VRX_nodeValue(handle, network) {}
    int GetType() const override { return ValueType::kExpectedUtility; }
    void MarkInvalid() { SetFlag(kValid, false); }
    VRX_intArray& Parents() { return indexingParents; }
};

// A kind that keeps a value matrix, so indexing parents can give it dimensions.
class MatrixValue : public BareValue {
public:
    MatrixValue(int handle, VRX_network* network) : BareValue(handle, network) {
        VRX_intArray own;
        EXPECT_EQ(own.Add(2), kSuccess);
        EXPECT_EQ(matrix.Setup(own), kSuccess);
        matrix[0] = 0.25;
        matrix[1] = 0.75;
    }
    int GetValue(VRX_Dmatrix*& out) override {
        out = &matrix;
        return kSuccess;
    }

    VRX_Dmatrix matrix;
};

}  // namespace

TEST(NodeValueBase, UnsupportedSlotsAnswerWrongNodeType) {
    BareValue v(5, nullptr);
    double d = 0.0;
    VRX_doubleArray weights;
    VRX_Dmatrix matrix;
    VRX_Dmatrix* out = nullptr;
    EXPECT_EQ(v.RebuildFromDefinition(), kWrongNodeType);
    EXPECT_EQ(v.GetContEvidence(d), kWrongNodeType);
    EXPECT_EQ(v.GetEvidence(), kWrongNodeType);
    EXPECT_EQ(v.SetEvidence(0), kWrongNodeType);
    EXPECT_EQ(v.SetContEvidence(1.5), kWrongNodeType);
    EXPECT_EQ(v.ClearEvidence(), kWrongNodeType);
    EXPECT_EQ(v.ClearPropagatedEvidence(), kWrongNodeType);
    EXPECT_EQ(v.SetPropagatedContEvidence(1.5), kWrongNodeType);
    EXPECT_EQ(v.SetPropagatedEvidence(0), kWrongNodeType);
    EXPECT_EQ(v.GetVirtualEvidence(weights), kWrongNodeType);
    EXPECT_EQ(v.SetVirtualEvidence(weights), kWrongNodeType);
    EXPECT_EQ(v.GetValue(out), kWrongNodeType);
    EXPECT_EQ(v.SetValue(matrix), kWrongNodeType);
    // The size is read through the matrix, which this kind does not have.
    EXPECT_EQ(v.GetSize(), kWrongNodeType);
    EXPECT_EQ(v.GetValueFlags(), 0u);
}

TEST(NodeValueBase, ConstructedValidWhateverTheHandle) {
    BareValue v(-7, nullptr);
    EXPECT_TRUE(v.IsValid());
    EXPECT_TRUE(v.IsConsistent());
    EXPECT_EQ(v.GetHandle(), -7);
    MatrixValue m(0, nullptr);
    EXPECT_EQ(m.GetSize(), 2);
}

TEST(NodeValueBase, CleanUpClearsFlagsAndOnlyDeepClearsIndexingParents) {
    BareValue v(1, nullptr);
    v.SetValueFlag(ValueFlags::kEvidence | ValueFlags::kUpToDate, true);
    ASSERT_EQ(v.Parents().Add(4), kSuccess);
    v.CleanUp(0);
    EXPECT_EQ(v.GetValueFlags(), 0u);
    EXPECT_EQ(v.GetIndexingParents().GetCount(), 1);
    v.CleanUp(1);
    EXPECT_EQ(v.GetIndexingParents().GetCount(), 0);
    EXPECT_TRUE(v.IsValid());
}

TEST(NodeValueBase, CopyTakesSharedFieldsFromAValidSourceOnly) {
    VRX_network net;
    BareValue source(3, &net);
    source.SetValueFlag(ValueFlags::kPropagatedEvidence | ValueFlags::kCutOff, true);
    ASSERT_EQ(source.Parents().Add(1), kSuccess);
    ASSERT_EQ(source.Parents().Add(2), kSuccess);

    BareValue target(9, nullptr);
    EXPECT_EQ(target.CopyFrom(source), kSuccess);
    EXPECT_EQ(target.GetHandle(), 3);
    EXPECT_EQ(target.GetNetwork(), &net);
    EXPECT_EQ(target.GetValueFlags(), ValueFlags::kPropagatedEvidence | ValueFlags::kCutOff);
    EXPECT_EQ(target.GetIndexingParents(), source.GetIndexingParents());
    EXPECT_EQ(target.CopyFrom(target), kSuccess);

    BareValue clone(8, nullptr);
    EXPECT_EQ(clone.CloneFrom(source), kSuccess);
    EXPECT_EQ(clone.GetHandle(), 3);

    BareValue copied(source);
    EXPECT_EQ(copied.GetHandle(), 3);
    EXPECT_EQ(copied.GetIndexingParents().GetCount(), 2);
    EXPECT_TRUE(copied.IsValid());

    source.MarkInvalid();
    BareValue untouched(6, nullptr);
    EXPECT_EQ(untouched.CopyFrom(source), kObjectNotValid);
    EXPECT_EQ(untouched.GetHandle(), 6);
    EXPECT_EQ(untouched.GetValueFlags(), 0u);
    BareValue empty(source);
    EXPECT_EQ(empty.GetHandle(), -1);
    EXPECT_EQ(empty.GetNetwork(), nullptr);
}

class AddIndexingParentTest : public ::testing::Test {
protected:
    void SetUp() override {
        a = net.AddNode(DefinitionType::kCpt, "A");
        b = net.AddNode(DefinitionType::kCpt, "B");
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
        // A CPT of three outcomes.
        ASSERT_EQ(net.GetNode(a)->GetDefinition()->AddOutcome("Third"), kSuccess);
    }

    VRX_network net;
    int a = -1;
    int b = -1;
};

TEST_F(AddIndexingParentTest, IndexingParentOpensADimensionRepeatingTheEntries) {
    MatrixValue v(b, &net);
    EXPECT_EQ(v.AddIndexingParent(a), kSuccess);
    EXPECT_EQ(v.GetIndexingParents().GetCount(), 1);
    ASSERT_EQ(v.matrix.GetNumberOfDimensions(), 2);
    EXPECT_EQ(v.matrix.GetSizeOfDimension(0), 3);
    EXPECT_EQ(v.matrix.GetSizeOfDimension(1), 2);
    for (int k = 0; k < 3; k++) {
        EXPECT_DOUBLE_EQ(v.matrix[2 * k], 0.25);
        EXPECT_DOUBLE_EQ(v.matrix[2 * k + 1], 0.75);
    }
    EXPECT_EQ(v.GetSize(), 6);
}

TEST_F(AddIndexingParentTest, RepeatedOrMutualParentChangesNothing) {
    MatrixValue v(b, &net);
    ASSERT_EQ(v.AddIndexingParent(a), kSuccess);
    EXPECT_EQ(v.AddIndexingParent(a), kSuccess);
    EXPECT_EQ(v.GetIndexingParents().GetCount(), 1);
    EXPECT_EQ(v.GetSize(), 6);

    // B's own value indexed by A: A's value may not be indexed by B in turn.
    VRX_nodeValue* valueOfB = net.GetNode(b)->GetValue();
    ASSERT_EQ(valueOfB->AddIndexingParent(a), kSuccess);
    MatrixValue ofA(a, &net);
    EXPECT_EQ(ofA.AddIndexingParent(b), kSuccess);
    EXPECT_EQ(ofA.GetIndexingParents().GetCount(), 0);
    EXPECT_EQ(ofA.GetSize(), 2);
}

TEST_F(AddIndexingParentTest, BadHandleIsRefused) {
    MatrixValue v(b, &net);
    EXPECT_EQ(v.AddIndexingParent(-1), kOutOfRange);
    EXPECT_EQ(v.AddIndexingParent(net.GetNumberOfSlots()), kOutOfRange);
    ASSERT_EQ(net.DeleteNode(a), kSuccess);
    EXPECT_EQ(v.AddIndexingParent(a), kOutOfRange);
    EXPECT_EQ(v.GetIndexingParents().GetCount(), 0);
    BareValue unbound(0, nullptr);
    EXPECT_EQ(unbound.AddIndexingParent(b), kOutOfRange);
}

TEST_F(AddIndexingParentTest, ParentWithoutAnIndexingDefinitionIsListedWithoutDimension) {
    VRX_node* parent = net.GetNode(a);
    // A node whose kind gives no dimension: here one that has no definition at all.
    ASSERT_EQ(parent->CreateDefinition(DefinitionType::kNone), kSuccess);
    MatrixValue v(b, &net);
    EXPECT_EQ(v.AddIndexingParent(a), kSuccess);
    EXPECT_EQ(v.GetIndexingParents().GetCount(), 1);
    EXPECT_EQ(v.matrix.GetNumberOfDimensions(), 1);
    EXPECT_EQ(v.GetSize(), 2);
}

TEST_F(AddIndexingParentTest, KindWithoutMatrixKeepsItsListInStep) {
    BareValue v(b, &net);
    EXPECT_EQ(v.AddIndexingParent(a), kWrongNodeType);
    EXPECT_EQ(v.GetIndexingParents().GetCount(), 0);
}
