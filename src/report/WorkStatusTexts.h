#pragma once
// Texts and small sums of the work-status window, kept apart from the widgets.

#include <cstddef>
#include <cstdint>
#include <string>

namespace nebu {

inline constexpr const char* kWorkStatusCaption = "NEBU作業状況";
inline constexpr const char* kSearchingCaption = "ファイル検索中";
inline constexpr const char* kComparingCaption = "ファイル比較中";
// The blank half of the blinking caption. An empty title would not look
// blank: the window system shows the application's name for it instead. One
// ideographic space is a title that shows nothing.
inline constexpr const char* kBlankCaption = "\u3000";
inline constexpr const char* kStoppedCaption = "処理中止";
inline constexpr const char* kFinishedCaption = "処理終了";
inline constexpr const char* kStopButtonText = "中　止";
inline constexpr const char* kCloseButtonText = "閉じる";
inline constexpr const char* kSamePageCaption = "同じファイルリスト";
inline constexpr const char* kDiffPageCaption = "違うファイルリスト";
inline constexpr const char* kDisplayLimitWarning =
    "「同じﾌｧｲﾙの件数」が表示限界(5000件)"
    "に達しています。表示されない同じﾌｧｲﾙがある可能性があります。";
inline constexpr std::size_t kDisplayLimitRows = 5000;
// The log memo keeps this many of the latest lines.
inline constexpr std::size_t kMemoLines = 201;

// "NEBU作業状況  （N件検索中）", or the plain caption for 0.
std::string SearchCountCaption(std::int64_t count);
// The caption after `current` while comparing: the blank one after any text,
// "ファイル比較中" after the blank one (or an empty one).
std::string NextBlinkCaption(const std::string& current);
// done x 100 / total, truncated; 0 when there is nothing to count yet.
int ProgressPosition(std::int64_t done, std::int64_t total);
// "同じファイルリスト(N件)".
std::string SamePageCaptionWithCount(std::size_t rows);

}  // namespace nebu
