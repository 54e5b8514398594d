#include "report/DiffList.h"

#include <algorithm>

#include "engine/NebuList.h"
#include "engine/SameChkList.h"
#include "platform/PathText.h"

namespace nebu {

std::string SizeText(std::int64_t size) {
    const std::int64_t kb = (size + 1023) / 1024;
    std::string digits = std::to_string(kb < 0 ? -kb : kb);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return (kb < 0 ? "-" : "") + text + "KB";
}

SameRow MakeSameRow(const SamePairRec& pair) {
    return SameRow{pair.name2,     pair.folder2,  SizeText(pair.size),
                   pair.name1,     pair.folder1,  pair.mutual == 1 ? 0 : 1,
                   pair.identity2, pair.identity1};
}

namespace {

struct NameFolder {
    std::string name;
    std::string folder;
};

// An archive entry is named by the entry, in the archive; anything else by
// its path.
NameFolder NameOf(const TNebuList::FileNode& file) {
    if (!file.Entry().empty()) return {file.Entry(), file.Path};
    auto [name, folder] = SplitPath(file.Path);
    return {std::move(name), std::move(folder)};
}

// Alive unmatched files in walk order: ascending size, newest first within
// a size. Stops as soon as `visit` returns false.
template <typename Visit>
void ForEachUnmatched(const TNebuList& list, Visit visit) {
    for (const TNebuList::SizeNode& group : list.Groups()) {
        for (auto it = group.Files.rbegin(); it != group.Files.rend(); ++it) {
            if (!it->Alive || it->Matched != 0) continue;
            if (!visit(group.Size, *it)) return;
        }
    }
}

bool SameNameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && platform::CompareAsciiNoCase(a, b) == 0;
}

}  // namespace

DiffListResult BuildDiffList(const TNebuList& dstList, const TNebuList& srcList) {
    DiffListResult result;
    auto& rows = result.Rows;

    ForEachUnmatched(dstList, [&](std::int64_t size, const TNebuList::FileNode& file) {
        NameFolder nf = NameOf(file);
        rows.push_back(
            DiffRow{std::move(nf.name), std::move(nf.folder), SizeText(size), {}, {}, {}});
        return rows.size() <= kDiffListLimit;
    });

    ForEachUnmatched(srcList, [&](std::int64_t size, const TNebuList::FileNode& file) {
        if (rows.size() > kDiffListLimit) return false;
        NameFolder nf = NameOf(file);
        auto row = std::find_if(rows.begin(), rows.end(), [&](const DiffRow& r) {
            return r.SourceName.empty() && SameNameNoCase(r.TargetName, nf.name);
        });
        if (row == rows.end()) row = rows.insert(rows.end(), DiffRow{});
        row->SourceName = std::move(nf.name);
        row->SourceFolder = std::move(nf.folder);
        row->SourceSize = SizeText(size);
        return true;
    });

    if (rows.size() <= kDiffListLimit) {
        result.PageCaption = "違うファイルリスト(" + std::to_string(rows.size()) + "件)";
    }
    if (rows.empty()) {
        result.Placeholder = kNoDiffFilesText;
    } else if (rows.size() > kDiffListLimit) {
        result.Placeholder =
            "件数が" + std::to_string(kDiffListLimit) + "件を超えているので表示できません";
    }
    return result;
}

}  // namespace nebu
