// The Java classes have every constructor and field that the natives reach by name and signature.
#include <utility>
#include <vector>

#include "tests/jni/jvm_fixture.h"

namespace {

using Member = std::pair<const char*, const char*>;  // name, signature

class JavaContractTest : public JvmTest {
protected:
    void ExpectMembers(const char* className, const std::vector<Member>& methods,
                       const std::vector<Member>& fields) {
        jclass cls = FindClass(className);
        ASSERT_NE(cls, nullptr);
        for (const auto& [name, signature] : methods) {
            EXPECT_NE(env->GetMethodID(cls, name, signature), nullptr)
                << className << "." << name << signature;
            if (env->ExceptionCheck()) env->ExceptionClear();
        }
        for (const auto& [name, signature] : fields) {
            EXPECT_NE(env->GetFieldID(cls, name, signature), nullptr)
                << className << "." << name << " " << signature;
            if (env->ExceptionCheck()) env->ExceptionClear();
        }
        env->DeleteLocalRef(cls);
    }
};

TEST_F(JavaContractTest, ResultClassesOfThePackageTarvo) {
    ExpectMembers("tarvo/TARVOException", {{"<init>", "(Ljava/lang/String;)V"}}, {});
    ExpectMembers("tarvo/Network", {{"<init>", "()V"}}, {{"ptrNative", "J"}});
    ExpectMembers("tarvo/AnnealedMapResults", {{"<init>", "(DD[I)V"}}, {});
    ExpectMembers("tarvo/ObservationInfo", {{"<init>", "(IDDD)V"}}, {});
    ExpectMembers("tarvo/FaultInfo", {{"<init>", "(IIIDZ)V"}}, {});
    ExpectMembers("tarvo/DiagResults", {{"<init>", "([Ltarvo/ObservationInfo;[Ltarvo/FaultInfo;)V"}}, {});
    ExpectMembers("tarvo/UnrollResults", {{"<init>", "(Ltarvo/Network;[I)V"}}, {});
    ExpectMembers("tarvo/TemporalInfo", {{"<init>", "(ILjava/lang/String;I)V"}}, {});
    ExpectMembers("tarvo/DocItemInfo", {{"<init>", "(Ljava/lang/String;Ljava/lang/String;)V"}},
                  {{"title", "Ljava/lang/String;"}, {"path", "Ljava/lang/String;"}});
    ExpectMembers("tarvo/UserProperty", {{"<init>", "(Ljava/lang/String;Ljava/lang/String;)V"}},
                  {{"name", "Ljava/lang/String;"}, {"value", "Ljava/lang/String;"}});
}

TEST_F(JavaContractTest, FieldsReadByTheNatives) {
    ExpectMembers("tarvo/AnnealedMapTuning", {},
                  {{"speed", "D"},
                   {"Tmin", "D"},
                   {"Tinit", "D"},
                   {"kReheat", "D"},
                   {"kMAP", "I"},
                   {"kRFC", "D"},
                   {"numCycle", "I"},
                   {"iReheatSteps", "I"},
                   {"iStopSteps", "I"},
                   {"randSeed", "I"}});
    ExpectMembers("tarvo/DiagNetwork", {}, {{"net", "Ltarvo/Network;"}, {"ptrNative", "J"}});
    ExpectMembers("tarvo/ValueOfInfo", {}, {{"net", "Ltarvo/Network;"}, {"ptrNative", "J"}});
}

TEST_F(JavaContractTest, ClassesOfThePackageLearning) {
    ExpectMembers("tarvo/learning/BkArcInfo", {{"<init>", "(II)V"}}, {{"parent", "I"}, {"child", "I"}});
    ExpectMembers("tarvo/learning/BkTierInfo", {{"<init>", "(II)V"}}, {{"variable", "I"}, {"tier", "I"}});
    ExpectMembers(
        "tarvo/learning/BkKnowledge",
        {{"<init>", "([Ltarvo/learning/BkArcInfo;[Ltarvo/learning/BkArcInfo;[Ltarvo/learning/BkTierInfo;)V"}},
        {{"forcedArcs", "[Ltarvo/learning/BkArcInfo;"},
         {"forbiddenArcs", "[Ltarvo/learning/BkArcInfo;"},
         {"tiers", "[Ltarvo/learning/BkTierInfo;"}});
    ExpectMembers("tarvo/learning/DataMatch", {{"<init>", "(III)V"}},
                  {{"column", "I"}, {"node", "I"}, {"slice", "I"}});
    ExpectMembers("tarvo/learning/Pattern", {{"<init>", "()V"}}, {{"ptrNative", "J"}});
}

TEST_F(JavaContractTest, DataMatchConstructorOrderIsColumnNodeSlice) {
    jclass cls = FindClass("tarvo/learning/DataMatch");
    jobject match = env->NewObject(cls, env->GetMethodID(cls, "<init>", "(III)V"), 3, 5, 7);
    ASSERT_FALSE(env->ExceptionCheck());
    EXPECT_EQ(env->GetIntField(match, env->GetFieldID(cls, "column", "I")), 3);
    EXPECT_EQ(env->GetIntField(match, env->GetFieldID(cls, "node", "I")), 5);
    EXPECT_EQ(env->GetIntField(match, env->GetFieldID(cls, "slice", "I")), 7);
    env->DeleteLocalRef(match);
    env->DeleteLocalRef(cls);
}

TEST_F(JavaContractTest, AnnealedMapTuningDefaultsMatchTheEngine) {
    jclass cls = FindClass("tarvo/AnnealedMapTuning");
    jobject tuning = env->NewObject(cls, env->GetMethodID(cls, "<init>", "()V"));
    ASSERT_FALSE(env->ExceptionCheck());
    const VRX_annealedMapTuning defaults;
    EXPECT_EQ(env->GetDoubleField(tuning, env->GetFieldID(cls, "speed", "D")), defaults.speed);
    EXPECT_EQ(env->GetDoubleField(tuning, env->GetFieldID(cls, "Tmin", "D")), defaults.Tmin);
    EXPECT_EQ(env->GetDoubleField(tuning, env->GetFieldID(cls, "Tinit", "D")), defaults.Tinit);
    EXPECT_EQ(env->GetDoubleField(tuning, env->GetFieldID(cls, "kReheat", "D")), defaults.kReheat);
    EXPECT_EQ(env->GetIntField(tuning, env->GetFieldID(cls, "numCycle", "I")), defaults.numCycle);
    EXPECT_EQ(env->GetIntField(tuning, env->GetFieldID(cls, "iReheatSteps", "I")), defaults.iReheatSteps);
    EXPECT_EQ(env->GetIntField(tuning, env->GetFieldID(cls, "iStopSteps", "I")), defaults.iStopSteps);
    env->DeleteLocalRef(tuning);
    env->DeleteLocalRef(cls);
}

}  // namespace
