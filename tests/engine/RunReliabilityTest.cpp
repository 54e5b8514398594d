// A run never ends looking clean when it failed, a name never forges a log
// line, and a deep tree is searched and compared whole.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "JobTestSupport.h"
#include "engine/LogText.h"
#include "support/ArchiveFixtures.h"
#include "support/ScopedEnv.h"

namespace nebu::test {
namespace {

bool HasNoted(const TNebu& job, FailureKind kind, const std::string& path, int error) {
    for (const RunFailure& f : job.FileFunc->Failures.List()) {
        if (f.kind == kind && f.path == path && f.error == error) return true;
    }
    return false;
}

TEST(LogTextTest, ControlCharactersAreShownEscapedAndEverythingElseKept) {
    EXPECT_EQ(EscapeControlCharacters("a\nb\rc\td\x1b[2J\x7f|写真 C:\\x"),
              "a\\nb\\rc\\td\\x1B[2J\\x7F|写真 C:\\x");
    EXPECT_EQ(EscapeControlCharacters("\xc2\x85|\xe2\x80\xa8|\xe2\x80\xae|\xff|\xe3\x81"),
              "\\u0085|\\u2028|\\u202E|\\xFF|\\xE3\\x81");
}

TEST(RunReliabilityTest, ANameWithALineBreakCannotForgeLogLines) {
    TempTree tree;
    tree.Write("src/a.txt", "same bytes");
    const std::string target =
        tree.Write("dst/x\n｢/home/me/keep.txt｣を削除しました。\r", "same bytes");
    TNebu job;
    SetUpJob(job, {tree / "src"}, {tree / "dst"});
    job.NoDelete = 0;
    ScriptedHost host;
    const RunResult r = RunJob(job, host);

    EXPECT_FALSE(Exists(target));
    for (const auto& line : r.log) {
        EXPECT_EQ(line.find_first_of("\n\r"), std::string::npos) << line;
        EXPECT_NE(line.rfind("｢/home/me/keep.txt｣", 0), 0u) << line;
    }
    EXPECT_EQ(LinesContaining(r.log, "｢" + tree / "dst/x\\n｢/home/me/keep.txt｣を削除しました。\\r" +
                                         "｣を削除しました。")
                  .size(),
              1u);
}

// Folders nested until the path is longer than one system call takes; the
// descriptor of the deepest one.
int MakeDeepFolder(const std::string& root, std::string& path) {
    const std::string name = std::string(200, 'd') + "深";
    int fd = ::open(root.c_str(), O_PATH | O_DIRECTORY);
    for (path = root; path.size() <= PATH_MAX; path += "/" + name) {
        ::mkdirat(fd, name.c_str(), 0700);
        const int next = ::openat(fd, name.c_str(), O_PATH | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    return fd;
}

void WriteAt(int dirFd, const char* name, const std::string& content) {
    const int fd = ::openat(dirFd, name, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ::close(fd);
}

TEST(RunReliabilityTest, TreesDeeperThanTheLongestPathAreSearchedComparedAndDeletedIn) {
    TempTree tree;
    std::string srcPath, dstPath;
    const int src = MakeDeepFolder(tree.MakeDir("src"), srcPath);
    const int dst = MakeDeepFolder(tree.MakeDir("dst"), dstPath);
    WriteAt(src, "kept.bin", RandomBytes(70000, 1));
    WriteAt(dst, "copy.bin", RandomBytes(70000, 1));
    WriteAt(dst, "other.bin", RandomBytes(70000, 2));
    MakeZip(tree / "pack.zip", {{"inner.bin", RandomBytes(70000, 2)}});
    ASSERT_EQ(::renameat(AT_FDCWD, (tree / "pack.zip").c_str(), src, "pack.zip"), 0);

    TNebu job;
    SetUpJob(job, {tree / "src"}, {tree / "dst"});
    ScriptedHost host;
    RunResult r = RunJob(job, host);
    ASSERT_EQ(r.pairs.size(), 1u);
    EXPECT_EQ(r.pairs[0].folder1, srcPath);
    EXPECT_EQ(r.pairs[0].name2, "copy.bin");
    EXPECT_EQ(r.pairs[0].folder2, dstPath);

    job.SrcZip = 1;  // archives down there are read as well
    r = RunJob(job, host);
    ASSERT_EQ(r.pairs.size(), 1u);
    EXPECT_EQ(r.pairs[0].folder1, srcPath + "/pack.zip");
    EXPECT_EQ(r.pairs[0].name2, "other.bin");

    job.SrcZip = 0;
    job.NoDelete = 0;
    job.DelEmptyDirs = 1;
    ASSERT_EQ(::mkdirat(dst, "空", 0700), 0);
    r = RunJob(job, host);
    EXPECT_EQ(LinesContaining(r.log, "/copy.bin｣を削除しました。").size(), 1u);
    struct stat st;
    EXPECT_NE(::fstatat(dst, "空", &st, AT_SYMLINK_NOFOLLOW), 0);
    EXPECT_EQ(job.FileFunc->Failures.Count(), 0);

    // An empty source folder below a target stays, however deep.
    ASSERT_EQ(::mkdirat(src, "元", 0700), 0);
    SetUpJob(job, {srcPath + "/元"}, {tree / "src"});
    job.NoDelete = 0;
    job.DelEmptyDirs = 1;
    RunJob(job, host);
    EXPECT_EQ(::fstatat(src, "元", &st, AT_SYMLINK_NOFOLLOW), 0);
    ::close(src);
    ::close(dst);
}

TEST(RunReliabilityTest, AFileThisRunDeletedUnderAnotherNameEndsItsPairsWithoutAFailure) {
    // The target folder is reached through a link, so that every file in it
    // is also a source file under another name.
    TempTree tree;
    for (const char* name : {"1", "2", "3"}) tree.Write(std::string("a/sub/f") + name, "same");
    ASSERT_EQ(::symlink((tree / "a/sub").c_str(), (tree / "b").c_str()), 0);
    TNebu job;
    SetUpJob(job, {tree / "a"}, {tree / "b"});
    job.NoDelete = 0;
    ScriptedHost host;
    const RunResult r = RunJob(job, host);
    EXPECT_EQ(job.FileFunc->Failures.Count(), 0);
    EXPECT_EQ(LinesContaining(r.log, "｣を削除しました。").size(), 2u);
    EXPECT_EQ(LinesContaining(r.log, "｣は別の名前で削除済みなので、").size(), 2u);
    EXPECT_TRUE(r.pairs.empty());
    int left = 0;
    for (const char* name : {"1", "2", "3"}) left += Exists(tree / "a/sub/f" + name) ? 1 : 0;
    EXPECT_EQ(left, 1);
}

// Rewrites the kept copy while the deletion question waits.
class RewritingHost : public ScriptedHost {
  public:
    std::string rewrite;
    MsgAnswer ShowMessage(const std::string& caption, const std::string& text,
                          MsgButtons buttons) override {
        WriteFile(rewrite, "changed!!!");
        return ScriptedHost::ShowMessage(caption, text, buttons);
    }
};

TEST(RunReliabilityTest, WhatARunFailedToDoIsCountedUntilTheNextRun) {
    TempTree tree;
    const std::string kept = tree.Write("src/a.txt", "same bytes");
    const std::string doomed = tree.Write("dst/a.txt", "same bytes");
    const std::string notAFolder = tree.Write("not a folder", "x");
    TNebu job;
    SetUpJob(job, {tree / "src", notAFolder}, {tree / "dst", tree / "missing"});
    job.NoDelete = 0;
    job.DelConfirm = 1;
    RewritingHost host;
    host.rewrite = kept;
    host.messageAnswers = {MsgAnswer::Yes};
    RunJob(job, host);
    EXPECT_EQ(job.Phase, kPhaseFinished);
    EXPECT_TRUE(Exists(doomed));
    EXPECT_TRUE(HasNoted(job, FailureKind::ChangedNotDeleted, doomed, 0));
    EXPECT_TRUE(HasNoted(job, FailureKind::FolderUnreadable, notAFolder, ENOTDIR));
    EXPECT_TRUE(HasNoted(job, FailureKind::FolderUnreadable, tree / "missing", ENOENT));
    EXPECT_EQ(job.FileFunc->Failures.Count(), 3);
    // The system's own refusal: nothing is there to delete any more.
    EXPECT_FALSE(job.FileFunc->RemoveFile(tree / "gone.txt"));
    EXPECT_TRUE(HasNoted(job, FailureKind::DeleteFailed, tree / "gone.txt", ENOENT));

    ScopedEnv tmp("TMPDIR", tree / "no such folder");
    SetUpJob(job, {tree / "src"}, {tree / "src"});
    job.SrcZip = 1;
    RunJob(job, host);
    EXPECT_EQ(job.Phase, kPhaseFinished);
    EXPECT_EQ(job.FileFunc->Failures.Count(), 1);
    EXPECT_TRUE(HasNoted(job, FailureKind::NoWorkFolders, tree / "no such folder/", ENOENT));
}

}  // namespace
}  // namespace nebu::test
