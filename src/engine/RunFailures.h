#pragma once
// What a run could not do although it was asked to: such a run must not end
// looking like a clean one. The worker notes each failure as it happens;
// hosts read the count at any time and the list after the run.

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace nebu {

enum class FailureKind {
    DeleteFailed,       // the system refused to delete (or trash) the file
    ChangedNotDeleted,  // a file of the pair changed after it was compared
    FolderUnreadable,   // a folder, or part of it, could not be searched
    NoWorkFolders,      // the work folders could not be made: nothing compared
};

struct RunFailure {
    FailureKind kind;
    std::string path;
    int error = 0;  // errno when the system gave one
};

class RunFailures {
  public:
    void Note(FailureKind kind, std::string path, int error = 0) {
        std::lock_guard lock(mutex_);
        list_.push_back({kind, std::move(path), error});
        count_.store(static_cast<int>(list_.size()));
    }
    int Count() const { return count_.load(); }
    std::vector<RunFailure> List() const {
        std::lock_guard lock(mutex_);
        return list_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        list_.clear();
        count_.store(0);
    }

  private:
    mutable std::mutex mutex_;
    std::vector<RunFailure> list_;
    std::atomic<int> count_{0};
};

// One line for a failure, names escaped like every log line; `error` texts
// come from the system.
std::string FailureText(const RunFailure& failure);

}  // namespace nebu
