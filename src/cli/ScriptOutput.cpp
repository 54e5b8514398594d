#include "cli/ScriptOutput.h"

#include <algorithm>
#include <ostream>

#include "engine/Nebu.h"
#include "engine/SameChkList.h"

namespace nebu::cli {

ScriptOutput::ScriptOutput(const CliOptions& options, std::ostream& out)
    : out_(out), json_(options.json), print0_(options.print0), folders_(options.folders) {}

void ScriptOutput::OnPair(const SamePairRec& pair) {
    if (folders_) coverage_.AddFound(pair);
    if (pair.entry2) {
        held_.push_back(pair);
    } else {
        Emit(pair);
    }
}

void ScriptOutput::Emit(const SamePairRec& pair) {
    summary_.Count(pair);
    if (json_) out_ << PairJsonLine(pair);
    if (!print0_) return;
    // Only what is still there is worth handing to xargs, and each file once:
    // a target with several sources would be named again for every one.
    if (pair.fate == PairFate::Deleted || pair.fate == PairFate::Trashed) return;
    std::string path = pair.entry2 ? pair.folder2 : JoinPath(pair.folder2, pair.name2);
    if (printed_.insert(path).second) {
        out_ << path;
        out_.put('\0');
    }
}

void ScriptOutput::Finish(const TNebu& job, bool finished, std::size_t failures,
                          const std::vector<std::string>& deletedArchives) {
    for (SamePairRec& pair : held_) {
        if (std::find(deletedArchives.begin(), deletedArchives.end(), pair.folder2) !=
            deletedArchives.end()) {
            pair.fate = job.ToRecycleBin ? PairFate::Trashed : PairFate::Deleted;
        }
        Emit(pair);
    }
    held_.clear();
    if (folders_) {
        for (const FolderCoverageRow& row : coverage_.Rows(*job.DstList)) {
            out_ << (json_ ? FolderJsonLine(row) : FolderCoverageLine(row) + "\n");
        }
    }
    if (json_) {
        summary_.finished = finished;
        summary_.sourceFiles = job.SrcList->Count();
        summary_.targetFiles = job.DstList->Count();
        summary_.failures = static_cast<std::int64_t>(failures);
        out_ << SummaryJsonLine(summary_);
    }
    out_ << std::flush;
}

}  // namespace nebu::cli
