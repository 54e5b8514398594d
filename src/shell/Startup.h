#pragma once
// Start-up and shutdown of the desktop program: the application object and
// its title, Qt's Japanese translation, the windows created once in their
// fixed order, the message loop, and the report of an exception that
// escapes all of it.

#include <QApplication>
#include <memory>
#include <string>

namespace nebu {

class TMain_from;
class TVerinfoF;
class TShori_f;
class TDirF;
class TDel_f;
class TTermsF;
class THelpWindow;
class HelpKeyFilter;

inline constexpr const char* kApplicationTitle = "Nebu for Win32";

// The windows of the program, each created once and shown and hidden
// afterwards. Destroyed in the reverse order, after the worker is joined.
struct AppWindows {
    std::unique_ptr<TMain_from> Main_from;
    std::unique_ptr<TVerinfoF> VerinfoF;
    std::unique_ptr<TShori_f> Shori_f;
    std::unique_ptr<TDirF> DirF;
    std::unique_ptr<TDel_f> Del_f;
    std::unique_ptr<TTermsF> TermsF;
    // Help: the manual's window, and F1 anywhere in the application.
    std::unique_ptr<THelpWindow> Help;
    std::unique_ptr<HelpKeyFilter> HelpKeys;

    AppWindows();
    ~AppWindows();
};

// Title, desktop file name, and the Japanese translation of Qt's own texts.
void PrepareApplication(QApplication& app);
// Creates and connects the windows; `settingsFile` is the first command-line
// argument (may be empty).
std::unique_ptr<AppWindows> CreateWindows(const std::string& settingsFile);
// The message of an exception: a full stop is added when the text ends in a
// character that sorts after it.
std::string ExceptionReportText(const std::string& what);
// The whole program: returns the exit code.
int RunApplication(int argc, char** argv);

}  // namespace nebu
