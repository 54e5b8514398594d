#pragma once
// The work-status window's state, shared by the files that make up the window
// (TShori_f.cpp, TShori_fJob.cpp, TShori_fActions.cpp).

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPoint>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <chrono>
#include <functional>

#include "engine/Nebu.h"
#include "report/FolderCoverage.h"
#include "report/ListSort.h"
#include "report/RemainingTime.h"
#include "results/DiffListModel.h"
#include "results/FolderListModel.h"
#include "results/GuiHost.h"
#include "results/SameListModel.h"
#include "results/TShori_f.h"
#include "ui_TShori_f.h"

namespace nebu {

// Widens the columns whose caption the header's font no longer fits; the last
// one stretches with the window.
inline void FitHeaderCaptions(QHeaderView* header) {
    for (int i = 0; i + 1 < header->count(); ++i) {
        const int needed = header->sectionSizeHint(i);
        if (header->sectionSize(i) < needed) header->resizeSection(i, needed);
    }
}

struct TShori_f::Impl {
    explicit Impl(TShori_f* window) : host(window) {}

    Ui::TShori_f ui;
    SameListModel same;
    DiffListModel diff;
    ListSortState sort;
    // The ﾌｫﾙﾀﾞ別 page: what the job found, gathered on the worker and read
    // once it has ended, and its list sorted by the view.
    FolderCoverage coverage;
    FolderListModel folders;
    QSortFilterProxyModel folderSort;
    GuiHost host;
    QTimer timer1;
    TNebu* job = nullptr;
    JobStartOptions options;
    std::uint8_t previousPhase = kPhaseNone;
    bool logFailed = false;
    RemainingTime remaining;
    std::function<double()> clock = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    // The run shown was put back from this window (元に戻す).
    bool restored = false;
    // The same-file list's popup menu and its items, and where the last
    // mouse press in the list lay.
    QMenu* PopupMenu1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* AllDel = nullptr;
    QAction* DelChg = nullptr;
    QPoint lastPress;
    std::function<void(int)> exitApp = [](int code) { QCoreApplication::exit(code); };
};

}  // namespace nebu
