#include "results/DiffListModel.h"

namespace nebu {

namespace {
const char* const kHeaders[] = {"比較先(削除対象)", "ﾌｫﾙﾀﾞ名", "ﾌｧｲﾙｻｲｽﾞ",
                                "比較元",           "ﾌｫﾙﾀﾞ名", "ﾌｧｲﾙｻｲｽﾞ"};
}

DiffListModel::DiffListModel(QObject* parent) : RowListModel(parent) {}

QVariant DiffListModel::data(const QModelIndex& index, int role) const {
    return CellData(index, role);
}

QVariant DiffListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= 6) return {};
    if (role == Qt::DisplayRole) return QString::fromUtf8(kHeaders[section]);
    if (role == Qt::TextAlignmentRole && IsSizeColumn(section)) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    return {};
}

}  // namespace nebu
