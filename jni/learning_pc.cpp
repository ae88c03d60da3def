// Natives of tarvo.learning.PC and tarvo.learning.Pattern: PC's settings and background knowledge,
// learning a pattern, and the pattern's marks, tests and conversion to a network.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "base/status_codes.h"
#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "learning/data_set.h"
#include "learning/learner_settings.h"
#include "learning/pattern.h"
#include "learning/pc.h"
#include "model/network.h"
#include "tarvo_learning_PC.h"
#include "tarvo_learning_Pattern.h"

using vovido::CheckEngineStatus;
using vovido::DeleteVrxObject;
using vovido::DisposeUnlessKept;
using vovido::FindJavaClass;
using vovido::FindMethod;
using vovido::GetNetwork;
using vovido::LocalRef;
using vovido::NativeObject;
using vovido::NewJavaObject;
using vovido::RunNative;
using vovido::ToNativePtr;

namespace {

PcOptions& Options(JNIEnv* env, jobject self) {
    return NativeObject<PcOptions>(env, self);
}
Pattern& PatternOf(JNIEnv* env, jobject self) {
    return NativeObject<Pattern>(env, self);
}

void DeletePattern(jlong ptr) {
    delete reinterpret_cast<Pattern*>(static_cast<intptr_t>(ptr));
}

// The pattern's operations read and write inside n x n marks only.
void checkPatternIndex(const Pattern& pattern, int index) {
    if (pattern.GetSize() == 0) throw std::invalid_argument("Pattern object has no variables");
    checkInRange("pattern index", index, pattern.GetSize());
}

}  // namespace

extern "C" JNIEXPORT jlong JNICALL Java_tarvo_learning_PC_createNative(JNIEnv* env, jobject) {
    return RunNative(env, []() -> jlong { return ToNativePtr(new PcOptions()); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_PC_deleteNative(JNIEnv* env, jobject, jlong ptr) {
    RunNative(env, [ptr] { delete reinterpret_cast<PcOptions*>(static_cast<intptr_t>(ptr)); });
}

extern "C" JNIEXPORT jint JNICALL Java_tarvo_learning_PC_getMaxAdjacency(JNIEnv* env, jobject self) {
    return RunNative(env, [&]() -> jint { return Options(env, self).maxAdjacency; });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_PC_setMaxAdjacency(JNIEnv* env, jobject self,
                                                                         jint value) {
    RunNative(env, [&] {
        PcOptions& options = Options(env, self);
        checkSettingFault(PcMaxAdjacencyFault(value));
        options.maxAdjacency = value;
    });
}

extern "C" JNIEXPORT jdouble JNICALL Java_tarvo_learning_PC_getSignificance(JNIEnv* env, jobject self) {
    return RunNative(env, [&]() -> jdouble { return Options(env, self).significance; });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_PC_setSignificance(JNIEnv* env, jobject self,
                                                                         jdouble value) {
    RunNative(env, [&] {
        PcOptions& options = Options(env, self);
        checkSettingFault(PcSignificanceFault(value));
        options.significance = value;
    });
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_learning_PC_getBkKnowledge(JNIEnv* env, jobject self) {
    return RunNative(env, [&]() -> jobject {
        const PcOptions& options = Options(env, self);
        return makeBkKnowledge(env, options.forcedArcs, options.forbiddenArcs, options.tiers);
    });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_PC_setBkKnowledge(JNIEnv* env, jobject self,
                                                                        jobject knowledge) {
    RunNative(env, [&] {
        PcOptions& options = Options(env, self);
        readBkKnowledge(env, knowledge, options.forcedArcs, options.forbiddenArcs, options.tiers);
    });
}

extern "C" JNIEXPORT jobject JNICALL Java_tarvo_learning_PC_learn(JNIEnv* env, jobject self,
                                                                  jobject dataSet) {
    return RunNative(env, [&]() -> jobject {
        const PcOptions& options = Options(env, self);
        const DataSet& data = NativeObject<DataSet>(env, dataSet);
        LocalRef<jclass> cls = FindJavaClass(env, "tarvo/learning/Pattern");
        const jmethodID constructor = FindMethod(env, cls.get(), "<init>", "()V");
        LocalRef<jobject> result(env, NewJavaObject(env, cls.get(), constructor));
        DisposeUnlessKept guard(env, result.get(), DeletePattern);
        Pattern& pattern = PatternOf(env, result.get());
        CheckEngineStatus(env, "Learn", LearnPc(options, data, pattern, nullptr));
        guard.Keep();
        return result.release();
    });
}

extern "C" JNIEXPORT jlong JNICALL Java_tarvo_learning_Pattern_createNative(JNIEnv* env, jobject) {
    return RunNative(env, []() -> jlong { return ToNativePtr(new Pattern()); });
}

extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_Pattern_deleteNative(JNIEnv* env, jobject, jlong ptr) {
    RunNative(env, [ptr] { DeletePattern(ptr); });
}

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
        LocalRef<jobject> network(env, newJavaNetwork(env));
        DisposeUnlessKept guard(env, network.get(), DeleteVrxObject);
        if (!pattern.MakeNetwork(data, GetNetwork(env, network.get())))
            throwEngineError(env, "MakeNetwork", kFailure);
        guard.Keep();
        return network.release();
    });
}
