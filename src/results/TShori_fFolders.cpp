// The ﾌｫﾙﾀﾞ別 page: per target folder, how much the job found on the source
// side; a double click shows that folder's rows in the same-file list.

#include <QHeaderView>
#include <QItemSelection>

#include "engine/Nebu.h"
#include "results/TShori_f.h"
#include "results/TShori_fImpl.h"

namespace nebu {

void TShori_f::SetUpFolderPage() {
    d_->folderSort.setSourceModel(&d_->folders);
    d_->folderSort.setSortRole(Qt::UserRole);
    d_->folderSort.setSortCaseSensitivity(Qt::CaseInsensitive);
    QTreeView* list = d_->ui.FolderList;
    list->setModel(&d_->folderSort);
    QHeaderView* header = list->header();
    header->resizeSection(FolderListModel::kFolder, 280);
    for (int column = FolderListModel::kFound; column < FolderListModel::kAllFound; ++column) {
        header->resizeSection(column, 70);
    }
    header->resizeSection(FolderListModel::kAllFound, 40);
    FitHeaderCaptions(header);
    list->sortByColumn(FolderListModel::kFolder, Qt::AscendingOrder);
    connect(list, &QAbstractItemView::doubleClicked, this, &TShori_f::ShowFolderRows);
}

void TShori_f::GatherFolderCoverage(TNebu& job) {
    d_->coverage.Clear();
    d_->folders.SetRows({});
    // Called on the worker; the coverage is read only after it has ended.
    job.PairSettled = [coverage = &d_->coverage](const SamePairRec& pair) {
        coverage->AddFound(pair);
    };
}

void TShori_f::ShowFolderCoverage(const TNebu& job) {
    d_->folders.SetRows(d_->coverage.Rows(*job.DstList));
    d_->coverage.Clear();
    FitHeaderCaptions(d_->ui.FolderList->header());
}

void TShori_f::ShowFolderRows(const QModelIndex& index) {
    if (!index.isValid()) return;
    const QModelIndex row = d_->folderSort.mapToSource(index);
    const std::string& folder = d_->folders.Rows()[static_cast<std::size_t>(row.row())].Folder;
    // Rows of one folder may lie apart in the list's order: one selection
    // range for each run of them.
    QItemSelection selection;
    const std::vector<SameRow>& rows = d_->same.Rows();
    const int columns = d_->same.columnCount() - 1;
    int first = -1;
    for (int i = 0; i <= static_cast<int>(rows.size()); ++i) {
        const bool in = i < static_cast<int>(rows.size()) &&
                        rows[static_cast<std::size_t>(i)].TargetFolder == folder;
        if (in && first < 0) first = i;
        if (!in && first >= 0) {
            selection.select(d_->same.index(first, 0), d_->same.index(i - 1, columns));
            first = -1;
        }
    }
    QTreeView* list = d_->ui.MatchList;
    d_->ui.PageControl1->setCurrentWidget(d_->ui.TabSheet2);
    list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!selection.isEmpty()) {
        const QModelIndex top = selection.first().topLeft();
        list->selectionModel()->setCurrentIndex(top, QItemSelectionModel::NoUpdate);
        list->scrollTo(top, QAbstractItemView::PositionAtTop);
    }
    list->setFocus();
}

}  // namespace nebu
