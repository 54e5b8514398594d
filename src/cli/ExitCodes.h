#pragma once
// nebu-cli's exit codes, the same for a job and for the journal commands.

namespace nebu::cli {

inline constexpr int kExitFinished = 0;
inline constexpr int kExitStopped = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWriteFailed = 3;
// The run ended, but something it was asked to do failed (see standard error).
inline constexpr int kExitWithFailures = 4;

}  // namespace nebu::cli
