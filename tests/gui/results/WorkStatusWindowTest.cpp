// The work-status window driven through whole jobs over real trees: what the
// user sees while a job runs, when it ends, is stopped, or cannot write its
// log file, and the lists it is left with.

#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTreeView>
#include <chrono>
#include <semaphore>

#include "engine/JobTestSupport.h"
#include "gui/support/GuiTest.h"
#include "platform/Cp932.h"
#include "report/RemainingTime.h"
#include "results/DiffListModel.h"
#include "results/SameListModel.h"
#include "results/TShori_f.h"

using namespace nebu;
using namespace nebu::test;
using guitest::DialogText;
using guitest::WhenModalShows;

namespace {

constexpr int kJobTimeoutMs = 60000;

template <typename T>
T* Control(QWidget& window, const char* name) {
    T* control = window.findChild<T*>(name);
    if (control == nullptr) qFatal("no control %s", name);
    return control;
}

QStringList MemoLines(TShori_f& window) {
    return Control<QPlainTextEdit>(window, "LogMemo")->toPlainText().split('\n');
}

// Pairs of equal files 元/<name> and 先/<name>, one content each.
void WritePairs(const TempTree& tree, int count, int firstSeed = 1) {
    for (int i = 0; i < count; ++i) {
        const std::string content = RandomBytes(64 + i, firstSeed + i);
        const std::string name = "同じ" + std::to_string(i) + ".txt";
        tree.Write("元/" + name, content);
        tree.Write("先/" + name, content);
    }
}

int CountOf(const std::string& text, const std::string& needle) {
    int n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

}  // namespace

class WorkStatusWindowTest : public QObject {
    Q_OBJECT
  private:
    void Prepare() {
        tree_ = std::make_unique<TempTree>();
        tree_->MakeDir("元");
        tree_->MakeDir("先");
        job_ = std::make_unique<TNebu>();
        SetUpJob(*job_, {*tree_ / "元"}, {*tree_ / "先"});
        window_ = std::make_unique<TShori_f>();
    }
    void Start(JobStartOptions options = {}) { window_->StartJob(*job_, options); }
    bool WaitForEnd() {
        QPushButton* button = Control<QPushButton>(*window_, "Button1");
        return QTest::qWaitFor([&] { return button->text() == "閉じる"; }, kJobTimeoutMs);
    }
    QString Caption() const { return window_->windowTitle(); }
    // The pages a user can turn to and use: the log always, the lists only
    // once the job has ended.
    QString UsablePages() const {
        auto* pages = Control<QTabWidget>(*window_, "PageControl1");
        QStringList usable;
        for (int page : {0, 1, 2})
            if (pages->isEnabled() && pages->isTabEnabled(page) && pages->widget(page)->isEnabled())
                usable << pages->tabText(page).left(2);
        return usable.join(' ');
    }
    QString PageCaption(int page) const {
        return Control<QTabWidget>(*window_, "PageControl1")->tabText(page);
    }

    std::unique_ptr<TempTree> tree_;
    std::unique_ptr<TNebu> job_;
    std::unique_ptr<TShori_f> window_;
    QPointer<QWidget> lastQuestion_;

  private slots:
    void init() { Prepare(); }
    void cleanup() {
        window_.reset();
        job_.reset();
        tree_.reset();
    }

    void FinishedJobShowsPairsLogAndEnd() {
        WritePairs(*tree_, 2);
        tree_->Write("先/だけ.txt", "only here");
        const std::string logPath = *tree_ / "nebu.log";
        WriteFile(logPath, "old\r\n");
        QSignalSpy closed(window_.get(), &TShori_f::Closed);
        Start({logPath, true, false});
        QVERIFY(window_->isVisible());
        QCOMPARE(Caption(), QString("ファイル検索中"));
        QCOMPARE(UsablePages(), QString("作業"));
        // Closing is refused while the job runs, by key and by request.
        QTest::keyClick(window_.get(), Qt::Key_F4, Qt::AltModifier);
        QVERIFY(!window_->close());
        QVERIFY(window_->isVisible());

        QVERIFY(WaitForEnd());
        QCOMPARE(Caption(), QString("処理終了"));
        QCOMPARE(Control<QProgressBar>(*window_, "ProgressBar1")->value(), 100);
        QVERIFY(!window_->JobRunning());
        QCOMPARE(UsablePages(), QString("作業 同じ 違う"));
        QCOMPARE(PageCaption(1), QString("同じファイルリスト(2件)"));
        QVERIFY(Control<QListWidget>(*window_, "NoList")->isHidden());
        QAbstractItemModel* list = Control<QTreeView>(*window_, "MatchList")->model();
        QCOMPARE(list->rowCount(), 2);
        QSet<QString> names{list->index(0, 0).data().toString(),
                            list->index(1, 3).data().toString()};
        QVERIFY(names.contains("同じ0.txt") || names.contains("同じ1.txt"));
        QCOMPARE(list->index(0, 1).data().toString(), QString::fromStdString(*tree_ / "先"));
        QCOMPARE(list->index(0, 4).data().toString(), QString::fromStdString(*tree_ / "元"));

        const QStringList memo = MemoLines(*window_);
        QVERIFY(memo.first().startsWith("処理開始（"));
        QVERIFY(memo.last().startsWith("処理時間は"));
        QCOMPARE(memo.filter("が同じです").size(), 2);
        // The log file is appended to, one CR LF line per memo line.
        const std::string log = ReadFile(logPath);
        QCOMPARE(log.substr(0, 5), std::string("old\r\n"));
        QCOMPARE(CountOf(log, "\r\n"), memo.size() + 1);
        QCOMPARE(CountOf(log, platform::Utf8ToCp932Lossy("が同じです")), 2);

        QTest::keyClick(window_.get(), Qt::Key_F4, Qt::AltModifier);
        QVERIFY(!window_->isVisible());
        QCOMPARE(closed.count(), 1);
    }

    void JobWithoutFilesEndsWithPlaceholders() {
        Start({"", true, true});
        QVERIFY(WaitForEnd());
        QCOMPARE(Caption(), QString("処理終了"));
        QCOMPARE(Control<QProgressBar>(*window_, "ProgressBar1")->value(), 100);
        QCOMPARE(PageCaption(1), QString("同じファイルリスト(0件)"));
        QVERIFY(!Control<QListWidget>(*window_, "NoList")->isHidden());
        QCOMPARE(PageCaption(2), QString("違うファイルリスト(0件)"));
        auto* noDiff = Control<QListWidget>(*window_, "NoDiffList");
        QVERIFY(!noDiff->isHidden());
        QCOMPARE(noDiff->item(0)->text(), QString("違うファイルはありません"));
        QVERIFY(Control<QTabWidget>(*window_, "PageControl1")->isTabVisible(2));
    }

    void StopWhileScanningEndsStopped() {
        WritePairs(*tree_, 3);
        // The worker waits as its scan begins until the stop has been
        // pressed, however fast it would otherwise get through the trees.
        std::binary_semaphore scanning{0};
        std::binary_semaphore pressed{0};
        job_->SourceScanBegins = [&] {
            scanning.release();
            pressed.acquire();
        };
        QSignalSpy closed(window_.get(), &TShori_f::Closed);
        Start();
        const bool held = scanning.try_acquire_for(std::chrono::milliseconds(kJobTimeoutMs));
        const std::uint8_t phaseAtPress = job_->Phase.load();
        if (held) Control<QPushButton>(*window_, "Button1")->click();
        pressed.release();
        QVERIFY(held);
        QCOMPARE(phaseAtPress, std::uint8_t{kPhaseScanSource});
        QVERIFY(WaitForEnd());
        QCOMPARE(Caption(), QString("処理中止"));
        QCOMPARE(window_->SameModel().rowCount(), 0);
        QCOMPARE(job_->Phase.load(), kPhaseStopped);
        QVERIFY(!Control<QTabWidget>(*window_, "PageControl1")->isTabVisible(2));
        const QStringList memo = MemoLines(*window_);
        QVERIFY(memo.filter("処理中止（").size() == 1);
        // The scan ended with the stop: no side reported its count.
        QVERIFY(memo.filter("件検索しました").isEmpty());
        QTest::mouseClick(Control<QPushButton>(*window_, "Button1"), Qt::LeftButton);
        QVERIFY(!window_->isVisible());
        QCOMPARE(closed.count(), 1);
    }

    void StopDuringComparisonKeepsListedPairs() {
        WritePairs(*tree_, 3);
        job_->NoDelete = 0;
        job_->DelConfirm = 1;
        QString question;
        // The stop button is pressed while the first deletion question is
        // open; the question itself is answered "no".
        QSet<QString> captions;
        QString usable;
        WhenModalShows([&](QWidget* box) {
            question = DialogText(box);
            // Meanwhile the caption blinks; its blank half is a title that
            // shows nothing, never an empty one (the application's name).
            (void)QTest::qWaitFor(
                [&] {
                    captions << Caption();
                    return captions.contains("ファイル比較中") && captions.contains("\u3000");
                },
                5000);
            usable = UsablePages();
            Control<QPushButton>(*window_, "Button1")->click();
            qobject_cast<QMessageBox*>(box)->button(QMessageBox::No)->click();
        });
        Start({"", true, true});
        QVERIFY(WaitForEnd());
        QVERIFY(question.contains("を削除してよいですか？"));
        QVERIFY(captions.contains("ファイル比較中") && captions.contains("\u3000"));
        QVERIFY(!captions.contains(""));
        QCOMPARE(usable, QString("作業"));
        QCOMPARE(Caption(), QString("処理中止"));
        QVERIFY(Control<QProgressBar>(*window_, "ProgressBar1")->value() < 100);
        QCOMPARE(window_->SameModel().rowCount(), 1);
        QCOMPARE(PageCaption(1), QString("同じファイルリスト(1件)"));
        QCOMPARE(window_->DiffModel().rowCount(), 0);
        for (int i = 0; i < 3; ++i)
            QVERIFY(Exists(*tree_ / ("先/同じ" + std::to_string(i) + ".txt")));
    }

    void StopAndJoinWhileAQuestionIsOpen() {
        WritePairs(*tree_, 3);
        job_->NoDelete = 0;
        job_->DelConfirm = 1;
        int questions = 0;
        WhenModalShows([&](QWidget*) {
            ++questions;
            window_->StopAndJoin();
        });
        Start();
        QTRY_VERIFY_WITH_TIMEOUT(!window_->JobRunning(), kJobTimeoutMs);
        QCOMPARE(job_->Phase.load(), kPhaseStopped);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(WaitForEnd());
        QCOMPARE(Caption(), QString("処理中止"));
        QCOMPARE(questions, 1);
        for (int i = 0; i < 3; ++i)
            QVERIFY(Exists(*tree_ / ("先/同じ" + std::to_string(i) + ".txt")));
    }

    void DeleteChoiceIsAskedOnTheGuiThreadAndAStopInsideItCancels() {
        // One folder on both sides: its two equal files form a mutual pair.
        const std::string both = tree_->MakeDir("共通");
        const std::string content = RandomBytes(300, 9);
        tree_->Write("共通/甲.txt", content);
        tree_->Write("共通/乙.txt", content);
        SetUpJob(*job_, {both}, {both});
        job_->NoDelete = 0;
        job_->DelConfirm = 1;
        int asked = 0;
        bool onGuiThread = false;
        window_->SetDeleteChoiceDialog([&](DeleteChoice& choice) {
            ++asked;
            onGuiThread = QThread::currentThread() == qApp->thread();
            // The application ends while the question is open: the answer
            // given afterwards no longer counts.
            window_->StopAndJoin();
            choice.DelResult = DelAnswer::DeleteSecond;
        });
        Start();
        QVERIFY(WaitForEnd());
        QCOMPARE(asked, 1);
        QVERIFY(onGuiThread);
        QCOMPARE(Caption(), QString("処理中止"));
        QVERIFY(Exists(*tree_ / "共通/甲.txt"));
        QVERIFY(Exists(*tree_ / "共通/乙.txt"));
    }

    void MemoKeepsTheLatestLinesAndTheFileAll() {
        // Enough pairs for the display-limit warning as well.
        WritePairs(*tree_, 5000);
        const std::string logPath = *tree_ / "ログ.log";
        Start({logPath, true, false});
        QVERIFY(WaitForEnd());
        QCOMPARE(window_->SameModel().rowCount(), 5000);
        const QStringList memo = MemoLines(*window_);
        QCOMPARE(memo.size(), 201);
        QCOMPARE(memo.last(), QString("「同じﾌｧｲﾙの件数」が表示限界(5000件)に達しています。"
                                      "表示されない同じﾌｧｲﾙがある可能性があります。"));
        QVERIFY(memo[memo.size() - 2].startsWith("処理時間は"));
        QCOMPARE(memo.filter("表示限界").size(), 1);
        const std::string log = ReadFile(logPath);
        QCOMPARE(CountOf(log, platform::Utf8ToCp932Lossy("が同じです")), 5000);
        QCOMPARE(CountOf(log, platform::Utf8ToCp932Lossy("表示限界")), 1);
        QVERIFY(CountOf(log, "\r\n") > 5000);
        // The file ends with the memo's last line.
        const std::string lastLine = platform::Utf8ToCp932Lossy(memo.last().toStdString()) + "\r\n";
        QCOMPARE(log.substr(log.size() - lastLine.size()), lastLine);
    }

    void UnwritableLogFileStopsShowsAndExits() {
        WritePairs(*tree_, 2);
        job_->NoDelete = 0;
        job_->DelConfirm = 1;
        int exitCode = -1;
        int questions = 0;
        bool runningAtMessage = true;
        QString message;
        window_->SetExitHandler([&](int code) { exitCode = code; });
        // The first poll finds the worker waiting on a deletion question that
        // nobody answers; the failed log line must close it, stop the job and
        // join the worker before the message comes.
        std::function<void(QWidget*)> answer = [&](QWidget* box) {
            if (!DialogText(box).contains("ログファイル")) {
                if (box != lastQuestion_) ++questions;
                lastQuestion_ = box;
                WhenModalShows(answer);
                return;
            }
            runningAtMessage = window_->JobRunning();
            message = DialogText(box);
            qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
        };
        WhenModalShows(answer);
        Start({*tree_ / "無いフォルダ/nebu.log", true, false});
        QTRY_COMPARE_WITH_TIMEOUT(exitCode, 3, kJobTimeoutMs);
        QVERIFY(message.contains("ログファイルの書き込みに失敗しました。"));
        QVERIFY(!runningAtMessage);
        QCOMPARE(questions, 1);
        QCOMPARE(job_->Phase.load(), kPhaseStopped);
        for (int i = 0; i < 2; ++i)
            QVERIFY(Exists(*tree_ / ("先/同じ" + std::to_string(i) + ".txt")));
    }

    void DifferentFilesAreCappedAndPairedByName() {
        for (int i = 0; i < 600; ++i)
            tree_->Write("先/違う" + std::to_string(i), RandomBytes(20, i));
        Start({"", true, true});
        QVERIFY(WaitForEnd());
        QCOMPARE(window_->DiffModel().rowCount(), 501);
        auto* noDiff = Control<QListWidget>(*window_, "NoDiffList");
        QVERIFY(!noDiff->isHidden());
        QCOMPARE(noDiff->item(0)->text(), QString("件数が500件を超えているので表示できません"));
        QCOMPARE(PageCaption(2), QString("違うファイルリスト"));
        QCOMPARE(window_->DiffModel().index(0, 3).data().toString(), QString());

        Prepare();
        tree_->Write("先/A.TXT", "target side");
        tree_->Write("元/a.txt", "source side!");
        Start({"", true, true});
        QVERIFY(WaitForEnd());
        QCOMPARE(window_->DiffModel().rowCount(), 1);
        const QAbstractItemModel& diff = window_->DiffModel();
        QCOMPARE(diff.index(0, 0).data().toString(), QString("A.TXT"));
        QCOMPARE(diff.index(0, 3).data().toString(), QString("a.txt"));
        QCOMPARE(diff.index(0, 5).data().toString(), QString("1KB"));
        QCOMPARE(PageCaption(2), QString("違うファイルリスト(1件)"));
        QVERIFY(Control<QListWidget>(*window_, "NoDiffList")->isHidden());
    }
    // The comparison paused at each deletion question, while the window's
    // clock (the test's) moves two seconds: the bar's text shows the bytes
    // read of those planned and, once the pace is known, the time left.
    void ProgressShowsBytesAndTimeLeft() {
        constexpr int kPairs = 8;
        WritePairs(*tree_, kPairs);
        job_->NoDelete = 0;
        job_->DelConfirm = 1;
        double now = 0;
        int clockReads = 0;
        window_->SetClock([&] {
            ++clockReads;
            return now;
        });
        auto* text = Control<QLabel>(*window_, "ProgressText");
        auto* bar = Control<QProgressBar>(*window_, "ProgressBar1");
        QStringList seen;
        QList<int> positions;
        std::function<void(QWidget*)> answer = [&](QWidget* box) {
            now += 2;
            const int reads = clockReads;
            // Two ticks see the paused job at the new time.
            (void)QTest::qWaitFor([&] { return clockReads >= reads + 2; }, 5000);
            seen << text->text();
            positions << bar->value();
            if (seen.size() < kPairs) WhenModalShows(answer);
            qobject_cast<QMessageBox*>(box)->button(QMessageBox::No)->click();
        };
        WhenModalShows(answer);
        Start({"", true, true});
        QVERIFY(WaitForEnd());
        QCOMPARE(seen.size(), kPairs);
        // Each pair's two files, 64 + i bytes long, are read for its group.
        std::int64_t total = 0;
        for (int i = 0; i < kPairs; ++i) total += 2 * (64 + i);
        const QString amounts = QString::fromStdString(ByteAmountText(total));
        QCOMPARE(seen.front(), QString::fromStdString(ByteAmountText(2 * 64)) + " / " + amounts);
        QVERIFY2(seen.back().contains(" / " + amounts + "  残り 0:"), qPrintable(seen.back()));
        QVERIFY(seen.filter("残り -").isEmpty());
        for (int i = 1; i < positions.size(); ++i) QVERIFY(positions[i] >= positions[i - 1]);
        QVERIFY(positions.front() > 0 && positions.front() < positions.back());
        // At the end: everything planned is read, and no time is left to tell.
        QCOMPARE(bar->value(), 100);
        QCOMPARE(text->text(), amounts + " / " + amounts);
    }
};

NEBU_GUI_TEST_MAIN(WorkStatusWindowTest)
#include "WorkStatusWindowTest.moc"
