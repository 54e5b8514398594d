// The command line's output for scripts, read back as a script would: JSON
// lines parsed, the NUL list split, the UTF-8 CSV opened, the folder lines.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "cli/CliApp.h"
#include "cli/InProcessCli.h"
#include "cli/JobRunner.h"
#include "platform/Cp932.h"
#include "support/ArchiveFixtures.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

namespace nebu::test {
namespace {

// One flat JSON object: strings (with the escapes JSON allows), numbers and
// booleans, each kept as its decoded text.
std::map<std::string, std::string> ParseObject(const std::string& line) {
    std::map<std::string, std::string> object;
    std::size_t i = 0;
    auto fail = [&](const char* what) {
        ADD_FAILURE() << what << " at " << i << " in " << line;
        i = line.size();
        return std::string();
    };
    auto string = [&]() {
        if (line[i] != '"') return fail("no string");
        std::string out;
        for (++i; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] != '\\') {
                out += line[i];
                continue;
            }
            const char c = line[++i];
            if (c == 'u') {
                const unsigned code = std::stoul(line.substr(i + 1, 4), nullptr, 16);
                if (code >= 0x80) return fail("unexpected \\u escape");
                out += static_cast<char>(code);
                i += 4;
            } else {
                const std::string from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
                const auto at = from.find(c);
                if (at == std::string::npos) return fail("bad escape");
                out += to[at];
            }
        }
        ++i;
        return out;
    };
    if (line.empty() || line[0] != '{') return fail("no object"), object;
    for (i = 1; i < line.size() && line[i] != '}';) {
        const std::string key = string();
        if (i >= line.size() || line[i++] != ':') return fail("no colon"), object;
        if (line[i] == '"') {
            object[key] = string();
        } else {
            const std::size_t end = line.find_first_of(",}", i);
            object[key] = line.substr(i, end - i);
            i = end;
        }
        if (i < line.size() && line[i] == ',') ++i;
    }
    EXPECT_EQ(i + 1, line.size()) << line;
    return object;
}

std::string FromBase64(const std::string& text) {
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=') break;
        bits = (bits << 6) | static_cast<unsigned>(digits.find(c));
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

class ScriptOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        cli::ClearInterrupt();
        tree_.Write("src/a.txt", "alpha");
        tree_.Write("src/b.txt", "bravo!");
        // One folder wholly found, one in part, one not at all.
        tree_.Write("dst/all/a.txt", "alpha");
        tree_.Write("dst/all/b.txt", "bravo!");
        sjisName_ = *platform::Utf8ToCp932("写し.txt");
        tree_.Write("dst/part/" + sjisName_, "alpha");
        tree_.Write("dst/part/other.txt", "other text");
        tree_.Write("dst/none/x.txt", "nothing alike");
    }
    CliRun Run(const std::vector<std::string>& args) { return RunCliHere(args); }
    std::vector<std::map<std::string, std::string>> JsonLines(const std::string& out) {
        std::vector<std::map<std::string, std::string>> objects;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);) objects.push_back(ParseObject(line));
        return objects;
    }
    std::string src() const { return tree_ / "src"; }
    std::string dst() const { return tree_ / "dst"; }

    TempTree tree_;
    ScopedEnv tmp_{"TMPDIR", tree_.MakeDir("tmp")};
    ScopedEnv data_{"XDG_DATA_HOME", tree_.MakeDir("xdg")};
    std::string sjisName_;
};

TEST_F(ScriptOutputTest, JsonLinesCarryPairsFoldersAndSummaryWithRawNames) {
    const CliRun r = Run({"-r", "--json", "--folders", "-s", src(), "-t", dst()});
    ASSERT_EQ(r.code, 0) << r.err;
    // The log moved to standard error; standard output is JSON only.
    EXPECT_NE(r.err.find("処理終了"), std::string::npos);
    const auto objects = JsonLines(r.out);
    ASSERT_EQ(objects.size(), 3u + 3u + 1u) << r.out;

    std::map<std::string, std::string> targets;  // exact target path -> source
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& pair = objects[i];
        EXPECT_EQ(pair.at("type"), "pair");
        EXPECT_EQ(pair.at("outcome"), "listed");
        EXPECT_EQ(pair.count("target_entry"), 0u);
        const std::string target =
            pair.count("target_base64") ? FromBase64(pair.at("target_base64")) : pair.at("target");
        targets[target] = pair.at("source");
        EXPECT_EQ(std::stoll(pair.at("size")), ReadFile(target).size());
    }
    EXPECT_EQ(targets.at(tree_ / "dst/part/" + sjisName_), tree_ / "src/a.txt");
    EXPECT_EQ(targets.at(tree_ / "dst/all/b.txt"), tree_ / "src/b.txt");
    EXPECT_EQ(targets.count(tree_ / "dst/all/a.txt"), 1u);
    // The readable form of the Shift-JIS name shows its bytes as the log does.
    EXPECT_NE(r.out.find("dst/part/\\\\x8E"), std::string::npos) << r.out;

    const auto& all = objects[3];
    const auto& none = objects[4];
    const auto& part = objects[5];
    EXPECT_EQ(all.at("folder"), tree_ / "dst/all");
    EXPECT_EQ(all.at("files") + "/" + all.at("found") + "/" + all.at("found_bytes"), "2/2/11");
    EXPECT_EQ(all.at("all_found"), "true");
    EXPECT_EQ(none.at("folder"), tree_ / "dst/none");
    EXPECT_EQ(none.at("found") + "/" + none.at("all_found"), "0/false");
    EXPECT_EQ(part.at("folder"), tree_ / "dst/part");
    EXPECT_EQ(part.at("files") + "/" + part.at("found"), "2/1");
    EXPECT_EQ(part.at("bytes") + "/" + part.at("found_bytes"), "15/5");
    EXPECT_EQ(part.at("all_found"), "false");

    const auto& summary = objects.back();
    EXPECT_EQ(summary.at("type"), "summary");
    EXPECT_EQ(summary.at("finished"), "true");
    EXPECT_EQ(summary.at("pairs") + "/" + summary.at("listed"), "3/3");
    EXPECT_EQ(summary.at("target_files"), "5");
    EXPECT_EQ(summary.at("bytes"), "16");
}

TEST_F(ScriptOutputTest, DeletedAndTrashedTargetsSayWhatHappened) {
    ScopedEnv home("HOME", tree_.MakeDir("home"));
    const CliRun r = Run({"-r", "--json", "-q", "--delete", "-s", src(), "-t", dst() + "/all"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto objects = JsonLines(r.out);
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0].at("outcome"), "deleted");
    EXPECT_EQ(objects[1].at("outcome"), "deleted");
    EXPECT_EQ(objects[2].at("deleted"), "2");

    const CliRun t =
        Run({"-r", "--json", "--delete", "--trash", "-s", src(), "-t", dst() + "/part"});
    ASSERT_EQ(t.code, 0) << t.err;
    objects = JsonLines(t.out);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].at("outcome"), "trashed");
    EXPECT_EQ(FromBase64(objects[0].at("target_base64")), tree_ / "dst/part/" + sjisName_);
    EXPECT_FALSE(Exists(tree_ / "dst/part/" + sjisName_));
}

TEST_F(ScriptOutputTest, Print0NamesEachTargetLeftOnceAndAnArchiveOnce) {
    MakeZip(tree_ / "dst/none/both.zip", {{"a.txt", "alpha"}, {"b.txt", "bravo!"}});
    CliRun r = Run({"-r", "-0", "-s", src(), "-t", dst()});
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.back(), '\0');
    std::multiset<std::string> names;
    std::istringstream list(r.out);
    for (std::string name; std::getline(list, name, '\0');) names.insert(name);
    EXPECT_EQ(names, (std::multiset<std::string>{tree_ / "dst/all/a.txt", tree_ / "dst/all/b.txt",
                                                 tree_ / "dst/part/" + sjisName_}));
    // Archive entries: the archive is named once for its two entries.
    r = Run({"-r", "--print0", "--dst-zip", "-s", src(), "-t", dst() + "/none"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, tree_ / "dst/none/both.zip" + std::string(1, '\0'));
    EXPECT_NE(r.err.find("が同じです。"), std::string::npos);
}

TEST_F(ScriptOutputTest, CsvUtf8HasMarkHeaderAndExactNames) {
    const CliRun r =
        Run({"-r", "-q", "--csv-utf8", tree_ / "一覧", "-s", src(), "-t", dst() + "/part"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string csv = ReadFile(tree_ / "一覧.csv");
    const std::string header =
        "\xEF\xBB\xBF\"比較先(削除対象)\",\"ﾌｫﾙﾀﾞ名\",\"比較元\",\"ﾌｫﾙﾀﾞ名\"\r\n";
    ASSERT_EQ(csv.substr(0, header.size()), header);
    EXPECT_EQ(csv.substr(header.size()),
              "\"" + sjisName_ + "\",\"" + dst() + "/part\",\"a.txt\",\"" + src() + "\"\r\n");
}

TEST_F(ScriptOutputTest, FolderLinesFollowTheLog) {
    const CliRun r = Run({"-r", "--folders", "-s", src(), "-t", dst()});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string tail = r.out.substr(r.out.find("処理時間は"));
    EXPECT_NE(tail.find("\n" + dst() + "/all\t2/2件\t11/11バイト\t全て比較元にあり\n"),
              std::string::npos)
        << tail;
    EXPECT_NE(tail.find("\n" + dst() + "/part\t1/2件\t5/15バイト\n"), std::string::npos) << tail;
}

TEST_F(ScriptOutputTest, OutputsThatWouldShareStandardOutputAreRefused) {
    for (const auto& extra : std::vector<std::vector<std::string>>{
             {"--json", "-0"},
             {"--json", "--csv", "/dev/stdout"},
             {"--print0", "--csv-utf8", "-"},
             {"-0", "--folders"},
             {"--csv", tree_ / "x.csv", "--csv-utf8", tree_ / "x"}}) {
        std::vector<std::string> args = {"-s", src(), "-t", dst()};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun r = Run(args);
        EXPECT_EQ(r.code, 2) << extra[0] << " " << extra[1];
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("nebu-cli: "), std::string::npos);
        EXPECT_FALSE(Exists(tree_ / "x.csv"));
    }
}

}  // namespace
}  // namespace nebu::test
