#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/ArchiveStream.h"
#include "support/ArchiveFixtures.h"
#include "support/TempTree.h"

namespace nebu::platform {
namespace {

// Runs to the entry called `name`.
bool Seek(ArchiveStream& stream, const std::string& name, StoredEntry& entry) {
    while (stream.Next(entry) == ArchiveStream::Step::Entry) {
        if (entry.name == name) return true;
    }
    return false;
}

// What CopyData writes, caught in a pipe: even bytes of a file removed
// afterwards would show here.
std::string WrittenBy(ArchiveStream& stream, std::uint64_t declared, bool* ok) {
    int fds[2];
    EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
    std::string error;
    *ok = stream.CopyData(fds[1], declared, error);
    close(fds[1]);
    std::string written;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) written.append(buffer, n);
    close(fds[0]);
    if (!*ok) {
        EXPECT_FALSE(error.empty());
    }
    return written;
}

TEST(ArchiveStream, NeverWritesMoreThanTheHeaderDeclares) {
    test::TempTree tree;
    std::string zip = tree / "long.zip", lzh = tree / "long.lzh";
    test::MakeRawZip(zip, {{"long.bin", std::string(5000, 'Z'), 100, true}});
    test::MakeRawLzh(lzh, {{"long.bin", std::string(5000, 'L'), 100}});
    for (auto [path, format] : {std::pair{zip, ArchiveFormat::Zip}, {lzh, ArchiveFormat::Lzh}}) {
        auto stream = ArchiveStream::Open(path, format);
        ASSERT_TRUE(stream) << path;
        StoredEntry entry;
        ASSERT_TRUE(Seek(*stream, "long.bin", entry)) << path;
        EXPECT_EQ(entry.size, 100u);
        bool ok = true;
        std::string written = WrittenBy(*stream, entry.size, &ok);
        EXPECT_FALSE(ok) << path;
        EXPECT_LE(written.size(), 100u) << path;
    }
}

TEST(ArchiveStream, CopiesExactlyTheDeclaredBytes) {
    test::TempTree tree;
    std::string zip = tree / "ok.zip";
    std::string data = test::RandomBytes(200000, 11);
    test::MakeZip(zip, {{"dir/データ.bin", data}});
    auto stream = ArchiveStream::Open(zip, ArchiveFormat::Zip);
    ASSERT_TRUE(stream);
    StoredEntry entry;
    ASSERT_TRUE(Seek(*stream, "dir/データ.bin", entry));
    EXPECT_EQ(entry.type, StoredEntry::File);
    std::string path = tree / "out.bin";
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    std::string error;
    EXPECT_TRUE(stream->CopyData(fd, entry.size, error)) << error;
    close(fd);
    EXPECT_EQ(test::ReadFile(path), data);
    EXPECT_EQ(stream->Next(entry), ArchiveStream::Step::End);
}

}  // namespace
}  // namespace nebu::platform
