// Both sides' directory lists driven as a user drives them: drops from the
// file manager, the pop-up menus, the Delete key, double clicks on the tree
// and the list, the add-directory dialog, and the hint over a long entry.

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolTip>
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
bool DropOn(QWidget* over, const std::vector<std::string>& paths) {
    QByteArray uriList;
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
        QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    }
    QPoint RowCentre(QAbstractItemView* view, int row) {
        return view->visualRect(view->model()->index(row, 0)).center();
    }
    // Right click: the side's pop-up menu as it opens over `view`.
    QMenu* OpenPopup(int side, QAbstractItemView* view) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                view->viewport()->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(view->viewport(), &event);
        auto* menu = Find<QMenu>(main_.get(), "PopupMenu" + QString::number(side));
        if (!QTest::qWaitForWindowExposed(menu)) qFatal("pop-up menu not shown");
        return menu;
    }
    QAction* Item(QMenu* menu, const char* name, int side) {
        return Find<QAction>(menu, name + QString::number(side));
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

        // Two files give the folder that holds them, and the side's list.
        QVERIFY(DropOn(Tree(1), {a, b}));
        QCOMPARE(Entries(1), QStringList{Q(tree / "データ")});
        QVERIFY(ListMode(1));
        QVERIFY(!ListMode(2));
        QVERIFY(main_->Settings().Side(1).DirListShown);

        // With sub-directories searched, an entry below another goes; a
        // folder whose name merely begins the same stays.
        guitest::Click(Find<QCheckBox>(main_.get(), "SubDirChk1"));
        QVERIFY(DropOn(List(1), {tree / "データ/下/更に", tree / "データ2", tree / "データ/下"}));
        QCOMPARE(Entries(1), QStringList({Q(tree / "データ"), Q(tree / "データ2")}));

        // 削除 shows once the side has a list, and works on a selection only.
        QMenu* menu = OpenPopup(1, List(1));
        QVERIFY(Item(menu, "Delete", 1)->isVisible());
        QVERIFY(!Item(menu, "Delete", 1)->isEnabled());
        QVERIFY(Item(menu, "Add", 1)->isEnabled());
        menu->close();
        List(1)->setCurrentRow(1);
        QTest::keyClick(List(1), Qt::Key_Delete);
        QCOMPARE(Entries(1), QStringList{Q(tree / "データ")});
        List(1)->setCurrentRow(0);
        menu = OpenPopup(1, List(1));
        QVERIFY(Item(menu, "Delete", 1)->isEnabled());
        menu->close();
        Item(menu, "Delete", 1)->trigger();

        // The last entry gone, the side is back at its tree.
        QVERIFY(!ListMode(1));
        QVERIFY(!main_->Settings().Side(1).DirListShown);
        menu = OpenPopup(1, Tree(1));
        QVERIFY(!Item(menu, "Delete", 1)->isVisible());
        QVERIFY(Item(menu, "Add", 1)->isVisible());
        menu->close();

        // Tied sides: the target follows every change of the source's list.
        guitest::Click(Find<QCheckBox>(main_.get(), "CheckSame"));
        QVERIFY(DropOn(Tree(1), {tree / "データ2"}));
        QCOMPARE(Entries(2), QStringList{Q(tree / "データ2")});
        QVERIFY(ListMode(2));
        List(1)->setCurrentRow(0);
        QTest::keyClick(List(1), Qt::Key_Delete);
        QVERIFY(!ListMode(2));
        QVERIFY(Entries(2).isEmpty());

        // A window busy with a job takes no drop.
        main_->setEnabled(false);
        QVERIFY(!DropOn(Tree(1), {a}));
        QVERIFY(!ListMode(1));
    }

    void treeDoubleClickAddsOnlyTheOpenDirectory() {
        TempTree tree;
        tree.MakeDir("親/子");
        TDirListBox* dirs = Tree(2);
        dirs->SetDirectory(tree / "親");
        QCOMPARE(main_->Settings().Side(2).DirectoryListBox, tree / "親");
        const int child = dirs->model()->rowCount() - 1;
        QCOMPARE(Q(dirs->GetItemPath(child)), Q(tree / "親/子"));

        // Another row: the first click opens it, the double click adds nothing.
        QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {}, RowCentre(dirs, child));
        QTest::mouseDClick(dirs->viewport(), Qt::LeftButton, {}, RowCentre(dirs, child));
        QTest::mouseRelease(dirs->viewport(), Qt::LeftButton, {}, RowCentre(dirs, child));
        QCOMPARE(dirs->Directory(), tree / "親/子");
        QVERIFY(!ListMode(2));

        // The row of the directory already open: added, and the side lists it.
        const int open = dirs->selectionModel()->currentIndex().row();
        QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {}, RowCentre(dirs, open));
        QTest::mouseDClick(dirs->viewport(), Qt::LeftButton, {}, RowCentre(dirs, open));
        QTest::mouseRelease(dirs->viewport(), Qt::LeftButton, {}, RowCentre(dirs, open));
        QVERIFY(ListMode(2));
        QCOMPARE(Entries(2), QStringList{Q(tree / "親/子")});
    }

    void laterAddsAskWithTheDialog() {
        TempTree tree;
        tree.MakeDir("一/二");
        TDirListBox* dirs = Tree(1);
        dirs->SetDirectory(tree / "一");
        QMenu* menu = OpenPopup(1, dirs);
        menu->close();
        Item(menu, "Add", 1)->trigger();  // tree mode: the tree's directory, no dialog
        QCOMPARE(Entries(1), QStringList{Q(tree / "一")});

        dirF_->Tree()->SetDirectory(tree / "一/二");
        QString title;
        guitest::WhenModalShows([&](QWidget* dialog) {
            title = dialog->windowTitle();
            QTest::mouseClick(Find<QPushButton>(dialog, "CANCEL"), Qt::LeftButton);
        });
        QTest::mouseDClick(List(1)->viewport(), Qt::LeftButton, {}, RowCentre(List(1), 0));
        QCOMPARE(title, QString("ディレクトリ追加"));
        QVERIFY(dirF_->AddDir().empty());
        QCOMPARE(Entries(1).size(), 1);

        // The computer level cannot be added; the dialog stays open until a
        // directory is chosen, and opens where the user left it.
        QString message;
        std::string openedAt;
        bool stayedOpen = false;
        guitest::WhenModalShows([&](QWidget* dialog) {
            TDirListBox* inner = Find<TDirListBox>(dialog, "DirListBox1");
            openedAt = inner->Directory();
            inner->SetDirectory("");
            guitest::PressOnNextModal("OK", &message);
            QTest::mouseClick(Find<QPushButton>(dialog, "OK"), Qt::LeftButton);
            stayedOpen = dialog->isVisible();
            inner->SetDirectory(tree / "一/二");
            QTest::mouseClick(Find<QPushButton>(dialog, "OK"), Qt::LeftButton);
        });
        menu = OpenPopup(1, List(1));
        menu->close();
        Item(menu, "Add", 1)->trigger();
        QCOMPARE(openedAt, tree / "一/二");
        QCOMPARE(message, QString("ﾏｲ ｺﾝﾋﾟｭｰﾀは追加できませえん"));
        QVERIFY(stayedOpen);
        QCOMPARE(dirF_->AddDir(), tree / "一/二");
        QCOMPARE(Entries(1), QStringList({Q(tree / "一"), Q(tree / "一/二")}));

        // Going back once more forgets the previous choice.
        guitest::PressOnNextModal("戻る");
        QTest::mouseDClick(List(1)->viewport(), Qt::LeftButton, {}, RowCentre(List(1), 0));
        QVERIFY(dirF_->AddDir().empty());
        QCOMPARE(Entries(1).size(), 2);
    }

    void longEntryShowsItsFullTextOverIt() {
        TempTree tree;
        const std::string wide = tree.MakeDir("とても長い名前のフォルダ/" + std::string(60, 'w'));
        const std::string narrow = "/";
        QVERIFY(DropOn(Tree(1), {wide, narrow}));
        QListWidget* list = List(1);
        QCOMPARE(Entries(1), QStringList({Q(narrow), Q(wide)}));

        Hover(list->viewport(), RowCentre(list, 1));
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), Q(wide));
        QWidget* tip = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->inherits("QTipLabel") && w->isVisible()) tip = w;
        QVERIFY(tip != nullptr);
        const QRect entry = list->visualItemRect(list->item(1));
        const QPoint entryOnScreen = list->viewport()->mapToGlobal(entry.topLeft());
        QCOMPARE(tip->frameGeometry().left(), entryOnScreen.x());
        QVERIFY(qAbs(tip->frameGeometry().center().y() -
                     list->viewport()->mapToGlobal(entry.center()).y()) <= 1);

        Hover(list->viewport(), RowCentre(list, 0));
        QTRY_VERIFY(!QToolTip::isVisible());
    }
};

NEBU_GUI_TEST_MAIN(DirListsTest)
#include "DirListsTest.moc"
