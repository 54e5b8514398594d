#pragma once
// The ﾌｫﾙﾀﾞ別 page's list: one row per target folder with how many of its
// searched files (and bytes) were found on the source side. Display texts
// in Qt::DisplayRole, the values to sort by in Qt::UserRole.

#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "report/FolderCoverage.h"

namespace nebu {

inline constexpr const char* kFolderPageCaption = "ﾌｫﾙﾀﾞ別";

class FolderListModel : public QAbstractTableModel {
  public:
    enum Column { kFolder, kFound, kFiles, kFoundBytes, kBytes, kAllFound, kColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void SetRows(std::vector<FolderCoverageRow> rows);
    const std::vector<FolderCoverageRow>& Rows() const { return rows_; }

  private:
    std::vector<FolderCoverageRow> rows_;
};

}  // namespace nebu
