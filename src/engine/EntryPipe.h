#pragma once
// Entries taken out of an archive on a thread of their own and handed, in
// order, to the thread that classifies them, so that decompressing the next
// entries overlaps comparing the last ones. What waits in between is
// bounded; small passes run on the calling thread alone.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace nebu {

struct TakenEntry {
    std::size_t from = 0;  // the wanted records it settles, by index
    std::size_t to = 0;
    bool ok = false;  // false: those records failed
    std::uint64_t hash = 0;
    std::string bytes;  // the entry's bytes, unless
    int fd = -1;        // they are in this work file, from its start
};

class EntryPipe {
  public:
    using Consume = std::function<void(TakenEntry&)>;
    EntryPipe(Consume consume, bool threaded) : consume_(std::move(consume)), threaded_(threaded) {}
    EntryPipe(const EntryPipe&) = delete;
    EntryPipe& operator=(const EntryPipe&) = delete;

    // Runs `produce`, which hands entries over with Put, on a thread of its
    // own while they are consumed here; returns once all are consumed. An
    // exception on either side ends both and is thrown here.
    void Run(const std::function<void()>& produce);

    // For the producer: false once the consumer has given up.
    bool Put(TakenEntry&& entry);
    // For the producer: waits until everything handed over is consumed, so
    // that a work file named by an entry may be written again.
    bool Drain();
    // For the producer: a buffer to fill, one consumed before when there is one.
    std::string Buffer();

  private:
    void Recycle(std::string&& bytes);

    Consume consume_;
    bool threaded_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TakenEntry> queue_;
    std::vector<std::string> spare_;
    std::size_t queuedBytes_ = 0;
    std::size_t unfinished_ = 0;  // handed over, not yet consumed
    bool produced_ = false;
    bool cancelled_ = false;
};

}  // namespace nebu
