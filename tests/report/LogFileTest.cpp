#include <gtest/gtest.h>

#include <string>

#include "report/LogFile.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

TEST(LogFile, AppendsShiftJisLinesWithCrLfAcrossWrites) {
    test::TempTree tree;
    const std::string log = tree / "nebu.log";
    test::WriteFile(log, "old line\r\n");

    ASSERT_TRUE(AppendLogFileLine(log, "｢/データ/表.txt｣を削除しました。"));
    ASSERT_TRUE(AppendLogFileLine(log, "ok"));

    const std::string expected =
        "old line\r\n"
        "\xA2/\x83\x66\x81\x5B\x83\x5E/\x95\x5C.txt\xA3\x82\xF0\x8D\xED\x8F\x9C\x82\xB5\x82\xDC"
        "\x82\xB5\x82\xBD\x81\x42\r\n"
        "ok\r\n";
    EXPECT_EQ(test::ReadFile(log), expected);
}

TEST(LogFile, CreatesTheFileAndWritesAQuestionMarkForWhatCp932Lacks) {
    test::TempTree tree;
    const std::string log = tree / "new.log";
    ASSERT_TRUE(AppendLogFileLine(log, "a한b"));
    ASSERT_TRUE(AppendLogFileLine(log, ""));
    EXPECT_EQ(test::ReadFile(log), "a?b\r\n\r\n");
}

TEST(LogFile, ReportsAFileThatCannotBeWritten) {
    test::TempTree tree;
    EXPECT_FALSE(AppendLogFileLine(tree / "missing/folder/nebu.log", "x"));
    EXPECT_FALSE(AppendLogFileLine(tree.MakeDir("a-folder"), "x"));
}

}  // namespace
}  // namespace nebu
