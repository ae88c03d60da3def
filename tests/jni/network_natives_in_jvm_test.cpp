// The Java tests of the Network natives for definitions, costs, appearance, submodels, documentation and
// user properties, run inside this program's JVM: the sanitizer builds, which cannot run a java process
// on the instrumented library, check the natives under them this way.
#include <string>

#include "tests/jni/jvm_fixture.h"

namespace {

class NetworkNativesInJvmTest : public JvmTest {
protected:
    // Runs every public no-argument method named test* of the class, each on a new instance.
    void RunTestClass(const char* className) {
        jclass cls = FindClass(className);
        ASSERT_NE(cls, nullptr);
        jclass classClass = FindClass("java/lang/Class");
        jclass methodClass = FindClass("java/lang/reflect/Method");
        const jmethodID getMethods =
            env->GetMethodID(classClass, "getMethods", "()[Ljava/lang/reflect/Method;");
        const jmethodID getName = env->GetMethodID(methodClass, "getName", "()Ljava/lang/String;");
        const jmethodID getParameterCount = env->GetMethodID(methodClass, "getParameterCount", "()I");
        const jmethodID constructor = env->GetMethodID(cls, "<init>", "()V");
        auto methods = static_cast<jobjectArray>(env->CallObjectMethod(cls, getMethods));
        ASSERT_FALSE(env->ExceptionCheck()) << TakeFailure().message;
        int run = 0;
        for (jsize i = 0; i < env->GetArrayLength(methods); ++i) {
            ASSERT_EQ(env->PushLocalFrame(16), 0);
            jobject method = env->GetObjectArrayElement(methods, i);
            auto name = static_cast<jstring>(env->CallObjectMethod(method, getName));
            ASSERT_FALSE(env->ExceptionCheck());
            const jint parameters = env->CallIntMethod(method, getParameterCount);
            ASSERT_FALSE(env->ExceptionCheck());
            const std::string text = Utf8(name);
            if (text.rfind("test", 0) == 0 && parameters == 0) {
                jobject instance = env->NewObject(cls, constructor);
                ASSERT_FALSE(env->ExceptionCheck());
                env->CallVoidMethod(instance, env->FromReflectedMethod(method));
                const JavaFailure failure = TakeFailure();
                EXPECT_EQ(failure.className, "<none>") << className << "." << text << ": " << failure.message;
                ++run;
            }
            env->PopLocalFrame(nullptr);
        }
        EXPECT_GT(run, 0) << className;
        for (jobject ref : {static_cast<jobject>(methods), static_cast<jobject>(methodClass),
                            static_cast<jobject>(classClass), static_cast<jobject>(cls)}) {
            env->DeleteLocalRef(ref);
        }
    }
};

TEST_F(NetworkNativesInJvmTest, DefinitionsValuesAndCosts) {
    RunTestClass("tarvo/NetworkDefinitionsTest");
}

TEST_F(NetworkNativesInJvmTest, AppearanceAndSubmodels) {
    RunTestClass("tarvo/NetworkAppearanceTest");
}

TEST_F(NetworkNativesInJvmTest, DocumentationAndUserProperties) {
    RunTestClass("tarvo/NetworkDocumentationTest");
}

TEST_F(NetworkNativesInJvmTest, EveryNativeIsBound) {
    RunTestClass("tarvo/NetworkNativesBoundTest");
}

}  // namespace
