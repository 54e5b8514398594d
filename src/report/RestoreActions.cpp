#include "report/RestoreActions.h"

namespace nebu {

bool RestoreOffered(bool resultActions, int trashedInRun, bool alreadyRestored) {
    return resultActions && trashedInRun > 0 && !alreadyRestored;
}

int RestorableCount(const journal::Contents& contents, const std::string& run) {
    int count = 0;
    for (const journal::RunDeletion& d : journal::DeletionsOf(contents, run)) {
        if (!d.entry.ForGood() && !d.restored) ++count;
    }
    return count;
}

std::string RestoreQuestion(int count) {
    return "この処理でごみ箱に移した" + std::to_string(count) +
           "個のファイルを元の場所に戻してよいですか？";
}

RestoreOutcome RestoreRunFromJournal(const std::string& run) {
    RestoreOutcome outcome;
    const std::string path = journal::FilePath();
    const journal::Contents contents = journal::Read(path);
    if (auto refusal = journal::RefuseRestore(contents, run)) {
        outcome.refusal = *refusal;
        return outcome;
    }
    journal::Writer writer(path);
    outcome.result = journal::RestoreRun(contents, run, writer);
    return outcome;
}

std::vector<std::string> RestoreLogLines(const RestoreOutcome& outcome) {
    std::vector<std::string> lines;
    for (const std::string& path : outcome.result.restored) {
        lines.push_back("｢" + path + "｣を元に戻しました。");
    }
    for (const journal::LeftInTrash& left : outcome.result.left) {
        lines.push_back(left.why == journal::LeftInTrash::Why::OriginalTaken
                            ? "｢" + left.path + "｣には別のファイルがあるので、ごみ箱に残しました。"
                        : left.why == journal::LeftInTrash::Why::TrashCopyGone
                            ? "｢" + left.path + "｣はごみ箱にないので戻せませんでした。"
                            : "｢" + left.path + "｣を元に戻せませんでした。");
    }
    for (const std::string& path : outcome.result.unrecorded) {
        lines.push_back("｢" + path + "｣を元に戻したことを記録できませんでした。");
    }
    return lines;
}

std::string RestoreSummary(const RestoreOutcome& outcome) {
    if (!outcome.refusal.empty()) return "元に戻せません。\n" + outcome.refusal;
    std::string text =
        std::to_string(outcome.result.restored.size()) + "個のファイルを元に戻しました。";
    if (!outcome.result.left.empty()) {
        text += "\n" + std::to_string(outcome.result.left.size()) +
                "個のファイルは戻せませんでした（ログを見てください）。";
    }
    if (!outcome.result.unrecorded.empty()) {
        text += "\n元に戻したことを削除の記録に書けませんでした。";
    }
    return text;
}

}  // namespace nebu
