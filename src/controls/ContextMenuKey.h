#pragma once
// Shift+F10 asks for a view's pop-up menu, as the Menu key does. The window
// system turns the Menu key into a pop-up request by itself; Shift+F10 only
// arrives as a key press, so a view hands it on in the same form.

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>

namespace nebu {

inline bool IsContextMenuKey(const QKeyEvent* key) {
    return key->key() == Qt::Key_F10 &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier;
}

// The keyboard's pop-up request for `view`, placed at its current row (the
// place the Menu key uses), or at its top-left corner without one.
inline void RequestContextMenu(QAbstractItemView* view) {
    const QModelIndex current = view->currentIndex();
    const QPoint at = current.isValid() ? view->visualRect(current).center() : QPoint(0, 0);
    QContextMenuEvent request(QContextMenuEvent::Keyboard, at, view->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view, &request);
}

}  // namespace nebu
