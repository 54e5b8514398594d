#include <gtest/gtest.h>

#include "platform/ArchiverCommand.h"

namespace nebu::platform {
namespace {

TEST(ArchiverCommand, ParsesTheLzhCommandLine) {
    auto c = ParseExtractCommand("e -m -n -gm -p /data/a.lzh /tmp/nb0A1F.tmp/ \"dir/日本語.txt\"",
                                 ArchiveFormat::Lzh);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->archivePath, "/data/a.lzh");
    EXPECT_EQ(c->folder, "/tmp/nb0A1F.tmp/");
    EXPECT_EQ(c->entryName, "dir/日本語.txt");
}

TEST(ArchiverCommand, ParsesTheZipCommandLineWithBlanks) {
    auto c = ParseExtractCommand("-x -j --i \"/my data/a b.zip\" /tmp/nb1.tmp/ \"a b/c d.txt\"",
                                 ArchiveFormat::Zip);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->archivePath, "/my data/a b.zip");
    EXPECT_EQ(c->folder, "/tmp/nb1.tmp/");
    EXPECT_EQ(c->entryName, "a b/c d.txt");

    // A work folder under a temporary folder with a blank, quoted or not.
    c = ParseExtractCommand("-x -j --i /a.zip /tmp/my tmp/nb1.tmp/ \"x\"", ArchiveFormat::Zip);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->folder, "/tmp/my tmp/nb1.tmp/");
    c = ParseExtractCommand("-x -j --i /a.zip \"/tmp/my tmp/nb1.tmp/\" \"x\"", ArchiveFormat::Zip);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->folder, "/tmp/my tmp/nb1.tmp/");

    // Quotes inside a Unix entry name belong to the name.
    c = ParseExtractCommand("-x -j --i /a.zip /w/ \"say \"hi\".txt\"", ArchiveFormat::Zip);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->entryName, "say \"hi\".txt");
}

TEST(ArchiverCommand, EveryPathComesBackAsItWasQuoted) {
    for (const std::string archive : {"/a.zip", "/my data/a b.zip", "/x/\"best\" 写真.zip", "/q\"",
                                      "/\"\"/ \"", "/t\tab.zip"}) {
        for (const std::string folder : {"/tmp/nb0.tmp/", "/tmp/\"my\" tmp/nb1.tmp/"}) {
            const std::string line = "-x -j --i " + QuoteCommandPath(archive) + " " +
                                     QuoteCommandPath(folder) + " \"e \"1\".txt\"";
            auto c = ParseExtractCommand(line, ArchiveFormat::Zip);
            ASSERT_TRUE(c) << line;
            EXPECT_EQ(c->archivePath, archive);
            EXPECT_EQ(c->folder, folder);
            EXPECT_EQ(c->entryName, "e \"1\".txt");
        }
    }
    EXPECT_EQ(QuoteCommandPath("/plain/a.lzh"), "/plain/a.lzh");
}

TEST(ArchiverCommand, RefusesAnythingElse) {
    const char* lzhBad[] = {
        "",
        "garbage",
        "e -m -n -gm -p",
        "-x -j --i /a.zip /w/ \"x\"",             // the other library's options
        "x -m -n -gm -p /a.lzh /w/ \"x\"",        // another command
        "e -m -n -gm -p /a.lzh /w \"x\"",         // folder without "/"
        "e -m -n -gm -p /a.lzh /w/ x",            // entry not quoted
        "e -m -n -gm -p /a.lzh /w/ \"x",          // unterminated entry
        "e -m -n -gm -p /a.lzh /w/ \"\"",         // empty entry
        "e -m -n -gm -p /a.lzh /w/ \"x\" extra",  // trailing text
        "e -m -n -gm -p  /a.lzh /w/ \"x\"",       // empty archive path
        "e -m -n -gm -p \"/a b.lzh /w/ \"x\"",    // unterminated archive quote
        "e -m -n -gm -p \"/a.lzh\"/w/ \"x\"",     // no blank after the archive
        "e -m -n -gm -p /a.lzh",                  // no folder, no entry
        "e -m -n -gm -p \"/a\"\" /w/ \"x\"",      // doubled quote, then no end
    };
    for (const char* line : lzhBad) {
        EXPECT_FALSE(ParseExtractCommand(line, ArchiveFormat::Lzh)) << line;
    }
    EXPECT_FALSE(ParseExtractCommand("e -m -n -gm -p /a.lzh /w/ \"x\"", ArchiveFormat::Zip));
}

}  // namespace
}  // namespace nebu::platform
