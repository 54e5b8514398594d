// Files opened by name inside held folders: more folders than may be held at
// once still give every file's own bytes, descriptors stay bounded, and links
// are still refused.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileReading.h"
#include "platform/FolderHandles.h"
#include "support/TempTree.h"

namespace nebu::test {
namespace {

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

std::string ReadAll(int fd) {
    char buffer[64];
    const long n = platform::ReadFull(fd, buffer, sizeof buffer);
    ::close(fd);
    return n < 0 ? "" : std::string(buffer, static_cast<std::size_t>(n));
}

TEST(FolderHandlesTest, ManyMoreFoldersThanHeldStillOpenEachFileOnceAndBounded) {
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = 80;  // a quarter: 20 folders held at most
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);

    TempTree tree;
    std::vector<std::string> paths;
    for (int i = 0; i < 50; ++i) {
        const std::string n = std::to_string(i);
        paths.push_back(tree.Write("フォルダ" + n + "/ファイル.txt", "中身" + n));
    }
    const std::size_t before = OpenDescriptors();
    {
        platform::FolderHandles folders;
        // Twice through, in an order that keeps leaving the held folders.
        for (int round = 0; round < 2; ++round) {
            for (int k = 0; k < 50; ++k) {
                const int i = (k * 17 + round * 5) % 50;
                const int fd = folders.OpenForReading(paths[static_cast<std::size_t>(i)]);
                ASSERT_GE(fd, 0) << paths[static_cast<std::size_t>(i)];
                EXPECT_EQ(ReadAll(fd), "中身" + std::to_string(i));
                EXPECT_LE(OpenDescriptors(), before + 20);
            }
        }
        // A name that became a link is not followed, as with a whole path.
        std::filesystem::remove(paths[3]);
        std::filesystem::create_symlink(paths[4], paths[3]);
        EXPECT_LT(folders.OpenForReading(paths[3]), 0);
        // A folder gone since is reported like a missing file.
        std::filesystem::remove_all(tree / "フォルダ7");
        EXPECT_LT(folders.OpenForReading(paths[7]), 0);
        folders.Clear();
        EXPECT_EQ(OpenDescriptors(), before);
    }
    ::setrlimit(RLIMIT_NOFILE, &saved);
}

}  // namespace
}  // namespace nebu::test
