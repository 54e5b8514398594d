// Takes a picture of every window of the desktop program, driven the way a
// user would drive it, for a person to look at: run by tools/screenshots.sh
// under a virtual X display. Arguments: output folder, sample settings file.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>

#include "controls/TDirListBox.h"
#include "engine/Nebu.h"
#include "engine/NebuHost.h"
#include "mainwin/TDirF.h"
#include "mainwin/TMain_from.h"
#include "mainwin/TTermsF.h"
#include "results/TShori_f.h"
#include "shell/Startup.h"
#include "shell/TDel_f.h"
#include "shell/THelpWindow.h"
#include "shell/TVerinfoF.h"

using namespace nebu;

namespace {

QString outDir;

void Save(QWidget* window, const QString& name) {
    const QString path = outDir + "/" + name + ".png";
    if (!window->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::printf("%s\n", qPrintable(path));
}

// Runs `step` once `ready` holds, checking every 50 ms.
void When(std::function<bool()> ready, std::function<void()> step) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, ready, step] {
        if (!ready()) return;
        timer->stop();
        timer->deleteLater();
        step();
    });
    timer->start(50);
}

QWidget* OpenModal() {
    QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal->isVisible() ? modal : nullptr;
}

void Press(QWidget* window, const char* name) {
    if (auto* button = window->findChild<QAbstractButton*>(name)) button->click();
}

// The manual at the main window's context, then the about dialog.
void TakeHelpAndAbout(AppWindows& w) {
    w.Help->SetManualFile(NEBU_MANUAL);
    w.Help->ShowContext(10);
    THelpWindow* help = w.Help.get();
    TVerinfoF* about = w.VerinfoF.get();
    When([help] { return help->isVisible(); },
         [help, about] {
             Save(help, "help-context-10");
             help->hide();
             When(OpenModal, [] {
                 Save(OpenModal(), "about");
                 Press(OpenModal(), "Button1");
             });
             about->exec();
             QApplication::quit();
         });
}

// A job paused at its deletion questions, one per pair of equal files, on a
// clock that moves three seconds per question: the work-status window with
// the bytes read and the time left, taken at the fifth question.
struct ProgressShot {
    QTemporaryDir tree{QDir::tempPath() + "/nebu-progress-XXXXXX"};
    TNebu job;
    TShori_f window;
    double now = 0;
    int clockReads = 0;
    int asked = 0;
};

void WriteRandomFile(const QString& path, std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

void AnswerProgressQuestions(ProgressShot* p, std::function<void()> then) {
    When(OpenModal, [p, then] {
        p->now += 3;
        const int reads = p->clockReads;
        When([p, reads] { return p->clockReads >= reads + 2; },
             [p, then] {
                 auto* box = qobject_cast<QMessageBox*>(OpenModal());
                 if (++p->asked < 5) {
                     if (box != nullptr) box->button(QMessageBox::No)->click();
                     AnswerProgressQuestions(p, then);
                     return;
                 }
                 Save(&p->window, "progress");
                 if (box != nullptr) box->button(QMessageBox::Cancel)->click();
                 When([p] { return !p->window.JobRunning(); },
                      [p, then] {
                          delete p;
                          then();
                      });
             });
    });
}

void TakeProgress(std::function<void()> then) {
    auto* p = new ProgressShot;
    const QString root = p->tree.path();
    QDir().mkpath(root + "/元");
    QDir().mkpath(root + "/先");
    for (unsigned i = 0; i < 12; ++i) {
        const QString name = QString("写真%1.jpg").arg(i);
        WriteRandomFile(root + "/元/" + name, (1u << 20) + i * 4096, i);
        WriteRandomFile(root + "/先/" + name, (1u << 20) + i * 4096, i);
    }
    p->job.SrcDirs.Add((root + "/元/").toStdString());
    p->job.DstDirs.Add((root + "/先/").toStdString());
    p->job.SizeMin = 0;
    p->job.SizeMax = 999999999;
    p->job.NoDelete = 0;
    p->job.DelConfirm = 1;
    p->window.SetClock([p] {
        ++p->clockReads;
        return p->now;
    });
    p->window.resize(640, 360);
    AnswerProgressQuestions(p, then);
    p->window.StartJob(p->job, JobStartOptions{"", true, false});
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: nebu-screenshots OUTDIR SETTINGS.neb\n");
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);
    PrepareApplication(app);
    const QString sample = QFileInfo(QString::fromLocal8Bit(argv[2])).absolutePath();
    auto w = CreateWindows(argv[2]);
    TMain_from* main = w->Main_from.get();
    TShori_f* shori = w->Shori_f.get();
    main->show();

    When([main] { return main->isVisible(); },
         [&] {
             Save(main, "main");
             // The add-directory dialog with a typed path, and a side's pop-up menu.
             TDirF* dirF = w->DirF.get();
             dirF->findChild<QLineEdit*>("PathEdit")->setText(sample + "/source");
             dirF->show();
             Save(dirF, "add-directory");
             dirF->hide();
             auto* menu = main->findChild<QMenu*>("PopupMenu1");
             menu->popup(main->mapToGlobal(QPoint(40, 80)));
             Save(menu, "popup-menu");
             menu->close();
             Press(main, "SpeedButton1");
             main->Settings().DiffListChk = true;
             main->ShowSettings();
             Save(main, "main-details");
             Press(main, "Button1");
             Save(w->TermsF.get(), "conditions");
             Press(w->TermsF.get(), "Button2");
             Press(main, "OK");
             When([shori] { return shori->findChild<QPushButton*>("Button1")->text() == "閉じる"; },
                  [&] {
                      auto* pages = shori->findChild<QTabWidget*>("PageControl1");
                      for (int page = 0; page < pages->count(); ++page) {
                          pages->setCurrentIndex(page);
                          Save(shori, QString("results-%1").arg(page + 1));
                      }
                      Press(shori, "Button1");
                      When(OpenModal, [&] {
                          Save(OpenModal(), "delete-choice");
                          Press(OpenModal(), "NoBtn");
                      });
                      DeleteChoice choice{"夏休みの写真.jpg", "/home/利用者/ピクチャ/2024/旅行",
                                          "夏休みの写真 (コピー).jpg",
                                          "/media/usb/バックアップ/写真", DelAnswer::NotAsked};
                      w->Del_f->Ask(choice);
                      main->Settings().Side(2).DirListShown = false;
                      main->ShowSettings();
                      main->findChild<TDirListBox*>("DirList2")->SetDirectory("");
                      Save(main, "main-computer-level");
                      main->Settings().SizeMin = "100";
                      main->Settings().SizeMax = "99";
                      main->ShowSettings();
                      When(OpenModal, [&] {
                          Save(OpenModal(), "message");
                          Press(OpenModal(), "qt_msgbox_buttonbox");
                          OpenModal()->close();
                      });
                      Press(main, "OK");
                      TakeProgress([&] { TakeHelpAndAbout(*w); });
                  });
         });
    const int code = QApplication::exec();
    w.reset();
    return code;
}
