#include "mainwin/DirListHint.h"

#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QToolTip>

namespace nebu {

namespace {

// A hint stays up this long while the mouse rests on the entry.
constexpr int kHintShowMs = 250000;
// Room the list keeps beside an entry's text.
constexpr int kListTextMargin = 5;

// Looks like the desktop's tool tips, but never takes the pointer, the
// keyboard focus or the activation from the window under it.
QLabel* MakeHintWindow(QWidget* list) {
    auto* hint =
        new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                                Qt::WindowDoesNotAcceptFocus);
    hint->setObjectName("DirListHint");
    hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    hint->setAttribute(Qt::WA_ShowWithoutActivating);
    hint->setTextFormat(Qt::PlainText);
    hint->setFont(list->font());
    hint->setPalette(QToolTip::palette());
    hint->setForegroundRole(QPalette::ToolTipText);
    hint->setBackgroundRole(QPalette::ToolTipBase);
    hint->setAutoFillBackground(true);
    hint->setFrameStyle(QFrame::Box | QFrame::Plain);
    hint->setMargin(1);
    return hint;
}

}  // namespace

DirListHint::DirListHint(QListWidget* list) : QObject(list), list_(list) {
    list_->setMouseTracking(true);
    list_->viewport()->setMouseTracking(true);
    list_->viewport()->installEventFilter(this);
    hideTimer_.setSingleShot(true);
    hideTimer_.setInterval(kHintShowMs);
    connect(&hideTimer_, &QTimer::timeout, this, &DirListHint::Hide);
}

DirListHint::~DirListHint() {
    delete hint_.data();
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
            // A window system that gives the hint the pointer after all
            // reports a leave while the pointer still rests on the entry.
            if (!PointerOnShownEntry()) Hide();
            break;
        case QEvent::Hide:
        case QEvent::Wheel:
        case QEvent::MouseButtonPress:
            Hide();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

bool DirListHint::PointerOnShownEntry() const {
    if (row_ < 0 || list_->item(row_) == nullptr || !list_->isVisible()) return false;
    const QRect rect = list_->visualItemRect(list_->item(row_));
    const QPoint at = list_->viewport()->mapFromGlobal(QCursor::pos());
    return rect.contains(at) && list_->viewport()->rect().contains(at);
}

void DirListHint::Hide() {
    hideTimer_.stop();
    if (hint_ != nullptr) hint_->hide();
    row_ = -1;
}

void DirListHint::Update(const QPoint& viewportPos) {
    const QListWidgetItem* item = list_->itemAt(viewportPos);
    const int row = item != nullptr ? list_->row(item) : -1;
    if (row != row_) Hide();
    if (row < 0 || !TooWide(row)) return;
    if (row == row_ && hint_ != nullptr && hint_->isVisible()) return;
    row_ = row;
    if (hint_ == nullptr) hint_ = MakeHintWindow(list_);
    hint_->setFont(list_->font());
    hint_->setText(item->text());
    hint_->adjustSize();
    hint_->move(HintPos(row, hint_->height()));
    hint_->show();
    hint_->raise();
    hideTimer_.start();
}

}  // namespace nebu
