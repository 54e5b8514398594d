// The main window's state kept between runs, settings files loaded and saved
// through the menu, and the association of settings files with the program.

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTreeView>

#include "gui/support/GuiTest.h"
#include "gui/support/ProgramRun.h"
#include "mainwin/Association.h"
#include "mainwin/SettingsStore.h"
#include "mainwin/TMain_from.h"
#include "mainwin/TTermsF.h"
#include "results/TShori_f.h"

using namespace nebu;

namespace {

template <typename T>
T* Find(QObject* window, const char* name) {
    T* w = window->findChild<T*>(name);
    if (w == nullptr) qFatal("no control %s", name);
    return w;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// One start of the program: the three windows, the main one shown.
struct Run : guitest::ProgramRun {
    using ProgramRun::ProgramRun;
    QCheckBox* Box(const char* name) { return Find<QCheckBox>(main.get(), name); }
    QAction* Action(const char* name) { return Find<QAction>(main.get(), name); }
    QHeaderView* DiffHeader() { return Find<QTreeView>(shori.get(), "DiffList")->header(); }
    QHeaderView* SameHeader() { return Find<QTreeView>(shori.get(), "MatchList")->header(); }
};

}  // namespace

class SettingsStoreTest : public QObject {
    Q_OBJECT
    QString state_;
    QString home_;

  private slots:
    void init() {
        state_ = QString::fromStdString(StateFilePath());
        home_ = QDir::homePath();
        QFile::remove(state_);
    }

    void stateComesBackOnlyWhileTheMarkIsOn() {
        // Entries with blanks, quotes, commas and Japanese come back whole.
        std::vector<std::string> lists;
        for (const char* name : {"/状態/A", "/状態/B C", "/状態/引用\"符,カンマ"}) {
            QDir().mkpath(home_ + name);
            lists.push_back((home_ + name).toStdString());
        }
        {
            Run run;
            QVERIFY(!run.Action("s_hozon")->isChecked());
            guitest::Click(run.Box("CheckLog"));
            QVERIFY(run.Box("CheckLog")->isChecked());
            run.main->close();
        }
        QVERIFY(ReadAll(state_).contains("shozon=0"));
        QVERIFY(!ReadAll(state_).contains("CheckLog"));
        {
            Run run;
            QVERIFY(!run.Box("CheckLog")->isChecked());
            guitest::Click(run.Box("CheckLog"));
            guitest::Click(run.Box("CheckHidden"));
            run.Action("s_hozon")->trigger();
            run.shori->resize(777, 555);
            run.DiffHeader()->resizeSection(5, 33);
            run.SameHeader()->resizeSection(1, 222);
            run.main->Settings().Side(2).DirListText = lists;
            run.main->ShowSettings();
            run.main->close();
        }
        {
            Run run;
            QVERIFY(run.Action("s_hozon")->isChecked());
            QVERIFY(run.Box("CheckLog")->isChecked());
            QVERIFY(run.Box("CheckHidden")->isChecked());
            QCOMPARE(run.shori->size(), QSize(777, 555));
            QCOMPARE(run.DiffHeader()->sectionSize(5), 33);
            QCOMPARE(run.SameHeader()->sectionSize(1), 222);
            QVERIFY(run.main->Settings().Side(2).DirListText == lists);
            // Mark off: the stored state stays, but is not read again.
            run.Action("s_hozon")->trigger();
            guitest::Click(run.Box("CheckHidden"));
            run.main->close();
        }
        QVERIFY(ReadAll(state_).contains("CheckHidden=1"));
        Run run;
        QVERIFY(!run.Action("s_hozon")->isChecked());
        QVERIFY(!run.Box("CheckLog")->isChecked());
        QVERIFY(!run.Box("CheckHidden")->isChecked());
    }

    void settingsFileGivesTheSameControlsAndResetsWhatItLacks() {
        Run run;
        const QString dir = home_ + "/設定 フォルダ";
        QDir().mkpath(dir + "/元,データ");
        guitest::Click(run.Box("CheckHidden"));
        guitest::Click(run.Box("SubDirChk2"));
        guitest::Click(run.Box("CheckTrash"));
        run.main->Settings().Side(1).DirectoryListBox = (dir + "/元,データ").toStdString();
        run.main->ShowSettings();

        const QString file = dir + "/mine";  // no dot: ".neb" is added
        guitest::ChooseFileNext(file);
        Find<QAction>(run.main.get(), "OptSave")->trigger();
        QVERIFY(QFileInfo::exists(file + ".neb"));
        const WindowSettings saved = run.main->Settings();

        guitest::Click(run.Box("CheckHidden"));
        guitest::Click(run.Box("CheckDelDir"));
        QVERIFY(!(run.main->Settings() == saved));
        guitest::ChooseFileNext(file + ".neb");
        Find<QAction>(run.main.get(), "OptLoad")->trigger();
        QCOMPARE(run.main->Settings().Side(1).DirectoryListBox, saved.Side(1).DirectoryListBox);
        QVERIFY(run.main->Settings() == saved);
        QVERIFY(run.Box("CheckHidden")->isChecked() && !run.Box("CheckDelDir")->isChecked());

        // A file without most keys resets them; its shozon and different-file
        // widths are never taken, and its stray sections and keys do nothing.
        run.Action("s_hozon")->trigger();
        run.DiffHeader()->resizeSection(2, 44);
        const QString sparse = dir + "/sparse.neb";
        WriteAll(sparse,
                 "[Other]\r\nCheckHidden=1\r\n[NEBU]\r\nCheckLog=1\r\nshozon=0\r\n"
                 "DiffColWidth2=9\r\nBogus=1\r\nShoriFontSize=x\r\n");
        guitest::ChooseFileNext(sparse);
        Find<QAction>(run.main.get(), "OptLoad")->trigger();
        QVERIFY(run.Box("CheckLog")->isChecked());
        QVERIFY(!run.Box("CheckHidden")->isChecked());
        QVERIFY(!run.Box("SubDirChk2")->isChecked());
        QVERIFY(!run.Box("CheckTrash")->isChecked());
        QCOMPARE(run.main->Settings().Side(1).DirectoryListBox, std::string("/"));
        QVERIFY(run.Action("s_hozon")->isChecked());
        QCOMPARE(run.DiffHeader()->sectionSize(2), 44);

        // Saving over it asks nothing and keeps the other program's lines;
        // loading a name that is not there changes nothing.
        guitest::ChooseFileNext(sparse);
        Find<QAction>(run.main.get(), "OptSave")->trigger();
        const QByteArray rewritten = ReadAll(sparse);
        QVERIFY(rewritten.startsWith("[Other]\r\nCheckHidden=1\r\n[NEBU]\r\nCheckLog=1\r\n"));
        QVERIFY(rewritten.contains("Bogus=1\r\n"));
        QString seen;
        guitest::ChooseFileNext(dir + "/none");
        guitest::PressOnNextModal("OK", &seen);
        Find<QAction>(run.main.get(), "OptLoad")->trigger();
        QCOMPARE(seen, QString("ﾌｧｲﾙがありません"));
        QVERIFY(run.Box("CheckLog")->isChecked());
    }

    void startUpTakesTheStateThenTheCommandLineFile() {
        const QString file = home_ + "/起動.neb";
        WriteAll(file, "[NEBU]\r\nCheckHidden=1\r\n");
        WriteAll(state_, "[NEBU]\nshozon=2\nCheckLog=1\nDiffColWidth0=71\nCheckSystem=zz\n");
        Run run(file.toStdString());
        QTRY_VERIFY(run.main->isVisible());
        QVERIFY(run.Box("CheckHidden")->isChecked());
        QVERIFY(!run.Box("CheckLog")->isChecked());
        QVERIFY(run.Action("s_hozon")->isChecked());
        QCOMPARE(run.DiffHeader()->sectionSize(0), 71);
        // The next exit keeps the file's state.
        run.main->close();
        QVERIFY(ReadAll(state_).contains("CheckHidden=1"));
        QVERIFY(ReadAll(state_).contains("CheckLog=0"));
    }

    void unwritableStateOrFileIsReportedByName() {
        // A file where the folder should be: nothing can be written below it.
        const QString config =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QDir(config + "/nebu").removeRecursively();
        WriteAll(config + "/nebu", "not a folder");
        QString seen;
        {
            Run run;
            guitest::PressOnNextModal("OK", &seen);
            run.main->close();
            QVERIFY(seen.contains("NEBU for Win32.conf"));

            const QString blocked = home_ + "/ふさがり.txt";
            WriteAll(blocked, "kept");
            guitest::ChooseFileNext(blocked + "/x.neb");
            guitest::PressOnNextModal("OK", &seen);
            Find<QAction>(run.main.get(), "OptSave")->trigger();
            QVERIFY(seen.contains(blocked + "/x.neb"));
            QCOMPARE(ReadAll(blocked), QByteArray("kept"));
        }
        QFile::remove(config + "/nebu");
    }

    void associationWrittenAndRemovedKeepsOtherLines() {
        qputenv("XDG_DATA_DIRS", (QDir::tempPath() + "/no-installed-entry").toUtf8());
        const AssociationPaths paths = CurrentAssociationPaths();
        const QString list = QString::fromStdString(paths.MimeAppsList);
        const QByteArray others =
            "[Default Applications]\ntext/plain=editor.desktop;\n\n"
            "[Added Associations]\napplication/x-nebu-settings=editor.desktop;\n";
        WriteAll(list, others);
        {
            Run run;
            QAction* kanren = run.Action("kanrenChk");
            QVERIFY(kanren->isEnabled() && !kanren->isChecked());
            kanren->trigger();
            QVERIFY(kanren->isChecked());
            QVERIFY(AssociationPresent());
            const QByteArray entry = ReadAll(QString::fromStdString(paths.UserEntry));
            QVERIFY(entry.contains("Exec=" +
                                   QByteArray::fromStdString(DesktopExecLine(
                                       QCoreApplication::applicationFilePath().toStdString()))));
            QVERIFY(ReadAll(QString::fromStdString(paths.MimePackage)).contains("*.neb"));
            const QByteArray edited = ReadAll(list);
            QVERIFY(edited.contains(
                "[Default Applications]\napplication/x-nebu-settings=nebu-user.desktop;\n"
                "text/plain=editor.desktop;\n"));
            QVERIFY(edited.contains("[Added Associations]\napplication/x-nebu-settings=editor"));
        }
        {
            Run run;  // the mark follows the MIME package at first show
            QAction* kanren = run.Action("kanrenChk");
            QVERIFY(kanren->isChecked());
            kanren->trigger();
            QVERIFY(!kanren->isChecked());
        }
        QVERIFY(!AssociationPresent());
        QVERIFY(!QFileInfo::exists(QString::fromStdString(paths.UserEntry)));
        QCOMPARE(ReadAll(list), others);
        qunsetenv("XDG_DATA_DIRS");
    }

    // Switched on and off, the association leaves the desktop as it found
    // it: the earlier default comes back and an installed NEBU stays in the
    // application menu.
    void associationGivesBackTheEarlierDefault() {
        const AssociationPaths paths = CurrentAssociationPaths();
        const QString list = QString::fromStdString(paths.MimeAppsList);
        const QDir applications = QFileInfo(QString::fromStdString(paths.UserEntry)).dir();
        const QString system = QDir::tempPath() + "/システム";
        WriteAll(system + "/applications/nebu.desktop", "[Desktop Entry]\nExec=nebu %f\n");
        // What an earlier version wrote under the installed entry's ID.
        WriteAll(applications.filePath("nebu.desktop"),
                 "[Desktop Entry]\nName=Nebu for Win32\nNoDisplay=true\n"
                 "MimeType=application/x-nebu-settings;\n");
        const QByteArray before =
            "[Default Applications]\ntext/plain=editor.desktop;\n"
            "application/x-nebu-settings=viewer.desktop;other.desktop;\n";
        WriteAll(list, before);
        const auto click = [](bool mark) {
            Run run;
            QCOMPARE(run.Action("kanrenChk")->isChecked(), !mark);
            run.Action("kanrenChk")->trigger();
            QCOMPARE(AssociationPresent(), mark);
        };
        const auto noEntries = [&] { return applications.entryList({"*.desktop"}).isEmpty(); };

        qputenv("XDG_DATA_DIRS", (QDir::tempPath() + "/なし:" + system).toUtf8());
        click(true);
        QVERIFY(ReadAll(list).contains("\napplication/x-nebu-settings=nebu.desktop;\n"));
        QVERIFY(noEntries());
        click(false);
        QCOMPARE(ReadAll(list), before);

        // Without an installed NEBU, moving the program and registering
        // again keeps the default from before.
        qputenv("XDG_DATA_DIRS", (QDir::tempPath() + "/なし").toUtf8());
        click(true);
        QVERIFY(!RegisterAssociation("/moved/nebu"));
        QVERIFY(ReadAll(list).contains("=nebu-user.desktop;\n"));
        click(false);
        QCOMPARE(ReadAll(list), before);
        QVERIFY(noEntries() && !QFileInfo::exists(QString::fromStdString(paths.Record)));

        // A default the user chose since registering is theirs and stays.
        click(true);
        WriteAll(list, "[Default Applications]\napplication/x-nebu-settings=mine.desktop;\n");
        click(false);
        QVERIFY(ReadAll(list).contains("=mine.desktop;"));
        qunsetenv("XDG_DATA_DIRS");
    }

    void execLineQuotesAwkwardPaths() {
        QCOMPARE(DesktopExecLine("/my apps/a\"b$c%d\\e"),
                 std::string("\"/my apps/a\\\\\"b\\\\$c%%d\\\\\\\\e\" %f"));
    }
};

NEBU_GUI_TEST_MAIN(SettingsStoreTest)
#include "SettingsStoreTest.moc"
