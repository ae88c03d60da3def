// Natives of tarvo.learning.EM: the EM settings and learning a network's parameters from a data set.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "learning/data_set.h"
#include "learning/em_learning.h"
#include "learning/learner_settings.h"
#include "model/network.h"
#include "tarvo_learning_EM.h"

using vovido::CheckEngineStatus;
using vovido::CheckJavaException;
using vovido::FindField;
using vovido::FindJavaClass;
using vovido::GetNetwork;
using vovido::LocalRef;
using vovido::NativeObject;
using vovido::ReadIntArray;
using vovido::RunNative;
using vovido::ToNativePtr;

namespace {

EmOptions& Options(JNIEnv* env, jobject self) {
    return NativeObject<EmOptions>(env, self);
}

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
        LocalRef<jobject> item(env, env->GetObjectArrayElement(matching, i));
        CheckJavaException(env);
        if (item.get() == nullptr) {
            std::string text = "DataMatch element can't be null (index ";
            appendInt(text, i);
            throw std::invalid_argument(text + ")");
        }
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
    const EmOptions& options = Options(env, self);
    const DataSet& data = NativeObject<DataSet>(env, dataSet);
    VRX_network& net = GetNetwork(env, network);
    const std::vector<int> fixed = fixedNodes(net);
    const std::vector<DataMatch> matches = ReadMatches(env, matching);
    CheckEngineStatus(env, "Learn", LearnEm(options, data, net, matches, fixed, nullptr, nullptr));
}

}  // namespace

extern "C" JNIEXPORT jlong JNICALL Java_tarvo_learning_EM_createNative(JNIEnv* env, jobject) {
    return RunNative(env, []() -> jlong { return ToNativePtr(new EmOptions()); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_EM_deleteNative(JNIEnv* env, jobject, jlong ptr) {
    RunNative(env, [ptr] { delete reinterpret_cast<EmOptions*>(static_cast<intptr_t>(ptr)); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_learning_EM_getEqSampleSize(JNIEnv* env, jobject self) {
    return RunNative(env, [&]() -> jint { return Options(env, self).eqSampleSize; });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_EM_setEqSampleSize(JNIEnv* env, jobject self,
                                                                         jint value) {
    RunNative(env, [&] {
        EmOptions& options = Options(env, self);
        checkSettingFault(EmSampleSizeFault(value));
        options.eqSampleSize = value;
    });
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_learning_EM_getRandomizeParameters(JNIEnv* env,
                                                                                    jobject self) {
    return RunNative(
        env, [&]() -> jboolean { return Options(env, self).randomizeParameters ? JNI_TRUE : JNI_FALSE; });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_EM_setRandomizeParameters(JNIEnv* env, jobject self,
                                                                                jboolean value) {
    RunNative(env, [&] { Options(env, self).randomizeParameters = value != JNI_FALSE; });
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_learning_EM_getRelevance(JNIEnv* env, jobject self) {
    return RunNative(env, [&]() -> jboolean { return Options(env, self).relevance ? JNI_TRUE : JNI_FALSE; });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_EM_setRelevance(JNIEnv* env, jobject self,
                                                                      jboolean value) {
    RunNative(env, [&] { Options(env, self).relevance = value != JNI_FALSE; });
}

extern "C" JNIEXPORT void JNICALL
Java_tarvo_learning_EM_learn__Ltarvo_learning_DataSet_2Ltarvo_Network_2_3Ltarvo_learning_DataMatch_2_3Ljava_lang_String_2(
    JNIEnv* env, jobject self, jobject dataSet, jobject network, jobjectArray matching,
    jobjectArray fixedNodes) {
    RunNative(env, [&] {
        Learn(env, self, dataSet, network, matching, [&](const VRX_network& net) {
            std::vector<int> fixed;
            const jsize n = fixedNodes != nullptr ? env->GetArrayLength(fixedNodes) : 0;
            for (jsize i = 0; i < n; ++i) {
                LocalRef<jstring> id(env, static_cast<jstring>(env->GetObjectArrayElement(fixedNodes, i)));
                CheckJavaException(env);
                fixed.push_back(nodeHandleFromId(env, net, id.get()));
            }
            return fixed;
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
