// Timing of native calls made the way Java makes them, inside a JVM that this program creates: a cheap
// getter and a belief update of the Asia network. They measure what the native frame adds to a call that
// logs nothing.
#include <benchmark/benchmark.h>
#include <jni.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Require(bool ok, const char* step) {
    if (ok) return;
    std::fprintf(stderr, "benchmark set-up failed: %s\n", step);
    std::abort();
}

JNIEnv* Jvm() {
    static JNIEnv* env = [] {
        std::string classPath = std::string("-Djava.class.path=") + VOVIDO_CLASS_PATH;
        std::string libraryPath = std::string("-Djava.library.path=") + VOVIDO_LIBRARY_DIR;
        JavaVMOption options[2] = {};
        options[0].optionString = classPath.data();
        options[1].optionString = libraryPath.data();
        JavaVMInitArgs args{};
        args.version = JNI_VERSION_10;
        args.nOptions = 2;
        args.options = options;
        JavaVM* vm = nullptr;
        JNIEnv* created = nullptr;
        Require(JNI_CreateJavaVM(&vm, reinterpret_cast<void**>(&created), &args) == JNI_OK, "JVM");
        return created;
    }();
    return env;
}

// A tarvo.Network holding the Asia network, and the class to look its methods up in.
struct AsiaNetwork {
    JNIEnv* env = Jvm();
    jclass cls = env->FindClass("tarvo/Network");
    jobject net = cls == nullptr ? nullptr : env->NewObject(cls, env->GetMethodID(cls, "<init>", "()V"));

    AsiaNetwork() {
        Require(net != nullptr, "new Network()");
        const jstring path = env->NewStringUTF(VOVIDO_EXAMPLES_DIR "/asia.vrx");
        env->CallVoidMethod(net, Method("readFile", "(Ljava/lang/String;)V"), path);
        Require(!env->ExceptionCheck(), "readFile");
        env->DeleteLocalRef(path);
    }
    ~AsiaNetwork() {
        env->CallVoidMethod(net, Method("dispose", "()V"));
        env->DeleteLocalRef(net);
        env->DeleteLocalRef(cls);
    }
    jmethodID Method(const char* name, const char* signature) const {
        const jmethodID method = env->GetMethodID(cls, name, signature);
        Require(method != nullptr, name);
        return method;
    }
};

void BM_GetNodeCount(benchmark::State& state) {
    const AsiaNetwork asia;
    const jmethodID getNodeCount = asia.Method("getNodeCount", "()I");
    for (auto _ : state) benchmark::DoNotOptimize(asia.env->CallIntMethod(asia.net, getNodeCount));
    Require(!asia.env->ExceptionCheck(), "getNodeCount");
}
BENCHMARK(BM_GetNodeCount);

// Each round changes the evidence on XRay, so the update has work to do.
void BM_SetEvidenceAndUpdateBeliefs(benchmark::State& state) {
    const AsiaNetwork asia;
    const jmethodID setEvidence = asia.Method("setEvidence", "(II)V");
    const jmethodID updateBeliefs = asia.Method("updateBeliefs", "()V");
    const jint xray = asia.env->CallIntMethod(asia.net, asia.Method("getNode", "(Ljava/lang/String;)I"),
                                              asia.env->NewStringUTF("XRay"));
    jint outcome = 0;
    for (auto _ : state) {
        asia.env->CallVoidMethod(asia.net, setEvidence, xray, outcome);
        asia.env->CallVoidMethod(asia.net, updateBeliefs);
        outcome ^= 1;
    }
    Require(!asia.env->ExceptionCheck(), "updateBeliefs");
}
BENCHMARK(BM_SetEvidenceAndUpdateBeliefs);

}  // namespace
