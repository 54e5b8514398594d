#pragma once
// The rows of the directory tree as a list model: DisplayRole is the row's
// text (so screen readers and tests read what is drawn), the picture and its
// offset go to the delegate through roles of their own.

#include <QAbstractListModel>

#include "controls/DirTreeRows.h"

namespace nebu {

class DirTreeModel : public QAbstractListModel {
    Q_OBJECT
  public:
    enum Role { PictureRole = Qt::UserRole + 1, PictureXRole, PathRole };

    using QAbstractListModel::QAbstractListModel;

    // Rebuilds every row in one reset, so the view repaints once.
    void Rebuild(std::vector<Volume> volumes, const std::string& directory,
                 std::uint32_t searchAttr);
    const DirTreeRows& Tree() const { return tree_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    DirTreeRows tree_;
};

}  // namespace nebu
