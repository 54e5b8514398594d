#pragma once
// The comparison modes a job picks from; each walks both lists by size group.

#include <cstddef>

#include "engine/NebuRecords.h"
#include "engine/RecordClasses.h"

namespace nebu {

class TNebu;
class TNebuFileFunc;

void ComparePlain(TNebu& job);
void CompareSourceArchives(TNebu& job);
void CompareTargetArchives(TNebu& job);
void CompareArchiveEntries(TNebu& job);
// The classes of an archive record's entries, in the order of its entry list.
struct ArchiveEntryClasses {
    const RecordClasses::Result* at = nullptr;
    std::size_t count = 0;
};
bool CompareArchives(TNebuFileFunc& fileFunc, ArchiveEntryClasses sourceEntries,
                     ArchiveEntryClasses targetEntries, NebuNameRec& source, NebuNameRec& target);
void DeleteFullArchives(TNebu& job);

}  // namespace nebu
