#pragma once
// The state kept between runs: the file "NEBU for Win32.conf" in the user's
// configuration folder (QSettings, group "NEBU"), with the same keys, read
// order and value rules as settings files, plus the save-on-exit mark
// (shozon) and the different-file list's column widths.

#include <optional>
#include <string>
#include <vector>

#include "settings/WindowSettings.h"

class QWidget;

namespace nebu {

// $XDG_CONFIG_HOME/nebu/NEBU for Win32.conf, read anew on every call.
std::string StateFilePath();

// Reads shozon (off when missing) into `shozon`; only while it is on, reads
// every key into `settings` in read order (no reset, no after-load rules).
// `missingDirs` receives the directories the state names that are gone.
void LoadFromRegistry(WindowSettings& settings, bool& shozon,
                      std::vector<std::string>* missingDirs = nullptr,
                      const std::string& path = StateFilePath());

// Writes shozon and Version; the keys only while `shozon` is on. Returns
// the error naming the file; the file is then left as it was.
std::optional<std::string> SaveToRegistry(const WindowSettings& settings, bool shozon,
                                          const std::string& path = StateFilePath());

// The work-status window's font, size and column widths, found by the
// object names of its lists; `fallback` stands in for what it lacks.
ResultsLayout ReadResultsLayout(const QWidget& shori, const ResultsLayout& fallback);
// Gives the layout to that window; values no window could use (a width of
// a million, a font of no size) are brought into range.
void ApplyResultsLayout(QWidget& shori, const ResultsLayout& layout);

}  // namespace nebu
