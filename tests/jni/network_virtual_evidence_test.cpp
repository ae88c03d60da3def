// Virtual evidence as the Network natives of the loaded library see it. Java has no native that sets
// virtual evidence, so the test sets it on the engine network behind a Java Network (through the value's
// virtual operation, which runs the library's own code) and then drives the natives through Java.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/double_array.h"
#include "jni/jni_frame.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_definition.h"
#include "model/node_value.h"
#include "tests/jni/jvm_fixture.h"

namespace {

// Rain -> WetGrass: P(Rain = yes) 0.2, P(WetGrass = yes | Rain) 0.9 and 0.3.
constexpr const char* kRainNetwork =
    "net Rain\n{\n"
    " node Rain { TYPE = CPT; HEADER = { ID = Rain; }; PARENTS = ();\n"
    "   DEFINITION = { NAMESTATES = (yes, no); PROBABILITIES = (0.2, 0.8); }; };\n"
    " node WetGrass { TYPE = CPT; HEADER = { ID = WetGrass; }; PARENTS = (Rain);\n"
    "   DEFINITION = { NAMESTATES = (yes, no); PROBABILITIES = (0.9, 0.1, 0.3, 0.7); }; };\n"
    "};\n";

// Likelihoods 0.8 (yes) and 0.2 (no) on WetGrass: the joint weights are
// Rain = yes: 0.2 * (0.9 * 0.8 + 0.1 * 0.2) = 0.148 and Rain = no: 0.8 * (0.3 * 0.8 + 0.7 * 0.2) = 0.304.
constexpr double kLikelihood = 0.148 + 0.304;
constexpr double kRainGivenLikelihood = 0.148 / kLikelihood;
constexpr double kWetGivenLikelihood = 0.42 * 0.8 / kLikelihood;

class VirtualEvidenceTest : public JvmTest {
protected:
    void SetUp() override {
        JvmTest::SetUp();
        networkClass = FindClass("tarvo/Network");
        net = env->NewObject(networkClass, Method("<init>", "()V"));
        ASSERT_FALSE(env->ExceptionCheck());
        char name[] = "/tmp/vovido-virtual-XXXXXX.vrx";
        const int fd = mkstemps(name, 4);
        ASSERT_GE(fd, 0);
        path = name;
        FILE* file = fdopen(fd, "w");
        ASSERT_NE(file, nullptr);
        std::fputs(kRainNetwork, file);
        std::fclose(file);
        jstring javaPath = env->NewStringUTF(path.c_str());
        env->CallVoidMethod(net, Method("readFile", "(Ljava/lang/String;)V"), javaPath);
        env->DeleteLocalRef(javaPath);
        ASSERT_FALSE(env->ExceptionCheck()) << TakeFailure().message;
        jclass wrapper = FindClass("tarvo/Wrapper");
        const jlong ptr = env->GetLongField(net, env->GetFieldID(wrapper, "ptrNative", "J"));
        env->DeleteLocalRef(wrapper);
        engine = static_cast<VRX_network*>(reinterpret_cast<VRX_object*>(static_cast<intptr_t>(ptr)));
        wet = engine->FindNode("WetGrass");
        rain = engine->FindNode("Rain");
        ASSERT_GE(wet, 0);
        ASSERT_GE(rain, 0);
    }

    void TearDown() override {
        if (net != nullptr && !env->ExceptionCheck()) env->CallVoidMethod(net, Method("dispose", "()V"));
        if (!path.empty()) std::remove(path.c_str());
        JvmTest::TearDown();
    }

    jmethodID Method(const char* name, const char* signature) {
        return env->GetMethodID(networkClass, name, signature);
    }

    VRX_nodeValue& WetValue() { return *engine->GetNode(wet)->GetValue(); }

    void SetLikelihoods(double yes, double no, int handle = -1) {
        VRX_doubleArray weights;
        ASSERT_EQ(weights.Add(yes), 0);
        ASSERT_EQ(weights.Add(no), 0);
        ASSERT_EQ(engine->GetNode(handle < 0 ? wet : handle)->GetValue()->SetVirtualEvidence(weights), 0);
    }

    bool CallBoolean(const char* name, int handle) {
        const jboolean answer = env->CallBooleanMethod(net, Method(name, "(I)Z"), jint{handle});
        EXPECT_FALSE(env->ExceptionCheck());
        return answer != JNI_FALSE;
    }

    void ClearEvidence(int handle) {
        env->CallVoidMethod(net, Method("clearEvidence", "(I)V"), jint{handle});
    }

    void UpdateBeliefs() {
        env->CallVoidMethod(net, Method("updateBeliefs", "()V"));
        ASSERT_FALSE(env->ExceptionCheck()) << TakeFailure().message;
    }

    double ProbEvidence() {
        const jdouble p = env->CallDoubleMethod(net, Method("probEvidence", "()D"));
        EXPECT_FALSE(env->ExceptionCheck());
        return p;
    }

    // P(node = yes) as getNodeValue returns it.
    double BeliefInYes(int handle) {
        auto values = static_cast<jdoubleArray>(
            env->CallObjectMethod(net, Method("getNodeValue", "(I)[D"), jint{handle}));
        if (env->ExceptionCheck() || values == nullptr) {
            ADD_FAILURE() << "getNodeValue failed: " << TakeFailure().message;
            return -1.0;
        }
        EXPECT_EQ(env->GetArrayLength(values), 2);
        jdouble items[2] = {};
        env->GetDoubleArrayRegion(values, 0, 2, items);
        env->DeleteLocalRef(values);
        EXPECT_NEAR(items[0] + items[1], 1.0, 1e-12);
        return items[0];
    }

    jclass networkClass = nullptr;
    jobject net = nullptr;
    std::string path;
    VRX_network* engine = nullptr;
    int wet = -1;
    int rain = -1;
};

TEST_F(VirtualEvidenceTest, IsNoEvidenceButWeighsTheBeliefs) {
    SetLikelihoods(0.8, 0.2);
    EXPECT_FALSE(CallBoolean("isEvidence", wet));
    EXPECT_FALSE(CallBoolean("isRealEvidence", wet));
    EXPECT_FALSE(CallBoolean("isPropagatedEvidence", wet));
    env->CallIntMethod(net, Method("getEvidence", "(I)I"), jint{wet});
    EXPECT_EQ(TakeTarvoMessage(), "Node 'WetGrass' has no evidence set");

    UpdateBeliefs();
    EXPECT_NEAR(BeliefInYes(rain), kRainGivenLikelihood, 1e-9);
    EXPECT_NEAR(BeliefInYes(wet), kWetGivenLikelihood, 1e-9);
    // The likelihoods count as findings of the probability of evidence.
    EXPECT_NEAR(ProbEvidence(), kLikelihood, 1e-9);
}

TEST_F(VirtualEvidenceTest, UnnormalisedLikelihoodsWeighTheSame) {
    SetLikelihoods(4.0, 1.0);
    UpdateBeliefs();
    EXPECT_NEAR(BeliefInYes(rain), kRainGivenLikelihood, 1e-9);
}

TEST_F(VirtualEvidenceTest, ClearEvidenceRemovesIt) {
    SetLikelihoods(0.8, 0.2);
    ClearEvidence(wet);
    ASSERT_FALSE(env->ExceptionCheck()) << TakeFailure().message;
    EXPECT_FALSE(WetValue().HasFlag(ValueFlags::kVirtualEvidence));
    UpdateBeliefs();
    EXPECT_NEAR(BeliefInYes(rain), 0.2, 1e-9);
    // Nothing is left to clear.
    ClearEvidence(wet);
    EXPECT_EQ(TakeTarvoMessage(),
              "TARVO error -2 in function ClearEvidence. Logged information: ERROR: Node "
              "[WetGrass] : it has no evidence to clear\n");
}

TEST_F(VirtualEvidenceTest, ObservedEvidenceReplacesIt) {
    SetLikelihoods(0.8, 0.2);
    env->CallVoidMethod(net, Method("setEvidence", "(II)V"), jint{wet}, jint{0});
    ASSERT_FALSE(env->ExceptionCheck()) << TakeFailure().message;
    EXPECT_TRUE(CallBoolean("isRealEvidence", wet));
    UpdateBeliefs();
    EXPECT_NEAR(BeliefInYes(rain), 0.18 / 0.42, 1e-9);
    // Clearing the observation does not bring the likelihoods back.
    ClearEvidence(wet);
    ASSERT_FALSE(env->ExceptionCheck()) << TakeFailure().message;
    UpdateBeliefs();
    EXPECT_NEAR(BeliefInYes(rain), 0.2, 1e-9);
}

TEST_F(VirtualEvidenceTest, ClearAllEvidenceRemovesIt) {
    SetLikelihoods(0.8, 0.2);
    env->CallVoidMethod(net, Method("setEvidence", "(II)V"), jint{rain}, jint{1});
    ASSERT_FALSE(env->ExceptionCheck()) << TakeFailure().message;
    env->CallVoidMethod(net, Method("clearAllEvidence", "()V"));
    ASSERT_FALSE(env->ExceptionCheck()) << TakeFailure().message;
    EXPECT_FALSE(WetValue().HasFlag(ValueFlags::kVirtualEvidence));
    EXPECT_FALSE(CallBoolean("isEvidence", rain));
    UpdateBeliefs();
    EXPECT_NEAR(BeliefInYes(wet), 0.42, 1e-9);
    EXPECT_NEAR(ProbEvidence(), 1.0, 1e-12);
}

// WetGrass made a copy of Rain: the finding WetGrass = yes forces Rain = yes, beside which likelihoods on
// Rain stay until everything is cleared.
TEST_F(VirtualEvidenceTest, ClearAllEvidenceRemovesItBesideAForcedOutcome) {
    VRX_doubleArray copy;
    for (const double entry : {1.0, 0.0, 0.0, 1.0}) ASSERT_EQ(copy.Add(entry), 0);
    ASSERT_EQ(engine->GetNode(wet)->GetDefinition()->SetDefinitionDoubles(copy), 0);
    env->CallVoidMethod(net, Method("setEvidence", "(II)V"), jint{wet}, jint{0});
    ASSERT_FALSE(env->ExceptionCheck()) << TakeFailure().message;
    EXPECT_TRUE(CallBoolean("isPropagatedEvidence", rain));
    SetLikelihoods(0.9, 0.1, rain);
    UpdateBeliefs();
    env->CallVoidMethod(net, Method("clearAllEvidence", "()V"));
    ASSERT_FALSE(env->ExceptionCheck()) << TakeFailure().message;
    EXPECT_FALSE(engine->GetNode(rain)->GetValue()->HasFlag(ValueFlags::kVirtualEvidence));
    UpdateBeliefs();
    EXPECT_NEAR(BeliefInYes(rain), 0.2, 1e-12);
    EXPECT_NEAR(ProbEvidence(), 1.0, 1e-12);
}

}  // namespace
