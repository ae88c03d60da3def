// The warnings of a native that succeeds, handed to the Java logger "tarvo" (Wrapper.WARNINGS).
#include <string>
#include <vector>

#include "base/counted_notices.h"
#include "base/error_log.h"
#include "jni/jni_frame.h"

using vovido::CheckJavaException;
using vovido::FindJavaClass;
using vovido::FindMethod;
using vovido::LocalRef;
using vovido::MakeJavaString;

namespace {

// Found once by Wrapper's static initialiser, before any native can run. The class and the level are
// global references, so the identifiers stay valid and a warning costs no lookup.
struct WarningLogger {
    jclass wrapper = nullptr;
    jfieldID logger = nullptr;  // static System.Logger WARNINGS
    jmethodID log = nullptr;    // System.Logger.log(System.Logger.Level, String)
    jobject warning = nullptr;  // System.Logger.Level.WARNING
};

WarningLogger warningLogger;

WarningLogger LookUpWarningLogger(JNIEnv* env, jclass wrapper) {
    WarningLogger found;
    found.logger = env->GetStaticFieldID(wrapper, "WARNINGS", "Ljava/lang/System$Logger;");
    CheckJavaException(env);
    const LocalRef<jclass> loggerClass = FindJavaClass(env, "java/lang/System$Logger");
    const LocalRef<jclass> levelClass = FindJavaClass(env, "java/lang/System$Logger$Level");
    found.log =
        FindMethod(env, loggerClass.get(), "log", "(Ljava/lang/System$Logger$Level;Ljava/lang/String;)V");
    const jfieldID warning =
        env->GetStaticFieldID(levelClass.get(), "WARNING", "Ljava/lang/System$Logger$Level;");
    CheckJavaException(env);
    const LocalRef<jobject> level(env, env->GetStaticObjectField(levelClass.get(), warning));
    CheckJavaException(env);
    found.wrapper = static_cast<jclass>(env->NewGlobalRef(wrapper));
    found.warning = env->NewGlobalRef(level.get());
    CheckJavaException(env);
    return found;
}

// "<operation>: [<code>] <message>"; the operation is left out when the native named none.
std::string RecordText(int index) {
    std::string text;
    if (vovido::nativeFrame.operation != nullptr) {
        text += vovido::nativeFrame.operation;
        text += ": ";
    }
    text += '[';
    appendInt(text, errorLog.GetCode(index));
    text += "] ";
    const char* message = errorLog.GetMessage(index);
    if (message != nullptr) text += message;
    return text;
}

void LogRecords(JNIEnv* env, const std::vector<std::string>& records) {
    const LocalRef<jobject> logger(env,
                                   env->GetStaticObjectField(warningLogger.wrapper, warningLogger.logger));
    CheckJavaException(env);
    if (logger.get() == nullptr) return;
    for (const std::string& text : records) {
        const LocalRef<jstring> message(env, MakeJavaString(env, text.c_str()));
        env->CallVoidMethod(logger.get(), warningLogger.log, warningLogger.warning, message.get());
        CheckJavaException(env);
    }
}

}  // namespace

void vovido::FindWarningLogger(JNIEnv* env, jclass wrapper) noexcept {
    if (warningLogger.wrapper != nullptr) return;
    try {
        warningLogger = LookUpWarningLogger(env, wrapper);
    } catch (...) {
        // The failed lookup's Java exception is pending for the class initialiser.
    }
}

void vovido::PublishLoggedWarnings(JNIEnv* env) noexcept {
    const int first = nativeFrame.logFirstEntry;
    // One record per kind of notice: Java's logger costs far more per record than the engine per entry.
    FoldNotices(errorLog, first, false);
    std::vector<std::string> records;
    try {
        for (int i = first; i < errorLog.GetNumberOfEntries(); ++i) records.push_back(RecordText(i));
    } catch (...) {
        // Without memory for the texts, what was gathered is all there is to publish.
    }
    // Gone before Java runs: a handler that calls a native finds none of these entries in the log.
    errorLog.Truncate(first);
    if (warningLogger.wrapper == nullptr || env->ExceptionCheck()) return;
    try {
        LogRecords(env, records);
    } catch (...) {
        // The Java exception (or one for the failed allocation) stays pending for the caller.
    }
}
