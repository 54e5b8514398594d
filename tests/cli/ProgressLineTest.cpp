#include <gtest/gtest.h>

#include <sstream>

#include "cli/ProgressLine.h"
#include "platform/FileReading.h"

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

// Each Show is one tick of a clock the test owns, with 10 MB read per tick
// of 100 MB planned. The last text drawn on the line is returned.
std::string LastDrawn(const std::string& out) {
    const auto at = out.rfind("\r\033[K");
    return at == std::string::npos ? out : out.substr(at + 4);
}

TEST(ProgressLineTest, OnATerminalShowsBytesAndTheTimeLeft) {
    constexpr std::int64_t kMB = 1024 * 1024;
    TNebu job;
    double now = 100;
    std::ostringstream terminal;
    std::ostringstream pipe;
    cli::ProgressLine onTerminal(terminal, true, [&] { return now; });
    cli::ProgressLine onPipe(pipe, false, [&] { return now; });
    job.Bytes.Reset();
    job.Bytes.AddPlanned(100 * kMB);
    job.Bytes.BeginSpan(100 * kMB);
    job.Phase = kPhaseCompare;
    std::vector<std::string> drawn;
    for (int tick = 0; tick <= 5; ++tick) {
        onTerminal.Show(job);
        onPipe.Show(job);
        drawn.push_back(LastDrawn(terminal.str()));
        platform::CountBytesRead(10 * kMB);
        now += 1;
    }
    EXPECT_EQ(drawn[0], "ファイル比較中 [" + std::string(20, ' ') + "] 0%  0 B / 100 MB");
    // Too early to tell after two seconds ...
    EXPECT_EQ(drawn[2], "ファイル比較中 [####" + std::string(16, ' ') + "] 20%  20.0 MB / 100 MB");
    // ... then 10 MB a second with 50 MB to go.
    EXPECT_EQ(drawn[5], "ファイル比較中 [##########" + std::string(10, ' ') +
                            "] 50%  50.0 MB / 100 MB  残り 0:05");
    // Without a terminal the line is what it always was.
    EXPECT_EQ(LastDrawn(pipe.str()), "ファイル比較中 [                              ] 0%");
}

}  // namespace
}  // namespace nebu::test
