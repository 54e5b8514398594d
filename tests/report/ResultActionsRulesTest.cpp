#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/FileIdentity.h"
#include "report/ResultActions.h"
#include "support/TempTree.h"

// A deletion from the same-file list goes only while the target and its
// source are still the two files that were found equal; every other row
// leaves the list, and a file kept because it changed is logged.
namespace nebu {
namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

struct Pair {
    std::string Source;
    std::string Target;
};

// Writes both files with the same bytes and notes them as a job would.
SameRow Compared(const test::TempTree& tree, const Pair& pair, const std::string& bytes) {
    tree.Write(pair.Source, bytes);
    tree.Write(pair.Target, bytes);
    auto split = [&](const std::string& relative) {
        const std::string full = tree / relative;
        const auto slash = full.rfind('/');
        return std::make_pair(full.substr(slash + 1), full.substr(0, slash));
    };
    SameRow row;
    std::tie(row.TargetName, row.TargetFolder) = split(pair.Target);
    std::tie(row.SourceName, row.SourceFolder) = split(pair.Source);
    row.TargetIdentity = platform::IdentityOfPath(tree / pair.Target);
    row.SourceIdentity = platform::IdentityOfPath(tree / pair.Source);
    return row;
}

struct Recorder {
    std::vector<std::string> Lines;
    Rows Dropped;

    DeleteSeries Series() {
        DeleteSeries series;
        series.Remove = [](const std::string& path, const KeptCopy&) {
            return ::unlink(path.c_str()) == 0;
        };
        series.Log = [this](const std::string& line) {
            Lines.push_back(line);
            return true;
        };
        series.RemoveRowsOf = [this](const std::string& name, const std::string& folder) {
            Dropped.emplace_back(name, folder);
        };
        return series;
    }
};

TEST(ResultActionsRules, OnlyPairsThatAreStillEqualLoseTheirTarget) {
    test::TempTree tree;
    const SameRow kept = Compared(tree, {"元/写真.jpg", "先/写真のコピー.jpg"}, "same bytes");
    const SameRow targetEdited = Compared(tree, {"元/表.csv", "先/表.csv"}, "1,2,3");
    const SameRow sourceEdited = Compared(tree, {"元/メモ.txt", "先/メモ.txt"}, "memo");
    const SameRow sourceGone = Compared(tree, {"元/歌.mp3", "先/歌.mp3"}, "song");
    const SameRow targetGone = Compared(tree, {"元/古い.doc", "先/古い.doc"}, "old");
    // After the job, before the deletion.
    tree.Write("先/表.csv", "1,2,3,4");
    tree.Write("元/メモ.txt", "memo, longer now");
    ASSERT_EQ(::unlink((tree / "元/歌.mp3").c_str()), 0);
    ASSERT_EQ(::unlink((tree / "先/古い.doc").c_str()), 0);

    Recorder recorder;
    const int deleted = DeleteTargets({kept, targetEdited, sourceEdited, sourceGone, targetGone},
                                      recorder.Series());

    EXPECT_EQ(deleted, 1);
    EXPECT_FALSE(test::Exists(tree / "先/写真のコピー.jpg"));
    EXPECT_EQ(test::ReadFile(tree / "先/表.csv"), "1,2,3,4");
    EXPECT_EQ(test::ReadFile(tree / "先/メモ.txt"), "memo");
    EXPECT_EQ(test::ReadFile(tree / "先/歌.mp3"), "song");
    const std::string target = tree / "先";
    const std::string source = tree / "元";
    EXPECT_EQ(recorder.Lines,
              (std::vector<std::string>{
                  "｢" + target + "/写真のコピー.jpg｣を削除しました。",
                  "｢" + target + "/表.csv｣は比較の後で変更されたので削除しませんでした。",
                  "｢" + source + "/メモ.txt｣が比較の後で変更されたので｢" + target +
                      "/メモ.txt｣を削除しませんでした。",
              }));
    // A deleted or changed target leaves the list with every row it has; a
    // changed or vanished source takes its own rows with it.
    EXPECT_EQ(recorder.Dropped, (Rows{{"写真のコピー.jpg", target},
                                      {"表.csv", target},
                                      {"メモ.txt", source},
                                      {"歌.mp3", source},
                                      {"古い.doc", target}}));
}

TEST(ResultActionsRules, ATargetChangedWhileTheQuestionIsOpenStaysAndCancelEndsTheSeries) {
    test::TempTree tree;
    const SameRow first = Compared(tree, {"元/一.txt", "先/一.txt"}, "one");
    const SameRow second = Compared(tree, {"元/二.txt", "先/二.txt"}, "two");
    const SameRow third = Compared(tree, {"元/三.txt", "先/三.txt"}, "three");

    Recorder recorder;
    DeleteSeries series = recorder.Series();
    std::vector<std::string> questions;
    series.Ask = [&](const std::string& question) {
        questions.push_back(question);
        // The user takes a while to answer; meanwhile the file is edited.
        if (questions.size() == 1) tree.Write("先/一.txt", "one, edited");
        return questions.size() == 1 ? MsgAnswer::Yes : MsgAnswer::Cancel;
    };

    EXPECT_EQ(DeleteTargets({first, second, third}, series), 0);
    EXPECT_EQ(questions,
              (std::vector<std::string>{"｢" + (tree / "先/一.txt") + "｣を削除してよいですか？",
                                        "｢" + (tree / "先/二.txt") + "｣を削除してよいですか？"}));
    EXPECT_EQ(test::ReadFile(tree / "先/一.txt"), "one, edited");
    EXPECT_EQ(test::ReadFile(tree / "先/二.txt"), "two");
    EXPECT_EQ(test::ReadFile(tree / "先/三.txt"), "three");
    EXPECT_EQ(recorder.Lines,
              (std::vector<std::string>{"｢" + (tree / "先/一.txt") +
                                        "｣は比較の後で変更されたので削除しませんでした。"}));
    EXPECT_EQ(recorder.Dropped, (Rows{{"一.txt", tree / "先"}}));
}

TEST(ResultActionsRules, AnEntrysRowsGoWithTheirVanishedArchive) {
    test::TempTree tree;
    const std::string archive = tree.Write("元/写真.zip", "not read here");
    SameRow row = Compared(tree, {"元/unused", "先/画像.png"}, "png");
    row.SourceName = "画像.png";
    row.SourceFolder = archive;
    row.SourceIdentity = platform::IdentityOfPath(archive);
    ASSERT_EQ(::unlink(archive.c_str()), 0);

    const RowCheck check = CheckRowFiles(row, /*srcPlain=*/false, /*bytewise=*/false);
    EXPECT_FALSE(check.Deletable);
    EXPECT_EQ(check.DropName, "*");
    EXPECT_EQ(check.DropFolder, archive);
    EXPECT_EQ(check.LogLine, "");
}

}  // namespace
}  // namespace nebu
