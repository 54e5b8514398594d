// Size groups larger than the memory budget (made tiny here, so that a small
// tree stands for a huge one, and entries kept for comparison spill into a
// work file) come to the same pairs and deletions as groups that fit, in
// every archive mode. What is expected is worked out from the contents the
// test wrote, never from the engine.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "ArchiveJobFixture.h"

namespace nebu::test {
namespace {

constexpr std::size_t kSize = 300;  // every file and entry: one size group
constexpr int kContents = 5;        // contents an archive entry may hold

using Pair = std::tuple<std::string, std::string, std::string, std::string>;

std::set<Pair> PairsOf(const RunResult& r) {
    std::set<Pair> out;
    for (const SamePairRec& p : r.pairs) out.emplace(p.folder1, p.name1, p.folder2, p.name2);
    return out;
}

class OversizedGroupsTest : public ArchiveJobTest, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        ArchiveJobTest::SetUp();
        // With the budget down to a few bytes, every group here is beyond it.
        if (GetParam()) job_.FileFunc->GroupMemoryBudget = 64;
        std::mt19937 rng(20240607);
        for (int c = 0; c < kContents + 2; ++c) {
            std::string bytes(kSize, '\0');
            for (char& b : bytes) b = static_cast<char>(rng() & 0xFF);
            contents_.push_back(bytes);
        }
        rng_.seed(17);
        tree_.MakeDir("src");
        tree_.MakeDir("dst");
    }
    int Pick(int below) { return static_cast<int>(rng_() % static_cast<unsigned>(below)); }

    // An archive whose entries hold the contents numbered `ids`.
    void Archive(const std::string& path, const std::vector<int>& ids) {
        std::vector<ArchiveItem> items;
        for (std::size_t e = 0; e < ids.size(); ++e) {
            const std::string name = "写真/" + std::to_string(e) + ".bin";
            items.push_back(Item(name, contents_[static_cast<std::size_t>(ids[e])]));
            entries_.push_back({path, name, ids[e]});
        }
        MakeZip(path, items);
    }
    void Plain(const std::string& path, int id) {
        tree_.Write(path.substr(tree_.Path().size() + 1), contents_[static_cast<std::size_t>(id)]);
        files_.push_back({path, "", id});
    }
    std::vector<int> RandomIds(int count, int below) {
        std::vector<int> ids;
        for (int i = 0; i < count; ++i) ids.push_back(Pick(below));
        return ids;
    }

    struct Written {
        std::string path;
        std::string entry;
        int id;
    };
    std::vector<std::string> contents_;
    std::vector<Written> entries_;
    std::vector<Written> files_;
    std::mt19937 rng_;
};

TEST_P(OversizedGroupsTest, SourceEntriesFindEveryEqualTargetAndDeleteIt) {
    Archive(S("一.zip"), RandomIds(14, kContents));
    Archive(S("two.zip"), RandomIds(9, kContents));
    for (int i = 0; i < 16; ++i) Plain(D("t" + std::to_string(i)), Pick(kContents + 2));
    std::set<Pair> expected;
    for (const Written& e : entries_) {
        for (const Written& f : files_) {
            const auto [name, folder] = SplitPath(f.path);
            if (e.id == f.id) expected.emplace(e.path, e.entry, folder, name);
        }
    }
    EXPECT_EQ(PairsOf(Run(kArchiveSide, kPlainSide)), expected);

    DeleteWithoutAsking();
    Run(kArchiveSide, kPlainSide);
    for (const Written& f : files_) {
        const bool held = std::any_of(entries_.begin(), entries_.end(),
                                      [&](const Written& e) { return e.id == f.id; });
        EXPECT_EQ(Exists(f.path), !held) << f.path;
    }
}

TEST_P(OversizedGroupsTest, TargetEntriesAreFoundAndOnlyWhollyPresentArchivesGo) {
    for (int i = 0; i < 12; ++i) Plain(S("s" + std::to_string(i)), Pick(kContents));
    std::vector<int> held;
    for (const Written& f : files_) held.push_back(f.id);
    Archive(D("whole.zip"), {held[3], held[0], held[3], held[7], held[11]});
    Archive(D("part.zip"), {held[1], kContents + 1, held[2]});
    std::set<Pair> expected;
    for (const Written& f : files_) {
        const auto [name, folder] = SplitPath(f.path);
        for (const Written& e : entries_) {
            if (e.id == f.id) expected.emplace(name, folder, e.entry, e.path);
        }
    }
    std::set<Pair> found;
    for (const SamePairRec& p : Run(kPlainSide, kArchiveSide).pairs) {
        found.emplace(p.name1, p.folder1, p.name2, p.folder2);
    }
    EXPECT_EQ(found, expected);

    DeleteWithoutAsking();
    Run(kPlainSide, kArchiveSide);
    EXPECT_FALSE(Exists(D("whole.zip")));
    EXPECT_TRUE(Exists(D("part.zip")));
}

TEST_P(OversizedGroupsTest, EntriesMeetEveryEqualEntryOfTheOtherSide) {
    Archive(S("a.zip"), RandomIds(11, kContents));
    Archive(S("b.zip"), RandomIds(7, kContents));
    const std::size_t sources = entries_.size();
    Archive(D("c.zip"), RandomIds(12, kContents + 2));
    std::set<Pair> expected;
    for (std::size_t i = 0; i < sources; ++i) {
        for (std::size_t j = sources; j < entries_.size(); ++j) {
            const Written& s = entries_[i];
            const Written& t = entries_[j];
            if (s.id == t.id) expected.emplace(s.path, s.entry, t.path, t.entry);
        }
    }
    std::set<Pair> found;
    for (const SamePairRec& p : Run(kArchiveSide, kArchiveSide, true).pairs) {
        found.emplace(p.folder1, p.name1, p.folder2, p.name2);
    }
    EXPECT_EQ(found, expected);
}

TEST_P(OversizedGroupsTest, WholeArchivesAreEqualWhenTheirEntriesPairUpInAnyOrder) {
    Archive(S("x.zip"), {0, 1, 2, 2});
    Archive(S("y.zip"), {3, 4, 0, 1});
    Archive(D("same order.zip"), {0, 1, 2, 2});
    Archive(D("shuffled.zip"), {2, 0, 2, 1});
    Archive(D("one differs.zip"), {0, 1, 2, 1});
    Archive(D("other.zip"), {1, 0, 4, 3});
    const std::set<std::pair<std::string, std::string>> expected = {
        {"x.zip", "same order.zip"}, {"x.zip", "shuffled.zip"}, {"y.zip", "other.zip"}};
    std::set<std::pair<std::string, std::string>> found;
    for (const SamePairRec& p : Run(kArchiveSide, kArchiveSide).pairs) {
        found.emplace(p.name1, p.name2);
    }
    EXPECT_EQ(found, expected);

    DeleteWithoutAsking();
    Run(kArchiveSide, kArchiveSide);
    EXPECT_FALSE(Exists(D("same order.zip")));
    EXPECT_FALSE(Exists(D("shuffled.zip")));
    EXPECT_FALSE(Exists(D("other.zip")));
    EXPECT_TRUE(Exists(D("one differs.zip")));
    EXPECT_TRUE(Exists(S("x.zip")));
}

INSTANTIATE_TEST_SUITE_P(Budget, OversizedGroupsTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Tiny" : "Default";
                         });

}  // namespace
}  // namespace nebu::test
