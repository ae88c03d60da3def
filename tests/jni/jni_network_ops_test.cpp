// Header setters and arc routines shared by the Network natives.
#include "jni/jni_network_ops.h"

#include <vector>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "jni/jni_builders.h"
#include "jni/jni_frame.h"
#include "model/header.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_info.h"
#include "tests/jni/jvm_fixture.h"

using vovido::LocalRef;
using vovido::MakeJavaString;
using vovido::ReadIntArray;
using vovido::RunNative;

namespace {

class NetworkOpsTest : public JvmTest {
protected:
    void SetUp() override {
        JvmTest::SetUp();
        errorLog.Flush();
        a = network.AddNode(0x12, "A");
        b = network.AddNode(0x12, "B");
        c = network.AddNode(0x12, "C");
    }
    void TearDown() override {
        errorLog.Flush();
        JvmTest::TearDown();
    }
    VRX_header& HeaderOf(int handle) { return network.GetNode(handle)->GetInfo()->header; }
    std::vector<jint> Ints(jintArray array) {
        LocalRef<jintArray> owned(env, array);
        return ReadIntArray(env, owned.get());
    }

    VRX_network network;
    int a = -1;
    int b = -1;
    int c = -1;
};

TEST_F(NetworkOpsTest, HeaderId) {
    LocalRef<jstring> id(env, MakeJavaString(env, "Renamed"));
    setHeaderId(env, id.get(), HeaderOf(a));
    EXPECT_STREQ(network.GetNode(a)->GetId(), "Renamed");
    // The identifier rule runs before the engine.
    LocalRef<jstring> bad(env, MakeJavaString(env, "9x"));
    RunNative(env, [&] { setHeaderId(env, bad.get(), HeaderOf(a)); });
    EXPECT_EQ(TakeTarvoMessage(),
              "Identifier '9x' is invalid - it should start with a letter and contain only "
              "letters, digits and underscores");
    // The engine refuses an identifier another node holds.
    LocalRef<jstring> taken(env, MakeJavaString(env, "B"));
    RunNative(env, [&] { setHeaderId(env, taken.get(), HeaderOf(a)); });
    EXPECT_EQ(TakeTarvoMessage(),
              "TARVO error -30 in function SetId. Logged information: "
              "Identifier [B] is already used by a node\n");
    EXPECT_STREQ(network.GetNode(a)->GetId(), "Renamed");
}

TEST_F(NetworkOpsTest, HeaderNameAndCommentAcceptNull) {
    VRX_header& header = *network.GetHeader();
    LocalRef<jstring> name(env, MakeJavaString(env, "Caf\xE9 net"));
    setHeaderName(env, name.get(), header);
    setHeaderComment(env, name.get(), header);
    EXPECT_STREQ(header.GetName(), "Caf\xE9 net");
    EXPECT_STREQ(header.GetComment(), "Caf\xE9 net");
    setHeaderName(env, nullptr, header);
    setHeaderComment(env, nullptr, header);
    EXPECT_EQ(header.GetName(), nullptr);
    EXPECT_EQ(header.GetComment(), nullptr);
}

TEST_F(NetworkOpsTest, AddArcChecksParentFirstAndEmptiesTheLog) {
    RunNative(env, [&] { addArcOfKind(env, network, -1, -2, 0); });
    EXPECT_EQ(TakeTarvoMessage(), "Invalid node handle: -1");
    RunNative(env, [&] { addArcOfKind(env, network, a, 77, 0); });
    EXPECT_EQ(TakeTarvoMessage(), "Invalid node handle: 77");
    // Messages of earlier calls are gone before the engine runs.
    LogError(errorLog, kFailure, "old warning", nullptr);
    RunNative(env, [&] { addArcOfKind(env, network, a, a, 0); });
    EXPECT_EQ(TakeTarvoMessage(),
              "TARVO error -2 in function AddArc. Logged information: ERROR: Node [A] : a node "
              "cannot be its own parent\n");
    addArcOfKind(env, network, a, b, 0);
    addArcOfKind(env, network, c, b, 0);
    EXPECT_EQ(Ints(getParentsOfKind(env, network, b, 0)), (std::vector<jint>{a, c}));
    EXPECT_EQ(Ints(getChildrenOfKind(env, network, a, 0)), (std::vector<jint>{b}));
    LocalRef<jobjectArray> ids(env, getParentIdsOfKind(env, network, b, 0));
    ASSERT_EQ(env->GetArrayLength(ids.get()), 2);
    LocalRef<jstring> second(env, static_cast<jstring>(env->GetObjectArrayElement(ids.get(), 1)));
    EXPECT_EQ(Utf8(second.get()), "C");
}

TEST_F(NetworkOpsTest, DeleteArcReportsOnlyWhatItLogged) {
    LogError(errorLog, kFailure, "warning", nullptr);
    RunNative(env, [&] { deleteArcOfKind(env, network, a, b, 0); });
    EXPECT_EQ(TakeTarvoMessage(),
              "TARVO error -2 in function RemoveArc. Logged information: ERROR: Node [B] : [A] is "
              "not one of its parents\n");
    addArcOfKind(env, network, a, b, 0);
    deleteArcOfKind(env, network, a, b, 0);
    EXPECT_TRUE(Ints(getChildrenOfKind(env, network, a, 0)).empty());
    RunNative(env, [&] { deleteArcOfKind(env, network, a, -4, 0); });
    EXPECT_EQ(TakeTarvoMessage(), "Invalid node handle: -4");
}

TEST_F(NetworkOpsTest, CostArcsAreSeparate) {
    addArcOfKind(env, network, a, c, 1);
    EXPECT_EQ(Ints(getParentsOfKind(env, network, c, 1)), (std::vector<jint>{a}));
    EXPECT_TRUE(Ints(getParentsOfKind(env, network, c, 0)).empty());
    LocalRef<jobjectArray> ids(env, getChildIdsOfKind(env, network, a, 1));
    ASSERT_EQ(env->GetArrayLength(ids.get()), 1);
    RunNative(env, [&] { return getChildIdsOfKind(env, network, 50, 1); });
    EXPECT_EQ(TakeTarvoMessage(), "Invalid node handle: 50");
}

}  // namespace
