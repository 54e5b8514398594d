#pragma once
// The results window's 元に戻す: putting back what the shown run moved to
// the trash, from the deletion journal. Free of the window, which asks the
// question and shows the answer.

#include <string>
#include <vector>

#include "journal/Restore.h"

namespace nebu {

inline constexpr const char* kRestoreButtonCaption = "元に戻す";

// Offered once the list's actions are, while the run has files in the trash
// that were not put back from this window yet.
bool RestoreOffered(bool resultActions, int trashedInRun, bool alreadyRestored);

// The files of `run` that are still to be put back, as the journal says now.
int RestorableCount(const journal::Contents& contents, const std::string& run);
std::string RestoreQuestion(int count);

struct RestoreOutcome {
    std::string refusal;  // nothing was done when set
    journal::RestoreResult result;
};
// Reads the journal and puts the run's trashed files back, recording each.
RestoreOutcome RestoreRunFromJournal(const std::string& run);

// One log line per file put back or left where it is.
std::vector<std::string> RestoreLogLines(const RestoreOutcome& outcome);
// The message that ends a restore.
std::string RestoreSummary(const RestoreOutcome& outcome);

}  // namespace nebu
