#include "cli/ProgressLine.h"

#include <ostream>

namespace nebu::cli {

namespace {

std::string SearchCountText(std::int32_t count) {
    if (count == 0) return "NEBU作業状況";
    return "NEBU作業状況  （" + std::to_string(count) + "件検索中）";
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
            const int filled = percent * barWidth / 100;
            return "ファイル比較中 [" + std::string(filled, '#') +
                   std::string(barWidth - filled, ' ') + "] " + std::to_string(percent) + "%";
        }
        case kPhaseStopped:
            return "処理中止";
        case kPhaseFinished:
            return "処理終了";
        default:
            return "NEBU作業状況";
    }
}

void ProgressLine::Show(const TNebu& job) {
    out_ << "\r\033[K" << TextFor(job) << std::flush;
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
