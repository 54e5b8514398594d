#pragma once
// One start of the desktop program for window tests: the wired windows,
// the main one shown after a settings file named on its command line.

#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <string>

#include "gui/mainwin/MainWindowSet.h"
#include "gui/support/GuiTest.h"

namespace nebu::guitest {

struct ProgramRun : MainWindowSet {
    explicit ProgramRun(const std::string& commandLineFile = {}) {
        main->SetStartupSettingsFile(commandLineFile);
        main->show();
    }
};

// Answers the next file dialog with `path`, typed into its name field.
inline void ChooseFileNext(const QString& path) {
    WhenModalShows([path](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr) qFatal("no file dialog");
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (name == nullptr) qFatal("no file name field");
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
    });
}

}  // namespace nebu::guitest
