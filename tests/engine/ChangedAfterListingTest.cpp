// Files that change between being looked at and being deleted: an archive
// rewritten after it was listed is never deleted whole, and a kept file
// rewritten in place keeps its duplicate even when its times are put back.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ArchiveJobFixture.h"

namespace nebu::test {
namespace {

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// Writes other bytes of the same length into `path` and gives it back its
// modification time, as `cp -p` or `rsync --inplace -t` would, until the
// change time has moved on (it ticks coarsely).
void RewriteKeepingSizeAndTime(const std::string& path, const std::string& bytes) {
    const struct stat before = StatOf(path);
    struct stat now = before;
    while (now.st_ctim.tv_sec == before.st_ctim.tv_sec &&
           now.st_ctim.tv_nsec == before.st_ctim.tv_nsec) {
        WriteFile(path, bytes);
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        now = StatOf(path);
    }
    ASSERT_EQ(now.st_size, before.st_size);
    ASSERT_EQ(now.st_ino, before.st_ino);
}

class ChangedAfterListingTest : public ArchiveJobTest {
  protected:
    // Runs `change` once, when the first pair line naming `trigger` is logged.
    void OnFirstPairNaming(const std::string& trigger, std::function<void()> change) {
        host_.onLine = [this, trigger, change, done = false](const std::string& line) mutable {
            if (done || line.find("が同じです") == std::string::npos) return;
            if (line.find(trigger) == std::string::npos) return;
            done = true;
            change();
        };
    }
};

TEST_F(ChangedAfterListingTest, AKeptFileRewrittenWithItsTimesRestoredKeepsItsDuplicate) {
    const std::string photo = RandomBytes(3000, 21);
    tree_.Write("src/写真.jpg", photo);
    tree_.Write("dst/写真のコピー.jpg", photo);
    host_.messageAnswers = {MsgAnswer::Yes};
    OnFirstPairNaming("写真",
                      [&] { RewriteKeepingSizeAndTime(S("写真.jpg"), RandomBytes(3000, 22)); });
    DeleteAfterAsking();
    RunResult r = Run(kPlainSide, kPlainSide);
    EXPECT_EQ(host_.questions.size(), 1u);
    EXPECT_TRUE(ReadFile(D("写真のコピー.jpg")) == photo);
    EXPECT_TRUE(LinesContaining(r.log, "削除しました").empty());
    EXPECT_EQ(r.pairs.size(), 1u);
}

// The target archive gains an entry while an earlier size group is compared:
// what was listed is all there is to compare, so it is never deleted whole.
TEST_F(ChangedAfterListingTest, ATargetArchiveChangedBeforeItsEntriesAreComparedIsKept) {
    tree_.Write("src/aa", "aa");
    tree_.Write("src/x", "xxxx");
    tree_.MakeDir("dst");
    MakeZip(D("0.zip"), {Item("aa", "aa")});
    MakeZip(D("1.zip"), {Item("x", "xxxx")});
    OnFirstPairNaming("0.zip", [&] {
        MakeZip(D("1.zip"), {Item("x", "xxxx"), Item("new", "only here")});
    });
    host_.messageAnswers = {MsgAnswer::Yes};
    DeleteWithoutAsking();
    RunResult r = Run(kPlainSide, kArchiveSide);
    // What was listed can no longer be extracted from it.
    EXPECT_EQ(host_.questions, (std::vector<std::string>{FailedExtractionQuestion(D("1.zip"))}));
    EXPECT_FALSE(Exists(D("0.zip")));
    ASSERT_TRUE(Exists(D("1.zip")));
    EXPECT_TRUE(LinesContaining(r.log, "1.zip｣を削除しました").empty());
    EXPECT_TRUE(LinesContaining(r.log, "1.zip｣の中の全て").empty());
}

TEST_F(ChangedAfterListingTest, AWholeTargetArchiveChangedBeforeItIsComparedIsKept) {
    tree_.MakeDir("src");
    tree_.MakeDir("dst");
    MakeZip(S("s0.zip"), {Item("aa", "aa")});
    MakeZip(D("t0.zip"), {Item("aa", "aa")});
    MakeZip(S("s1.zip"), {Item("x", "xxxx")});
    MakeZip(D("t1.zip"), {Item("x", "xxxx")});
    OnFirstPairNaming("t0.zip", [&] {
        MakeZip(D("t1.zip"), {Item("x", "xxxx"), Item("new", "only here")});
    });
    host_.messageAnswers = {MsgAnswer::Yes};
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kArchiveSide);
    EXPECT_FALSE(Exists(D("t0.zip")));
    ASSERT_TRUE(Exists(D("t1.zip")));
    EXPECT_TRUE(LinesContaining(r.log, "t1.zip｣を削除しました").empty());
}

// An archive rewritten while the deletion question waits, its identity
// restored as far as a user can: its change time still tells.
TEST_F(ChangedAfterListingTest, AWholeArchiveRewrittenWhileAskedIsKept) {
    tree_.MakeDir("src");
    tree_.MakeDir("dst");
    MakeZip(S("s.zip"), {Item("x", "xxxx")});
    MakeZip(D("t.zip"), {Item("x", "xxxx")});
    const std::string other = ReadFile(D("t.zip"));
    host_.messageAnswers = {MsgAnswer::Yes};
    OnFirstPairNaming("t.zip", [&] {
        std::string changed = other;
        changed[changed.size() / 2] ^= 0x55;
        RewriteKeepingSizeAndTime(D("t.zip"), changed);
    });
    DeleteAfterAsking();
    Run(kArchiveSide, kArchiveSide);
    EXPECT_EQ(host_.questions.size(), 1u);
    EXPECT_TRUE(Exists(D("t.zip")));
}

}  // namespace
}  // namespace nebu::test
