// Creates the test program's JVM once and checks every test for pending exceptions and JNI warnings.
#include "tests/jni/jvm_fixture.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "jni/jni_frame.h"
#include "tarvo_Wrapper.h"

using vovido::ToNativePtr;

// In the sanitizer builds: the JVM relies on handling its own SIGSEGVs, and its start-up allocations
// (and those of the libraries it loads) live until the process ends.
extern "C" const char* __asan_default_options() {
    return "handle_segv=0";
}
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libjvm.so\nleak:libjava.so\nleak:libjli.so\nleak:libzip.so\nleak:libz.so\n";
}

namespace {

std::string jvmOutput;

jint JNICALL CaptureJvmOutput(FILE* stream, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char buffer[4096];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, copy);
    va_end(copy);
    jvmOutput += buffer;
    return std::vfprintf(stream, format, args) >= 0 ? n : -1;
}

JNIEnv* Jvm() {
    static JNIEnv* env = [] {
        std::string classPath = std::string("-Djava.class.path=") + VOVIDO_CLASS_PATH;
        std::string libraryPath = std::string("-Djava.library.path=") + VOVIDO_LIBRARY_DIR;
        JavaVMOption options[4] = {};
        options[0].optionString = classPath.data();
        options[1].optionString = libraryPath.data();
        options[2].optionString = const_cast<char*>("-Xcheck:jni");
        options[3].optionString = const_cast<char*>("vfprintf");
        options[3].extraInfo = reinterpret_cast<void*>(&CaptureJvmOutput);
        JavaVMInitArgs args{};
        args.version = JNI_VERSION_10;
        args.nOptions = 4;
        args.options = options;
        JavaVM* vm = nullptr;
        JNIEnv* created = nullptr;
        if (JNI_CreateJavaVM(&vm, reinterpret_cast<void**>(&created), &args) != JNI_OK) return created;
        // The frame of this program keeps its own field identifier; the library the JVM loads keeps its own.
        jclass wrapper = created->FindClass("tarvo/Wrapper");
        if (wrapper != nullptr) Java_tarvo_Wrapper_nativeStaticInit(created, wrapper);
        created->DeleteLocalRef(wrapper);
        return created;
    }();
    return env;
}

}  // namespace

void JvmTest::SetUp() {
    env = Jvm();
    ASSERT_NE(env, nullptr) << "the JVM could not be created";
    ASSERT_FALSE(env->ExceptionCheck());
    // A small frame: routines that leak local references in loops overflow it and the JVM warns.
    ASSERT_EQ(env->PushLocalFrame(16), 0);
    jvmOutput.clear();
}

void JvmTest::TearDown() {
    if (env == nullptr) return;
    if (env->ExceptionCheck()) {
        ADD_FAILURE() << "Java exception left pending: " << TakeFailure().message;
    }
    env->PopLocalFrame(nullptr);
    EXPECT_EQ(jvmOutput.find("WARNING"), std::string::npos) << jvmOutput;
}

JavaFailure JvmTest::TakeFailure() {
    jthrowable thrown = env->ExceptionOccurred();
    if (thrown == nullptr) return {"<none>", ""};
    env->ExceptionClear();
    JavaFailure failure;
    jclass cls = env->GetObjectClass(thrown);
    jclass classClass = env->FindClass("java/lang/Class");
    auto name = static_cast<jstring>(
        env->CallObjectMethod(cls, env->GetMethodID(classClass, "getName", "()Ljava/lang/String;")));
    EXPECT_FALSE(env->ExceptionCheck());
    failure.className = Utf8(name);
    jclass throwable = env->FindClass("java/lang/Throwable");
    auto message = static_cast<jstring>(
        env->CallObjectMethod(thrown, env->GetMethodID(throwable, "getMessage", "()Ljava/lang/String;")));
    EXPECT_FALSE(env->ExceptionCheck());
    failure.message = message != nullptr ? Utf8(message) : "<null>";
    for (jobject ref :
         {static_cast<jobject>(thrown), static_cast<jobject>(cls), static_cast<jobject>(classClass),
          static_cast<jobject>(name), static_cast<jobject>(throwable), static_cast<jobject>(message)}) {
        env->DeleteLocalRef(ref);
    }
    return failure;
}

std::string JvmTest::TakeTarvoMessage() {
    const JavaFailure failure = TakeFailure();
    EXPECT_EQ(failure.className, "tarvo.TARVOException");
    return failure.message;
}

jobject JvmTest::WrapNetwork(VRX_network& network) {
    jclass cls = FindClass("tarvo/Network");
    jobject object = env->AllocObject(cls);
    env->DeleteLocalRef(cls);
    jclass wrapper = FindClass("tarvo/Wrapper");
    env->SetLongField(object, env->GetFieldID(wrapper, "ptrNative", "J"), ToNativePtr(&network));
    env->DeleteLocalRef(wrapper);
    return object;
}

jclass JvmTest::FindClass(const char* name) {
    jclass cls = env->FindClass(name);
    EXPECT_NE(cls, nullptr) << name;
    return cls;
}

std::string JvmTest::Utf8(jstring string) {
    if (string == nullptr) return "<null>";
    const char* chars = env->GetStringUTFChars(string, nullptr);
    std::string text = chars;
    env->ReleaseStringUTFChars(string, chars);
    return text;
}

std::u16string JvmTest::Utf16(jstring string) {
    const jsize n = env->GetStringLength(string);
    std::u16string text(static_cast<size_t>(n), u'\0');
    std::vector<jchar> units(static_cast<size_t>(n));
    if (n > 0) env->GetStringRegion(string, 0, n, units.data());
    for (jsize i = 0; i < n; ++i)
        text[static_cast<size_t>(i)] = static_cast<char16_t>(units[static_cast<size_t>(i)]);
    return text;
}

jstring JvmTest::NewUtf16String(const std::u16string& text) {
    std::vector<jchar> units(text.begin(), text.end());
    return env->NewString(units.data(), static_cast<jsize>(units.size()));
}
