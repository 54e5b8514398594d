// The engine sorts each size group into classes of identical bytes and
// visits only the partners that can matter; these tests hold its grouping to
// the plain pairwise comparison (PairwiseReference) on random trees: the
// same pairs in the same order and the same marks on every record. What it
// deletes is held to what the options and the answers ask for
// (DeletionJudge).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "DeletionJudge.h"
#include "EquivalenceTrees.h"
#include "JobTestSupport.h"
#include "OutcomeChecks.h"
#include "PairwiseReference.h"
#include "support/ScopedEnv.h"

namespace nebu::test {
namespace {

struct Case {
    std::uint32_t seed;
    Layout layout;
    Deletion deletion;
    bool big;
    unsigned cancelPerMille = 0;
    bool manyEntries = false;
};

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    static const char* const kDeletion[] = {"Keep", "Delete", "Confirm", "KeepDespiteConfirm"};
    const Case& c = info.param;
    std::string name = "Seed" + std::to_string(c.seed) + "_" + LayoutName(c.layout) + "_" +
                       kDeletion[static_cast<int>(c.deletion)];
    if (c.big) name += "_Big";
    if (c.manyEntries) name += "_ManyEntries";
    if (c.cancelPerMille) name += "_Cancels";
    return name;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Every question in the order asked, whichever kind it was, with its
// answer, paths moved to the other tree.
class RecordingHost : public ScriptedHost {
  public:
    std::string from, to;
    std::vector<AskedQuestion> asked;
    MsgAnswer ShowMessage(const std::string& caption, const std::string& text,
                          MsgButtons buttons) override {
        const MsgAnswer answer = ScriptedHost::ShowMessage(caption, text, buttons);
        asked.push_back(MessageAsked(Replaced(text, from, to), buttons, answer));
        return answer;
    }
    void ShowDeleteChoice(DeleteChoice& dialog) override {
        ScriptedHost::ShowDeleteChoice(dialog);
        DeleteChoice seen = dialog;
        seen.Dname1 = Replaced(seen.Dname1 + "/", from, to);
        seen.Dname2 = Replaced(seen.Dname2 + "/", from, to);
        seen.Dname1.pop_back();
        seen.Dname2.pop_back();
        asked.push_back(ChoiceAsked(seen));
    }
};

// The engine's list as it stands, in walk order, paths moved to the other
// tree. `fresh` leaves out the marks (the reference starts from scratch).
RefList LayoutOf(const TNebuList& list, const std::string& from, const std::string& to,
                 bool fresh) {
    RefList out;
    for (const auto& group : list.Groups()) {
        RefGroup g;
        g.size = group.Size;
        for (auto it = group.Files.rbegin(); it != group.Files.rend(); ++it) {
            RefRecord r;
            r.path = Replaced(it->Path, from, to);
            r.entry = it->Entry();
            if (!fresh) {
                r.matched = it->Matched != 0;
                r.alive = it->Alive != 0;
            }
            g.files.push_back(r);
        }
        out.push_back(std::move(g));
    }
    return out;
}

std::vector<std::tuple<std::int64_t, std::string, std::string>> Records(const RefList& list) {
    std::vector<std::tuple<std::int64_t, std::string, std::string>> out;
    for (const auto& g : list) {
        for (const auto& f : g.files) out.emplace_back(g.size, f.path, f.entry);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::size_t CountOf(const RefList& list) {
    std::size_t n = 0;
    for (const auto& g : list) n += g.files.size();
    return n;
}

std::size_t LargestGroup(const RefList& a, const RefList& b, std::int64_t size) {
    std::size_t n = 0;
    for (const RefList* list : {&a, &b}) {
        for (const auto& g : *list) {
            if (g.size == size) n += g.files.size();
        }
    }
    return n;
}

bool Within(const std::string& rel, const std::string& dir, bool subDirs) {
    if (rel.size() <= dir.size() + 1 || rel.compare(0, dir.size(), dir) != 0 ||
        rel[dir.size()] != '/') {
        return false;
    }
    return subDirs || rel.find('/', dir.size() + 1) == std::string::npos;
}

// What a side's scan must find: every planned file below its folders, or
// every file entry of every archive there.
std::vector<std::tuple<std::int64_t, std::string, std::string>> Expected(
    const TreePlan& plan, const std::string& root, const std::vector<std::string>& dirs,
    bool subDirs, bool archives) {
    std::vector<std::tuple<std::int64_t, std::string, std::string>> out;
    for (const auto& dir : dirs) {
        if (archives) {
            for (const auto& a : plan.archives) {
                if (!Within(a.rel, dir, subDirs)) continue;
                const auto& items = a.linkOf < 0 ? a.items : plan.archives[a.linkOf].items;
                for (const auto& item : items) {
                    if (item.type != ArchiveItem::File) continue;
                    out.emplace_back(static_cast<std::int64_t>(item.content.size()),
                                     root + "/" + a.rel, item.name);
                }
            }
            continue;
        }
        for (const auto& f : plan.files) {
            if (!Within(f.rel, dir, subDirs)) continue;
            const auto& content = f.linkOf < 0 ? f.content : plan.files[f.linkOf].content;
            out.emplace_back(static_cast<std::int64_t>(content.size()), root + "/" + f.rel, "");
        }
        for (const auto& a : plan.archives) {
            if (Within(a.rel, dir, subDirs)) {
                out.emplace_back(static_cast<std::int64_t>(ReadFile(root + "/" + a.rel).size()),
                                 root + "/" + a.rel, "");
            }
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string PairText(const SamePairRec& p) {
    std::ostringstream s;
    s << p.name1 << " | " << p.folder1 << " | " << p.name2 << " | " << p.folder2 << " | " << p.size
      << " | " << int(p.mutual);
    return s.str();
}

std::string KeyOf(const RefRecord& r) {
    return r.entry.empty() ? r.path : EntryKey(r.path, r.entry);
}

std::set<std::string> KeysOf(const RefList& list) {
    std::set<std::string> out;
    for (const auto& g : list) {
        for (const auto& f : g.files) out.insert(KeyOf(f));
    }
    return out;
}

class ClassEquivalence : public ::testing::TestWithParam<Case> {
  protected:
    void TearDown() override {
        EXPECT_TRUE(std::filesystem::is_empty(tmp_)) << "work folders or files left behind";
    }

    // Runs the engine over tree A and the reference over tree B and holds
    // every result of the one to the other.
    void RunBoth(const TreePlan& plan, bool sourceArchives) {
        const Case& c = GetParam();
        const std::string a = tree_.MakeDir("A");
        const std::string b = tree_.MakeDir("B");
        Materialize(plan, a);
        Materialize(plan, b);
        auto dirs = [](const std::string& root, const std::vector<std::string>& rel) {
            std::vector<std::string> out;
            for (const auto& d : rel) out.push_back(root + "/" + d);
            return out;
        };

        TNebu job;
        SetUpJob(job, dirs(a, plan.srcDirs), dirs(a, plan.dstDirs));
        job.SrcSubDir = plan.srcSubDirs ? 1 : 0;
        job.DstSubDir = plan.dstSubDirs ? 1 : 0;
        if (sourceArchives) {
            job.SrcZip = 1;
            job.SrcMask = "*.ZIP;";
        }
        job.NoDelete =
            c.deletion == Deletion::None || c.deletion == Deletion::NoneDespiteConfirm ? 1 : 0;
        job.DelConfirm =
            c.deletion == Deletion::Confirm || c.deletion == Deletion::NoneDespiteConfirm ? 1 : 0;
        const DrawnAnswers answers = DrawAnswers(c.seed, c.cancelPerMille);
        RecordingHost host;
        host.messageAnswers = answers.messages;
        host.deleteChoices = answers.choices;
        const std::string from = a + "/";
        const std::string to = b + "/";
        host.from = from;
        host.to = to;
        const RunResult run = RunJob(job, host);

        RefList src = LayoutOf(*job.SrcList, from, to, true);
        RefList dst = LayoutOf(*job.DstList, from, to, true);
        const RefList engineSrc = LayoutOf(*job.SrcList, from, to, false);
        const RefList engineDst = LayoutOf(*job.DstList, from, to, false);

        // The reference walks the engine's lists; they must hold exactly what
        // the folders hold, or both could agree on too little.
        ASSERT_EQ(Records(src), Expected(plan, b, plan.srcDirs, plan.srcSubDirs, sourceArchives));
        ASSERT_EQ(Records(dst), Expected(plan, b, plan.dstDirs, plan.dstSubDirs, false));
        if (c.big) {
            const std::int64_t bigSize = sourceArchives ? 12 : 16;
            ASSERT_GT(LargestGroup(src, dst, bigSize), ContentClasses::kBatch);
            ASSERT_GT(LargestGroup(src, dst, 5000), ContentClasses::kBatch);
        }

        PairwiseReference reference;
        if (sourceArchives) {
            reference.CompareSourceArchives(src, dst);
        } else {
            reference.ComparePlain(src, dst);
        }
        const RefOutcome& ref = reference.Outcome();
        // A run that found nothing would agree with anything.
        ASSERT_FALSE(ref.log.empty());

        // Log: the start line and the elapsed time carry the clock; then
        // come the three lines of the search, the same-lines and deletions,
        // and the closing line.
        ASSERT_GE(run.log.size(), 6u);
        std::vector<std::string> header;
        for (std::size_t i = 1; i <= 3; ++i) header.push_back(Replaced(run.log[i], from, to));
        std::string srcText;
        std::string dstText;
        for (const auto& d : plan.srcDirs) srcText += (srcText.empty() ? "" : ";") + to + d + "/";
        for (const auto& d : plan.dstDirs) dstText += (dstText.empty() ? "" : ";") + to + d + "/";
        ExpectSameSequence("log", header,
                           {"ディレクトリ｢" + srcText + "｣と｢" + dstText + "｣を検索します。",
                            "比較元" + std::to_string(CountOf(src)) + "件検索しました。",
                            "比較先" + std::to_string(CountOf(dst)) + "件検索しました。"});
        const std::string deletedHead = "｢";
        const std::string deletedTail = "｣を削除しました。";
        std::vector<std::string> sameLines;
        std::set<std::string> deletedLogged;
        for (std::size_t i = 4; i + 2 < run.log.size(); ++i) {
            const std::string line = Replaced(run.log[i], from, to);
            if (line.ends_with("が同じです。")) {
                sameLines.push_back(line);
            } else if (line.starts_with(deletedHead) && line.ends_with(deletedTail)) {
                const std::string path = line.substr(
                    deletedHead.size(), line.size() - deletedHead.size() - deletedTail.size());
                EXPECT_TRUE(deletedLogged.insert(path).second) << "deleted twice: " << path;
            } else {
                ADD_FAILURE() << "unexpected log line: " << line;
            }
        }
        const std::string closing = run.log[run.log.size() - 2];
        const bool stopped = closing.starts_with("処理中止");
        EXPECT_TRUE(stopped || closing.starts_with("処理終了")) << closing;

        // What is gone, judged on its own.
        const std::vector<std::string> before = FilesBelow(b);
        const std::vector<std::string> after = FilesBelow(a);
        ASSERT_TRUE(std::includes(before.begin(), before.end(), after.begin(), after.end()));
        RunFacts facts{c.deletion, PlannedFacts(plan, b), KeysOf(src), KeysOf(dst), {}, host.asked};
        std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                            std::inserter(facts.deleted, facts.deleted.end()));
        facts.deleted = [&] {
            std::set<std::string> out;
            for (const auto& rel : facts.deleted) out.insert(to + rel);
            return out;
        }();
        EXPECT_EQ(deletedLogged, facts.deleted);
        ExpectDeletionsAsDecided(facts);

        // Grouping: nothing deleted, the engine finds and lists every pair in
        // the reference's order; else what it logs and lists is in that
        // order, a pair whose files are both left is listed, and deleting
        // without questions lists nothing.
        std::vector<std::string> enginePairs;
        std::vector<std::string> refPairs;
        for (const auto& p : run.pairs) enginePairs.push_back(Replaced(PairText(p), from, to));
        for (const auto& p : ref.pairs) refPairs.push_back(PairText(p));
        const bool deleting = c.deletion == Deletion::Always || c.deletion == Deletion::Confirm;
        if (deleting) {
            ExpectSubsequence("same-lines", sameLines, ref.log);
            ExpectSubsequence("same pairs", enginePairs, refPairs);
        } else {
            ExpectSameSequence("same-lines", sameLines, ref.log);
            ExpectSameSequence("same pairs", enginePairs, refPairs);
        }
        const std::set<std::string> listed(enginePairs.begin(), enginePairs.end());
        auto left = [&](const std::string& path) { return facts.deleted.count(path) == 0; };
        if (c.deletion == Deletion::Always) {
            EXPECT_TRUE(run.pairs.empty()) << "a deleted duplicate is listed";
        }
        for (std::size_t i = 0; i < ref.pairs.size() && !stopped; ++i) {
            const SamePairRec& p = ref.pairs[i];
            const bool bothLeft = left(p.folder2 + "/" + p.name2) &&
                                  (sourceArchives || left(p.folder1 + "/" + p.name1));
            EXPECT_TRUE(!bothLeft || listed.count(refPairs[i]) != 0)
                << "kept but not listed: " << refPairs[i];
        }

        // Questions: only about pairs found, the dialog for a pair found
        // both ways, a message for the others; a cancel stops the run.
        std::map<std::string, const SamePairRec*> pairOf;
        for (std::size_t i = 0; i < ref.pairs.size(); ++i) pairOf[ref.log[i]] = &ref.pairs[i];
        std::optional<std::int64_t> stopSize;
        for (const AskedQuestion& q : host.asked) {
            const auto it = pairOf.find(q.sameLine);
            if (it == pairOf.end()) {
                ADD_FAILURE() << "asked about no pair found: " << q.text;
                continue;
            }
            EXPECT_EQ(q.choice, it->second->mutual != 0) << q.text;
            if (q.cancel) stopSize = it->second->size;
        }
        EXPECT_EQ(stopped, stopSize.has_value());
        if (c.deletion == Deletion::Confirm) {
            EXPECT_FALSE(host.asked.empty());
        }

        // Marks: a record is matched when it has a partner, up to the group
        // where the run stopped; deleted archive targets are dropped.
        auto reached = [&](std::int64_t size) -> std::optional<bool> {
            if (!stopSize || size < *stopSize) return true;
            if (size > *stopSize) return false;
            return std::nullopt;
        };
        if (!sourceArchives) {
            auto plain = [&](std::int64_t size, const RefRecord& r) {
                const bool grouped = !stopSize || size <= *stopSize;
                return Marks{grouped && r.matched, true};
            };
            ExpectMarks("source", engineSrc, src, plain);
            ExpectMarks("target", engineDst, dst, plain);
            return;
        }
        ExpectMarks("source", engineSrc, src, [&](std::int64_t size, const RefRecord& r) {
            const std::optional<bool> inReach = reached(size);
            if (!inReach) return Marks{std::nullopt, true};
            if (!*inReach || !r.matched) return Marks{false, true};
            // Matched for sure while a target of its bytes is left.
            const std::string& bytes = facts.facts.at(KeyOf(r)).bytes;
            for (const std::string& t : facts.targets) {
                if (left(t) && facts.facts.at(t).bytes == bytes) return Marks{true, true};
            }
            return Marks{std::nullopt, true};
        });
        ExpectMarks("target", engineDst, dst, [&](std::int64_t size, const RefRecord& r) {
            const std::optional<bool> inReach = reached(size);
            const std::optional<bool> matched =
                !inReach ? std::nullopt : std::optional<bool>(*inReach && r.matched);
            return Marks{matched, left(r.path)};
        });
    }

    TempTree tree_;
    std::string tmp_ = tree_.MakeDir("tmp");
    ScopedEnv tmpEnv_{"TMPDIR", tmp_};
    ScopedEnv dataEnv_{"XDG_DATA_HOME", tree_.MakeDir("xdg-data")};
};

class PlainEquivalence : public ClassEquivalence {};
class SourceArchiveEquivalence : public ClassEquivalence {};

TEST_P(PlainEquivalence, EngineAgreesWithPairwiseComparison) {
    const Case& c = GetParam();
    RunBoth(MakePlainPlan({c.seed, c.layout, c.big, false}), false);
}

TEST_P(SourceArchiveEquivalence, EngineAgreesWithPairwiseComparison) {
    const Case& c = GetParam();
    RunBoth(MakeSourceArchivePlan({c.seed, c.layout, c.big, c.manyEntries}), true);
}

INSTANTIATE_TEST_SUITE_P(
    RandomTrees, PlainEquivalence,
    ::testing::Values(Case{1, Layout::Apart, Deletion::None, false},
                      Case{2, Layout::TargetInsideSource, Deletion::Always, false},
                      Case{3, Layout::SameFolder, Deletion::Confirm, true},
                      Case{4, Layout::SameFolderFlatTarget, Deletion::Confirm, false, 3},
                      Case{5, Layout::Overlapping, Deletion::Always, true},
                      Case{6, Layout::SameFolder, Deletion::Always, false},
                      Case{7, Layout::Overlapping, Deletion::Confirm, false},
                      Case{8, Layout::Apart, Deletion::Confirm, false, 2},
                      Case{9, Layout::TargetInsideSource, Deletion::NoneDespiteConfirm, false},
                      Case{10, Layout::SameFolder, Deletion::None, true},
                      Case{11, Layout::TargetInsideSource, Deletion::Confirm, true},
                      Case{12, Layout::Overlapping, Deletion::None, false}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    RandomTrees, SourceArchiveEquivalence,
    ::testing::Values(Case{21, Layout::Apart, Deletion::None, true},
                      Case{22, Layout::TargetInsideSource, Deletion::Always, false},
                      Case{23, Layout::SameFolder, Deletion::Confirm, true},
                      Case{24, Layout::Apart, Deletion::Confirm, false, 0, true},
                      Case{25, Layout::TargetInsideSource, Deletion::Confirm, false, 5},
                      Case{26, Layout::SameFolder, Deletion::Always, true}),
    CaseName);

}  // namespace
}  // namespace nebu::test
