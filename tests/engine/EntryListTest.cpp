#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/EntryList.h"

namespace nebu {
namespace {

std::vector<std::pair<std::int64_t, std::string>> ReadAll(TEntryList& list, bool activeOnly) {
    std::vector<std::pair<std::int64_t, std::string>> out;
    std::int64_t size = 0;
    std::string name;
    for (bool ok = activeOnly ? list.FirstActive(size, name) : list.First(size, name); ok;
         ok = activeOnly ? list.NextActive(size, name) : list.Next(size, name)) {
        out.emplace_back(size, name);
    }
    return out;
}

TEST(EntryList, InsertBySizeGoesAfterEqualSizesAndAppendKeepsFillOrder) {
    TArcList sorted;
    sorted.InsertBySize("b", 5);
    sorted.InsertBySize("a", 3);
    sorted.InsertBySize("c", 5);
    sorted.InsertBySize("日本語/d", 0);
    sorted.InsertBySize("e", 4);
    using Items = std::vector<std::pair<std::int64_t, std::string>>;
    EXPECT_EQ(ReadAll(sorted, false),
              (Items{{0, "日本語/d"}, {3, "a"}, {4, "e"}, {5, "b"}, {5, "c"}}));

    TTmpList filled;
    filled.Append("x", 9);
    filled.Append("y", 1);
    EXPECT_EQ(ReadAll(filled, false), (Items{{9, "x"}, {1, "y"}}));
    EXPECT_EQ(filled.Count(), 2);
}

TEST(EntryList, DeactivateLowersCountOnceAndHidesFromActiveWalk) {
    TTmpList list;
    list.Append("a", 1);
    list.Append("b", 2);
    list.Append("c", 3);
    std::int64_t size = 0;
    std::string name;
    ASSERT_TRUE(list.FirstActive(size, name));
    ASSERT_TRUE(list.NextActive(size, name));
    EXPECT_EQ(name, "b");
    list.DeactivateCurrent();
    list.DeactivateCurrent();  // the same entry again must not count twice
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Size(), 3u);

    using Items = std::vector<std::pair<std::int64_t, std::string>>;
    EXPECT_EQ(ReadAll(list, true), (Items{{1, "a"}, {3, "c"}}));
    EXPECT_EQ(ReadAll(list, false).size(), 3u);
    // At the end there is no current entry, so nothing more can be deactivated.
    list.DeactivateCurrent();
    EXPECT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.Next(size, name));

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.First(size, name));
    EXPECT_FALSE(list.FirstActive(size, name));
}

}  // namespace
}  // namespace nebu
