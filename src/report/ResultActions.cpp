#include "report/ResultActions.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "engine/SameChkList.h"
#include "platform/FileIdentity.h"
#include "platform/FileReading.h"
#include "platform/UniqueFd.h"

namespace nebu {

ActionState DecideActions(int selectedRows, int firstSelectedImage, bool resultActions,
                          std::size_t rowCount) {
    ActionState state;
    if (selectedRows > 0) {
        state.Swap = firstSelectedImage == 0;
        // Archive entries as targets can be neither opened nor deleted.
        if (resultActions) {
            state.Open = true;
            state.Delete = true;
            if (selectedRows == 1) {
                state.DeleteButtonCaption = kDeleteButtonOneCaption;
                state.DeleteItemCaption = kDeleteItemOneCaption;
            } else {
                state.DeleteButtonCaption = kDeleteSeveralCaption;
                state.DeleteItemCaption = kDeleteSeveralCaption;
                state.DeleteAll = true;
            }
        }
    }
    state.Save = rowCount > 0;
    return state;
}

std::vector<SameRow> CollectSelectedTargets(const std::vector<SameRow>& rows,
                                            const std::vector<int>& selected) {
    std::vector<SameRow> targets;
    for (const int index : selected) {
        if (index < 0 || static_cast<std::size_t>(index) >= rows.size()) continue;
        const SameRow& row = rows[static_cast<std::size_t>(index)];
        const bool known = std::any_of(targets.begin(), targets.end(), [&](const SameRow& t) {
            return t.TargetName == row.TargetName && t.TargetFolder == row.TargetFolder;
        });
        if (!known) targets.push_back(row);
    }
    return targets;
}

std::string TargetPath(const SameRow& row) {
    return JoinPath(row.TargetFolder, row.TargetName);
}

std::string DeleteQuestion(const std::string& path) {
    return "｢" + path + "｣を削除してよいですか？";
}

std::string DeletedLine(const std::string& path) {
    return "｢" + path + "｣を削除しました。";
}

namespace {

// Whether the two files, opened as the identities say they are, still hold
// the same bytes.
bool StillEqual(const std::string& path1, const platform::FileIdentity& id1,
                const std::string& path2, const platform::FileIdentity& id2) {
    platform::UniqueFd file1(platform::OpenForReading(path1));
    platform::UniqueFd file2(platform::OpenForReading(path2));
    if (file1.get() < 0 || file2.get() < 0) return false;
    const auto open1 = platform::IdentityOfDescriptor(file1.get());
    const auto open2 = platform::IdentityOfDescriptor(file2.get());
    if (!open1 || !open2 || !(*open1 == id1) || !(*open2 == id2)) return false;
    constexpr std::size_t kChunk = 65536;
    std::vector<char> buffer1(kChunk);
    std::vector<char> buffer2(kChunk);
    for (;;) {
        const long count1 = platform::ReadFull(file1.get(), buffer1.data(), kChunk);
        const long count2 = platform::ReadFull(file2.get(), buffer2.data(), kChunk);
        if (count1 < 0 || count1 != count2) return false;
        if (std::memcmp(buffer1.data(), buffer2.data(), static_cast<std::size_t>(count1)) != 0) {
            return false;
        }
        if (static_cast<std::size_t>(count1) < kChunk) return true;
    }
}

bool Matches(const std::optional<platform::FileIdentity>& now,
             const std::optional<platform::FileIdentity>& compared) {
    return now && compared && *now == *compared;
}

}  // namespace

RowCheck CheckRowFiles(const SameRow& row, bool srcPlain, bool bytewise) {
    RowCheck check;
    const std::string target = TargetPath(row);
    const auto targetNow = platform::IdentityOfPath(target);
    if (!targetNow) {
        check.DropName = row.TargetName;
        check.DropFolder = row.TargetFolder;
        return check;
    }
    // An entry's source is its archive: every row of that archive goes with it.
    // A job that also compared plain source files holds rows of both kinds;
    // a plain file's folder is a folder.
    std::error_code ec;
    const bool srcEntry = !srcPlain && !std::filesystem::is_directory(row.SourceFolder, ec);
    const std::string source =
        srcEntry ? row.SourceFolder : JoinPath(row.SourceFolder, row.SourceName);
    const auto sourceNow = platform::IdentityOfPath(source);
    auto dropSource = [&] {
        check.DropName = srcEntry ? "*" : row.SourceName;
        check.DropFolder = row.SourceFolder;
    };
    if (!sourceNow) {
        dropSource();
        return check;
    }
    // Either file may have been rewritten since the job: the target is then
    // no longer known to be a copy of the source, whose copy it may be the last.
    if (!Matches(targetNow, row.TargetIdentity) ||
        (bytewise && Matches(sourceNow, row.SourceIdentity) &&
         !StillEqual(source, *row.SourceIdentity, target, *row.TargetIdentity))) {
        check.DropName = row.TargetName;
        check.DropFolder = row.TargetFolder;
        check.LogLine = "｢" + target + "｣は比較の後で変更されたので削除しませんでした。";
        return check;
    }
    if (!Matches(sourceNow, row.SourceIdentity)) {
        dropSource();
        check.LogLine =
            "｢" + source + "｣が比較の後で変更されたので｢" + target + "｣を削除しませんでした。";
        return check;
    }
    check.Deletable = true;
    return check;
}

namespace {

enum class Outcome { Deleted, DeletedLogFailed, Skipped, StopSeries };

// One target: checked, asked about, checked again (the answer may have taken
// minutes), removed.
Outcome DeleteOne(const SameRow& row, const DeleteSeries& series) {
    auto refused = [&](const RowCheck& check) {
        series.RemoveRowsOf(check.DropName, check.DropFolder);
        if (!check.LogLine.empty() && !series.Log(check.LogLine)) return Outcome::StopSeries;
        return Outcome::Skipped;
    };
    RowCheck check = CheckRowFiles(row, series.SrcPlain, series.Bytewise);
    if (!check.Deletable) return refused(check);
    const std::string path = TargetPath(row);
    if (series.Ask) {
        const MsgAnswer answer = series.Ask(DeleteQuestion(path));
        if (answer == MsgAnswer::Cancel) return Outcome::StopSeries;
        if (answer != MsgAnswer::Yes) return Outcome::Skipped;
        check = CheckRowFiles(row, series.SrcPlain, series.Bytewise);
        if (!check.Deletable) return refused(check);
    }
    // A failed deletion keeps its row and passes without a word.
    const KeptCopy kept = series.SrcPlain ? KeptCopy{JoinPath(row.SourceFolder, row.SourceName), ""}
                                          : KeptCopy{row.SourceFolder, row.SourceName};
    if (!series.Remove(path, kept)) return Outcome::Skipped;
    const bool logged = series.Log(DeletedLine(path));
    series.RemoveRowsOf(row.TargetName, row.TargetFolder);
    return logged ? Outcome::Deleted : Outcome::DeletedLogFailed;
}

}  // namespace

int DeleteTargets(const std::vector<SameRow>& targets, const DeleteSeries& series) {
    int deleted = 0;
    for (const SameRow& row : targets) {
        const Outcome outcome = DeleteOne(row, series);
        if (outcome == Outcome::Deleted || outcome == Outcome::DeletedLogFailed) ++deleted;
        if (outcome == Outcome::DeletedLogFailed || outcome == Outcome::StopSeries) break;
    }
    return deleted;
}

}  // namespace nebu
