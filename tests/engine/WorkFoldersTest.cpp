#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "engine/NebuFileFunc.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

using test::Exists;
using test::TempTree;

struct Shown {
    std::string caption, text;
    MsgButtons buttons;
};

class RecordingHost : public NebuHost {
  public:
    std::vector<Shown> shown;
    int invoked = 0;
    void InvokeOnMainThread(const std::function<void()>& call) override {
        ++invoked;
        call();
    }
    MsgAnswer ShowMessage(const std::string& caption, const std::string& text,
                          MsgButtons buttons) override {
        shown.push_back({caption, text, buttons});
        return MsgAnswer::Ok;
    }
    void ShowDeleteChoice(DeleteChoice&) override { ADD_FAILURE() << "no deletion here"; }
};

mode_t ModeOf(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return 0;
    return st.st_mode;
}

class WorkFolderTest : public ::testing::Test {
  protected:
    WorkFolderTest() : temp(tree.MakeDir("一時 temp")), guard("TMPDIR", temp) { ff.Host = &host; }

    TempTree tree;
    std::string temp;
    test::ScopedEnv guard;
    RecordingHost host;
    TNebuFileFunc ff;
};

TEST_F(WorkFolderTest, CreatesTwoPrivateFoldersWithSlotNames) {
    ASSERT_TRUE(ff.CreateWorkFolders());
    for (int slot = 0; slot < 2; ++slot) {
        const std::string& dir = ff.TempDir[slot];
        // The folder's path exactly as made: never upper-cased, ends in "/".
        const std::regex shape(std::string("nb") + char('0' + slot) + "[0-9A-F]{4}\\.tmp/");
        ASSERT_EQ(dir.compare(0, temp.size() + 1, temp + "/"), 0) << dir;
        EXPECT_TRUE(std::regex_match(dir.substr(temp.size() + 1), shape)) << dir;
        const mode_t mode = ModeOf(dir.substr(0, dir.size() - 1));
        EXPECT_TRUE(S_ISDIR(mode));
        EXPECT_EQ(mode & 07777, 0700u);
    }
    EXPECT_NE(ff.TempDir[0], ff.TempDir[1]);
    EXPECT_TRUE(host.shown.empty());

    ff.RemoveWorkFolders();
    EXPECT_FALSE(Exists(ff.TempDir[0]));
    EXPECT_FALSE(Exists(ff.TempDir[1]));
    EXPECT_TRUE(Exists(temp));
}

// A folder for 65536 names: in memory when /dev/shm takes one (filling a
// disk folder that full is slow), else in the test's own tree.
class CrowdedFolder {
  public:
    explicit CrowdedFolder(const std::string& fallback) {
        std::string pattern = "/dev/shm/nebu-test-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
            owned_ = true;
        } else {
            path_ = fallback;
        }
    }
    ~CrowdedFolder() {
        if (owned_) test::RemoveTree(path_);
    }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    bool owned_ = false;
};

TEST_F(WorkFolderTest, TakesTheOneNameLeftFreeAndNeverAnExistingOne) {
    CrowdedFolder crowded(temp);
    const std::string dir = crowded.Path();
    test::ScopedEnv tmp("TMPDIR", dir);
    // Every slot-0 name but one is already taken by a file (hard links, the
    // cheapest way to fill a folder; two files, as a file takes only so many
    // links): each must be passed over untouched and the free one found,
    // wherever the search starts.
    const std::string planted[2] = {dir + "/planted0", dir + "/planted1"};
    for (const auto& p : planted) test::WriteFile(p, "mine");
    for (unsigned v = 0; v < 0x10000; ++v) {
        if (v == 0xBEEF) continue;
        char name[32];
        std::snprintf(name, sizeof name, "/nb0%04X.tmp", v);
        ASSERT_EQ(::link(planted[v & 1].c_str(), (dir + name).c_str()), 0) << name;
    }
    ASSERT_TRUE(ff.CreateWorkFolder(0));
    EXPECT_EQ(ff.TempDir[0], dir + "/nb0BEEF.tmp/");
    EXPECT_TRUE(S_ISDIR(ModeOf(dir + "/nb0BEEF.tmp")));

    // Now every name is taken: a failure, reported once, with nothing
    // turned into a folder and the slot keeping its last path.
    EXPECT_FALSE(ff.CreateWorkFolder(0));
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].text, "作業ディレクトリが作れません");
    EXPECT_EQ(ff.TempDir[0], dir + "/nb0BEEF.tmp/");
    EXPECT_EQ(test::ReadFile(dir + "/nb0BEEE.tmp"), "mine");
    struct stat st;
    ASSERT_EQ(::stat(planted[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 0x8000u + 1);

    // Slot 1 has names of its own.
    EXPECT_TRUE(ff.CreateWorkFolder(1));
}

TEST_F(WorkFolderTest, FailureIsReportedWithCaptionAndOkAndStopsAtSlotZero) {
    test::ScopedEnv missing("TMPDIR", tree / "no such folder");
    ff.TempDir[1] = "unchanged";
    EXPECT_FALSE(ff.CreateWorkFolders());
    ASSERT_EQ(host.shown.size(), 1u) << "slot 1 is not tried after slot 0 failed";
    EXPECT_EQ(host.shown[0].caption, "NEBU for Win32");
    EXPECT_EQ(host.shown[0].text, "作業ディレクトリが作れません");
    EXPECT_EQ(host.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(host.invoked, 1) << "the message goes through the main thread";
    EXPECT_EQ(ff.TempDir[1], "unchanged");

    ff.Host = nullptr;  // no host: still a plain failure
    EXPECT_FALSE(ff.CreateWorkFolder(1));
}

TEST_F(WorkFolderTest, RemovalLeavesEveryFolderThisProgramDidNotMark) {
    ::mkdir((temp + "/nb0AAAA.tmp").c_str(), 0700);           // someone else's name
    ::mkdir((temp + "/nbanything.tmp").c_str(), 0700);        // the same
    test::WriteFile(temp + "/nb1BBBB.tmp/kept.bin", "data");  // not empty
    test::WriteFile(temp + "/nb1234.tmp", "a plain file");    // a file
    TempTree outside;
    const std::string linkTarget = outside.MakeDir("empty target");
    ASSERT_EQ(::symlink(linkTarget.c_str(), (temp + "/nb0DDDD.tmp").c_str()), 0);

    ff.RemoveWorkFolders();

    EXPECT_TRUE(Exists(temp + "/nb0AAAA.tmp"));
    EXPECT_TRUE(Exists(temp + "/nbanything.tmp"));
    EXPECT_EQ(test::ReadFile(temp + "/nb1BBBB.tmp/kept.bin"), "data");
    EXPECT_EQ(test::ReadFile(temp + "/nb1234.tmp"), "a plain file");
    EXPECT_TRUE(S_ISLNK(ModeOf(temp + "/nb0DDDD.tmp")));
    EXPECT_TRUE(Exists(linkTarget));
}

TEST_F(WorkFolderTest, ARunRemovesItsOwnFoldersButNeverThoseOfALiveRun) {
    TNebuFileFunc other;  // a second run at the same time
    ASSERT_TRUE(other.CreateWorkFolders());
    ASSERT_TRUE(ff.CreateWorkFolders());
    // What an extraction left behind goes with its own run.
    test::WriteFile(ff.TempDir[0] + "left.bin", "x");

    ff.RemoveWorkFolders();
    EXPECT_FALSE(Exists(ff.TempDir[0]));
    EXPECT_FALSE(Exists(ff.TempDir[1]));
    EXPECT_TRUE(Exists(other.TempDir[0]));
    EXPECT_TRUE(Exists(other.TempDir[1]));

    other.RemoveWorkFolders();
    EXPECT_FALSE(Exists(other.TempDir[0]));
    EXPECT_FALSE(Exists(other.TempDir[1]));
}

TEST_F(WorkFolderTest, LeftoversOfADeadRunAreRemoved) {
    // A run that dies between making its folders and removing them.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TNebuFileFunc dying;
        const bool made = dying.CreateWorkFolders();
        if (made) test::WriteFile(dying.TempDir[1] + "entry.bin", "extracted");
        ::_exit(made ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ::mkdir((temp + "/nb0AAAA.tmp").c_str(), 0700);  // not this program's
    std::vector<std::string> leftovers;
    for (const auto& e : std::filesystem::directory_iterator(temp)) {
        leftovers.push_back(e.path().filename().string());
    }
    ASSERT_EQ(leftovers.size(), 3u);

    ff.RemoveWorkFolders();
    for (const auto& name : leftovers) {
        EXPECT_EQ(Exists(temp + "/" + name), name == "nb0AAAA.tmp") << name;
    }
}

TEST_F(WorkFolderTest, RemovalLeavesAnotherUsersFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
    const std::string theirs = temp + "/nb0EEEE.tmp";
    ASSERT_EQ(::mkdir(theirs.c_str(), 0700), 0);
    ASSERT_EQ(::chown(theirs.c_str(), 4242, 4242), 0);
    ff.RemoveWorkFolders();
    EXPECT_TRUE(Exists(theirs));
}

}  // namespace
}  // namespace nebu
