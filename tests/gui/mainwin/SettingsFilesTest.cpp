// Settings files and the kept state as the user means them: names that are
// not UTF-8 still open; a name without a dot gets ".neb" whatever its folder
// is called; a kept state that another program wrote is read as meant and
// written back without a false alarm.

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>

#include "gui/support/GuiTest.h"
#include "gui/support/ProgramRun.h"
#include "mainwin/SettingsStore.h"
#include "mainwin/TMain_from.h"
#include "mainwin/TTermsF.h"
#include "results/TShori_f.h"
#include "support/TempTree.h"

using namespace nebu;
using guitest::Find;
using test::ReadFile;
using test::WriteFile;

namespace {

// One start of the program, the main window shown.
struct Run : guitest::ProgramRun {
    using ProgramRun::ProgramRun;
    void Menu(const char* name, const QString& chosenFile) {
        guitest::ChooseFileNext(chosenFile);
        Find<QAction>(main.get(), name)->trigger();
    }
    bool Checked(const char* box) { return Find<QCheckBox>(main.get(), box)->isChecked(); }
};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Closes the window and gives the text of any message it showed on the way.
QString MessageAtClose(Run& run) {
    QString seen;
    guitest::PressOnNextModal("OK", &seen, 300);
    run.main->close();
    QTest::qWait(400);
    return seen;
}

}  // namespace

class SettingsFilesTest : public QObject {
    Q_OBJECT
    QString state_;

  private slots:
    void init() {
        state_ = Q(StateFilePath());
        QFile::remove(state_);
    }

    void namesThatAreNotUtf8AndNamesWithoutADot() {
        test::TempTree tree;
        // 設定.neb in Shift-JIS, as a file copied from a Japanese Windows.
        const std::string sjis = tree / "\x90\xDD\x92\xE8.neb";
        WriteFile(sjis, "[NEBU]\r\nCheckHidden=1\r\n");
        {
            Run run(sjis);
            QVERIFY(run.Checked("CheckHidden"));
        }
        {
            Run run;
            QVERIFY(!run.Checked("CheckHidden"));
            // The dialog shows the name with stand-ins for the bytes it cannot read.
            run.Menu("OptLoad", QFile::decodeName(QByteArray::fromStdString(sjis)));
            QVERIFY(run.Checked("CheckHidden"));

            tree.MakeDir("john.doe/.config");
            run.Menu("OptSave", Q(tree / "john.doe/.config/mine"));
            QVERIFY(test::Exists(tree / "john.doe/.config/mine.neb"));
        }
    }

    void aKeptStateFromAnotherProgramIsReadAsMeantAndSavedQuietly() {
        // Shift-JIS, as a copied settings file would be: 写真* stays 写真*.
        WriteFile(state_.toStdString(),
                  "[NEBU]\r\nshozon=1\r\nFmask1=\x8E\xCA\x90\x5E*\r\nCheckLog=1\r\n");
        {
            Run run;
            QCOMPARE(run.main->Settings().Side(1).Fmask, std::string("写真*"));
            QCOMPARE(MessageAtClose(run), QString());
        }
        QVERIFY(ReadFile(state_.toStdString()).find("Fmask1=写真*") != std::string::npos);

        // A byte-order mark, then a damaged line: no "cannot write" when the
        // state was written.
        for (const char* kept : {"\xEF\xBB\xBF[NEBU]\r\nshozon=1\r\nCheckLog=1\r\n",
                                 "\x01garbage\r\n[NEBU\r\n[NEBU]\r\nshozon=1\r\nCheckLog=1\r\n"}) {
            WriteFile(state_.toStdString(), kept);
            Run run;
            QVERIFY(run.Checked("CheckLog"));
            guitest::Click(Find<QCheckBox>(run.main.get(), "CheckHidden"));
            QCOMPARE(MessageAtClose(run), QString());
            Run again;
            QVERIFY(again.Checked("CheckLog") && again.Checked("CheckHidden"));
        }
    }

    void theSevenZipTarRarBoxIsClickedSavedAndLoaded() {
        test::TempTree tree;
        std::string saved;
        {
            Run run;
            QCheckBox* box = Find<QCheckBox>(run.main.get(), "ArcChk2");
            QCOMPARE(box->text(), QString("7z/tar/rarの内容と比較"));
            QVERIFY(box->isEnabled() && !box->isChecked());
            guitest::Click(box);
            const std::string mask = run.main->Settings().Side(2).Fmask;
            QVERIFY(mask.find("*.7z;*.tar;*.tar.gz;*.tgz") != std::string::npos);
            QVERIFY(mask.find("*.tar.zst;*.rar") != std::string::npos);
            QVERIFY(!run.Checked("ArcChk1"));
            run.Menu("OptSave", Q(tree / "書庫"));
            saved = ReadFile(tree / "書庫.neb");
        }
        QVERIFY(saved.find("ArcChk1=0") != std::string::npos);
        QVERIFY(saved.find("ArcChk2=1") != std::string::npos);
        {
            Run run(tree / "書庫.neb");
            QVERIFY(run.Checked("ArcChk2") && !run.Checked("ArcChk1"));
        }
        // A file written before the box existed leaves it off.
        WriteFile(tree / "old.neb", "[NEBU]\r\nZipChk2=1\r\n");
        Run old(tree / "old.neb");
        QVERIFY(old.Checked("ZipChk2") && !old.Checked("ArcChk2"));
        QCOMPARE(old.main->Settings().Side(2).Fmask, std::string("*.zip"));
    }
};

NEBU_GUI_TEST_MAIN(SettingsFilesTest)
#include "SettingsFilesTest.moc"
