// Screen readers hear every control of every window by its caption, or a
// name in words where it has none, never by its code name.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextEdit>

#include "gui/support/GuiTest.h"
#include "mainwin/TDirF.h"
#include "mainwin/TMain_from.h"
#include "mainwin/TTermsF.h"
#include "results/TShori_f.h"
#include "shell/Startup.h"
#include "shell/TDel_f.h"
#include "shell/THelpWindow.h"
#include "shell/TVerinfoF.h"

using namespace nebu;

class AccessibilityTest : public QObject {
    Q_OBJECT

    // What a screen reader says for a widget.
    static QString SpokenName(QWidget* w) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        return face == nullptr ? QString() : face->text(QAccessible::Name).trimmed();
    }
    static bool IsControl(QWidget* w) {
        return qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
               qobject_cast<QAbstractItemView*>(w) || qobject_cast<QProgressBar*>(w) ||
               qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w);
    }
    // The controls that would be read out nameless or by their code name.
    static QStringList Misnamed(QWidget* window, int& controls) {
        QList<QWidget*> named;
        QSet<QString> codeNames;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            // Qt's own inner parts (scroll bar buttons, the tab bar's
            // scrollers) are named by Qt itself.
            if (w->objectName().isEmpty() || w->objectName().startsWith("qt_")) continue;
            named << w;
            codeNames << w->objectName();
        }
        QStringList misnamed;
        for (QWidget* w : named) {
            const QString spoken = SpokenName(w);
            if (IsControl(w)) ++controls;
            if ((IsControl(w) && spoken.isEmpty()) || codeNames.contains(spoken))
                misnamed << w->objectName() + "=\"" + spoken + "\"";
        }
        return misnamed;
    }

  private slots:
    void everyControlOfEveryWindowHasASpokenName() {
        auto w = CreateWindows("");
        for (QWidget* window : std::initializer_list<QWidget*>{
                 w->Main_from.get(), w->VerinfoF.get(), w->Shori_f.get(), w->DirF.get(),
                 w->Del_f.get(), w->TermsF.get(), w->Help.get()}) {
            window->show();
            int controls = 0;
            const QStringList misnamed = Misnamed(window, controls);
            QVERIFY2(controls >= 1, qPrintable(window->objectName()));
            QVERIFY2(misnamed.isEmpty(),
                     qPrintable(window->objectName() + ": " + misnamed.join(", ")));
            window->hide();
        }
    }

    void theTreeTellsItsRows() {
        auto w = CreateWindows("");
        w->Main_from->show();
        auto* tree = w->Main_from->findChild<QAbstractItemView*>("DirList1");
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(tree);
        QVERIFY(face != nullptr);
        QStringList rows;
        for (int i = 0; i < face->childCount(); ++i)
            if (QAccessibleInterface* row = face->child(i)) rows << row->text(QAccessible::Name);
        QVERIFY2(rows.contains("ﾏｲ ｺﾝﾋﾟｭｰﾀ"), qPrintable(rows.join(" | ")));
    }
};

NEBU_GUI_TEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
