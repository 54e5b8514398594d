#pragma once
// Column sorting of the results lists: one click sorts ascending, a further
// click on the same column reverses it; the direction and the last column are
// shared by both lists.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "report/DiffList.h"

namespace nebu {

struct ListSortState {
    int Direction = 1;  // 1 or -1
    int LastColumn = -1;
};

// The text of a column (0 is the caption); an unknown column is empty.
const std::string& ColumnText(const SameRow& row, int column);
const std::string& ColumnText(const DiffRow& row, int column);

// Applies a click on `column` to the shared state.
void NextSortDirection(ListSortState& state, int column);

// The rows' new order (result[newPosition] = oldPosition), stable, by the
// texts of one column compared with ASCII letters' case ignored. A size
// column's texts are compared as if padded on the left with blanks to 15
// characters, so that they order like numbers.
std::vector<int> SortedRowOrder(std::size_t count,
                                const std::function<std::string_view(std::size_t)>& textOf,
                                bool sizeColumn, int direction);

}  // namespace nebu
