// 通常ﾌｧｲﾙも比較 on the command line: the plain files a side's masks select
// and its archives' contents in one run, kept in the settings it saves.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/CliApp.h"
#include "engine/Nebu.h"
#include "settings/JobSetup.h"
#include "settings/SettingsFile.h"
#include "support/ArchiveFixtures.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

namespace nebu::test {
namespace {

class CliWithFilesTest : public ::testing::Test {
  protected:
    int Run(const std::vector<std::string>& args) {
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        const int code = cli::RunCli(args, in, out, err, cli::Terminal{false, false});
        out_ = out.str();
        err_ = err.str();
        return code;
    }
    bool Logged(const std::string& text) const { return out_.find(text) != std::string::npos; }

    TempTree tree_;
    ScopedEnv tmp_{"TMPDIR", tree_.MakeDir("tmp")};
    ScopedEnv data_{"XDG_DATA_HOME", tree_.MakeDir("xdg")};
    std::string out_;
    std::string err_;
};

TEST_F(CliWithFilesTest, PlainFilesAndArchiveContentsInOneRunAndInTheSavedSettings) {
    if (!TNebu().FileFunc->ZipReady) GTEST_SKIP() << "no ZIP reading here";
    tree_.Write("元/写真.jpg", "picture bytes");
    tree_.Write("元/メモ.txt", "memo text");
    tree_.Write("先/写真のコピー.jpg", "picture bytes");
    tree_.Write("先/メモの写し.txt", "memo text");
    MakeZip(tree_ / "先/まとめ.zip", {ArchiveItem("中/写真.jpg", "picture bytes")});
    const std::string neb = tree_ / "両方.neb";
    // The mask comes before the archive option that once replaced it.
    ASSERT_EQ(Run({"-s", tree_ / "元", "-t", tree_ / "先", "--dst-mask", "*.jpg", "--dst-zip",
                   "--dst-with-files", "--save-settings", neb}),
              0)
        << err_;
    EXPECT_TRUE(Logged("｢" + tree_ / "元/写真.jpg" + "｣と｢" + tree_ / "先/写真のコピー.jpg" +
                       "｣が同じです。"))
        << out_;
    EXPECT_TRUE(Logged("｢" + tree_ / "先/まとめ.zip" + "｣の中の全てファイルは比較元にあります。"))
        << out_;
    EXPECT_FALSE(Logged("メモの写し.txt")) << "the target mask keeps selecting the plain files";

    // The saved file holds the option and the typed mask, and gives this very job.
    const std::string saved = ReadFile(neb);
    EXPECT_NE(saved.find("WithFilesChk2=1"), std::string::npos) << saved;
    EXPECT_NE(saved.find("WithFilesChk1=0"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Fmask2=*.jpg"), std::string::npos) << saved;
    WindowSettings loaded;
    ASSERT_EQ(LoadSettingsFile(loaded, neb), std::nullopt);
    TNebu job;
    ASSERT_EQ(ApplyToJob(loaded, job), std::nullopt);
    EXPECT_EQ(job.DstWithFiles, 1);
    EXPECT_EQ(job.SrcWithFiles, 0);
    EXPECT_EQ(job.DstMask, "*.JPG;");
    EXPECT_EQ(job.DstArcMask, "*.ZIP;");
    const std::string firstRun = out_.substr(out_.find("ディレクトリ"));
    ASSERT_EQ(Run({"--settings", neb}), 0) << err_;
    const std::string secondRun = out_.substr(out_.find("ディレクトリ"));
    EXPECT_EQ(firstRun.substr(0, firstRun.find("処理終了")),
              secondRun.substr(0, secondRun.find("処理終了")));
}

}  // namespace
}  // namespace nebu::test
