#include "cli/JournalCommands.h"

#include <cstring>

#include "cli/ExitCodes.h"
#include "engine/LogText.h"
#include "journal/Restore.h"

namespace nebu::cli {

namespace {

// Names come from the journal; a control character in one must not move the
// terminal's cursor or forge a line.
std::string Shown(const std::string& path) {
    return EscapeControlCharacters(path);
}

void WarnDamaged(const journal::Contents& contents, const std::string& path, std::ostream& err) {
    for (const std::size_t line : contents.damagedLines) {
        err << "nebu-cli: 壊れた行を飛ばしました / skipped a damaged line: " << path << ":" << line
            << "\n";
    }
}

int ListRuns(const journal::Contents& contents, std::ostream& out) {
    for (const journal::RunSummary& run : journal::Runs(contents)) {
        out << run.run << "\t" << run.time << "\t" << run.deleted << "\t" << run.restorable << "\n";
    }
    return kExitFinished;
}

std::string WhyText(const journal::LeftInTrash& left) {
    switch (left.why) {
        case journal::LeftInTrash::Why::OriginalTaken:
            return "元の場所に別のファイルがあるので戻しません / original path is taken, left in "
                   "the trash: ";
        case journal::LeftInTrash::Why::TrashCopyGone:
            return "ごみ箱にありません / no longer in the trash: ";
        case journal::LeftInTrash::Why::Failed:
            break;
    }
    return "元に戻せませんでした / could not put back (" + std::string(std::strerror(left.error)) +
           "): ";
}

int Restore(const journal::Contents& contents, const std::string& run, const std::string& path,
            std::ostream& out, std::ostream& err) {
    journal::Writer writer(path);
    const journal::RestoreResult result = journal::RestoreRun(contents, run, writer);
    for (const std::string& restored : result.restored) {
        out << "元に戻しました / restored: " << Shown(restored) << "\n";
    }
    for (const std::string& gone : result.forGood) {
        out << "完全に削除したので戻せません / deleted for good, not restorable: " << Shown(gone)
            << "\n";
    }
    for (const journal::LeftInTrash& left : result.left) {
        err << "nebu-cli: " << WhyText(left) << Shown(left.path) << "\n";
    }
    for (const std::string& unrecorded : result.unrecorded) {
        err << "nebu-cli: 元に戻したことを記録できません / restored, but the journal could not "
               "record it ("
            << std::strerror(result.error) << "): " << Shown(unrecorded) << "\n";
    }
    out << "run " << run << ": " << result.restored.size() << " restored, " << result.left.size()
        << " left in the trash, " << result.forGood.size() << " deleted for good\n";
    return result.left.empty() && result.unrecorded.empty() ? kExitFinished : kExitWithFailures;
}

}  // namespace

int RunJournalCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
    const std::string path = journal::FilePath();
    const journal::Contents contents = journal::Read(path);
    if (!contents.found) {
        err << "nebu-cli: 削除の記録がありません / no deletion journal: " << Shown(path) << " ("
            << std::strerror(contents.error) << ")\n";
        return kExitUsage;
    }
    WarnDamaged(contents, path, err);
    if (options.journal == CliOptions::JournalCommand::ListRuns) return ListRuns(contents, out);
    const std::string run =
        options.restoreRun.empty() ? journal::LastRun(contents) : options.restoreRun;
    if (auto refusal = journal::RefuseRestore(contents, run)) {
        err << "nebu-cli: " << *refusal << "\n";
        return kExitUsage;
    }
    return Restore(contents, run, path, out, err);
}

}  // namespace nebu::cli
