// Natives of tarvo.learning.GreedyThickThinning and tarvo.learning.NaiveBayes: settings, background
// knowledge and learning into a new network.
#include <string>

#include "base/status_codes.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/record_natives.h"
#include "learning/data_set.h"
#include "learning/learner_settings.h"
#include "learning/score_based_learning.h"
#include "model/network.h"
#include "tarvo_learning_GreedyThickThinning.h"
#include "tarvo_learning_NaiveBayes.h"

using vovido::FillNewNetwork;
using vovido::MakeJavaString;
using vovido::NativeObject;
using vovido::RunNative;

namespace {

constexpr char kGreedyThickThinning[] = "greedy thick thinning";
constexpr char kNaiveBayes[] = "naive bayes";

std::string GttMaxParentsFault(jint value) {
    return MaxParentsFault(kGreedyThickThinning, value);
}
std::string GttNetWeightFault(jdouble value) {
    return NetWeightFault(kGreedyThickThinning, value);
}
std::string NbNetWeightFault(jdouble value) {
    return NetWeightFault(kNaiveBayes, value);
}

// learn: the settings and the data set, resolved in that order, learnt into a new network.
template <typename Options, typename Learn>
jobject LearnNative(JNIEnv* env, jobject self, jobject dataSet, Learn learn) noexcept {
    return RunNative(env, [&]() -> jobject {
        const Options& options = NativeObject<Options>(env, self);
        const DataSet& data = NativeObject<DataSet>(env, dataSet);
        // A failed run leaves no partly learnt network behind.
        return FillNewNetwork(env, [&](VRX_network& network) {
            const int status = learn(options, data, network);
            if (status != kSuccess) throwEngineError(env, "Learn", status);
        });
    });
}

using GttOptions = GreedyThickThinningOptions;

}  // namespace

VOVIDO_RECORD_LIFE(GreedyThickThinning, GttOptions)
VOVIDO_RECORD_SETTING(GreedyThickThinning, GttOptions, jint, PriorsMethod, priorsMethod,
                      vovido::AnyValue<jint>)
VOVIDO_RECORD_SETTING(GreedyThickThinning, GttOptions, jint, MaxParents, maxParents, GttMaxParentsFault)
VOVIDO_RECORD_SETTING(GreedyThickThinning, GttOptions, jdouble, NetWeight, netWeight, GttNetWeightFault)
VOVIDO_RECORD_BK_KNOWLEDGE(GreedyThickThinning, GttOptions)

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_learning_GreedyThickThinning_learn(JNIEnv* env, jobject self,
                                                                                   jobject dataSet) {
    return LearnNative<GttOptions>(env, self, dataSet,
                                   [](const GttOptions& options, const DataSet& data, VRX_network& network) {
                                       return LearnGreedyThickThinning(options, data, network);
                                   });
}

VOVIDO_RECORD_LIFE(NaiveBayes, NaiveBayesOptions)
VOVIDO_RECORD_SETTING(NaiveBayes, NaiveBayesOptions, jint, PriorsMethod, priorsMethod, vovido::AnyValue<jint>)
VOVIDO_RECORD_SETTING(NaiveBayes, NaiveBayesOptions, jboolean, FeatureSelection, featureSelection,
                      vovido::AnyValue<jboolean>)
VOVIDO_RECORD_SETTING(NaiveBayes, NaiveBayesOptions, jdouble, NetWeight, netWeight, NbNetWeightFault)

extern "C" JNIEXPORT jstring JNICALL Java_tarvo_learning_NaiveBayes_getClassVariableId(JNIEnv* env,
                                                                                       jobject self) {
    return RunNative(env, [&]() -> jstring {
        return MakeJavaString(env, NativeObject<NaiveBayesOptions>(env, self).classVariableId.c_str());
    });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_NaiveBayes_setClassVariableId(JNIEnv* env, jobject self,
                                                                                    jstring id) {
    RunNative(env, [&] {
        NaiveBayesOptions& options = NativeObject<NaiveBayesOptions>(env, self);
        const JStringChars text(env, id, "id");
        options.classVariableId = text.str();
    });
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_learning_NaiveBayes_learn(JNIEnv* env, jobject self,
                                                                          jobject dataSet) {
    return LearnNative<NaiveBayesOptions>(
        env, self, dataSet, [](const NaiveBayesOptions& options, const DataSet& data, VRX_network& network) {
            return LearnNaiveBayes(options, data, network);
        });
}
