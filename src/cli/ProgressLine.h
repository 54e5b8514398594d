#pragma once
// What the work-status window shows, as one line on a terminal: the search
// count while scanning, a bar while comparing, the closing word at the end.

#include <iosfwd>
#include <string>

#include "engine/Nebu.h"

namespace nebu::cli {

class ProgressLine {
  public:
    explicit ProgressLine(std::ostream& out) : out_(out) {}
    // The text for the job's state as the window's tick would show it.
    static std::string TextFor(const TNebu& job, int barWidth = 30);
    void Show(const TNebu& job);
    // Wipes the line so that other output starts on a clean line.
    void Clear();
    void Finish(const TNebu& job);

  private:
    std::ostream& out_;
    bool shown_ = false;
};

}  // namespace nebu::cli
