// An archive of many entries is read a bounded number of times, not once per
// entry: the bytes the run reads grow with the archive, not with its square.
// Counted by the kernel (/proc/self/io), so the test does not depend on the
// machine's speed.

#include <gtest/gtest.h>

#include <fstream>

#include "ArchiveJobFixture.h"

namespace nebu::test {
namespace {

std::uint64_t BytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") return value;
    }
    ADD_FAILURE() << "no rchar in /proc/self/io";
    return 0;
}

class ManyEntriesTest : public ArchiveJobTest, public ::testing::WithParamInterface<const char*> {
  protected:
    static constexpr int kEntries = 600;
};

TEST_P(ManyEntriesTest, EachEntryIsFoundWithoutRereadingTheArchivePerEntry) {
    const std::string ext = GetParam();
    std::vector<ArchiveItem> items;
    std::uint64_t contentBytes = 0;
    for (int i = 1; i <= kEntries; ++i) {
        // One size group per entry, the worst case for reading per entry.
        const std::string name = "d" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".bin";
        const std::string data =
            Compressible(static_cast<std::size_t>(i), static_cast<char>('a' + i % 26));
        tree_.Write("src/" + name, data);
        items.push_back(Item(name, data));
        contentBytes += data.size();
    }
    const std::string archive = D("many" + ext);
    tree_.MakeDir("dst");
    if (ext == ".zip") {
        MakeZip(archive, items);
    } else if (ext == ".7z") {
        MakeArc(archive, items, ArcWriter::SevenZip);
    } else if (ext == ".tar.gz") {
        MakeArc(archive, items, ArcWriter::TarGz);
    } else {
        MakeLzh(archive, items);
    }
    const std::uint64_t archiveBytes = ReadFile(archive).size();

    const std::uint64_t before = BytesReadSoFar();
    RunResult r = Run(kPlainSide, kEveryArchiveSide);
    const std::uint64_t read = BytesReadSoFar() - before;

    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), static_cast<std::size_t>(kEntries));
    EXPECT_EQ(LinesContaining(r.log, "全てファイル").size(), 1u);
    // Source files, archive and extracted copies, each read a few times.
    EXPECT_LT(read, 20 * (archiveBytes + contentBytes) + (1u << 20));
}

INSTANTIATE_TEST_SUITE_P(Kinds, ManyEntriesTest,
                         ::testing::Values(".zip", ".lzh", ".7z", ".tar.gz"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name(info.param + 1);
                             for (char& c : name) c = c == '.' ? '_' : c;
                             return name;
                         });

}  // namespace
}  // namespace nebu::test
