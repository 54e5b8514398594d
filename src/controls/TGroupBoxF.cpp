#include "controls/TGroupBoxF.h"

#include <QDragEnterEvent>
#include <QDropEvent>

#include "controls/MimePaths.h"

namespace nebu {

TGroupBoxF::TGroupBoxF(QWidget* parent) : QGroupBox(parent) {}

void TGroupBoxF::SetDragAccept(bool value) {
    if (value == dragAccept_) return;
    dragAccept_ = value;
    setAcceptDrops(value);
    dropList_.clear();
}

void TGroupBoxF::DropFiles() {
    emit OnDropFiles(dropList_);
}

// A disabled box (its window is busy with a job) takes nothing: the lists
// must not change under a running job.
bool TGroupBoxF::Takes(const QDropEvent* event) const {
    return dragAccept_ && isEnabled() && !LocalFilePaths(event->mimeData()).empty();
}

void TGroupBoxF::dragEnterEvent(QDragEnterEvent* event) {
    if (!Takes(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TGroupBoxF::dragMoveEvent(QDragMoveEvent* event) {
    if (!Takes(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TGroupBoxF::dropEvent(QDropEvent* event) {
    if (!Takes(event)) {
        event->ignore();
        return;
    }
    dropList_ = LocalFilePaths(event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    DropFiles();
}

}  // namespace nebu
