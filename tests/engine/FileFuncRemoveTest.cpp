#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "engine/NebuFileFunc.h"
#include "platform/FileIdentity.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

using test::Exists;
using test::ReadFile;
using test::TempTree;

void SetModificationTime(const std::string& path, std::int64_t mtimeNs) {
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(mtimeNs / 1000000000LL);
    times[1].tv_nsec = static_cast<long>(mtimeNs % 1000000000LL);
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class RemoveFileTest : public ::testing::Test {
  protected:
    TempTree tree;
    TNebuFileFunc ff;
};

TEST_F(RemoveFileTest, EmptyPathCountsAsDoneAndMissingFileAsFailed) {
    EXPECT_TRUE(ff.RemoveFile(""));
    EXPECT_FALSE(ff.RemoveFile(tree / "missing.txt"));
    test::ScopedEnv dataHome("XDG_DATA_HOME", tree / "data");
    ff.ToRecycleBin = 1;
    EXPECT_TRUE(ff.RemoveFile(""));
    EXPECT_FALSE(ff.RemoveFile(tree / "missing.txt"));
}

TEST_F(RemoveFileTest, DeletesAReadOnlyFileForGood) {
    const std::string file = tree.Write("先/読み取り専用.txt", "data");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_TRUE(ff.RemoveFile(file));
    EXPECT_FALSE(Exists(file));
    EXPECT_FALSE(Exists(tree / "data/Trash"));
}

TEST_F(RemoveFileTest, RecycleBinOptionMovesTheFileIntoTheTrash) {
    test::ScopedEnv dataHome("XDG_DATA_HOME", tree / "data");
    const std::string file = tree.Write("先/重複.txt", "keep me restorable");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    ff.ToRecycleBin = 1;
    EXPECT_TRUE(ff.RemoveFile(file));
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(ReadFile(tree / "data/Trash/files/重複.txt"), "keep me restorable");
    EXPECT_TRUE(Exists(tree / "data/Trash/info/重複.txt.trashinfo"));
}

TEST_F(RemoveFileTest, FileTheTrashRefusesIsNeverDeletedForGood) {
    test::ScopedEnv dataHome("XDG_DATA_HOME", tree / "data");
    // A broken trash: "files" is not a folder.
    tree.Write("data/Trash/files", "not a folder");
    const std::string file = tree.Write("先/file.txt", "precious");
    ff.ToRecycleBin = 1;
    EXPECT_FALSE(ff.RemoveFile(file));
    EXPECT_EQ(ReadFile(file), "precious");
}

class RemoveDuplicateTest : public RemoveFileTest {
  protected:
    void SetUp() override {
        kept = tree.Write("元/写真.jpg", "the same photo");
        doomed = tree.Write("先/写真.jpg", "the same photo");
        ASSERT_TRUE(ff.SameContents(kept, doomed));
    }
    std::string kept;
    std::string doomed;
};

TEST_F(RemoveDuplicateTest, DeletesWhenNeitherChanged) {
    EXPECT_TRUE(ff.RemoveDuplicate(doomed, kept));
    EXPECT_FALSE(Exists(doomed));
    EXPECT_EQ(ReadFile(kept), "the same photo");
}

TEST_F(RemoveDuplicateTest, RefusesWhenTheKeptFileVanished) {
    ASSERT_EQ(::rename(kept.c_str(), (tree / "moved.jpg").c_str()), 0);
    EXPECT_FALSE(ff.RemoveDuplicate(doomed, kept));
    EXPECT_TRUE(Exists(doomed));
}

TEST_F(RemoveDuplicateTest, RefusesWhenTheKeptFileWasRewritten) {
    const auto before = platform::IdentityOfPath(kept);
    ASSERT_TRUE(before);
    // Same size, same inode, only the modification time differs.
    SetModificationTime(kept, before->mtimeNs - 5000000000LL);
    EXPECT_FALSE(ff.RemoveDuplicate(doomed, kept));
    EXPECT_TRUE(Exists(doomed));

    // Back to the remembered time but a different size.
    test::WriteFile(kept, "the same photo, edited");
    SetModificationTime(kept, before->mtimeNs);
    EXPECT_FALSE(ff.RemoveDuplicate(doomed, kept));
    EXPECT_TRUE(Exists(doomed));
}

TEST_F(RemoveDuplicateTest, RefusesWhenTheDoomedNameNowHoldsAnotherFile) {
    const auto before = platform::IdentityOfPath(doomed);
    ASSERT_TRUE(before);
    // Same name, size, contents and time: only the inode tells.
    const std::string replacement = tree.Write("先/new.jpg", "the same photo");
    SetModificationTime(replacement, before->mtimeNs);
    ASSERT_EQ(::rename(replacement.c_str(), doomed.c_str()), 0);
    EXPECT_FALSE(ff.RemoveDuplicate(doomed, kept));
    EXPECT_TRUE(Exists(doomed));
}

TEST_F(RemoveDuplicateTest, RefusesFilesThatWereNeverComparedOrAreOneFile) {
    const std::string stranger = tree.Write("先/other.jpg", "the same photo");
    EXPECT_FALSE(ff.RemoveDuplicate(stranger, kept));
    EXPECT_TRUE(Exists(stranger));
    ff.ForgetIdentities();
    EXPECT_FALSE(ff.RemoveDuplicate(doomed, kept));
    EXPECT_TRUE(Exists(doomed));

    // Even identities remembered by hand cannot make one file its own duplicate.
    const std::string link = tree / "先/link.jpg";
    ASSERT_EQ(::link(kept.c_str(), link.c_str()), 0);
    ff.RememberIdentity(kept, *platform::IdentityOfPath(kept));
    ff.RememberIdentity(link, *platform::IdentityOfPath(link));
    EXPECT_FALSE(ff.RemoveDuplicate(link, kept));
    EXPECT_TRUE(Exists(link));
}

}  // namespace
}  // namespace nebu
