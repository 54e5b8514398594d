#include "report/ListSort.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "platform/PathText.h"

namespace nebu {

namespace {
constexpr std::size_t kSizePadding = 15;
const std::string kNoText;
}  // namespace

const std::string& ColumnText(const SameRow& row, int column) {
    switch (column) {
        case 0:
            return row.TargetName;
        case 1:
            return row.TargetFolder;
        case 2:
            return row.SizeText;
        case 3:
            return row.SourceName;
        case 4:
            return row.SourceFolder;
        default:
            return kNoText;
    }
}

const std::string& ColumnText(const DiffRow& row, int column) {
    switch (column) {
        case 0:
            return row.TargetName;
        case 1:
            return row.TargetFolder;
        case 2:
            return row.TargetSize;
        case 3:
            return row.SourceName;
        case 4:
            return row.SourceFolder;
        case 5:
            return row.SourceSize;
        default:
            return kNoText;
    }
}

void NextSortDirection(ListSortState& state, int column) {
    state.Direction = column == state.LastColumn ? -state.Direction : 1;
    state.LastColumn = column;
}

std::vector<int> SortedRowOrder(std::size_t count,
                                const std::function<std::string_view(std::size_t)>& textOf,
                                bool sizeColumn, int direction) {
    // Keys are made once, not per comparison: sorting 200,000 rows compares
    // millions of times.
    std::vector<std::string> keys(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view text = textOf(i);
        if (sizeColumn && text.size() < kSizePadding) {
            keys[i].assign(kSizePadding - text.size(), ' ');
        }
        keys[i].append(text);
    }
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return platform::CompareAsciiNoCase(keys[a], keys[b]) * direction < 0;
    });
    return order;
}

}  // namespace nebu
