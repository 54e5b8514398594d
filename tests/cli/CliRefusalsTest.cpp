#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "cli/CliApp.h"
#include "cli/InProcessCli.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

namespace nebu::test {
namespace {

// Command lines that must end with exit 2 before any directory is searched,
// and the ones beside them that still run.
class CliRefusalsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tree_.Write("src/a.txt", "alpha");
        tree_.Write("dst/a-copy.txt", "alpha");
        tree_.Write("dst/keep.bak", "alpha");
    }
    int Run(const std::vector<std::string>& args) {
        const CliRun r = RunCliHere(args);
        out_ = r.out;
        err_ = r.err;
        return r.code;
    }
    std::string Settings(const std::string& body) { return tree_.Write("s.neb", body); }
    std::string src() const { return tree_ / "src"; }
    std::string dst() const { return tree_ / "dst"; }

    TempTree tree_;
    ScopedEnv tmp_{"TMPDIR", tree_.MakeDir("tmp")};
    ScopedEnv data_{"XDG_DATA_HOME", tree_.MakeDir("xdg")};
    std::string out_;
    std::string err_;
};

TEST_F(CliRefusalsTest, SloppySizeRangesAreRefused) {
    for (const char* size : {"1:1e9", "1k:10M", "abc:def", ":", "-5:10", "+1:5", " 1:5", "1:"}) {
        EXPECT_EQ(Run({"-s", src(), "-t", dst(), "--size", size}), 2) << size;
        EXPECT_TRUE(out_.empty()) << size;
    }
    EXPECT_EQ(Run({"-s", src(), "-t", dst(), "--size", "0:999999999"}), 0) << err_;
    EXPECT_EQ(Run({"-s", src(), "-t", dst(), "--size", "0:1000000000"}), 2);
}

TEST_F(CliRefusalsTest, AnIgnoreMaskMeaningEveryFileIsRefusedWithAHint) {
    for (const char* mask : {"*", "*.*", "**", "*?", "*.txt;*.*"}) {
        EXPECT_EQ(Run({"-s", src(), "-t", dst(), "--ignore", mask}), 2) << mask;
        EXPECT_NE(err_.find("--mask"), std::string::npos) << err_;
    }
    EXPECT_EQ(Run({"-s", src(), "-t", dst(), "--delete", "--dst-ignore", "*.bak"}), 0) << err_;
    EXPECT_TRUE(Exists(tree_ / "dst/keep.bak"));
    EXPECT_FALSE(Exists(tree_ / "dst/a-copy.txt"));
}

// "LINK/.." is the folder above the link's target, as the kernel sees it.
TEST_F(CliRefusalsTest, DirectoriesAreResolvedAsTheKernelResolvesThem) {
    tree_.Write("deep/inner/x.txt", "alpha");
    tree_.MakeDir("links");
    ASSERT_EQ(::symlink((tree_ / "deep/inner").c_str(), (tree_ / "links/in").c_str()), 0);
    ASSERT_EQ(Run({"-r", "-s", src(), "-t", tree_ / "links/in/.."}), 0) << err_;
    EXPECT_NE(out_.find("｣と｢" + tree_ / "deep/" + "｣を検索します。"), std::string::npos) << out_;
}

TEST_F(CliRefusalsTest, ASettingsFileDirectoryThatDoesNotExistIsRefused) {
    const std::string gone = tree_ / "dst/消えた";
    const std::string neb = Settings("[NEBU]\r\nDirListText1=" + src() +
                                     "\r\nDirListText2=" + gone + "\r\nNoDelChk=0\r\nDelChk=0\r\n");
    EXPECT_EQ(Run({"--settings", neb}), 2);
    EXPECT_NE(err_.find(gone), std::string::npos) << err_;
    EXPECT_TRUE(Exists(tree_ / "dst/a-copy.txt"));
    EXPECT_EQ(Run({"-s", src(), "-t", dst(), "--set", "DirListText2=" + gone}), 2);
    EXPECT_NE(err_.find(gone), std::string::npos) << err_;
}

TEST_F(CliRefusalsTest, ASideWithoutANamedDirectoryIsRefused) {
    const std::string neb = Settings("[NEBU]\r\nDirListText1=" + src() + "\r\n");
    EXPECT_EQ(Run({"--settings", neb}), 2);
    EXPECT_NE(err_.find("比較先"), std::string::npos) << err_;
    EXPECT_EQ(Run({"--settings", neb, "-t", dst()}), 0) << err_;
    EXPECT_EQ(Run({"--settings", neb, "--same"}), 0) << err_;
}

TEST_F(CliRefusalsTest, SettingsThatCannotHoldAPathExactlyAreNotWritten) {
    const std::string latin1 = tree_.MakeDir("caf\xE9");
    const std::string neb = tree_ / "saved.neb";
    EXPECT_EQ(Run({"-s", latin1, "-t", dst(), "--save-settings", neb}), 3);
    EXPECT_NE(err_.find(latin1), std::string::npos) << err_;
    EXPECT_FALSE(Exists(neb));
}

}  // namespace
}  // namespace nebu::test
