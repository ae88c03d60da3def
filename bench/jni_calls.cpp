// Timing of native calls made the way Java makes them, inside a JVM that this program creates: a cheap
// getter and a belief update of the Asia network, which measure what the native frame adds to a call that
// logs nothing; and calls that have much to warn about, with the logger "tarvo" as Java sets it up by
// default (its records printed on standard error) and turned off, each with the number of records it
// gives ("records").
#include <benchmark/benchmark.h>
#include <jni.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/scratch_files.h"
#include "tests/support/pedigree_network.h"

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

// A new tarvo.Network, as a program reading one file would have, and the class to look its methods up in.
struct JavaNetwork {
    JNIEnv* env = Jvm();
    jclass cls = env->FindClass("tarvo/Network");
    jobject net = cls == nullptr ? nullptr : env->NewObject(cls, env->GetMethodID(cls, "<init>", "()V"));

    JavaNetwork() { Require(net != nullptr, "new Network()"); }
    ~JavaNetwork() {
        env->CallVoidMethod(net, Method("dispose", "()V"));
        env->DeleteLocalRef(net);
        env->DeleteLocalRef(cls);
    }
    jmethodID Method(const char* name, const char* signature) const {
        const jmethodID method = env->GetMethodID(cls, name, signature);
        Require(method != nullptr, name);
        return method;
    }
    void Read(const char* path) const {
        const jstring text = env->NewStringUTF(path);
        env->CallVoidMethod(net, Method("readFile", "(Ljava/lang/String;)V"), text);
        Require(!env->ExceptionCheck(), path);
        env->DeleteLocalRef(text);
    }
};

// One holding the Asia network.
struct AsiaNetwork : JavaNetwork {
    AsiaNetwork() { Read(VOVIDO_EXAMPLES_DIR "/asia.vrx"); }
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

// The java.util.logging logger "tarvo" (held, so that its level stays), its level and a handler that
// counts the records it is given.
struct TarvoLogger {
    JNIEnv* env = Jvm();
    jclass loggerClass = env->FindClass("java/util/logging/Logger");
    jobject logger = nullptr;
    jobject output = nullptr;   // java.io.ByteArrayOutputStream
    jobject counter = nullptr;  // java.util.logging.StreamHandler over output

    TarvoLogger() {
        Require(loggerClass != nullptr, "Logger");
        // Logger.getLogger wants a Java caller: the logger is looked up in (or added to) the LogManager.
        const jclass managerClass = env->FindClass("java/util/logging/LogManager");
        const jobject manager = env->CallStaticObjectMethod(
            managerClass,
            env->GetStaticMethodID(managerClass, "getLogManager", "()Ljava/util/logging/LogManager;"));
        const jmethodID lookUp =
            env->GetMethodID(managerClass, "getLogger", "(Ljava/lang/String;)Ljava/util/logging/Logger;");
        const jstring name = env->NewStringUTF("tarvo");
        jobject found = env->CallObjectMethod(manager, lookUp, name);
        if (found == nullptr) {
            const jobject made = env->NewObject(
                loggerClass,
                env->GetMethodID(loggerClass, "<init>", "(Ljava/lang/String;Ljava/lang/String;)V"), name,
                nullptr);
            env->CallBooleanMethod(
                manager, env->GetMethodID(managerClass, "addLogger", "(Ljava/util/logging/Logger;)Z"), made);
            found = env->CallObjectMethod(manager, lookUp, name);
        }
        logger = env->NewGlobalRef(found);
        env->DeleteLocalRef(name);
        const jclass outputClass = env->FindClass("java/io/ByteArrayOutputStream");
        output =
            env->NewGlobalRef(env->NewObject(outputClass, env->GetMethodID(outputClass, "<init>", "()V")));
        const jclass formatterClass = env->FindClass("java/util/logging/SimpleFormatter");
        const jobject formatter =
            env->NewObject(formatterClass, env->GetMethodID(formatterClass, "<init>", "()V"));
        const jclass handlerClass = env->FindClass("java/util/logging/StreamHandler");
        counter = env->NewGlobalRef(
            env->NewObject(handlerClass,
                           env->GetMethodID(handlerClass, "<init>",
                                            "(Ljava/io/OutputStream;Ljava/util/logging/Formatter;)V"),
                           output, formatter));
        if (env->ExceptionCheck()) env->ExceptionDescribe();
        Require(logger != nullptr && counter != nullptr, "logger set-up");
    }
    ~TarvoLogger() {
        SetOff(false);
        env->DeleteGlobalRef(counter);
        env->DeleteGlobalRef(output);
        env->DeleteGlobalRef(logger);
    }
    // Off, or back to the level it inherits by default (records of WARNING printed on standard error).
    void SetOff(bool off) const {
        jobject level = nullptr;
        if (off) {
            const jclass levelClass = env->FindClass("java/util/logging/Level");
            level = env->GetStaticObjectField(
                levelClass, env->GetStaticFieldID(levelClass, "OFF", "Ljava/util/logging/Level;"));
        }
        env->CallVoidMethod(logger, env->GetMethodID(loggerClass, "setLevel", "(Ljava/util/logging/Level;)V"),
                            level);
        Require(!env->ExceptionCheck(), "setLevel");
    }
    // The records that one run of the call gives.
    template <typename Call>
    int CountRecords(Call call) const {
        const jmethodID add = env->GetMethodID(loggerClass, "addHandler", "(Ljava/util/logging/Handler;)V");
        const jmethodID remove =
            env->GetMethodID(loggerClass, "removeHandler", "(Ljava/util/logging/Handler;)V");
        env->CallVoidMethod(logger, add, counter);
        call();
        env->CallVoidMethod(logger, remove, counter);
        const jclass handlerClass = env->GetObjectClass(counter);
        env->CallVoidMethod(counter, env->GetMethodID(handlerClass, "flush", "()V"));
        const jclass outputClass = env->GetObjectClass(output);
        const auto text = static_cast<jstring>(
            env->CallObjectMethod(output, env->GetMethodID(outputClass, "toString", "()Ljava/lang/String;")));
        env->CallVoidMethod(output, env->GetMethodID(outputClass, "reset", "()V"));
        Require(!env->ExceptionCheck(), "counting records");
        const char* chars = env->GetStringUTFChars(text, nullptr);
        int records = 0;
        for (const char* at = chars; (at = std::strstr(at, "WARNING: ")) != nullptr; at += 9) ++records;
        env->ReleaseStringUTFChars(text, chars);
        return records;
    }
};

// A network of the shape of Pigs (441 nodes, every outcome name "0", "1" or "2" renamed when read), in
// the Hugin format (0) and XMLBIF (1); the logger as by default (1) or off (0). The default logging
// must cost little beside the read: one record, not one per renamed outcome.
void BM_ReadPigsShapedNetwork(benchmark::State& state) {
    static vovido::ScratchFiles files("jni_calls");
    const bool xmlbif = state.range(0) == 1;
    const char* path = files
                           .Get(xmlbif ? "pedigree.xml03" : "pedigree.net",
                                [xmlbif] { return vovido::test::PedigreeNetworkText(xmlbif); })
                           .c_str();
    const TarvoLogger tarvo;
    tarvo.SetOff(state.range(1) == 0);
    state.counters["records"] = tarvo.CountRecords([path] { JavaNetwork().Read(path); });
    for (auto _ : state) JavaNetwork().Read(path);
}
BENCHMARK(BM_ReadPigsShapedNetwork)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);

// An influence diagram solved by policy evaluation over logic sampling, 336 of whose scenarios no sample
// fits (as in mildew3): a handful of records, not one or more per scenario.
void BM_UpdateDiagramWithUnevaluableScenarios(benchmark::State& state) {
    const TarvoLogger tarvo;
    tarvo.SetOff(state.range(0) == 0);
    const JavaNetwork diagram;
    diagram.Read(VOVIDO_FORMATS_DIR "/unevaluable_scenarios_id.xvrx");
    JNIEnv* env = diagram.env;
    env->CallVoidMethod(diagram.net, diagram.Method("setBayesianAlgorithm", "(I)V"), 1);
    env->CallVoidMethod(diagram.net, diagram.Method("setInfluenceDiagramAlgorithm", "(I)V"), 0);
    const jint f = env->CallIntMethod(diagram.net, diagram.Method("getNode", "(Ljava/lang/String;)I"),
                                      env->NewStringUTF("F"));
    const jmethodID setEvidence = diagram.Method("setEvidence", "(II)V");
    const jmethodID update = diagram.Method("updateBeliefs", "()V");
    Require(!env->ExceptionCheck(), "diagram set-up");
    // F changes every round, so that each solves the diagram again; either value makes one outcome of E
    // impossible.
    jint outcome = 0;
    const auto run = [&] {
        env->CallVoidMethod(diagram.net, setEvidence, f, outcome ^= 1);
        env->CallVoidMethod(diagram.net, update);
        Require(!env->ExceptionCheck(), "updateBeliefs");
    };
    state.counters["records"] = tarvo.CountRecords(run);
    for (auto _ : state) run();
}
BENCHMARK(BM_UpdateDiagramWithUnevaluableScenarios)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
