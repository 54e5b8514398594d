// An entry that cannot be extracted: the user is asked whether to go on, and
// each mode stops where it takes over that answer.

#include <gtest/gtest.h>
#include <unistd.h>

#include "ArchiveJobFixture.h"

namespace nebu::test {
namespace {

// Four bytes by its headers, eight in its data: it is listed, and every
// extraction of it fails.
void MakeBrokenZip(const std::string& path, const std::vector<std::string>& names) {
    std::vector<RawZipEntry> entries;
    for (const auto& name : names) entries.emplace_back(name, "BAD!BAD!", 4u, true);
    MakeRawZip(path, entries);
}

class ExtractionFailureTest : public ArchiveJobTest, public ::testing::WithParamInterface<bool> {
  protected:
    bool GoOn() const { return GetParam(); }
    void Answer() { host_.messageAnswers = {GoOn() ? MsgAnswer::Yes : MsgAnswer::No}; }
    void ExpectEnd(const RunResult& r) {
        EXPECT_EQ(ClosingWord(r.log), GoOn() ? "処理終了" : "処理中止");
        EXPECT_EQ(job_.Phase, GoOn() ? kPhaseFinished : kPhaseStopped);
        EXPECT_EQ(job_.Stop, GoOn() ? 0 : 1);
        // Entries were left out: the run is not a clean one, whatever the answer.
        EXPECT_EQ(LinesContaining(r.log, "could not extract from archive: ").size(), 1u);
        EXPECT_EQ(job_.FileFunc->Failures.Count(), 1);
    }
    const std::string good_ = RandomBytes(8, 30);
};

TEST_P(ExtractionFailureTest, SourceArchivesStopAfterTheSourceEntry) {
    tree_.MakeDir("src");
    MakeBrokenZip(S("壊れた.zip"), {"壊れ.txt"});
    MakeZip(S("good.zip"), {Item("good", good_)});
    tree_.Write("dst/four", "four");
    tree_.Write("dst/eight", good_);
    Answer();
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kPlainSide);
    EXPECT_EQ(host_.questions,
              (std::vector<std::string>{FailedExtractionQuestion(S("壊れた.zip"))}));
    // The eight-byte group comes after the stop.
    EXPECT_EQ(Exists(D("eight")), !GoOn());
    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), GoOn() ? 1u : 0u);
    EXPECT_TRUE(Exists(D("four")));
    ExpectEnd(r);
}

TEST_P(ExtractionFailureTest, TargetArchivesStopAfterTheTargetEntry) {
    tree_.Write("src/four", "four");
    tree_.Write("src/eight", good_);
    tree_.MakeDir("dst");
    MakeBrokenZip(D("壊れた.zip"), {"壊れ.txt"});
    MakeZip(D("good.zip"), {Item("good", good_)});
    Answer();
    DeleteWithoutAsking();
    RunResult r = Run(kPlainSide, kArchiveSide);
    EXPECT_EQ(host_.questions,
              (std::vector<std::string>{FailedExtractionQuestion(D("壊れた.zip"))}));
    EXPECT_EQ(Exists(D("good.zip")), !GoOn());
    EXPECT_EQ(LinesContaining(r.log, "全てファイル").size(), GoOn() ? 1u : 0u);
    EXPECT_TRUE(Exists(D("壊れた.zip")));
    ExpectEnd(r);
}

TEST_P(ExtractionFailureTest, EntriesStopAfterTheTargetEntry) {
    tree_.MakeDir("src");
    tree_.MakeDir("dst");
    MakeZip(S("s.zip"), {Item("four", "four"), Item("good", good_)});
    MakeBrokenZip(D("壊れた.zip"), {"壊れ.txt"});
    MakeZip(D("t.zip"), {Item("good2", good_)});
    Answer();
    RunResult r = Run(kArchiveSide, kArchiveSide, true);
    EXPECT_EQ(host_.questions,
              (std::vector<std::string>{FailedExtractionQuestion(D("壊れた.zip"))}));
    EXPECT_EQ(r.pairs.size(), GoOn() ? 1u : 0u);
    ExpectEnd(r);
}

TEST_P(ExtractionFailureTest, EntriesAskNoMoreOnceTheUserDeclinedToGoOn) {
    tree_.MakeDir("src");
    tree_.MakeDir("dst");
    MakeBrokenZip(S("壊れた.zip"), {"壊れ1.txt", "壊れ2.txt"});
    MakeZip(D("t.zip"), {Item("four", "four")});
    host_.messageAnswers = {GoOn() ? MsgAnswer::Yes : MsgAnswer::No, MsgAnswer::Yes};
    RunResult r = Run(kArchiveSide, kArchiveSide, true);
    // Going on, both source entries fail and are asked about; after No the
    // second one is never tried.
    EXPECT_EQ(host_.questions.size(), GoOn() ? 2u : 1u);
    for (const auto& q : host_.questions) EXPECT_EQ(q, FailedExtractionQuestion(S("壊れた.zip")));
    EXPECT_TRUE(r.pairs.empty());
    ExpectEnd(r);
}

TEST_P(ExtractionFailureTest, WholeArchivesStopAfterTheArchiveAndDropTheGroupsPairs) {
    // The good source archive is walked first (it was found last), finds its
    // duplicate, and then the broken one of the same size stops the job.
    tree_.MakeDir("src/a");
    tree_.MakeDir("src/b");
    tree_.MakeDir("dst");
    MakeZip(S("a/good.zip"), {Item("four", "four")});
    MakeBrokenZip(S("b/壊れた.zip"), {"壊れ.txt"});
    MakeZip(D("t.zip"), {Item("4", "four")});
    Answer();
    DeleteWithoutAsking();
    RunResult r = RunOver({S("a"), S("b")}, {tree_ / "dst"}, kArchiveSide, kArchiveSide);
    EXPECT_EQ(host_.questions,
              (std::vector<std::string>{FailedExtractionQuestion(S("b/壊れた.zip"))}));
    // The target was found equal before the stop ...
    NebuRec rec;
    ASSERT_TRUE(job_.DstList->FirstFile(rec));
    EXPECT_EQ(rec.Matched, 1);
    // ... yet after No its pair is neither logged, listed nor deleted.
    EXPECT_EQ(LinesContaining(r.log, "が同じです").size(), GoOn() ? 1u : 0u);
    EXPECT_EQ(LinesContaining(r.log, "削除しました").size(), GoOn() ? 1u : 0u);
    EXPECT_EQ(Exists(D("t.zip")), !GoOn());
    EXPECT_TRUE(r.pairs.empty());
    ExpectEnd(r);
}

TEST_P(ExtractionFailureTest, ADamagedLzhAsksAboutTheEntryItStillLists) {
    tree_.MakeDir("src");
    // The damage falls into the data of the first entry and the header of
    // the second: the first is still listed, but cannot be extracted.
    const std::string first = RandomBytes(6000, 33);
    MakeLzh(S("whole.lzh"), {Item("first", first), Item("second", RandomBytes(100, 34))});
    MakeCorruptCopy(S("whole.lzh"), S("damaged.lzh"), Damage::Garble);
    ASSERT_EQ(::unlink(S("whole.lzh").c_str()), 0);
    tree_.Write("dst/first", first);
    tree_.Write("dst/eight", good_);
    MakeZip(S("good.zip"), {Item("good", good_)});
    Answer();
    DeleteWithoutAsking();
    RunResult r = Run(kArchiveSide, kPlainSide);
    EXPECT_EQ(host_.questions,
              (std::vector<std::string>{FailedExtractionQuestion(S("damaged.lzh"))}));
    EXPECT_TRUE(Exists(D("first")));
    ExpectEnd(r);
}

INSTANTIATE_TEST_SUITE_P(Answer, ExtractionFailureTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "GoOn" : "Stop";
                         });

class DamagedArchiveTest : public ArchiveJobTest {};

TEST_F(DamagedArchiveTest, ADamagedZipContributesNothingAndAsksNothing) {
    tree_.MakeDir("src");
    const std::string data = RandomBytes(3000, 31);
    MakeZip(S("whole.zip"), {Item("a", data), Item("b", RandomBytes(3000, 32))});
    MakeCorruptCopy(S("whole.zip"), S("truncated.zip"), Damage::Truncate);
    MakeCorruptCopy(S("whole.zip"), S("garbled.zip"), Damage::Garble);
    ASSERT_EQ(::unlink(S("whole.zip").c_str()), 0);
    MakeZip(S("good.zip"), {Item("x", "xx")});
    tree_.Write("dst/a", data);
    tree_.Write("dst/x", "xx");
    job_.NoDelete = 0;
    RunResult r = Run(kArchiveSide, kPlainSide);
    EXPECT_EQ(LinesContaining(r.log, "比較元").at(0), "比較元1件検索しました。");
    EXPECT_TRUE(host_.questions.empty());
    EXPECT_TRUE(Exists(D("a")));
    EXPECT_FALSE(Exists(D("x")));
}

}  // namespace
}  // namespace nebu::test
