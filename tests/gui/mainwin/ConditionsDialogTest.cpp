// The conditions dialog as a user types into it, with the main window whose
// model it shares.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "gui/support/GuiTest.h"
#include "mainwin/TMain_from.h"
#include "mainwin/TTermsF.h"
#include "results/TShori_f.h"

using namespace nebu;

class ConditionsDialogTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TMain_from> main_;
    std::unique_ptr<TShori_f> shori_;
    std::unique_ptr<TTermsF> terms_;

    template <typename T>
    T* Find(QWidget* window, const char* name) {
        T* w = window->findChild<T*>(name);
        if (w == nullptr) qFatal("no control %s", name);
        return w;
    }
    QLineEdit* Field(const char* name) { return Find<QLineEdit>(terms_.get(), name); }
    void Type(const char* name, const QString& text) {
        QLineEdit* field = Field(name);
        field->setFocus();
        QTest::keyClicks(field, text);
    }

  private slots:
    void init() {
        main_ = std::make_unique<TMain_from>();
        shori_ = std::make_unique<TShori_f>();
        TMain_from* main = main_.get();
        terms_ = std::make_unique<TTermsF>(main->Settings(), [main] { main->ShowSettings(); });
        main_->SetPeers(shori_.get(), terms_.get());
        main_->show();
        QTest::mouseClick(Find<QPushButton>(main_.get(), "Button1"), Qt::LeftButton);
        QVERIFY(terms_->isVisible());
    }
    void cleanup() {
        terms_.reset();
        shori_.reset();
        main_.reset();
    }

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

        guitest::Click(Find<QCheckBox>(terms_.get(), "SizeBox1"));
        QVERIFY(!Field("SizeMin")->isEnabled());
        QVERIFY(!Field("SizeMax")->isEnabled());
        QCOMPARE(Field("SizeMax")->text(), QString("123456789"));
    }

    void keyReleaseCopiesMasksWhileSidesAreTied() {
        guitest::Click(Find<QCheckBox>(main_.get(), "CheckSame"));
        Field("noFmask2")->clear();
        Type("noFmask2", "*.bak");
        QCOMPARE(Field("noFmask1")->text(), QString("*.bak"));
        QCOMPARE(main_->Settings().Side(1).noFmask, std::string("*.bak"));

        guitest::Click(Find<QCheckBox>(main_.get(), "CheckSame"));
        Type("noFmask2", "x");
        QCOMPARE(Field("noFmask1")->text(), QString("*.bak"));
    }

    void archiveOptionsRewriteTheMasks() {
        QCheckBox* lzh2 = Find<QCheckBox>(main_.get(), "LzhChk2");
        if (!lzh2->isEnabled()) QSKIP("the LZH library did not load");
        guitest::Click(lzh2);
        QCOMPARE(Field("Fmask2")->text(), QString("*.lzh"));
        QVERIFY(!Field("Fmask2")->isEnabled());
        guitest::Click(Find<QCheckBox>(terms_.get(), "ArcExeChk"));
        QCOMPARE(Field("Fmask2")->text(), QString("*.lzh;*.exe"));
        QCOMPARE(Field("Fmask1")->text(), QString("*.*"));
        guitest::Click(lzh2);
        QCOMPARE(Field("Fmask2")->text(), QString("*.*"));
        QVERIFY(Field("Fmask2")->isEnabled());
    }

    void closeHidesAndKeepsTheFields() {
        Type("Fmask1", "x");
        const QString before = Field("Fmask1")->text();
        QTest::mouseClick(Find<QPushButton>(terms_.get(), "Button2"), Qt::LeftButton);
        QVERIFY(!terms_->isVisible());
        QTest::mouseClick(Find<QPushButton>(main_.get(), "Button1"), Qt::LeftButton);
        QCOMPARE(Field("Fmask1")->text(), before);
    }
};

NEBU_GUI_TEST_MAIN(ConditionsDialogTest)
#include "ConditionsDialogTest.moc"
