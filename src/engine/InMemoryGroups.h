#pragma once
// Size groups of small archive entries against plain files, compared in
// memory: each entry's bytes come from the one pass over its archive, each
// plain file is read once, and equal bytes are found by a hash of them. No
// entry becomes a file of its own, which costs more than all the rest when
// an archive holds tens of thousands of small entries.

#include <cstdint>
#include <functional>

#include "engine/NebuList.h"
#include "engine/NebuRecords.h"

namespace nebu {

class TNebu;

// Whether the group of this size on both sides is small enough.
bool GroupFitsInMemory(const TNebu& job, const TNebuList::SizeNode& source,
                       const TNebuList::SizeNode& target);

// Called for each pair of equal contents, with the source list's cursor on
// `s` and the target list's on `t`, and the plain file's identity remembered
// as it was read.
using EqualPairFn = std::function<void(const NebuNameRec& s, const NebuNameRec& t)>;

// Source entries against plain target files: for each entry in walk order,
// the equal targets in walk order.
void CompareSourceEntriesInMemory(TNebu& job, std::int64_t sizeKey, const EqualPairFn& equal);
// Plain source files against target entries: for each source in walk order,
// the equal entries of other files than itself in walk order.
void CompareTargetEntriesInMemory(TNebu& job, std::int64_t sizeKey, const EqualPairFn& equal);

}  // namespace nebu
