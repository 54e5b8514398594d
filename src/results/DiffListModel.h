#pragma once
// The different-file list: built once at the end of a finished job.

#include <vector>

#include "report/DiffList.h"
#include "results/RowListModel.h"

namespace nebu {

class DiffListModel : public RowListModel<DiffRow, 6> {
  public:
    explicit DiffListModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void SetRows(std::vector<DiffRow> rows) { ResetRows(std::move(rows)); }
    void Clear() { ResetRows({}); }
};

}  // namespace nebu
