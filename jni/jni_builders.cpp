// Engine containers and records to Java arrays and objects, and back.
#include "jni/jni_builders.h"

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>

#include "base/double_array.h"
#include "base/int_array.h"
#include "base/rectangle.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "jni/jni_checks.h"
#include "jni/jni_frame.h"
#include "model/documentation.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_info.h"
#include "model/screen_info.h"
#include "model/user_properties.h"

using vovido::CheckJavaException;
using vovido::ColorWord;
using vovido::FindField;
using vovido::FindJavaClass;
using vovido::FindMethod;
using vovido::GetArrayElement;
using vovido::IntPairs;
using vovido::kNullArrayText;
using vovido::kNullObjectText;
using vovido::LocalRef;
using vovido::MakeDoubleArray;
using vovido::MakeIntArray;
using vovido::MakeJavaString;
using vovido::MakeObjectArray;
using vovido::MakeStringArray;
using vovido::NewJavaObject;

namespace {

constexpr const char* kStringSignature = "Ljava/lang/String;";
constexpr const char* kTwoStringsConstructor = "(Ljava/lang/String;Ljava/lang/String;)V";

// Exchanges the low and the third byte of a colour; the top byte is dropped.
int SwapRedBlue(int color) {
    const uint32_t c = static_cast<uint32_t>(color);
    return static_cast<int>(((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16) | (c & 0xFF00u));
}

// Objects of a class built through "(String, String)V", one per pair of engine texts.
template <typename TextAt>
jobjectArray MakeTextPairObjects(JNIEnv* env, const char* className, int count, TextAt textAt) {
    return MakeObjectArray(env, className, kTwoStringsConstructor, static_cast<size_t>(count),
                           [&](jclass cls, jmethodID constructor, size_t i) {
                               const auto texts = textAt(static_cast<int>(i));
                               LocalRef<jstring> first(env, MakeJavaString(env, texts.first));
                               LocalRef<jstring> second(env, MakeJavaString(env, texts.second));
                               return NewJavaObject(env, cls, constructor, first.get(), second.get());
                           });
}

// Calls take(element, first, second) for the elements of an array of objects with two fields of the
// signature, in index order; the class and its fields are taken from element 0. A null element is refused
// with nullText.
template <typename Take>
void ForEachFieldPair(JNIEnv* env, jobjectArray items, const char* firstField, const char* secondField,
                      const char* signature, const char* nullText, Take take) {
    const jsize n = env->GetArrayLength(items);
    jfieldID first = nullptr;
    jfieldID second = nullptr;
    for (jsize i = 0; i < n; ++i) {
        const LocalRef<jobject> element = GetArrayElement(env, items, i, nullText);
        if (first == nullptr) {
            LocalRef<jclass> cls(env, env->GetObjectClass(element.get()));
            first = FindField(env, cls.get(), firstField, signature);
            second = FindField(env, cls.get(), secondField, signature);
        }
        take(element.get(), first, second, i);
    }
}

// The same for two String fields: take(first, second) with their engine texts.
template <typename Take>
void ReadTextPairObjects(JNIEnv* env, jobjectArray items, const char* firstField, const char* secondField,
                         const char* nullText, Take take) {
    ForEachFieldPair(
        env, items, firstField, secondField, kStringSignature, nullText,
        [&](jobject element, jfieldID first, jfieldID second, jsize) {
            LocalRef<jstring> firstText(env, static_cast<jstring>(env->GetObjectField(element, first)));
            LocalRef<jstring> secondText(env, static_cast<jstring>(env->GetObjectField(element, second)));
            const JStringChars a(env, firstText.get(), firstField);
            const JStringChars b(env, secondText.get(), secondField);
            take(a, b);
        });
}

}  // namespace

jintArray vovido::MakeIntArray(JNIEnv* env, const int* items, int count) {
    const jintArray array = env->NewIntArray(count);
    CheckJavaException(env);
    if (array == nullptr) throw std::bad_alloc();
    if (count > 0) {
        static_assert(sizeof(jint) == sizeof(int), "jint is int");
        env->SetIntArrayRegion(array, 0, count, reinterpret_cast<const jint*>(items));
        CheckJavaException(env);
    }
    return array;
}

jintArray makeIntArray(JNIEnv* env, const VRX_intArray& items) {
    return MakeIntArray(env, items.GetItems(), items.GetCount());
}

jdoubleArray vovido::MakeDoubleArray(JNIEnv* env, const double* items, int count) {
    const jdoubleArray array = env->NewDoubleArray(count);
    CheckJavaException(env);
    if (array == nullptr) throw std::bad_alloc();
    if (count > 0) {
        env->SetDoubleArrayRegion(array, 0, count, items);
        CheckJavaException(env);
    }
    return array;
}

jdoubleArray makeDoubleArray(JNIEnv* env, const VRX_doubleArray& items) {
    return MakeDoubleArray(env, items.GetItems(), items.GetSize());
}

jobjectArray makeStringArray(JNIEnv* env, const VRX_stringArray& strings) {
    return MakeStringArray(env, static_cast<size_t>(strings.GetCount()),
                           [&](size_t i) { return strings[static_cast<int>(i)]; });
}

jobjectArray makeNodeIdArray(JNIEnv* env, const VRX_network& network, const VRX_intArray& handles) {
    return MakeStringArray(env, static_cast<size_t>(handles.GetCount()), [&](size_t i) {
        return checkNodeHandle(network, handles[static_cast<int>(i)]).GetId();
    });
}

jobject makeRectangle(JNIEnv* env, const VRX_rectangle& rectangle) {
    LocalRef<jclass> cls = FindJavaClass(env, "java/awt/Rectangle");
    const jmethodID constructor = FindMethod(env, cls.get(), "<init>", "(IIII)V");
    // In 64 bits, so that extreme values wrap instead of overflowing.
    const auto x = static_cast<jint>(int64_t{rectangle.centerX} - rectangle.width / 2);
    const auto y = static_cast<jint>(int64_t{rectangle.centerY} - rectangle.height / 2);
    return NewJavaObject(env, cls.get(), constructor, x, y, jint{rectangle.width}, jint{rectangle.height});
}

jobject getNodeColor(JNIEnv* env, const VRX_network& network, int handle, ColorWord word) {
    const VRX_node& node = checkNodeHandle(network, handle);
    const jint rgb = SwapRedBlue(node.GetInfo()->screenInfo.*word);
    LocalRef<jclass> cls = FindJavaClass(env, "java/awt/Color");
    const jmethodID constructor = FindMethod(env, cls.get(), "<init>", "(I)V");
    return NewJavaObject(env, cls.get(), constructor, rgb);
}

jobjectArray makeDocItemArray(JNIEnv* env, const VRX_documentation& documentation) {
    return MakeTextPairObjects(env, "tarvo/DocItemInfo", documentation.GetNumberOfDocuments(), [&](int i) {
        return std::make_pair(documentation.GetDocumentTitle(i), documentation.GetDocumentPath(i));
    });
}

jobjectArray makeUserPropertyArray(JNIEnv* env, const VRX_userProperties& properties) {
    return MakeTextPairObjects(env, "tarvo/UserProperty", properties.GetNumberOfProperties(), [&](int i) {
        return std::make_pair(properties.GetPropertyName(i), properties.GetPropertyValue(i));
    });
}

jobjectArray makeIntPairObjects(JNIEnv* env, const IntPairs& pairs, const char* className) {
    return MakeObjectArray(
        env, className, "(II)V", pairs.size(), [&](jclass cls, jmethodID constructor, size_t i) {
            return NewJavaObject(env, cls, constructor, jint{pairs[i].first}, jint{pairs[i].second});
        });
}

jobject makeBkKnowledge(JNIEnv* env, const IntPairs& forcedArcs, const IntPairs& forbiddenArcs,
                        const IntPairs& tiers) {
    LocalRef<jobjectArray> forced(env, makeIntPairObjects(env, forcedArcs, "tarvo/learning/BkArcInfo"));
    LocalRef<jobjectArray> forbidden(env, makeIntPairObjects(env, forbiddenArcs, "tarvo/learning/BkArcInfo"));
    LocalRef<jobjectArray> tierObjects(env, makeIntPairObjects(env, tiers, "tarvo/learning/BkTierInfo"));
    LocalRef<jclass> cls = FindJavaClass(env, "tarvo/learning/BkKnowledge");
    const jmethodID constructor =
        FindMethod(env, cls.get(), "<init>",
                   "([Ltarvo/learning/BkArcInfo;[Ltarvo/learning/BkArcInfo;[Ltarvo/learning/BkTierInfo;)V");
    return NewJavaObject(env, cls.get(), constructor, forced.get(), forbidden.get(), tierObjects.get());
}

void setNodeColor(JNIEnv* env, VRX_network& network, int handle, jobject color, ColorWord word) {
    VRX_node& node = checkNodeHandle(network, handle);
    if (color == nullptr) throw std::invalid_argument(kNullObjectText);
    LocalRef<jclass> cls(env, env->GetObjectClass(color));
    const jmethodID getRgb = FindMethod(env, cls.get(), "getRGB", "()I");
    const jint rgb = env->CallIntMethod(color, getRgb);
    CheckJavaException(env);
    node.GetInfo()->screenInfo.*word = SwapRedBlue(rgb);
}

IntPairs readIntPairObjects(JNIEnv* env, jobject object, jfieldID arrayField, const char* firstField,
                            const char* secondField) {
    IntPairs pairs;
    LocalRef<jobjectArray> array(env, static_cast<jobjectArray>(env->GetObjectField(object, arrayField)));
    if (array.get() == nullptr) return pairs;
    pairs.resize(static_cast<size_t>(env->GetArrayLength(array.get())));
    ForEachFieldPair(env, array.get(), firstField, secondField, "I",
                     "BkKnowledge array element name can't be null (index ",
                     [&](jobject element, jfieldID first, jfieldID second, jsize i) {
                         pairs[static_cast<size_t>(i)] = {env->GetIntField(element, first),
                                                          env->GetIntField(element, second)};
                     });
    return pairs;
}

void readBkKnowledge(JNIEnv* env, jobject knowledge, IntPairs& forcedArcs, IntPairs& forbiddenArcs,
                     IntPairs& tiers) {
    if (knowledge == nullptr) throw std::invalid_argument(kNullObjectText);
    LocalRef<jclass> cls(env, env->GetObjectClass(knowledge));
    const jfieldID forced = FindField(env, cls.get(), "forcedArcs", "[Ltarvo/learning/BkArcInfo;");
    const jfieldID forbidden = FindField(env, cls.get(), "forbiddenArcs", "[Ltarvo/learning/BkArcInfo;");
    const jfieldID tierField = FindField(env, cls.get(), "tiers", "[Ltarvo/learning/BkTierInfo;");
    IntPairs newForced = readIntPairObjects(env, knowledge, forced, "parent", "child");
    IntPairs newForbidden = readIntPairObjects(env, knowledge, forbidden, "parent", "child");
    IntPairs newTiers = readIntPairObjects(env, knowledge, tierField, "variable", "tier");
    forcedArcs.swap(newForced);
    forbiddenArcs.swap(newForbidden);
    tiers.swap(newTiers);
}

void readDocItemArray(JNIEnv* env, jobjectArray items, VRX_documentation& documentation) {
    if (items == nullptr) throw std::invalid_argument(kNullArrayText);
    documentation.Flush();
    ReadTextPairObjects(env, items, "title", "path", "Documentation array element name can't be null (index ",
                        [&](const JStringChars& title, const JStringChars& path) {
                            // Only memory can refuse a pair: the frame reports that as such.
                            if (documentation.AddDocument(title.get(), path.get()) != kSuccess)
                                throw std::bad_alloc();
                        });
}

void readUserPropertyArray(JNIEnv* env, jobjectArray items, VRX_userProperties& properties) {
    if (items == nullptr) throw std::invalid_argument(kNullArrayText);
    VRX_userProperties collected;
    ReadTextPairObjects(
        env, items, "name", "value", "Properties array element name can't be null (index ",
        [&](const JStringChars& name, const JStringChars& value) {
            if (collected.FindProperty(name.get()) >= 0) {
                throw std::invalid_argument("Duplicate property name: " + name.str());
            }
            const int status = collected.AddProperty(name.get(), value.get());
            if (status != 0) {
                // The cause first: the engine takes identifiers only as names.
                std::string text = status == kOutOfRange ? "Property name [" + name.str() + "]" +
                                                               vovido::kNotAnIdentifierText + ": "
                                                         : std::string();
                text += "Can't add property (" + name.str() + "," + value.str() + "), error code: ";
                appendInt(text, status);
                throw std::runtime_error(text);
            }
        });
    if (properties.Copy(collected) != kSuccess) throw std::bad_alloc();
}

std::vector<jint> vovido::ReadIntArray(JNIEnv* env, jintArray array) {
    if (array == nullptr) throw std::invalid_argument(kNullArrayText);
    std::vector<jint> items(static_cast<size_t>(env->GetArrayLength(array)));
    if (!items.empty()) {
        env->GetIntArrayRegion(array, 0, static_cast<jsize>(items.size()), items.data());
        CheckJavaException(env);
    }
    return items;
}

std::vector<jdouble> vovido::ReadDoubleArray(JNIEnv* env, jdoubleArray array) {
    if (array == nullptr) throw std::invalid_argument(kNullArrayText);
    std::vector<jdouble> items(static_cast<size_t>(env->GetArrayLength(array)));
    if (!items.empty()) {
        env->GetDoubleArrayRegion(array, 0, static_cast<jsize>(items.size()), items.data());
        CheckJavaException(env);
    }
    return items;
}
