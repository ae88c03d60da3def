// Natives of tarvo.learning.EM: the EM settings and learning a network's parameters from a data set.
#include <stdexcept>
#include <string>
#include <vector>

#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/record_natives.h"
#include "learning/data_set.h"
#include "learning/em_learning.h"
#include "learning/learner_settings.h"
#include "model/network.h"
#include "tarvo_learning_EM.h"

using vovido::CheckEngineStatus;
using vovido::FindField;
using vovido::FindJavaClass;
using vovido::GetArrayElement;
using vovido::GetNetwork;
using vovido::LocalRef;
using vovido::NativeObject;
using vovido::ReadIntArray;
using vovido::RunNative;

namespace {

// The DataMatch array as engine records, in array order; a null or empty array, or a null element, is
// refused.
std::vector<DataMatch> ReadMatches(JNIEnv* env, jobjectArray matching) {
    const jsize n = matching != nullptr ? env->GetArrayLength(matching) : 0;
    if (n == 0) throw std::invalid_argument("No matching specified");
    LocalRef<jclass> cls = FindJavaClass(env, "tarvo/learning/DataMatch");
    const jfieldID column = FindField(env, cls.get(), "column", "I");
    const jfieldID node = FindField(env, cls.get(), "node", "I");
    const jfieldID slice = FindField(env, cls.get(), "slice", "I");
    std::vector<DataMatch> matches;
    for (jsize i = 0; i < n; ++i) {
        const LocalRef<jobject> item =
            GetArrayElement(env, matching, i, "DataMatch element can't be null (index ");
        DataMatch m;
        m.node = env->GetIntField(item.get(), node);
        m.slice = env->GetIntField(item.get(), slice);
        m.column = env->GetIntField(item.get(), column);
        matches.push_back(m);
    }
    return matches;
}

// The learner, the data set and the network are checked before any argument, so that a disposed one is
// named first; fixedNodes turns the last argument into handles of the network.
template <typename FixedNodes>
void Learn(JNIEnv* env, jobject self, jobject dataSet, jobject network, jobjectArray matching,
           FixedNodes fixedNodes) {
    const EmOptions& options = NativeObject<EmOptions>(env, self);
    const DataSet& data = NativeObject<DataSet>(env, dataSet);
    VRX_network& net = GetNetwork(env, network);
    const std::vector<int> fixed = fixedNodes(net);
    const std::vector<DataMatch> matches = ReadMatches(env, matching);
    CheckEngineStatus(env, "Learn", LearnEm(options, data, net, matches, fixed, nullptr, nullptr));
}

}  // namespace

VOVIDO_RECORD_LIFE(EM, EmOptions)
VOVIDO_RECORD_SETTING(EM, EmOptions, jint, EqSampleSize, eqSampleSize, EmSampleSizeFault)
VOVIDO_RECORD_SETTING(EM, EmOptions, jboolean, RandomizeParameters, randomizeParameters,
                      vovido::AnyValue<jboolean>)
VOVIDO_RECORD_SETTING(EM, EmOptions, jboolean, Relevance, relevance, vovido::AnyValue<jboolean>)

extern "C" JNIEXPORT void JNICALL
Java_tarvo_learning_EM_learn__Ltarvo_learning_DataSet_2Ltarvo_Network_2_3Ltarvo_learning_DataMatch_2_3Ljava_lang_String_2(
    JNIEnv* env, jobject self, jobject dataSet, jobject network, jobjectArray matching,
    jobjectArray fixedNodes) {
    RunNative(env, [&] {
        Learn(env, self, dataSet, network, matching, [&](const VRX_network& net) {
            return fixedNodes != nullptr ? nodeHandlesFromIds(env, net, fixedNodes, "fixedNodes")
                                         : std::vector<int>();
        });
    });
}

extern "C" JNIEXPORT void JNICALL
Java_tarvo_learning_EM_learn__Ltarvo_learning_DataSet_2Ltarvo_Network_2_3Ltarvo_learning_DataMatch_2_3I(
    JNIEnv* env, jobject self, jobject dataSet, jobject network, jobjectArray matching,
    jintArray fixedNodes) {
    RunNative(env, [&] {
        Learn(env, self, dataSet, network, matching, [&](const VRX_network&) {
            std::vector<int> fixed;
            if (fixedNodes != nullptr) {
                for (jint h : ReadIntArray(env, fixedNodes)) fixed.push_back(h);
            }
            return fixed;
        });
    });
}
