#include "mainwin/DirListHint.h"

#include <QApplication>
#include <QEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QToolTip>

namespace nebu {

namespace {

// A hint stays up as long as the mouse rests on the entry.
constexpr int kHintShowMs = 250000;
// Room the list keeps beside an entry's text.
constexpr int kListTextMargin = 5;

// Qt places a tool tip below and beside the mouse pointer; the hint belongs
// over the entry itself, so the tip is moved after Qt has placed it.
QWidget* ShownToolTip() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QTipLabel") && w->isVisible()) return w;
    return nullptr;
}

}  // namespace

DirListHint::DirListHint(QListWidget* list) : QObject(list), list_(list) {
    list_->setMouseTracking(true);
    list_->viewport()->setMouseTracking(true);
    list_->viewport()->installEventFilter(this);
}

bool DirListHint::TooWide(int row) const {
    const QListWidgetItem* item = list_->item(row);
    if (item == nullptr) return false;
    const int width = list_->fontMetrics().horizontalAdvance(item->text());
    return list_->viewport()->width() - kListTextMargin < width;
}

QPoint DirListHint::HintPos(int row, int hintHeight) const {
    const QRect rect = list_->visualItemRect(list_->item(row));
    const QPoint topLeft = list_->viewport()->mapToGlobal(rect.topLeft());
    return topLeft + QPoint(0, (rect.height() - hintHeight) / 2);
}

bool DirListHint::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove:
            Update(static_cast<QMouseEvent*>(event)->position().toPoint());
            break;
        case QEvent::ToolTip:
            return true;  // the list's hints are these, not Qt's own
        case QEvent::Leave:
        case QEvent::Hide:
            Hide();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void DirListHint::Hide() {
    if (row_ >= 0) QToolTip::hideText();
    row_ = -1;
}

void DirListHint::Update(const QPoint& viewportPos) {
    const QListWidgetItem* item = list_->itemAt(viewportPos);
    const int row = item != nullptr ? list_->row(item) : -1;
    if (row != row_) Hide();
    if (row < 0 || !TooWide(row)) return;
    row_ = row;
    if (ShownToolTip() != nullptr && QToolTip::text() == item->text()) return;
    QWidget* viewport = list_->viewport();
    const QRect rect = list_->visualItemRect(item);
    QToolTip::showText(viewport->mapToGlobal(viewportPos), item->text(), viewport, rect,
                       kHintShowMs);
    if (QWidget* tip = ShownToolTip()) tip->move(HintPos(row, tip->frameGeometry().height()));
}

}  // namespace nebu
