// libarchive is opened only by runs that read archives: the built program is
// run with the dynamic loader reporting every library it opens.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "cli/InProcessCli.h"
#include "cli/JobRunner.h"
#include "platform/LibArchive.h"
#include "support/ArchiveFixtures.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

extern char** environ;

namespace nebu::test {
namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string loaderLog;  // stderr, where LD_DEBUG reports
};

// Runs the built nebu-cli with `args`, stdin empty, the loader listing files.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const TempTree& tree) {
    const std::string outPath = tree / "program.out";
    const std::string errPath = tree / "program.err";
    std::vector<std::string> env = {"LD_DEBUG=files", "TMPDIR=" + tree.MakeDir("tmp"),
                                    "XDG_DATA_HOME=" + tree.MakeDir("xdg"), "LC_ALL=C"};
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string key = entry.substr(0, entry.find('='));
        if (key != "LD_DEBUG" && key != "LD_DEBUG_OUTPUT" && key != "TMPDIR" &&
            key != "XDG_DATA_HOME" && key != "LC_ALL") {
            env.push_back(entry);
        }
    }
    std::vector<std::string> argStrings = {program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    ProgramRun run;
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        ADD_FAILURE() << "cannot run " << program << ": " << std::strerror(rc);
        return run;
    }
    while (waitpid(pid, &run.status, 0) < 0 && errno == EINTR) {
    }
    run.out = ReadFile(outPath);
    run.loaderLog = ReadFile(errPath);
    return run;
}

bool Opened(const ProgramRun& run) {
    return run.loaderLog.find(platform::LibArchive::kFileName) != std::string::npos;
}

TEST(ArchiveLibraryLoad, OnlyRunsThatReadArchivesOpenLibarchive) {
    const char* program = std::getenv("NEBU_CLI");
    if (!program || !*program) GTEST_SKIP() << "NEBU_CLI names no built program";
    TempTree tree;
    tree.Write("元/同じ.txt", "同じ内容\n");
    tree.Write("先/コピー.txt", "同じ内容\n");
    MakeZip(tree / "元/書庫.zip", {{"中.txt", "同じ内容\n"}});

    // A zip lies in the source folder, but nothing asks for its contents.
    ProgramRun plain = RunProgram(program, {"-s", tree / "元", "-t", tree / "先"}, tree);
    ASSERT_TRUE(WIFEXITED(plain.status));
    EXPECT_EQ(WEXITSTATUS(plain.status), 0);
    EXPECT_NE(plain.out.find("コピー.txt｣が同じです。"), std::string::npos) << plain.out;
    // The loader did report (its own libc at least), so silence is meaningful.
    EXPECT_NE(plain.loaderLog.find("libc.so"), std::string::npos) << plain.loaderLog;
    EXPECT_FALSE(Opened(plain)) << plain.loaderLog;

    ProgramRun zip = RunProgram(program, {"--src-zip", "-s", tree / "元", "-t", tree / "先"}, tree);
    ASSERT_TRUE(WIFEXITED(zip.status));
    EXPECT_EQ(WEXITSTATUS(zip.status), 0);
    EXPECT_NE(zip.out.find("『中.txt』｣と｢" + tree / "先/コピー.txt" + "｣が同じです。"),
              std::string::npos)
        << zip.out;
    EXPECT_TRUE(Opened(zip)) << zip.loaderLog;
}

// A system without libarchive still runs: its archives read as unreadable
// ones do, and a run over archives simply finds nothing in them.
TEST(ArchiveLibraryLoad, MissingLibarchiveLeavesArchivesUncompared) {
    cli::ClearInterrupt();
    TempTree tree;
    ScopedEnv tmp{"TMPDIR", tree.MakeDir("tmp")};
    ScopedEnv data{"XDG_DATA_HOME", tree.MakeDir("xdg")};
    tree.Write("dst/entry-copy.txt", "archived text\n");
    tree.MakeDir("src");
    MakeZip(tree / "src/pack.zip", {{"entry.txt", "archived text\n"}});
    const std::vector<std::string> args = {"--src-zip", "-s", tree / "src", "-t", tree / "dst"};

    auto run = [&](std::string& out) {
        const CliRun r = RunCliHere(args);
        out = r.out;
        return r.code;
    };
    std::string out;
    platform::LibArchive::Hide(true);
    const int code = run(out);
    platform::LibArchive::Hide(false);
    EXPECT_EQ(code, 0) << out;
    EXPECT_EQ(out.find("entry-copy.txt"), std::string::npos) << out;
    EXPECT_NE(out.find("比較元0件検索しました。"), std::string::npos) << out;

    // The same run with the library finds the archived copy.
    EXPECT_EQ(run(out), 0);
    EXPECT_NE(out.find("｢" + tree / "dst/entry-copy.txt" + "｣が同じです。"), std::string::npos)
        << out;
}

}  // namespace
}  // namespace nebu::test
