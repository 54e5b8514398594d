#include "controls/DirTreeModel.h"

#include <QFile>

namespace nebu {

void DirTreeModel::Rebuild(std::vector<Volume> volumes, const std::string& directory,
                           std::uint32_t searchAttr) {
    beginResetModel();
    tree_.SetVolumes(std::move(volumes));
    tree_.Build(directory, searchAttr);
    endResetModel();
}

int DirTreeModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(tree_.Rows().size());
}

QVariant DirTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const DirTreeRow& row = tree_.Rows()[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return QString::fromStdString(row.Text);
        case Qt::AccessibleDescriptionRole:
        case PathRole:
            return QFile::decodeName(QByteArray::fromStdString(row.Path));
        case PictureRole:
            return static_cast<int>(row.Picture);
        case PictureXRole:
            return row.PictureX;
        default:
            return {};
    }
}

}  // namespace nebu
