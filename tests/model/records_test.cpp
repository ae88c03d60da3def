// Descriptive records: header, creation data, user properties, documentation, screen info, text boxes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/error_log.h"
#include "base/rectangle.h"
#include "base/status_codes.h"
#include "model/creation.h"
#include "model/documentation.h"
#include "model/header.h"
#include "model/screen_info.h"
#include "model/text_box_list.h"
#include "model/user_properties.h"

namespace {

// A record whose valid bit is cleared, as a damaged copy source.
template <class Record>
struct Invalid : Record {
    Invalid() { this->SetFlag(VRX_object::kValid, false); }
};

class RecordsTest : public ::testing::Test {
protected:
    void SetUp() override { errorLog.Flush(); }
    void TearDown() override { errorLog.Flush(); }
};

}  // namespace

// --- VRX_header ---

TEST_F(RecordsTest, HeaderStartsEmpty) {
    VRX_header h;
    EXPECT_EQ(h.GetId(), nullptr);
    EXPECT_EQ(h.GetName(), nullptr);
    EXPECT_EQ(h.GetComment(), nullptr);
    EXPECT_EQ(h.GetOwnerNode(), nullptr);
    EXPECT_EQ(h.GetFlags(), 3u);
}

TEST_F(RecordsTest, HeaderRefusesIllegalIdentifiersWithTheLoggedText) {
    VRX_header h;
    ASSERT_EQ(h.SetId("Rain"), 0);
    const char* bad[] = {nullptr, "", "1abc", "a b", "_x", "a-b"};
    for (const char* id : bad) {
        errorLog.Flush();
        EXPECT_EQ(h.SetId(id), kIllegalIdentifier) << (id ? id : "(null)");
        ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
        EXPECT_EQ(errorLog.GetCode(0), kIllegalIdentifier);
        EXPECT_STREQ(errorLog.GetMessage(0), "Illegal identifier");
        EXPECT_STREQ(h.GetId(), "Rain");
    }
}

TEST_F(RecordsTest, HeaderTakesCopiesOfItsTexts) {
    VRX_header h;
    char buffer[] = "Node_2";
    EXPECT_EQ(h.SetId(buffer), 0);
    EXPECT_EQ(h.SetName(buffer), 0);
    buffer[0] = 'X';
    EXPECT_STREQ(h.GetId(), "Node_2");
    EXPECT_STREQ(h.GetName(), "Node_2");
    EXPECT_EQ(h.SetId("@temp 1"), 0);  // engine-made names: anything after '@'
    EXPECT_STREQ(h.GetId(), "@temp 1");
    EXPECT_EQ(h.SetComment("any text"), 0);
    EXPECT_EQ(h.SetComment(nullptr), 0);
    EXPECT_EQ(h.GetComment(), nullptr);
    EXPECT_EQ(h.SetName(""), 0);  // empty is a text, not null
    EXPECT_STREQ(h.GetName(), "");
    EXPECT_EQ(h.SetId(h.GetId()), 0);  // its own text
    EXPECT_STREQ(h.GetId(), "@temp 1");
    EXPECT_EQ(errorLog.GetNumberOfEntries(), 0);
}

TEST_F(RecordsTest, HeaderConsistencyFollowsTheId) {
    VRX_header h;
    h.CheckConsistency(0);
    EXPECT_FALSE(h.IsConsistent());
    ASSERT_EQ(h.SetId("A"), kSuccess);
    h.CheckConsistency(0);
    EXPECT_TRUE(h.IsConsistent());
}

TEST_F(RecordsTest, HeaderCleanUpClearsEverything) {
    VRX_header h;
    ASSERT_EQ(h.SetId("A"), kSuccess);
    ASSERT_EQ(h.SetName("n"), kSuccess);
    ASSERT_EQ(h.SetComment("c"), kSuccess);
    int notANode = 0;
    h.SetOwnerNode(reinterpret_cast<VRX_node*>(&notANode));
    h.CleanUp(1);
    EXPECT_EQ(h.GetId(), nullptr);
    EXPECT_EQ(h.GetName(), nullptr);
    EXPECT_EQ(h.GetComment(), nullptr);
    EXPECT_EQ(h.GetOwnerNode(), nullptr);
    EXPECT_TRUE(h.IsValid());
}

TEST_F(RecordsTest, HeaderCopy) {
    VRX_header source;
    ASSERT_EQ(source.SetId("Src"), kSuccess);
    ASSERT_EQ(source.SetName("Source node"), kSuccess);
    VRX_header target;
    ASSERT_EQ(target.SetComment("old"), kSuccess);
    EXPECT_EQ(target.Copy(source), 0);
    EXPECT_STREQ(target.GetId(), "Src");
    EXPECT_STREQ(target.GetName(), "Source node");
    EXPECT_EQ(target.GetComment(), nullptr);
    EXPECT_NE(target.GetId(), source.GetId());  // never shared

    // A source without id: the refusal is logged, not returned; the rest is copied.
    VRX_header noId;
    ASSERT_EQ(noId.SetName("nameless"), kSuccess);
    EXPECT_EQ(target.Copy(noId), 0);
    EXPECT_STREQ(target.GetId(), "Src");
    EXPECT_STREQ(target.GetName(), "nameless");
    ASSERT_EQ(errorLog.GetNumberOfEntries(), 1);
    EXPECT_STREQ(errorLog.GetMessage(0), "Illegal identifier");

    EXPECT_EQ(target.Copy(target), 0);
    EXPECT_STREQ(target.GetName(), "nameless");

    Invalid<VRX_header> invalid;
    EXPECT_EQ(target.Copy(invalid), kObjectNotValid);
    EXPECT_STREQ(target.GetName(), "nameless");
}

// --- VRX_creation ---

TEST_F(RecordsTest, CreationTextsAndCopy) {
    VRX_creation c;
    EXPECT_EQ(c.GetCreator(), nullptr);
    EXPECT_EQ(c.SetCreator("Ann"), 0);
    EXPECT_EQ(c.SetModified("2024-03-04"), 0);

    VRX_creation d;
    ASSERT_EQ(d.SetCreated("stale"), kSuccess);
    EXPECT_EQ(d.Copy(c), 0);
    EXPECT_STREQ(d.GetCreator(), "Ann");
    EXPECT_EQ(d.GetCreated(), nullptr);  // null copied as null
    EXPECT_NE(d.GetCreator(), c.GetCreator());
    EXPECT_EQ(d.Copy(Invalid<VRX_creation>()), kObjectNotValid);
    EXPECT_STREQ(d.GetCreator(), "Ann");
    d.CleanUp(0);
    EXPECT_EQ(d.GetModified(), nullptr);
}

// --- VRX_userProperties ---

TEST_F(RecordsTest, PropertyAddedAgainMovesToTheEnd) {
    VRX_userProperties p;
    EXPECT_EQ(p.AddProperty("P", "1"), 0);
    EXPECT_EQ(p.AddProperty("Q", "x"), 0);
    EXPECT_EQ(p.AddProperty("P", "2"), 0);
    ASSERT_EQ(p.GetNumberOfProperties(), 2);
    EXPECT_STREQ(p.GetPropertyName(0), "Q");
    EXPECT_STREQ(p.GetPropertyName(1), "P");
    EXPECT_STREQ(p.GetPropertyValue(1), "2");
    EXPECT_EQ(p.FindProperty("P"), 1);
    p.CheckConsistency(1);
    EXPECT_TRUE(p.IsConsistent());
}

TEST_F(RecordsTest, PropertyNamesMustBeIdentifiers) {
    VRX_userProperties p;
    ASSERT_EQ(p.AddProperty("VRX_NOLEARN", "1"), kSuccess);
    const char* bad[] = {nullptr, "", "1x", "a-b", "a b", "@tmp"};
    for (const char* name : bad) EXPECT_EQ(p.AddProperty(name, "v"), kOutOfRange) << (name ? name : "(null)");
    EXPECT_EQ(p.GetNumberOfProperties(), 1);
    EXPECT_STREQ(p.GetPropertyValue(0), "1");
}

TEST_F(RecordsTest, PropertyLookupAndEdits) {
    VRX_userProperties p;
    ASSERT_EQ(p.AddProperty("A", "1"), kSuccess);
    ASSERT_EQ(p.AddProperty("B", nullptr), kSuccess);
    ASSERT_EQ(p.AddProperty("C", "3"), kSuccess);
    EXPECT_EQ(p.FindProperty("Absent"), kOutOfRange);
    EXPECT_EQ(p.FindProperty(nullptr), kOutOfRange);
    EXPECT_EQ(p.FindProperty("a"), kOutOfRange);  // exact bytes
    EXPECT_EQ(p.GetPropertyValue(1), nullptr);
    EXPECT_EQ(p.GetPropertyValue(-1), nullptr);
    EXPECT_EQ(p.GetPropertyName(99), nullptr);

    EXPECT_EQ(p.ChangePropertyValue(1, "two"), 0);
    EXPECT_STREQ(p.GetPropertyValue(1), "two");
    EXPECT_EQ(p.ChangePropertyValue(3, "x"), kOutOfRange);  // beyond the properties, inside the table
    EXPECT_EQ(p.ChangePropertyValue(-1, "x"), kOutOfRange);

    EXPECT_EQ(p.DeleteProperty(3), kOutOfRange);
    EXPECT_EQ(p.DeleteProperty(0), 0);
    ASSERT_EQ(p.GetNumberOfProperties(), 2);
    EXPECT_STREQ(p.GetPropertyName(0), "B");
    EXPECT_STREQ(p.GetPropertyValue(0), "two");
    EXPECT_STREQ(p.GetPropertyValue(1), "3");
    EXPECT_EQ(p.FindProperty("A"), kOutOfRange);
    EXPECT_EQ(p.AddProperty("A", "again"), 0);  // a deleted name is free again
    EXPECT_EQ(p.FindProperty("A"), 2);
}

TEST_F(RecordsTest, PropertiesCopy) {
    VRX_userProperties source;
    ASSERT_EQ(source.AddProperty("DIAG_alphaValue", "1.00000000"), kSuccess);
    ASSERT_EQ(source.AddProperty("K", "v"), kSuccess);
    VRX_userProperties target;
    ASSERT_EQ(target.AddProperty("Old", "o"), kSuccess);
    EXPECT_EQ(target.Copy(source), 0);
    ASSERT_EQ(target.GetNumberOfProperties(), 2);
    EXPECT_STREQ(target.GetPropertyValue(target.FindProperty("DIAG_alphaValue")), "1.00000000");
    EXPECT_EQ(target.FindProperty("Old"), kOutOfRange);
    ASSERT_EQ(source.ChangePropertyValue(1, "changed"), kSuccess);
    EXPECT_STREQ(target.GetPropertyValue(1), "v");
    EXPECT_FALSE(target.GetNames().GetAllowEmpty());
    EXPECT_EQ(target.Copy(Invalid<VRX_userProperties>()), kObjectNotValid);
    EXPECT_EQ(target.GetNumberOfProperties(), 2);

    target.CleanUp(1);
    EXPECT_EQ(target.GetNumberOfProperties(), 0);
    EXPECT_EQ(target.GetPropertyValue(0), nullptr);
}

// --- VRX_documentation ---

TEST_F(RecordsTest, DocumentsAddSetFlushCopy) {
    VRX_documentation d;
    EXPECT_EQ(d.AddDocument("Manual", "doc/manual.pdf"), 0);
    EXPECT_EQ(d.AddDocument("Site", "https://example.org"), 0);
    ASSERT_EQ(d.GetNumberOfDocuments(), 2);
    EXPECT_STREQ(d.GetDocumentTitle(1), "Site");
    EXPECT_STREQ(d.GetDocumentPath(1), "https://example.org");
    EXPECT_EQ(d.SetDocumentPath(0, "other.pdf"), 0);
    EXPECT_STREQ(d.GetDocumentPath(0), "other.pdf");
    EXPECT_EQ(d.SetDocumentPath(2, "x"), kOutOfRange);
    EXPECT_EQ(d.SetDocumentPath(-1, "x"), kOutOfRange);
    d.CheckConsistency(1);
    EXPECT_TRUE(d.IsConsistent());

    VRX_documentation e;
    EXPECT_EQ(e.Copy(d), 0);
    ASSERT_EQ(e.GetNumberOfDocuments(), 2);
    EXPECT_STREQ(e.GetDocumentTitle(0), "Manual");
    EXPECT_STREQ(e.GetDocumentPath(0), "other.pdf");
    EXPECT_EQ(e.Copy(Invalid<VRX_documentation>()), kObjectNotValid);

    EXPECT_EQ(d.Flush(), 0);
    EXPECT_EQ(d.GetNumberOfDocuments(), 0);
    EXPECT_EQ(d.GetDocumentPath(0), nullptr);
    EXPECT_EQ(e.GetNumberOfDocuments(), 2);
}

// --- VRX_screenInfo ---

TEST_F(RecordsTest, ScreenInfoStartsUnset) {
    VRX_screenInfo s;
    EXPECT_EQ(VRX_screenInfo::kNotSet, static_cast<int>(0x80000001u));
    for (int v : {s.color, s.selColor, s.font, s.fontColor, s.borderThickness, s.borderColor}) {
        EXPECT_EQ(v, -2147483647);
    }
    EXPECT_EQ(s.arcFlags, 3);
    EXPECT_EQ(s.position.width, 0);
    EXPECT_TRUE(s.IsValid());
}

TEST_F(RecordsTest, ScreenInfoDefaultsFillOnlyUnsetFields) {
    VRX_screenInfo defaults;
    defaults.color = 5;
    defaults.selColor = 6;
    defaults.font = 2;
    defaults.fontColor = 0;
    defaults.borderThickness = 1;
    defaults.borderColor = 9;
    defaults.arcFlags = 0;
    defaults.position = VRX_rectangle(1, 2, 80, 40);

    VRX_screenInfo s;
    s.selColor = 7;
    s.position = VRX_rectangle(100, 200, 0, 30);
    EXPECT_EQ(s.ApplyDefaults(defaults), 0);
    EXPECT_EQ(s.color, 5);
    EXPECT_EQ(s.selColor, 7);
    EXPECT_EQ(s.font, 2);
    EXPECT_EQ(s.fontColor, 0);
    EXPECT_EQ(s.borderThickness, 1);
    EXPECT_EQ(s.borderColor, 9);
    EXPECT_EQ(s.arcFlags, 3);
    EXPECT_EQ(s.position.centerX, 100);
    EXPECT_EQ(s.position.width, 80);
    EXPECT_EQ(s.position.height, 30);

    VRX_screenInfo untouched;
    EXPECT_EQ(untouched.ApplyDefaults(Invalid<VRX_screenInfo>()), kObjectNotValid);
    EXPECT_EQ(untouched.color, VRX_screenInfo::kNotSet);
}

TEST_F(RecordsTest, ScreenInfoCopy) {
    VRX_screenInfo source;
    source.position = VRX_rectangle(3, 4, 5, 6);
    source.borderColor = 12;
    source.arcFlags = VRX_screenInfo::kShowOutArcs;
    VRX_screenInfo target;
    target.font = 99;
    EXPECT_EQ(target.Copy(source), 0);
    EXPECT_EQ(target.position.height, 6);
    EXPECT_EQ(target.font, VRX_screenInfo::kNotSet);
    EXPECT_EQ(target.borderColor, 12);
    EXPECT_EQ(target.arcFlags, 2);
    EXPECT_EQ(target.Copy(Invalid<VRX_screenInfo>()), kObjectNotValid);
}

// --- VRX_textBoxList ---

TEST_F(RecordsTest, TextBoxes) {
    VRX_textBoxList list;
    EXPECT_EQ(list.AddTextBox(VRX_rectangle(10, 20, 30, 40), "Note"), 0);
    EXPECT_EQ(list.AddTextBox(VRX_rectangle(1, 1, 1, 1), nullptr), 0);
    ASSERT_EQ(list.GetNumberOfTextBoxes(), 2);
    EXPECT_EQ(list.GetBox(0).width, 30);
    EXPECT_EQ(list.GetText(1), nullptr);
    EXPECT_EQ(list.GetBox(-1).centerX, 0);  // the spare
    EXPECT_EQ(list.SetText(1, "second"), 0);
    EXPECT_EQ(list.SetText(2, "x"), kOutOfRange);
    list.CheckConsistency(1);
    EXPECT_TRUE(list.IsConsistent());

    VRX_textBoxList copy;
    ASSERT_EQ(copy.AddTextBox(VRX_rectangle(), "stale"), kSuccess);
    EXPECT_EQ(copy.Copy(list), 0);
    ASSERT_EQ(copy.GetNumberOfTextBoxes(), 2);
    EXPECT_EQ(copy.GetBox(0).centerY, 20);
    EXPECT_STREQ(copy.GetText(1), "second");
    EXPECT_NE(copy.GetText(0), list.GetText(0));
    EXPECT_EQ(copy.Copy(Invalid<VRX_textBoxList>()), kObjectNotValid);
}
