#include "controls/DirTreeDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QSvgRenderer>

#include "controls/DirTreeModel.h"

namespace nebu {

namespace {

constexpr int kMinRowHeight = 16 + 1;
constexpr int kTextGap = 4;  // between a picture and its text

constexpr std::array<const char*, 9> kPictureNames = {
    "MYCOMPUTER_", "FLOPPY_",       "HARD_",       "NETWORK_",      "CDROM_",
    "RAM_",        "CLOSEDFOLDER_", "OPENFOLDER_", "CURRENTFOLDER_"};

bool IsDrive(RowPicture picture) {
    return picture != RowPicture::MyComputer && picture != RowPicture::ClosedFolder &&
           picture != RowPicture::OpenFolder && picture != RowPicture::CurrentFolder;
}

}  // namespace

DirTreeDelegate::DirTreeDelegate(QObject* parent) : QStyledItemDelegate(parent) {
    for (std::size_t i = 0; i < pictures_.size(); ++i)
        pictures_[i] = std::make_unique<QSvgRenderer>(PictureResource(static_cast<RowPicture>(i)));
}

DirTreeDelegate::~DirTreeDelegate() = default;

QString DirTreeDelegate::PictureResource(RowPicture picture) {
    return QStringLiteral(":/nebu/controls/pictures/%1.svg")
        .arg(QLatin1String(kPictureNames[static_cast<std::size_t>(picture)]));
}

QSize DirTreeDelegate::PictureSize(RowPicture picture) {
    return IsDrive(picture) ? QSize(16, 11) : QSize(16, 15);
}

int DirTreeDelegate::RowHeight(const QFontMetrics& metrics) {
    return std::max(metrics.height(), kMinRowHeight);
}

QSize DirTreeDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const int x = index.data(DirTreeModel::PictureXRole).toInt();
    const int textWidth = option.fontMetrics.horizontalAdvance(index.data().toString());
    return {x + 16 + kTextGap + textWidth + 2, RowHeight(option.fontMetrics)};
}

void DirTreeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    painter->save();
    const QRect& rect = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                               : QPalette::Inactive;
    painter->fillRect(rect,
                      option.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base));

    const int x = index.data(DirTreeModel::PictureXRole).toInt();
    int pictureWidth = 16;
    const QVariant pictureValue = index.data(DirTreeModel::PictureRole);
    if (pictureValue.isValid()) {
        const auto picture = static_cast<RowPicture>(pictureValue.toInt());
        const QSize size = PictureSize(picture);
        pictureWidth = size.width();
        const int top = rect.top() + (rect.height() - size.height()) / 2;
        pictures_[static_cast<std::size_t>(picture)]->render(
            painter, QRectF(rect.left() + x, top, size.width(), size.height()));
    }

    const int textLeft = rect.left() + x + pictureWidth + kTextGap;
    const QRect textRect(textLeft, rect.top(), std::max(0, rect.right() - textLeft + 1),
                         rect.height());
    painter->setFont(option.font);
    painter->setPen(
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data().toString());

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = rect;
        focus.backgroundColor =
            option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
        const QWidget* widget = option.widget;
        QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
    painter->restore();
}

}  // namespace nebu
