#include "EquivalenceTrees.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "support/TempTree.h"

namespace nebu::test {

namespace fs = std::filesystem;

std::uint64_t SeededDraw::Next() {
    // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::string SeededDraw::Bytes(std::size_t size) {
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>(Next() & 0xFF);
    return out;
}

const char* LayoutName(Layout layout) {
    switch (layout) {
        case Layout::Apart:
            return "Apart";
        case Layout::TargetInsideSource:
            return "TargetInsideSource";
        case Layout::SameFolder:
            return "SameFolder";
        case Layout::SameFolderFlatTarget:
            return "SameFolderFlatTarget";
        case Layout::Overlapping:
            return "Overlapping";
    }
    return "?";
}

namespace {

void SetLayout(TreePlan& plan, Layout layout) {
    switch (layout) {
        case Layout::Apart:
            plan.srcDirs = {"元"};
            plan.dstDirs = {"先"};
            plan.places = {"元", "元/写真", "元/写真/夏", "先", "先/コピー", "先/b", "外"};
            break;
        case Layout::TargetInsideSource:
            plan.srcDirs = {"元"};
            plan.dstDirs = {"元/内側"};
            plan.places = {"元", "元/a", "元/内側", "元/内側/深い", "外"};
            break;
        case Layout::SameFolder:
        case Layout::SameFolderFlatTarget:
            plan.srcDirs = {"共有"};
            plan.dstDirs = {"共有"};
            plan.places = {"共有", "共有/x", "共有/x/日本"};
            plan.dstSubDirs = layout == Layout::SameFolder;
            break;
        case Layout::Overlapping:
            plan.srcDirs = {"元", "共有"};
            plan.dstDirs = {"先", "共有/下"};
            plan.places = {"元", "元/a", "共有", "共有/下", "共有/下/z", "先", "先/b"};
            break;
    }
}

bool Within(const std::string& rel, const std::string& dir) {
    return rel == dir || (rel.size() > dir.size() && rel.compare(0, dir.size(), dir) == 0 &&
                          rel[dir.size()] == '/');
}

std::vector<std::string> PlacesWithin(const TreePlan& plan, const std::vector<std::string>& dirs) {
    std::vector<std::string> out;
    for (const auto& place : plan.places) {
        for (const auto& dir : dirs) {
            if (Within(place, dir)) {
                out.push_back(place);
                break;
            }
        }
    }
    return out;
}

std::string FileName(std::size_t index, SeededDraw& draw) {
    static const char* const kStems[] = {"写真", "メモ", "data", "ﾃｽﾄ", "file", "重複"};
    static const char* const kExts[] = {".jpg", ".txt", "", ".bin", ".dat"};
    return std::string(kStems[draw.Below(6)]) + "_" + std::to_string(index) + kExts[draw.Below(5)];
}

// Contents of one size: a few distinct ones, some differing from the first
// only in their last or their first byte.
std::vector<std::string> ContentPool(std::size_t size, SeededDraw& draw) {
    std::vector<std::string> pool{draw.Bytes(size)};
    if (size == 0) return pool;
    const std::size_t extra = draw.Below(3);
    for (std::size_t i = 0; i < extra; ++i) pool.push_back(draw.Bytes(size));
    if (draw.Chance(40)) {
        std::string v = pool.front();
        v.back() = static_cast<char>(v.back() ^ 0x5A);
        pool.push_back(v);
    }
    if (size > 1 && draw.Chance(30)) {
        std::string v = pool.front();
        v.front() = static_cast<char>(v.front() ^ 0x01);
        pool.push_back(v);
    }
    return pool;
}

std::vector<std::size_t> DrawSizes(SeededDraw& draw, std::size_t count) {
    static const std::size_t kEdges[] = {1023, 1024,  1025,  4095,  4096,
                                         4097, 16384, 65536, 65537, 70000};
    std::vector<std::size_t> sizes;
    for (std::size_t i = 0; i < count; ++i) {
        sizes.push_back(draw.Chance(20) ? kEdges[draw.Below(10)] : 1 + draw.Below(200));
    }
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    return sizes;
}

// Contents of the big groups: `count` files drawn from `distinct` contents
// of `size` bytes.
std::vector<std::string> ManyOfFew(std::size_t count, std::size_t distinct, std::size_t size,
                                   SeededDraw& draw) {
    std::vector<std::string> pool;
    for (std::size_t i = 0; i < distinct; ++i) pool.push_back(draw.Bytes(size));
    std::vector<std::string> out;
    for (std::size_t i = 0; i < count; ++i) out.push_back(pool[draw.Below(distinct)]);
    return out;
}

// Hundreds of copies of one content and a few variants that share its first
// 4 KiB, differing in the middle of the tail or in the very last byte.
std::vector<std::string> CopiesWithVariants(std::size_t copies, std::size_t variants,
                                            std::size_t size, SeededDraw& draw) {
    const std::string base = draw.Bytes(size);
    std::vector<std::string> out(copies, base);
    for (std::size_t i = 0; i < variants; ++i) {
        std::string v = base;
        switch (i % 3) {
            case 0:
                v.back() = static_cast<char>(v.back() ^ 0x80);
                break;
            case 1:
                v[4096 + i % (size - 4096)] ^= 0x11;
                break;
            default:
                v.replace(4096, size - 4096, draw.Bytes(size - 4096));
                break;
        }
        out.push_back(v);
    }
    return out;
}

// Thousands of small files: straight system calls, the folders are made
// beforehand.
void WriteWhole(const std::string& path, const std::string& content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + path);
    const bool ok =
        ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    ::close(fd);
    if (!ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace

TreePlan MakePlainPlan(const PlanOptions& options) {
    TreePlan plan;
    SetLayout(plan, options.layout);
    SeededDraw draw(options.seed);
    std::vector<std::string> contents;
    for (std::size_t size : DrawSizes(draw, 45)) {
        const auto pool = ContentPool(size, draw);
        const std::size_t n = 1 + draw.Below(8);
        for (std::size_t i = 0; i < n; ++i) contents.push_back(pool[draw.Below(pool.size())]);
    }
    const std::size_t empties = 1 + draw.Below(40);
    for (std::size_t i = 0; i < empties; ++i) contents.emplace_back();
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const std::string& place = plan.places[draw.Below(plan.places.size())];
        plan.files.push_back({place + "/" + FileName(i, draw), std::move(contents[i]), -1});
    }
    if (options.big) {
        // All on the sides, so that the groups really are that big.
        std::vector<std::string> sides = PlacesWithin(plan, plan.srcDirs);
        for (const auto& p : PlacesWithin(plan, plan.dstDirs)) sides.push_back(p);
        std::vector<std::string> big = ManyOfFew(300, 40, 16, draw);
        for (auto& c : CopiesWithVariants(270, 40, 5000, draw)) big.push_back(std::move(c));
        for (auto& c : big) {
            const std::string& place = sides[draw.Below(sides.size())];
            const std::size_t index = plan.files.size();
            plan.files.push_back({place + "/" + FileName(index, draw), std::move(c), -1});
        }
    }
    // Hard links: the same file under two names, on one side or on both.
    const std::size_t originals = plan.files.size();
    const std::size_t links = 5 + draw.Below(10);
    for (std::size_t i = 0; i < links; ++i) {
        const int of = static_cast<int>(draw.Below(originals));
        const std::string& place = plan.places[draw.Below(plan.places.size())];
        plan.files.push_back(
            {place + "/リンク_" + std::to_string(i) + FileName(originals + i, draw), {}, of});
    }
    return plan;
}

TreePlan MakeSourceArchivePlan(const PlanOptions& options) {
    TreePlan plan;
    SetLayout(plan, options.layout);
    SeededDraw draw(options.seed);
    const std::vector<std::string> srcPlaces = PlacesWithin(plan, plan.srcDirs);
    const std::vector<std::string> dstPlaces = PlacesWithin(plan, plan.dstDirs);

    std::vector<std::string> entries;
    std::vector<std::string> targets;
    for (std::size_t size : DrawSizes(draw, 30)) {
        const auto pool = ContentPool(size, draw);
        const std::size_t ne = draw.Below(7);
        const std::size_t nt = draw.Below(7);
        for (std::size_t i = 0; i < ne; ++i) entries.push_back(pool[draw.Below(pool.size())]);
        for (std::size_t i = 0; i < nt; ++i) targets.push_back(pool[draw.Below(pool.size())]);
    }
    if (options.big) {
        const auto twelve = ManyOfFew(365, 30, 12, draw);
        targets.insert(targets.end(), twelve.begin(), twelve.begin() + 300);
        entries.insert(entries.end(), twelve.begin() + 300, twelve.end());
        const auto copies = CopiesWithVariants(280, 12, 5000, draw);
        targets.insert(targets.end(), copies.begin(), copies.begin() + 270);
        targets.insert(targets.end(), copies.begin() + 280, copies.begin() + 286);
        entries.insert(entries.end(), copies.begin() + 270, copies.begin() + 280);
        entries.insert(entries.end(), copies.begin() + 286, copies.end());
    }
    if (options.manyEntries) {
        // Past the 1024 extracted files a group keeps for itself.
        const auto three = ManyOfFew(1080, 10, 3, draw);
        entries.insert(entries.end(), three.begin(), three.begin() + 1040);
        targets.insert(targets.end(), three.begin() + 1040, three.end());
    }

    const std::size_t archiveCount = options.manyEntries ? 25 : 6 + draw.Below(10);
    for (std::size_t a = 0; a < archiveCount; ++a) {
        const std::string& place = srcPlaces[draw.Below(srcPlaces.size())];
        plan.archives.push_back({place + "/箱_" + std::to_string(a) + ".zip", {}, -1});
        if (draw.Chance(30))
            plan.archives.back().items.emplace_back("写真/", "", ArchiveItem::Directory);
    }
    static const char* const kFolders[] = {"", "写真/", "写真/夏/", "sub/"};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        PlannedArchive& archive = plan.archives[draw.Below(archiveCount)];
        archive.items.emplace_back(kFolders[draw.Below(4)] + FileName(i, draw),
                                   std::move(entries[i]));
    }
    // An archive under a second name: its entries are listed twice.
    if (draw.Chance(50)) {
        const int of = static_cast<int>(draw.Below(archiveCount));
        const std::string& place = srcPlaces[draw.Below(srcPlaces.size())];
        plan.archives.push_back({place + "/リンク箱.zip", {}, of});
    }
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const std::string& place = dstPlaces[draw.Below(dstPlaces.size())];
        plan.files.push_back({place + "/" + FileName(i, draw), std::move(targets[i]), -1});
    }
    const std::size_t originals = plan.files.size();
    const std::size_t links = originals == 0 ? 0 : 3 + draw.Below(6);
    for (std::size_t i = 0; i < links; ++i) {
        const int of = static_cast<int>(draw.Below(originals));
        const std::string& place = dstPlaces[draw.Below(dstPlaces.size())];
        plan.files.push_back({place + "/リンク_" + std::to_string(i) + ".bin", {}, of});
    }
    return plan;
}

void Materialize(const TreePlan& plan, const std::string& root) {
    for (const auto& place : plan.places) MakeDirs(root + "/" + place);
    for (const auto& dir : plan.srcDirs) MakeDirs(root + "/" + dir);
    for (const auto& dir : plan.dstDirs) MakeDirs(root + "/" + dir);
    for (const auto& f : plan.files) {
        const std::string path = root + "/" + f.rel;
        if (f.linkOf < 0) {
            WriteWhole(path, f.content);
        } else if (::link((root + "/" + plan.files[f.linkOf].rel).c_str(), path.c_str()) != 0) {
            throw std::runtime_error("cannot link " + path);
        }
    }
    for (const auto& a : plan.archives) {
        const std::string path = root + "/" + a.rel;
        if (a.linkOf < 0) {
            MakeZip(path, a.items, true);
        } else if (::link((root + "/" + plan.archives[a.linkOf].rel).c_str(), path.c_str()) != 0) {
            throw std::runtime_error("cannot link " + path);
        }
    }
}

std::vector<std::string> FilesBelow(const std::string& root) {
    std::vector<std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        if (it->is_regular_file() && !it->is_symlink()) {
            out.push_back(fs::relative(it->path(), root).string());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

DrawnAnswers DrawAnswers(std::uint32_t seed, unsigned cancelPerMille) {
    SeededDraw draw(seed ^ 0xA5A5u);
    DrawnAnswers answers;
    const std::size_t messages = 20 + draw.Below(3000);
    for (std::size_t i = 0; i < messages; ++i) {
        const std::size_t r = draw.Below(1000);
        answers.messages.push_back(r < cancelPerMille ? MsgAnswer::Cancel
                                   : draw.Chance(50)  ? MsgAnswer::Yes
                                                      : MsgAnswer::No);
    }
    static const DelAnswer kChoices[] = {DelAnswer::DeleteFirst, DelAnswer::DeleteSecond,
                                         DelAnswer::DeleteNeither};
    const std::size_t choices = 20 + draw.Below(3000);
    for (std::size_t i = 0; i < choices; ++i) {
        const std::size_t r = draw.Below(1000);
        answers.choices.push_back(r < cancelPerMille ? DelAnswer::Cancel : kChoices[draw.Below(3)]);
    }
    return answers;
}

}  // namespace nebu::test
