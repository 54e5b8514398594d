// The conditions dialog as a user types into it, with the main window whose
// model it shares.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "engine/Nebu.h"
#include "gui/mainwin/MainWindowSet.h"
#include "gui/support/GuiTest.h"
#include "settings/JobSetup.h"

using namespace nebu;
using nebu::guitest::Find;

class ConditionsDialogTest : public QObject {
    Q_OBJECT
    std::unique_ptr<guitest::MainWindowSet> set_;
    TMain_from* main_ = nullptr;
    TShori_f* shori_ = nullptr;
    TTermsF* terms_ = nullptr;

    QLineEdit* Field(const char* name) { return Find<QLineEdit>(terms_, name); }
    void Type(const char* name, const QString& text) {
        QLineEdit* field = Field(name);
        field->setFocus();
        QTest::keyClicks(field, text);
    }

  private slots:
    void init() {
        set_ = std::make_unique<guitest::MainWindowSet>();
        main_ = set_->main.get();
        shori_ = set_->shori.get();
        terms_ = set_->terms.get();
        main_->show();
        QTest::mouseClick(Find<QPushButton>(main_, "Button1"), Qt::LeftButton);
        QVERIFY(terms_->isVisible());
    }
    void cleanup() { set_.reset(); }

    void maskFieldsRefuseBlanksAndPathCharacters() {
        Field("Fmask1")->clear();
        Type("Fmask1", "a b");
        QCOMPARE(Field("Fmask1")->text(), QString("ab"));
        Field("Fmask1")->clear();
        Type("Fmask1", "*.txt;*.doc");
        QCOMPARE(Field("Fmask1")->text(), QString("*.txt;*.doc"));
        Field("noFmask2")->clear();
        Type("noFmask2", "C:\\x\"<>/,");
        QCOMPARE(Field("noFmask2")->text(), QString("Cx"));
        QCOMPARE(main_->Settings().Side(2).noFmask, std::string("Cx"));
    }

    void sizeFieldsTakeNineDigitsOnly() {
        Field("SizeMin")->clear();
        Type("SizeMin", "12a3 -");
        QCOMPARE(Field("SizeMin")->text(), QString("123"));
        Field("SizeMax")->clear();
        Type("SizeMax", "1234567890");
        QCOMPARE(Field("SizeMax")->text(), QString("123456789"));
        QCOMPARE(main_->Settings().SizeMax, std::string("123456789"));

        guitest::Click(Find<QCheckBox>(terms_, "SizeBox1"));
        QVERIFY(!Field("SizeMin")->isEnabled());
        QVERIFY(!Field("SizeMax")->isEnabled());
        QCOMPARE(Field("SizeMax")->text(), QString("123456789"));
    }

    void keysMoveOnAndCloseAndAltNeverTypes() {
        terms_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(terms_));
        Field("SizeMin")->selectAll();
        Type("SizeMin", "5");
        QTest::keyClick(Field("SizeMin"), Qt::Key_Tab);
        QCOMPARE(terms_->focusWidget(), Field("SizeMax"));
        QTest::keyClick(Field("SizeMax"), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(terms_->focusWidget(), Field("SizeMin"));
        QTest::keyClick(Field("SizeMin"), Qt::Key_1, Qt::AltModifier);
        Field("Fmask1")->selectAll();
        Type("Fmask1", "*.c");
        QTest::keyClick(Field("Fmask1"), Qt::Key_F, Qt::AltModifier);
        QTest::keyClick(Field("Fmask1"), Qt::Key_T, Qt::AltModifier | Qt::ControlModifier);
        QTest::keyClick(Field("Fmask1"), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(Field("SizeMin")->text() + Field("Fmask1")->text(), QString("5*.c"));
        QTest::keyClick(Field("SizeMax"), Qt::Key_Escape);
        QVERIFY(!terms_->isVisible());
    }

    void keyReleaseCopiesMasksWhileSidesAreTied() {
        guitest::Click(Find<QCheckBox>(main_, "CheckSame"));
        Field("noFmask2")->clear();
        Type("noFmask2", "*.bak");
        QCOMPARE(Field("noFmask1")->text(), QString("*.bak"));
        QCOMPARE(main_->Settings().Side(1).noFmask, std::string("*.bak"));

        guitest::Click(Find<QCheckBox>(main_, "CheckSame"));
        Type("noFmask2", "x");
        QCOMPARE(Field("noFmask1")->text(), QString("*.bak"));
    }

    void archiveOptionsRewriteTheMasks() {
        QCheckBox* lzh2 = Find<QCheckBox>(main_, "LzhChk2");
        if (!lzh2->isEnabled()) QSKIP("the LZH library did not load");
        guitest::Click(lzh2);
        QCOMPARE(Field("Fmask2")->text(), QString("*.lzh"));
        QVERIFY(!Field("Fmask2")->isEnabled());
        guitest::Click(Find<QCheckBox>(terms_, "ArcExeChk"));
        QCOMPARE(Field("Fmask2")->text(), QString("*.lzh;*.exe"));
        QCOMPARE(Field("Fmask1")->text(), QString("*.*"));
        guitest::Click(lzh2);
        QCOMPARE(Field("Fmask2")->text(), QString("*.*"));
        QVERIFY(Field("Fmask2")->isEnabled());
    }

    void plainFilesAlongWithArchivesKeepTheTypedMask() {
        QCheckBox* zip2 = Find<QCheckBox>(main_, "ZipChk2");
        QCheckBox* withFiles2 = Find<QCheckBox>(main_, "WithFilesChk2");
        if (!zip2->isEnabled()) QSKIP("the ZIP library did not load");
        QVERIFY(!withFiles2->isEnabled());
        guitest::Click(zip2);
        QVERIFY(withFiles2->isEnabled());
        QVERIFY(!Find<QCheckBox>(main_, "WithFilesChk1")->isEnabled());
        QCOMPARE(Field("Fmask2")->text(), QString("*.zip"));
        guitest::Click(withFiles2);
        QVERIFY(Field("Fmask2")->isEnabled());
        QCOMPARE(Field("Fmask2")->text(), QString("*.*"));
        Field("Fmask2")->selectAll();
        Type("Fmask2", "*.jpg");
        guitest::Click(Find<QCheckBox>(terms_, "ArcExeChk"));
        QCOMPARE(Field("Fmask2")->text(), QString("*.jpg"));
        TNebu job;
        QCOMPARE(ApplyToJob(main_->Settings(), job), std::nullopt);
        QCOMPARE(job.DstMask, std::string("*.JPG;"));
        QCOMPARE(job.DstArcMask, std::string("*.ZIP;*.EXE;"));
        QCOMPARE(int(job.DstWithFiles), 1);
        // Off again, the archive rule takes the fields back.
        guitest::Click(withFiles2);
        QCOMPARE(Field("Fmask2")->text(), QString("*.zip;*.exe"));
        QVERIFY(!Field("Fmask2")->isEnabled());
        // Without an archive box the option waits, disabled and kept.
        guitest::Click(withFiles2);
        guitest::Click(zip2);
        QVERIFY(!withFiles2->isEnabled());
        QVERIFY(withFiles2->isChecked());
        QCOMPARE(Field("Fmask2")->text(), QString("*.*"));
    }

    void closeHidesAndKeepsTheFields() {
        Type("Fmask1", "x");
        const QString before = Field("Fmask1")->text();
        QTest::mouseClick(Find<QPushButton>(terms_, "Button2"), Qt::LeftButton);
        QVERIFY(!terms_->isVisible());
        QTest::mouseClick(Find<QPushButton>(main_, "Button1"), Qt::LeftButton);
        QCOMPARE(Field("Fmask1")->text(), before);
    }
};

NEBU_GUI_TEST_MAIN(ConditionsDialogTest)
#include "ConditionsDialogTest.moc"
