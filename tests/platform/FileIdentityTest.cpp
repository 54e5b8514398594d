#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileIdentity.h"
#include "support/TempTree.h"

namespace nebu::platform {
namespace {

using test::TempTree;

// Change times come from a coarse clock: once it has passed the file's,
// the next change gives the file another.
void WaitUntilTheClockPasses(const std::string& path) {
    const std::int64_t ctime = IdentityOfPath(path)->ctimeNs;
    for (;;) {
        timespec now;
        ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
        if (static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec > ctime) return;
        ::sched_yield();
    }
}

TEST(FileIdentity, ARewriteWithSizeAndModificationTimePutBackIsAChange) {
    TempTree tree;
    const std::string file = tree.Write("保存/写真.jpg", "the picture!");
    const FileIdentity before = *IdentityOfPath(file);
    WaitUntilTheClockPasses(file);
    test::WriteFile(file, "a forgery!!!");
    const timespec times[2] = {{0, UTIME_OMIT},
                               {before.mtimeNs / 1000000000, before.mtimeNs % 1000000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    const FileIdentity after = *IdentityOfPath(file);
    EXPECT_EQ(after.size, before.size);
    EXPECT_EQ(after.mtimeNs, before.mtimeNs);
    EXPECT_FALSE(after == before);
}

TEST(FileIdentity, RemovingAnotherNameOfTheFileIsNoChangeOfIt) {
    TempTree tree;
    const std::string kept = tree.Write("元/a.txt", "one file, three names");
    const std::string second = tree / "元/b.txt";
    const std::string third = tree / "元/c.txt";
    ASSERT_EQ(::link(kept.c_str(), second.c_str()), 0);
    ASSERT_EQ(::link(kept.c_str(), third.c_str()), 0);
    const FileIdentity before = *IdentityOfPath(kept);

    // Removed twice, each time giving the file a new change time.
    for (const std::string& name : {second, third}) {
        const std::int64_t ctime = IdentityOfPath(kept)->ctimeNs;
        WaitUntilTheClockPasses(kept);
        ASSERT_TRUE(RemoveNotingLinks(name, [&] { return ::unlink(name.c_str()) == 0; }));
        ASSERT_NE(IdentityOfPath(kept)->ctimeNs, ctime);
        EXPECT_TRUE(*IdentityOfPath(kept) == before);
        EXPECT_TRUE(before == *IdentityOfPath(kept));
    }

    // A change made by anyone else still counts.
    WaitUntilTheClockPasses(kept);
    ASSERT_EQ(::chmod(kept.c_str(), 0640), 0);
    EXPECT_FALSE(*IdentityOfPath(kept) == before);

    // A failed removal notes nothing, and errno stays the removal's own.
    errno = 0;
    EXPECT_FALSE(RemoveNotingLinks(tree / "missing", [] {
        errno = ENOENT;
        return false;
    }));
    EXPECT_EQ(errno, ENOENT);
}

}  // namespace
}  // namespace nebu::platform
