#pragma once
// Random trees for comparing the engine with a straightforward pairwise
// comparison: a plan is drawn once from a seed and written twice, so that
// both runs see the same layout in two folders of their own.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "engine/NebuHost.h"
#include "support/ArchiveFixtures.h"

namespace nebu::test {

// Small, portable and the same everywhere: std::uniform_*_distribution is
// not, and a seed must draw the same tree on every machine.
class SeededDraw {
  public:
    explicit SeededDraw(std::uint32_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t Next();
    std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }
    bool Chance(unsigned percent) { return Below(100) < percent; }
    std::string Bytes(std::size_t size);

  private:
    std::uint64_t state_;
};

// How the source and target folders lie relative to each other.
enum class Layout {
    Apart,                 // two separate folders
    TargetInsideSource,    // the target folder is a sub-folder of the source folder
    SameFolder,            // one folder on both sides, set up alike (target copied)
    SameFolderFlatTarget,  // one folder, the target side without sub-folders
    Overlapping,           // two folders per side, one of them shared in part
};
const char* LayoutName(Layout layout);

struct PlannedFile {
    std::string rel;
    std::string content;
    int linkOf = -1;  // index of the file this one is a hard link of
};

struct PlannedArchive {
    std::string rel;
    std::vector<ArchiveItem> items;
    int linkOf = -1;
};

struct TreePlan {
    std::vector<std::string> srcDirs;  // relative, in the order they are added
    std::vector<std::string> dstDirs;
    bool srcSubDirs = true;
    bool dstSubDirs = true;
    std::vector<std::string> places;  // folders files are put in
    std::vector<PlannedFile> files;
    std::vector<PlannedArchive> archives;  // ZIP, UTF-8 names
};

struct PlanOptions {
    std::uint32_t seed = 1;
    Layout layout = Layout::Apart;
    // Groups of more than 256 files: many distinct contents, and hundreds of
    // copies of one content (with variants sharing their first 4 KiB).
    bool big = false;
    // One size group of more than a thousand archive entries.
    bool manyEntries = false;
};

TreePlan MakePlainPlan(const PlanOptions& options);
TreePlan MakeSourceArchivePlan(const PlanOptions& options);
// Writes the plan below `root` (which must exist).
void Materialize(const TreePlan& plan, const std::string& root);

// The regular files below `root`, relative, sorted.
std::vector<std::string> FilesBelow(const std::string& root);

// Scripted answers drawn from the seed: Yes/No/Cancel for the question
// about one file, first/second/neither/cancel for the delete-choice
// question. Cancel is rare, so that most runs go a long way before it (if
// ever) comes.
struct DrawnAnswers {
    std::deque<MsgAnswer> messages;
    std::deque<DelAnswer> choices;
};
DrawnAnswers DrawAnswers(std::uint32_t seed, unsigned cancelPerMille);

}  // namespace nebu::test
