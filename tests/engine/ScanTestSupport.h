#pragma once
// Reading a scanned side back as plain values.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/NebuList.h"

namespace nebu::test {

struct Found {
    std::int64_t size = 0;
    std::string path;
    std::string entry;
    std::uint8_t kind = 0;
    std::vector<std::string> entryNames;  // whole-archive records, by size
};

// Every stored record: groups ascending, within a group newest first.
inline std::vector<Found> AllFound(const TNebuList& list) {
    std::vector<Found> out;
    for (const auto& group : list.Groups()) {
        for (auto it = group.Files.rbegin(); it != group.Files.rend(); ++it) {
            Found f;
            f.size = group.Size;
            f.path = it->Path;
            f.entry = it->Entry();
            f.kind = it->Kind;
            if (it->Entries) {
                for (const auto& e : it->Entries->Entries()) f.entryNames.push_back(e.name);
            }
            out.push_back(f);
        }
    }
    return out;
}

inline std::vector<std::string> FoundPaths(const TNebuList& list) {
    std::vector<std::string> paths;
    for (const auto& f : AllFound(list)) paths.push_back(f.path);
    return paths;
}

}  // namespace nebu::test
