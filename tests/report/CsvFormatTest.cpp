#include <gtest/gtest.h>

#include <string>

#include "report/CsvFormat.h"
#include "support/TempTree.h"

namespace nebu {
namespace {

TEST(CsvFormat, SameFileRecordsAreShiftJisWithoutSizeOrHeader) {
    test::TempTree tree;
    const std::string csv = tree / "same.csv";
    const SameRow first{"表.txt", "/ターゲット", "1KB", "a.txt", "/src", 0};
    const SameRow second{"b", "/t", "2KB", "c", "/s", 1};
    ASSERT_TRUE(WriteCsvFile(csv, CsvRecord(first) + CsvRecord(second)));
    EXPECT_EQ(
        test::ReadFile(csv),
        "\"\x95\x5C.txt\",\"/\x83\x5E\x81\x5B\x83\x51\x83\x62\x83\x67\",\"a.txt\",\"/src\"\r\n"
        "\"b\",\"/t\",\"c\",\"/s\"\r\n");
}

TEST(CsvFormat, OverwritingCutsALongerOldFile) {
    test::TempTree tree;
    const std::string csv = tree.Write("old.csv", std::string(4096, 'x'));
    ASSERT_TRUE(WriteCsvFile(csv, CsvRecord(SameRow{"n", "/f", "0KB", "m", "/g", 1})));
    EXPECT_EQ(test::ReadFile(csv), "\"n\",\"/f\",\"m\",\"/g\"\r\n");
    ASSERT_TRUE(WriteCsvFile(csv, ""));
    EXPECT_EQ(test::ReadFile(csv), "");
}

TEST(CsvFormat, CharacterOutsideCp932MakesTheWholeFileUtf8WithBom) {
    test::TempTree tree;
    const std::string csv = tree / "mixed.csv";
    const std::string records = CsvRecord(SameRow{"データ", "/t", "1KB", "한글", "/s", 0}) +
                                CsvRecord(SameRow{"x", "/t", "1KB", "y", "/s", 0});
    ASSERT_TRUE(WriteCsvFile(csv, records));
    EXPECT_EQ(test::ReadFile(csv),
              "\xEF\xBB\xBF\"データ\",\"/t\",\"한글\",\"/s\"\r\n\"x\",\"/t\",\"y\",\"/s\"\r\n");
}

TEST(CsvFormat, DoublesQuotesInsideFields) {
    EXPECT_EQ(CsvRecord(SameRow{"say \"hi\"", "/t", "1KB", "a,b", "/s", 0}),
              "\"say \"\"hi\"\"\",\"/t\",\"a,b\",\"/s\"\r\n");
}

TEST(CsvFormat, DifferentFileRecordCarriesBothSizeColumns) {
    EXPECT_EQ(CsvRecord(DiffRow{"A.TXT", "/t", "1,024KB", "a.txt", "/s", "1KB"}),
              "\"A.TXT\",\"/t\",\"1,024KB\",\"a.txt\",\"/s\",\"1KB\"\r\n");
    EXPECT_EQ(CsvRecord(DiffRow{"", "", "", "only", "/s", "0KB"}),
              "\"\",\"\",\"\",\"only\",\"/s\",\"0KB\"\r\n");
}

TEST(CsvFormat, ReportsAFileThatCannotBeWritten) {
    test::TempTree tree;
    EXPECT_FALSE(WriteCsvFile(tree / "no/such/folder/x.csv", "\"a\"\r\n"));
}

TEST(CsvFileName, AppendsTheExtensionWhenTheFileNameHasNoDot) {
    EXPECT_EQ(CsvFileName("/out/list"), "/out/list.csv");
    EXPECT_EQ(CsvFileName("/my.dir/list"), "/my.dir/list.csv");
    EXPECT_EQ(CsvFileName("/out/list.txt"), "/out/list.txt");
}

}  // namespace
}  // namespace nebu
