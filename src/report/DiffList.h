#pragma once
// The rows of the results window's two lists as plain data, and the
// different-file list built from a finished job's file lists.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/SamePair.h"

namespace nebu {

class TNebuList;

// Size in kilobytes rounded up, with thousands commas: "1,024KB", "1KB", "0KB".
std::string SizeText(std::int64_t size);

// One row of the same-file list: the target (deletion candidate) first.
struct SameRow {
    std::string TargetName;    // column 0, the caption
    std::string TargetFolder;  // column 1
    std::string SizeText;      // column 2
    std::string SourceName;    // column 3
    std::string SourceFolder;  // column 4
    int Image = 1;             // 0 marks a mutual pair
    // Each file (the source's archive for an entry) as it was compared;
    // they travel with their columns when the sides are exchanged.
    std::optional<platform::FileIdentity> TargetIdentity = std::nullopt;
    std::optional<platform::FileIdentity> SourceIdentity = std::nullopt;

    bool operator==(const SameRow&) const = default;
};

SameRow MakeSameRow(const SamePairRec& pair);

// One row of the different-file list: an unmatched target file and/or an
// unmatched source file of the same name; either half may be empty.
struct DiffRow {
    std::string TargetName;    // column 0
    std::string TargetFolder;  // column 1
    std::string TargetSize;    // column 2
    std::string SourceName;    // column 3
    std::string SourceFolder;  // column 4
    std::string SourceSize;    // column 5

    bool operator==(const DiffRow&) const = default;
};

inline constexpr std::size_t kDiffListLimit = 500;
inline constexpr const char* kNoDiffFilesText = "違うファイルはありません";

struct DiffListResult {
    std::vector<DiffRow> Rows;  // at most kDiffListLimit + 1
    // "違うファイルリスト(N件)", or empty when the caption keeps its
    // start-of-job text (more rows than the limit).
    std::string PageCaption;
    // The placeholder line over the list, or empty when the list is shown.
    std::string Placeholder;
};

// Unmatched alive target records first (ascending size, stored order within
// a size), then each unmatched source record joins the first row of its
// name (ASCII case ignored) that has no source yet, or gets a row of its own.
DiffListResult BuildDiffList(const TNebuList& dstList, const TNebuList& srcList);

}  // namespace nebu
