#include "journal/DeletionJournal.h"

#include <ctime>

namespace nebu::journal {

void DeletionJournal::BeginRun() {
    std::lock_guard lock(mutex_);
    run_.clear();
    EnsureRun();
}

void DeletionJournal::EnsureRun() {
    if (!run_.empty()) return;
    run_ = NewRunId(std::time(nullptr));
    seq_ = 0;
    trashed_ = 0;
    writer_ = std::make_unique<Writer>(FilePath());
}

std::string DeletionJournal::RunId() {
    std::lock_guard lock(mutex_);
    EnsureRun();
    return run_;
}

std::int64_t DeletionJournal::Record(const Deletion& deletion) {
    std::lock_guard lock(mutex_);
    EnsureRun();
    Entry entry;
    entry.event = Event::Deleted;
    entry.run = run_;
    entry.seq = seq_ + 1;
    entry.time = UtcTime(std::time(nullptr));
    entry.path = deletion.path;
    entry.kept = deletion.kept;
    entry.keptEntry = deletion.keptEntry;
    entry.size = deletion.size;
    entry.trashFile = deletion.trashFile;
    entry.trashInfo = deletion.trashInfo;
    if (!writer_->Append(entry)) {
        error_ = writer_->Error();
        return 0;
    }
    if (!entry.ForGood()) ++trashed_;
    return ++seq_;
}

void DeletionJournal::Withdraw(std::int64_t seq, const std::string& path) {
    std::lock_guard lock(mutex_);
    EnsureRun();
    Entry entry;
    entry.event = Event::Withdrawn;
    entry.run = run_;
    entry.seq = seq;
    entry.time = UtcTime(std::time(nullptr));
    entry.path = path;
    if (!writer_->Append(entry)) error_ = writer_->Error();
}

}  // namespace nebu::journal
