#include "PairwiseReference.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace nebu::test {

namespace {

std::pair<std::string, std::string> Split(const std::string& path) {
    const std::size_t at = path.rfind('/');
    return {path.substr(at + 1), path.substr(0, at)};
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

std::string SameLine(const std::string& a, const std::string& b) {
    return "｢" + a + "｣と｢" + b + "｣が同じです。";
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

std::string QuestionText(const std::string& text, MsgButtons buttons) {
    return "message " + std::to_string(static_cast<int>(buttons)) + ": " + text;
}

std::string ChoiceText(const DeleteChoice& c) {
    return "choice: " + c.Fname1 + " | " + c.Dname1 + " | " + c.Fname2 + " | " + c.Dname2;
}

// ---- the walk by size ----

template <typename GroupFn>
void PairwiseReference::WalkGroups(RefList& src, RefList& dst, GroupFn&& group) {
    if (src.empty() || dst.empty()) return;
    std::size_t i = 0;
    std::size_t j = 0;
    while (!stop_) {
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
    WalkGroups(src, dst, [this](RefGroup& s, RefGroup& t) {
        PlainGroup(s, t);
        if (!pairs_.empty()) ResolvePairs(s.size);
        pairs_.clear();
        pairIndex_.clear();
        sideIndex_.clear();
        ids_.clear();
        paths_.clear();
    });
    out_.stopped = stop_;
}

int PairwiseReference::IdOf(const std::string& path) {
    const auto [it, added] = ids_.emplace(path, static_cast<int>(paths_.size()));
    if (added) {
        const auto [name, folder] = Split(path);
        paths_.push_back({name, folder, nullptr});
    }
    return it->second;
}

void PairwiseReference::PlainGroup(RefGroup& sg, RefGroup& tg) {
    std::vector<int> targetIds;
    for (const RefRecord& t : tg.files) targetIds.push_back(IdOf(t.path));
    for (RefRecord& s : sg.files) {
        if (stop_) break;
        if (!s.alive) continue;
        const int sid = IdOf(s.path);
        for (std::size_t k = 0; k < tg.files.size(); ++k) {
            if (stop_) break;
            RefRecord& t = tg.files[k];
            if (!t.alive) continue;
            const int tid = targetIds[k];
            if (FindReversePair(sid, tid) || sid == tid) {
                s.matched = t.matched = true;
                continue;
            }
            if (SameFiles(sid, tid)) {
                s.matched = t.matched = true;
                AddPair(sid, tid);
            }
        }
    }
}

void PairwiseReference::ResolvePairs(std::int64_t sizeKey) {
    // Newest first; a pair dropped on the way is skipped when reached.
    for (std::size_t k = pairs_.size(); k-- > 0 && !stop_;) {
        if (!pairs_[k].active) continue;
        SamePairRec rec = pairs_[k].rec;
        const std::string srcPath = Join(rec.folder1, rec.name1);
        const std::string dstPath = Join(rec.folder2, rec.name2);
        const std::string line = SameLine(srcPath, dstPath);
        out_.log.push_back(line);

        enum { Yes, No, Cancel } answer = Yes;
        bool deleteSource = false;
        if (settings_.noDelete) {
            answer = No;
        } else if (settings_.delConfirm && !rec.mutual) {
            const MsgAnswer a =
                Ask(line + "\n｢" + dstPath + "｣を削除してよいですか？", MsgButtons::YesNoCancel);
            answer = a == MsgAnswer::Yes ? Yes : a == MsgAnswer::No ? No : Cancel;
        } else if (settings_.delConfirm) {
            DeleteChoice choice;
            choice.Fname1 = rec.name1;
            choice.Dname1 = rec.folder1;
            choice.Fname2 = rec.name2;
            choice.Dname2 = rec.folder2;
            switch (AskChoice(choice)) {
                case DelAnswer::DeleteFirst:
                    deleteSource = true;
                    break;
                case DelAnswer::DeleteSecond:
                    break;
                case DelAnswer::DeleteNeither:
                    answer = No;
                    break;
                default:
                    answer = Cancel;
                    break;
            }
        }
        if (answer == Cancel) stop_ = fileFuncStop_ = true;

        if (answer == Yes) {
            const std::string& doomed = deleteSource ? srcPath : dstPath;
            const std::string& kept = deleteSource ? dstPath : srcPath;
            if (RemoveDuplicate(doomed, kept)) {
                out_.log.push_back("｢" + doomed + "｣を削除しました。");
                DropPairsOf(IdOf(doomed));
                continue;
            }
        }
        rec.size = sizeKey;
        out_.pairs.push_back(rec);
    }
}

namespace {
std::uint64_t PairKey(int src, int dst) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(src)) << 32) |
           static_cast<std::uint32_t>(dst);
}
}  // namespace

bool PairwiseReference::FindReversePair(int src, int dst) {
    const auto it = pairIndex_.find(PairKey(dst, src));
    if (it == pairIndex_.end()) return false;
    pairs_[it->second].rec.mutual = 1;
    return true;
}

void PairwiseReference::AddPair(int src, int dst) {
    Pair p;
    p.rec.name1 = paths_[src].name;
    p.rec.folder1 = paths_[src].folder;
    p.rec.name2 = paths_[dst].name;
    p.rec.folder2 = paths_[dst].folder;
    const std::size_t index = pairs_.size();
    pairs_.push_back(p);
    pairIndex_[PairKey(src, dst)] = index;
    sideIndex_[src].push_back(index);
    sideIndex_[dst].push_back(index);
}

void PairwiseReference::DropPairsOf(int id) {
    for (std::size_t index : sideIndex_[id]) pairs_[index].active = false;
}

// ---- source archive entries against plain target files ----

void PairwiseReference::CompareSourceArchives(RefList& src, RefList& dst) {
    WalkGroups(src, dst, [this](RefGroup& s, RefGroup& t) { SourceArchiveGroup(s, t); });
    out_.stopped = stop_;
}

void PairwiseReference::SourceArchiveGroup(RefGroup& sg, RefGroup& tg) {
    for (RefRecord& s : sg.files) {
        if (stop_) break;
        if (!s.alive) continue;
        const std::optional<std::string> x = Extract(s.path, s.entry);
        if (x) {
            for (RefRecord& t : tg.files) {
                if (stop_) break;
                if (!t.alive) continue;
                const std::optional<Bytes>& target = Read(t.path);
                // The extracted copy is a file of its own: never the target's inode.
                if (!target || target->data != *x) continue;

                s.matched = t.matched = true;
                const std::string line = SameLine(Label(s.path, s.entry), t.path);
                out_.log.push_back(line);
                MsgAnswer answer = MsgAnswer::Yes;
                if (settings_.noDelete) {
                    answer = MsgAnswer::No;
                } else if (settings_.delConfirm) {
                    answer = Ask(line + "\n｢" + t.path + "｣を削除してよいですか？",
                                 MsgButtons::YesNoCancel);
                    if (answer != MsgAnswer::Yes && answer != MsgAnswer::No) {
                        answer = MsgAnswer::Cancel;
                        stop_ = fileFuncStop_ = true;
                    }
                }
                if (answer == MsgAnswer::Yes && RemoveDuplicate(t.path, s.path)) {
                    out_.log.push_back("｢" + t.path + "｣を削除しました。");
                    t.alive = false;
                    continue;
                }
                SamePairRec rec;
                rec.name1 = s.entry;
                rec.folder1 = s.path;
                std::tie(rec.name2, rec.folder2) = Split(t.path);
                rec.size = sg.size;
                out_.pairs.push_back(rec);
            }
        }
        if (fileFuncStop_) stop_ = true;
    }
}

// ---- files, archives, deletion, questions ----

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

bool PairwiseReference::SameFiles(int a, int b) {
    if (a == b) return false;
    for (int id : {a, b}) {
        if (paths_[id].bytes == nullptr) {
            paths_[id].bytes = &Read(Join(paths_[id].folder, paths_[id].name));
        }
    }
    const std::optional<Bytes>& x = *paths_[a].bytes;
    const std::optional<Bytes>& y = *paths_[b].bytes;
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
    if (Ask("圧縮ファイル｢" + archivePath + "｣の解凍にしっぱいしちゃった。\n作業を続けますか?",
            MsgButtons::YesNo) == MsgAnswer::No) {
        fileFuncStop_ = true;
    }
    return std::nullopt;
}

bool PairwiseReference::RemoveDuplicate(const std::string& doomed, const std::string& kept) {
    struct stat d;
    struct stat k;
    if (::lstat(doomed.c_str(), &d) != 0 || ::lstat(kept.c_str(), &k) != 0) return false;
    if (d.st_dev == k.st_dev && d.st_ino == k.st_ino) return false;
    if (::unlink(doomed.c_str()) != 0) return false;
    files_.erase(doomed);
    return true;
}

MsgAnswer PairwiseReference::Ask(const std::string& text, MsgButtons buttons) {
    out_.questions.push_back(QuestionText(text, buttons));
    if (answers_.messages.empty()) return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No;
    const MsgAnswer a = answers_.messages.front();
    answers_.messages.pop_front();
    return a;
}

DelAnswer PairwiseReference::AskChoice(const DeleteChoice& choice) {
    out_.questions.push_back(ChoiceText(choice));
    if (answers_.choices.empty()) return DelAnswer::DeleteNeither;
    const DelAnswer a = answers_.choices.front();
    answers_.choices.pop_front();
    return a;
}

}  // namespace nebu::test
