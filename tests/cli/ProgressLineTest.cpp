#include <gtest/gtest.h>

#include "cli/ProgressLine.h"

namespace nebu::test {
namespace {

void AddFiles(TNebuList& list, int count, std::int64_t size) {
    for (int i = 0; i < count; ++i) {
        NebuRec rec;
        rec.Size = size;
        rec.Path = "/f" + std::to_string(size) + "-" + std::to_string(i);
        list.AddSorted(rec);
    }
}

TEST(ProgressLineTest, ShowsWhatTheWorkStatusWindowShows) {
    TNebu job;
    job.Phase = kPhaseScanSource;
    EXPECT_EQ(cli::ProgressLine::TextFor(job), "NEBU作業状況");
    AddFiles(*job.SrcList, 12, 10);
    EXPECT_EQ(cli::ProgressLine::TextFor(job), "NEBU作業状況  （12件検索中）");
    job.Phase = kPhaseScanTarget;
    AddFiles(*job.DstList, 3, 10);
    EXPECT_EQ(cli::ProgressLine::TextFor(job), "NEBU作業状況  （3件検索中）");

    job.Phase = kPhaseCompare;
    AddFiles(*job.DstList, 5, 20);
    std::int64_t size = 0;
    ASSERT_TRUE(job.SrcList->FirstGroup(size));
    ASSERT_TRUE(job.DstList->FirstGroup(size));
    // 12 + 3 of 12 + 8 files visited: 75%.
    EXPECT_EQ(cli::ProgressLine::TextFor(job, 4), "ファイル比較中 [### ] 75%");
    job.Phase = kPhaseStopped;
    EXPECT_EQ(cli::ProgressLine::TextFor(job), "処理中止");
    job.Phase = kPhaseFinished;
    EXPECT_EQ(cli::ProgressLine::TextFor(job), "処理終了");
}

TEST(ProgressLineTest, EmptyListsWhileComparingDoNotDivideByZero) {
    TNebu job;
    job.Phase = kPhaseCompare;
    EXPECT_EQ(cli::ProgressLine::TextFor(job, 2), "ファイル比較中 [  ] 0%");
}

}  // namespace
}  // namespace nebu::test
