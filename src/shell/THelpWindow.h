#pragma once
// NEBU's own help window: the HTML manual in a browser, opened at its
// contents or at the anchor of a help context ("#context-10").

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace nebu {

// Where the manual is: beside the executable as its name + ".html" (a build
// tree), else in share/nebu of the program's prefix, else in the folder the
// program was configured for, else in share/doc/nebu of its prefix. Empty
// when none of them exists.
QString FindManual();
// The candidates FindManual tries, in order, for the executable `exe`.
QStringList ManualCandidates(const QString& exe);

class THelpWindow : public QWidget {
    Q_OBJECT
  public:
    // `manual` empty: FindManual() at each opening, so a manual installed
    // while the program runs is found.
    explicit THelpWindow(QString manual = {}, QWidget* parent = nullptr);

    void ShowContents();
    // Context 0 is the contents.
    void ShowContext(int context);

    // The manual in use: the one set, else FindManual().
    QString ManualFile() const;
    void SetManualFile(const QString& manual) { manual_ = manual; }

  private:
    void Open(const QString& anchor);

    QString manual_;
    QTextBrowser* browser_;
};

}  // namespace nebu
