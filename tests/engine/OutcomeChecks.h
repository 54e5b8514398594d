#pragma once
// Checks of a run's outcome that name the first difference, for sequences
// that run to tens of thousands of lines.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "PairwiseReference.h"

namespace nebu::test {

// Equal sequences, or one failure naming the first difference.
void ExpectSameSequence(const char* what, const std::vector<std::string>& engine,
                        const std::vector<std::string>& reference);

// Holds `part` to appear within `whole` in the same order.
void ExpectSubsequence(const char* what, const std::vector<std::string>& part,
                       const std::vector<std::string>& whole);

// The marks a record must carry; nothing where either may stand.
struct Marks {
    std::optional<bool> matched;
    std::optional<bool> alive;
};

// Holds the engine's marks, record by record, to what `expect` says of the
// reference's record in the same place.
void ExpectMarks(const char* side, const RefList& engine, const RefList& reference,
                 const std::function<Marks(std::int64_t size, const RefRecord&)>& expect);

}  // namespace nebu::test
