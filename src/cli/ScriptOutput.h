#pragma once
// What nebu-cli writes for scripts and per folder: JSON lines, the targets
// NUL-separated, the folder lines. Pairs arrive on the job's thread as the
// job settles them; the rest is written once the job has ended.

#include <iosfwd>
#include <string>
#include <unordered_set>
#include <vector>

#include "cli/CliOptions.h"
#include "report/FolderCoverage.h"
#include "report/PairJson.h"

namespace nebu {
class TNebu;
}

namespace nebu::cli {

class ScriptOutput {
  public:
    ScriptOutput(const CliOptions& options, std::ostream& out);

    // Whether the job must report its pairs here.
    bool WantsPairs() const { return json_ || print0_ || folders_; }
    // On the job's thread.
    void OnPair(const SamePairRec& pair);
    // After the run: the pairs held back, the folders and the summary.
    // `deletedArchives` are the target archives deleted whole at the end.
    void Finish(const TNebu& job, bool finished, std::size_t failures,
                const std::vector<std::string>& deletedArchives);

  private:
    void Emit(const SamePairRec& pair);

    std::ostream& out_;
    bool json_;
    bool print0_;
    bool folders_;
    FolderCoverage coverage_;
    RunSummary summary_;
    // Pairs whose target is an archive entry: their archive may still be
    // deleted whole after the last pair.
    std::vector<SamePairRec> held_;
    std::unordered_set<std::string> printed_;
};

}  // namespace nebu::cli
