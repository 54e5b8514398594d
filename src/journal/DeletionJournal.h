#pragma once
// The journal as the remover keeps it: the run's id and deletion numbers,
// and the writer of its lines. A deletion for good is announced before the
// file goes; a move into the trash is recorded once its place is known.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "journal/Journal.h"

namespace nebu::journal {

struct Deletion {
    std::string path;
    std::string kept;
    std::string keptEntry;
    std::int64_t size = -1;
    std::string trashFile;  // empty for good
    std::string trashInfo;
};

class DeletionJournal {
  public:
    // A new run: a new id, and the journal file looked up again.
    void BeginRun();
    // The id of the run under way; one is made at the first deletion of a
    // remover that no run began.
    std::string RunId();
    // The deletion's number, or 0 when its line could not be written.
    std::int64_t Record(const Deletion& deletion);
    // A deletion announced for good that did not happen.
    void Withdraw(std::int64_t seq, const std::string& path);
    // errno of the last line that could not be written.
    int Error() const { return error_; }
    // Deletions into the trash recorded for the run under way.
    int Trashed() const { return trashed_; }

  private:
    void EnsureRun();

    std::mutex mutex_;
    std::string run_;
    std::int64_t seq_ = 0;
    int trashed_ = 0;
    int error_ = 0;
    std::unique_ptr<Writer> writer_;
};

}  // namespace nebu::journal
