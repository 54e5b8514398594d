#include "OutcomeChecks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace nebu::test {

void ExpectSameSequence(const char* what, const std::vector<std::string>& engine,
                        const std::vector<std::string>& reference) {
    const std::size_t n = std::min(engine.size(), reference.size());
    std::size_t at = 0;
    while (at < n && engine[at] == reference[at]) ++at;
    if (at == n && engine.size() == reference.size()) return;
    ADD_FAILURE() << what << ": engine has " << engine.size() << ", reference " << reference.size()
                  << "; first difference at " << at
                  << "\n  engine:    " << (at < engine.size() ? engine[at] : "(none)")
                  << "\n  reference: " << (at < reference.size() ? reference[at] : "(none)");
}

void ExpectSubsequence(const char* what, const std::vector<std::string>& part,
                       const std::vector<std::string>& whole) {
    std::size_t at = 0;
    for (const std::string& item : part) {
        while (at < whole.size() && whole[at] != item) ++at;
        if (at == whole.size()) {
            ADD_FAILURE() << what << ": not found in order among what was found: " << item;
            return;
        }
        ++at;
    }
}

namespace {

std::string MarkText(const std::optional<bool>& mark) {
    return mark ? std::to_string(int(*mark)) : "either";
}

}  // namespace

void ExpectMarks(const char* side, const RefList& engine, const RefList& reference,
                 const std::function<Marks(std::int64_t size, const RefRecord&)>& expect) {
    ASSERT_EQ(engine.size(), reference.size()) << side;
    int reported = 0;
    for (std::size_t g = 0; g < engine.size(); ++g) {
        ASSERT_EQ(engine[g].files.size(), reference[g].files.size()) << side << " group " << g;
        for (std::size_t i = 0; i < engine[g].files.size(); ++i) {
            const RefRecord& e = engine[g].files[i];
            const RefRecord& r = reference[g].files[i];
            ASSERT_EQ(e.path, r.path);
            const Marks m = expect(engine[g].size, r);
            const bool wrong =
                (m.matched && e.matched != *m.matched) || (m.alive && e.alive != *m.alive);
            if (wrong && reported++ < 10) {
                ADD_FAILURE() << side << " record " << e.path << " " << e.entry << " (size "
                              << engine[g].size << "): engine matched " << e.matched << " alive "
                              << e.alive << ", expected matched " << MarkText(m.matched)
                              << " alive " << MarkText(m.alive);
            }
        }
    }
}

}  // namespace nebu::test
