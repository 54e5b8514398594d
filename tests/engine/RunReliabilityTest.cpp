// A run never ends looking clean when it failed, a name never forges a log
// line, and a deep tree is searched and compared whole.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "JobTestSupport.h"
#include "engine/LogText.h"
#include "engine/Nebu.h"
#include "support/ArchiveFixtures.h"
#include "support/ScopedEnv.h"

namespace nebu::test {
namespace {

bool HasNoted(const TNebu& job, FailureKind kind, const std::string& path, int error = -1) {
    for (const RunFailure& f : job.FileFunc->Failures.List()) {
        if (f.kind == kind && f.path == path && (error < 0 || f.error == error)) return true;
    }
    return false;
}

TEST(LogTextTest, ControlCharactersAreShownEscapedAndEverythingElseKept) {
    EXPECT_EQ(EscapeControlCharacters("a\nb\rc\td\x1b[2Je\x7f"), "a\\nb\\rc\\td\\x1B[2Je\\x7F");
    EXPECT_EQ(EscapeControlCharacters("｢写真 C:\\x｣"), "｢写真 C:\\x｣");
    // C1 controls, line separators and direction overrides are characters
    // that terminals and viewers act on; a byte that is not UTF-8 is shown
    // as the byte it is.
    EXPECT_EQ(EscapeControlCharacters("\xc2\x85|\xe2\x80\xa8|\xe2\x80\xae|\xff|\xe3\x81"),
              "\\u0085|\\u2028|\\u202E|\\xFF|\\xE3\\x81");
}

TEST(RunReliabilityTest, ANameWithALineBreakCannotForgeLogLines) {
    TempTree tree;
    tree.Write("src/a.txt", "same bytes");
    const std::string forged = "x\n｢/home/me/keep.txt｣を削除しました。\r";
    const std::string target = tree.Write("dst/" + forged, "same bytes");
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
    const std::string shown =
        "｢" + tree / "dst/x\\n｢/home/me/keep.txt｣を削除しました。\\r" + "｣を削除しました。";
    EXPECT_EQ(LinesContaining(r.log, shown).size(), 1u);
}

// Folders nested until the path is longer than one system call takes,
// made and removed through descriptors only.
class DeepTree {
  public:
    DeepTree(const std::string& root, int levels) : root_(root), levels_(levels) {
        path_ = root;
        int fd = ::open(root.c_str(), O_PATH | O_DIRECTORY);
        for (int i = 0; i < levels; ++i) {
            ::mkdirat(fd, Name().c_str(), 0700);
            const int next = ::openat(fd, Name().c_str(), O_PATH | O_DIRECTORY);
            ::close(fd);
            fd = next;
            path_ += "/" + Name();
        }
        fd_ = fd;
    }
    ~DeepTree() {
        const int fd = ::open(root_.c_str(), O_RDONLY | O_DIRECTORY);
        RemoveBelow(fd, levels_);
        ::close(fd);
        ::close(fd_);
    }
    void Write(const char* name, const std::string& content) const {
        const int fd = ::openat(fd_, name, O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, content.data(), content.size()),
                  static_cast<ssize_t>(content.size()));
        ::close(fd);
    }
    void MoveIn(const std::string& from, const char* name) const {
        ASSERT_EQ(::renameat(AT_FDCWD, from.c_str(), fd_, name), 0);
    }
    const std::string& Path() const { return path_; }

  private:
    static std::string Name() { return std::string(200, 'd') + "深"; }
    static void RemoveBelow(int dirFd, int levels) {
        const int sub = ::openat(dirFd, Name().c_str(), O_RDONLY | O_DIRECTORY);
        if (sub < 0) return;
        if (levels > 1) RemoveBelow(sub, levels - 1);
        DIR* dir = ::fdopendir(::dup(sub));
        while (dirent* de = ::readdir(dir)) {
            if (de->d_name[0] != '.') ::unlinkat(sub, de->d_name, 0);
        }
        ::closedir(dir);
        ::close(sub);
        ::unlinkat(dirFd, Name().c_str(), AT_REMOVEDIR);
    }
    std::string root_, path_;
    int levels_;
    int fd_ = -1;
};

TEST(RunReliabilityTest, TreesDeeperThanTheLongestPathAreSearchedAndComparedWhole) {
    TempTree tree;
    const DeepTree src(tree.MakeDir("src"), 25);
    const DeepTree dst(tree.MakeDir("dst"), 25);
    ASSERT_GT(dst.Path().size(), static_cast<std::size_t>(PATH_MAX));
    src.Write("kept.bin", RandomBytes(70000, 1));
    dst.Write("copy.bin", RandomBytes(70000, 1));
    dst.Write("other.bin", RandomBytes(70000, 2));

    TNebu job;
    SetUpJob(job, {tree / "src"}, {tree / "dst"});
    ScriptedHost host;
    const RunResult r = RunJob(job, host);
    ASSERT_EQ(r.pairs.size(), 1u);
    EXPECT_EQ(r.pairs[0].folder1, src.Path());
    EXPECT_EQ(r.pairs[0].name2, "copy.bin");
    EXPECT_EQ(r.pairs[0].folder2, dst.Path());
    EXPECT_EQ(job.FileFunc->Failures.Count(), 0);

    // Archives down there are read as well.
    MakeZip(tree / "pack.zip", {{"inner.bin", RandomBytes(70000, 2)}});
    src.MoveIn(tree / "pack.zip", "pack.zip");
    job.SrcZip = 1;
    const RunResult archives = RunJob(job, host);
    job.SrcZip = 0;
    ASSERT_EQ(archives.pairs.size(), 1u);
    EXPECT_EQ(archives.pairs[0].folder1, src.Path() + "/pack.zip");
    EXPECT_EQ(archives.pairs[0].name2, "other.bin");
    EXPECT_EQ(job.FileFunc->Failures.Count(), 0);

    // ... and a duplicate down there is deleted like any other.
    job.NoDelete = 0;
    const RunResult deleting = RunJob(job, host);
    EXPECT_TRUE(deleting.pairs.empty());
    EXPECT_EQ(LinesContaining(deleting.log, "/copy.bin｣を削除しました。").size(), 1u);
    EXPECT_EQ(job.FileFunc->Failures.Count(), 0);
}

TEST(RunReliabilityTest, FoldersThatCannotBeSearchedAreCountedFailures) {
    TempTree tree;
    tree.Write("src/a.txt", "alpha");
    const std::string notAFolder = tree.Write("not a folder", "x");
    TNebu job;
    SetUpJob(job, {tree / "src", notAFolder}, {tree / "missing"});
    ScriptedHost host;
    RunJob(job, host);
    EXPECT_EQ(job.Phase, kPhaseFinished);
    EXPECT_TRUE(HasNoted(job, FailureKind::FolderUnreadable, notAFolder, ENOTDIR));
    EXPECT_TRUE(HasNoted(job, FailureKind::FolderUnreadable, tree / "missing", ENOENT));
    EXPECT_EQ(job.FileFunc->Failures.Count(), 2);

    // The next run starts with none.
    SetUpJob(job, {tree / "src"}, {tree / "src"});
    RunJob(job, host);
    EXPECT_EQ(job.FileFunc->Failures.Count(), 0);
}

TEST(RunReliabilityTest, WorkFoldersThatCannotBeMadeAreACountedFailure) {
    TempTree tree;
    tree.Write("src/a.txt", "alpha");
    ScopedEnv tmp("TMPDIR", tree / "no such folder");
    TNebu job;
    SetUpJob(job, {tree / "src"}, {tree / "src"});
    job.SrcZip = 1;
    ScriptedHost host;
    RunJob(job, host);
    EXPECT_EQ(job.Phase, kPhaseFinished);
    EXPECT_TRUE(HasNoted(job, FailureKind::NoWorkFolders, tree / "no such folder/", ENOENT));
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

TEST(RunReliabilityTest, ADeletionRefusedOrFailedIsACountedFailure) {
    TempTree tree;
    const std::string kept = tree.Write("src/a.txt", "same bytes");
    const std::string doomed = tree.Write("dst/a.txt", "same bytes");
    TNebu job;
    SetUpJob(job, {tree / "src"}, {tree / "dst"});
    job.NoDelete = 0;
    job.DelConfirm = 1;
    RewritingHost host;
    host.rewrite = kept;
    host.messageAnswers = {MsgAnswer::Yes};
    const RunResult r = RunJob(job, host);
    EXPECT_TRUE(Exists(doomed));
    EXPECT_EQ(r.pairs.size(), 1u);
    EXPECT_TRUE(HasNoted(job, FailureKind::ChangedNotDeleted, doomed));

    // The system's own refusal: nothing is there to delete any more.
    job.FileFunc->Failures.Clear();
    EXPECT_FALSE(job.FileFunc->RemoveFile(tree / "dst/gone.txt"));
    EXPECT_TRUE(HasNoted(job, FailureKind::DeleteFailed, tree / "dst/gone.txt", ENOENT));
}

}  // namespace
}  // namespace nebu::test
