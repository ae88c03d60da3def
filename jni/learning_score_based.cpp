// Natives of tarvo.learning.GreedyThickThinning and tarvo.learning.NaiveBayes: settings, background
// knowledge and learning into a new network.
#include <cstdint>
#include <string>

#include "base/status_codes.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "learning/data_set.h"
#include "learning/learner_settings.h"
#include "learning/score_based_learning.h"
#include "model/network.h"
#include "tarvo_learning_GreedyThickThinning.h"
#include "tarvo_learning_NaiveBayes.h"

using vovido::GetNetwork;
using vovido::LocalRef;
using vovido::MakeJavaString;
using vovido::NativeObject;
using vovido::RunNative;
using vovido::ToNativePtr;

namespace {

// Runs the learner into a new Java network. A failed run disposes of that network, so no partly learnt
// network is left behind, and raises "Learn" with the run's status.
template <typename Learn>
jobject LearnIntoNewNetwork(JNIEnv* env, Learn&& learn) {
    LocalRef<jobject> network(env, newJavaNetwork(env));
    const int status = learn(GetNetwork(env, network.get()));
    if (status == kSuccess) return network.release();
    LocalRef<jclass> wrapper = vovido::FindJavaClass(env, "tarvo/Wrapper");
    env->CallVoidMethod(network.get(), vovido::FindMethod(env, wrapper.get(), "dispose", "()V"));
    vovido::CheckJavaException(env);
    throwEngineError(env, "Learn", status);
}

constexpr char kGreedyThickThinning[] = "greedy thick thinning";
constexpr char kNaiveBayes[] = "naive bayes";

GreedyThickThinningOptions& Gtt(JNIEnv* env, jobject self) {
    return NativeObject<GreedyThickThinningOptions>(env, self);
}
NaiveBayesOptions& Nb(JNIEnv* env, jobject self) {
    return NativeObject<NaiveBayesOptions>(env, self);
}

}  // namespace

extern "C" JNIEXPORT jlong JNICALL Java_tarvo_learning_GreedyThickThinning_createNative(JNIEnv* env,
                                                                                        jobject) {
    return RunNative(env, []() -> jlong { return ToNativePtr(new GreedyThickThinningOptions()); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_GreedyThickThinning_deleteNative(JNIEnv* env, jobject,
                                                                                       jlong ptr) {
    RunNative(env,
              [ptr] { delete reinterpret_cast<GreedyThickThinningOptions*>(static_cast<intptr_t>(ptr)); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_learning_GreedyThickThinning_getPriorsMethod(JNIEnv* env,
                                                                                          jobject self) {
    return RunNative(env, [&]() -> jint { return Gtt(env, self).priorsMethod; });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_GreedyThickThinning_setPriorsMethod(JNIEnv* env,
                                                                                          jobject self,
                                                                                          jint value) {
    RunNative(env, [&] { Gtt(env, self).priorsMethod = value; });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_learning_GreedyThickThinning_getMaxParents(JNIEnv* env,
                                                                                        jobject self) {
    return RunNative(env, [&]() -> jint { return Gtt(env, self).maxParents; });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_GreedyThickThinning_setMaxParents(JNIEnv* env,
                                                                                        jobject self,
                                                                                        jint value) {
    RunNative(env, [&] {
        GreedyThickThinningOptions& options = Gtt(env, self);
        checkSettingFault(MaxParentsFault(kGreedyThickThinning, value));
        options.maxParents = value;
    });
}

extern "C" JNIEXPORT jdouble JNICALL Java_tarvo_learning_GreedyThickThinning_getNetWeight(JNIEnv* env,
                                                                                          jobject self) {
    return RunNative(env, [&]() -> jdouble { return Gtt(env, self).netWeight; });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_GreedyThickThinning_setNetWeight(JNIEnv* env,
                                                                                       jobject self,
                                                                                       jdouble value) {
    RunNative(env, [&] {
        GreedyThickThinningOptions& options = Gtt(env, self);
        checkSettingFault(NetWeightFault(kGreedyThickThinning, value));
        options.netWeight = value;
    });
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_learning_GreedyThickThinning_getBkKnowledge(JNIEnv* env,
                                                                                            jobject self) {
    return RunNative(env, [&]() -> jobject {
        const GreedyThickThinningOptions& options = Gtt(env, self);
        return makeBkKnowledge(env, options.forcedArcs, options.forbiddenArcs, options.tiers);
    });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_GreedyThickThinning_setBkKnowledge(JNIEnv* env,
                                                                                         jobject self,
                                                                                         jobject knowledge) {
    RunNative(env, [&] {
        GreedyThickThinningOptions& options = Gtt(env, self);
        readBkKnowledge(env, knowledge, options.forcedArcs, options.forbiddenArcs, options.tiers);
    });
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_learning_GreedyThickThinning_learn(JNIEnv* env, jobject self,
                                                                                   jobject dataSet) {
    return RunNative(env, [&]() -> jobject {
        const GreedyThickThinningOptions& options = Gtt(env, self);
        const DataSet& data = NativeObject<DataSet>(env, dataSet);
        return LearnIntoNewNetwork(
            env, [&](VRX_network& network) { return LearnGreedyThickThinning(options, data, network); });
    });
}

extern "C" JNIEXPORT jlong JNICALL Java_tarvo_learning_NaiveBayes_createNative(JNIEnv* env, jobject) {
    return RunNative(env, []() -> jlong { return ToNativePtr(new NaiveBayesOptions()); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_NaiveBayes_deleteNative(JNIEnv* env, jobject,
                                                                              jlong ptr) {
    RunNative(env, [ptr] { delete reinterpret_cast<NaiveBayesOptions*>(static_cast<intptr_t>(ptr)); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_learning_NaiveBayes_getPriorsMethod(JNIEnv* env, jobject self) {
    return RunNative(env, [&]() -> jint { return Nb(env, self).priorsMethod; });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_NaiveBayes_setPriorsMethod(JNIEnv* env, jobject self,
                                                                                 jint value) {
    RunNative(env, [&] { Nb(env, self).priorsMethod = value; });
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_learning_NaiveBayes_getFeatureSelection(JNIEnv* env,
                                                                                         jobject self) {
    return RunNative(env,
                     [&]() -> jboolean { return Nb(env, self).featureSelection ? JNI_TRUE : JNI_FALSE; });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_NaiveBayes_setFeatureSelection(JNIEnv* env,
                                                                                     jobject self,
                                                                                     jboolean value) {
    RunNative(env, [&] { Nb(env, self).featureSelection = value == JNI_TRUE; });
}

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_learning_NaiveBayes_getClassVariableId(JNIEnv* env,
                                                                                       jobject self) {
    return RunNative(env,
                     [&]() -> jstring { return MakeJavaString(env, Nb(env, self).classVariableId.c_str()); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_NaiveBayes_setClassVariableId(JNIEnv* env, jobject self,
                                                                                    jstring id) {
    RunNative(env, [&] {
        NaiveBayesOptions& options = Nb(env, self);
        const JStringChars text(env, id);
        options.classVariableId = text.str();
    });
}

extern "C" JNIEXPORT jdouble JNICALL Java_tarvo_learning_NaiveBayes_getNetWeight(JNIEnv* env, jobject self) {
    return RunNative(env, [&]() -> jdouble { return Nb(env, self).netWeight; });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_NaiveBayes_setNetWeight(JNIEnv* env, jobject self,
                                                                              jdouble value) {
    RunNative(env, [&] {
        NaiveBayesOptions& options = Nb(env, self);
        checkSettingFault(NetWeightFault(kNaiveBayes, value));
        options.netWeight = value;
    });
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_learning_NaiveBayes_learn(JNIEnv* env, jobject self,
                                                                          jobject dataSet) {
    return RunNative(env, [&]() -> jobject {
        const NaiveBayesOptions& options = Nb(env, self);
        const DataSet& data = NativeObject<DataSet>(env, dataSet);
        return LearnIntoNewNetwork(
            env, [&](VRX_network& network) { return LearnNaiveBayes(options, data, network); });
    });
}
