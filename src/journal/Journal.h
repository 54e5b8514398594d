#pragma once
// The deletion journal: $XDG_STATE_HOME/nebu/deletions.jsonl (by default
// ~/.local/state/nebu/), one JSON object per line. Every deletion of either
// program is a "deleted" line; a deletion for good is announced before the
// file goes and "withdrawn" when it did not go; a trashed file that was put
// back is a "restored" line. Lines are appended with one write() each to a
// file opened O_APPEND, so that runs writing at once never mix their lines.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/UniqueFd.h"

namespace nebu::journal {

enum class Event { Deleted, Withdrawn, Restored };

struct Entry {
    Event event = Event::Deleted;
    std::string run;
    std::int64_t seq = 0;  // the deletion's number within its run, from 1
    std::string time;      // UTC, "YYYY-MM-DDThh:mm:ssZ"
    std::string path;      // the deleted file
    // The file it equalled, which was kept: a plain file, or an archive and
    // the entry in it; empty for Withdrawn and Restored lines.
    std::string kept;
    std::string keptEntry;
    std::int64_t size = -1;
    // Where the trash put it; both empty when it went for good.
    std::string trashFile;
    std::string trashInfo;

    bool ForGood() const { return trashFile.empty(); }
};

// $XDG_STATE_HOME/nebu (when that is an absolute path), else ~/.local/state/nebu.
std::string Folder();
std::string FilePath();

std::string UtcTime(std::time_t when);
// Sortable by time, unique between runs: "YYYYMMDD-hhmmss-" and 8 random hex digits.
std::string NewRunId(std::time_t when);

// One line, "\n" included.
std::string EntryLine(const Entry& entry);
std::optional<Entry> ParseLine(std::string_view line);

struct Contents {
    bool found = false;  // the file could be opened
    int error = 0;       // errno when it could not
    std::vector<Entry> entries;
    std::vector<std::size_t> damagedLines;  // 1-based line numbers
    // The text of each damaged line, in the same order.
    std::vector<std::string> damagedText;
};
// Every readable line of the journal; a damaged line is noted and skipped.
Contents Read(const std::string& path);

// Appends lines to one journal file, opened (and its folder made) at the
// first line.
class Writer {
  public:
    explicit Writer(std::string path) : path_(std::move(path)) {}
    // False, with Error(), when the whole line could not be written.
    bool Append(const Entry& entry);
    int Error() const { return error_; }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    platform::UniqueFd fd_;
    int error_ = 0;
};

}  // namespace nebu::journal
