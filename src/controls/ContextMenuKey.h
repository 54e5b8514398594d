#pragma once
// The keyboard's ways to a view's pop-up menu: Shift+F10, which arrives as a
// plain key press, and the Menu key, which the window system turns into a
// pop-up request placed at the middle of the current row, off the visible
// part when the row is wider than the view. Both open the menu over the
// visible part of the current row.

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QKeyEvent>

namespace nebu {

inline bool IsShiftF10(const QKeyEvent* key) {
    return key->key() == Qt::Key_F10 &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier;
}

// Viewport point where a keyboard-opened menu of `view` appears.
inline QPoint KeyboardMenuPoint(const QAbstractItemView* view) {
    const QRect visible = view->viewport()->rect();
    const QModelIndex current = view->currentIndex();
    const QRect row = current.isValid() ? view->visualRect(current) & visible : QRect();
    return row.isEmpty() ? visible.topLeft() : row.center();
}

// For a view whose menu is its own (Qt::CustomContextMenu): answers a
// keyboard request for it with customContextMenuRequested at
// KeyboardMenuPoint. True when `event` was such a request.
inline bool OpenMenuByKeyboard(QAbstractItemView* view, QEvent* event) {
    if (view->contextMenuPolicy() != Qt::CustomContextMenu) return false;
    bool asked = false;
    if (event->type() == QEvent::KeyPress)
        asked = IsShiftF10(static_cast<QKeyEvent*>(event));
    else if (event->type() == QEvent::ContextMenu)
        asked = static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
    if (!asked) return false;
    event->accept();
    emit view->customContextMenuRequested(KeyboardMenuPoint(view));
    return true;
}

}  // namespace nebu
