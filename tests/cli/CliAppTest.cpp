#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "cli/CliApp.h"
#include "cli/CliOptionTable.h"
#include "cli/InProcessCli.h"
#include "cli/JobRunner.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

namespace nebu::test {
namespace {

class CliAppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        cli::ClearInterrupt();
        tree_.Write("src/a.txt", "alpha");
        tree_.Write("src/sub/b.txt", "bravo!");
        tree_.Write("dst/a-copy.txt", "alpha");
        tree_.Write("dst/b-copy.txt", "bravo!");
        tree_.Write("dst/c.txt", "other");
    }
    CliRun Run(std::vector<std::string> args, const std::string& answers = "",
               bool interactive = false) {
        return RunCliHere(args, answers, interactive);
    }
    std::string src() const { return tree_ / "src"; }
    std::string dst() const { return tree_ / "dst"; }

    TempTree tree_;
    ScopedEnv tmp_{"TMPDIR", tree_.MakeDir("tmp")};
    ScopedEnv data_{"XDG_DATA_HOME", tree_.MakeDir("xdg")};
};

TEST_F(CliAppTest, ListsDuplicatesWithoutDeletingByDefault) {
    CliRun r = Run({"-r", "-s", src(), "-t", dst()});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(
        r.out.find("｢" + tree_ / "src/a.txt" + "｣と｢" + tree_ / "dst/a-copy.txt" + "｣が同じです。"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("比較元2件検索しました。\n比較先3件検索しました。\n"), std::string::npos);
    EXPECT_EQ(r.out.find("削除しました"), std::string::npos);
    EXPECT_TRUE(Exists(tree_ / "dst/a-copy.txt"));
    EXPECT_EQ(r.out.rfind("処理開始（", 0), 0u);
}

TEST_F(CliAppTest, WithoutRecursionOnlyTopLevelFilesTakePart) {
    CliRun r = Run({"-s", src(), "-t", dst()});
    EXPECT_NE(r.out.find("比較元1件検索しました。"), std::string::npos) << r.out;
}

TEST_F(CliAppTest, DeleteRemovesTargetDuplicatesOnly) {
    CliRun r = Run({"-r", "--delete", "-s", src(), "-t", dst()});
    EXPECT_EQ(r.code, 0);
    EXPECT_FALSE(Exists(tree_ / "dst/a-copy.txt"));
    EXPECT_FALSE(Exists(tree_ / "dst/b-copy.txt"));
    EXPECT_TRUE(Exists(tree_ / "dst/c.txt"));
    EXPECT_TRUE(Exists(tree_ / "src/a.txt"));
    EXPECT_NE(r.out.find("｢" + tree_ / "dst/a-copy.txt" + "｣を削除しました。"), std::string::npos);
}

TEST_F(CliAppTest, ConfirmAsksOnTheTerminalAndFollowsTheAnswers) {
    // Groups are met in ascending size: alpha (5 bytes) first, then bravo! (6).
    CliRun r = Run({"-r", "--confirm", "-s", src(), "-t", dst()}, "n\ny\n", true);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Exists(tree_ / "dst/a-copy.txt"));
    EXPECT_FALSE(Exists(tree_ / "dst/b-copy.txt"));
    EXPECT_NE(r.err.find("｣を削除してよいですか？"), std::string::npos);
}

TEST_F(CliAppTest, ConfirmWithoutATerminalIsRefusedBeforeAnythingRuns) {
    CliRun r = Run({"-r", "--confirm", "-s", src(), "-t", dst()}, "y\ny\n", false);
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("--confirm"), std::string::npos);
}

TEST_F(CliAppTest, MutualPairAsksWhichCopyToDelete) {
    tree_.Write("both/x", "twin");
    tree_.Write("both/y", "twin");
    CliRun r = Run({"--confirm", "-s", tree_ / "both", "-t", tree_ / "both"}, "2\n", true);
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.err.find("どちらのファイルを削除しますか？"), std::string::npos);
    EXPECT_NE(Exists(tree_ / "both/x"), Exists(tree_ / "both/y"));
}

TEST_F(CliAppTest, CancelAnswerStopsTheJob) {
    CliRun r = Run({"-r", "--confirm", "-s", src(), "-t", dst()}, "c\n", true);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("処理中止（"), std::string::npos);
    EXPECT_TRUE(Exists(tree_ / "dst/b-copy.txt"));
}

TEST_F(CliAppTest, UnusableCommandLinesExitWithTwo) {
    EXPECT_EQ(Run({"--bogus"}).code, 2);
    EXPECT_EQ(Run({"-s", src()}).code, 2);
    EXPECT_EQ(Run({"-s", src(), "-t"}).code, 2);
    CliRun missing = Run({"-s", src(), "-t", tree_ / "nowhere"});
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find(tree_ / "nowhere"), std::string::npos);
    EXPECT_EQ(Run({"--help"}).code, 0);
}

// The usage text and the option table name the same options: none is taken
// without being shown, and none shown is refused as unknown.
TEST(CliUsageTest, TheUsageTextNamesExactlyTheAcceptedOptions) {
    const std::string usage = cli::UsageText();
    const std::regex option(R"((?:^|[\s,(\[])(--?[a-z0-9][a-z0-9-]*))");
    std::set<std::string> shown;
    for (auto it = std::sregex_iterator(usage.begin(), usage.end(), option);
         it != std::sregex_iterator(); ++it) {
        shown.insert((*it)[1]);
    }
    std::set<std::string> accepted;
    for (const cli::CliOption& o : cli::CliOptionTable()) {
        accepted.emplace(o.name);
        if (!o.alias.empty()) accepted.emplace(o.alias);
    }
    EXPECT_EQ(shown, accepted);
}

// Ctrl-C while a question is open: both stop requests are set as soon as the
// answer is in, and the run ends stopped.
class InterruptingStream : public std::streambuf {
  public:
    explicit InterruptingStream(std::string s) : text_(std::move(s)) {}

  protected:
    // The get area starts empty, so the first read of an answer lands here.
    int_type underflow() override {
        if (!raised_) {
            raised_ = true;
            std::raise(SIGINT);
            setg(text_.data(), text_.data(), text_.data() + text_.size());
        }
        return gptr() < egptr() ? traits_type::to_int_type(*gptr()) : traits_type::eof();
    }

  private:
    std::string text_;
    bool raised_ = false;
};

TEST_F(CliAppTest, InterruptEndsTheRunWithTheStoppedLines) {
    cli::InstallInterruptHandler();
    InterruptingStream buf("n\nn\n");
    std::istream in(&buf);
    std::ostringstream out;
    std::ostringstream err;
    int code = cli::RunCli({"-r", "--confirm", "-s", src(), "-t", dst()}, in, out, err,
                           cli::Terminal{true, false});
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.str().find("処理中止（"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("｢" + tree_ / "src/sub/b.txt"), std::string::npos)
        << "the second group is never reached";
    cli::ClearInterrupt();
}

}  // namespace
}  // namespace nebu::test

namespace nebu::test {
namespace {

class CliSettingsTest : public CliAppTest {};

TEST_F(CliSettingsTest, SavedSettingsGiveTheSameJobWhenLoadedBack) {
    const std::string neb = tree_ / "saved";
    CliRun first = Run({"-r", "--mask", "*.txt", "--size", "2:90", "-s", src(), "-t", dst(),
                        "--save-settings", neb, "--csv", tree_ / "first.csv"});
    ASSERT_EQ(first.code, 0) << first.err;
    ASSERT_TRUE(Exists(neb + ".neb"));
    CliRun second = Run({"--settings", neb + ".neb", "--csv", tree_ / "second.csv"});
    ASSERT_EQ(second.code, 0) << second.err;
    EXPECT_EQ(ReadFile(tree_ / "first.csv"), ReadFile(tree_ / "second.csv"));
    EXPECT_FALSE(ReadFile(tree_ / "first.csv").empty());
    // The first two lines carry the time; the rest of the logs agree.
    auto tail = [](const std::string& log) { return log.substr(log.find("ディレクトリ")); };
    auto body = [&](const std::string& log) {
        std::string t = tail(log);
        return t.substr(0, t.find("処理終了"));
    };
    EXPECT_EQ(body(first.out), body(second.out));
}

TEST_F(CliSettingsTest, LaterOptionsOverrideTheSettingsFile) {
    const std::string neb = tree_ / "s.neb";
    ASSERT_EQ(Run({"-s", src(), "-t", dst(), "--save-settings", neb}).code, 0);
    CliRun r = Run({"--settings", neb, "--set", "SubDirChk1=1", "--set", "SubDirChk2=1"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("比較元2件検索しました。"), std::string::npos) << r.out;
    EXPECT_EQ(Run({"--settings", neb, "--set", "NoSuchKey=1"}).code, 2);
    EXPECT_EQ(Run({"--settings", tree_ / "missing.neb"}).code, 2);
}

TEST_F(CliSettingsTest, TheSizeRangeMessageStopsTheStart) {
    CliRun r = Run({"-s", src(), "-t", dst(), "--size", "10:9"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("ﾌｧｲﾙｻｲｽﾞの範囲の指定が変ですぅ"), std::string::npos);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(Run({"-s", src(), "-t", dst(), "--size", "5:5"}).code, 0);
}

TEST_F(CliSettingsTest, SizeRangeAndMasksChooseTheFiles) {
    // "alpha" and "other" have 5 bytes, "bravo!" 6.
    CliRun r = Run({"-r", "-s", src(), "-t", dst(), "--size", "6:6"});
    EXPECT_NE(r.out.find("比較元1件検索しました。\n比較先1件検索しました。"), std::string::npos)
        << r.out;
    r = Run({"-r", "-s", src(), "-t", dst(), "--dst-ignore", "c.*"});
    EXPECT_NE(r.out.find("比較先2件検索しました。"), std::string::npos) << r.out;
}

TEST_F(CliSettingsTest, LogFileIsAppendedInShiftJisWithCrLf) {
    const std::string log = tree_ / "nebu.log";
    ASSERT_EQ(Run({"-s", src(), "-t", dst(), "--log", log, "-q"}).code, 0);
    ASSERT_EQ(Run({"-s", src(), "-t", dst(), "--log", log, "-q"}).code, 0);
    const std::string bytes = ReadFile(log);
    // "比較元" in CP932, then "1件検索しました。" and CR LF.
    const std::string line =
        "\x94\xe4\x8a\x72\x8c\xb3"
        "1\x8c\x8f\x8c\x9f\x8d\xf5\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42\r\n";
    size_t first = bytes.find(line);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(bytes.find(line, first + 1), std::string::npos) << "appended, not overwritten";
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST_F(CliSettingsTest, DifferentFileListHoldsTheUnmatchedFiles) {
    const std::string csv = tree_ / "diff";
    ASSERT_EQ(Run({"-r", "-s", src(), "-t", dst(), "--diff-csv", csv}).code, 0);
    EXPECT_EQ(ReadFile(csv + ".csv"), "\"c.txt\",\"" + dst() + "\",\"1KB\",\"\",\"\",\"\"\r\n");
}

TEST_F(CliSettingsTest, QuietPrintsNothingButTheRunStillHappens) {
    CliRun r = Run({"-r", "-q", "--delete", "-s", src(), "-t", dst()});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.empty());
    EXPECT_FALSE(Exists(tree_ / "dst/a-copy.txt"));
}

TEST_F(CliSettingsTest, ResultListsGoThroughLinksAndIntoPipesAsTheUserMeans) {
    ASSERT_EQ(Run({"-r", "-s", src(), "-t", dst(), "--csv", tree_ / "plain.csv"}).code, 0);
    const std::string expected = ReadFile(tree_ / "plain.csv");
    ASSERT_FALSE(expected.empty());
    // A link in a folder with a dot: the link stays, the file it names (not
    // there yet) gets the list, and no ".csv" goes on a name with a dot.
    tree_.MakeDir("john.doe/lists");
    const std::string link = tree_ / "john.doe/latest.csv";
    ASSERT_EQ(::symlink("lists/today.csv", link.c_str()), 0);
    ASSERT_EQ(Run({"-r", "-s", src(), "-t", dst(), "--csv", link}).code, 0);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(tree_ / "john.doe/lists/today.csv"), expected);
    ASSERT_EQ(Run({"-r", "-s", src(), "-t", dst(), "--csv", tree_ / "john.doe/all"}).code, 0);
    EXPECT_EQ(ReadFile(tree_ / "john.doe/all.csv"), expected);

    // A pipe is written into, not replaced by a file.
    const std::string fifo = tree_ / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string piped;
    std::thread reader([&] { piped = ReadFile(fifo); });
    const int code = Run({"-r", "-s", src(), "-t", dst(), "--csv", fifo}).code;
    // A reader the program never wrote to still gets its end of file.
    if (const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) ::close(fd);
    reader.join();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(piped, expected);
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(CliSettingsTest, AnUnwritableCsvIsAFailureNotASuccess) {
    CliRun r = Run({"-s", src(), "-t", dst(), "--csv", tree_ / "no/such/folder/x.csv"});
    EXPECT_EQ(r.code, 3);
    EXPECT_NE(r.err.find("ファイルの書き込みに失敗しました。"), std::string::npos);
}

}  // namespace
}  // namespace nebu::test

namespace nebu::test {
namespace {

TEST_F(CliAppTest, RelativeDirectoriesAreTakenFromTheCurrentFolder) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(tree_.Path());
    CliRun r = Run({"-r", "--delete", "-s", "src/", "-t", "./dst"});
    std::filesystem::current_path(before);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("ディレクトリ｢" + tree_ / "src/" + "｣と｢" + tree_ / "dst/" + "｣"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("｢" + tree_ / "dst/a-copy.txt" + "｣を削除しました。"), std::string::npos);
}

}  // namespace
}  // namespace nebu::test
