#include "results/FolderListModel.h"

#include "report/DiffList.h"

namespace nebu {

namespace {

// The mark of a folder whose every searched file was found.
constexpr const char* kAllFoundMark = "○";

}  // namespace

int FolderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FolderListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant FolderListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const FolderCoverageRow& row = rows_[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    if (role == Qt::UserRole) {
        switch (column) {
            case kFolder:
                return QString::fromStdString(row.Folder);
            case kFound:
                return qlonglong(row.Found);
            case kFiles:
                return qlonglong(row.Files);
            case kFoundBytes:
                return qlonglong(row.FoundBytes);
            case kBytes:
                return qlonglong(row.Bytes);
            default:
                return row.AllFound() ? 1 : 0;
        }
    }
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        switch (column) {
            case kFolder:
                return QString::fromStdString(row.Folder);
            case kFound:
                return QString::number(row.Found);
            case kFiles:
                return QString::number(row.Files);
            case kFoundBytes:
                return QString::fromStdString(SizeText(row.FoundBytes));
            case kBytes:
                return QString::fromStdString(SizeText(row.Bytes));
            default:
                return row.AllFound() ? QString::fromUtf8(kAllFoundMark) : QString();
        }
    }
    if (role == Qt::TextAlignmentRole && column != kFolder) {
        return QVariant::fromValue(Qt::Alignment(
            (column == kAllFound ? Qt::AlignHCenter : Qt::AlignRight) | Qt::AlignVCenter));
    }
    return {};
}

QVariant FolderListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kCaptions[kColumnCount] = {"ﾌｫﾙﾀﾞ名",  "同じﾌｧｲﾙ", "ﾌｧｲﾙ数",
                                                        "同じｻｲｽﾞ", "ｻｲｽﾞ",     "全て"};
    if (section < 0 || section >= kColumnCount) return {};
    return QString::fromUtf8(kCaptions[section]);
}

void FolderListModel::SetRows(std::vector<FolderCoverageRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

}  // namespace nebu
