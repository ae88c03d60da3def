// Saving through a temporary file: the target is replaced only by a file written whole.
#include "base/replacing_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/support/save_failure.h"

namespace {

using vovido::test::FilesBeside;
using vovido::test::ReadTextFile;
using vovido::test::TempPath;
using vovido::test::WriteWholeFile;

class ReplacingFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        target = TempPath("replacing.txt");
        ASSERT_TRUE(WriteWholeFile(target, "old content\n"));
    }
    void TearDown() override { std::remove(target.c_str()); }

    bool Save(const std::string& content) {
        vovido::ReplacingFile file;
        if (!file.Open(target.c_str())) return false;
        std::fwrite(content.data(), 1, content.size(), file.Stream());
        return file.Commit();
    }

    std::string target;
};

TEST_F(ReplacingFileTest, CommitReplacesTheTargetAndLeavesNothingBeside) {
    vovido::ReplacingFile file;
    ASSERT_TRUE(file.Open(target.c_str()));
    std::fputs("new content\n", file.Stream());
    // Until the commit the target is untouched and the text sits in a file of its own beside it.
    EXPECT_EQ(ReadTextFile(target), "old content\n");
    EXPECT_EQ(FilesBeside(target).size(), 1u);
    EXPECT_TRUE(file.Commit());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(ReadTextFile(target), "new content\n");
    EXPECT_TRUE(FilesBeside(target).empty());
    EXPECT_FALSE(file.Commit());  // nothing open any more
}

TEST_F(ReplacingFileTest, DiscardAndDestructionKeepTheOldFile) {
    {
        vovido::ReplacingFile file;
        ASSERT_TRUE(file.Open(target.c_str()));
        std::fputs("half", file.Stream());
        file.Discard();
        EXPECT_FALSE(file.IsOpen());
    }
    {
        vovido::ReplacingFile abandoned;
        ASSERT_TRUE(abandoned.Open(target.c_str()));
        std::fputs("half", abandoned.Stream());
    }
    EXPECT_EQ(ReadTextFile(target), "old content\n");
    EXPECT_TRUE(FilesBeside(target).empty());
}

TEST_F(ReplacingFileTest, WriteThatFailsHalfWayKeepsTheOldFile) {
    const std::string big(1 << 20, 'x');
    {
        vovido::test::FileSizeLimit full(64 * 1024);
        ASSERT_TRUE(full.IsActive());
        EXPECT_FALSE(Save(big));
    }
    EXPECT_EQ(ReadTextFile(target), "old content\n");
    EXPECT_TRUE(FilesBeside(target).empty());
    // The same save succeeds with room on the disk.
    EXPECT_TRUE(Save(big));
    EXPECT_EQ(ReadTextFile(target), big);
}

TEST_F(ReplacingFileTest, UncreatableFilesFailWithoutTouchingAnything) {
    vovido::ReplacingFile file;
    EXPECT_FALSE(file.Open(nullptr));
    EXPECT_FALSE(file.Open(""));
    EXPECT_FALSE(file.Open("/nonexistent-directory/x.vrx"));
    EXPECT_FALSE(file.Open(::testing::TempDir().c_str()));  // a directory name ending in '/'
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Stream(), nullptr);
}

TEST_F(ReplacingFileTest, NewFileIsCreatedAndOldPermissionsAreKept) {
    std::remove(target.c_str());
    ASSERT_TRUE(Save("first"));
    EXPECT_EQ(ReadTextFile(target), "first");
    // A private file stays private when it is saved again.
    ASSERT_EQ(chmod(target.c_str(), 0600), 0);
    ASSERT_TRUE(Save("second"));
    struct stat info;
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(ReadTextFile(target), "second");
}

TEST_F(ReplacingFileTest, SymbolicLinkStaysALinkToTheSavedFile) {
    const std::string link = target + ".link";
    std::remove(link.c_str());
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    vovido::ReplacingFile file;
    ASSERT_TRUE(file.Open(link.c_str()));
    std::fputs("through the link", file.Stream());
    ASSERT_TRUE(file.Commit());
    struct stat info;
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadTextFile(target), "through the link");
    std::remove(link.c_str());
}

}  // namespace
