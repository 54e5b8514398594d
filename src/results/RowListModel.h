#pragma once
// What the two results lists share: a table over a vector of plain rows,
// sorted by column with the shared sort state and without per-row signals.

#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "report/ListSort.h"

namespace nebu {

template <typename Row, int ColumnCount>
class RowListModel : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : ColumnCount;
    }
    const std::vector<Row>& Rows() const { return rows_; }

    // Sorts by `column` as a click on its header does; selections and other
    // persistent indexes follow their rows.
    void SortByColumn(int column, ListSortState& state) {
        if (column < 0 || column >= ColumnCount) return;
        NextSortDirection(state, column);
        const std::vector<int> order = SortedRowOrder(
            rows_.size(), [&](std::size_t i) -> std::string_view { return Text(rows_[i], column); },
            IsSizeColumn(column), state.Direction);
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::vector<Row> sorted;
        sorted.reserve(rows_.size());
        std::vector<int> newPosition(rows_.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            sorted.push_back(std::move(rows_[order[i]]));
            newPosition[order[i]] = static_cast<int>(i);
        }
        rows_.swap(sorted);
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before) {
            after.append(this->index(newPosition[index.row()], index.column()));
        }
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

    static bool IsSizeColumn(int column) { return column == 2 || column == 5; }
    static const std::string& Text(const Row& row, int column) { return ColumnText(row, column); }

  protected:
    QVariant CellData(const QModelIndex& index, int role) const {
        if (!index.isValid() || index.row() >= rowCount()) return {};
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
            return QString::fromStdString(Text(rows_[index.row()], index.column()));
        }
        if (role == Qt::TextAlignmentRole && IsSizeColumn(index.column())) {
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        }
        return {};
    }

    // Replaces every row in one reset.
    void ResetRows(std::vector<Row> rows) {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
    }

    std::vector<Row> rows_;
};

}  // namespace nebu
