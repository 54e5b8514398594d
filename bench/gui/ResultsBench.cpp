// Times the work-status window: 200,000 same-file rows appearing and sorted by
// each column, the longest stall of the GUI thread while a job runs, and a job
// run from the window against nebu-cli on the same folders.
//
//   nebu-results-bench --cli build/src/cli/nebu-cli --tree bench/data/mixed [--runs 3]

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "engine/Nebu.h"
#include "results/SameListModel.h"
#include "results/TShori_f.h"

using namespace nebu;

namespace {

constexpr int kRows = 200000;

double Ms(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Settings of `nebu-cli -r --no-size-limit -s SRC -t DST`.
void SetUpJob(TNebu& job, const std::string& tree) {
    job.SrcDirs.Clear();
    job.DstDirs.Clear();
    job.SrcDirs.Add(tree + "/src/");
    job.DstDirs.Add(tree + "/dst/");
    job.SizeMin = 0;
    job.SizeMax = 999999999;
    job.SrcMask = job.DstMask = "*;";
    job.SrcIgnore.clear();
    job.DstIgnore.clear();
    job.SrcSubDir = job.DstSubDir = 1;
    job.NoDelete = 1;
    job.DelConfirm = 0;
}

void BenchRows(TShori_f& window) {
    auto* view = window.findChild<QTreeView*>("MatchList");
    window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
    SameListModel& model = window.SameModel();
    model.ResetForJob();
    model.BeginBulkUpdate();
    std::mt19937 rng(7);
    for (int i = 0; i < kRows; ++i) {
        const std::string n = std::to_string(rng() % 1000000);
        model.AddSameRow(SamePairRec{"元" + n + ".txt", "/data/元/" + std::to_string(i % 97),
                                     "先" + n, "/data/先/" + std::to_string(i % 89),
                                     static_cast<std::int64_t>(rng() % 50000000), 1});
    }
    QElapsedTimer t;
    t.start();
    model.EndBulkUpdate();
    // Laid out and painted now, not when the event loop gets to it.
    view->doItemsLayout();
    const QPixmap shown = view->viewport()->grab();
    std::printf("(a) %d rows shown after the end of the job: %.1f ms (%d rows, %dx%d painted)\n",
                kRows, Ms(t), view->model()->rowCount(), shown.width(), shown.height());
    for (int column = 0; column < 5; ++column) {
        t.restart();
        emit view->header()->sectionClicked(column);
        view->doItemsLayout();
        view->viewport()->grab();
        std::printf("(a) sort by column %d: %.1f ms\n", column, Ms(t));
    }
    model.ResetForJob();
}

// One job from the window; returns its time and the longest gap of a 10 ms
// timer on the GUI thread meanwhile.
std::pair<double, double> RunFromWindow(TShori_f& window, TNebu& job) {
    QElapsedTimer total;
    QElapsedTimer gap;
    double longestGap = 0;
    QTimer probe;
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, Ms(gap));
        gap.restart();
    });
    auto* button = window.findChild<QPushButton*>("Button1");
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (button->text() == "閉じる") QCoreApplication::quit();
    });
    total.start();
    gap.start();
    probe.start();
    window.StartJob(job, JobStartOptions{"", true, false});
    watch.start();
    QCoreApplication::exec();
    const double ms = Ms(total);
    probe.stop();
    watch.stop();
    return {ms, longestGap};
}

double RunCli(const QString& cli, const QString& tree) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(cli, {"-r", "--no-size-limit", "-s", tree + "/src", "-t", tree + "/dst"});
    p.waitForFinished(-1);
    return Ms(t);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString cli;
    QString tree;
    int runs = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--cli") cli = args[i + 1];
        if (args[i] == "--tree") tree = args[i + 1];
        if (args[i] == "--runs") runs = args[i + 1].toInt();
    }
    TShori_f window;
    window.show();
    BenchRows(window);
    if (cli.isEmpty() || tree.isEmpty()) return 0;

    TNebu job;
    SetUpJob(job, tree.toStdString());
    std::vector<double> windowMs, cliMs, gaps;
    RunFromWindow(window, job);  // warm-up: fills the page cache
    RunCli(cli, tree);
    for (int i = 0; i < runs; ++i) {
        const auto [ms, gap] = RunFromWindow(window, job);
        windowMs.push_back(ms);
        gaps.push_back(gap);
        cliMs.push_back(RunCli(cli, tree));
        std::printf(
            "    run %d: window %.0f ms (%zu pairs), nebu-cli %.0f ms, longest GUI gap %.1f ms\n",
            i + 1, ms, window.SameModel().Count(), cliMs.back(), gap);
    }
    std::printf("(b) longest gap of a 10 ms timer during a job: %.1f ms\n",
                *std::max_element(gaps.begin(), gaps.end()));
    std::printf("(c) job from the window %.0f ms, nebu-cli %.0f ms (medians): %.2f x\n",
                Median(windowMs), Median(cliMs), Median(windowMs) / Median(cliMs));
    return 0;
}
