// Submodels: handles with and without the flag, the tree edits and their refusals, slot reuse, copies.
#include "model/submodel.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/error_log.h"
#include "base/int_array.h"
#include "base/status_codes.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "tests/support/arrays.h"

namespace {

using namespace vovido::test;

class SubmodelTest : public ::testing::Test {
protected:
    VRX_submodelHandler& handler() { return net.GetSubmodelHandler(); }
    const char* IdOf(int handle) {
        const VRX_submodel* sub = handler().GetSubmodel(handle);
        return sub != nullptr ? sub->header.GetId() : nullptr;
    }

    VRX_network net;
};

TEST_F(SubmodelTest, NewNetworkHasOnlyTheMainSubmodel) {
    EXPECT_TRUE(handler().IsValid());
    EXPECT_EQ(handler().GetNumberOfSubmodels(), 1);
    EXPECT_EQ(handler().GetFirstSubmodel(), 16384);
    EXPECT_EQ(handler().GetNextSubmodel(16384), kOutOfRange);
    EXPECT_EQ(handler().GetParentSubmodel(16384), -8888);
    EXPECT_EQ(handler().GetParentSubmodel(0), -8888);
    EXPECT_STREQ(IdOf(16384), "Unnamed");
    EXPECT_EQ(net.GetHeader(), &handler().GetSubmodel(16384)->header);
}

TEST_F(SubmodelTest, MainSubmodelAndDefaultsCarryTheirAppearance) {
    const VRX_submodel& main = *handler().GetSubmodel(16384);
    EXPECT_EQ(main.screenInfo.position.width, 76);
    EXPECT_EQ(main.screenInfo.position.height, 36);
    EXPECT_EQ(main.screenInfo.color, 0xF7F6E5);
    EXPECT_EQ(main.screenInfo.selColor, 0xBBBBBB);
    EXPECT_EQ(main.screenInfo.font, 1);
    EXPECT_EQ(main.screenInfo.fontColor, 0);
    EXPECT_EQ(main.screenInfo.borderThickness, 3);
    EXPECT_EQ(main.screenInfo.borderColor, 0xBB0000);
    EXPECT_EQ(main.screenInfo.arcFlags, 3);
    EXPECT_EQ(main.backgroundColor, 0xFFFFFF);
    EXPECT_EQ(handler().GetSubmodelDefaults().borderThickness, 3);
    EXPECT_EQ(handler().GetNodeDefaults().borderThickness, 1);
    EXPECT_EQ(handler().GetNodeDefaults().color, 0xF7F6E5);
    EXPECT_EQ(handler().GetNodeDefaults().position.width, 76);

    const int sub = handler().CreateSubmodel(16384, nullptr);
    const VRX_submodel& made = *handler().GetSubmodel(sub);
    EXPECT_EQ(made.screenInfo.borderThickness, 3);
    EXPECT_EQ(made.screenInfo.selColor, 0xBBBBBB);
    EXPECT_EQ(made.backgroundColor, VRX_submodel::kColorNotSet);
}

TEST_F(SubmodelTest, CreationGeneratesIdsAndRefusesBadArguments) {
    const int first = handler().CreateSubmodel(16384, nullptr);
    EXPECT_EQ(first, 16385);
    EXPECT_STREQ(IdOf(first), "Sub1");
    EXPECT_STREQ(handler().GetSubmodel(first)->header.GetName(), "Sub1");
    EXPECT_EQ(handler().GetParentSubmodel(first), 16384);

    // Slot 2 would be Sub2, but that id is taken: the number goes up.
    ASSERT_EQ(handler().CreateSubmodel(first, "Sub2"), 16386);
    EXPECT_EQ(handler().CreateSubmodel(0, nullptr), 16387);
    EXPECT_STREQ(IdOf(16387), "Sub3");
    ASSERT_EQ(handler().DeleteSubmodel(16387), 0);
    ASSERT_EQ(net.AddNode(DefinitionType::kCpt, "Sub3"), 0);
    EXPECT_EQ(handler().CreateSubmodel(0, nullptr), 16387);
    EXPECT_STREQ(IdOf(16387), "Sub4");  // nodes and submodels share one namespace

    const int before = handler().GetNumberOfSubmodels();
    EXPECT_EQ(handler().CreateSubmodel(16384, "Sub1"), kOutOfRange);
    EXPECT_EQ(handler().CreateSubmodel(16384, "Unnamed"), kOutOfRange);
    EXPECT_EQ(handler().CreateSubmodel(16400, "Fresh"), kOutOfRange);
    EXPECT_EQ(handler().CreateSubmodel(-1, "Fresh"), kOutOfRange);
    errorLog.Flush();
    EXPECT_EQ(handler().CreateSubmodel(16384, "2bad id"), kIllegalIdentifier);
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_EQ(errorLog.GetCode(0), kIllegalIdentifier);
    EXPECT_STREQ(errorLog.GetMessage(0), "Illegal identifier");
    EXPECT_EQ(handler().CreateSubmodel(16384, ""), kIllegalIdentifier);
    EXPECT_EQ(handler().GetNumberOfSubmodels(), before);
    errorLog.Flush();
}

TEST_F(SubmodelTest, HandlesWithAndWithoutTheFlagAddressOneSlot) {
    const int sub = handler().CreateSubmodel(0, "Alpha");
    ASSERT_EQ(sub, 16385);
    EXPECT_EQ(handler().GetSubmodel(1), handler().GetSubmodel(16385));
    EXPECT_EQ(handler().GetParentSubmodel(1), 16384);
    EXPECT_EQ(handler().FindSubmodelIndex("Alpha"), 1);
    EXPECT_EQ(handler().FindSubmodel("Alpha"), 16385);
    EXPECT_EQ(handler().FindSubmodel("Beta"), kOutOfRange);
    EXPECT_EQ(handler().FindSubmodelIndex(nullptr), kOutOfRange);
    EXPECT_EQ(handler().IsIdInUse("Alpha"), 1);
    EXPECT_EQ(handler().IsIdInUse("alpha"), 0);
    EXPECT_EQ(handler().IsIdInUse(nullptr), 0);
    EXPECT_EQ(net.IsIdInUse("Alpha", -1), 1);
    EXPECT_EQ(handler().GetSubmodel(2), nullptr);
    EXPECT_EQ(handler().GetSubmodel(-1), nullptr);
    EXPECT_EQ(handler().GetParentSubmodel(16386), kOutOfRange);
    EXPECT_EQ(handler().GetNextSubmodel(0), 16385);
    EXPECT_EQ(handler().GetNextSubmodel(1), kOutOfRange);
    EXPECT_EQ(handler().GetNextSubmodel(5), kOutOfRange);
    ASSERT_EQ(handler().DeleteSubmodel(1), 0);
    EXPECT_EQ(handler().GetSubmodel(16385), nullptr);
}

TEST_F(SubmodelTest, AllSubmodelsComeLevelByLevel) {
    const int a = handler().CreateSubmodel(16384, "A");
    const int c = handler().CreateSubmodel(a, "C");
    const int b = handler().CreateSubmodel(16384, "B");
    const int d = handler().CreateSubmodel(c, "D");
    VRX_intArray out;
    ASSERT_EQ(out.Add(99), kSuccess);
    ASSERT_EQ(handler().GetAllSubmodels(out), 0);
    EXPECT_EQ(Items(out), (std::vector<int>{16384, a, b, c, d}));

    VRX_intArray children;
    ASSERT_EQ(children.Add(7), kSuccess);
    EXPECT_EQ(handler().GetChildSubmodels(16384, children), 2);
    EXPECT_EQ(Items(children), (std::vector<int>{7, a, b}));
    EXPECT_EQ(handler().GetChildSubmodels(b, children), 0);
    EXPECT_EQ(handler().GetChildSubmodels(16390, children), kOutOfRange);
}

TEST_F(SubmodelTest, ReparentingRefusesCyclesAndTheMainSubmodel) {
    const int a = handler().CreateSubmodel(16384, "A");
    const int b = handler().CreateSubmodel(a, "B");
    const int c = handler().CreateSubmodel(b, "C");
    EXPECT_EQ(handler().SetParentSubmodel(a, c), kOutOfRange);  // under its own grandchild
    EXPECT_EQ(handler().SetParentSubmodel(a, b), kOutOfRange);
    EXPECT_EQ(handler().SetParentSubmodel(a, a), kOutOfRange);
    EXPECT_EQ(handler().SetParentSubmodel(16384, a), kOutOfRange);
    EXPECT_EQ(handler().SetParentSubmodel(a, 16399), kOutOfRange);
    EXPECT_EQ(handler().GetParentSubmodel(a), 16384);

    ASSERT_EQ(handler().SetParentSubmodel(c, 16384), 0);
    EXPECT_EQ(handler().GetParentSubmodel(c), 16384);
    ASSERT_EQ(handler().SetParentSubmodel(a, c), 0);  // no longer a descendant
    EXPECT_EQ(handler().GetParentSubmodel(a), c);
}

TEST_F(SubmodelTest, DeletionMovesNodesAndChildrenToTheParent) {
    const int a = handler().CreateSubmodel(16384, "A");
    const int b = handler().CreateSubmodel(a, "B");
    const int c = handler().CreateSubmodel(b, "C");
    const int n1 = net.AddNode(DefinitionType::kCpt, "N1");
    const int n2 = net.AddNode(DefinitionType::kCpt, "N2");
    const int n3 = net.AddNode(DefinitionType::kCpt, "N3");
    ASSERT_EQ(net.GetNode(n1)->SetSubmodel(b), 0);
    ASSERT_EQ(net.GetNode(n3)->SetSubmodel(b - 16384), 0);  // bare slot index
    ASSERT_EQ(net.GetNode(n2)->SetSubmodel(c), 0);

    VRX_intArray nodes;
    EXPECT_EQ(handler().GetNodesOfSubmodel(b, nodes), 2);
    EXPECT_EQ(Items(nodes), (std::vector<int>{n1, n3}));

    EXPECT_EQ(handler().DeleteSubmodel(16384), kOutOfRange);
    EXPECT_EQ(handler().DeleteSubmodel(0), kOutOfRange);
    ASSERT_EQ(handler().DeleteSubmodel(b), 0);
    EXPECT_EQ(handler().DeleteSubmodel(b), kOutOfRange);
    EXPECT_EQ(handler().GetSubmodel(b), nullptr);
    EXPECT_EQ(handler().GetParentSubmodel(c), a);
    EXPECT_EQ(net.GetNode(n1)->GetSubmodel(), a);
    EXPECT_EQ(net.GetNode(n3)->GetSubmodel(), a);
    EXPECT_EQ(net.GetNode(n2)->GetSubmodel(), c);
    EXPECT_EQ(net.GetNode(n1)->SetSubmodel(b), kOutOfRange);
    nodes.Flush();
    EXPECT_EQ(handler().GetNodesOfSubmodel(a, nodes), 2);
    EXPECT_EQ(handler().GetNodesOfSubmodel(b, nodes), kOutOfRange);

    // The lowest free slot comes back, with the id generated from it.
    const int size = handler().GetSize();
    EXPECT_EQ(handler().CreateSubmodel(c, nullptr), b);
    EXPECT_STREQ(IdOf(b), "Sub2");
    EXPECT_EQ(handler().GetParentSubmodel(b), c);
    EXPECT_EQ(handler().GetSize(), size);
}

TEST_F(SubmodelTest, TableGrowsByTenSlots) {
    EXPECT_EQ(handler().GetSize(), 1);
    for (int i = 1; i <= 10; ++i) ASSERT_EQ(handler().CreateSubmodel(0, nullptr), 16384 + i);
    EXPECT_EQ(handler().GetSize(), 11);
    EXPECT_EQ(handler().CreateSubmodel(0, nullptr), 16395);
    EXPECT_EQ(handler().GetSize(), 21);
    EXPECT_STREQ(IdOf(16395), "Sub11");
    EXPECT_EQ(handler().GetNumberOfSubmodels(), 12);

    ASSERT_EQ(handler().Reset(), 0);
    EXPECT_EQ(handler().GetNumberOfSubmodels(), 1);
    EXPECT_EQ(handler().GetParentSubmodel(16384), -8888);
    EXPECT_STREQ(IdOf(16384), "Sub0");
    EXPECT_EQ(handler().CreateSubmodel(0, nullptr), 16385);
}

TEST_F(SubmodelTest, CopyKeepsFreeSlotsParentsAndOwnBinding) {
    const int a = handler().CreateSubmodel(0, "A");
    const int b = handler().CreateSubmodel(0, "B");
    const int c = handler().CreateSubmodel(a, "C");
    ASSERT_EQ(handler().DeleteSubmodel(b), 0);
    VRX_submodel& source = *handler().GetSubmodel(c);
    source.windowPosition = VRX_rectangle(1, 2, 3, 4);
    source.backgroundColor = 0x123456;
    source.screenInfo.color = 77;
    ASSERT_EQ(source.textBoxes.AddTextBox(VRX_rectangle(5, 6, 7, 8), "note"), 0);

    VRX_network other;
    VRX_submodelHandler& target = other.GetSubmodelHandler();
    ASSERT_EQ(target.Copy(handler()), 0);
    EXPECT_TRUE(target.IsValid());
    EXPECT_EQ(target.GetNetwork(), &other);
    EXPECT_EQ(target.GetSize(), handler().GetSize());
    EXPECT_EQ(target.GetNumberOfSubmodels(), 3);
    EXPECT_EQ(target.GetSubmodel(b), nullptr);
    EXPECT_EQ(target.GetParentSubmodel(c), a);
    const VRX_submodel& copied = *target.GetSubmodel(c);
    EXPECT_NE(&copied, &source);
    EXPECT_STREQ(copied.header.GetId(), "C");
    EXPECT_EQ(copied.windowPosition.width, 3);
    EXPECT_EQ(copied.backgroundColor, 0x123456);
    EXPECT_EQ(copied.screenInfo.color, 77);
    ASSERT_EQ(copied.textBoxes.GetNumberOfTextBoxes(), 1);
    EXPECT_STREQ(copied.textBoxes.GetText(0), "note");
    EXPECT_EQ(target.CreateSubmodel(0, nullptr), b);

    VRX_submodelHandler loose;
    EXPECT_FALSE(loose.IsValid());
    EXPECT_EQ(target.Copy(loose), kObjectNotValid);
    EXPECT_EQ(target.GetNumberOfSubmodels(), 4);
}

TEST_F(SubmodelTest, CleanedUpHandlerRefusesEdits) {
    VRX_submodelHandler loose;
    ASSERT_EQ(loose.SetNetworkAndReset(&net), 0);
    EXPECT_TRUE(loose.IsValid());
    loose.CleanUp(1);
    EXPECT_FALSE(loose.IsValid());
    EXPECT_EQ(loose.GetSize(), 0);
    EXPECT_EQ(loose.CreateSubmodel(0, nullptr), kObjectNotValid);
    EXPECT_EQ(loose.DeleteSubmodel(1), kObjectNotValid);
    EXPECT_EQ(loose.SetParentSubmodel(1, 0), kObjectNotValid);
    EXPECT_EQ(loose.GetFirstSubmodel(), kOutOfRange);
    EXPECT_EQ(loose.GetNextSubmodel(0), kObjectNotValid);
    EXPECT_EQ(loose.FindSubmodelIndex("Sub0"), kObjectNotValid);
    EXPECT_EQ(loose.GetNumberOfSubmodels(), 0);
    EXPECT_EQ(loose.GetSubmodel(0), nullptr);
    VRX_intArray out;
    EXPECT_EQ(loose.GetAllSubmodels(out), kObjectNotValid);
    EXPECT_EQ(loose.GetNodesOfSubmodel(0, out), kObjectNotValid);
}

}  // namespace
