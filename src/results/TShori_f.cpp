#include "results/TShori_f.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>

#include "engine/Nebu.h"
#include "report/LogFile.h"
#include "report/WorkStatusTexts.h"
#include "results/DiffListModel.h"
#include "results/GuiHost.h"
#include "results/NebuMessages.h"
#include "results/SameListModel.h"
#include "results/TShori_fImpl.h"
#include "ui_TShori_f.h"

namespace nebu {

TShori_f::TShori_f(QWidget* parent) : QWidget(parent), d_(std::make_unique<Impl>(this)) {
    d_->ui.setupUi(this);
    // Minimise and maximise, no close box: the window closes through its
    // button or Alt+F4 only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    resize(640, 400);

    auto setUpList = [this](QTreeView* view, QAbstractItemModel* model,
                            std::initializer_list<int> widths) {
        view->setModel(model);
        int column = 0;
        for (const int width : widths) view->header()->resizeSection(column++, width);
        view->header()->setSectionsClickable(true);
        view->header()->setSortIndicatorShown(false);
        // A larger list font (the font button, stored settings) widens what
        // its captions need.
        FitHeaderCaptions(view->header());
        view->header()->installEventFilter(this);
    };
    setUpList(d_->ui.MatchList, &d_->same, {104, 180, 60, 90, 180});
    setUpList(d_->ui.DiffList, &d_->diff, {104, 180, 60, 90, 180, 60});
    d_->ui.MatchList->setIconSize(QSize(16, 16));
    SetUpResultActions();
    SetUpFolderPage();
    connect(d_->ui.MatchList->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { d_->same.SortByColumn(column, d_->sort); });
    connect(d_->ui.DiffList->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { d_->diff.SortByColumn(column, d_->sort); });
    d_->ui.NoList->raise();
    d_->ui.NoDiffList->raise();
    // Rows removed after a job (deletions from the list) update the count
    // and bring the placeholder back when none is left.
    connect(&d_->same, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (!JobRunning()) ShowSameCount();
    });

    // The end of a run is noticed at once rather than at the next poll: an
    // extra tick sees the last phase and drains the queues, and the tick
    // after it finishes, as the poll would 200 ms apart. Everything the
    // worker queued is there, for it has returned.
    connect(
        &d_->host, &GuiHost::WorkerEnded, this,
        [this] {
            if (!d_->timer1.isActive()) return;
            Timer1Timer();
            QTimer::singleShot(0, this, [this] {
                if (d_->timer1.isActive()) Timer1Timer();
            });
        },
        Qt::QueuedConnection);
    d_->timer1.setInterval(200);
    connect(&d_->timer1, &QTimer::timeout, this, &TShori_f::Timer1Timer);
    connect(d_->ui.Button1, &QPushButton::clicked, this, &TShori_f::Button1Click);
    // Alt+F4 as a key wherever the focus is; the window system's own Alt+F4
    // arrives as a close request and is handled in closeEvent.
    auto* altF4 = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    altF4->setContext(Qt::WindowShortcut);
    connect(altF4, &QShortcut::activated, this, [this] {
        if (Closable()) close();
    });
}

TShori_f::~TShori_f() {
    d_->timer1.stop();
    d_->host.StopAndJoin();
}

void TShori_f::StartJob(TNebu& job, const JobStartOptions& options) {
    // The worker of a previous job is gone before the next one starts.
    if (d_->host.WorkerExists()) d_->host.StopAndJoin();
    d_->job = &job;
    d_->options = options;
    d_->logFailed = false;
    hide();
    show();
    job.Phase = kPhaseScanSource;
    d_->previousPhase = kPhaseScanSource;
    SetProgress(0, 1);
    d_->remaining.Reset();
    d_->ui.ProgressText->clear();
    ResetForJob();
    ClearLog();
    d_->ui.PageControl1->setCurrentWidget(d_->ui.TabSheet1);
    d_->ui.PageControl1->setTabText(1, QString::fromUtf8(kSamePageCaption));
    d_->ui.PageControl1->setTabText(2, QString::fromUtf8(kDiffPageCaption));
    SetListPagesEnabled(false);
    GatherFolderCoverage(job);
    d_->same.BeginBulkUpdate();
    setWindowTitle(QString::fromUtf8(kSearchingCaption));
    d_->ui.Button1->setText(QString::fromUtf8(kStopButtonText));
    d_->timer1.start();
    job.Stop = 0;
    job.FileFunc->Stop = 0;
    d_->host.Start(job);
}

// The lists are the work of a finished job and wait for its end; the log
// stays readable and scrollable while it grows.
void TShori_f::SetListPagesEnabled(bool enabled) {
    QTabWidget* pages = d_->ui.PageControl1;
    for (QWidget* page : {d_->ui.TabSheet2, d_->ui.TabSheet3, d_->ui.TabSheet4})
        pages->setTabEnabled(pages->indexOf(page), enabled);
}

bool TShori_f::JobRunning() const {
    return d_->host.WorkerExists();
}

void TShori_f::StopAndJoin() {
    d_->host.StopAndJoin();
}

void TShori_f::SetDeleteChoiceDialog(std::function<void(DeleteChoice&)> ask) {
    d_->host.SetDeleteChoiceDialog(std::move(ask));
}

void TShori_f::SetExitHandler(std::function<void(int)> exitApp) {
    d_->exitApp = std::move(exitApp);
}

SameListModel& TShori_f::SameModel() {
    return d_->same;
}

DiffListModel& TShori_f::DiffModel() {
    return d_->diff;
}

void TShori_f::ResetForJob() {
    d_->sort.LastColumn = -1;
    d_->restored = false;
    d_->same.ResetForJob();
    d_->diff.Clear();
    d_->ui.PageControl1->setTabVisible(2, d_->options.ShowDiffList);
    UpdateActions();
}

void TShori_f::ShowSearchCount(std::int64_t count) {
    setWindowTitle(QString::fromStdString(SearchCountCaption(count)));
}

void TShori_f::SetProgress(std::int64_t done, std::int64_t total) {
    d_->ui.ProgressBar1->setRange(0, 100);
    d_->ui.ProgressBar1->setValue(ProgressPosition(done, total));
}

void TShori_f::ShowSearching() {
    d_->ui.ProgressBar1->setRange(0, 0);
}

void TShori_f::ShowBytes(bool estimate) {
    const ByteProgress::Snapshot bytes = d_->job->Bytes.Read();
    if (estimate) d_->remaining.Observe(d_->clock(), bytes.done, bytes.total);
    SetProgress(bytes.done, bytes.total);
    const auto remaining = estimate ? d_->remaining.Seconds() : std::nullopt;
    // A job with nothing to compare has no amounts worth showing.
    d_->ui.ProgressText->setText(bytes.total > 0 ? QString::fromStdString(ProgressDetailText(
                                                       bytes.done, bytes.total, remaining))
                                                 : QString());
}

void TShori_f::SetClock(std::function<double()> seconds) {
    d_->clock = std::move(seconds);
}

void TShori_f::ClearLog() {
    d_->ui.LogMemo->clear();
}

void TShori_f::AppendLogLine(const std::string& text) {
    AppendLogLines({text});
}

void TShori_f::AppendLogLines(const std::deque<std::string>& lines) {
    if (lines.empty()) return;
    // Every line goes to the log file, in order; the memo keeps only the
    // latest lines, so only those are handed to it, in one piece.
    std::size_t written = lines.size();
    if (!d_->options.LogPath.empty() && !d_->logFailed) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (!AppendLogFileLine(d_->options.LogPath, lines[i])) {
                written = i + 1;
                d_->logFailed = true;
                break;
            }
        }
    }
    const std::size_t first = written > kMemoLines ? written - kMemoLines : 0;
    QString text;
    for (std::size_t i = first; i < written; ++i) {
        if (i > first) text += QLatin1Char('\n');
        text += QString::fromStdString(lines[i]);
    }
    d_->ui.LogMemo->appendPlainText(text);
    QScrollBar* bar = d_->ui.LogMemo->verticalScrollBar();
    bar->setValue(bar->maximum());
    if (d_->logFailed) LogWriteFailed();
}

void TShori_f::LogWriteFailed() {
    d_->timer1.stop();
    // Nothing more is asked or written until the worker is gone; only then
    // the message, then the end of the application.
    d_->host.StopAndJoin([this] {
        ShowNebuMessage(this, kLogWriteFailedMessage);
        d_->exitApp(kExitWriteFailed);
    });
}

bool TShori_f::Closable() const {
    return d_->ui.Button1->text() == QString::fromUtf8(kCloseButtonText);
}

void TShori_f::Button1Click() {
    const std::uint8_t phase = d_->job ? d_->job->Phase.load() : std::uint8_t{kPhaseNone};
    if (phase >= kPhaseScanSource && phase <= kPhaseCompare && JobRunning()) {
        d_->job->RequestStop();
        return;
    }
    if (Closable()) close();
}

void TShori_f::closeEvent(QCloseEvent* event) {
    // Refused while a job runs or its end is still being noticed.
    if (!Closable()) {
        event->ignore();
        return;
    }
    if (d_->job) d_->job->RequestStop();
    event->accept();
    emit Closed();
}

}  // namespace nebu
