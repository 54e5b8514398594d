// A run from the command line that failed says so, and a signal or a closed
// pipe ends it like Ctrl-C, with its work folders removed.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <sstream>

#include "cli/CliApp.h"
#include "cli/CliOptions.h"
#include "cli/JobRunner.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

extern char** environ;

namespace nebu::test {
namespace {

std::size_t WorkFoldersIn(const std::string& folder) {
    std::size_t found = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        found += e.path().filename().string().rfind("nb", 0) == 0 ? 1 : 0;
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

    // Runs the built program on `terminal` (stdin, stderr; stdout too when
    // `out` is -1); `whileRunning` gets its process id. The exit status.
    int RunProgram(std::vector<std::string> args, const std::string& terminal, int out,
                   const std::function<void(pid_t)>& whileRunning) {
        const char* program = std::getenv("NEBU_CLI");
        args.insert(args.begin(), program);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        for (int fd = 0; fd < 3; ++fd) {
            posix_spawn_file_actions_addopen(&actions, fd, terminal.c_str(), O_RDWR, 0);
        }
        if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t defaults;
        sigfillset(&defaults);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, program, &actions, &attr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        whileRunning(pid);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return status;
    }

    TempTree tree_;
    std::string tmp_ = tree_.MakeDir("tmp");
    ScopedEnv tmpEnv_{"TMPDIR", tmp_};
    ScopedEnv data_{"XDG_DATA_HOME", tree_.MakeDir("xdg")};
};

TEST_F(CliReliabilityTest, AFailedRunEndsWithExitCodeFourAndALinePerFailure) {
    ScopedEnv missing("TMPDIR", tree_ / "missing");
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(cli::RunCli({"--src-zip", "-s", src(), "-t", dst()}, in, out, err, {}), 4);
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
        cli::RunHooks hooks;
        // Sent once the work folders exist, before anything is compared.
        hooks.onLogLine = [&](const std::string& line) {
            if (line.rfind("ディレクトリ｢", 0) != 0) return;
            EXPECT_EQ(WorkFoldersIn(tmp_), 2u);
            std::raise(signal);
        };
        std::istringstream answers;
        std::ostringstream prompt;
        EXPECT_EQ(cli::RunJobFromCommandLine(job, answers, prompt, hooks).phase, kPhaseStopped);
        EXPECT_EQ(WorkFoldersIn(tmp_), 0u) << "signal " << signal;
    }
}

TEST_F(CliReliabilityTest, AClosedPipeAndATerminationAtAQuestionStopTheProgram) {
    if (!std::getenv("NEBU_CLI")) GTEST_SKIP() << "NEBU_CLI names no built program";
    // `nebu-cli ... | head -0`: the reader is gone before the first line.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    ::close(pipeFds[0]);
    int status = RunProgram({"--src-zip", "-s", src(), "-t", dst()}, "/dev/null", pipeFds[1],
                            [&](pid_t) { ::close(pipeFds[1]); });
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(WorkFoldersIn(tmp_), 0u);

    // SIGTERM while the deletion question waits on the terminal.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    status =
        RunProgram({"--confirm", "-s", src(), "-t", dst()}, ::ptsname(master), -1, [&](pid_t pid) {
            std::string shown;
            char buffer[256];
            ssize_t got = 1;
            while (got > 0 && shown.find("(y/n/c): ") == std::string::npos) {
                got = ::read(master, buffer, sizeof buffer);
                shown.append(buffer, static_cast<std::size_t>(std::max(got, 0L)));
            }
            ::kill(pid, SIGTERM);
        });
    ::close(master);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_TRUE(Exists(dst() + "/a-copy.txt"));
}

}  // namespace
}  // namespace nebu::test
