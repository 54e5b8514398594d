#pragma once
// The work-status window: follows a running job (caption, progress, log memo,
// log file) every 200 ms, and stays open afterwards as the results window
// with the same-file and different-file lists.

#include <QFont>
#include <QModelIndex>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/NebuHost.h"

namespace nebu {

class TNebu;
class SameListModel;
class DiffListModel;
struct DiffListResult;

// What the main window decides at a start and hands over with the job.
struct JobStartOptions {
    std::string LogPath;        // empty: no log file
    bool ResultActions = true;  // rows may be opened and deleted after the job
    bool ShowDiffList = false;  // the different-file page is shown and built
};

class TShori_f : public QWidget {
    Q_OBJECT
  public:
    explicit TShori_f(QWidget* parent = nullptr);
    ~TShori_f() override;  // stops and joins a running worker first

    // The rest of a start, after the main window has disabled itself and the
    // conditions dialog: prepares this window (hidden and shown again, phase
    // 1, progress 0, lists and log cleared, log page in front, page captions
    // reset, pages disabled, caption "ファイル検索中", button "中　止", timer
    // on), clears both stop requests and starts the worker on `job`.
    void StartJob(TNebu& job, const JobStartOptions& options);

    // Whether a worker exists that has not been joined yet.
    bool JobRunning() const;
    // Requests a stop, answers any open or coming question with Cancel, and
    // joins the worker. Before the application ends; harmless when idle.
    void StopAndJoin();

    // The delete-choice question (the shell's dialog); asked on this thread.
    void SetDeleteChoiceDialog(std::function<void(DeleteChoice&)> ask);
    // Called after a log file could not be written (the job is stopped and
    // joined and the message shown first); ends the application with the
    // given exit code. Tests replace it.
    void SetExitHandler(std::function<void(int)> exitApp);
    // The steady clock, in seconds, that the remaining time is told by.
    // Tests replace it.
    void SetClock(std::function<double()> seconds);

    // Adds one log line to the memo (the latest 201 lines stay) and to the
    // log file when there is one.
    void AppendLogLine(const std::string& text);

    SameListModel& SameModel();
    DiffListModel& DiffModel();

    // The font of the four lists; the settings store keeps it between runs.
    void ApplyListFont(const QFont& font);

  signals:
    // The user closed the window after a job (閉じる or Alt+F4): the main
    // window and the conditions dialog are enabled again.
    void Closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Timer1Timer();
    void FinishJob(std::uint8_t phase);
    void ResetForJob();
    void ShowSearchCount(std::int64_t count);
    void SetProgress(std::int64_t done, std::int64_t total);
    // The bar while the lists are searched: busy, as their size is unknown.
    void ShowSearching();
    // The bar and its text by the bytes of the comparison.
    void ShowBytes(bool estimate);
    void ClearLog();
    void SetListPagesEnabled(bool enabled);
    void AppendLogLines(const std::deque<std::string>& lines);
    void LogWriteFailed();
    bool Closable() const;
    void Button1Click();
    void ShowSameCount();
    void ShowDiffList(DiffListResult result);

    // The ﾌｫﾙﾀﾞ別 page (TShori_fFolders.cpp).
    void SetUpFolderPage();
    void GatherFolderCoverage(TNebu& job);
    void ShowFolderCoverage(const TNebu& job);
    void ShowFolderRows(const QModelIndex& index);

    // The same-file list as the user's work list after a job.
    void SetUpResultActions();
    std::vector<int> SelectedRows() const;
    void UpdateActions();
    void OpenSelected();
    void DeleteSelected();
    void DeleteAllSelected();
    void DeleteTargetsOfSelection(bool askEach);
    void SwapSelectedSides();
    void SaveCsv();
    void RestoreRun();
    void ChangeFont();

    struct Impl;
    std::unique_ptr<Impl> d_;
};

// Exit code of the application after a log file could not be written.
inline constexpr int kExitWriteFailed = 3;

}  // namespace nebu
