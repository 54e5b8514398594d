// The same-file list as the user's work list after a job: open, delete one
// by one or all at once, exchange sides, save as CSV, change the font. The
// rules are in ResultActions; this file binds them to the controls.

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QUrl>
#include <algorithm>

#include "controls/ContextMenuKey.h"
#include "report/CsvFormat.h"
#include "report/RestoreActions.h"
#include "report/ResultActions.h"
#include "results/ChosenPath.h"
#include "results/NebuMessages.h"
#include "results/TShori_f.h"
#include "results/TShori_fImpl.h"

namespace nebu {

void TShori_f::SetUpResultActions() {
    Ui::TShori_f& ui = d_->ui;
    auto* menu = new QMenu(this);
    menu->setObjectName("PopupMenu1");
    auto item = [menu](const char* name, const char* text) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        action->setObjectName(name);
        action->setEnabled(false);
        return action;
    };
    d_->PopupMenu1 = menu;
    d_->Open1 = item("Open1", "開く");
    d_->Delete1 = item("Delete1", kDeleteItemOneCaption);
    d_->AllDel = item("AllDel", "一気に削除");
    d_->DelChg = item("DelChg", "左右入換え");
    d_->AllDel->setVisible(false);

    auto thenUpdate = [this](void (TShori_f::*action)()) {
        return [this, action] {
            (this->*action)();
            UpdateActions();
        };
    };
    connect(d_->Open1, &QAction::triggered, this, &TShori_f::OpenSelected);
    connect(ui.opnBtn, &QToolButton::clicked, this, &TShori_f::OpenSelected);
    connect(d_->Delete1, &QAction::triggered, this, thenUpdate(&TShori_f::DeleteSelected));
    connect(ui.delBtn, &QToolButton::clicked, this, thenUpdate(&TShori_f::DeleteSelected));
    connect(d_->AllDel, &QAction::triggered, this, thenUpdate(&TShori_f::DeleteAllSelected));
    connect(ui.alldelBtn, &QToolButton::clicked, this, thenUpdate(&TShori_f::DeleteAllSelected));
    connect(d_->DelChg, &QAction::triggered, this, &TShori_f::SwapSelectedSides);
    connect(ui.saveBtn, &QToolButton::clicked, this, &TShori_f::SaveCsv);
    connect(ui.fontBtn, &QToolButton::clicked, this, &TShori_f::ChangeFont);
    connect(ui.undoBtn, &QToolButton::clicked, this, thenUpdate(&TShori_f::RestoreRun));

    QTreeView* list = ui.MatchList;
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& at) {
        UpdateActions();
        d_->PopupMenu1->popup(list->viewport()->mapToGlobal(at));
    });
    // Keyboard selections count as much as clicks for what is offered.
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TShori_f::UpdateActions);
    connect(ui.PageControl1, &QTabWidget::currentChanged, this, &TShori_f::UpdateActions);
    connect(list, &QAbstractItemView::clicked, this, [this] {
        if (d_->lastPress.x() <= kImageColumnWidth) SwapSelectedSides();
    });
    connect(list, &QAbstractItemView::doubleClicked, this, [this] {
        if (d_->lastPress.x() > kImageColumnWidth) OpenSelected();
    });
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
}

bool TShori_f::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        if (auto* header = qobject_cast<QHeaderView*>(watched)) FitHeaderCaptions(header);
    }
    QTreeView* list = d_->ui.MatchList;
    if (watched == list->viewport() && (event->type() == QEvent::MouseButtonPress ||
                                        event->type() == QEvent::MouseButtonDblClick)) {
        d_->lastPress = static_cast<QMouseEvent*>(event)->position().toPoint();
        UpdateActions();
    } else if (watched == list && OpenMenuByKeyboard(list, event)) {
        return true;
    } else if (watched == list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete) {
            DeleteSelected();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OpenSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::vector<int> TShori_f::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : d_->ui.MatchList->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TShori_f::UpdateActions() {
    const std::vector<int> selected = SelectedRows();
    const int firstImage = selected.empty() ? 1 : d_->same.Rows()[selected.front()].Image;
    const ActionState state = DecideActions(static_cast<int>(selected.size()), firstImage,
                                            d_->options.ResultActions, d_->same.Count());
    Ui::TShori_f& ui = d_->ui;
    ui.opnBtn->setEnabled(state.Open);
    d_->Open1->setEnabled(state.Open);
    ui.delBtn->setEnabled(state.Delete);
    d_->Delete1->setEnabled(state.Delete);
    ui.alldelBtn->setEnabled(state.DeleteAll);
    d_->AllDel->setVisible(state.DeleteAll);
    d_->AllDel->setEnabled(state.DeleteAll);
    d_->DelChg->setEnabled(state.Swap);
    ui.saveBtn->setEnabled(state.Save);
    ui.undoBtn->setEnabled(d_->job != nullptr && !JobRunning() &&
                           RestoreOffered(d_->options.ResultActions,
                                          d_->job->FileFunc->Journal().Trashed(), d_->restored));
    if (!state.DeleteButtonCaption.empty()) {
        ui.delBtn->setText(QString::fromStdString(state.DeleteButtonCaption));
        d_->Delete1->setText(QString::fromStdString(state.DeleteItemCaption));
    }
}

void TShori_f::OpenSelected() {
    const std::vector<int> selected = SelectedRows();
    if (selected.empty()) return;
    const SameRow& row = d_->same.Rows()[selected.front()];
    const QString path = QFile::decodeName(QByteArray::fromStdString(TargetPath(row)));
    // An archive entry is no file of its own: there is nothing to open.
    if (!QFileInfo(path).isFile()) return;
    // The desktop's own application for the file; its answer is not awaited.
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void TShori_f::DeleteSelected() {
    DeleteTargetsOfSelection(true);
}

void TShori_f::DeleteAllSelected() {
    if (AskNebuMessage(this, kMessageCaption, kDeleteAllQuestion, MsgButtons::YesNo) !=
        MsgAnswer::Yes) {
        return;
    }
    DeleteTargetsOfSelection(false);
}

void TShori_f::DeleteTargetsOfSelection(bool askEach) {
    if (d_->job == nullptr || JobRunning()) return;
    TNebu& job = *d_->job;
    DeleteSeries series;
    series.SrcPlain = job.SrcPlain == 1;
    // Archives compared as wholes are equal entry by entry, not byte by byte.
    series.Bytewise = series.SrcPlain && job.FileFunc->ArcAsUnit == 0;
    if (askEach) {
        series.Ask = [this](const std::string& question) {
            return AskNebuMessage(this, kMessageCaption, question, MsgButtons::YesNoCancel);
        };
    }
    // With the trash setting of the last job; a file the trash refuses stays.
    series.Remove = [&job](const std::string& path, const KeptCopy& kept) {
        return job.FileFunc->RemoveFile(path, kept);
    };
    series.Log = [this](const std::string& line) {
        AppendLogLine(line);
        return !d_->logFailed;
    };
    series.RemoveRowsOf = [this](const std::string& name, const std::string& folder) {
        d_->same.RemoveRowsOf(name, folder);
    };
    // New files in the trash may be put back again.
    if (DeleteTargets(CollectSelectedTargets(d_->same.Rows(), SelectedRows()), series) > 0) {
        d_->restored = false;
    }
    if (!askEach) return;
    const QModelIndex focused = d_->ui.MatchList->currentIndex();
    if (focused.isValid()) {
        d_->ui.MatchList->selectionModel()->select(
            focused, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void TShori_f::SwapSelectedSides() {
    d_->same.SwapSides(SelectedRows());
    UpdateActions();
}

void TShori_f::SaveCsv() {
    QFileDialog dialog(this);
    dialog.setObjectName("SaveDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Shift-JIS first, as it always was; UTF-8 with a header for programs
    // that read it.
    dialog.setNameFilters({QString::fromUtf8(kCsvFilter), QString::fromUtf8(kCsvUtf8Filter)});
    dialog.selectFile(QString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const bool utf8 = dialog.selectedNameFilter() == QString::fromUtf8(kCsvUtf8Filter);
    const std::string path = CsvFileName(LocalPathBytes(dialog.selectedFiles().constFirst()));
    std::string records;
    for (const SameRow& row : d_->same.Rows()) records += CsvRecord(row);
    if (utf8 ? WriteSameCsvUtf8File(path, records) : WriteCsvFile(path, records)) return;
    ShowNebuMessage(this, kCsvWriteFailedMessage);
    d_->exitApp(kExitWriteFailed);
}

void TShori_f::RestoreRun() {
    if (d_->job == nullptr || JobRunning()) return;
    const std::string run = d_->job->FileFunc->Journal().RunId();
    const int count = RestorableCount(journal::Read(journal::FilePath()), run);
    if (AskNebuMessage(this, kMessageCaption, RestoreQuestion(count), MsgButtons::YesNo) !=
        MsgAnswer::Yes) {
        return;
    }
    const RestoreOutcome outcome = RestoreRunFromJournal(run);
    for (const std::string& line : RestoreLogLines(outcome)) AppendLogLine(line);
    d_->restored = outcome.refusal.empty();
    ShowNebuMessage(this, RestoreSummary(outcome));
}

void TShori_f::ChangeFont() {
    const QFont current = d_->ui.MatchList->font();
    QFontDialog dialog(current, this);
    dialog.setObjectName("FontDialog1");
    // Cancelling applies the font the dialog started from, which changes nothing.
    ApplyListFont(dialog.exec() == QDialog::Accepted ? dialog.selectedFont() : current);
}

void TShori_f::ApplyListFont(const QFont& font) {
    d_->ui.MatchList->setFont(font);
    d_->ui.DiffList->setFont(font);
    d_->ui.NoList->setFont(font);
    d_->ui.NoDiffList->setFont(font);
}

}  // namespace nebu
