#include "shell/Startup.h"

#include <QAction>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <exception>
#include <filesystem>

#include "mainwin/TDirF.h"
#include "mainwin/TMain_from.h"
#include "mainwin/TTermsF.h"
#include "platform/ProcessSetup.h"
#include "results/TShori_f.h"
#include "shell/HelpContexts.h"
#include "shell/TDel_f.h"
#include "shell/THelpWindow.h"
#include "shell/TVerinfoF.h"

namespace nebu {

namespace {

void ReportException(const std::string& what) {
    QMessageBox box(QMessageBox::Critical, kApplicationTitle,
                    QString::fromStdString(ExceptionReportText(what)), QMessageBox::Ok);
    box.exec();
}

// Exceptions thrown inside an event handler are shown and the loop goes on.
class NebuApplication : public QApplication {
  public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ReportException(e.what());
        }
        return false;
    }
};

// The help menu of the main window, its about dialog and F1.
void ConnectHelp(AppWindows& windows) {
    windows.Help = std::make_unique<THelpWindow>();
    THelpWindow* help = windows.Help.get();
    windows.HelpKeys =
        std::make_unique<HelpKeyFilter>([help](int context) { help->ShowContext(context); });
    qApp->installEventFilter(windows.HelpKeys.get());
    TVerinfoF* about = windows.VerinfoF.get();
    about->SetHomePage([help] { return help->ManualFile(); });
    if (auto* contents = windows.Main_from->findChild<QAction*>("helpOpen")) {
        contents->setEnabled(true);
        QObject::connect(contents, &QAction::triggered, help, &THelpWindow::ShowContents);
    }
    if (auto* version = windows.Main_from->findChild<QAction*>("verinfo")) {
        version->setEnabled(true);
        QObject::connect(version, &QAction::triggered, about, [about] { about->exec(); });
    }
}

}  // namespace

AppWindows::AppWindows() = default;

AppWindows::~AppWindows() {
    // The job belongs to the main window; its worker must be gone first.
    if (Shori_f) Shori_f->StopAndJoin();
}

std::string ExceptionReportText(const std::string& what) {
    std::string text = what;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    return text;
}

void PrepareApplication(QApplication& app) {
    // The title names the program in task bars; window captions stay as
    // each window sets them (no display name is appended to them).
    app.setApplicationName(kApplicationTitle);
    app.setDesktopFileName("nebu");
    auto* translator = new QTranslator(&app);
    if (translator->load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

std::unique_ptr<AppWindows> CreateWindows(const std::string& settingsFile) {
    // Made whole before any tree changes the current folder.
    std::error_code error;
    const std::filesystem::path whole = std::filesystem::absolute(settingsFile, error);
    const std::string startupFile = settingsFile.empty() || error ? settingsFile : whole.string();
    auto windows = std::make_unique<AppWindows>();
    windows->Main_from = std::make_unique<TMain_from>();
    windows->VerinfoF = std::make_unique<TVerinfoF>();
    windows->Shori_f = std::make_unique<TShori_f>();
    windows->DirF = std::make_unique<TDirF>();
    windows->Del_f = std::make_unique<TDel_f>();
    TMain_from* main = windows->Main_from.get();
    windows->TermsF = std::make_unique<TTermsF>(main->Settings(), [main] { main->ShowSettings(); });
    main->SetPeers(windows->Shori_f.get(), windows->TermsF.get());
    main->SetDirDialog(windows->DirF.get());
    main->SetStartupSettingsFile(startupFile);
    TDel_f* del = windows->Del_f.get();
    windows->Shori_f->SetDeleteChoiceDialog([del](DeleteChoice& choice) { del->Ask(choice); });
    ConnectHelp(*windows);
    return windows;
}

int RunApplication(int argc, char** argv) {
    // Qt takes its own options out of argv, so argv[1] is the settings file
    // as the user gave it, bytes unchanged.
    platform::PrepareProcess();
    NebuApplication app(argc, argv);
    try {
        PrepareApplication(app);
        auto windows = CreateWindows(argc > 1 ? argv[1] : "");
        windows->Main_from->show();
        const int code = QApplication::exec();
        windows.reset();
        return code;
    } catch (const std::exception& e) {
        ReportException(e.what());
    }
    return 0;
}

}  // namespace nebu
