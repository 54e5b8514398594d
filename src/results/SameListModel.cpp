#include "results/SameListModel.h"

#include <QPainter>
#include <algorithm>

#include "engine/SameChkList.h"

namespace nebu {

namespace {

const char* const kHeaders[] = {"比較先(削除対象)", "ﾌｫﾙﾀﾞ名", "ﾌｧｲﾙｻｲｽﾞ", "比較元", "ﾌｫﾙﾀﾞ名"};

// A page with a folded corner, at (x, y), 9 x 12 pixels.
void DrawPage(QPainter& p, int x, int y, const QColor& fill) {
    const QPolygon page({QPoint(x, y), QPoint(x + 6, y), QPoint(x + 9, y + 3),
                         QPoint(x + 9, y + 12), QPoint(x, y + 12)});
    p.setBrush(fill);
    p.setPen(QColor(64, 64, 64));
    p.drawPolygon(page);
    p.drawLine(x + 6, y, x + 6, y + 3);
    p.drawLine(x + 6, y + 3, x + 9, y + 3);
}

QPixmap DrawImage(int image) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    if (image == 0) {
        // Two pages, either of which may go: a pair found from both sides.
        DrawPage(p, 1, 0, QColor(255, 236, 160));
        DrawPage(p, 6, 3, QColor(170, 210, 255));
    } else {
        DrawPage(p, 3, 1, QColor(170, 210, 255));
        p.setPen(QPen(QColor(200, 40, 40), 2));
        p.drawLine(7, 7, 10, 10);
        p.drawLine(10, 7, 7, 10);
    }
    return pixmap;
}

}  // namespace

SameListModel::SameListModel(QObject* parent) : RowListModel(parent) {}

QVariant SameListModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::DecorationRole && index.isValid() && index.column() == 0 &&
        index.row() < rowCount()) {
        return Image(rows_[index.row()].Image);
    }
    return CellData(index, role);
}

QVariant SameListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= 5) return {};
    if (role == Qt::DisplayRole) return QString::fromUtf8(kHeaders[section]);
    if (role == Qt::TextAlignmentRole && IsSizeColumn(section)) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    return {};
}

QPixmap SameListModel::Image(int image) {
    static const QPixmap mutual = DrawImage(0);
    static const QPixmap other = DrawImage(1);
    return image == 0 ? mutual : other;
}

void SameListModel::ResetForJob() {
    pending_.clear();
    pending_.shrink_to_fit();
    bulk_ = false;
    ResetRows({});
}

void SameListModel::BeginBulkUpdate() {
    bulk_ = true;
}

void SameListModel::EndBulkUpdate() {
    bulk_ = false;
    if (pending_.empty()) return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(pending_.size()) - 1);
    if (rows_.empty()) {
        rows_.swap(pending_);
    } else {
        rows_.insert(rows_.end(), std::make_move_iterator(pending_.begin()),
                     std::make_move_iterator(pending_.end()));
    }
    pending_.clear();
    endInsertRows();
}

void SameListModel::AddSameRow(const SamePairRec& pair) {
    AddSameRow(MakeSameRow(pair));
}

void SameListModel::AddSameRow(SameRow row) {
    if (bulk_) {
        pending_.push_back(std::move(row));
        return;
    }
    const int at = rowCount();
    beginInsertRows({}, at, at);
    rows_.push_back(std::move(row));
    endInsertRows();
}

template <typename Pred>
int SameListModel::RemoveIf(Pred pred) {
    const std::size_t pendingBefore = pending_.size();
    std::erase_if(pending_, pred);
    int removed = static_cast<int>(pendingBefore - pending_.size());
    // From the last row to the first, one signal per run of adjacent rows.
    int row = rowCount() - 1;
    while (row >= 0) {
        if (!pred(rows_[row])) {
            --row;
            continue;
        }
        const int last = row;
        while (row > 0 && pred(rows_[row - 1])) --row;
        beginRemoveRows({}, row, last);
        rows_.erase(rows_.begin() + row, rows_.begin() + last + 1);
        endRemoveRows();
        removed += last - row + 1;
        --row;
    }
    return removed;
}

int SameListModel::RemoveRowsOf(const std::string& name, const std::string& folder) {
    return RemoveIf([&](const SameRow& r) {
        const bool target = r.TargetName == name && r.TargetFolder == folder;
        const bool source = r.SourceFolder == folder && (r.SourceName == name || name == "*");
        return target || source;
    });
}

int SameListModel::RemoveRowsInTargetFolder(const std::string& folder) {
    // A job that also compared plain files may list the archive itself.
    return RemoveIf([&](const SameRow& r) {
        return r.TargetFolder == folder || JoinPath(r.TargetFolder, r.TargetName) == folder;
    });
}

void SameListModel::SwapSides(const std::vector<int>& rows) {
    int first = rowCount();
    int last = -1;
    for (const int row : rows) {
        if (row < 0 || row >= rowCount() || rows_[row].Image != 0) continue;
        SameRow& r = rows_[row];
        std::swap(r.TargetName, r.SourceName);
        std::swap(r.TargetFolder, r.SourceFolder);
        std::swap(r.TargetIdentity, r.SourceIdentity);
        first = std::min(first, row);
        last = std::max(last, row);
    }
    if (last >= 0) emit dataChanged(index(first, 0), index(last, 4));
}

}  // namespace nebu
