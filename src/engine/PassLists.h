#pragma once
// The lists of a run in two passes (plain files, then archives): each pass
// scans afresh, and the run ends with the files of both.

#include "engine/NebuList.h"

namespace nebu {

inline constexpr const char* kPlainPassLine = "通常ﾌｧｲﾙを比較します。";
inline constexpr const char* kArchivePassLine = "書庫の内容を比較します。";

// Moves every alive record of `from` into `into` and empties `from`. A
// record `into` already holds (same path, same entry) is not doubled: it
// counts as matched when either was.
void TakeOverMatches(TNebuList& into, TNebuList& from);

}  // namespace nebu
