#include "PairwiseReference.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <tuple>

namespace nebu::test {

namespace {

std::pair<std::string, std::string> Split(const std::string& path) {
    const std::size_t at = path.rfind('/');
    return {path.substr(at + 1), path.substr(0, at)};
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

std::string Label(const std::string& archive, const std::string& entry) {
    return "『" + archive + "』の中の『" + entry + "』";
}

class Utf8Names {
  public:
    Utf8Names() {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            locale_ = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0));
            if (locale_ != static_cast<locale_t>(0)) break;
        }
        if (locale_ != static_cast<locale_t>(0)) previous_ = uselocale(locale_);
    }
    ~Utf8Names() {
        if (previous_ != static_cast<locale_t>(0)) uselocale(previous_);
        if (locale_ != static_cast<locale_t>(0)) freelocale(locale_);
    }
    Utf8Names(const Utf8Names&) = delete;
    Utf8Names& operator=(const Utf8Names&) = delete;

  private:
    locale_t locale_ = static_cast<locale_t>(0);
    locale_t previous_ = static_cast<locale_t>(0);
};

}  // namespace

std::string SameLine(const std::string& a, const std::string& b) {
    return "｢" + a + "｣と｢" + b + "｣が同じです。";
}

// ---- the walk by size ----

template <typename GroupFn>
void PairwiseReference::WalkGroups(RefList& src, RefList& dst, GroupFn&& group) {
    if (src.empty() || dst.empty()) return;
    std::size_t i = 0;
    std::size_t j = 0;
    for (;;) {
        if (src[i].size < dst[j].size) {
            if (++i == src.size()) return;
            continue;
        }
        if (dst[j].size < src[i].size) {
            if (++j == dst.size()) return;
            continue;
        }
        group(src[i], dst[j]);
        if (++i == src.size()) return;
        if (++j == dst.size()) return;
    }
}

// ---- plain files ----

void PairwiseReference::ComparePlain(RefList& src, RefList& dst) {
    WalkGroups(src, dst, [this](RefGroup& s, RefGroup& t) { PlainGroup(s, t); });
}

// A pair is one source file and one different target file of equal bytes;
// the same two files met the other way round make the first pair mutual.
// The pairs of a group are listed newest first.
void PairwiseReference::PlainGroup(RefGroup& sg, RefGroup& tg) {
    std::vector<SamePairRec> found;
    std::map<std::pair<std::string, std::string>, std::size_t> index;
    for (RefRecord& s : sg.files) {
        for (RefRecord& t : tg.files) {
            if (s.path == t.path) {
                s.matched = t.matched = true;
                continue;
            }
            const auto reverse = index.find({t.path, s.path});
            if (reverse != index.end()) {
                found[reverse->second].mutual = 1;
                s.matched = t.matched = true;
                continue;
            }
            if (!SameFiles(s.path, t.path)) continue;
            s.matched = t.matched = true;
            SamePairRec rec;
            std::tie(rec.name1, rec.folder1) = Split(s.path);
            std::tie(rec.name2, rec.folder2) = Split(t.path);
            rec.size = sg.size;
            index[{s.path, t.path}] = found.size();
            found.push_back(rec);
        }
    }
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        out_.log.push_back(SameLine(Join(it->folder1, it->name1), Join(it->folder2, it->name2)));
        out_.pairs.push_back(*it);
    }
}

// ---- source archive entries against plain target files ----

void PairwiseReference::CompareSourceArchives(RefList& src, RefList& dst) {
    WalkGroups(src, dst, [this](RefGroup& s, RefGroup& t) { SourceArchiveGroup(s, t); });
}

void PairwiseReference::SourceArchiveGroup(RefGroup& sg, RefGroup& tg) {
    for (RefRecord& s : sg.files) {
        const std::optional<std::string> x = Extract(s.path, s.entry);
        if (!x) continue;
        for (RefRecord& t : tg.files) {
            const std::optional<Bytes>& target = Read(t.path);
            // The extracted copy is a file of its own: never the target's inode.
            if (!target || target->data != *x) continue;
            s.matched = t.matched = true;
            out_.log.push_back(SameLine(Label(s.path, s.entry), t.path));
            SamePairRec rec;
            rec.name1 = s.entry;
            rec.folder1 = s.path;
            std::tie(rec.name2, rec.folder2) = Split(t.path);
            rec.size = sg.size;
            out_.pairs.push_back(rec);
        }
    }
}

// ---- files and archives ----

const std::optional<PairwiseReference::Bytes>& PairwiseReference::Read(const std::string& path) {
    const auto known = files_.find(path);
    if (known != files_.end()) return known->second;
    std::optional<Bytes>& slot = files_[path];
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return slot;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        Bytes b;
        b.device = st.st_dev;
        b.inode = st.st_ino;
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            b.data.append(buffer, static_cast<std::size_t>(got));
        }
        slot = std::move(b);
    }
    ::close(fd);
    return slot;
}

bool PairwiseReference::SameFiles(const std::string& a, const std::string& b) {
    const std::optional<Bytes>& x = Read(a);
    const std::optional<Bytes>& y = Read(b);
    if (!x || !y) return false;
    if (x->device == y->device && x->inode == y->inode) return false;
    return x->data == y->data;
}

std::optional<std::string> PairwiseReference::Extract(const std::string& archivePath,
                                                      const std::string& entry) {
    auto& slot = archives_[archivePath];
    if (!slot) {
        // libarchive hands out names in the thread's charset; the test
        // process has none set, so one is lent for the read.
        Utf8Names utf8;
        archive* a = archive_read_new();
        archive_read_support_format_zip(a);
        archive_read_support_filter_all(a);
        if (archive_read_open_filename(a, archivePath.c_str(), 65536) == ARCHIVE_OK) {
            std::map<std::string, std::string> entries;
            archive_entry* e = nullptr;
            for (int rc = archive_read_next_header(a, &e); rc == ARCHIVE_OK;
                 rc = archive_read_next_header(a, &e)) {
                if (archive_entry_filetype(e) != AE_IFREG) continue;
                const char* name = archive_entry_pathname_utf8(e);
                std::string data;
                char buffer[65536];
                la_ssize_t got;
                while ((got = archive_read_data(a, buffer, sizeof buffer)) > 0) {
                    data.append(buffer, static_cast<std::size_t>(got));
                }
                if (name != nullptr) entries[name] = std::move(data);
            }
            slot = std::move(entries);
        }
        archive_read_free(a);
    }
    struct stat st;
    if (slot && ::lstat(archivePath.c_str(), &st) == 0) {
        const auto it = slot->find(entry);
        if (it != slot->end()) return it->second;
    }
    return std::nullopt;
}

}  // namespace nebu::test
