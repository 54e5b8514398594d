// Files that cannot be read and empty folders that cannot be removed are
// failures of the run: a log line, a line on standard error, exit code 4.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "cli/CliApp.h"
#include "support/ArchiveFixtures.h"
#include "support/TempTree.h"

namespace nebu::test {
namespace {

constexpr int kCannotDropRoot = 77;

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
};

// Root reads whatever the mode says: run as a user without privileges then,
// in a child process, so that a mode of 000 keeps the program out.
CliRun RunWithoutPrivileges(const TempTree& tree, const std::vector<std::string>& args) {
    const std::string out = tree / "out.txt";
    const std::string err = tree / "err.txt";
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0 ||
             ::access(tree.Path().c_str(), X_OK) != 0)) {
            ::_exit(kCannotDropRoot);
        }
        ::setenv("TMPDIR", (tree / "tmp").c_str(), 1);
        std::istringstream in;
        std::ostringstream o, e;
        const int code = cli::RunCli(args, in, o, e, {});
        WriteFile(out, o.str());
        WriteFile(err, e.str());
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

std::size_t Count(const std::string& text, const std::string& needle) {
    std::size_t n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

class CliFailuresTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::chmod(tree_.Path().c_str(), 0755);
        ::chmod(tree_.MakeDir("tmp").c_str(), 0777);
        for (const char* name : {"out.txt", "err.txt"})
            ::chmod(tree_.Write(name, "").c_str(), 0666);
    }
    // Readable by the user the program runs as, or locked with mode 000.
    std::string Add(const std::string& path, const std::string& bytes, bool locked = false) {
        const std::string full = tree_.Write(path, bytes);
        ::chmod(full.c_str(), locked ? 0 : 0644);
        return full;
    }
    void Open(const std::string& dir, mode_t mode = 0777) { ::chmod((tree_ / dir).c_str(), mode); }
    // The system's own words for the error follow in parentheses.
    static void ExpectFailure(const CliRun& run, const std::string& text) {
        EXPECT_EQ(Count(run.out, "\n" + text + " ("), 1u) << run.out;
        EXPECT_EQ(Count(run.err, "nebu-cli: " + text + " ("), 1u) << run.err;
    }
    TempTree tree_;
};

TEST_F(CliFailuresTest, UnreadableFilesAndEmptyFoldersThatStayAreReportedAndEndWithFour) {
    // A group of four is sorted into classes, a group of two compared
    // directly; a locked target is met once per partner but told once.
    Add("src/a.txt", "alpha");
    Add("src/a2.txt", "alpha");
    Add("dst/a.txt", "alpha");
    const std::string lockedA = Add("dst/locked-a.txt", "alpha", true);
    Add("src/b.txt", "bravo!");
    const std::string lockedB = Add("dst/locked-b.txt", "bravo!", true);
    tree_.MakeDir("dst/kept/empty");
    Open("src");
    Open("dst");
    Open("dst/kept", 0555);
    CliRun run = RunWithoutPrivileges(
        tree_, {"-r", "--delete", "--delete-empty-dirs", "-s", tree_ / "src", "-t", tree_ / "dst"});
    if (run.code == kCannotDropRoot) GTEST_SKIP() << "no user without privileges reaches the tree";
    EXPECT_EQ(run.code, 4);
    EXPECT_NE(run.out.find("｢" + tree_ / "dst/a.txt｣を削除しました。"), std::string::npos)
        << run.out;
    const std::string unreadable = "ファイルを読めませんでした / could not read file: ";
    ExpectFailure(run, unreadable + lockedA);
    ExpectFailure(run, unreadable + lockedB);
    ExpectFailure(run, "空のディレクトリを削除できませんでした / could not remove empty folder: " +
                           tree_ / "dst/kept/empty");
    EXPECT_EQ(Count(run.err, "nebu-cli: "), 3u) << run.err;
    Open("dst/kept");

    // Archives: a locked source archive, and a locked plain target read
    // with the others of its size.
    RemoveTree(tree_ / "src");
    RemoveTree(tree_ / "dst");
    tree_.MakeDir("src");
    MakeZip(tree_ / "src/good.zip", {{"e.txt", "entry"}});
    const std::string lockedZip = tree_ / "src/locked.zip";
    MakeZip(lockedZip, {{"f.txt", "fifth"}});
    Add("dst/e.txt", "entry");
    const std::string lockedE = Add("dst/locked-e.txt", "entry", true);
    ::chmod((tree_ / "src/good.zip").c_str(), 0644);
    ::chmod(lockedZip.c_str(), 0);
    Open("src");
    Open("dst");
    run = RunWithoutPrivileges(tree_, {"--src-zip", "-s", tree_ / "src", "-t", tree_ / "dst"});
    EXPECT_EQ(run.code, 4);
    EXPECT_NE(run.out.find("『" + tree_ / "src/good.zip』の中の『e.txt』"), std::string::npos)
        << run.out;
    ExpectFailure(run, unreadable + lockedZip);
    ExpectFailure(run, unreadable + lockedE);
    EXPECT_EQ(Count(run.err, "nebu-cli: "), 2u) << run.err;
}

}  // namespace
}  // namespace nebu::test
