// 7z, tar and RAR archives where they break or resist: damaged and cut
// short, encrypted entries, hostile names, partly covered targets, and
// archives found by their bytes alone.

#include <gtest/gtest.h>

#include <algorithm>

#include "ArchiveJobFixture.h"
#include "engine/NebuFileFunc.h"
#include "platform/ArchiverApi.h"

namespace nebu::test {
namespace {

std::string DamagedLine(const std::string& archive) {
    return "圧縮ファイルが壊れているか読めない形式なので、そのままにしました / "
           "damaged or unsupported archive, left as it is: " +
           archive;
}

class ArcFormatsTest : public ArchiveJobTest {
  protected:
    void SetUp() override {
        tree_.MakeDir("src");
        tree_.MakeDir("dst");
        tree_.MakeDir("build");
    }
    const std::string photo_ = RandomBytes(40000, 3);
    const std::string memo_ = Compressible(2000, 'm');
};

TEST_F(ArcFormatsTest, DamagedArchivesAreNamedAndChangeNothing) {
    MakeArc(tree_ / "build/whole.tar.gz", {Item("写真.bin", photo_), Item("メモ.txt", memo_)},
            ArcWriter::TarGz);
    MakeCorruptCopy(tree_ / "build/whole.tar.gz", S("切れた.tar.gz"), Damage::Truncate);
    MakeArc(tree_ / "build/solid.7z", {Item("写真.bin", photo_)}, ArcWriter::SevenZip);
    MakeCorruptCopy(tree_ / "build/solid.7z", S("壊れた.7z"), Damage::Garble);
    MakeGarbage(S("偽物.rar"));
    tree_.Write("dst/写真.bin", photo_);
    tree_.Write("dst/メモ.txt", memo_);
    const auto before = Snapshot(tree_ / "dst");
    DeleteWithoutAsking();
    host_.messageAnswers = {MsgAnswer::Yes, MsgAnswer::Yes, MsgAnswer::Yes};
    RunResult r = Run(kEveryArchiveSide, kPlainSide);
    EXPECT_EQ(Snapshot(tree_ / "dst"), before);
    EXPECT_TRUE(LinesContaining(r.log, "が同じです").empty());
    for (const char* name : {"切れた.tar.gz", "壊れた.7z", "偽物.rar"}) {
        EXPECT_EQ(LinesContaining(r.log, DamagedLine(S(name))).size(), 1u) << name;
    }
    EXPECT_EQ(ClosingWord(r.log), "処理終了");
}

TEST_F(ArcFormatsTest, AnEncryptedEntryIsAskedAboutAndItsDuplicateKept) {
    MakeEncryptedZip(S("秘密.zip"), {Item("写真.bin", photo_)}, "ひみつ");
    tree_.Write("dst/写真.bin", photo_);
    DeleteWithoutAsking();
    host_.messageAnswers = {MsgAnswer::Yes};
    RunResult r = Run(kEveryArchiveSide, kPlainSide);
    EXPECT_EQ(host_.questions, (std::vector<std::string>{FailedExtractionQuestion(S("秘密.zip"))}));
    EXPECT_TRUE(Exists(D("写真.bin")));
    EXPECT_TRUE(LinesContaining(r.log, "が同じです").empty());
}

TEST_F(ArcFormatsTest, HostileNamesInATarAreNeverWrittenOut) {
    MakeArc(S("逃げる.tar"),
            {Item("../../外/写真.bin", photo_), Item("/etc/メモ.txt", memo_), Item("ok.txt", "ok")},
            ArcWriter::Tar);
    tree_.Write("dst/写真.bin", photo_);
    tree_.Write("dst/メモ.txt", memo_);
    tree_.Write("dst/ok.txt", "ok");
    DeleteWithoutAsking();
    host_.messageAnswers.assign(4, MsgAnswer::Yes);
    RunResult r = Run(kEveryArchiveSide, kPlainSide);
    for (const std::string& question : host_.questions) {
        EXPECT_EQ(question, FailedExtractionQuestion(S("逃げる.tar")));
    }
    EXPECT_TRUE(Exists(D("写真.bin")));
    EXPECT_TRUE(Exists(D("メモ.txt")));
    EXPECT_FALSE(Exists(D("ok.txt")));
    EXPECT_FALSE(Exists(tree_ / "外"));
    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), 1u);
}

TEST_F(ArcFormatsTest, APartlyCoveredTarGzStaysAndAFullyCoveredOneGoes) {
    tree_.Write("src/写真.bin", photo_);
    tree_.Write("src/別/メモ.txt", memo_);
    MakeArc(D("全部.tar.gz"), {Folder("中"), Item("中/写真.bin", photo_), Item("メモ.txt", memo_)},
            ArcWriter::TarGz);
    MakeArc(D("一部.tar.gz"), {Item("写真.bin", photo_), Item("新しい.txt", "only here")},
            ArcWriter::TarGz);
    DeleteWithoutAsking();
    RunResult r = Run(kPlainSide, kEveryArchiveSide);
    EXPECT_EQ(LinesContaining(r.log, "全てファイル"),
              (std::vector<std::string>{CompleteArchiveLine(D("全部.tar.gz"))}));
    EXPECT_FALSE(Exists(D("全部.tar.gz")));
    EXPECT_TRUE(Exists(D("一部.tar.gz")));
    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), 3u);
}

// A file that is no archive by name is listed when its bytes are one of
// the formats; RAR stands here for all that libarchive reads but cannot
// write.
TEST_F(ArcFormatsTest, ArchivesAreFoundByTheirBytes) {
    MakeRar4(S("rar.bin"), {Folder("フォルダ"), Item("フォルダ/写真.bin", photo_)});
    MakeArc(S("7z.bin"), {Item("メモ.txt", memo_)}, ArcWriter::SevenZip);
    MakeArc(S("zst.bin"), {Item("ok.txt", "ok")}, ArcWriter::TarZst);
    tree_.Write("src/zeros.bin", std::string(4096, '\0'));
    TNebuFileFunc ff;
    ASSERT_TRUE(ff.ArcReady);
    const auto check = ff.ArcLibrary().CheckArchive;
    EXPECT_TRUE(check(S("rar.bin").c_str(), 0));
    EXPECT_TRUE(check(S("7z.bin").c_str(), 0));
    EXPECT_TRUE(check(S("zst.bin").c_str(), 0));
    EXPECT_FALSE(check(S("zeros.bin").c_str(), 0));

    ff.Scan.Arc = true;
    ff.Scan.Mask = "*;";
    TNebuList list;
    ff.ScanDirectory(tree_ / "src", list);
    std::vector<std::string> entries;
    NebuRec rec;
    for (bool more = list.FirstFile(rec); more; more = list.NextFile(rec)) {
        EXPECT_EQ(rec.Kind, kKindArc);
        entries.push_back(rec.Entry + "@" + std::to_string(rec.Size));
    }
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries,
              (std::vector<std::string>{"ok.txt@2", "フォルダ/写真.bin@40000", "メモ.txt@2000"}));
}

}  // namespace
}  // namespace nebu::test
