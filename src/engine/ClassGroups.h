#pragma once
// Size groups of archive entries against plain files, walked with the
// classes found before the walk (RecordClasses): each record visits only
// the partners of its own class, in walk order, so the outcome is that of
// meeting every partner, and no group costs more than its records.

#include "engine/InMemoryGroups.h"
#include "engine/RecordClasses.h"

namespace nebu {

// Walk position -> index into the current group's Files.
std::size_t FileIndexAt(const TNebuList& list, long position);
// The archive as it was listed: the kept copy when a duplicate of one of its
// entries is deleted.
void RememberListedArchive(TNebuFileFunc& ff, const std::string& archive);

// Source entries against plain target files, as CompareSourceEntriesInMemory.
void CompareSourceEntriesByClass(TNebu& job, const RecordClasses& classes,
                                 const EqualPairFn& equal);
// Plain source files against target entries, as CompareTargetEntriesInMemory.
void CompareTargetEntriesByClass(TNebu& job, const RecordClasses& classes,
                                 const EqualPairFn& equal);

}  // namespace nebu
