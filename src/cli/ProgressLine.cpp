#include "cli/ProgressLine.h"

#include <chrono>
#include <ostream>

#include "report/WorkStatusTexts.h"

namespace nebu::cli {

namespace {

std::string SearchCountText(std::int32_t count) {
    if (count == 0) return "NEBU作業状況";
    return "NEBU作業状況  （" + std::to_string(count) + "件検索中）";
}

std::string Bar(int percent, int barWidth) {
    const int filled = percent * barWidth / 100;
    return "[" + std::string(filled, '#') + std::string(barWidth - filled, ' ') + "] " +
           std::to_string(percent) + "%";
}

double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::string ProgressLine::TextFor(const TNebu& job, int barWidth) {
    switch (job.Phase) {
        case kPhaseScanSource:
            return SearchCountText(job.SrcList->Count());
        case kPhaseScanTarget:
            return SearchCountText(job.DstList->Count());
        case kPhaseCompare: {
            const std::int64_t total =
                static_cast<std::int64_t>(job.SrcList->Count()) + job.DstList->Count();
            const std::int64_t done =
                static_cast<std::int64_t>(job.SrcList->Progress()) + job.DstList->Progress();
            // A job that found nothing passes through with a total of 0.
            const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
            return "ファイル比較中 " + Bar(percent, barWidth);
        }
        case kPhaseStopped:
            return "処理中止";
        case kPhaseFinished:
            return "処理終了";
        default:
            return "NEBU作業状況";
    }
}

ProgressLine::ProgressLine(std::ostream& out, bool terminal, Clock clock)
    : out_(out), terminal_(terminal), clock_(clock ? std::move(clock) : Clock(SteadySeconds)) {}

std::string ProgressLine::TerminalTextFor(const TNebu& job, ByteProgress::Snapshot bytes,
                                          std::optional<std::int64_t> remaining, int barWidth) {
    if (job.Phase != kPhaseCompare) return TextFor(job, barWidth);
    return std::string(kComparingCaption) + " " +
           Bar(ProgressPosition(bytes.done, bytes.total), barWidth) + "  " +
           ProgressDetailText(bytes.done, bytes.total, remaining);
}

void ProgressLine::Show(const TNebu& job) {
    std::string text;
    if (terminal_) {
        const ByteProgress::Snapshot bytes = job.Bytes.Read();
        if (job.Phase == kPhaseCompare) remaining_.Observe(clock_(), bytes.done, bytes.total);
        text = TerminalTextFor(job, bytes, remaining_.Seconds());
    } else {
        text = TextFor(job);
    }
    out_ << "\r\033[K" << text << std::flush;
    shown_ = true;
}

void ProgressLine::Clear() {
    if (!shown_) return;
    out_ << "\r\033[K" << std::flush;
    shown_ = false;
}

void ProgressLine::Finish(const TNebu& job) {
    Clear();
    out_ << TextFor(job) << "\n" << std::flush;
}

}  // namespace nebu::cli
