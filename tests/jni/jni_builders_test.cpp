// Builders of Java values and readers of Java values: contents, orders, texts of refusals, and no
// local reference left behind in their loops.
#include "jni/jni_builders.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "base/double_array.h"
#include "base/int_array.h"
#include "base/rectangle.h"
#include "base/status_codes.h"
#include "base/string_array.h"
#include "jni/jni_frame.h"
#include "model/documentation.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_info.h"
#include "model/screen_info.h"
#include "model/user_properties.h"
#include "tests/jni/jvm_fixture.h"

using vovido::IntPairs;
using vovido::LocalRef;
using vovido::MakeJavaString;
using vovido::ReadDoubleArray;
using vovido::ReadIntArray;
using vovido::RunNative;

namespace {

class BuildersTest : public JvmTest {
protected:
    jint IntField(jobject object, const char* name) {
        LocalRef<jclass> cls(env, env->GetObjectClass(object));
        return env->GetIntField(object, env->GetFieldID(cls.get(), name, "I"));
    }
    std::string StringField(jobject object, const char* name) {
        LocalRef<jclass> cls(env, env->GetObjectClass(object));
        LocalRef<jstring> value(env, static_cast<jstring>(env->GetObjectField(
                                         object, env->GetFieldID(cls.get(), name, "Ljava/lang/String;"))));
        return Utf8(value.get());
    }
    jint CallInt(jobject object, const char* method) {
        LocalRef<jclass> cls(env, env->GetObjectClass(object));
        const jint value = env->CallIntMethod(object, env->GetMethodID(cls.get(), method, "()I"));
        EXPECT_FALSE(env->ExceptionCheck());
        return value;
    }
    std::vector<jint> Ints(jintArray array) { return ReadIntArray(env, array); }
    std::string Element(jobjectArray array, jsize i) {
        LocalRef<jstring> s(env, static_cast<jstring>(env->GetObjectArrayElement(array, i)));
        return Utf8(s.get());
    }
    // A Java array of two-string objects of the class.
    jobjectArray Pairs(const char* className, const std::vector<std::pair<const char*, const char*>>& pairs) {
        LocalRef<jclass> cls(env, FindClass(className));
        jmethodID constructor =
            env->GetMethodID(cls.get(), "<init>", "(Ljava/lang/String;Ljava/lang/String;)V");
        jobjectArray array = env->NewObjectArray(static_cast<jsize>(pairs.size()), cls.get(), nullptr);
        for (size_t i = 0; i < pairs.size(); ++i) {
            if (pairs[i].first == nullptr) continue;
            LocalRef<jstring> a(env, MakeJavaString(env, pairs[i].first));
            LocalRef<jstring> b(env, MakeJavaString(env, pairs[i].second));
            LocalRef<jobject> element(env, env->NewObject(cls.get(), constructor, a.get(), b.get()));
            env->SetObjectArrayElement(array, static_cast<jsize>(i), element.get());
        }
        return array;
    }
};

TEST_F(BuildersTest, IntAndDoubleArrays) {
    VRX_intArray ints;
    for (int v : {4, -1, 7}) ASSERT_EQ(ints.Add(v), kSuccess);
    LocalRef<jintArray> javaInts(env, makeIntArray(env, ints));
    EXPECT_EQ(Ints(javaInts.get()), (std::vector<jint>{4, -1, 7}));
    VRX_doubleArray doubles;
    ASSERT_EQ(doubles.SetSize(2), 0);
    doubles[0] = 0.25;
    doubles[1] = -3.5;
    LocalRef<jdoubleArray> javaDoubles(env, makeDoubleArray(env, doubles));
    EXPECT_EQ(ReadDoubleArray(env, javaDoubles.get()), (std::vector<jdouble>{0.25, -3.5}));
    LocalRef<jintArray> empty(env, makeIntArray(env, VRX_intArray()));
    EXPECT_EQ(env->GetArrayLength(empty.get()), 0);
}

TEST_F(BuildersTest, ReadingNullArraysIsRefused) {
    EXPECT_THROW(ReadIntArray(env, nullptr), std::invalid_argument);
    EXPECT_THROW(ReadDoubleArray(env, nullptr), std::invalid_argument);
}

TEST_F(BuildersTest, StringArrayKeepsNullsAndLatin1) {
    VRX_stringArray strings;
    ASSERT_EQ(strings.Add("one"), kSuccess);
    ASSERT_EQ(strings.Add(nullptr), kSuccess);
    ASSERT_EQ(strings.Add("Caf\xE9"), kSuccess);
    LocalRef<jobjectArray> array(env, makeStringArray(env, strings));
    ASSERT_EQ(env->GetArrayLength(array.get()), 3);
    EXPECT_EQ(Element(array.get(), 0), "one");
    EXPECT_EQ(Element(array.get(), 1), "<null>");
    EXPECT_EQ(Element(array.get(), 2), "Caf\xC3\xA9");
}

TEST_F(BuildersTest, LongArraysLeaveNoLocalReferences) {
    // The test's local frame holds 16 references; a leak per element would make the JVM warn.
    VRX_stringArray strings;
    for (int i = 0; i < 500; ++i) ASSERT_EQ(strings.Add("s"), kSuccess);
    LocalRef<jobjectArray> array(env, makeStringArray(env, strings));
    EXPECT_EQ(env->GetArrayLength(array.get()), 500);
    VRX_userProperties properties;
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(properties.AddProperty(("p" + std::to_string(i)).c_str(), "v"), kSuccess);
    LocalRef<jobjectArray> javaProperties(env, makeUserPropertyArray(env, properties));
    VRX_userProperties back;
    readUserPropertyArray(env, javaProperties.get(), back);
    EXPECT_EQ(back.GetNumberOfProperties(), 200);
    IntPairs pairs(300, {1, 2});
    LocalRef<jobjectArray> arcs(env, makeIntPairObjects(env, pairs, "tarvo/learning/BkArcInfo"));
    EXPECT_EQ(env->GetArrayLength(arcs.get()), 300);
}

TEST_F(BuildersTest, NodeIdArrayRefusesDeadHandles) {
    VRX_network network;
    const int a = network.AddNode(0x12, "A");
    const int b = network.AddNode(0x12, "B");
    VRX_intArray handles;
    ASSERT_EQ(handles.Add(b), kSuccess);
    ASSERT_EQ(handles.Add(a), kSuccess);
    LocalRef<jobjectArray> ids(env, makeNodeIdArray(env, network, handles));
    EXPECT_EQ(Element(ids.get(), 0), "B");
    EXPECT_EQ(Element(ids.get(), 1), "A");
    ASSERT_EQ(network.DeleteNode(a), kSuccess);
    RunNative(env, [&] { return makeNodeIdArray(env, network, handles); });
    EXPECT_EQ(TakeTarvoMessage(), "Invalid node handle: " + std::to_string(a));
}

TEST_F(BuildersTest, RectangleFromCentre) {
    LocalRef<jobject> r(env, makeRectangle(env, VRX_rectangle(100, 50, 41, 21)));
    EXPECT_EQ(IntField(r.get(), "x"), 80);
    EXPECT_EQ(IntField(r.get(), "y"), 40);
    EXPECT_EQ(IntField(r.get(), "width"), 41);
    EXPECT_EQ(IntField(r.get(), "height"), 21);
    // Halving truncates toward zero, also for negative sizes.
    LocalRef<jobject> negative(env, makeRectangle(env, VRX_rectangle(0, 0, -5, -3)));
    EXPECT_EQ(IntField(negative.get(), "x"), 2);
    EXPECT_EQ(IntField(negative.get(), "y"), 1);
}

TEST_F(BuildersTest, ColoursExchangeRedAndBlue) {
    VRX_network network;
    const int a = network.AddNode(0x12, "A");
    VRX_screenInfo& screen = network.GetNode(a)->GetInfo()->screenInfo;
    screen.color = 0x332211;  // red 0x11, green 0x22, blue 0x33
    LocalRef<jobject> color(env, getNodeColor(env, network, a, &VRX_screenInfo::color));
    EXPECT_EQ(CallInt(color.get(), "getRed"), 0x11);
    EXPECT_EQ(CallInt(color.get(), "getGreen"), 0x22);
    EXPECT_EQ(CallInt(color.get(), "getBlue"), 0x33);
    EXPECT_EQ(CallInt(color.get(), "getAlpha"), 255);
    setNodeColor(env, network, a, color.get(), &VRX_screenInfo::borderColor);
    EXPECT_EQ(screen.borderColor, 0x332211);
    // A colour never set reads as red 1, green 0, blue 0.
    screen.fontColor = VRX_screenInfo::kNotSet;
    LocalRef<jobject> unset(env, getNodeColor(env, network, a, &VRX_screenInfo::fontColor));
    EXPECT_EQ(CallInt(unset.get(), "getRGB"), static_cast<jint>(0xFF010000));
}

TEST_F(BuildersTest, ColourAlphaIsDropped) {
    VRX_network network;
    const int a = network.AddNode(0x12, "A");
    LocalRef<jclass> colorClass(env, FindClass("java/awt/Color"));
    LocalRef<jobject> transparent(
        env, env->NewObject(colorClass.get(), env->GetMethodID(colorClass.get(), "<init>", "(IZ)V"),
                            0x00AABBCC, JNI_TRUE));
    setNodeColor(env, network, a, transparent.get(), &VRX_screenInfo::color);
    EXPECT_EQ(network.GetNode(a)->GetInfo()->screenInfo.color, 0xCCBBAA);
    RunNative(env, [&] { setNodeColor(env, network, a, nullptr, &VRX_screenInfo::color); });
    EXPECT_EQ(TakeTarvoMessage(), "Object argument can't be null");
    RunNative(env, [&] { setNodeColor(env, network, 9, transparent.get(), &VRX_screenInfo::color); });
    EXPECT_EQ(TakeTarvoMessage(), "Invalid node handle: 9");
}

TEST_F(BuildersTest, DocumentationRoundTrip) {
    VRX_documentation documentation;
    ASSERT_EQ(documentation.AddDocument("Manual", "/doc/manual.pdf"), kSuccess);
    ASSERT_EQ(documentation.AddDocument("Caf\xE9", "x"), kSuccess);
    LocalRef<jobjectArray> items(env, makeDocItemArray(env, documentation));
    ASSERT_EQ(env->GetArrayLength(items.get()), 2);
    LocalRef<jobject> first(env, env->GetObjectArrayElement(items.get(), 0));
    EXPECT_EQ(StringField(first.get(), "title"), "Manual");
    EXPECT_EQ(StringField(first.get(), "path"), "/doc/manual.pdf");
    VRX_documentation copy;
    ASSERT_EQ(copy.AddDocument("old", "old"), kSuccess);
    readDocItemArray(env, items.get(), copy);
    ASSERT_EQ(copy.GetNumberOfDocuments(), 2);
    EXPECT_STREQ(copy.GetDocumentTitle(1), "Caf\xE9");
    EXPECT_STREQ(copy.GetDocumentPath(0), "/doc/manual.pdf");
}

TEST_F(BuildersTest, DocumentationNullElementKeepsWhatWasRead) {
    LocalRef<jobjectArray> items(
        env, Pairs("tarvo/DocItemInfo", {{"t0", "p0"}, {nullptr, nullptr}, {"t2", "p2"}}));
    VRX_documentation documentation;
    ASSERT_EQ(documentation.AddDocument("old", "old"), kSuccess);
    RunNative(env, [&] { readDocItemArray(env, items.get(), documentation); });
    EXPECT_EQ(TakeTarvoMessage(), "Documentation array element name can't be null (index 1)");
    ASSERT_EQ(documentation.GetNumberOfDocuments(), 1);
    EXPECT_STREQ(documentation.GetDocumentTitle(0), "t0");
}

TEST_F(BuildersTest, UserPropertiesReplacedOnlyWhenAllAreGood) {
    VRX_userProperties properties;
    ASSERT_EQ(properties.AddProperty("keep", "me"), kSuccess);
    LocalRef<jobjectArray> duplicates(env, Pairs("tarvo/UserProperty", {{"a", "1"}, {"b", "2"}, {"a", "3"}}));
    RunNative(env, [&] { readUserPropertyArray(env, duplicates.get(), properties); });
    EXPECT_EQ(TakeTarvoMessage(), "Duplicate property name: a");
    ASSERT_EQ(properties.GetNumberOfProperties(), 1);
    EXPECT_STREQ(properties.GetPropertyName(0), "keep");

    LocalRef<jobjectArray> invalid(env, Pairs("tarvo/UserProperty", {{"ok", "1"}, {"9bad", "2"}}));
    RunNative(env, [&] { readUserPropertyArray(env, invalid.get(), properties); });
    EXPECT_EQ(TakeTarvoMessage(),
              "Property name [9bad] is not an identifier (a letter, then letters, digits or '_'): Can't add "
              "property (9bad,2), error code: -2");
    EXPECT_EQ(properties.GetNumberOfProperties(), 1);

    LocalRef<jobjectArray> withNull(env, Pairs("tarvo/UserProperty", {{"ok", "1"}, {nullptr, nullptr}}));
    RunNative(env, [&] { readUserPropertyArray(env, withNull.get(), properties); });
    EXPECT_EQ(TakeTarvoMessage(), "Properties array element name can't be null (index 1)");

    LocalRef<jobjectArray> good(env, Pairs("tarvo/UserProperty", {{"x", "1"}, {"y", "2"}}));
    readUserPropertyArray(env, good.get(), properties);
    ASSERT_EQ(properties.GetNumberOfProperties(), 2);
    EXPECT_STREQ(properties.GetPropertyName(1), "y");
    EXPECT_STREQ(properties.GetPropertyValue(1), "2");

    LocalRef<jobjectArray> javaProperties(env, makeUserPropertyArray(env, properties));
    LocalRef<jobject> second(env, env->GetObjectArrayElement(javaProperties.get(), 1));
    EXPECT_EQ(StringField(second.get(), "name"), "y");
    EXPECT_EQ(StringField(second.get(), "value"), "2");

    RunNative(env, [&] { readUserPropertyArray(env, nullptr, properties); });
    EXPECT_EQ(TakeTarvoMessage(), "Array argument can't be null");
}

TEST_F(BuildersTest, BackgroundKnowledgeRoundTrip) {
    const IntPairs forced{{0, 1}, {2, 3}};
    const IntPairs forbidden{{1, 0}};
    const IntPairs tiers{{0, 1}, {1, 1}, {2, 2}};
    LocalRef<jobject> knowledge(env, makeBkKnowledge(env, forced, forbidden, tiers));
    IntPairs a{{9, 9}};
    IntPairs b;
    IntPairs c;
    readBkKnowledge(env, knowledge.get(), a, b, c);
    EXPECT_EQ(a, forced);
    EXPECT_EQ(b, forbidden);
    EXPECT_EQ(c, tiers);

    // A null array field counts as empty.
    LocalRef<jclass> cls(env, env->GetObjectClass(knowledge.get()));
    env->SetObjectField(knowledge.get(),
                        env->GetFieldID(cls.get(), "forbiddenArcs", "[Ltarvo/learning/BkArcInfo;"), nullptr);
    readBkKnowledge(env, knowledge.get(), a, b, c);
    EXPECT_EQ(a, forced);
    EXPECT_TRUE(b.empty());

    // A null element is refused and the lists stay as they were.
    jfieldID tierField = env->GetFieldID(cls.get(), "tiers", "[Ltarvo/learning/BkTierInfo;");
    LocalRef<jobjectArray> tierArray(
        env, static_cast<jobjectArray>(env->GetObjectField(knowledge.get(), tierField)));
    env->SetObjectArrayElement(tierArray.get(), 2, nullptr);
    RunNative(env, [&] { readBkKnowledge(env, knowledge.get(), a, b, c); });
    EXPECT_EQ(TakeTarvoMessage(), "BkKnowledge array element name can't be null (index 2)");
    EXPECT_EQ(c, tiers);

    RunNative(env, [&] { readBkKnowledge(env, nullptr, a, b, c); });
    EXPECT_EQ(TakeTarvoMessage(), "Object argument can't be null");
}

TEST_F(BuildersTest, EmptyBackgroundKnowledge) {
    LocalRef<jobject> knowledge(env, makeBkKnowledge(env, {}, {}, {}));
    LocalRef<jclass> cls(env, env->GetObjectClass(knowledge.get()));
    LocalRef<jobjectArray> forced(
        env, static_cast<jobjectArray>(env->GetObjectField(
                 knowledge.get(), env->GetFieldID(cls.get(), "forcedArcs", "[Ltarvo/learning/BkArcInfo;"))));
    ASSERT_NE(forced.get(), nullptr);
    EXPECT_EQ(env->GetArrayLength(forced.get()), 0);
}

}  // namespace
