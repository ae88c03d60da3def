#pragma once
// The frame of every native method: engine objects behind ptrNative, Java strings, local references,
// the numeric locale of files, and the turning of every failure into tarvo.TARVOException.

#include <jni.h>

#include <locale.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "base/vrx_object.h"

class VRX_network;

namespace vovido {

// Messages of the failures the frame adds for Java misuse (null arguments, disposed objects).
inline constexpr const char* kNullStringText = "String argument can't be null";
inline constexpr const char* kNulCharText = "String argument can't contain a null character";
inline constexpr const char* kNullArrayText = "Array argument can't be null";
inline constexpr const char* kNullObjectText = "Object argument can't be null";
inline constexpr const char* kDisposedObjectText = "Object already disposed of";
inline constexpr const char* kNotInitializedText =
    "Native library not initialized: Wrapper.nativeStaticInit has not run";
inline constexpr const char* kUnknownErrorText = "Unknown native error";
inline constexpr const char* kBadAllocText = "bad allocation";

// Thrown once a Java exception is pending: the frame then returns at once, making no further JNI call.
struct PendingJavaException {};

// Unwinds to the frame when the last JNI call left an exception pending.
inline void CheckJavaException(JNIEnv* env) {
    if (env->ExceptionCheck()) throw PendingJavaException();
}

// Makes "tarvo/TARVOException" with the text pending, unless an exception is pending already (the first
// failure is the one Java sees). The text may hold any engine bytes (jni_text.h).
void ThrowTarvoException(JNIEnv* env, const char* text) noexcept;
inline void ThrowTarvoException(JNIEnv* env, const std::string& text) noexcept {
    ThrowTarvoException(env, text.c_str());
}

}  // namespace vovido

// Raises the engine error text: "TARVO error " status " in function " operation, then, when this native
// logged messages, ". Logged information: " and each message followed by a line feed; they are dropped.
// Does not return: it unwinds to the frame, which returns the zero value of the native's result.
[[noreturn]] void throwEngineError(JNIEnv* env, const char* operation, int status);

namespace vovido {

// What the thread's running native keeps apart: the first entry of the error log that is its own, whether
// a native runs at all, and the engine operation it last checked (the name its warnings are published
// under). One thread-local record, so the frame finds all of it with one lookup.
struct NativeFrameState {
    int logFirstEntry = 0;
    bool running = false;
    const char* operation = nullptr;
};
inline thread_local NativeFrameState nativeFrame;

// The calling thread's frame state and error log. Out of line on purpose: in a shared library every
// thread-local access is a lookup call, which the compiler repeats at each use of an inline address; a
// native's frame takes each address once from these and keeps it.
NativeFrameState& ThisThreadNativeFrame() noexcept;
ErrorLog& ThisThreadErrorLog() noexcept;

inline void CheckEngineStatus(JNIEnv* env, const char* operation, int status) {
    nativeFrame.operation = operation;
    if (status != 0) throwEngineError(env, operation, status);
}

}  // namespace vovido

// Raises the exception's what() text; an allocation failure gives kBadAllocText.
void throwJavaException(JNIEnv* env, const std::exception& e) noexcept;

namespace vovido {

// Keeps what publishing warnings needs; Wrapper's static initialiser calls it (nativeStaticInit). A
// failed lookup leaves its Java exception pending and warnings unpublished.
void FindWarningLogger(JNIEnv* env, jclass wrapper) noexcept;

// Hands each entry that the running native logged to the Java logger "tarvo" as a WARNING record,
// "<operation>: [<code>] <message>", and drops them. A failure to log leaves its Java exception pending.
void PublishLoggedWarnings(JNIEnv* env) noexcept;

// A native's share of the thread's error log: what it reports when it fails, or publishes as warnings
// when it succeeds, and nothing an earlier call left behind. A native that Java calls back inside another
// (a logging handler that one of its warnings reaches, say) keeps its own entries apart from the outer
// one's. The native is the outermost call of the engine's notices: the operations it runs, however many,
// fold their notices once, when it publishes or fails.
class NativeLogScope {
public:
    NativeLogScope() noexcept
        : frame_(ThisThreadNativeFrame()),
          log_(ThisThreadErrorLog()),
          outer_(frame_),
          call_(Start(frame_, log_)) {}
    NativeLogScope(const NativeLogScope&) = delete;
    NativeLogScope& operator=(const NativeLogScope&) = delete;
    ~NativeLogScope() {
        log_.Truncate(frame_.logFirstEntry);
        frame_ = outer_;
    }

    // For a native that returns normally: what it logged are warnings. One that logged nothing makes no
    // JNI call here.
    void PublishWarnings(JNIEnv* env) const noexcept {
        if (log_.GetNumberOfEntries() > frame_.logFirstEntry) PublishLoggedWarnings(env);
    }

private:
    NativeFrameState& frame_;
    ErrorLog& log_;
    const NativeFrameState outer_;
    const NoticeBoundary call_;

    // The frame set up for this native; answers the log, whose entries from here on are its own.
    static ErrorLog& Start(NativeFrameState& frame, ErrorLog& log) noexcept {
        if (!frame.running) log.Flush();
        frame.running = true;
        frame.logFirstEntry = log.GetNumberOfEntries();
        frame.operation = nullptr;
        return log;
    }
};

// Runs the body of a native method and turns every escaping failure into a pending Java exception,
// returning the zero value of the result type (0, false, null) in that case. What a body that returns
// normally logged goes to the Java logger; a failure's entries are in its exception text alone.
template <typename Body>
auto RunNative(JNIEnv* env, Body&& body) noexcept -> decltype(body()) {
    using Result = decltype(body());
    const NativeLogScope logScope;
    try {
        if constexpr (std::is_void_v<Result>) {
            body();
            logScope.PublishWarnings(env);
            return;
        } else {
            Result result = body();
            logScope.PublishWarnings(env);
            return result;
        }
    } catch (const PendingJavaException&) {
    } catch (const std::exception& e) {
        throwJavaException(env, e);
    } catch (...) {
        ThrowTarvoException(env, kUnknownErrorText);
    }
    if constexpr (!std::is_void_v<Result>) return Result{};
}

// Owns a JNI local reference and deletes it when destroyed (also while a Java exception is pending).
template <typename T>
class LocalRef {
public:
    LocalRef(JNIEnv* env, T ref) : env_(env), ref_(ref) {}
    LocalRef(const LocalRef&) = delete;
    LocalRef& operator=(const LocalRef&) = delete;
    LocalRef(LocalRef&& other) noexcept : env_(other.env_), ref_(std::exchange(other.ref_, nullptr)) {}
    ~LocalRef() {
        if (ref_ != nullptr) env_->DeleteLocalRef(ref_);
    }
    T get() const { return ref_; }
    // Hands the reference on (for returning it to Java).
    T release() { return std::exchange(ref_, nullptr); }

private:
    JNIEnv* env_;
    T ref_;
};

// Checked JNI lookups and constructions: a failure leaves Java's exception pending and unwinds.
LocalRef<jclass> FindJavaClass(JNIEnv* env, const char* name);
jmethodID FindMethod(JNIEnv* env, jclass cls, const char* name, const char* signature);
jfieldID FindField(JNIEnv* env, jclass cls, const char* name, const char* signature);
// A new object of cls through the constructor; never null.
jobject NewJavaObject(JNIEnv* env, jclass cls, jmethodID constructor, ...);
// An object array of n null elements.
jobjectArray NewJavaObjectArray(JNIEnv* env, jsize n, jclass elementClass);
// Stores the element and releases the caller's local reference to it.
void StoreArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject element);
// Refuses a null element: nullText, the index and ")".
[[noreturn]] void ThrowNullElement(const char* nullText, jsize index);
// Element index of an object array as a local reference of type T. A null element is refused with
// ThrowNullElement, unless nullText is null, which lets it through.
template <typename T = jobject>
LocalRef<T> GetArrayElement(JNIEnv* env, jobjectArray array, jsize index, const char* nullText = nullptr) {
    LocalRef<T> element(env, static_cast<T>(env->GetObjectArrayElement(array, index)));
    CheckJavaException(env);
    if (element.get() == nullptr && nullText != nullptr) ThrowNullElement(nullText, index);
    return element;
}

// A Java string of the engine text (jni_text.h); null for a null text.
jstring MakeJavaString(JNIEnv* env, const char* text);

// A Java array of count objects of the class, element i made by make(cls, constructor, i) with the
// class's constructor of the signature.
template <typename Make>
jobjectArray MakeObjectArray(JNIEnv* env, const char* className, const char* constructorSignature,
                             size_t count, Make make) {
    LocalRef<jclass> cls = FindJavaClass(env, className);
    const jmethodID constructor = FindMethod(env, cls.get(), "<init>", constructorSignature);
    LocalRef<jobjectArray> array(env, NewJavaObjectArray(env, static_cast<jsize>(count), cls.get()));
    for (size_t i = 0; i < count; ++i)
        StoreArrayElement(env, array.get(), static_cast<jsize>(i), make(cls.get(), constructor, i));
    return array.release();
}

// A Java array of count strings, element i the engine text textAt(i) (null stays null).
template <typename TextAt>
jobjectArray MakeStringArray(JNIEnv* env, size_t count, TextAt textAt) {
    LocalRef<jclass> cls = FindJavaClass(env, "java/lang/String");
    LocalRef<jobjectArray> array(env, NewJavaObjectArray(env, static_cast<jsize>(count), cls.get()));
    for (size_t i = 0; i < count; ++i)
        StoreArrayElement(env, array.get(), static_cast<jsize>(i), MakeJavaString(env, textAt(i)));
    return array.release();
}

}  // namespace vovido

// The engine text of a Java string, taken when constructed and kept until destroyed; argument is the
// Java parameter's name, which a refusal gives in parentheses. A null string is refused with
// kNullStringText unless null is allowed, in which case get() is null. A string holding U+0000 is refused
// with kNulCharText: the engine's text would end there, so an identifier, name or path would be cut short
// silently (and "A\u0000-x" would pass the identifier rule as "A").
class JStringChars {
public:
    struct AllowNull {};
    JStringChars(JNIEnv* env, jstring string, const char* argument);
    JStringChars(JNIEnv* env, jstring string, const char* argument, AllowNull);
    JStringChars(const JStringChars&) = delete;
    JStringChars& operator=(const JStringChars&) = delete;

    const char* get() const { return null_ ? nullptr : text_.c_str(); }
    const std::string& str() const { return text_; }
    bool IsNull() const { return null_; }

private:
    void Read(JNIEnv* env, jstring string, const char* argument);

    std::string text_;
    bool null_ = false;
};

// Switches LC_NUMERIC to "C" for its lifetime, so numbers in files use '.', and restores the locale it
// found; nested guards restore in turn. Only the calling thread's locale changes (the process locale
// is shared by every thread of the JVM and cannot be switched safely while others run).
class NumericLocaleGuard {
public:
    NumericLocaleGuard();
    NumericLocaleGuard(const NumericLocaleGuard&) = delete;
    NumericLocaleGuard& operator=(const NumericLocaleGuard&) = delete;
    ~NumericLocaleGuard();

private:
    locale_t numeric_ = static_cast<locale_t>(0);   // owned; null when it could not be made
    locale_t previous_ = static_cast<locale_t>(0);  // the thread's locale before, restored at the end
};

// Appends the int in decimal.
void appendInt(std::string& text, int value);

// The ptrNative of a Java object. A null object is refused; so is any use before
// Wrapper.nativeStaticInit has kept the field's identifier.
jlong getNativePtr(JNIEnv* env, jobject object);

namespace vovido {

// The Java long that stands for an engine object. Objects of the VRX_object family are kept by the
// address of their VRX_object part, so deleteNative can destroy them through the virtual destructor.
template <typename T>
jlong ToNativePtr(T* object) {
    if constexpr (std::is_base_of_v<VRX_object, T>) {
        return static_cast<jlong>(reinterpret_cast<intptr_t>(static_cast<VRX_object*>(object)));
    } else {
        return static_cast<jlong>(reinterpret_cast<intptr_t>(object));
    }
}

// The engine object of a Java object; a zero ptrNative (the object was disposed of) is refused instead
// of being followed.
template <typename T>
T& NativeObject(JNIEnv* env, jobject object) {
    const jlong ptr = getNativePtr(env, object);
    if (ptr == 0) throw std::runtime_error(kDisposedObjectText);
    if constexpr (std::is_base_of_v<VRX_object, T>) {
        return *static_cast<T*>(reinterpret_cast<VRX_object*>(static_cast<intptr_t>(ptr)));
    } else {
        return *reinterpret_cast<T*>(static_cast<intptr_t>(ptr));
    }
}

// The engine network of a Java tarvo.Network.
VRX_network& GetNetwork(JNIEnv* env, jobject network);

}  // namespace vovido

// The engine network of the tarvo.Network held in the object's field "net".
VRX_network& getNetworkOfField(JNIEnv* env, jobject object);

// A new Java tarvo.Network (its constructor creates the engine network); a local reference.
jobject newJavaNetwork(JNIEnv* env);

namespace vovido {

// Destroys, unless kept, the engine object of a Java object that a native made for its result: a native
// that fails never returns the object, and nothing else would free its engine object. Its ptrNative
// becomes 0. Works while the failure's Java exception is pending.
class DisposeUnlessKept {
public:
    using Destroy = void (*)(jlong);
    DisposeUnlessKept(JNIEnv* env, jobject object, Destroy destroy)
        : env_(env), object_(object), destroy_(destroy) {}
    DisposeUnlessKept(const DisposeUnlessKept&) = delete;
    DisposeUnlessKept& operator=(const DisposeUnlessKept&) = delete;
    ~DisposeUnlessKept();
    void Keep() { object_ = nullptr; }

private:
    JNIEnv* env_;
    jobject object_;
    Destroy destroy_;
};

// Destroys an engine object of the VRX_object family kept by ToNativePtr; zero is ignored.
void DeleteVrxObject(jlong ptr);

// A new Java network, filled by fill(network), for a native's result; when fill throws, the network is
// disposed of, so no partly made network is left behind.
template <typename Fill>
jobject FillNewNetwork(JNIEnv* env, Fill&& fill) {
    LocalRef<jobject> network(env, newJavaNetwork(env));
    DisposeUnlessKept guard(env, network.get(), DeleteVrxObject);
    fill(GetNetwork(env, network.get()));
    guard.Keep();
    return network.release();
}

}  // namespace vovido
