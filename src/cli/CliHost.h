#pragma once
// The command line as the engine's host: the main thread runs the calls the
// worker posts, polls the job every 200 ms as the work-status window does,
// and asks questions on the terminal.

#include <atomic>
#include <functional>
#include <iosfwd>
#include <thread>

#include "cli/MainThreadCalls.h"
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
        std::function<void(const std::string&)> onLogLine;
        std::function<void(const SamePairRec&)> onSamePair;
        // Called on every poll; return true to request a stop.
        std::function<bool()> stopWanted;
        // Called on every poll with the job, for progress displays.
        std::function<void(const TNebu&)> onTick;
    };

    // Runs one job on its worker and returns when the worker has ended and
    // everything it reported has been drained. Must be called on the thread
    // that constructed the host.
    void RunJob(TNebu& job, const Callbacks& callbacks);

  private:
    void Drain(TNebu& job, const Callbacks& callbacks);
    std::string ReadAnswer();

    std::istream& answers_;
    std::ostream& prompt_;
    std::thread::id mainThread_;
    MainThreadCalls calls_;
};

}  // namespace nebu::cli
