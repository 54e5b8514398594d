#include "gui/support/GuiTest.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <cstdlib>
#include <memory>

namespace nebu::guitest {

QString IsolateEnvironment() {
    static QTemporaryDir root;  // lives until exit, then removed
    const QString base = root.path();
    const char* names[][2] = {{"HOME", "home"},
                              {"XDG_CONFIG_HOME", "config"},
                              {"XDG_DATA_HOME", "data"},
                              {"XDG_STATE_HOME", "state"},
                              {"XDG_CACHE_HOME", "cache"},
                              {"TMPDIR", "tmp"}};
    for (const auto& [var, sub] : names) {
        const QString dir = base + "/" + sub;
        QDir().mkpath(dir);
        setenv(var, dir.toLocal8Bit().constData(), 1);
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return base;
}

void LoadJapaneseTranslation(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

void WhenModalShows(std::function<void(QWidget*)> answer, int timeoutMs) {
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, answer, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        *waited += 20;
        if (modal != nullptr && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        } else if (*waited > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

void Click(QWidget* button) {
    QTest::mouseClick(button, Qt::LeftButton, {},
                      QPoint(qMin(8, button->width() / 2), button->height() / 2));
}

QString DialogText(QWidget* dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) return box->text();
    QStringList texts;
    for (QLabel* label : dialog->findChildren<QLabel*>())
        if (label->isVisible()) texts << label->text();
    return texts.join('\n');
}

void PressOnNextModal(const QString& text, QString* seenText, int timeoutMs) {
    WhenModalShows(
        [text, seenText](QWidget* modal) {
            if (seenText != nullptr) *seenText = DialogText(modal);
            for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
                QString caption = button->text();
                caption.remove('&');
                if (caption == text || caption.startsWith(text + "(")) {
                    QTest::mouseClick(button, Qt::LeftButton);
                    return;
                }
            }
            // No such button: close it so the test fails on its assertions
            // instead of hanging on the open dialog.
            modal->close();
        },
        timeoutMs);
}

}  // namespace nebu::guitest
