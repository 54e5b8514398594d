#include "shell/THelpWindow.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QUrl>
#include <QVBoxLayout>

#ifndef NEBU_MANUALDIR
#define NEBU_MANUALDIR "/usr/local/share/nebu"
#endif

namespace nebu {

namespace {
constexpr const char* kCaption = "NEBU for Win32";
constexpr const char* kManualName = "nebu.html";
}  // namespace

void ManualBrowser::SetFolder(const QString& folder) {
    if (folder == folder_) return;
    folder_ = folder;
    clearHistory();
}

QString ManualBrowser::AllowedFile(const QUrl& name) const {
    if (folder_.isEmpty()) return {};
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (!url.isLocalFile()) return {};
    // Links and ".." are followed before the folder is compared.
    const QFileInfo file(url.toLocalFile());
    const QString real = file.canonicalFilePath();
    const QString inside = folder_.endsWith('/') ? folder_ : folder_ + '/';
    if (real.isEmpty() || !real.startsWith(inside) || !QFileInfo(real).isFile()) return {};
    return real;
}

QVariant ManualBrowser::loadResource(int /*type*/, const QUrl& name) {
    // A refusal is an empty resource, not a null one: for a null one the
    // document would read the file itself.
    const QVariant refused = QByteArray();
    const QString path = AllowedFile(name);
    if (path.isEmpty()) return refused;
    // Without blocking on a pipe put there after the check, and only a
    // regular file of bounded size.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return refused;
    QFile file;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxResourceBytes ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refused;
    }
    QByteArray bytes = file.read(kMaxResourceBytes + 1);
    if (bytes.size() > kMaxResourceBytes) return refused;
    return bytes;
}

void ManualBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
    // A link out of the manual leaves the page as it is.
    if (AllowedFile(name).isEmpty()) return;
    QTextBrowser::doSetSource(name, type);
}

QStringList ManualCandidates(const QString& exe) {
    const QFileInfo program(exe);
    // share/doc last: an installation may leave that folder out.
    const QString prefix = program.absolutePath() + "/../share/";
    return {exe + ".html", QDir::cleanPath(prefix + "nebu/" + kManualName),
            QStringLiteral(NEBU_MANUALDIR "/") + kManualName,
            QDir::cleanPath(prefix + "doc/nebu/" + kManualName)};
}

QString FindManual() {
    for (const QString& candidate : ManualCandidates(QCoreApplication::applicationFilePath()))
        if (QFileInfo(candidate).isFile()) return candidate;
    return {};
}

THelpWindow::THelpWindow(QString manual, QWidget* parent)
    : QWidget(parent, Qt::Window), manual_(std::move(manual)), browser_(new ManualBrowser(this)) {
    setObjectName("THelpWindow");
    setWindowTitle(QString(kCaption) + " ヘルプ");
    setAccessibleName(windowTitle());
    browser_->setObjectName("HelpBrowser");
    browser_->setAccessibleName("ヘルプ");
    browser_->setOpenExternalLinks(true);
    auto* contents = new QPushButton("目次", this);
    contents->setObjectName("ContentsButton");
    auto* back = new QPushButton("戻る", this);
    back->setObjectName("BackButton");
    auto* forward = new QPushButton("進む", this);
    forward->setObjectName("ForwardButton");
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(contents, &QPushButton::clicked, this, &THelpWindow::ShowContents);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    resize(640, 560);
}

QString THelpWindow::ManualFile() const {
    return manual_.isEmpty() ? FindManual() : manual_;
}

void THelpWindow::ShowContents() {
    Open({});
}

void THelpWindow::ShowContext(int context) {
    Open(context > 0 ? QString("context-%1").arg(context) : QString());
}

void THelpWindow::Open(const QString& anchor) {
    const QString file = ManualFile();
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        const QString shown =
            file.isEmpty() ? QCoreApplication::applicationFilePath() + ".html" : file;
        QMessageBox box(QMessageBox::NoIcon, kCaption,
                        QString("ヘルプファイル %1 が見つかりません。").arg(shown), QMessageBox::Ok,
                        window() == this && isVisible() ? this : nullptr);
        box.exec();
        return;
    }
    // The real file, so that its pages and pictures resolve inside the
    // folder they really are in.
    const QString real = QFileInfo(file).canonicalFilePath();
    browser_->SetFolder(QFileInfo(real).absolutePath());
    QUrl url = QUrl::fromLocalFile(real);
    if (!anchor.isEmpty()) url.setFragment(anchor);
    browser_->setSource(url);
    // The same page opened again without an anchor keeps its place otherwise.
    if (anchor.isEmpty()) browser_->verticalScrollBar()->setValue(0);
    show();
    raise();
    activateWindow();
}

}  // namespace nebu
