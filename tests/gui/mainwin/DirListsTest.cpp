// Both sides' directory lists driven as a user drives them: drops from the
// file manager, pasting, the pop-up menus, the Delete key, double clicks on
// the tree and the list, the add-directory dialog (its tree and its typed
// path), and the hint over a long entry.

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCompleter>
#include <QCursor>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>
#include <QWindow>

#include "controls/TDirListBox.h"
#include "controls/TGroupBoxF.h"
#include "gui/support/GuiTest.h"
#include "mainwin/TDirF.h"
#include "mainwin/TMain_from.h"
#include "mainwin/TTermsF.h"
#include "results/TShori_f.h"
#include "support/TempTree.h"

using namespace nebu;
using nebu::test::TempTree;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The file manager's drop: drag events sent to the top-level window over the
// side's tree, which passes them on to its group box.
bool DropOn(QWidget* over, const std::vector<std::string>& paths, QByteArray uriList = {}) {
    for (const std::string& p : paths) uriList += QUrl::fromLocalFile(Q(p)).toEncoded() + "\r\n";
    QWindow* window = over->window()->windowHandle();
    const QPointF at = window->mapFromGlobal(over->mapToGlobal(over->rect().center()));
    QMimeData mime;
    mime.setData("text/uri-list", uriList);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    return enter.isAccepted() && drop.isAccepted();
}

// Typing as a user does: ASCII on the keys, Japanese through the input
// method, which commits whole words.
void Type(QWidget* field, const QString& text) {
    QString word;
    const auto commit = [&] {
        if (word.isEmpty()) return;
        QInputMethodEvent event;
        event.setCommitString(word);
        QApplication::sendEvent(field, &event);
        word.clear();
    };
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            word += c;
            continue;
        }
        commit();
        QTest::keyClick(field, c.toLatin1());
    }
    commit();
}

// Enter goes where the keyboard is: the completion list while it is open.
void PressEnter(QLineEdit* edit) {
    QWidget* popup = edit->completer()->popup();
    QTest::keyClick(popup->isVisible() ? popup : edit, Qt::Key_Return);
}

}  // namespace

class DirListsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TMain_from> main_;
    std::unique_ptr<TShori_f> shori_;
    std::unique_ptr<TTermsF> terms_;
    std::unique_ptr<TDirF> dirF_;

    template <typename T>
    T* Find(QObject* window, const QString& name) {
        T* w = window->findChild<T*>(name);
        if (w == nullptr) qFatal("no control %s", qPrintable(name));
        return w;
    }
    TDirListBox* Tree(int side) {
        return Find<TDirListBox>(main_.get(), "DirList" + QString::number(side));
    }
    QListWidget* List(int side) {
        return Find<QListWidget>(main_.get(), "DirListBox" + QString::number(side));
    }
    QStringList Entries(int side) {
        QStringList texts;
        for (int i = 0; i < List(side)->count(); ++i) texts << List(side)->item(i)->text();
        return texts;
    }
    bool ListMode(int side) {
        return Find<QStackedWidget>(main_.get(), "DirStack" + QString::number(side))
                   ->currentWidget() == List(side);
    }
    // The mouse resting over a point of a list, as the window system reports it.
    void Hover(QWidget* viewport, const QPoint& at) {
        QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    }
    QPoint RowCentre(QAbstractItemView* view, int row) {
        return view->visualRect(view->model()->index(row, 0)).center();
    }
    // Right click over `view`: the side's pop-up item as the menu showed it.
    QAction* PopupItem(int side, QAbstractItemView* view, const char* name) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                view->viewport()->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(view->viewport(), &event);
        auto* menu = Find<QMenu>(main_.get(), "PopupMenu" + QString::number(side));
        if (!QTest::qWaitForWindowExposed(menu)) qFatal("pop-up menu not shown");
        menu->close();
        return Find<QAction>(menu, name + QString::number(side));
    }
    // A user's double click: press and release, then the double click.
    void DoubleClick(QAbstractItemView* view, int row) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowCentre(view, row));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, RowCentre(view, row));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, RowCentre(view, row));
    }

  private slots:
    void init() {
        main_ = std::make_unique<TMain_from>();
        shori_ = std::make_unique<TShori_f>();
        dirF_ = std::make_unique<TDirF>();
        TMain_from* main = main_.get();
        terms_ = std::make_unique<TTermsF>(main->Settings(), [main] { main->ShowSettings(); });
        main_->SetPeers(shori_.get(), terms_.get());
        main_->SetDirDialog(dirF_.get());
        main_->show();
        QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    }
    void cleanup() {
        terms_.reset();
        shori_.reset();
        main_.reset();
        dirF_.reset();
    }

    void dropsPopupMenusAndTheDeleteKey() {
        TempTree tree;
        const std::string a = tree.Write("データ/甲.txt", "1");
        const std::string b = tree.Write("データ/乙.txt", "2");
        tree.MakeDir("データ/下/更に");
        tree.MakeDir("データ2");

        // Two files give the folder that holds them, and the side's list. The
        // box hands over whole local paths in the order they came.
        const std::string gone = tree / (std::string(300, 'x') + "/y");
        QVERIFY(DropOn(Tree(1), {b, gone, a}, "https://example.org/page\r\n"));
        QCOMPARE(Find<TGroupBoxF>(main_.get(), "GroupBox1")->DropList(),
                 (std::vector<std::string>{b, gone, a}));
        QCOMPARE(Entries(1), QStringList({Q(tree.Path()), Q(tree / "データ")}));
        List(1)->setCurrentRow(0);
        QTest::keyClick(List(1), Qt::Key_Delete);
        QCOMPARE(Entries(1), QStringList{Q(tree / "データ")});
        QVERIFY(ListMode(1) && !ListMode(2));

        // With sub-directories searched, an entry below another goes; a
        // folder whose name merely begins the same stays.
        guitest::Click(Find<QCheckBox>(main_.get(), "SubDirChk1"));
        QVERIFY(DropOn(List(1), {tree / "データ/下/更に", tree / "データ2", tree / "データ/下"}));
        QCOMPARE(Entries(1), QStringList({Q(tree / "データ"), Q(tree / "データ2")}));

        // 削除 shows once the side has a list, and works on a selection only.
        List(1)->clearSelection();
        QAction* remove = PopupItem(1, List(1), "Delete");
        QVERIFY(remove->isVisible() && !remove->isEnabled());
        List(1)->setCurrentRow(1);
        remove = PopupItem(1, List(1), "Delete");
        QVERIFY(remove->isEnabled());
        remove->trigger();
        QCOMPARE(Entries(1), QStringList{Q(tree / "データ")});
        List(1)->setCurrentRow(0);
        QTest::keyClick(List(1), Qt::Key_Delete);

        // The last entry gone, the side is back at its tree.
        QVERIFY(!ListMode(1) && !main_->Settings().Side(1).DirListShown);
        QVERIFY(!PopupItem(1, Tree(1), "Delete")->isVisible());

        main_->setEnabled(false);  // busy with a job: no drop is taken
        QVERIFY(!DropOn(Tree(1), {a}));
        QVERIFY(!ListMode(1));
    }

    void treeDoubleClickAddsOnlyTheOpenDirectory() {
        TempTree tree;
        tree.MakeDir("親/子");
        TDirListBox* dirs = Tree(2);
        dirs->SetDirectory(tree / "親");
        const int child = dirs->model()->rowCount() - 1;
        QCOMPARE(dirs->GetItemPath(child), tree / "親/子");
        DoubleClick(dirs, child);  // the first click opened it: nothing added
        QCOMPARE(dirs->Directory(), tree / "親/子");
        QVERIFY(!ListMode(2));
        DoubleClick(dirs, dirs->selectionModel()->currentIndex().row());
        QVERIFY(ListMode(2));
        QCOMPARE(Entries(2), QStringList{Q(tree / "親/子")});
    }

    void laterAddsAskWithTheDialog() {
        TempTree tree;
        for (int i = 0; i < 30; ++i) tree.MakeDir("一/二/" + std::to_string(100 + i));
        Tree(1)->SetDirectory(tree / "一");
        PopupItem(1, Tree(1), "Add")->trigger();  // tree mode: the tree's directory, no dialog
        QCOMPARE(Entries(1), QStringList{Q(tree / "一")});

        // The dialog opens where the user left it; the computer level cannot
        // be added and keeps it open.
        dirF_->Tree()->SetDirectory(tree / "一/二");
        QString message, title;
        std::string openedAt;
        bool stayedOpen = false, topShown = true;
        guitest::WhenModalShows([&](QWidget* dialog) {
            title = dialog->windowTitle();
            TDirListBox* inner = Find<TDirListBox>(dialog, "DirListBox1");
            openedAt = inner->Directory();
            // Its first showing starts at the top, the open row in view.
            for (const QModelIndex& row : {inner->model()->index(0, 0), inner->currentIndex()})
                topShown &= inner->viewport()->rect().contains(inner->visualRect(row));
            inner->SetDirectory("");
            guitest::PressOnNextModal("OK", &message);
            QTest::mouseClick(Find<QPushButton>(dialog, "OK"), Qt::LeftButton);
            stayedOpen = dialog->isVisible();
            inner->SetDirectory(tree / "一/二");
            QTest::mouseClick(Find<QPushButton>(dialog, "OK"), Qt::LeftButton);
        });
        QTest::mouseDClick(List(1)->viewport(), Qt::LeftButton, {}, RowCentre(List(1), 0));
        QCOMPARE(title, QString("ディレクトリ追加"));
        QCOMPARE(openedAt, tree / "一/二");
        QVERIFY(topShown);
        QCOMPARE(message, QString("ﾏｲ ｺﾝﾋﾟｭｰﾀは追加できませえん"));
        QVERIFY(stayedOpen);
        QCOMPARE(Entries(1), QStringList({Q(tree / "一"), Q(tree / "一/二")}));

        guitest::PressOnNextModal("戻る");  // forgets the previous choice
        PopupItem(1, List(1), "Add")->trigger();
        QVERIFY(dirF_->AddDir().empty());
        QCOMPARE(Entries(1).size(), 2);
    }

    void typedPathAddsAnExistingDirectoryOnly() {
        TempTree tree;
        tree.MakeDir("写真/2024");
        tree.MakeDir("写真/.隠し");
        const std::string file = tree.Write("写真/メモ.txt", "1");
        Tree(1)->SetDirectory("");  // the computer level: 追加 asks with the dialog
        QString message;
        QStringList offered;
        bool stayedOpen = false;
        guitest::WhenModalShows([&](QWidget* dialog) {
            auto* edit = Find<QLineEdit>(dialog, "PathEdit");
            edit->setFocus();
            Type(edit, Q(tree / "写真/"));
            QCompleter* completer = edit->completer();
            const bool popped = QTest::qWaitFor([&] { return completer->popup()->isVisible(); });
            for (int row = 0; popped && row < completer->completionCount(); ++row) {
                completer->setCurrentRow(row);
                offered << completer->currentCompletion();
            }
            QTest::keyClick(completer->popup(), Qt::Key_Escape);
            edit->clear();
            Type(edit, Q(file));
            guitest::PressOnNextModal("OK", &message);
            PressEnter(edit);
            stayedOpen = dialog->isVisible() && edit->selectedText() == Q(file);
            edit->clear();
            Type(edit, " " + Q(tree / "写真/2024/../2024"));
            PressEnter(edit);
            if (dialog->isVisible()) dialog->close();
        });
        PopupItem(1, Tree(1), "Add")->trigger();
        QCOMPARE(offered, QStringList{Q(tree / "写真/2024")});  // no file, no hidden folder
        QCOMPARE(message, "「" + Q(file) + "」はﾃﾞｨﾚｸﾄﾘではありません");
        QVERIFY(stayedOpen);
        QCOMPARE(Entries(1), QStringList{Q(tree / "写真/2024")});
    }

    void pasteAddsTheFoldersOnTheClipboard() {
        TempTree tree;
        const std::string one = tree.MakeDir("一"), two = tree.MakeDir("二");
        const std::string three = tree.MakeDir("三"), four = tree.MakeDir("四");
        const std::string note = tree.Write("三/札.txt", "1");
        QClipboard* clipboard = QGuiApplication::clipboard();
        auto* uris = new QMimeData;
        uris->setUrls({QUrl::fromLocalFile(Q(one)), QUrl::fromLocalFile(Q(note))});
        clipboard->setMimeData(uris);
        Tree(1)->setFocus();
        QTest::keyClick(Tree(1), Qt::Key_V, Qt::ControlModifier);
        QVERIFY(ListMode(1));
        QCOMPARE(Entries(1), QStringList({Q(one), Q(three)}));

        // Lines of text: paths or file: URIs; anything else is left out.
        clipboard->setText(QUrl::fromLocalFile(Q(two)).toEncoded() + "\n  " + Q(four) +
                           " \nただの文章\n" + Q(tree / "無い"));
        QAction* paste = PopupItem(1, List(1), "Paste");
        QVERIFY(paste->isEnabled());
        paste->trigger();
        QCOMPARE(Entries(1), QStringList({Q(one), Q(three), Q(two), Q(four)}));

        clipboard->setText("ただの文章");
        QVERIFY(!PopupItem(1, List(1), "Paste")->isEnabled());
        QTest::keyClick(List(1), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Entries(1).size(), 4);
        QVERIFY(!ListMode(2));
    }

    void longEntryShowsItsFullTextOverIt() {
        TempTree tree;
        const std::string wide = tree.MakeDir("とても長い名前のフォルダ/" + std::string(60, 'w'));
        QVERIFY(DropOn(Tree(1), {wide, "/"}));
        QListWidget* list = List(1);
        Hover(list->viewport(), RowCentre(list, 1));
        QLabel* hint = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "DirListHint") hint = qobject_cast<QLabel*>(w);
        QVERIFY(hint != nullptr && hint->isVisible());
        QCOMPARE(hint->text(), Q(wide));
        const QRect entry = list->visualItemRect(list->item(1));
        const QPoint centre = list->viewport()->mapToGlobal(entry.center());
        QCOMPARE(hint->frameGeometry().left(), list->viewport()->mapToGlobal(entry.topLeft()).x());
        QVERIFY(qAbs(hint->frameGeometry().center().y() - centre.y()) <= 1);
        // Lying under the pointer, the hint takes neither the pointer nor the
        // focus; a leave reported while the pointer still rests on the entry
        // keeps it.
        QVERIFY(hint->windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
        QVERIFY(hint->testAttribute(Qt::WA_ShowWithoutActivating));
        QCursor::setPos(list->viewport()->mapToGlobal(QPoint(10, entry.center().y())));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(list->viewport(), &leave);
        QVERIFY(hint->isVisible());
        Hover(list->viewport(), RowCentre(list, 0));  // "/" fits: no hint
        QVERIFY(!hint->isVisible());
        Hover(list->viewport(), RowCentre(list, 1));
        QVERIFY(hint->isVisible());
        QCursor::setPos(list->mapToGlobal(QPoint(-20, -20)));
        QApplication::sendEvent(list->viewport(), &leave);
        QVERIFY(!hint->isVisible());
    }

    void shiftF10OpensThePopupMenus() {
        QVERIFY(DropOn(Tree(2), {"/"}));
        for (QAbstractItemView* view :
             {static_cast<QAbstractItemView*>(Tree(1)), static_cast<QAbstractItemView*>(List(2))}) {
            const int side = view == Tree(1) ? 1 : 2;
            auto* menu = Find<QMenu>(main_.get(), "PopupMenu" + QString::number(side));
            view->setFocus();
            QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            QCOMPARE(Find<QAction>(menu, "Delete" + QString::number(side))->isVisible(), side == 2);
            menu->close();
        }
    }
};

NEBU_GUI_TEST_MAIN(DirListsTest)
#include "DirListsTest.moc"
