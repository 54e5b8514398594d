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

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
};

// Root reads whatever the mode says: the child runs as a user without
// privileges then, so that a mode of 000 keeps the program out. Code 77:
// that user cannot reach the tree.
CliRun RunWithoutPrivileges(const TempTree& tree, const std::vector<std::string>& args) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 ||
                                 ::setuid(65534) != 0 || ::access((tree / "tmp").c_str(), W_OK))) {
            ::_exit(77);
        }
        ::setenv("TMPDIR", (tree / "tmp").c_str(), 1);
        // The deletion journal must be the user's own to write.
        ::setenv("XDG_STATE_HOME", (tree / "tmp/state").c_str(), 1);
        std::istringstream in;
        std::ostringstream out, err;
        const int code = cli::RunCli(args, in, out, err, {});
        WriteFile(tree / "tmp/out", out.str());
        WriteFile(tree / "tmp/err", err.str());
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(tree / "tmp/out"),
            ReadFile(tree / "tmp/err")};
}

std::size_t Count(const std::string& text, const std::string& needle) {
    std::size_t n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

// Once in the log, once on standard error; the system's words follow.
void ExpectFailure(const CliRun& run, const std::string& text) {
    EXPECT_EQ(Count(run.out, "\n" + text + " ("), 1u) << run.out;
    EXPECT_EQ(Count(run.err, "nebu-cli: " + text + " ("), 1u) << run.err;
}

TEST(CliFailuresTest, UnreadableFilesAndEmptyFoldersThatStayAreReportedAndEndWithFour) {
    const mode_t umask = ::umask(022);
    TempTree tree;
    ::chmod(tree.Path().c_str(), 0755);
    for (const char* dir : {"tmp", "src", "dst"}) ::chmod(tree.MakeDir(dir).c_str(), 0777);
    const auto locked = [&](const std::string& path, const std::string& bytes) {
        ::chmod(tree.Write(path, bytes).c_str(), 0);
        return tree / path;
    };
    // A group of four is sorted into classes, a group of two compared
    // directly; a locked target is met once per partner but told once.
    tree.Write("src/a.txt", "alpha");
    tree.Write("src/a2.txt", "alpha");
    tree.Write("dst/a.txt", "alpha");
    const std::string lockedA = locked("dst/locked-a.txt", "alpha");
    tree.Write("src/b.txt", "bravo!");
    const std::string lockedB = locked("dst/locked-b.txt", "bravo!");
    tree.MakeDir("dst/kept/empty");
    ::chmod((tree / "dst/kept").c_str(), 0555);
    CliRun run = RunWithoutPrivileges(
        tree, {"-r", "--delete", "--delete-empty-dirs", "-s", tree / "src", "-t", tree / "dst"});
    if (run.code == 77) GTEST_SKIP() << "no user without privileges reaches " << tree.Path();
    EXPECT_EQ(run.code, 4);
    EXPECT_EQ(Count(run.out, "｢" + tree / "dst/a.txt｣を削除しました。"), 1u) << run.out;
    const std::string unreadable = "ファイルを読めませんでした / could not read file: ";
    ExpectFailure(run, unreadable + lockedA);
    ExpectFailure(run, unreadable + lockedB);
    ExpectFailure(run, "空のディレクトリを削除できませんでした / could not remove empty folder: " +
                           tree / "dst/kept/empty");
    EXPECT_EQ(Count(run.err, "nebu-cli: "), 3u) << run.err;

    // A locked source archive, and a locked plain target read with the
    // others of its size.
    MakeZip(tree / "src/good.zip", {{"e.txt", "entry"}});
    MakeZip(tree / "src/locked.zip", {{"f.txt", "fifth"}});
    ::chmod((tree / "src/locked.zip").c_str(), 0);
    tree.Write("dst/e.txt", "entry");
    const std::string lockedE = locked("dst/locked-e.txt", "entry");
    run = RunWithoutPrivileges(tree, {"--src-zip", "-s", tree / "src", "-t", tree / "dst"});
    EXPECT_EQ(run.code, 4);
    EXPECT_EQ(Count(run.out, "『" + tree / "src/good.zip』の中の『e.txt』"), 1u) << run.out;
    ExpectFailure(run, unreadable + tree / "src/locked.zip");
    ExpectFailure(run, unreadable + lockedE);
    ExpectFailure(run, unreadable + lockedA);  // of the entry's size too
    EXPECT_EQ(Count(run.err, "nebu-cli: "), 3u) << run.err;
    ::chmod((tree / "dst/kept").c_str(), 0755);
    ::umask(umask);
}

}  // namespace
}  // namespace nebu::test
