#pragma once
// The one way to write the natives of a Java object that owns a plain engine record (a learner's
// settings, a data set, a pattern): its life, and its settings read and written field by field.
//
//   VOVIDO_RECORD_LIFE(Class, Record)
//   VOVIDO_RECORD_SETTING(Class, Record, JType, Name, field, Fault)
//   VOVIDO_RECORD_BK_KNOWLEDGE(Class, Record)
//
// define, for the Java class tarvo.learning.Class, createNative and deleteNative; getName and setName,
// where setName stores the value after Fault(value) gave "" (AnyValue<JType> takes any value; a
// non-empty text is raised as the refusal); getBkKnowledge and setBkKnowledge over the record's forced arcs,
// forbidden arcs and tiers. Every one resolves the record first, so a disposed object is named before its
// argument.

#include <jni.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "jni/jni_builders.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"

namespace vovido {

// Destroys a record made by CreateRecord; for DisposeUnlessKept too.
template <typename Record>
void DeleteRecord(jlong ptr) {
    delete reinterpret_cast<Record*>(static_cast<intptr_t>(ptr));
}

template <typename Record>
jlong CreateRecord(JNIEnv* env) noexcept {
    return RunNative(env, []() -> jlong { return ToNativePtr(new Record()); });
}

template <typename Record>
void DestroyRecord(JNIEnv* env, jlong ptr) noexcept {
    RunNative(env, [ptr] { DeleteRecord<Record>(ptr); });
}

// The check of a setting that takes any value.
template <typename Value>
std::string AnyValue(Value) {
    return std::string();
}

// A field of the record as Java sees it: a bool as jboolean.
template <typename Record, typename Field>
auto GetRecordField(JNIEnv* env, jobject self, Field Record::*field) noexcept {
    return RunNative(env, [&] {
        const Field& value = NativeObject<Record>(env, self).*field;
        if constexpr (std::is_same_v<Field, bool>) {
            return static_cast<jboolean>(value ? JNI_TRUE : JNI_FALSE);
        } else {
            return value;
        }
    });
}

template <typename Record, typename Field, typename Value, typename Fault>
void SetRecordField(JNIEnv* env, jobject self, Field Record::*field, Value value, Fault fault) noexcept {
    RunNative(env, [&] {
        Record& record = NativeObject<Record>(env, self);
        checkSettingFault(fault(value));
        if constexpr (std::is_same_v<Field, bool>) {
            record.*field = value != JNI_FALSE;
        } else {
            record.*field = value;
        }
    });
}

template <typename Record>
jobject GetRecordBkKnowledge(JNIEnv* env, jobject self) noexcept {
    return RunNative(env, [&]() -> jobject {
        const Record& record = NativeObject<Record>(env, self);
        return makeBkKnowledge(env, record.forcedArcs, record.forbiddenArcs, record.tiers);
    });
}

template <typename Record>
void SetRecordBkKnowledge(JNIEnv* env, jobject self, jobject knowledge) noexcept {
    RunNative(env, [&] {
        Record& record = NativeObject<Record>(env, self);
        readBkKnowledge(env, knowledge, record.forcedArcs, record.forbiddenArcs, record.tiers);
    });
}

}  // namespace vovido

#define VOVIDO_RECORD_LIFE(Class, Record)                                                                 \
    extern "C" JNIEXPORT jlong JNICALL Java_tarvo_learning_##Class##_createNative(JNIEnv* env, jobject) { \
        return vovido::CreateRecord<Record>(env);                                                         \
    }                                                                                                     \
    extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_##Class##_deleteNative(JNIEnv* env, jobject,    \
                                                                                 jlong ptr) {             \
        vovido::DestroyRecord<Record>(env, ptr);                                                          \
    }

#define VOVIDO_RECORD_SETTING(Class, Record, JType, Name, field, Fault)                                     \
    extern "C" JNIEXPORT JType JNICALL Java_tarvo_learning_##Class##_get##Name(JNIEnv* env, jobject self) { \
        return vovido::GetRecordField(env, self, &Record::field);                                           \
    }                                                                                                       \
    extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_##Class##_set##Name(JNIEnv* env, jobject self,    \
                                                                              JType value) {                \
        vovido::SetRecordField(env, self, &Record::field, value, Fault);                                    \
    }

#define VOVIDO_RECORD_BK_KNOWLEDGE(Class, Record)                                                     \
    extern "C" JNIEXPORT jobject JNICALL Java_tarvo_learning_##Class##_getBkKnowledge(JNIEnv* env,    \
                                                                                      jobject self) { \
        return vovido::GetRecordBkKnowledge<Record>(env, self);                                       \
    }                                                                                                 \
    extern "C" JNIEXPORT void JNICALL Java_tarvo_learning_##Class##_setBkKnowledge(                   \
        JNIEnv* env, jobject self, jobject knowledge) {                                               \
        vovido::SetRecordBkKnowledge<Record>(env, self, knowledge);                                   \
    }
