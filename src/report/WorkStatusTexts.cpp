#include "report/WorkStatusTexts.h"

namespace nebu {

std::string SearchCountCaption(std::int64_t count) {
    if (count == 0) return kWorkStatusCaption;
    return std::string(kWorkStatusCaption) + "  （" + std::to_string(count) + "件検索中）";
}

std::string NextBlinkCaption(const std::string& current) {
    if (current.empty() || current == kBlankCaption) return kComparingCaption;
    return kBlankCaption;
}

int ProgressPosition(std::int64_t done, std::int64_t total) {
    if (total <= 0) return 0;
    return static_cast<int>(done * 100 / total);
}

std::string SamePageCaptionWithCount(std::size_t rows) {
    return std::string(kSamePageCaption) + "(" + std::to_string(rows) + "件)";
}

}  // namespace nebu
