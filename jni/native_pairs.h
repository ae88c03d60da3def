#pragma once
// The one way to write natives that take a node (or a submodel, or another engine object) by handle or
// by identifier: such Java methods come in pairs, and one line defines both members from one body.
//
//   VOVIDO_JNI_PAIR(Class, ByHandle, ById, Result, name, Rest, Body, Types...)
//
// defines, for the Java method tarvo.Class.name whose arguments after the key have the JNI types Types
// (up to five, mangled as Rest, which may be empty),
//
//   Result Java_tarvo_<Class>_<name>__I<Rest>(env, self, jint handle, Types... a)
//       { return ByHandle(env, self, handle, Body, a...); }
//   Result Java_tarvo_<Class>_<name>__Ljava_lang_String_2<Rest>(env, self, jstring id, Types... a)
//       { return ById(env, self, id, Body, a...); }
//
// The runners (OnHandle and OnId<Resolve> below, or a class's own) run Body(env, network, handle, a...)
// in the frame of RunNative. ById resolves the identifier before anything else, raising the resolver's
// text ("Invalid node id: X"); every other check and text is the body's, so both members share them.
// VOVIDO_JNI_PAIR2 does the same for two keys (an arc's parent and child): "__II<Rest>" and
// "__Ljava_lang_String_2Ljava_lang_String_2<Rest>", the second identifier resolved first. A further
// argument given by index or by identifier (an outcome, a parent) makes two pairs, the second with the
// body adapted by ByOutcomeId or ByParentId. A body with a top-level comma goes in parentheses.

#include <jni.h>

#include "jni/jni_checks.h"
#include "jni/jni_frame.h"

class VRX_network;

namespace vovido {

// Runs a native body with the handle as given.
template <typename Body, typename... Args>
auto OnHandle(JNIEnv* env, jobject self, jint handle, Body&& body, Args... args) noexcept {
    return RunNative(env, [&] { return body(env, GetNetwork(env, self), handle, args...); });
}

// Runs a native body with the handle of the identifier, resolved before anything else is checked by
// Resolve(env, network, id).
template <auto Resolve, typename Id, typename Body, typename... Args>
auto OnId(JNIEnv* env, jobject self, Id id, Body&& body, Args... args) noexcept {
    return RunNative(env, [&] {
        VRX_network& network = GetNetwork(env, self);
        return body(env, network, Resolve(env, network, id), args...);
    });
}

// The same for two keys, Body(env, network, first, second, args...).
template <typename Body, typename... Args>
auto OnHandles(JNIEnv* env, jobject self, jint first, jint second, Body&& body, Args... args) noexcept {
    return RunNative(env, [&] { return body(env, GetNetwork(env, self), first, second, args...); });
}

template <auto ResolveFirst, auto ResolveSecond, typename Body, typename... Args>
auto OnIds(JNIEnv* env, jobject self, jstring first, jstring second, Body&& body, Args... args) noexcept {
    return RunNative(env, [&] {
        VRX_network& network = GetNetwork(env, self);
        const int secondHandle = ResolveSecond(env, network, second);
        return body(env, network, ResolveFirst(env, network, first), secondHandle, args...);
    });
}

}  // namespace vovido

// The further parameters a1, a2, ... of the types after the body, and the call's arguments.
#define VOVIDO_JNI_CAT_(a, b) VOVIDO_JNI_CAT2_(a, b)
#define VOVIDO_JNI_CAT2_(a, b) a##b
#define VOVIDO_JNI_COUNT_(...) VOVIDO_JNI_COUNT2_(__VA_ARGS__, 5, 4, 3, 2, 1, 0, unused)
#define VOVIDO_JNI_COUNT2_(body, t1, t2, t3, t4, t5, n, ...) n
#define VOVIDO_JNI_PARAMS_(...) \
    VOVIDO_JNI_CAT_(VOVIDO_JNI_PARAMS_, VOVIDO_JNI_COUNT_(__VA_ARGS__))(__VA_ARGS__)
#define VOVIDO_JNI_PARAMS_0(body)
#define VOVIDO_JNI_PARAMS_1(body, t1) , t1 a1
#define VOVIDO_JNI_PARAMS_2(body, t1, t2) , t1 a1, t2 a2
#define VOVIDO_JNI_PARAMS_3(body, t1, t2, t3) , t1 a1, t2 a2, t3 a3
#define VOVIDO_JNI_PARAMS_4(body, t1, t2, t3, t4) , t1 a1, t2 a2, t3 a3, t4 a4
#define VOVIDO_JNI_PARAMS_5(body, t1, t2, t3, t4, t5) , t1 a1, t2 a2, t3 a3, t4 a4, t5 a5
#define VOVIDO_JNI_ARGS_(...) VOVIDO_JNI_CAT_(VOVIDO_JNI_ARGS_, VOVIDO_JNI_COUNT_(__VA_ARGS__))(__VA_ARGS__)
#define VOVIDO_JNI_ARGS_0(body) body
#define VOVIDO_JNI_ARGS_1(body, t1) body, a1
#define VOVIDO_JNI_ARGS_2(body, t1, t2) body, a1, a2
#define VOVIDO_JNI_ARGS_3(body, t1, t2, t3) body, a1, a2, a3
#define VOVIDO_JNI_ARGS_4(body, t1, t2, t3, t4) body, a1, a2, a3, a4
#define VOVIDO_JNI_ARGS_5(body, t1, t2, t3, t4, t5) body, a1, a2, a3, a4, a5

#define VOVIDO_JNI_PAIR(Class, ByHandle, ById, Result, name, Rest, ...)                               \
    VOVIDO_JNI_PAIR_AS(Class, ByHandle, ById, Result, name, name, jstring, Ljava_lang_String_2, Rest, \
                       __VA_ARGS__)

// The same where the identifier member has a name or key type of its own (IdType, mangled as IdSig).
#define VOVIDO_JNI_PAIR_AS(Class, ByHandle, ById, Result, name, idName, IdType, IdSig, Rest, ...) \
    extern "C" JNIEXPORT Result JNICALL Java_tarvo_##Class##_##name##__I##Rest(                   \
        JNIEnv* env, jobject self, jint handle VOVIDO_JNI_PARAMS_(__VA_ARGS__)) {                 \
        return ByHandle(env, self, handle, VOVIDO_JNI_ARGS_(__VA_ARGS__));                        \
    }                                                                                             \
    extern "C" JNIEXPORT Result JNICALL Java_tarvo_##Class##_##idName##__##IdSig##Rest(           \
        JNIEnv* env, jobject self, IdType id VOVIDO_JNI_PARAMS_(__VA_ARGS__)) {                   \
        return ById(env, self, id, VOVIDO_JNI_ARGS_(__VA_ARGS__));                                \
    }

#define VOVIDO_JNI_PAIR2(Class, ResolveFirst, ResolveSecond, Result, name, Rest, ...)                   \
    extern "C" JNIEXPORT Result JNICALL Java_tarvo_##Class##_##name##__II##Rest(                        \
        JNIEnv* env, jobject self, jint first, jint second VOVIDO_JNI_PARAMS_(__VA_ARGS__)) {           \
        return vovido::OnHandles(env, self, first, second, VOVIDO_JNI_ARGS_(__VA_ARGS__));              \
    }                                                                                                   \
    extern "C" JNIEXPORT Result JNICALL                                                                 \
        Java_tarvo_##Class##_##name##__Ljava_lang_String_2Ljava_lang_String_2##Rest(                    \
            JNIEnv* env, jobject self, jstring first, jstring second VOVIDO_JNI_PARAMS_(__VA_ARGS__)) { \
        return vovido::OnIds<ResolveFirst, ResolveSecond>(env, self, first, second,                     \
                                                          VOVIDO_JNI_ARGS_(__VA_ARGS__));               \
    }

// The Network's pairs: by node, by submodel, by two nodes (parent, child).
#define VOVIDO_NODE_NATIVES(...) \
    VOVIDO_JNI_PAIR(Network, vovido::OnHandle, vovido::OnId<nodeHandleFromId>, __VA_ARGS__)
#define VOVIDO_SUBMODEL_NATIVES(...) \
    VOVIDO_JNI_PAIR(Network, vovido::OnHandle, vovido::OnId<submodelHandleFromId>, __VA_ARGS__)
#define VOVIDO_ARC_NATIVES(...) VOVIDO_JNI_PAIR2(Network, parentHandleFromId, childHandleFromId, __VA_ARGS__)
