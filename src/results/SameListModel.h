#pragma once
// The same-file list: one row per same-pair handed over by a job, the target
// (deletion candidate) first. During a job rows are collected out of sight and
// appear together when the bulk update ends.

#include <QPixmap>
#include <string>
#include <vector>

#include "engine/SamePair.h"
#include "report/DiffList.h"
#include "results/RowListModel.h"

namespace nebu {

inline constexpr const char* kNoSameFilesText = "同じファイルはありません";

class SameListModel : public RowListModel<SameRow, 5> {
  public:
    explicit SameListModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Clears the list at the start of a job.
    void ResetForJob();
    // Rows added between these two stay pending until the end.
    void BeginBulkUpdate();
    void EndBulkUpdate();
    bool InBulkUpdate() const { return bulk_; }

    void AddSameRow(const SamePairRec& pair);
    void AddSameRow(SameRow row);
    // Shown and pending rows.
    std::size_t Count() const { return rows_.size() + pending_.size(); }

    // Removes every row whose target is the file `folder`/`name`, or whose
    // source is it; `name` "*" matches every source in the archive `folder`.
    // Returns the number of rows removed.
    int RemoveRowsOf(const std::string& name, const std::string& folder);
    // Removes every row whose target folder is `folder` (an archive deleted
    // whole during the job).
    int RemoveRowsInTargetFolder(const std::string& folder);
    // Exchanges target and source of the given rows that are mutual pairs.
    void SwapSides(const std::vector<int>& rows);

    // The list's two images: 0 marks a mutual pair, 1 any other.
    static QPixmap Image(int image);

  private:
    template <typename Pred>
    int RemoveIf(Pred pred);

    std::vector<SameRow> pending_;
    bool bulk_ = false;
};

}  // namespace nebu
