#include <dirent.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "platform/Trash.h"
#include "platform/TrashFolders.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

namespace nebu::platform {
namespace {

using test::Exists;
using test::ReadFile;
using test::TempTree;

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    return names;
}

std::string RealPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    std::string out = real != nullptr ? real : "";
    std::free(real);
    return out;
}

// The Path= line of a .trashinfo, with the other two lines checked on the way.
std::string InfoPath(const std::string& infoFile) {
    static const std::regex kInfo(
        "\\[Trash "
        "Info\\]\nPath=([^\n]*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
    std::smatch match;
    const std::string text = ReadFile(infoFile);
    if (!std::regex_match(text, match, kInfo)) {
        ADD_FAILURE() << "malformed trash info: " << text;
        return "";
    }
    return match[1];
}

class HomeTrashTest : public ::testing::Test {
  protected:
    TempTree tree;
    test::ScopedEnv dataHome{"XDG_DATA_HOME", tree / "data"};
    std::string files = tree / "data/Trash/files";
    std::string info = tree / "data/Trash/info";
};

TEST_F(HomeTrashTest, MovesTheFileAndRecordsItsEscapedAbsolutePath) {
    const std::string file = tree.Write("元/日本語 メモ.txt", "memo");
    ASSERT_TRUE(MoveToTrash(file));
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(ReadFile(files + "/日本語 メモ.txt"), "memo");
    EXPECT_EQ(InfoPath(info + "/日本語 メモ.txt.trashinfo"),
              trash::EscapePath(RealPath(tree.Path())) +
                  "/%E5%85%83/%E6%97%A5%E6%9C%AC%E8%AA%9E%20%E3%83%A1%E3%83%A2.txt");
    struct stat st;
    ASSERT_EQ(::stat(files.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(HomeTrashTest, ARelativePathIsRecordedAbsolute) {
    const std::string file = tree.Write("dir/relative.txt", "r");
    const std::string cwd = RealPath(".");
    ASSERT_EQ(::chdir((tree / "dir").c_str()), 0);
    const bool moved = MoveToTrash("relative.txt");
    ASSERT_EQ(::chdir(cwd.c_str()), 0);
    ASSERT_TRUE(moved);
    EXPECT_EQ(InfoPath(info + "/relative.txt.trashinfo"),
              trash::EscapePath(RealPath(tree.Path())) + "/dir/relative.txt");
}

TEST_F(HomeTrashTest, SameNameTwiceNeverOverwritesWhatIsInTheTrash) {
    const std::string first = tree.Write("a/report.txt", "first");
    const std::string second = tree.Write("b/report.txt", "second");
    const std::string third = tree.Write("c/README", "third");
    const std::string fourth = tree.Write("d/README", "fourth");
    ASSERT_TRUE(MoveToTrash(first));
    ASSERT_TRUE(MoveToTrash(second));
    ASSERT_TRUE(MoveToTrash(third));
    ASSERT_TRUE(MoveToTrash(fourth));
    EXPECT_EQ(ReadFile(files + "/report.txt"), "first");
    EXPECT_EQ(ReadFile(files + "/report.2.txt"), "second");
    EXPECT_EQ(ReadFile(files + "/README.2"), "fourth");
    const std::string root = trash::EscapePath(RealPath(tree.Path()));
    EXPECT_EQ(InfoPath(info + "/report.txt.trashinfo"), root + "/a/report.txt");
    EXPECT_EQ(InfoPath(info + "/report.2.txt.trashinfo"), root + "/b/report.txt");
    EXPECT_EQ(InfoPath(info + "/README.2.trashinfo"), root + "/d/README");

    // A file in files/ whose .trashinfo is missing still holds its name.
    test::WriteFile(files + "/orphan.txt", "old");
    const std::string orphan = tree.Write("e/orphan.txt", "new");
    ASSERT_TRUE(MoveToTrash(orphan));
    EXPECT_EQ(ReadFile(files + "/orphan.txt"), "old");
    EXPECT_EQ(ReadFile(files + "/orphan.2.txt"), "new");
    EXPECT_FALSE(Exists(info + "/orphan.txt.trashinfo"));
}

TEST_F(HomeTrashTest, FailureLeavesTheFileAndNoTrashInfo) {
    EXPECT_FALSE(MoveToTrash(tree / "missing.txt"));
    EXPECT_FALSE(MoveToTrash(""));

    int error = 0;
    tree.MakeDir("data/Trash");
    EXPECT_FALSE(trash::MoveInto(tree / "data/Trash", tree / "gone.txt", "/x/gone.txt", &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_TRUE(Names(info).empty());

    // A trash whose info/ is not a folder takes nothing.
    test::RemoveTree(info);
    test::WriteFile(info, "");
    const std::string file = tree.Write("a/keep.txt", "keep");
    EXPECT_FALSE(MoveToTrash(file));
    EXPECT_EQ(ReadFile(file), "keep");
    EXPECT_TRUE(Names(files).empty());
}

TEST(TrashEscapeTest, EscapesEverythingButUnreservedCharactersAndSlashes) {
    EXPECT_EQ(trash::EscapePath("/home/u/a-b_c.d~e/F9"), "/home/u/a-b_c.d~e/F9");
    EXPECT_EQ(trash::EscapePath("/x/名前.txt"), "/x/%E5%90%8D%E5%89%8D.txt");
    EXPECT_EQ(trash::EscapePath("/a b/100%#?&=+;\n"), "/a%20b/100%25%23%3F%26%3D%2B%3B%0A");
}

class VolumeTrashTest : public ::testing::Test {
  protected:
    TempTree volume;
    std::string uid = std::to_string(::getuid());
};

TEST_F(VolumeTrashTest, UsesTheSharedTrashOnlyWhenItIsARealStickyFolder) {
    const std::string own = volume / (".Trash-" + uid);
    EXPECT_EQ(trash::VolumeTrash(volume.Path()), own);
    struct stat st;
    ASSERT_EQ(::lstat(own.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    test::RemoveTree(own);

    // Without the sticky bit anyone could remove the others' trash.
    const std::string shared = volume.MakeDir(".Trash");
    ASSERT_EQ(::chmod(shared.c_str(), 0777), 0);
    EXPECT_EQ(trash::VolumeTrash(volume.Path()), own);
    EXPECT_FALSE(Exists(shared + "/" + uid));
    test::RemoveTree(own);

    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    EXPECT_EQ(trash::VolumeTrash(volume.Path()), shared + "/" + uid);
    test::RemoveTree(shared);

    // A link named .Trash, even to a sticky folder, is not used.
    const std::string elsewhere = volume.MakeDir("elsewhere");
    ASSERT_EQ(::chmod(elsewhere.c_str(), 01777), 0);
    ASSERT_EQ(::symlink(elsewhere.c_str(), shared.c_str()), 0);
    EXPECT_EQ(trash::VolumeTrash(volume.Path()), own);
    EXPECT_TRUE(Names(elsewhere).empty());
}

TEST_F(VolumeTrashTest, RecordsThePathRelativeToTheVolume) {
    const std::string file = volume.Write("sub/名前.txt", "volume file");
    const std::string trashDir = trash::VolumeTrash(volume.Path());
    ASSERT_FALSE(trashDir.empty());
    int error = 0;
    ASSERT_TRUE(trash::MoveInto(trashDir, file, "sub/名前.txt", &error));
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(ReadFile(trashDir + "/files/名前.txt"), "volume file");
    EXPECT_EQ(InfoPath(trashDir + "/info/名前.txt.trashinfo"), "sub/%E5%90%8D%E5%89%8D.txt");
}

TEST(MountTrashTest, TheTrashIsTheOneOfTheMountThePathIsReachedThrough) {
    TempTree tree;
    test::ScopedEnv dataHome("XDG_DATA_HOME", tree / "data");
    const std::string uid = std::to_string(::getuid());
    const std::string top = RealPath(tree.Path());
    const auto line = [](const std::string& point) {
        return "40 22 8:1 /x " + point + " rw - x\n";
    };
    // Mount points come escaped; the later of two equal ones covers the other.
    const std::string mountinfo =
        line("/") + line(top + "/outer/in\\040ner") + line(top + "/outer/in\\040ner");
    EXPECT_EQ(trash::MountPointOf(top + "/outer/in ner2", trash::MountPoints(mountinfo)), "/");

    const std::string bound = tree.Write("outer/in ner/sub/名前.txt", "bound");
    ASSERT_TRUE(MoveToTrash(bound, mountinfo));
    const std::string own = tree / "outer/in ner/.Trash-" + uid;
    EXPECT_EQ(ReadFile(own + "/files/名前.txt"), "bound");
    EXPECT_EQ(InfoPath(own + "/info/名前.txt.trashinfo"), "sub/%E5%90%8D%E5%89%8D.txt");
    // The home trash shares the root mount with the rest.
    ASSERT_TRUE(MoveToTrash(tree.Write("outer/plain.txt", "plain"), mountinfo));
    EXPECT_EQ(Names(tree / "data/Trash/files"), std::vector<std::string>{"plain.txt"});
    EXPECT_FALSE(Exists(tree / "outer/.Trash-" + uid));
    // Reached through no listed mount: nothing to rename within.
    EXPECT_FALSE(MoveToTrash(tree.Write("lost.txt", "lost"), line("/elsewhere")));
    EXPECT_TRUE(Exists(tree / "lost.txt"));
}

// Runs `body` in a child with a mount namespace of its own, where `from` is
// bound at `to`; its exit code, or -1 when the system allows no such mount.
int InBindMount(const std::string& from, const std::string& to, const std::function<int()>& body) {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool root = ::geteuid() == 0;
        if (::unshare(CLONE_NEWNS | (root ? 0 : CLONE_NEWUSER)) != 0) ::_exit(77);
        if (!root) {
            test::WriteFile("/proc/self/setgroups", "deny");
            test::WriteFile("/proc/self/uid_map",
                            std::to_string(uid) + " " + std::to_string(uid) + " 1");
            test::WriteFile("/proc/self/gid_map",
                            std::to_string(gid) + " " + std::to_string(gid) + " 1");
        }
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(from.c_str(), to.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            ::_exit(77);
        }
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

TEST(MountTrashTest, AFileReachedThroughABindMountIsRenamedWithinIt) {
    TempTree tree;
    test::ScopedEnv dataHome("XDG_DATA_HOME", tree / "data");
    const std::string uid = std::to_string(::getuid());
    const std::string inner = tree.MakeDir("a/sub");
    const std::string bound = tree.MakeDir("b");
    tree.Write("a/sub/f.txt", "bound");
    // Where a trash made from the device alone would have gone.
    const std::string deviceTrash = trash::DeviceTopOf(RealPath(tree.Path())) + "/.Trash-" + uid;
    const bool deviceTrashBefore = Exists(deviceTrash);

    const int moved =
        InBindMount(inner, bound, [&] { return MoveToTrash(bound + "/f.txt") ? 0 : 1; });
    if (moved < 0) GTEST_SKIP() << "no bind mount allowed here";
    EXPECT_EQ(moved, 0);
    EXPECT_FALSE(Exists(inner + "/f.txt"));
    EXPECT_EQ(ReadFile(inner + "/.Trash-" + uid + "/files/f.txt"), "bound");
    EXPECT_EQ(InfoPath(inner + "/.Trash-" + uid + "/info/f.txt.trashinfo"), "f.txt");
    EXPECT_EQ(Exists(deviceTrash), deviceTrashBefore);
    EXPECT_FALSE(Exists(tree / "data"));  // the home trash is on another mount
}

}  // namespace
}  // namespace nebu::platform
