// The same-file list used as a work list after real jobs over real trees:
// deleting with and without questions, files that vanished or changed since
// the job, exchanging sides, opening and saving as CSV.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <csignal>
#include <memory>

#include "engine/JobTestSupport.h"
#include "gui/support/GuiTest.h"
#include "platform/Cp932.h"
#include "results/SameListModel.h"
#include "results/TShori_f.h"
#include "support/ArchiveFixtures.h"

using namespace nebu;
using namespace nebu::test;

namespace {

template <typename T>
T* Control(QWidget& window, const char* name) {
    T* control = window.findChild<T*>(name);
    if (control == nullptr) qFatal("no control %s", name);
    return control;
}

// Takes the URLs the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void Open(const QUrl& url) { urls << url; }
};

}  // namespace

class ResultActionsTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<TempTree> tree_;
    std::unique_ptr<TNebu> job_;
    std::unique_ptr<TShori_f> window_;
    std::shared_ptr<bool> answering_;
    QStringList questions_;

    // Runs a job (over 元 and 先 unless told) and leaves the window on its
    // same-file page.
    void RunJob(const std::string& logPath = {}, std::string src = {}, std::string dst = {}) {
        job_ = std::make_unique<TNebu>();
        SetUpJob(*job_, {src.empty() ? *tree_ / "元" : src}, {dst.empty() ? *tree_ / "先" : dst});
        window_->StartJob(*job_, {logPath, true, false});
        QPushButton* button = Control<QPushButton>(*window_, "Button1");
        QVERIFY(QTest::qWaitFor([&] { return button->text() == "閉じる"; }, 60000));
        Control<QTabWidget>(*window_, "PageControl1")->setCurrentIndex(1);
    }
    QTreeView* List() { return Control<QTreeView>(*window_, "MatchList"); }
    QToolButton* Button(const char* name) { return Control<QToolButton>(*window_, name); }
    int Rows() { return window_->SameModel().rowCount(); }
    QString Cell(int row, int column) {
        return window_->SameModel().index(row, column).data().toString();
    }
    // Selects the rows whose source (column 3) is `source`, or every row.
    void Select(const QString& source = {}) {
        List()->clearSelection();
        for (int r = 0; r < Rows(); ++r) {
            if (!source.isEmpty() && Cell(r, 3) != source) continue;
            List()->selectionModel()->select(
                window_->SameModel().index(r, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QStringList MemoLines(const QString& containing) {
        return Control<QPlainTextEdit>(*window_, "LogMemo")
            ->toPlainText()
            .split('\n')
            .filter(containing);
    }
    // Answers the coming questions with these buttons in order, noting their
    // texts; a question beyond them is left to the next call.
    void Answer(QStringList buttons) {
        if (buttons.isEmpty()) return;
        const QString button = buttons.takeFirst();
        std::shared_ptr<bool> alive = answering_;
        guitest::WhenModalShows(
            [this, alive, button, buttons](QWidget* modal) {
                if (!*alive) return;
                // The file and font dialogs are answered by their own steps.
                if (qobject_cast<QMessageBox*>(modal) == nullptr) {
                    Answer(QStringList(button) + buttons);
                    return;
                }
                questions_ << guitest::DialogText(modal);
                for (QAbstractButton* b : modal->findChildren<QAbstractButton*>()) {
                    if (b->text().remove('&').startsWith(button)) {
                        QTest::mouseClick(b, Qt::LeftButton);
                        Answer(buttons);
                        return;
                    }
                }
                modal->close();
            },
            3000);
    }
    // Saves the list under `path`, the file dialog answered as a user would.
    void SaveAs(const std::string& path, std::function<void()> beforeAccept = {}) {
        guitest::WhenModalShows([=](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (dialog == nullptr) {
                modal->close();
                return;
            }
            // Typed in whole, as a user would: the dialog reads the name as
            // it stands, without waiting for a folder to be listed.
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            if (name == nullptr) qFatal("no file name field");
            name->setText(QString::fromStdString(path));
            if (beforeAccept) beforeAccept();
            static_cast<QDialog*>(dialog)->accept();
        });
        QTest::mouseClick(Button("saveBtn"), Qt::LeftButton);
    }

  private slots:
    void init() {
        tree_ = std::make_unique<TempTree>();
        tree_->MakeDir("元");
        tree_->MakeDir("先");
        window_ = std::make_unique<TShori_f>();
        answering_ = std::make_shared<bool>(true);
        questions_.clear();
    }
    void cleanup() {
        *answering_ = false;
        window_.reset();
        job_.reset();
        tree_.reset();
    }

    void ThreeRowsOfOneTargetGoWithOneQuestionAndOneLine() {
        const std::string same = RandomBytes(700, 1);
        for (const char* name : {"一.txt", "二.txt", "三.txt"})
            tree_->Write(std::string("元/") + name, same);
        const std::string target = tree_->Write("先/写し.txt", same);
        const std::string logPath = *tree_ / "記録.log";
        RunJob(logPath);
        QCOMPARE(Rows(), 3);
        QVERIFY(!Button("delBtn")->isEnabled());
        Select();
        QCOMPARE(Button("delBtn")->text(), QString("確認しながら削除"));
        QVERIFY(Button("alldelBtn")->isEnabled());
        QVERIFY(window_->findChild<QAction*>("AllDel")->isVisible());
        Answer({"はい", "はい"});
        QTest::mouseClick(Button("delBtn"), Qt::LeftButton);
        QCOMPARE(questions_,
                 QStringList("｢" + QString::fromStdString(target) + "｣を削除してよいですか？"));
        QVERIFY(!Exists(target));
        QVERIFY(Exists(*tree_ / "元/一.txt") && Exists(*tree_ / "元/三.txt"));
        QCOMPARE(Rows(), 0);
        QCOMPARE(MemoLines("を削除しました。"),
                 QStringList("｢" + QString::fromStdString(target) + "｣を削除しました。"));
        const std::string log = ReadFile(logPath);
        QVERIFY(log.find(platform::Utf8ToCp932Lossy("を削除しました。")) != std::string::npos);
        QVERIFY(!Control<QListWidget>(*window_, "NoList")->isHidden());
        QCOMPARE(Control<QTabWidget>(*window_, "PageControl1")->tabText(1),
                 QString("同じファイルリスト(0件)"));
        QVERIFY(!Button("saveBtn")->isEnabled());
    }

    void VanishedOrChangedSourcesKeepTheirTargets() {
        const std::string same = RandomBytes(900, 2);
        tree_->Write("元/甲.txt", same);
        tree_->Write("元/乙.txt", same);
        const std::string kept = tree_->Write("先/的.txt", same);
        const std::string changed = tree_->Write("元/変.txt", std::string(300, 'a'));
        const std::string copy = tree_->Write("先/写.txt", std::string(300, 'a'));
        RunJob();
        QCOMPARE(Rows(), 3);
        // One source deleted, the other rewritten with its time put back.
        QVERIFY(::unlink((*tree_ / "元/甲.txt").c_str()) == 0);
        struct stat before;
        QVERIFY(::stat(changed.c_str(), &before) == 0);
        WriteFile(changed, std::string(300, 'b'));
        const timespec times[2] = {before.st_atim, before.st_mtim};
        QVERIFY(::utimensat(AT_FDCWD, changed.c_str(), times, 0) == 0);

        Answer({"いいえ"});
        Select("甲.txt");
        QTest::keyClick(List(), Qt::Key_Delete);
        QCOMPARE(Rows(), 2);
        Select("変.txt");
        QTest::mouseClick(Button("delBtn"), Qt::LeftButton);
        QCOMPARE(Rows(), 1);
        QVERIFY(questions_.isEmpty());
        QVERIFY(Exists(kept) && Exists(copy));
        QCOMPARE(
            MemoLines("比較の後で変更されたので"),
            QStringList("｢" + QString::fromStdString(changed) + "｣が比較の後で変更されたので｢" +
                        QString::fromStdString(copy) + "｣を削除しませんでした。"));
        QCOMPARE(Cell(0, 3), QString("乙.txt"));
    }

    void CancelEndsTheSeries() {
        for (int i = 1; i <= 3; ++i) {
            const std::string content = RandomBytes(100 * i, i);
            tree_->Write("元/源" + std::to_string(i), content);
            tree_->Write("先/的" + std::to_string(i), content);
        }
        RunJob();
        Select();
        Answer({"はい", "キャンセル"});
        window_->findChild<QAction*>("Delete1")->trigger();
        QCOMPARE(questions_.size(), 2);
        QVERIFY(!Exists(*tree_ / "先/的1"));
        QVERIFY(Exists(*tree_ / "先/的2") && Exists(*tree_ / "先/的3"));
        QCOMPARE(Rows(), 2);
    }

    void SwappedRowDeletesTheFormerSourceAndOpensByKeyAndDoubleClick() {
        const std::string both = tree_->MakeDir("共通");
        const std::string content = RandomBytes(400, 5);
        tree_->Write("共通/甲.txt", content);
        tree_->Write("共通/乙.txt", content);
        RunJob({}, both, both);
        QCOMPARE(Rows(), 1);
        const QString target = Cell(0, 0);
        const QString source = Cell(0, 3);
        // A click on the row's image exchanges its sides.
        const int y = List()->visualRect(window_->SameModel().index(0, 0)).center().y();
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, QPoint(5, y));
        QCOMPARE(Cell(0, 0), source);
        QVERIFY(window_->findChild<QAction*>("DelChg")->isEnabled());

        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("file", &catcher, "Open");
        QTest::keyClick(List(), Qt::Key_Return);
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, QPoint(60, y));
        QDesktopServices::unsetUrlHandler("file");
        const QString former = QString::fromStdString(both) + "/" + source;
        QCOMPARE(catcher.urls,
                 QList<QUrl>({QUrl::fromLocalFile(former), QUrl::fromLocalFile(former)}));

        Answer({"はい"});
        QTest::mouseClick(Button("delBtn"), Qt::LeftButton);
        QCOMPARE(questions_, QStringList("｢" + former + "｣を削除してよいですか？"));
        QVERIFY(!Exists(former.toStdString()));
        QVERIFY(Exists(both + "/" + target.toStdString()));
    }

    void EnterOnAnArchiveEntryOpensNothing() {
        const std::string content = RandomBytes(500, 3);
        tree_->Write("元/中身.txt", content);
        MakeZip(*tree_ / "先/書庫.zip", {{"中身.txt", content}});
        job_ = std::make_unique<TNebu>();
        SetUpJob(*job_, {*tree_ / "元"}, {*tree_ / "先"});
        job_->DstZip = 1;
        job_->DstMask = "*.ZIP;";
        window_->StartJob(*job_, {{}, false, false});
        QPushButton* button = Control<QPushButton>(*window_, "Button1");
        QVERIFY(QTest::qWaitFor([&] { return button->text() == "閉じる"; }, 60000));
        Control<QTabWidget>(*window_, "PageControl1")->setCurrentIndex(1);
        QCOMPARE(Rows(), 1);
        QCOMPARE(Cell(0, 1), QString::fromStdString(*tree_ / "先/書庫.zip"));
        Select();
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("file", &catcher, "Open");
        QTest::keyClick(List(), Qt::Key_Return);
        QDesktopServices::unsetUrlHandler("file");
        QVERIFY(catcher.urls.isEmpty());
    }

    void LargerFontWidensClippedCaptionsAndTheLastColumnStretches() {
        tree_->Write("元/a", "same");
        tree_->Write("先/a", "same");
        RunJob();
        QHeaderView* header = List()->header();
        QFont large = List()->font();
        large.setPointSize(large.pointSize() * 3);
        guitest::WhenModalShows([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFontDialog*>(modal);
            if (dialog == nullptr) qFatal("no font dialog");
            dialog->setCurrentFont(large);
            dialog->accept();
        });
        QTest::mouseClick(Button("fontBtn"), Qt::LeftButton);
        QCOMPARE(List()->font().pointSize(), large.pointSize());
        for (int column = 0; column + 1 < header->count(); ++column)
            QVERIFY2(header->sectionSize(column) >= header->sectionSizeHint(column),
                     qPrintable(QString::number(column)));
        window_->resize(2400, window_->height());
        QTRY_VERIFY(header->sectionSize(header->count() - 1) > 180);
        const int last = header->sectionSize(header->count() - 1);
        window_->resize(window_->width() + 150, window_->height());
        QTRY_COMPARE(header->sectionSize(header->count() - 1), last + 150);
    }

    void CsvReplacesALongerFileWholeOrNotAtAll() {
        tree_->Write("元/表.txt", "same bytes");
        tree_->Write("先/表.txt", "same bytes");
        RunJob();
        const std::string record = platform::Utf8ToCp932Lossy(
            "\"表.txt\",\"" + (*tree_ / "先") + "\",\"表.txt\",\"" + (*tree_ / "元") + "\"\r\n");
        const std::string old = tree_->Write("一覧.csv", std::string(4096, 'x'));
        Answer({"はい"});  // replacing the existing file is confirmed
        SaveAs(old);
        QCOMPARE(ReadFile(old), record);
        // ".csv" goes on a name without a dot, whatever its folder is called.
        tree_->MakeDir("出力.d");
        SaveAs(*tree_ / "出力.d/一覧");
        QCOMPARE(ReadFile(*tree_ / "出力.d/一覧.csv"), record);
        // Through a link (here to a file not there yet), the link stays and
        // the file it names takes the list.
        const std::string link = *tree_ / "最新.csv";
        QCOMPARE(::symlink("出力.d/最新の一覧.csv", link.c_str()), 0);
        SaveAs(link);
        struct stat st {};
        QVERIFY(::lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
        QCOMPARE(ReadFile(*tree_ / "出力.d/最新の一覧.csv"), record);

        // A save that fails half-way leaves the old list as it was.
        WriteFile(old, std::string(4096, 'x'));
        int exitCode = -1;
        window_->SetExitHandler([&](int code) { exitCode = code; });
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        auto* previous = std::signal(SIGXFSZ, SIG_IGN);
        Answer({"はい", "OK"});
        SaveAs(old, [&] {
            rlimit small = saved;
            small.rlim_cur = 16;
            ::setrlimit(RLIMIT_FSIZE, &small);
        });
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(exitCode, kExitWriteFailed);
        QVERIFY(questions_.last().contains("ファイルの書き込みに失敗しました。"));
        QCOMPARE(ReadFile(old), std::string(4096, 'x'));
    }

    // What the job moved to the trash and what was deleted from the list
    // afterwards come back together, after one question.
    void RestorePutsTheRunsTrashedFilesBack() {
        const std::string same = RandomBytes(600, 9);
        tree_->Write("元/原本.txt", same);
        const std::string byJob = tree_->Write("先/写し.txt", same);
        job_ = std::make_unique<TNebu>();
        SetUpJob(*job_, {*tree_ / "元"}, {*tree_ / "先"});
        job_->NoDelete = 0;
        job_->ToRecycleBin = 1;
        window_->StartJob(*job_, {{}, true, false});
        QPushButton* close = Control<QPushButton>(*window_, "Button1");
        QVERIFY(QTest::qWaitFor([&] { return close->text() == "閉じる"; }, 60000));
        QVERIFY(!Exists(byJob));
        QToolButton* undo = Button("undoBtn");
        QCOMPARE(undo->text(), QString("元に戻す"));
        QVERIFY(undo->isEnabled());

        // Declined: nothing moves.
        Answer({"いいえ"});
        QTest::mouseClick(undo, Qt::LeftButton);
        QVERIFY(!Exists(byJob));
        Answer({"はい", "OK"});
        QTest::mouseClick(undo, Qt::LeftButton);
        QCOMPARE(questions_.size(), 3);
        QCOMPARE(questions_[1],
                 QString("この処理でごみ箱に移した1個のファイルを元の場所に戻してよいですか？"));
        QVERIFY(questions_[2].contains("1個のファイルを元に戻しました。"));
        QCOMPARE(ReadFile(byJob), same);
        QCOMPARE(MemoLines("を元に戻しました。"),
                 QStringList("｢" + QString::fromStdString(byJob) + "｣を元に戻しました。"));
        QVERIFY(!undo->isEnabled());
    }
};

NEBU_GUI_TEST_MAIN(ResultActionsTest)
#include "ResultActionsTest.moc"
