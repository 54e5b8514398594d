// The main window's own reactions and the checks that stop a start.

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "controls/TDirListBox.h"
#include "gui/support/GuiTest.h"
#include "mainwin/TMain_from.h"
#include "mainwin/TTermsF.h"
#include "results/TShori_f.h"

using namespace nebu;

class MainWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TMain_from> main_;
    std::unique_ptr<TShori_f> shori_;
    std::unique_ptr<TTermsF> terms_;

    template <typename T>
    T* Find(QObject* window, const char* name) {
        T* w = window->findChild<T*>(name);
        if (w == nullptr) qFatal("no control %s", name);
        return w;
    }
    // 開始 with a message expected: the text it showed, answered with OK.
    QString StartExpectingMessage() {
        QString seen;
        guitest::PressOnNextModal("OK", &seen);
        QTest::mouseClick(Find<QPushButton>(main_.get(), "OK"), Qt::LeftButton);
        return seen;
    }

  private slots:
    void init() {
        main_ = std::make_unique<TMain_from>();
        shori_ = std::make_unique<TShori_f>();
        TMain_from* main = main_.get();
        terms_ = std::make_unique<TTermsF>(main->Settings(), [main] { main->ShowSettings(); });
        main_->SetPeers(shori_.get(), terms_.get());
        main_->show();
        QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    }
    void cleanup() {
        terms_.reset();
        shori_.reset();
        main_.reset();
    }

    void captionMenusAndDefaults() {
        QCOMPARE(main_->windowTitle(), QString("NEBU for Win32"));
        QVERIFY(Find<QCheckBox>(main_.get(), "NoDelChk")->isChecked());
        QVERIFY(!Find<QCheckBox>(main_.get(), "DelChk")->isEnabled());
        QVERIFY(!Find<QAction>(main_.get(), "helpOpen")->isEnabled());
        QVERIFY(!Find<QAction>(main_.get(), "verinfo")->isEnabled());
        // The trees start at the root after the reset of the first show.
        QCOMPARE(Find<TDirListBox>(main_.get(), "DirList1")->Directory(), std::string("/"));

        guitest::Click(Find<QCheckBox>(main_.get(), "NoDelChk"));
        QVERIFY(Find<QCheckBox>(main_.get(), "DelChk")->isEnabled());
        QVERIFY(!main_->Settings().NoDelChk);
    }

    void detailsButtonShowsTheLowerOptions() {
        auto* panel = Find<QWidget>(main_.get(), "OptionPanel");
        auto* toggle = Find<QToolButton>(main_.get(), "SpeedButton1");
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
        auto* tree = Find<TDirListBox>(main_.get(), "DirList2");
        const QRect top = tree->visualRect(tree->model()->index(0, 0));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, top.center());
        QCOMPARE(tree->Directory(), std::string());
        QCOMPARE(main_->Settings().Side(2).DirectoryListBox, std::string());
        QCOMPARE(StartExpectingMessage(), QString("転送先のﾃﾞｨﾚｸﾄﾘにﾏｲ ｺﾝﾋﾟｭｰﾀは指定はできませえん"));
        QVERIFY(!shori_->isVisible());

        auto* source = Find<TDirListBox>(main_.get(), "DirList1");
        QTest::mouseClick(source->viewport(), Qt::LeftButton, {}, top.center());
        QCOMPARE(StartExpectingMessage(), QString("転送元のﾃﾞｨﾚｸﾄﾘにﾏｲ ｺﾝﾋﾟｭｰﾀは指定はできませえん"));
    }

    void tiedSidesFollowEachOther() {
        guitest::Click(Find<QCheckBox>(main_.get(), "SubDirChk1"));
        QVERIFY(!Find<QCheckBox>(main_.get(), "SubDirChk2")->isChecked());
        guitest::Click(Find<QCheckBox>(main_.get(), "CheckSame"));
        QVERIFY(Find<QCheckBox>(main_.get(), "SubDirChk2")->isChecked());
        guitest::Click(Find<QCheckBox>(main_.get(), "SubDirChk2"));
        QVERIFY(!Find<QCheckBox>(main_.get(), "SubDirChk1")->isChecked());
    }
};

NEBU_GUI_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
