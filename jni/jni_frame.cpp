// The frame of the native methods: failures to Java exceptions, strings, handles, the locale guard.
#include "jni/jni_frame.h"

#include <clocale>
#include <cstdarg>
#include <new>
#include <vector>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "jni/jni_text.h"
#include "model/network.h"
#include "tarvo_Wrapper.h"

using vovido::CheckJavaException;
using vovido::EngineTextToUtf16;
using vovido::FindField;
using vovido::FindJavaClass;
using vovido::FindMethod;
using vovido::GetNetwork;
using vovido::kBadAllocText;
using vovido::kNotInitializedText;
using vovido::kNulCharText;
using vovido::kNullObjectText;
using vovido::kNullStringText;
using vovido::LocalRef;
using vovido::MakeJavaString;
using vovido::NativeObject;
using vovido::NewJavaObject;
using vovido::PendingJavaException;
using vovido::ThrowTarvoException;
using vovido::Utf16ToEngineText;

namespace {

// The identifier of the Java field ptrNative, kept by Wrapper.nativeStaticInit for the process.
jfieldID ptrNativeField = nullptr;

}  // namespace

extern "C" JNIEXPORT void JNICALL Java_tarvo_Wrapper_nativeStaticInit(JNIEnv* env, jclass cls) {
    const jfieldID field = env->GetFieldID(cls, "ptrNative", "J");
    // A failed lookup leaves NoSuchFieldError pending for the class initialiser.
    if (field == nullptr) return;
    ptrNativeField = field;
    vovido::FindWarningLogger(env, cls);
}

vovido::NativeFrameState& vovido::ThisThreadNativeFrame() noexcept {
    return nativeFrame;
}

ErrorLog& vovido::ThisThreadErrorLog() noexcept {
    return errorLog;
}

void vovido::ThrowTarvoException(JNIEnv* env, const char* text) noexcept {
    if (env->ExceptionCheck()) return;
    const jclass cls = env->FindClass("tarvo/TARVOException");
    if (cls == nullptr) return;
    // Built from a jstring rather than with ThrowNew, which would need modified UTF-8.
    try {
        LocalRef<jstring> message(env, MakeJavaString(env, text));
        const jmethodID constructor = FindMethod(env, cls, "<init>", "(Ljava/lang/String;)V");
        LocalRef<jobject> exception(env, NewJavaObject(env, cls, constructor, message.get()));
        env->Throw(static_cast<jthrowable>(exception.get()));
    } catch (const PendingJavaException&) {
    } catch (...) {
        if (!env->ExceptionCheck()) env->ThrowNew(cls, kBadAllocText);
    }
    env->DeleteLocalRef(cls);
}

void throwEngineError(JNIEnv* env, const char* operation, int status) {
    std::string text = "TARVO error ";
    appendInt(text, status);
    text += " in function ";
    text += operation;
    const int first = vovido::nativeFrame.logFirstEntry;
    // The cause first, the notices after it, one per kind.
    vovido::FoldNotices(errorLog, first, true);
    const int count = errorLog.GetNumberOfEntries();
    if (count > first) {
        text += ". Logged information: ";
        for (int i = first; i < count; ++i) {
            const char* message = errorLog.GetMessage(i);
            if (message != nullptr) text += message;
            text += '\n';
        }
        errorLog.Truncate(first);
    }
    ThrowTarvoException(env, text);
    throw PendingJavaException();
}

void throwJavaException(JNIEnv* env, const std::exception& e) noexcept {
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) {
        ThrowTarvoException(env, kBadAllocText);
    } else {
        ThrowTarvoException(env, e.what());
    }
}

LocalRef<jclass> vovido::FindJavaClass(JNIEnv* env, const char* name) {
    const jclass cls = env->FindClass(name);
    CheckJavaException(env);
    return LocalRef<jclass>(env, cls);
}

jmethodID vovido::FindMethod(JNIEnv* env, jclass cls, const char* name, const char* signature) {
    const jmethodID method = env->GetMethodID(cls, name, signature);
    CheckJavaException(env);
    return method;
}

jfieldID vovido::FindField(JNIEnv* env, jclass cls, const char* name, const char* signature) {
    const jfieldID field = env->GetFieldID(cls, name, signature);
    CheckJavaException(env);
    return field;
}

jobject vovido::NewJavaObject(JNIEnv* env, jclass cls, jmethodID constructor, ...) {
    va_list args;
    va_start(args, constructor);
    const jobject object = env->NewObjectV(cls, constructor, args);
    va_end(args);
    CheckJavaException(env);
    if (object == nullptr) throw std::bad_alloc();
    return object;
}

jobjectArray vovido::NewJavaObjectArray(JNIEnv* env, jsize n, jclass elementClass) {
    const jobjectArray array = env->NewObjectArray(n, elementClass, nullptr);
    CheckJavaException(env);
    if (array == nullptr) throw std::bad_alloc();
    return array;
}

void vovido::StoreArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject element) {
    LocalRef<jobject> owned(env, element);
    env->SetObjectArrayElement(array, index, element);
    CheckJavaException(env);
}

void vovido::ThrowNullElement(const char* nullText, jsize index) {
    std::string text = nullText;
    appendInt(text, index);
    throw std::invalid_argument(text + ")");
}

jstring vovido::MakeJavaString(JNIEnv* env, const char* text) {
    if (text == nullptr) return nullptr;
    static const jchar kEmpty = 0;
    const std::vector<jchar> units = EngineTextToUtf16(text, std::char_traits<char>::length(text));
    const jstring string =
        env->NewString(units.empty() ? &kEmpty : units.data(), static_cast<jsize>(units.size()));
    CheckJavaException(env);
    if (string == nullptr) throw std::bad_alloc();
    return string;
}

namespace {

std::invalid_argument ArgumentRefusal(const char* text, const char* argument) {
    return std::invalid_argument(std::string(text) + " (" + argument + ")");
}

}  // namespace

JStringChars::JStringChars(JNIEnv* env, jstring string, const char* argument) {
    if (string == nullptr) throw ArgumentRefusal(kNullStringText, argument);
    Read(env, string, argument);
}

JStringChars::JStringChars(JNIEnv* env, jstring string, const char* argument, AllowNull) {
    if (string == nullptr) {
        null_ = true;
        return;
    }
    Read(env, string, argument);
}

void JStringChars::Read(JNIEnv* env, jstring string, const char* argument) {
    const jsize length = env->GetStringLength(string);
    if (length == 0) return;
    std::vector<jchar> units(static_cast<size_t>(length));
    env->GetStringRegion(string, 0, length, units.data());
    CheckJavaException(env);
    for (const jchar unit : units) {
        if (unit == 0) throw ArgumentRefusal(kNulCharText, argument);
    }
    text_ = Utf16ToEngineText(units.data(), units.size());
}

NumericLocaleGuard::NumericLocaleGuard() {
    // The thread's current locale with its numeric part replaced by "C"; newlocale consumes the copy.
    const locale_t copy = duplocale(uselocale(static_cast<locale_t>(0)));
    if (copy == static_cast<locale_t>(0)) return;
    numeric_ = newlocale(LC_NUMERIC_MASK, "C", copy);
    if (numeric_ == static_cast<locale_t>(0)) {
        freelocale(copy);
        return;
    }
    previous_ = uselocale(numeric_);
}

NumericLocaleGuard::~NumericLocaleGuard() {
    if (numeric_ == static_cast<locale_t>(0)) return;
    uselocale(previous_);
    freelocale(numeric_);
}

void appendInt(std::string& text, int value) {
    text += std::to_string(value);
}

jlong getNativePtr(JNIEnv* env, jobject object) {
    if (object == nullptr) throw std::invalid_argument(kNullObjectText);
    if (ptrNativeField == nullptr) throw std::runtime_error(kNotInitializedText);
    return env->GetLongField(object, ptrNativeField);
}

VRX_network& vovido::GetNetwork(JNIEnv* env, jobject network) {
    return NativeObject<VRX_network>(env, network);
}

VRX_network& getNetworkOfField(JNIEnv* env, jobject object) {
    if (object == nullptr) throw std::invalid_argument(kNullObjectText);
    LocalRef<jclass> cls(env, env->GetObjectClass(object));
    const jfieldID field = FindField(env, cls.get(), "net", "Ltarvo/Network;");
    LocalRef<jobject> network(env, env->GetObjectField(object, field));
    return GetNetwork(env, network.get());
}

jobject newJavaNetwork(JNIEnv* env) {
    LocalRef<jclass> cls = FindJavaClass(env, "tarvo/Network");
    const jmethodID constructor = FindMethod(env, cls.get(), "<init>", "()V");
    return NewJavaObject(env, cls.get(), constructor);
}

vovido::DisposeUnlessKept::~DisposeUnlessKept() {
    if (object_ == nullptr || ptrNativeField == nullptr) return;
    // The failure's exception is set aside for the field calls, which may not run while it is pending.
    const jthrowable pending = env_->ExceptionOccurred();
    if (pending != nullptr) env_->ExceptionClear();
    const jlong ptr = env_->GetLongField(object_, ptrNativeField);
    env_->SetLongField(object_, ptrNativeField, 0);
    if (ptr != 0) destroy_(ptr);
    if (pending != nullptr) {
        env_->Throw(pending);
        env_->DeleteLocalRef(pending);
    }
}

void vovido::DeleteVrxObject(jlong ptr) {
    delete reinterpret_cast<VRX_object*>(static_cast<intptr_t>(ptr));
}
