#pragma once
// Copying the window's values into the job at a start, and the two values
// that a start hands the results window: the log path and the flag that
// allows opening and deleting result rows.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/WindowSettings.h"

namespace nebu {

class TNebu;

inline constexpr const char* kSizeRangeMessage = "ﾌｧｲﾙｻｲｽﾞの範囲の指定が変ですぅ";
inline constexpr const char* kNoSourceDirMessage =
    "転送元のﾃﾞｨﾚｸﾄﾘにﾏｲ ｺﾝﾋﾟｭｰﾀは指定はできませえん";
inline constexpr const char* kNoTargetDirMessage =
    "転送先のﾃﾞｨﾚｸﾄﾘにﾏｲ ｺﾝﾋﾟｭｰﾀは指定はできませえん";

// Options, size range, directories and masks, in that order. Returns the
// message that stops the start (values copied before it stay in the job), or
// nothing when the job is ready. The search attribute goes along too.
std::optional<std::string> ApplyToJob(const WindowSettings& settings, TNebu& job);

// A size field read as C reads a decimal integer: leading blanks, an
// optional sign, digits up to the first other character; no digits give 0.
std::int64_t ReadSizeText(std::string_view text);

// Whether the results window may open and delete rows after this job: not
// when the rows' targets are archive entries.
bool ResultActionsAllowed(const WindowSettings& settings);

// The log file path for a job: empty while CheckLog is off.
std::string LogPathForJob(const WindowSettings& settings);

// The running executable (/proc/self/exe); empty when it cannot be read.
std::string ExecutablePath();
// The executable's path with ".log" in place of a four-character extension,
// or appended when the name has none.
std::string LogNameBeside(std::string_view executablePath);
// $XDG_STATE_HOME/nebu/, else ~/.local/state/nebu/; empty when neither is known.
std::string StateFolder();
// The log name beside the executable while its folder is one of the user's
// own (never for root); else the same name in `stateFolder`, which is
// created when missing; empty when there is no state folder either.
std::string LogPathFor(std::string_view executablePath, const std::string& stateFolder);

}  // namespace nebu
