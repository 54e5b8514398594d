// Whole user paths through the desktop program: a settings file named on the
// command line, 開始, the job followed live, its questions, the results, 閉じる.

#include <QAbstractItemView>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "controls/TDirListBox.h"
#include "gui/support/GuiTest.h"
#include "mainwin/TMain_from.h"
#include "mainwin/TTermsF.h"
#include "results/TShori_f.h"
#include "settings/SettingsFile.h"
#include "shell/Startup.h"
#include "shell/TDel_f.h"
#include "support/TempTree.h"

using namespace nebu;
using nebu::guitest::Find;
using nebu::test::Exists;
using nebu::test::TempTree;

class DesktopJobTest : public QObject {
    Q_OBJECT

    // Writes a settings file naming the two directories, as a user would
    // have saved it, and starts the program with it.
    static std::unique_ptr<AppWindows> StartWith(const TempTree& tree, const std::string& source,
                                                 const std::string& target,
                                                 bool confirmDeletes = false) {
        WindowSettings s;
        s.Side(1).DirectoryListBox = source;
        s.Side(2).DirectoryListBox = target;
        s.Side(1).SubDirChk = s.Side(2).SubDirChk = true;
        s.NoDelChk = !confirmDeletes;
        s.DelChk = true;
        const std::string file = tree / "設定.neb";
        if (SaveSettingsFile(s, file)) qFatal("settings file not written");
        auto windows = CreateWindows(file);
        windows->Main_from->show();
        return windows;
    }

    static void PressStart(AppWindows& w) {
        QTest::mouseClick(Find<QPushButton>(w.Main_from.get(), "OK"), Qt::LeftButton);
    }
    static void WaitForEnd(AppWindows& w) {
        QTRY_COMPARE_WITH_TIMEOUT(Find<QPushButton>(w.Shori_f.get(), "Button1")->text(),
                                  QString("閉じる"), 60000);
    }

  private slots:
    void jobFromStartToClose() {
        TempTree tree;
        tree.Write("元/写真/夏.jpg", "same picture bytes");
        tree.Write("元/メモ.txt", "same note");
        tree.Write("元/別.txt", "only in the source");
        tree.Write("先/コピー/夏.jpg", "same picture bytes");
        tree.Write("先/メモ.txt", "same note");
        tree.Write("先/違う.txt", "only in the target");
        auto w = StartWith(tree, tree / "元", tree / "先");
        QTRY_COMPARE(Find<TDirListBox>(w->Main_from.get(), "DirList1")->Directory(), tree / "元");
        QCOMPARE(Find<TDirListBox>(w->Main_from.get(), "DirList2")->Directory(), tree / "先");

        PressStart(*w);
        QVERIFY(w->Shori_f->isVisible());
        QVERIFY(!w->Main_from->isEnabled());
        QVERIFY(!w->TermsF->isEnabled());
        WaitForEnd(*w);

        QCOMPARE(w->Shori_f->windowTitle(), QString("処理終了"));
        auto* list = Find<QAbstractItemView>(w->Shori_f.get(), "MatchList");
        QCOMPARE(list->model()->rowCount(), 2);
        QStringList targets;
        for (int row = 0; row < 2; ++row) targets << list->model()->index(row, 0).data().toString();
        targets.sort();
        QCOMPARE(targets, QStringList({"メモ.txt", "夏.jpg"}));
        const QString log = Find<QPlainTextEdit>(w->Shori_f.get(), "LogMemo")->toPlainText();
        QVERIFY2(log.contains("夏.jpg"), qPrintable(log));
        QVERIFY(Exists(tree / "先/メモ.txt"));  // 削除しない: nothing deleted

        QTest::mouseClick(Find<QPushButton>(w->Shori_f.get(), "Button1"), Qt::LeftButton);
        QVERIFY(!w->Shori_f->isVisible());
        QVERIFY(w->Main_from->isEnabled());
        QVERIFY(w->TermsF->isEnabled());

        // The same job again reuses the windows and lists the same pairs.
        PressStart(*w);
        WaitForEnd(*w);
        QCOMPARE(list->model()->rowCount(), 2);
    }

    // `make run` opens the window with a file that the command line saved:
    // without sub-folders and with deletion on, it must still be that job,
    // never one over the whole file system.
    void settingsSavedByTheCommandLineOpenInListMode() {
        TempTree tree;
        tree.Write("元/a.txt", "a");
        tree.Write("先/b.txt", "b");
        const std::string file = tree / "cli.neb";
        const std::string cli = qEnvironmentVariable("NEBU_CLI").toStdString();
        const std::string command = cli + " -q --delete -s '" + tree / "元" + "' -t '" +
                                    tree / "先" + "' --save-settings '" + file + "' >/dev/null";
        QCOMPARE(std::system(command.c_str()), 0);
        // Named relative to the folder the program starts in, which the
        // trees leave as soon as they show their directories.
        QVERIFY(QDir::setCurrent(QString::fromStdString(tree.Path())));
        auto w = CreateWindows("cli.neb");
        w->Main_from->show();
        auto* list = Find<QListWidget>(w->Main_from.get(), "DirListBox1");
        QTRY_VERIFY(list->isVisible());
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text().toStdString(), tree / "元");
        QVERIFY(Find<QListWidget>(w->Main_from.get(), "DirListBox2")->isVisible());
        QCOMPARE(Find<TDirListBox>(w->Main_from.get(), "DirList2")->Directory(), tree / "先");
    }

    void aSettingsFileNamingAVanishedFolderSaysSo() {
        TempTree tree;
        tree.MakeDir("残る");
        WindowSettings s;
        s.Side(1).DirectoryListBox = tree / "残る";
        s.Side(2).DirectoryListBox = tree / "消えた/奥";
        const std::string file = tree / "古い設定.neb";
        QVERIFY(!SaveSettingsFile(s, file));
        QString seen;
        guitest::PressOnNextModal("OK", &seen);
        auto w = CreateWindows(file);
        w->Main_from->show();
        QTRY_VERIFY(seen.contains(QString::fromStdString(tree / "消えた/奥")));
        QVERIFY(!seen.contains(QString::fromStdString(tree / "残る")));
        // The described fallback still happens; the user now knows about it.
        QCOMPARE(Find<TDirListBox>(w->Main_from.get(), "DirList1")->Directory(), tree / "残る");
        QVERIFY(Find<TDirListBox>(w->Main_from.get(), "DirList2")->Directory() !=
                tree / "消えた/奥");
    }

    void deleteChoiceAnsweredFromTheKeyboardAndByButton() {
        TempTree tree;
        const std::string first = tree.Write("共有/一.txt", "twin content");
        const std::string second = tree.Write("共有/二.txt", "twin content");
        // Both sides search the same folder, so the pair is found both ways
        // and the program asks which copy to delete.
        auto w = StartWith(tree, tree / "共有", tree / "共有", /*confirmDeletes=*/true);
        QTRY_VERIFY(w->Main_from->isEnabled());

        QString shown;
        guitest::WhenModalShows([&shown](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QString("TDel_f"));
            shown = guitest::DialogText(dialog);
            // Enter at once answers the safe choice, "削除しない".
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        PressStart(*w);
        WaitForEnd(*w);
        QVERIFY2(shown.contains("一.txt") && shown.contains("二.txt"), qPrintable(shown));
        QCOMPARE(w->Del_f->DelResult, DelAnswer::DeleteNeither);
        QVERIFY(Exists(first) && Exists(second));
        QTest::mouseClick(Find<QPushButton>(w->Shori_f.get(), "Button1"), Qt::LeftButton);

        QString secondName;
        guitest::WhenModalShows([&secondName](QWidget* dialog) {
            secondName = Find<QLabel>(dialog, "Fname2")->text();
            QTest::mouseClick(Find<QPushButton>(dialog, "DelBtn2"), Qt::LeftButton);
        });
        PressStart(*w);
        WaitForEnd(*w);
        QCOMPARE(w->Del_f->DelResult, DelAnswer::DeleteSecond);
        const std::string deleted = tree / ("共有/" + secondName.toStdString());
        QVERIFY2(!Exists(deleted), deleted.c_str());
        QVERIFY(Exists(deleted == first ? second : first));
    }
};

NEBU_GUI_TEST_MAIN(DesktopJobTest)
#include "DesktopJobTest.moc"
