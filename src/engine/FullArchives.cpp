#include "engine/CompareModes.h"
#include "engine/Nebu.h"

namespace nebu {

namespace {

// The archive must still be exactly what was listed, and every source file
// its entries were found in as it was when compared; a user may answer a
// question minutes later.
bool ArchiveStillCovered(TNebu& job, const std::string& archive) {
    TNebuFileFunc& ff = *job.FileFunc;
    if (!ff.UnchangedSinceCompared(archive) || !ff.ArchiveAsListed(archive, true)) return false;
    auto it = job.FullArchiveSources.find(archive);
    if (it == job.FullArchiveSources.end()) return false;
    for (const auto& source : it->second) {
        if (!ff.UnchangedSinceCompared(source)) return false;
    }
    return true;
}

}  // namespace

void DeleteFullArchives(TNebu& job) {
    TNebuFileFunc& ff = *job.FileFunc;
    std::string path;
    while (job.DstList->NextFullArchive(path)) {
        // Matches are recorded only for archives whose every entry was
        // listed; any other archive holds more than the source was shown.
        if (job.FullArchiveSources.count(path) == 0) continue;
        // Read again: an archive that is no longer what was listed holds
        // something that was never compared.
        if (!ff.ArchiveAsListed(path)) continue;
        job.Log("｢" + path + "｣の中の全てファイルは比較元にあります。");
        if (job.Stop == 1 || job.NoDelete) continue;
        MsgAnswer answer = MsgAnswer::Yes;
        if (job.DelConfirm) {
            answer = job.Ask("｢" + path + "｣を削除してよいですか？", MsgButtons::YesNoCancel);
            if (answer != MsgAnswer::Yes && answer != MsgAnswer::No) job.RequestStop();
        }
        if (answer != MsgAnswer::Yes) continue;
        // The journal names the first source the archive's entries were found in.
        const std::vector<std::string>& sources = job.FullArchiveSources[path];
        const KeptCopy kept{sources.empty() ? std::string() : sources.front(), ""};
        if (ArchiveStillCovered(job, path) && ff.RemoveFile(path, kept)) {
            job.Log("｢" + path + "｣を削除しました。");
            job.DeletedArcs.Push(path);
        }
    }
}

}  // namespace nebu
