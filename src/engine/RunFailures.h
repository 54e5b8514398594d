#pragma once
// What a run could not do although it was asked to: such a run must not end
// looking like a clean one. The worker notes each failure as it happens;
// hosts read the count at any time and the list after the run.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace nebu {

enum class FailureKind {
    DeleteFailed,       // the system refused to delete (or trash) the file
    ChangedNotDeleted,  // a file of the pair changed after it was compared
    FolderUnreadable,   // a folder, or part of it, could not be searched
    NoWorkFolders,      // the work folders could not be made: nothing compared
    FileUnreadable,     // a file (or archive) is there but could not be read
    ExtractionFailed,   // entries of an archive could not be taken out
    FolderNotRemoved,   // an empty folder that was to go could not be removed
    RunBroken,          // the run met an error it could not go on from
    ArchiveDamaged,     // a 7z, tar or RAR archive is damaged, cut short or not readable
    JournalFailed,      // the deletion journal could not be written: the file was kept
};

struct RunFailure {
    FailureKind kind;
    std::string path;
    int error = 0;  // errno when the system gave one
};

// One line for a failure, names escaped like every log line; `error` texts
// come from the system.
std::string FailureText(const RunFailure& failure);

class RunFailures {
  public:
    // Each failure once: a file that cannot be read may be met once per
    // partner it should have been compared with.
    void Note(FailureKind kind, std::string path, int error = 0) {
        RunFailure failure{kind, std::move(path), error};
        std::function<void(const std::string&)> log;
        {
            std::lock_guard lock(mutex_);
            std::string key = std::to_string(static_cast<int>(kind)) + ":" + failure.path;
            if (!seen_.insert(std::move(key)).second) return;
            list_.push_back(failure);
            count_.store(static_cast<int>(list_.size()));
            log = log_;
        }
        if (log) log(FailureText(failure));
    }
    // While a run is under way, each failure is also a line of its log.
    void LogTo(std::function<void(const std::string&)> log) {
        std::lock_guard lock(mutex_);
        log_ = std::move(log);
    }
    int Count() const { return count_.load(); }
    std::vector<RunFailure> List() const {
        std::lock_guard lock(mutex_);
        return list_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        list_.clear();
        seen_.clear();
        count_.store(0);
    }

  private:
    mutable std::mutex mutex_;
    std::vector<RunFailure> list_;
    std::unordered_set<std::string> seen_;
    std::function<void(const std::string&)> log_;
    std::atomic<int> count_{0};
};

}  // namespace nebu
