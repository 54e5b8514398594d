#pragma once
// What the work-status window shows, as one line on a terminal: the search
// count while scanning, a bar while comparing, the closing word at the end.
// On a terminal the bar goes by bytes and shows the amounts and the time
// left; elsewhere the line stays as it always was, for whoever parses it.

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "engine/Nebu.h"
#include "report/RemainingTime.h"

namespace nebu::cli {

class ProgressLine {
  public:
    using Clock = std::function<double()>;
    // `terminal`: standard error is a terminal, read by a person. `clock`
    // gives steady seconds; tests pass their own.
    explicit ProgressLine(std::ostream& out, bool terminal = false, Clock clock = {});
    // The text for the job's state as the window's tick would show it.
    static std::string TextFor(const TNebu& job, int barWidth = 30);
    // The same on a terminal: while comparing, by bytes, with the amounts
    // and, once known, the time left.
    static std::string TerminalTextFor(const TNebu& job, ByteProgress::Snapshot bytes,
                                       std::optional<std::int64_t> remaining, int barWidth = 20);
    void Show(const TNebu& job);
    // Wipes the line so that other output starts on a clean line.
    void Clear();
    void Finish(const TNebu& job);

  private:
    std::ostream& out_;
    bool terminal_;
    Clock clock_;
    RemainingTime remaining_;
    bool shown_ = false;
};

}  // namespace nebu::cli
