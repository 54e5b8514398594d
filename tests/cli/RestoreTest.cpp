// The deletion journal end to end on the command line: real jobs delete into
// a real trash under a temporary home, then runs are listed and put back.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "cli/CliApp.h"
#include "cli/InProcessCli.h"
#include "cli/JobRunner.h"
#include "journal/Journal.h"
#include "journal/Restore.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

namespace nebu::test {
namespace {

// "資料" and "ﾃｽﾄ.txt" in Shift-JIS bytes: a name that is not UTF-8.
const std::string kSjisName = "\x8E\x91\x97\xBF\xC3\xBD\xC4.txt";

class RestoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        cli::ClearInterrupt();
        tree_.Write("src/a.txt", "alpha");
        tree_.Write("src/b.txt", "bravo!");
        tree_.Write("src/" + kSjisName, "shift-jis bytes");
        tree_.Write("dst/a-copy.txt", "alpha");
        tree_.Write("dst/sub/b-copy.txt", "bravo!");
        tree_.Write("dst/" + kSjisName, "shift-jis bytes");
        tree_.Write("dst/other.txt", "other");
    }
    CliRun Run(const std::vector<std::string>& args) { return RunCliHere(args); }
    std::string dst(const std::string& name) const { return tree_ / ("dst/" + name); }
    std::string JournalFile() const { return tree_ / "state/nebu/deletions.jsonl"; }
    std::vector<journal::RunSummary> Runs() const {
        return journal::Runs(journal::Read(JournalFile()));
    }

    TempTree tree_;
    ScopedEnv home_{"HOME", tree_.MakeDir("home")};
    ScopedEnv tmp_{"TMPDIR", tree_.MakeDir("tmp")};
    ScopedEnv data_{"XDG_DATA_HOME", tree_.MakeDir("data")};
    ScopedEnv state_{"XDG_STATE_HOME", tree_ / "state"};
};

TEST_F(RestoreTest, TrashedRunIsListedAndPutBackOnceWithTakenAndMissingReported) {
    EXPECT_EQ(Run({"--restore-last"}).code, 2);  // no journal yet: nothing to do
    EXPECT_FALSE(Exists(JournalFile()));

    CliRun job = Run({"-r", "-s", tree_ / "src", "-t", tree_ / "dst", "--delete", "--trash",
                      "--delete-empty-dirs", "-q"});
    ASSERT_EQ(job.code, 0) << job.err;
    ASSERT_FALSE(Exists(dst("a-copy.txt")));
    ASSERT_FALSE(Exists(dst("sub")));  // the emptied folder went too
    ASSERT_FALSE(Exists(dst(kSjisName)));

    // A job deleting for good afterwards is a second run, not restorable.
    tree_.Write("dst/again.txt", "alpha");
    ASSERT_EQ(Run({"-s", tree_ / "src", "-t", tree_ / "dst", "--delete", "-q"}).code, 0);
    ASSERT_FALSE(Exists(dst("again.txt")));

    const std::vector<journal::RunSummary> runs = Runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].deleted, 3);
    EXPECT_EQ(runs[0].restorable, 3);
    EXPECT_EQ(runs[1].deleted, 1);
    EXPECT_EQ(runs[1].restorable, 0);
    CliRun list = Run({"--list-runs"});
    EXPECT_EQ(list.code, 0);
    EXPECT_NE(list.out.find(runs[0].run + "\t" + runs[0].time + "\t3\t3\n"), std::string::npos)
        << list.out;

    // The last run deleted for good: listed, nothing changes.
    CliRun last = Run({"--restore-last"});
    EXPECT_EQ(last.code, 0) << last.err;
    EXPECT_NE(last.out.find("not restorable: " + dst("again.txt")), std::string::npos);
    EXPECT_FALSE(Exists(dst("again.txt")));

    // Of the first run: one original path is taken now, one trash copy is gone.
    const journal::Contents before = journal::Read(JournalFile());
    std::string trashOfB;
    for (const journal::Entry& e : before.entries) {
        if (e.path == dst("sub/b-copy.txt")) trashOfB = e.trashFile;
    }
    ASSERT_TRUE(Exists(trashOfB));
    ::unlink(trashOfB.c_str());
    tree_.Write("dst/a-copy.txt", "someone else's file");

    CliRun restore = Run({"--restore", runs[0].run});
    EXPECT_EQ(restore.code, 4);
    EXPECT_EQ(ReadFile(dst(kSjisName)), "shift-jis bytes");  // back under its exact bytes
    EXPECT_EQ(ReadFile(dst("a-copy.txt")), "someone else's file");
    EXPECT_NE(restore.err.find("original path is taken, left in the trash: " + dst("a-copy.txt")),
              std::string::npos)
        << restore.err;
    EXPECT_NE(restore.err.find("no longer in the trash: " + dst("sub/b-copy.txt")),
              std::string::npos);
    EXPECT_FALSE(Exists(dst("sub/b-copy.txt")));
    EXPECT_EQ(Runs()[0].restorable, 2);  // the Shift-JIS file is recorded as put back

    // Freed again, the taken one comes back; the restored one is not retried.
    ::unlink(dst("a-copy.txt").c_str());
    CliRun second = Run({"--restore", runs[0].run});
    EXPECT_EQ(second.code, 4);  // the missing trash copy is still reported
    EXPECT_EQ(ReadFile(dst("a-copy.txt")), "alpha");
    EXPECT_NE(second.out.find(": 1 restored, 1 left in the trash, 0 deleted for good"),
              std::string::npos)
        << second.out;
    EXPECT_EQ(Runs()[0].restorable, 1);
    // No .trashinfo is left for what came back.
    EXPECT_FALSE(Exists(tree_ / "data/Trash/info/a-copy.txt.trashinfo"));
}

TEST_F(RestoreTest, DamagedLinesAreSkippedUnknownRunsRefusedAndUnwritableJournalKeepsFiles) {
    ASSERT_EQ(Run({"-s", tree_ / "src", "-t", tree_ / "dst", "--delete", "--trash", "-q"}).code, 0);
    const std::string run = Runs().at(0).run;
    // A torn line and garbage between good lines, as a crash might leave.
    {
        std::string text = ReadFile(JournalFile());
        const std::size_t firstEnd = text.find('\n') + 1;
        text.insert(firstEnd, "{\"event\":\"deleted\",\"run\":\"other\n\x01\xFFnot json\n");
        WriteFile(JournalFile(), text);
    }
    CliRun list = Run({"--list-runs"});
    EXPECT_EQ(list.code, 0);
    EXPECT_NE(list.out.find(run + "\t"), std::string::npos);
    EXPECT_NE(list.out.find("\t2\t2\n"), std::string::npos) << list.out;
    EXPECT_NE(list.err.find("deletions.jsonl:2"), std::string::npos) << list.err;
    EXPECT_NE(list.err.find("deletions.jsonl:3"), std::string::npos);

    const std::string journalBefore = ReadFile(JournalFile());
    CliRun unknown = Run({"--restore", "no-such-run"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_NE(unknown.err.find("unknown run: no-such-run"), std::string::npos);
    // A damaged line that belongs to the run asked for: refused, nothing changed.
    WriteFile(JournalFile(), journalBefore + "{\"run\":\"" + run + "\",\"seq\":\n");
    CliRun damaged = Run({"--restore", run});
    EXPECT_EQ(damaged.code, 2);
    EXPECT_FALSE(Exists(dst("a-copy.txt")));
    EXPECT_EQ(ReadFile(JournalFile()), journalBefore + "{\"run\":\"" + run + "\",\"seq\":\n");
    WriteFile(JournalFile(), journalBefore);
    EXPECT_EQ(Run({"--restore-last"}).code, 0);
    EXPECT_EQ(ReadFile(dst("a-copy.txt")), "alpha");

    // A journal that cannot be written: neither for good nor into the trash
    // does a file go, and the run says so.
    ScopedEnv blocked{"XDG_STATE_HOME", tree_.Write("not-a-folder", "")};
    for (const bool trash : {true, false}) {
        std::vector<std::string> args = {"-s",          tree_ / "src", "-t",
                                         tree_ / "dst", "--delete",    "-q"};
        if (trash) args.push_back("--trash");
        CliRun job = Run(args);
        EXPECT_EQ(job.code, 4);
        EXPECT_NE(job.err.find("the deletion journal cannot be written, not deleted: " +
                               dst("a-copy.txt")),
                  std::string::npos)
            << job.err;
        EXPECT_EQ(ReadFile(dst("a-copy.txt")), "alpha");
    }
}

// Runs appending at once never mix their lines: two processes, many lines.
TEST_F(RestoreTest, ConcurrentRunsAppendWholeLines) {
    constexpr int kLines = 2000;
    const std::string longName(900, 'x');
    std::vector<pid_t> children;
    for (int child = 0; child < 2; ++child) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            journal::Writer writer(JournalFile());
            journal::Entry e;
            e.run = "run" + std::to_string(child);
            e.time = "2024-01-01T00:00:00Z";
            e.kept = "/kept";
            e.size = 1;
            for (int i = 1; i <= kLines; ++i) {
                e.seq = i;
                e.path = "/" + longName + kSjisName + std::to_string(i);
                if (!writer.Append(e)) ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const journal::Contents contents = journal::Read(JournalFile());
    EXPECT_TRUE(contents.damagedLines.empty());
    ASSERT_EQ(contents.entries.size(), 2u * kLines);
    std::vector<std::int64_t> next = {1, 1};
    for (const journal::Entry& e : contents.entries) {
        const int child = e.run == "run1" ? 1 : 0;
        EXPECT_EQ(e.seq, next[child]++);
        EXPECT_EQ(e.path, "/" + longName + kSjisName + std::to_string(e.seq));
    }
}

}  // namespace
}  // namespace nebu::test
