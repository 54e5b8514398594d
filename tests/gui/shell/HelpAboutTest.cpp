// Help and the about dialog as a user reaches them: F1 on controls of the
// started program, the help menu, the manual's window, and バージョン情報.

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextBrowser>

#include "controls/TDirListBox.h"
#include "gui/support/GuiTest.h"
#include "mainwin/TMain_from.h"
#include "mainwin/TTermsF.h"
#include "shell/Startup.h"
#include "shell/TDel_f.h"
#include "shell/THelpWindow.h"
#include "shell/TVerinfoF.h"

using namespace nebu;

class HelpAboutTest : public QObject {
    Q_OBJECT

    template <typename T>
    static T* Find(QObject* window, const char* name) {
        T* w = window->findChild<T*>(name);
        if (w == nullptr) qFatal("no control %s", name);
        return w;
    }

    std::unique_ptr<AppWindows> Start() {
        auto windows = CreateWindows("");
        windows->Help->SetManualFile(QFINDTESTDATA("../../../doc/manual/nebu.html"));
        windows->Main_from->show();
        return windows;
    }

    static QTextBrowser* Browser(AppWindows& w) {
        return Find<QTextBrowser>(w.Help.get(), "HelpBrowser");
    }

  public slots:
    // Stands in for the desktop's browser: records what would be opened.
    void openUrl(const QUrl& url) { opened_.push_back(url); }

  private:
    QList<QUrl> opened_;

  private slots:
    void initTestCase() {
        QVERIFY(!QFINDTESTDATA("../../../doc/manual/nebu.html").isEmpty());
        QDesktopServices::setUrlHandler("file", this, "openUrl");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("file"); }

    void f1OpensTheContextOfTheFocusedControl() {
        auto w = Start();
        QVERIFY(QTest::qWaitForWindowExposed(w->Main_from.get()));

        // The delete-choice dialog has no help: F1 there opens nothing.
        w->Del_f->show();
        QTest::keyClick(Find<QPushButton>(w->Del_f.get(), "NoBtn"), Qt::Key_F1);
        QVERIFY(!w->Help->isVisible());
        w->Del_f->hide();

        QTest::keyClick(Find<QCheckBox>(w->Main_from.get(), "CheckSystem"), Qt::Key_F1);
        QTRY_VERIFY(w->Help->isVisible());
        QCOMPARE(Browser(*w)->source().fragment(), QString("context-11"));
        QVERIFY(Browser(*w)->toPlainText().contains("ｼｽﾃﾑﾌｧｲﾙも検索"));

        // The target tree has no number of its own: its window's applies.
        QTest::keyClick(Find<TDirListBox>(w->Main_from.get(), "DirList2"), Qt::Key_F1);
        QCOMPARE(Browser(*w)->source().fragment(), QString("context-10"));

        QTest::keyClick(Find<QLineEdit>(w->TermsF.get(), "Fmask2"), Qt::Key_F1);
        QCOMPARE(Browser(*w)->source().fragment(), QString("context-4"));

        auto* settings = Find<QMenu>(w->Main_from.get(), "settei");
        settings->popup(w->Main_from->mapToGlobal(QPoint(20, 20)));
        QTRY_VERIFY(settings->isVisible());
        QTest::keyClick(settings, Qt::Key_F1);
        QCOMPARE(Browser(*w)->source().fragment(), QString("context-9"));
        QTRY_VERIFY(!settings->isVisible());
    }

    void helpContentsFromTheMenuAndAMissingManual() {
        auto w = Start();
        Find<QAction>(w->Main_from.get(), "helpOpen")->trigger();
        QTRY_VERIFY(w->Help->isVisible());
        QCOMPARE(Browser(*w)->source().fileName(), QString("nebu.html"));
        QVERIFY(Browser(*w)->source().fragment().isEmpty());
        QVERIFY(Browser(*w)->toPlainText().contains("目次"));
        w->Help->hide();

        const QString gone = QDir::tempPath() + "/なし/nebu.html";
        w->Help->SetManualFile(gone);
        QString seen;
        guitest::PressOnNextModal("OK", &seen);
        Find<QAction>(w->Main_from.get(), "helpOpen")->trigger();
        QVERIFY(seen.contains(gone));
        QVERIFY(!w->Help->isVisible());
    }

    void manualIsBesideTheProgramOrInItsPrefix() {
        const QStringList found = ManualCandidates("/opt/ネブ/bin/nebu");
        QCOMPARE(found.value(0), QString("/opt/ネブ/bin/nebu.html"));
        QCOMPARE(found.value(1), QString("/opt/ネブ/share/nebu/nebu.html"));
        QVERIFY(found.value(2).endsWith("/share/nebu/nebu.html"));
        QCOMPARE(found.value(3), QString("/opt/ネブ/share/doc/nebu/nebu.html"));
    }

    void aboutDialogShowsItsTextsAndOpensTheManual() {
        auto w = Start();
        QAction* version = Find<QAction>(w->Main_from.get(), "verinfo");
        QVERIFY(version->isEnabled());
        opened_.clear();
        for (int showing = 0; showing < 2; ++showing) {
            bool checked = false;
            guitest::WhenModalShows([&](QWidget* modal) {
                checked = true;
                QCOMPARE(modal, static_cast<QWidget*>(w->VerinfoF.get()));
                QCOMPARE(modal->windowTitle(), QString("バージョン情報"));
                QVERIFY(!(modal->windowFlags() & Qt::WindowCloseButtonHint));
                QCOMPARE(Find<QLabel>(modal, "Label1")->text(), QString("NEBU for Win32"));
                QCOMPARE(Find<QLabel>(modal, "Label2")->text(), QString("Ver1.4"));
                QVERIFY(!Find<QLabel>(modal, "Image1")->pixmap().isNull());
                QCOMPARE(Find<QLabel>(modal, "Image1")->pixmap().size(), QSize(300, 300));
                QTRY_COMPARE(QApplication::focusWidget(),
                             static_cast<QWidget*>(Find<QPushButton>(modal, "Button1")));
                QTest::mouseClick(Find<QPushButton>(modal, "Button2"), Qt::LeftButton);
                QVERIFY(modal->isVisible());
                // Escape leaves it open; ＯＫ closes it, by click or by Enter.
                QTest::keyClick(modal, Qt::Key_Escape);
                QVERIFY(modal->isVisible());
                auto* ok = Find<QPushButton>(modal, "Button1");
                if (showing == 0) {
                    QTest::mouseClick(ok, Qt::LeftButton);
                } else {
                    ok->setFocus();
                    QTest::keyClick(ok, Qt::Key_Return);
                }
            });
            version->trigger();
            QVERIFY(checked);
            QVERIFY(!w->VerinfoF->isVisible());
        }
        QCOMPARE(opened_.size(), 2);
        QCOMPARE(opened_.first().toLocalFile(), w->Help->ManualFile());
    }
};

NEBU_GUI_TEST_MAIN(HelpAboutTest)
#include "HelpAboutTest.moc"
