#pragma once
// A side's directory list: its sorted entries, the normalisation every change
// runs, and the comma text that settings store it as.

#include <string>
#include <string_view>
#include <vector>

namespace nebu {

// The path can be read and is a directory (a link to one counts).
bool DirExists(const std::string& path);

// Puts an entry into its sorted place (ASCII letters without case; after
// entries that compare equal).
void AddSortedEntry(std::vector<std::string>& entries, const std::string& entry);

// Cuts entries that name no directory back to their nearest existing
// ancestor (dropping those that end empty), sorts, and removes each entry
// that directly follows an equal one or, with sub-directories searched, one
// of its ancestors. Returns whether the list should be shown (not empty).
bool NormalizeDirList(std::vector<std::string>& entries, bool withSubDirs);

// Entries joined by ","; an empty entry, and one holding a blank, control
// character, double quote or comma, is quoted with inner quotes doubled.
std::string DirListToText(const std::vector<std::string>& entries);
// The reverse; the entries come out in sorted order.
std::vector<std::string> DirListFromText(std::string_view text);

}  // namespace nebu
