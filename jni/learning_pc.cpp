// Natives of tarvo.learning.PC and tarvo.learning.Pattern: PC's settings and background knowledge,
// learning a pattern, and the pattern's marks, tests and conversion to a network.
#include <stdexcept>
#include <string>

#include "base/status_codes.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "jni/record_natives.h"
#include "learning/data_set.h"
#include "learning/learner_settings.h"
#include "learning/pattern.h"
#include "learning/pc.h"
#include "model/network.h"
#include "tarvo_learning_PC.h"
#include "tarvo_learning_Pattern.h"

using vovido::CheckEngineStatus;
using vovido::DisposeUnlessKept;
using vovido::FindJavaClass;
using vovido::FindMethod;
using vovido::LocalRef;
using vovido::NativeObject;
using vovido::NewJavaObject;
using vovido::RunNative;

namespace {

Pattern& PatternOf(JNIEnv* env, jobject self) {
    return NativeObject<Pattern>(env, self);
}

// The pattern's operations read and write inside n x n marks only.
void checkPatternIndex(const Pattern& pattern, int index) {
    checkItemIndex("pattern index", index, pattern.GetSize(), "Pattern object has no variables");
}

}  // namespace

VOVIDO_RECORD_LIFE(PC, PcOptions)
VOVIDO_RECORD_SETTING(PC, PcOptions, jint, MaxAdjacency, maxAdjacency, PcMaxAdjacencyFault)
VOVIDO_RECORD_SETTING(PC, PcOptions, jdouble, Significance, significance, PcSignificanceFault)
VOVIDO_RECORD_BK_KNOWLEDGE(PC, PcOptions)

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_learning_PC_learn(JNIEnv* env, jobject self,
                                                                  jobject dataSet) {
    return RunNative(env, [&]() -> jobject {
        const PcOptions& options = NativeObject<PcOptions>(env, self);
        const DataSet& data = NativeObject<DataSet>(env, dataSet);
        LocalRef<jclass> cls = FindJavaClass(env, "tarvo/learning/Pattern");
        const jmethodID constructor = FindMethod(env, cls.get(), "<init>", "()V");
        LocalRef<jobject> result(env, NewJavaObject(env, cls.get(), constructor));
        DisposeUnlessKept guard(env, result.get(), vovido::DeleteRecord<Pattern>);
        Pattern& pattern = PatternOf(env, result.get());
        CheckEngineStatus(env, "Learn", LearnPc(options, data, pattern, nullptr));
        guard.Keep();
        return result.release();
    });
}

VOVIDO_RECORD_LIFE(Pattern, Pattern)

extern "C" JNIEXPORT jint JNICALL Java_tarvo_learning_Pattern_getSize(JNIEnv* env, jobject self) {
    return RunNative(env, [&]() -> jint { return PatternOf(env, self).GetSize(); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_Pattern_setSize(JNIEnv* env, jobject self, jint size) {
    RunNative(env, [&] {
        Pattern& pattern = PatternOf(env, self);
        if (size < 0) throw std::invalid_argument("Negative pattern size");
        CheckEngineStatus(env, "setSize", pattern.SetSize(size));
    });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_learning_Pattern_getEdge(JNIEnv* env, jobject self, jint from,
                                                                      jint to) {
    return RunNative(env, [&]() -> jint {
        const Pattern& pattern = PatternOf(env, self);
        checkPatternIndex(pattern, from);
        checkPatternIndex(pattern, to);
        return pattern.GetEdge(from, to);
    });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_Pattern_setEdge(JNIEnv* env, jobject self, jint from,
                                                                      jint to, jint mark) {
    RunNative(env, [&] {
        Pattern& pattern = PatternOf(env, self);
        checkPatternIndex(pattern, from);
        checkPatternIndex(pattern, to);
        checkInRange("pattern edge mark", mark, 3);
        CheckEngineStatus(env, "setEdge", pattern.SetEdge(from, to, mark));
    });
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_learning_Pattern_hasCycle(JNIEnv* env, jobject self) {
    return RunNative(env,
                     [&]() -> jboolean { return PatternOf(env, self).HasCycle() ? JNI_TRUE : JNI_FALSE; });
}

extern "C" JNIEXPORT jboolean JNICALL Java_tarvo_learning_Pattern_isDAG(JNIEnv* env, jobject self) {
    return RunNative(env, [&]() -> jboolean { return PatternOf(env, self).IsDAG() ? JNI_TRUE : JNI_FALSE; });
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_learning_Pattern_makeNetwork(JNIEnv* env, jobject self,
                                                                             jobject dataSet) {
    return RunNative(env, [&]() -> jobject {
        const Pattern& pattern = PatternOf(env, self);
        const DataSet& data = NativeObject<DataSet>(env, dataSet);
        return vovido::FillNewNetwork(env, [&](VRX_network& network) {
            if (!pattern.MakeNetwork(data, network)) throwEngineError(env, "MakeNetwork", kFailure);
        });
    });
}
