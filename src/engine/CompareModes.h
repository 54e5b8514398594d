#pragma once
// The comparison modes a job picks from; each walks both lists by size group.

#include "engine/NebuRecords.h"

namespace nebu {

class TNebu;
class TNebuFileFunc;

void ComparePlain(TNebu& job);
void CompareSourceArchives(TNebu& job);
void CompareTargetArchives(TNebu& job);
void CompareArchiveEntries(TNebu& job);
bool CompareArchives(TNebuFileFunc& fileFunc, _NebuNameRec& source, _NebuNameRec& target);
void DeleteFullArchives(TNebu& job);

}  // namespace nebu
