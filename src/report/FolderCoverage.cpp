#include "report/FolderCoverage.h"

#include <map>
#include <tuple>

#include "engine/LogText.h"
#include "engine/NebuList.h"
#include "engine/SameChkList.h"

namespace nebu {

namespace {

std::string Key(const std::string& folder, const std::string& name) {
    std::string key;
    key.reserve(folder.size() + name.size() + 1);
    key.append(folder).append(1, '\0').append(name);
    return key;
}

}  // namespace

void FolderCoverage::AddFound(const SamePairRec& pair) {
    found_.insert(Key(pair.folder2, pair.name2));
}

std::vector<FolderCoverageRow> FolderCoverage::Rows(const TNebuList& targets) const {
    std::map<std::string, FolderCoverageRow> folders;
    for (const TNebuList::SizeNode& group : targets.Groups()) {
        for (const TNebuList::FileNode& file : group.Files) {
            std::string folder;
            std::string name;
            if (file.Entry().empty()) {
                std::tie(name, folder) = SplitPath(file.Path);
            } else {
                folder = file.Path;
                name = file.Entry();
            }
            const bool found = found_.count(Key(folder, name)) != 0;
            FolderCoverageRow& row = folders[folder];
            ++row.Files;
            row.Bytes += group.Size;
            if (found) {
                ++row.Found;
                row.FoundBytes += group.Size;
            }
        }
    }
    std::vector<FolderCoverageRow> rows;
    rows.reserve(folders.size());
    for (auto& [folder, row] : folders) {
        row.Folder = folder;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string FolderCoverageLine(const FolderCoverageRow& row) {
    std::string line = EscapeControlCharacters(row.Folder) + "\t" + std::to_string(row.Found) +
                       "/" + std::to_string(row.Files) + "件\t" + std::to_string(row.FoundBytes) +
                       "/" + std::to_string(row.Bytes) + "バイト";
    if (row.AllFound()) line += std::string("\t") + kAllFoundText;
    return line;
}

}  // namespace nebu
