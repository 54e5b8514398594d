#include "controls/TGroupBoxF.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace nebu {

namespace {

// Local files only: a link to a web page or a remote share's URL names no
// folder NEBU could search. Paths go over as the file system's own bytes.
std::vector<std::string> LocalPaths(const QMimeData* mime) {
    std::vector<std::string> paths;
    if (mime == nullptr || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (!path.isEmpty()) paths.push_back(QFile::encodeName(path).toStdString());
    }
    return paths;
}

}  // namespace

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
    return dragAccept_ && isEnabled() && !LocalPaths(event->mimeData()).empty();
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
    dropList_ = LocalPaths(event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    DropFiles();
}

}  // namespace nebu
