#pragma once
// The worker that runs one job, and the hand-off operations through which
// everything it reports reaches the main thread.

#include <functional>
#include <thread>

#include "engine/NebuHost.h"
#include "engine/SamePair.h"

namespace nebu {

class TNebu;

class TNebuThread {
  public:
    TNebuThread(TNebu& job, NebuHost& host);
    ~TNebuThread();  // joins
    TNebuThread(const TNebuThread&) = delete;
    TNebuThread& operator=(const TNebuThread&) = delete;

    // Publishes itself to the job, then runs the job on a new thread;
    // `finished` is called on that thread once the run has returned.
    void Start(std::function<void()> finished = {});
    // Runs the job on the calling thread (tests, and hosts without threads).
    void Execute();
    void Join();

    // Worker-side hand-off operations; each returns once the main thread has
    // done its part, or, with a host that queues directly, once the line or
    // pair is in the job's queue.
    void LogLine(const std::string& text);
    void HandOverSamePair(const SamePairRec* rec);
    MsgAnswer AskMessage(const std::string& caption, const std::string& text, MsgButtons buttons);
    void AskDeleteChoice(DeleteChoice& dialog);

    TNebu& Job() { return job_; }

  private:
    TNebu& job_;
    NebuHost& host_;
    const SamePairRec* Rec = nullptr;
    std::string Line;
    std::thread thread_;
};

}  // namespace nebu
