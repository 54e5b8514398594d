// The delete-choice dialog's layout from the real text widths, and its keys.

#include <QLabel>
#include <QPushButton>

#include "gui/support/GuiTest.h"
#include "shell/TDel_f.h"

using namespace nebu;
using nebu::guitest::Find;

class DeleteChoiceDialogTest : public QObject {
    Q_OBJECT
    // Shows the question, lets `inspect` look at (and maybe answer) the open
    // dialog, then presses `key` on it unless it is Qt::Key_No; returns the
    // answer.
    static DelAnswer AskAndPress(TDel_f& dialog, DeleteChoice choice,
                                 std::function<void(QWidget*)> inspect, Qt::Key key) {
        guitest::WhenModalShows([inspect, key](QWidget* open) {
            inspect(open);
            if (key != Qt::Key_No) QTest::keyClick(open, key);
        });
        dialog.Ask(choice);
        return choice.DelResult;
    }

  private slots:
    void shortNamesKeepTheSmallestWidthAndCentreTheButtons() {
        TDel_f dialog;
        int width = 0, noRight = 0, cancelLeft = 0, titleCentre = 0;
        const DelAnswer answer = AskAndPress(
            dialog, {"a.txt", "/tmp", "b.txt", "/tmp", DelAnswer::NotAsked},
            [&](QWidget* open) {
                width = open->width();
                noRight = Find<QPushButton>(open, "NoBtn")->geometry().right() + 1;
                cancelLeft = Find<QPushButton>(open, "CancelBtn")->x();
                auto* title = Find<QLabel>(open, "Label5");
                titleCentre = title->x() + title->width() / 2;
            },
            Qt::Key_Return);
        QCOMPARE(answer, DelAnswer::DeleteNeither);  // Enter answers the focused, safe button
        QVERIFY(width >= 360);
        const int centre = width / 2;
        QCOMPARE(centre - noRight, cancelLeft - centre);  // symmetric around the centre
        QVERIFY(cancelLeft - noRight >= 40);
        QVERIFY(qAbs(titleCentre - centre) <= 1);
    }

    void aLongFolderWidensTheDialogAndItsFrames() {
        TDel_f dialog;
        const std::string longFolder =
            "/home/利用者/" + std::string(120, 'x') + "/とても長いフォルダ名";
        int width = 0, folderRight = 0, frameWidth = 0, frameLeft = 0;
        AskAndPress(
            dialog, {"a.txt", longFolder, "b.txt", "/tmp", DelAnswer::NotAsked},
            [&](QWidget* open) {
                width = open->width();
                auto* folder = Find<QLabel>(open, "Dname1");
                folderRight = folder->geometry().right() + 1;
                QCOMPARE(folder->text().toStdString(), longFolder);
                frameWidth = Find<QWidget>(open, "Bevel1")->width();
                frameLeft = Find<QWidget>(open, "Bevel1")->x();
            },
            Qt::Key_Return);
        QVERIFY(width > 360);
        QVERIFY2(folderRight < width, "the folder text is cut");
        QVERIFY(width - folderRight >= 20);
        QCOMPARE(frameWidth, width - 2 * frameLeft);
    }

    void escapeAnswersNothing() {
        TDel_f dialog;
        bool stillOpen = false;
        const DelAnswer answer = AskAndPress(
            dialog, {"a", "/x", "b", "/y", DelAnswer::NotAsked},
            [&](QWidget* open) {
                QTest::keyClick(open, Qt::Key_Escape);
                stillOpen = open->isVisible();
                QTest::mouseClick(Find<QPushButton>(open, "CancelBtn"), Qt::LeftButton);
            },
            Qt::Key_No);
        QVERIFY(stillOpen);
        QCOMPARE(answer, DelAnswer::Cancel);
        QCOMPARE(dialog.DelResult, DelAnswer::Cancel);
    }
};

NEBU_GUI_TEST_MAIN(DeleteChoiceDialogTest)
#include "DeleteChoiceDialogTest.moc"
