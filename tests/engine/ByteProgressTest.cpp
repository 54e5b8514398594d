// The bytes a job reports while it runs, seen at every log line: with many
// files of equal sizes the head pass is most of the work, and the progress
// must already stand past it when the first group is compared; it never
// falls, never passes its total and ends there.

#include <gtest/gtest.h>

#include <algorithm>

#include "JobTestSupport.h"
#include "engine/HeadPass.h"

namespace nebu::test {
namespace {

struct Seen {
    std::uint8_t phase;
    ByteProgress::Snapshot bytes;
    bool pairLine;
};

TEST(ByteProgressTest, HeadPassCountsAndTheJobEndsAtItsTotal) {
    TempTree tree;
    constexpr int kSizes = 10;
    constexpr int kPerSide = 3;
    constexpr std::int64_t kFirstSize = 5000;
    std::int64_t heads = 0;
    std::int64_t groups = 0;
    for (int s = 0; s < kSizes; ++s) {
        const std::size_t size = static_cast<std::size_t>(kFirstSize + s);
        const std::string same = RandomBytes(size, 1000 + s);
        for (int i = 0; i < kPerSide; ++i) {
            const std::string name = std::to_string(size) + "-" + std::to_string(i) + ".bin";
            // One equal pair per size; the rest differ from their first byte.
            tree.Write("元/" + name, i == 0 ? same : RandomBytes(size, 2000 + s * 10 + i));
            tree.Write("先/" + name, i == 0 ? same : RandomBytes(size, 3000 + s * 10 + i));
        }
        heads += 2 * kPerSide * std::min<std::int64_t>(size, HeadPass::kHeadBytes);
        groups += 2 * kPerSide * static_cast<std::int64_t>(size);
    }
    TNebu job;
    SetUpJob(job, {tree / "元"}, {tree / "先"});
    ScriptedHost host;
    std::vector<Seen> seen;
    host.onLine = [&](const std::string& line) {
        seen.push_back(
            Seen{job.Phase, job.Bytes.Read(), line.find("｣が同じです。") != std::string::npos});
    };
    const RunResult result = RunJob(job, host);
    ASSERT_EQ(result.pairs.size(), static_cast<std::size_t>(kSizes));

    // Nothing is planned while the lists are searched.
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().bytes.total, 0);
    const auto firstPair =
        std::find_if(seen.begin(), seen.end(), [](const Seen& s) { return s.pairLine; });
    ASSERT_NE(firstPair, seen.end());
    EXPECT_EQ(firstPair->phase, kPhaseCompare);
    EXPECT_EQ(firstPair->bytes.total, heads + groups);
    // Every head read before the first group's pair: the bar stood past the
    // head pass, not at zero; the first group is at most its own share more.
    EXPECT_GE(firstPair->bytes.done, heads);
    EXPECT_LE(firstPair->bytes.done, heads + 2 * kPerSide * kFirstSize);

    std::int64_t previous = 0;
    for (auto it = seen.begin(); it != seen.end(); ++it) {
        EXPECT_GE(it->bytes.done, previous);
        EXPECT_LE(it->bytes.done, it->bytes.total);
        if (it >= firstPair) {
            EXPECT_EQ(it->bytes.total, heads + groups);
        }
        previous = it->bytes.done;
    }
    EXPECT_EQ(job.Phase, kPhaseFinished);
    const ByteProgress::Snapshot end = job.Bytes.Read();
    EXPECT_EQ(end.total, heads + groups);
    EXPECT_EQ(end.done, end.total);
}

}  // namespace
}  // namespace nebu::test
