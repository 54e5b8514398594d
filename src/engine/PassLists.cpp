#include "engine/PassLists.h"

#include <set>
#include <string>
#include <utility>

namespace nebu {

void TakeOverMatches(TNebuList& into, TNebuList& from) {
    // A run of one pass has nothing to take over: its lists stay as they are.
    if (from.Count() <= 0) {
        from.Clear();
        return;
    }
    std::set<std::pair<std::string, std::string>> held;
    for (const TNebuList::SizeNode& group : into.Groups()) {
        for (const TNebuList::FileNode& node : group.Files) {
            if (node.Alive != 0) held.emplace(node.Path, node.Entry());
        }
    }
    std::set<std::pair<std::string, std::string>> matchedAgain;
    NebuRec rec;
    for (bool more = from.FirstFile(rec); more; more = from.NextFile(rec)) {
        auto key = std::pair{rec.Path, rec.Entry};
        if (held.count(key) != 0) {
            if (rec.Matched != 0) matchedAgain.insert(std::move(key));
            continue;
        }
        into.AddAppended(rec);
    }
    from.Clear();
    if (matchedAgain.empty()) return;
    // Marked through the list's own walk, which keeps its bookkeeping right.
    for (bool more = into.FirstFile(rec); more; more = into.NextFile(rec)) {
        if (rec.Matched == 0 && matchedAgain.count({rec.Path, rec.Entry}) != 0) into.MarkMatched();
    }
}

}  // namespace nebu
