#pragma once
// The command line as the engine's host. There is no window to keep alive,
// so the job runs on the thread that calls RunJob and every synchronous call
// runs in place: a log line or a pair costs no hand-off between threads. A
// ticker thread stands in for the work-status window's 200 ms poll: it draws
// the progress and passes a stop request on while the job is busy.

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <thread>

#include "engine/Nebu.h"
#include "engine/NebuHost.h"

namespace nebu::cli {

class CliHost : public NebuHost {
  public:
    // Questions are written to `prompt` and answered from `answers`.
    CliHost(std::istream& answers, std::ostream& prompt);

    void InvokeOnMainThread(const std::function<void()>& call) override;
    MsgAnswer ShowMessage(const std::string& caption, const std::string& text,
                          MsgButtons buttons) override;
    void ShowDeleteChoice(DeleteChoice& dialog) override;

    struct Callbacks {
        // Called on the job's thread as soon as a line or pair is reported.
        std::function<void(const std::string&)> onLogLine;
        std::function<void(const SamePairRec&)> onSamePair;
        // Called on the ticker thread; return true to request a stop. Must
        // only read what may be read while the job runs.
        std::function<bool()> stopWanted;
        // Called every 200 ms on the ticker thread, never while a line is
        // being reported or a question is open, and once more at the end;
        // it may read only the job's phase and counters.
        std::function<void(const TNebu&)> onTick;
    };

    // Runs one job to its end on the calling thread.
    void RunJob(TNebu& job, const Callbacks& callbacks);

  private:
    void Drain(TNebu& job);
    void Tick(TNebu& job);
    // Either thread: sets the job's stop requests when a stop is wanted.
    void PassOnStop(TNebu& job);
    std::string ReadAnswer();

    std::istream& answers_;
    std::ostream& prompt_;
    TNebu* job_ = nullptr;
    const Callbacks* callbacks_ = nullptr;
    // Keeps the ticker's drawing apart from the lines, pairs and questions
    // written by the job's thread.
    std::mutex output_;
    std::mutex tickerMutex_;
    std::condition_variable tickerWake_;
    bool tickerEnd_ = false;
    // While a question waits for its answer, a wanted stop interrupts the
    // read on the job's thread (a signal may have reached the ticker).
    void InterruptQuestion();
    std::atomic<bool> asking_{false};
    pthread_t jobThread_{};
};

}  // namespace nebu::cli
