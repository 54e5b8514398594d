#pragma once
// Draws one row of the directory tree: the row's picture at its offset,
// centred in the row, then the text beside it. Owns the nine pictures.

#include <QStyledItemDelegate>
#include <array>
#include <memory>

#include "controls/DirTreeRows.h"

class QSvgRenderer;

namespace nebu {

class DirTreeDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    explicit DirTreeDelegate(QObject* parent = nullptr);
    ~DirTreeDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The font's height, but never less than a picture and one pixel.
    static int RowHeight(const QFontMetrics& metrics);
    static QSize PictureSize(RowPicture picture);
    // The resource that holds a picture (":/.../HARD_.svg").
    static QString PictureResource(RowPicture picture);

  private:
    std::array<std::unique_ptr<QSvgRenderer>, 9> pictures_;
};

}  // namespace nebu
