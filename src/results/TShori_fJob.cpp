// The 200 ms poll of a running job and the steps at its end.

#include "engine/Nebu.h"
#include "report/DiffList.h"
#include "report/WorkStatusTexts.h"
#include "results/DiffListModel.h"
#include "results/GuiHost.h"
#include "results/SameListModel.h"
#include "results/TShori_f.h"
#include "results/TShori_fImpl.h"

namespace nebu {

void TShori_f::Timer1Timer() {
    TNebu& job = *d_->job;
    const std::uint8_t phase = job.Phase;
    if (phase == kPhaseCompare) {
        setWindowTitle(QString::fromStdString(NextBlinkCaption(windowTitle().toStdString())));
    }
    AppendLogLines(job.LogQueue.TakeAll());
    if (d_->logFailed) return;
    for (SamePairRec& pair : job.SameQueue.TakeAll()) d_->same.AddSameRow(pair);

    switch (phase) {
        case kPhaseScanSource:
            ShowSearchCount(job.SrcList->Count());
            ShowSearching();
            break;
        case kPhaseScanTarget:
            ShowSearchCount(job.DstList->Count());
            ShowSearching();
            break;
        case kPhaseCompare:
            ShowBytes(true);
            break;
        case kPhaseStopped:
        case kPhaseFinished:
            // The tick that first sees the end has drained what came before it.
            if (phase == d_->previousPhase) FinishJob(phase);
            break;
        default:
            break;
    }
    d_->previousPhase = phase;
}

void TShori_f::FinishJob(std::uint8_t phase) {
    TNebu& job = *d_->job;
    d_->timer1.stop();
    d_->host.Join();
    std::string archive;
    while (job.DeletedArcs.Pop(archive)) d_->same.RemoveRowsInTargetFolder(archive);
    d_->same.EndBulkUpdate();
    SetListPagesEnabled(true);
    ShowSameCount();
    ShowFolderCoverage(job);
    d_->ui.PageControl1->setCurrentWidget(d_->ui.TabSheet1);
    if (phase == kPhaseStopped) {
        job.SrcList->Clear();
        job.DstList->Clear();
        setWindowTitle(QString::fromUtf8(kStoppedCaption));
        // The bar keeps its place; it leaves the busy state of a search.
        ShowBytes(false);
    } else {
        if (d_->options.ShowDiffList) ShowDiffList(BuildDiffList(*job.DstList, *job.SrcList));
        job.SrcList->Clear();
        job.DstList->Clear();
        setWindowTitle(QString::fromUtf8(kFinishedCaption));
        ShowBytes(false);
        SetProgress(1, 1);
    }
    d_->ui.Button1->setText(QString::fromUtf8(kCloseButtonText));
    UpdateActions();
    if (d_->same.Count() >= kDisplayLimitRows) AppendLogLine(kDisplayLimitWarning);
}

void TShori_f::ShowSameCount() {
    const std::size_t rows = d_->same.Count();
    d_->ui.PageControl1->setTabText(1, QString::fromStdString(SamePageCaptionWithCount(rows)));
    d_->ui.NoList->setVisible(rows == 0);
}

void TShori_f::ShowDiffList(DiffListResult result) {
    d_->diff.SetRows(std::move(result.Rows));
    if (!result.PageCaption.empty()) {
        d_->ui.PageControl1->setTabText(2, QString::fromStdString(result.PageCaption));
    }
    d_->ui.NoDiffList->setVisible(!result.Placeholder.empty());
    if (!result.Placeholder.empty()) {
        d_->ui.NoDiffList->clear();
        d_->ui.NoDiffList->addItem(QString::fromStdString(result.Placeholder));
    }
}

}  // namespace nebu
