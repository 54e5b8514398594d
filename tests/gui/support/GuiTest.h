#pragma once
// What every window test shares: a private HOME, XDG folders and TMPDIR made
// before the application object exists, and answering the real modal dialogs
// the way a user would, by pressing one of their buttons.

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTest>
#include <functional>

namespace nebu::guitest {

// Points HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_STATE_HOME, XDG_CACHE_HOME
// and TMPDIR at folders inside one new temporary folder, and sets
// QT_QPA_PLATFORM=offscreen unless a platform is already chosen. Call first
// in main(). Returns the temporary folder (removed at exit).
QString IsolateEnvironment();

// Loads Qt's Japanese translation so standard buttons read はい/いいえ/キャンセル.
void LoadJapaneseTranslation(QApplication& app);

// Waits (without blocking the event loop) until a modal widget is active,
// then calls `answer` with it. Returns at once; the answer comes from a timer.
void WhenModalShows(std::function<void(QWidget*)> answer, int timeoutMs = 10000);

// Presses the button whose text (mnemonics removed) is `text` on the next
// modal dialog, and records the dialog's text (a QMessageBox's text, or the
// window title otherwise) into `*seenText` when it is given.
void PressOnNextModal(const QString& text, QString* seenText = nullptr, int timeoutMs = 10000);

// Clicks a check box or button where its indicator or text is: a box
// stretched by its layout does not take clicks past its text.
void Click(QWidget* button);

// A window's control by its name; a missing one ends the test program, as
// every later step would be meaningless.
template <typename T>
T* Find(QObject* window, const char* name) {
    T* control = window->findChild<T*>(name);
    if (control == nullptr) qFatal("no control %s", name);
    return control;
}

// Every visible text of a message box or dialog, for assertions.
QString DialogText(QWidget* dialog);

}  // namespace nebu::guitest

// Like QTEST_MAIN, with the isolated environment made before the application.
#define NEBU_GUI_TEST_MAIN(TestObject)                           \
    int main(int argc, char** argv) {                            \
        const QString tmp = nebu::guitest::IsolateEnvironment(); \
        QApplication app(argc, argv);                            \
        nebu::guitest::LoadJapaneseTranslation(app);             \
        TestObject tc;                                           \
        QTEST_SET_MAIN_SOURCE_PATH                               \
        return QTest::qExec(&tc, argc, argv);                    \
    }
