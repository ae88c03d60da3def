// The frame: exception texts, the error log, unwinding, strings, handles and the locale guard.
#include "jni/jni_frame.h"

#include <clocale>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <thread>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "tarvo_Wrapper.h"
#include "tests/jni/jvm_fixture.h"

using vovido::CheckEngineStatus;
using vovido::DeleteVrxObject;
using vovido::FindJavaClass;
using vovido::GetNetwork;
using vovido::LocalRef;
using vovido::MakeJavaString;
using vovido::RunNative;
using vovido::ThrowTarvoException;
using vovido::ToNativePtr;

namespace {

class FrameTest : public JvmTest {
protected:
    void SetUp() override {
        JvmTest::SetUp();
        errorLog.Flush();
    }
    void TearDown() override {
        errorLog.Flush();
        JvmTest::TearDown();
    }
};

TEST_F(FrameTest, EngineErrorWithoutLogHasNoTrailingText) {
    EXPECT_RAISES_TARVO(throwEngineError(env, "AddArc", -2), "TARVO error -2 in function AddArc");
}

TEST_F(FrameTest, EngineErrorListsAndEmptiesTheLog) {
    LogError(errorLog, kFailure, "A", nullptr);
    LogError(errorLog, kOutOfRange, "B", nullptr);
    EXPECT_RAISES_TARVO(throwEngineError(env, "UpdateBeliefs", -2),
                        "TARVO error -2 in function UpdateBeliefs. Logged information: A\nB\n");
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
    // A second failure right after shows none of them again.
    EXPECT_RAISES_TARVO(throwEngineError(env, "UpdateBeliefs", -5),
                        "TARVO error -5 in function UpdateBeliefs");
}

TEST_F(FrameTest, CheckEngineStatusRaisesOnlyOnNonZero) {
    EXPECT_NO_THROW(CheckEngineStatus(env, "SetId", 0));
    EXPECT_FALSE(env->ExceptionCheck());
    EXPECT_RAISES_TARVO(CheckEngineStatus(env, "SetId", 1), "TARVO error 1 in function SetId");
}

TEST_F(FrameTest, RunNativeTurnsExceptionsIntoTarvoException) {
    EXPECT_EQ(RunNative(env, []() -> jint { throw std::invalid_argument("Invalid node handle: 7"); }), 0);
    EXPECT_EQ(TakeTarvoMessage(), "Invalid node handle: 7");
    EXPECT_EQ(RunNative(env, []() -> jobject { throw std::runtime_error("Main submodel not found"); }),
              nullptr);
    EXPECT_EQ(TakeTarvoMessage(), "Main submodel not found");
    EXPECT_EQ(RunNative(env, []() -> jdouble { throw std::bad_alloc(); }), 0.0);
    EXPECT_EQ(TakeTarvoMessage(), "bad allocation");
    RunNative(env, [] { throw 42; });
    EXPECT_EQ(TakeTarvoMessage(), "Unknown native error");
}

TEST_F(FrameTest, EngineErrorInsideNativeReturnsZeroValue) {
    const jint result = RunNative(env, [&]() -> jint {
        CheckEngineStatus(env, "AddNode", -42);
        return 3;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(TakeTarvoMessage(), "TARVO error -42 in function AddNode");
}

TEST_F(FrameTest, PendingJavaExceptionIsKept) {
    // A JNI failure (here a missing class) stays the exception Java sees.
    RunNative(env, [&] { FindJavaClass(env, "tarvo/NoSuchClass"); });
    EXPECT_EQ(TakeFailure().className, "java.lang.NoClassDefFoundError");
    // And a later raise does not replace a pending exception.
    env->ThrowNew(env->FindClass("java/lang/IllegalStateException"), "first");
    ThrowTarvoException(env, "second");
    const JavaFailure failure = TakeFailure();
    EXPECT_EQ(failure.className, "java.lang.IllegalStateException");
    EXPECT_EQ(failure.message, "first");
}

TEST_F(FrameTest, ExceptionTextKeepsLatin1AndUtf8) {
    ThrowTarvoException(env, "Invalid node id: Caf\xE9");
    EXPECT_EQ(TakeTarvoMessage(), "Invalid node id: Caf\xC3\xA9");
    ThrowTarvoException(env, "\xE2\x82\xAC");
    EXPECT_EQ(TakeTarvoMessage(), "\xE2\x82\xAC");
}

TEST_F(FrameTest, JavaStringsBecomeEngineText) {
    LocalRef<jstring> latin1(env, NewUtf16String(u"Gr\u00F6\u00DFe"));
    EXPECT_EQ(JStringChars(env, latin1.get(), "name").str(),
              "Gr\xF6\xDF"
              "e");
    LocalRef<jstring> euro(env, NewUtf16String(u"\u20AC"));
    EXPECT_EQ(JStringChars(env, euro.get(), "name").str(), "\xE2\x82\xAC");
    LocalRef<jstring> empty(env, NewUtf16String(u""));
    const JStringChars emptyText(env, empty.get(), "name");
    EXPECT_STREQ(emptyText.get(), "");
    EXPECT_FALSE(emptyText.IsNull());
}

TEST_F(FrameTest, NullJavaStringIsRefusedUnlessAllowed) {
    try {
        JStringChars text(env, nullptr, "nodeId");
        FAIL() << "a null string was taken";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "String argument can't be null (nodeId)");
    }
    const JStringChars allowed(env, nullptr, "name", JStringChars::AllowNull{});
    EXPECT_TRUE(allowed.IsNull());
    EXPECT_EQ(allowed.get(), nullptr);
}

TEST_F(FrameTest, JavaStringWithNulCharacterIsRefused) {
    // Taken as far as the NUL, "A\0-x" would pass the identifier rule as "A".
    LocalRef<jstring> cut(env, NewUtf16String(std::u16string(u"A\0-x", 4)));
    for (const bool allowNull : {false, true}) {
        try {
            const JStringChars text = allowNull
                                          ? JStringChars(env, cut.get(), "id", JStringChars::AllowNull{})
                                          : JStringChars(env, cut.get(), "id");
            FAIL() << "taken as '" << text.str() << "'";
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "String argument can't contain a null character (id)");
        }
    }
}

TEST_F(FrameTest, EngineTextBecomesJavaString) {
    LocalRef<jstring> latin1(env, MakeJavaString(env, "Caf\xE9"));
    EXPECT_EQ(Utf16(latin1.get()), u"Caf\u00E9");
    LocalRef<jstring> utf8(env, MakeJavaString(env, "Caf\xC3\xA9"));
    EXPECT_EQ(Utf16(utf8.get()), u"Caf\u00E9");
    LocalRef<jstring> empty(env, MakeJavaString(env, ""));
    EXPECT_EQ(Utf16(empty.get()), u"");
    EXPECT_EQ(MakeJavaString(env, nullptr), nullptr);
}

TEST_F(FrameTest, NetworkBehindJavaObject) {
    VRX_network network;
    LocalRef<jobject> object(env, WrapNetwork(network));
    EXPECT_EQ(&GetNetwork(env, object.get()), &network);
    EXPECT_EQ(getNativePtr(env, object.get()), ToNativePtr(&network));
}

TEST_F(FrameTest, DisposedOrNullObjectIsRefused) {
    VRX_network network;
    LocalRef<jobject> object(env, WrapNetwork(network));
    jclass wrapper = FindClass("tarvo/Wrapper");
    env->SetLongField(object.get(), env->GetFieldID(wrapper, "ptrNative", "J"), 0);
    env->DeleteLocalRef(wrapper);
    RunNative(env, [&] { GetNetwork(env, object.get()); });
    EXPECT_EQ(TakeTarvoMessage(), "Object already disposed of");
    RunNative(env, [&] { GetNetwork(env, nullptr); });
    EXPECT_EQ(TakeTarvoMessage(), "Object argument can't be null");
}

TEST_F(FrameTest, NativeStaticInitWithoutTheFieldLeavesTheIdentifier) {
    VRX_network network;
    LocalRef<jobject> object(env, WrapNetwork(network));
    jclass objectClass = FindClass("java/lang/Object");
    Java_tarvo_Wrapper_nativeStaticInit(env, objectClass);
    env->DeleteLocalRef(objectClass);
    EXPECT_EQ(TakeFailure().className, "java.lang.NoSuchFieldError");
    EXPECT_EQ(&GetNetwork(env, object.get()), &network);
    // Running it again on Wrapper keeps the same identifier.
    jclass wrapper = FindClass("tarvo/Wrapper");
    Java_tarvo_Wrapper_nativeStaticInit(env, wrapper);
    env->DeleteLocalRef(wrapper);
    EXPECT_EQ(&GetNetwork(env, object.get()), &network);
}

TEST_F(FrameTest, NetworkOfFieldNet) {
    VRX_network network;
    LocalRef<jobject> javaNetwork(env, WrapNetwork(network));
    jclass diagClass = FindClass("tarvo/DiagNetwork");
    LocalRef<jobject> diag(env, env->AllocObject(diagClass));
    jfieldID net = env->GetFieldID(diagClass, "net", "Ltarvo/Network;");
    env->DeleteLocalRef(diagClass);
    RunNative(env, [&] { getNetworkOfField(env, diag.get()); });
    EXPECT_EQ(TakeTarvoMessage(), "Object argument can't be null");
    env->SetObjectField(diag.get(), net, javaNetwork.get());
    EXPECT_EQ(&getNetworkOfField(env, diag.get()), &network);
}

TEST_F(FrameTest, NewJavaNetworkHasItsEngineNetwork) {
    LocalRef<jobject> network(env, RunNative(env, [&] { return newJavaNetwork(env); }));
    ASSERT_NE(network.get(), nullptr);
    EXPECT_NE(getNativePtr(env, network.get()), 0);
    // Disposed of through Java, by the library that created it.
    jclass wrapper = FindClass("tarvo/Wrapper");
    env->CallVoidMethod(network.get(), env->GetMethodID(wrapper, "dispose", "()V"));
    env->DeleteLocalRef(wrapper);
    EXPECT_FALSE(env->ExceptionCheck());
    EXPECT_EQ(getNativePtr(env, network.get()), 0);
}

TEST_F(FrameTest, ToNativePtrAndDeleteVrxObject) {
    auto* network = new VRX_network();
    const jlong ptr = ToNativePtr(network);
    EXPECT_EQ(ptr, static_cast<jlong>(reinterpret_cast<intptr_t>(static_cast<VRX_object*>(network))));
    DeleteVrxObject(ptr);
    DeleteVrxObject(0);
}

TEST(NumericLocaleGuardTest, SwitchesThisThreadToCAndRestoresNested) {
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    // Any installed locale with a decimal comma will do; without one the guard is checked against "C".
    const char* comma = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            comma = name;
            break;
        }
    }
    const std::string host = std::setlocale(LC_NUMERIC, nullptr);
    const std::string hostPoint = std::localeconv()->decimal_point;
    std::string otherThreadPoint;
    {
        NumericLocaleGuard outer;
        EXPECT_STREQ(std::localeconv()->decimal_point, ".");
        EXPECT_DOUBLE_EQ(std::strtod("0.5", nullptr), 0.5);
        {
            NumericLocaleGuard inner;
            EXPECT_STREQ(std::localeconv()->decimal_point, ".");
        }
        EXPECT_STREQ(std::localeconv()->decimal_point, ".");
        // The process locale, which every other thread of the JVM uses, is left alone.
        EXPECT_EQ(std::string(std::setlocale(LC_NUMERIC, nullptr)), host);
        std::thread([&] { otherThreadPoint = std::localeconv()->decimal_point; }).join();
    }
    EXPECT_EQ(otherThreadPoint, hostPoint);
    EXPECT_EQ(std::string(std::localeconv()->decimal_point), hostPoint);
    if (comma != nullptr) {
        EXPECT_EQ(hostPoint, ",");
    }
    std::setlocale(LC_NUMERIC, before.c_str());
}

TEST(AppendIntTest, Decimal) {
    std::string text = "x";
    appendInt(text, -2147483647 - 1);
    appendInt(text, 0);
    appendInt(text, 42);
    EXPECT_EQ(text, "x-2147483648042");
}

}  // namespace
