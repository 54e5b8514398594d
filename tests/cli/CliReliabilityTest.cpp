// A run from the command line that failed says so, and a signal or a closed
// pipe ends it like Ctrl-C, with its work folders removed.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <sstream>

#include "cli/CliApp.h"
#include "cli/CliOptions.h"
#include "cli/JobRunner.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

extern char** environ;

namespace nebu::test {
namespace {

std::vector<std::string> WorkFoldersIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("nb", 0) == 0) found.push_back(name);
    }
    return found;
}

class CliReliabilityTest : public ::testing::Test {
  protected:
    void SetUp() override {
        cli::ClearInterrupt();
        tree_.Write("src/a.txt", "alpha");
        tree_.Write("dst/a-copy.txt", "alpha");
    }
    void TearDown() override { cli::ClearInterrupt(); }
    std::string src() const { return tree_ / "src"; }
    std::string dst() const { return tree_ / "dst"; }

    TempTree tree_;
    std::string tmp_ = tree_.MakeDir("tmp");
    ScopedEnv tmpEnv_{"TMPDIR", tmp_};
    ScopedEnv data_{"XDG_DATA_HOME", tree_.MakeDir("xdg")};
};

TEST_F(CliReliabilityTest, AFailedRunEndsWithExitCodeFourAndALinePerFailure) {
    ScopedEnv missing("TMPDIR", tree_ / "missing");
    std::istringstream in;
    std::ostringstream out, err;
    const int code = cli::RunCli({"--src-zip", "-s", src(), "-t", dst()}, in, out, err,
                                 cli::Terminal{false, false});
    EXPECT_EQ(code, 4);
    EXPECT_NE(out.str().find("処理終了（"), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("nebu-cli: 作業ディレクトリが作れません / could not make work "
                             "folders in: " +
                             tree_ / "missing/"),
              std::string::npos)
        << err.str();
    EXPECT_NE(cli::UsageText().find("4 finished, but"), std::string::npos);
}

TEST_F(CliReliabilityTest, HangUpTerminateAndBrokenPipeStopTheJobAndRemoveItsWorkFolders) {
    cli::InstallInterruptHandler();
    for (const int signal : {SIGHUP, SIGTERM, SIGPIPE}) {
        cli::ClearInterrupt();
        TNebu job;
        job.SrcDirs.Add(src() + "/");
        job.DstDirs.Add(dst() + "/");
        job.SrcZip = 1;
        bool raised = false;
        cli::RunHooks hooks;
        // Sent once the work folders exist, before anything is compared.
        hooks.onLogLine = [&](const std::string& line) {
            if (!raised && line.rfind("ディレクトリ｢", 0) == 0) {
                ASSERT_EQ(WorkFoldersIn(tmp_).size(), 2u);
                raised = true;
                std::raise(signal);
            }
        };
        std::istringstream answers;
        std::ostringstream prompt;
        const cli::RunOutcome outcome = cli::RunJobFromCommandLine(job, answers, prompt, hooks);
        EXPECT_TRUE(raised);
        EXPECT_EQ(outcome.phase, kPhaseStopped) << "signal " << signal;
        EXPECT_TRUE(WorkFoldersIn(tmp_).empty()) << "signal " << signal;
    }
}

TEST_F(CliReliabilityTest, AReaderThatGoesAwayStopsTheProgramLikeCtrlC) {
    const char* program = std::getenv("NEBU_CLI");
    if (!program || !*program) GTEST_SKIP() << "NEBU_CLI names no built program";
    // `nebu-cli ... | head -0`: the reading end is gone before the first line.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    ::close(pipeFds[0]);

    std::vector<std::string> args = {program, "--src-zip", "-s", src(), "-t", dst()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program, &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(pipeFds[1]);
    ASSERT_EQ(rc, 0);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_TRUE(WorkFoldersIn(tmp_).empty());
}

TEST_F(CliReliabilityTest, ATerminationWhileAQuestionWaitsStopsTheJob) {
    const char* program = std::getenv("NEBU_CLI");
    if (!program || !*program) GTEST_SKIP() << "NEBU_CLI names no built program";
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string terminal = ::ptsname(master);

    std::vector<std::string> args = {program, "--confirm", "-s", src(), "-t", dst()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd < 3; ++fd) {
        posix_spawn_file_actions_addopen(&actions, fd, terminal.c_str(), O_RDWR, 0);
    }
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program, &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ASSERT_EQ(rc, 0);

    // The signal comes while the deletion question waits for its answer.
    std::string shown;
    char buffer[256];
    while (shown.find("(y/n/c): ") == std::string::npos) {
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        ASSERT_GT(got, 0) << shown;
        shown.append(buffer, static_cast<std::size_t>(got));
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ::close(master);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_TRUE(Exists(dst() + "/a-copy.txt"));
}

}  // namespace
}  // namespace nebu::test
