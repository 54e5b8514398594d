// The main window's own reactions and the checks that stop a start.

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "controls/TDirListBox.h"
#include "gui/mainwin/MainWindowSet.h"
#include "gui/support/GuiTest.h"

using namespace nebu;
using nebu::guitest::Find;

class MainWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<guitest::MainWindowSet> set_;
    TMain_from* main_ = nullptr;
    TShori_f* shori_ = nullptr;
    TTermsF* terms_ = nullptr;

    // 開始 with a message expected: the text it showed, answered with OK.
    QString StartExpectingMessage() {
        QString seen;
        guitest::PressOnNextModal("OK", &seen);
        QTest::mouseClick(Find<QPushButton>(main_, "OK"), Qt::LeftButton);
        return seen;
    }

  private slots:
    void init() {
        set_ = std::make_unique<guitest::MainWindowSet>();
        main_ = set_->main.get();
        shori_ = set_->shori.get();
        terms_ = set_->terms.get();
        main_->show();
        QVERIFY(QTest::qWaitForWindowExposed(main_));
    }
    void cleanup() { set_.reset(); }

    void captionMenusAndDefaults() {
        QCOMPARE(main_->windowTitle(), QString("NEBU for Win32"));
        QVERIFY(Find<QCheckBox>(main_, "NoDelChk")->isChecked());
        QVERIFY(!Find<QCheckBox>(main_, "DelChk")->isEnabled());
        QVERIFY(!Find<QAction>(main_, "helpOpen")->isEnabled());
        QVERIFY(!Find<QAction>(main_, "verinfo")->isEnabled());
        // The trees start at the root after the reset of the first show.
        QCOMPARE(Find<TDirListBox>(main_, "DirList1")->Directory(), std::string("/"));

        guitest::Click(Find<QCheckBox>(main_, "NoDelChk"));
        QVERIFY(Find<QCheckBox>(main_, "DelChk")->isEnabled());
        QVERIFY(!main_->Settings().NoDelChk);
    }

    void detailsButtonShowsTheLowerOptions() {
        auto* panel = Find<QWidget>(main_, "OptionPanel");
        auto* toggle = Find<QToolButton>(main_, "SpeedButton1");
        const int shortHeight = main_->height();
        QVERIFY(!panel->isVisible());
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(panel->isVisible());
        QTRY_VERIFY(main_->height() > shortHeight);
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(!panel->isVisible());
        QTRY_COMPARE(main_->height(), shortHeight);
    }

    void sizeRangeTheWrongWayRoundStartsNothing() {
        main_->Settings().SizeMin = "100";
        main_->Settings().SizeMax = "99";
        main_->ShowSettings();
        QCOMPARE(StartExpectingMessage(), QString("ﾌｧｲﾙｻｲｽﾞの範囲の指定が変ですぅ"));
        QVERIFY(main_->isEnabled());
        QVERIFY(!shori_->isVisible());
        QVERIFY(!shori_->JobRunning());
    }

    void myComputerCannotBeSearched() {
        auto* tree = Find<TDirListBox>(main_, "DirList2");
        const QRect top = tree->visualRect(tree->model()->index(0, 0));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, top.center());
        QCOMPARE(tree->Directory(), std::string());
        QCOMPARE(main_->Settings().Side(2).DirectoryListBox, std::string());
        QCOMPARE(StartExpectingMessage(),
                 QString("転送先のﾃﾞｨﾚｸﾄﾘにﾏｲ ｺﾝﾋﾟｭｰﾀは指定はできませえん"));
        QVERIFY(!shori_->isVisible());

        auto* source = Find<TDirListBox>(main_, "DirList1");
        QTest::mouseClick(source->viewport(), Qt::LeftButton, {}, top.center());
        QCOMPARE(StartExpectingMessage(),
                 QString("転送元のﾃﾞｨﾚｸﾄﾘにﾏｲ ｺﾝﾋﾟｭｰﾀは指定はできませえん"));
    }

    void tiedSidesFollowEachOther() {
        guitest::Click(Find<QCheckBox>(main_, "SubDirChk1"));
        QVERIFY(!Find<QCheckBox>(main_, "SubDirChk2")->isChecked());
        guitest::Click(Find<QCheckBox>(main_, "CheckSame"));
        QVERIFY(Find<QCheckBox>(main_, "SubDirChk2")->isChecked());
        guitest::Click(Find<QCheckBox>(main_, "SubDirChk2"));
        QVERIFY(!Find<QCheckBox>(main_, "SubDirChk1")->isChecked());
    }
};

NEBU_GUI_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
