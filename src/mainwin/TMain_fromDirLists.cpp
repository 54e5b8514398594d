// The main window's directory lists: adding through the tree or the
// add-directory dialog, deleting selected entries, drops on a side's group
// box, pasting (Ctrl+V, 貼り付け), the pop-up menus (right click, Menu key,
// Shift+F10), double clicks and the Delete key. Each runs one rule of the
// window model and shows the model again.

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>

#include "controls/ContextMenuKey.h"
#include "controls/MimePaths.h"
#include "controls/TDirListBox.h"
#include "controls/TGroupBoxF.h"
#include "mainwin/DirListHint.h"
#include "mainwin/TDirF.h"
#include "mainwin/TMain_from.h"
#include "settings/DirListEdits.h"
#include "settings/PathInput.h"
#include "settings/Reactions.h"

namespace nebu {

namespace {

QAction* MenuAction(QMenu* menu, const QString& name) {
    return menu->findChild<QAction*>(name);
}

std::vector<std::string> ClipboardPaths() {
    return PastablePaths(PastedPaths(QGuiApplication::clipboard()->mimeData()));
}

bool IsPaste(QObject* watched, QEvent* event, const QWidget* view) {
    return watched == view && event->type() == QEvent::KeyPress &&
           static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste);
}

}  // namespace

void TMain_from::ConnectDirList(int side) {
    TDirListBox* tree = Tree(side);
    QListWidget* list = List(side);
    TGroupBoxF* group = Group(side);

    group->SetDragAccept(true);
    connect(group, &TGroupBoxF::OnDropFiles, this,
            [this, side](const std::vector<std::string>& paths) {
                Apply([&] { DropDirectories(settings_, side, paths); });
            });

    // A double click adds only when it lands on the directory the tree had
    // already opened at its click; elsewhere the click just moved the tree.
    connect(tree, &TDirListBox::OnDblClick, this, [this, side, tree] {
        const std::string& directory = tree->Directory();
        if (!directory.empty() && directory == lastClickedDir_[side - 1]) Add(side);
    });

    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
    new DirListHint(list);

    const QString n = QString::number(side);
    auto* menu = new QMenu(this);
    menu->setObjectName("PopupMenu" + n);
    QAction* remove = menu->addAction("削除");
    remove->setObjectName("Delete" + n);
    QAction* add = menu->addAction("追加");
    add->setObjectName("Add" + n);
    QAction* paste = menu->addAction("貼り付け");
    paste->setObjectName("Paste" + n);
    connect(remove, &QAction::triggered, this, [this, side] { DeleteSelectedDirs(side); });
    connect(add, &QAction::triggered, this, [this, side] { Add(side); });
    connect(paste, &QAction::triggered, this, [this, side] { Paste(side); });
    tree->installEventFilter(this);
    popupMenus_[side - 1] = menu;
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(tree), static_cast<QAbstractItemView*>(list)}) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, side, view](const QPoint& pos) {
                    Popup(side, view->viewport()->mapToGlobal(pos));
                });
    }
}

void TMain_from::Popup(int side, const QPoint& globalPos) {
    QMenu* menu = popupMenus_[side - 1];
    const QString n = QString::number(side);
    QAction* remove = MenuAction(menu, "Delete" + n);
    remove->setVisible(settings_.Side(side).DirListShown);
    remove->setEnabled(!List(side)->selectedItems().isEmpty());
    MenuAction(menu, "Add" + n)->setEnabled(true);
    MenuAction(menu, "Paste" + n)->setEnabled(!ClipboardPaths().empty());
    menu->popup(globalPos);
}

void TMain_from::Add(int side) {
    std::string directory = DirectoryToAddWithoutAsking(settings_, side);
    if (directory.empty()) {
        if (dirF_ == nullptr) return;
        directory = dirF_->Choose(settings_.SearchAttr);
        if (directory.empty()) return;  // the user went back
    }
    Apply([&] { AddDirectory(settings_, side, directory); });
}

void TMain_from::Paste(int side) {
    const std::vector<std::string> paths = ClipboardPaths();
    if (paths.empty()) return;
    Apply([&] { DropDirectories(settings_, side, paths); });
}

void TMain_from::DeleteSelectedDirs(int side) {
    std::vector<int> rows;
    for (const QModelIndex& index : List(side)->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    if (rows.empty()) return;
    Apply([&] { nebu::DeleteSelectedDirs(settings_, side, rows); });
}

bool TMain_from::eventFilter(QObject* watched, QEvent* event) {
    for (int side = 1; side <= 2; ++side) {
        QListWidget* list = List(side);
        if (IsPaste(watched, event, list) || IsPaste(watched, event, Tree(side))) {
            Paste(side);
            return true;
        }
        if (watched == list && OpenMenuByKeyboard(list, event)) return true;
        if (watched == list && event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
            DeleteSelectedDirs(side);
            return true;
        }
        if (watched == list->viewport() && event->type() == QEvent::MouseButtonDblClick &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            Add(side);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace nebu
