#pragma once
// How far a job's comparison is, in bytes to read. The plan is made once the
// lists are known: every byte the head pass, the classification before the
// walk and the walk of the common size groups may read. Each step then runs
// as a span of that plan: the bytes the process reads meanwhile fill it, up
// to its share, and the next span starts where the plan said the last one
// ends, so files found different early never leave the bar behind. Readers
// on any thread see a done count that never falls and never passes the total.

#include <cstdint>
#include <mutex>

namespace nebu {

class ByteProgress {
  public:
    struct Snapshot {
        std::int64_t done = 0;
        std::int64_t total = 0;
    };

    // A new job: nothing planned, nothing done.
    void Reset();
    // Adds to the plan. Only before the first span begins.
    void AddPlanned(std::int64_t bytes);
    // Ends the span under way, counted in full, and begins one of `bytes`.
    void BeginSpan(std::int64_t bytes);
    // The job ran to its end: everything planned is done.
    void Complete();
    Snapshot Read() const;

  private:
    std::int64_t ReadInSpan() const;

    // A group boundary takes the lock once; the reads in between only add to
    // the process's byte count, which needs no lock.
    mutable std::mutex mutex_;
    std::int64_t total_ = 0;
    std::int64_t spanStart_ = 0;
    std::int64_t spanEnd_ = 0;
    std::int64_t bytesReadAtSpan_ = 0;
};

}  // namespace nebu
