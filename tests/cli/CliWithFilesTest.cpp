// 通常ﾌｧｲﾙも比較 on the command line: the plain files a side's masks select
// and its archives' contents in one run, kept in the settings it saves.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/CliApp.h"
#include "cli/InProcessCli.h"
#include "engine/Nebu.h"
#include "support/ArchiveFixtures.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

namespace nebu::test {
namespace {

std::string RunCli(const std::vector<std::string>& args) {
    const CliRun r = RunCliHere(args);
    EXPECT_EQ(r.code, 0) << r.err;
    return r.out.substr(r.out.find("ディレクトリ"));
}

TEST(CliWithFilesTest, PlainFilesAndArchiveContentsInOneRunAndInTheSavedSettings) {
    if (!TNebu().FileFunc->ZipReady) GTEST_SKIP() << "no ZIP reading here";
    TempTree tree;
    ScopedEnv tmp("TMPDIR", tree.MakeDir("tmp"));
    tree.Write("元/写真.jpg", "picture bytes");
    tree.Write("元/メモ.txt", "memo text");
    tree.Write("先/写真のコピー.jpg", "picture bytes");
    tree.Write("先/メモの写し.txt", "memo text");
    MakeZip(tree / "先/まとめ.zip", {ArchiveItem("中/写真.jpg", "picture bytes")});
    const std::string neb = tree / "両方.neb";
    // The mask comes before the archive option that would replace it.
    const std::string log = RunCli({"-s", tree / "元", "-t", tree / "先", "--dst-mask", "*.jpg",
                                    "--dst-zip", "--dst-with-files", "--save-settings", neb});
    EXPECT_NE(log.find("写真.jpg｣と｢" + tree / "先/写真のコピー.jpg｣が同じです。"), log.npos)
        << log;
    EXPECT_NE(log.find("まとめ.zip｣の中の全てファイルは比較元にあります。"), log.npos) << log;
    EXPECT_EQ(log.find("メモの写し.txt"), log.npos) << "the typed mask still selects plain files";
    const std::string saved = ReadFile(neb);
    for (const char* line : {"WithFilesChk1=0", "WithFilesChk2=1", "ZipChk2=1", "Fmask2=*.jpg"})
        EXPECT_NE(saved.find(line), saved.npos) << line << " in\n" << saved;
    const std::string again = RunCli({"--settings", neb});
    EXPECT_EQ(log.substr(0, log.find("処理終了")), again.substr(0, again.find("処理終了")));
}

}  // namespace
}  // namespace nebu::test
