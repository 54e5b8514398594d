// Screen readers and test robots find every control of every window by its
// caption (or, without one, its control name).

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QLineEdit>
#include <QProgressBar>

#include "gui/support/GuiTest.h"
#include "mainwin/TMain_from.h"
#include "mainwin/TTermsF.h"
#include "results/TShori_f.h"
#include "shell/Startup.h"
#include "shell/TDel_f.h"

using namespace nebu;

class AccessibilityTest : public QObject {
    Q_OBJECT

    static QStringList Unnamed(QWidget* window, int& checked) {
        QStringList unnamed;
        QList<QWidget*> controls;
        for (QWidget* w : window->findChildren<QWidget*>())
            if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                qobject_cast<QAbstractItemView*>(w) || qobject_cast<QProgressBar*>(w))
                controls << w;
        for (QWidget* control : controls) {
            // Qt's own inner parts (scroll bar buttons, the tab bar's
            // scrollers) are named by Qt itself.
            if (control->objectName().isEmpty() || control->objectName().startsWith("qt_"))
                continue;
            ++checked;
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
            if (face == nullptr || face->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << control->objectName();
        }
        return unnamed;
    }

  private slots:
    void everyControlHasAName() {
        auto w = CreateWindows("");
        for (QWidget* window : std::initializer_list<QWidget*>{w->Main_from.get(), w->Shori_f.get(),
                                                               w->Del_f.get(), w->TermsF.get()}) {
            window->show();
            int checked = 0;
            const QStringList unnamed = Unnamed(window, checked);
            QVERIFY(checked >= 3);
            QVERIFY2(unnamed.isEmpty(),
                     qPrintable(window->objectName() + ": " + unnamed.join(", ")));
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
