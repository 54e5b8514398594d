#pragma once
// NEBU's own help window: the HTML manual in a browser, opened at its
// contents or at the anchor of a help context ("#context-10").

#include <QString>
#include <QTextBrowser>
#include <QWidget>

namespace nebu {

// A browser that shows only the manual: pages, pictures and style sheets
// come from the manual's own folder (after links are followed) and stay
// below a size limit; anything else is refused, so a page cannot make the
// window read devices, other people's files or endless streams.
class ManualBrowser : public QTextBrowser {
  public:
    static constexpr qint64 kMaxResourceBytes = 4 * 1024 * 1024;

    using QTextBrowser::QTextBrowser;
    // The manual's folder; resources outside it are refused. A new folder
    // forgets the pages seen in the old one.
    void SetFolder(const QString& folder);
    QVariant loadResource(int type, const QUrl& name) override;

  protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

  private:
    // The file `name` reaches inside the folder, or empty when refused.
    QString AllowedFile(const QUrl& name) const;

    QString folder_;
};

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
    ManualBrowser* browser_;
};

}  // namespace nebu
