#include "platform/ArchiveStream.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/ArchiveNames.h"
#include "platform/Cp932.h"
#include "platform/FileReading.h"
#include "platform/LibArchive.h"
#include "platform/PathOpen.h"

namespace nebu::platform {

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;
// A local header with its name fits in this; a listing that jumps from
// header to header then copies little more than the headers.
constexpr std::size_t kFirstRead = 512;
// How far into a file an LZH archive is looked for behind a stub.
constexpr std::uint64_t kLzhScanLimit = 1024 * 1024;
// An end-of-central-directory record and the longest comment after it.
constexpr std::uint64_t kZipEndSize = 22;
constexpr std::uint64_t kZipTailLimit = kZipEndSize + 0xFFFF;

// libarchive converts names to the thread's locale charset; with no locale
// set (as under CI) names outside ASCII would be lost or fail the header.
// The calls run under a UTF-8 character type on this thread only.
locale_t Utf8Locale() {
    static const locale_t locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            if (locale_t l = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0))) return l;
        }
        return static_cast<locale_t>(0);
    }();
    return locale;
}

class Utf8LocaleScope {
  public:
    Utf8LocaleScope() {
        if (locale_t utf8 = Utf8Locale()) previous_ = uselocale(utf8);
    }
    ~Utf8LocaleScope() {
        if (previous_) uselocale(previous_);
    }
    Utf8LocaleScope(const Utf8LocaleScope&) = delete;
    Utf8LocaleScope& operator=(const Utf8LocaleScope&) = delete;

  private:
    locale_t previous_ = static_cast<locale_t>(0);
};

std::uint16_t Le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t Le64(const unsigned char* p) {
    return static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
}

// Reads up to `size` bytes at `offset`; the count read (short only at the end).
std::size_t ReadAt(int fd, std::uint64_t offset, unsigned char* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::uint64_t FileSize(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

// Where the ZIP archive in the file begins: 0 for a plain archive (or a
// self-extractor whose offsets were adjusted), the stub's length otherwise.
// Found from the end-of-central-directory record, which must close the file.
std::optional<std::uint64_t> FindZipStart(int fd, std::uint64_t fileSize) {
    if (fileSize < kZipEndSize) return std::nullopt;
    std::uint64_t tailSize = std::min(fileSize, kZipTailLimit + 20 + 56);
    std::vector<unsigned char> tail(tailSize);
    std::uint64_t tailStart = fileSize - tailSize;
    if (ReadAt(fd, tailStart, tail.data(), tail.size()) != tail.size()) return std::nullopt;

    for (std::uint64_t pos = tailSize - kZipEndSize + 1; pos-- > 0;) {
        const unsigned char* e = tail.data() + pos;
        if (std::memcmp(e, "PK\5\6", 4) != 0) continue;
        if (pos + kZipEndSize + Le16(e + 20) != tailSize) continue;
        if (Le16(e + 4) != 0 || Le16(e + 6) != 0) return std::nullopt;  // multi-disk
        std::uint64_t entries = Le16(e + 10);
        std::uint64_t cdSize = Le32(e + 12);
        std::uint64_t cdOffset = Le32(e + 16);
        std::uint64_t cdEnd = tailStart + pos;
        if (entries == 0xFFFF || cdSize == 0xFFFFFFFF || cdOffset == 0xFFFFFFFF) {
            // ZIP64: the locator precedes the record, the ZIP64 record precedes it.
            if (pos < 20 + 56) return std::nullopt;
            const unsigned char* locator = e - 20;
            const unsigned char* record = locator - 56;
            if (std::memcmp(locator, "PK\6\7", 4) != 0 || std::memcmp(record, "PK\6\6", 4) != 0) {
                return std::nullopt;
            }
            entries = Le64(record + 32);
            cdSize = Le64(record + 40);
            cdOffset = Le64(record + 48);
            cdEnd = tailStart + pos - 20 - 56;
        }
        if (cdSize > cdEnd || cdOffset > cdEnd - cdSize) return std::nullopt;
        std::uint64_t start = cdEnd - cdSize - cdOffset;
        if (entries > 0) {
            unsigned char sig[4];
            if (ReadAt(fd, start + cdOffset, sig, 4) != 4 || std::memcmp(sig, "PK\1\2", 4) != 0) {
                return std::nullopt;
            }
        }
        return start;
    }
    return std::nullopt;
}

// A quick look at whether an LZH header begins at `p`; libarchive then reads
// it properly. Level 0 and 1 headers carry a checksum that is checked here.
bool LooksLikeLzhHeader(const unsigned char* p, std::size_t avail) {
    if (avail < 24 || p[2] != '-' || p[3] != 'l' || p[6] != '-') return false;
    unsigned level = p[20];
    if (p[4] == 'h') {
        if (!((p[5] >= '0' && p[5] <= '7') || p[5] == 'd')) return false;
    } else if (p[4] == 'z') {
        if (!(p[5] == 's' || p[5] == '4' || p[5] == '5') || level != 0) return false;
    } else {
        return false;
    }
    switch (level) {
        case 0:
        case 1: {
            std::size_t headerSize = static_cast<std::size_t>(p[0]) + 2;
            if (headerSize < 24 || headerSize > avail) return false;
            if (level == 1 && p[19] != 0x20) return false;
            unsigned sum = 0;
            for (std::size_t i = 2; i < headerSize; ++i) sum += p[i];
            return (sum & 0xFF) == p[1];
        }
        case 2:
            return p[19] == 0x20 && Le16(p) >= 26;
        case 3:
            return p[19] == 0x20 && Le16(p) == 4;
        default:
            return false;
    }
}

StoredEntry DescribeEntry(const LibArchive& la, archive_entry* e, ArchiveFormat format) {
    StoredEntry entry;
    const char* raw = la.archive_entry_pathname(e);
    if (!raw) raw = la.archive_entry_pathname_utf8(e);
    if (raw && *raw) {
        if (format == ArchiveFormat::Lzh) {
            // LZH names are read as Latin-1 so that no byte is lost; a header
            // that names its code page has been decoded by libarchive already.
            if (auto bytes = Latin1Bytes(raw)) {
                entry.name = DecodeStoredName(*bytes);
            } else {
                entry.name = IsValidUtf8(raw) ? std::string(raw) : DecodeStoredName(raw);
            }
        } else {
            // ZIP names flagged UTF-8 arrive as UTF-8, the others as stored.
            entry.name = DecodeStoredName(raw);
        }
    }
    entry.sizeKnown = la.archive_entry_size_is_set(e) != 0;
    entry.size = entry.sizeKnown ? static_cast<std::uint64_t>(la.archive_entry_size(e)) : 0;
    switch (la.archive_entry_filetype(e)) {
        case AE_IFREG:
            entry.type = la.archive_entry_hardlink(e) ? StoredEntry::Other : StoredEntry::File;
            break;
        case AE_IFDIR:
            entry.type = StoredEntry::Directory;
            entry.size = 0;
            if (!entry.name.empty() && entry.name.back() != '/') entry.name += '/';
            break;
        default:
            entry.type = StoredEntry::Other;
            break;
    }
    if (entry.name.empty()) entry.type = StoredEntry::Other;
    return entry;
}

}  // namespace

// The byte range [base, end of file) of the archive file, as libarchive reads it.
struct ArchiveStream::Source {
    const LibArchive* api = nullptr;
    int fd = -1;
    std::uint64_t base = 0;
    std::uint64_t length = 0;
    std::uint64_t pos = 0;
    // Reads start small after every jump (the ZIP reader visits each local
    // header, the LZH reader skips data it was not asked for) and grow
    // while reading on.
    std::size_t nextRead = kFirstRead;
    // Not zero-filled: every byte handed out has been read first.
    std::unique_ptr<unsigned char[]> buffer =
        std::make_unique_for_overwrite<unsigned char[]>(kBlockSize);

    static la_ssize_t Read(archive* a, void* data, const void** block) {
        auto* s = static_cast<Source*>(data);
        *block = s->buffer.get();
        if (s->pos >= s->length) return 0;
        std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(s->nextRead, s->length - s->pos));
        s->nextRead = std::min(s->nextRead * 2, kBlockSize);
        for (;;) {
            ssize_t n = pread(s->fd, s->buffer.get(), want, static_cast<off_t>(s->base + s->pos));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                s->api->archive_set_error(a, errno, "read error");
                return ARCHIVE_FATAL;
            }
            s->pos += static_cast<std::uint64_t>(n);
            CountBytesRead(n);
            return n;
        }
    }

    static la_int64_t Skip(archive*, void* data, la_int64_t request) {
        auto* s = static_cast<Source*>(data);
        if (request <= 0) return 0;
        std::uint64_t step = std::min<std::uint64_t>(static_cast<std::uint64_t>(request),
                                                     s->length - std::min(s->pos, s->length));
        s->pos += step;
        s->nextRead = kFirstRead;
        return static_cast<la_int64_t>(step);
    }

    static la_int64_t Seek(archive*, void* data, la_int64_t offset, int whence) {
        auto* s = static_cast<Source*>(data);
        la_int64_t origin = whence == SEEK_SET   ? 0
                            : whence == SEEK_CUR ? static_cast<la_int64_t>(s->pos)
                                                 : static_cast<la_int64_t>(s->length);
        la_int64_t target = origin + offset;
        if (target < 0) return ARCHIVE_FATAL;
        if (static_cast<std::uint64_t>(target) != s->pos) s->nextRead = kFirstRead;
        s->pos = static_cast<std::uint64_t>(target);
        return target;
    }
};

ArchiveStream::ArchiveStream(int fd, ArchiveFormat format) : fd_(fd), format_(format) {}

ArchiveStream::~ArchiveStream() {
    if (reader_) {
        Utf8LocaleScope scope;
        api_->archive_read_free(reader_);
    }
    close(fd_);
}

bool ArchiveStream::Start(std::uint64_t offset) {
    // Looked up only once a file looks like an archive: runs that read none
    // never load the library. Without it every archive is unreadable.
    if (!api_) api_ = LibArchive::Get();
    if (!api_) return false;
    const LibArchive& la = *api_;
    Utf8LocaleScope scope;
    if (reader_) {
        la.archive_read_free(reader_);
        reader_ = nullptr;
    }
    pending_.reset();
    finished_ = false;
    std::uint64_t size = FileSize(fd_);
    if (offset >= size) return false;
    source_ = std::make_unique<Source>();
    source_->api = api_;
    source_->fd = fd_;
    source_->base = offset;
    source_->length = size - offset;

    reader_ = la.archive_read_new();
    if (!reader_) return false;
    switch (format_) {
        case ArchiveFormat::Lzh:
            la.archive_read_support_format_lha(reader_);
            la.archive_read_set_format_option(reader_, "lha", "hdrcharset", "ISO-8859-1");
            break;
        case ArchiveFormat::Zip:
            la.archive_read_support_format_zip(reader_);
            break;
        case ArchiveFormat::Arc:
            // Only these: a reader for every format would take any file
            // (raw data, ISO images, mtree texts) for an archive.
            la.archive_read_support_format_7zip(reader_);
            la.archive_read_support_format_tar(reader_);
            la.archive_read_support_format_rar(reader_);
            la.archive_read_support_format_rar5(reader_);
            la.archive_read_support_filter_gzip(reader_);
            la.archive_read_support_filter_bzip2(reader_);
            la.archive_read_support_filter_xz(reader_);
            la.archive_read_support_filter_zstd(reader_);
            break;
    }
    la.archive_read_set_callback_data(reader_, source_.get());
    la.archive_read_set_read_callback(reader_, &Source::Read);
    la.archive_read_set_skip_callback(reader_, &Source::Skip);
    la.archive_read_set_seek_callback(reader_, &Source::Seek);
    if (la.archive_read_open1(reader_) != ARCHIVE_OK) return false;

    // An archive whose first header cannot be read is no archive.
    archive_entry* e = nullptr;
    int rc = la.archive_read_next_header(reader_, &e);
    if (rc == ARCHIVE_EOF) {
        finished_ = true;
        return true;
    }
    if (rc != ARCHIVE_OK && rc != ARCHIVE_WARN) return false;
    pending_ = DescribeEntry(la, e, format_);
    return true;
}

std::unique_ptr<ArchiveStream> ArchiveStream::Open(const std::string& path, ArchiveFormat format) {
    // Non-blocking, so that a FIFO in the archive's place cannot hang us.
    int fd = OpenPath(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    std::unique_ptr<ArchiveStream> stream(new ArchiveStream(fd, format));
    std::uint64_t size = static_cast<std::uint64_t>(st.st_size);

    if (format == ArchiveFormat::Zip) {
        auto start = FindZipStart(fd, size);
        if (start && stream->Start(*start)) return stream;
        return nullptr;
    }
    // libarchive finds these itself, behind a stub too (7z and RAR).
    if (format == ArchiveFormat::Arc) return stream->Start(0) ? std::move(stream) : nullptr;

    std::vector<unsigned char> head(static_cast<std::size_t>(std::min<std::uint64_t>(size, 4096)));
    head.resize(ReadAt(fd, 0, head.data(), head.size()));
    if (LooksLikeLzhHeader(head.data(), head.size())) {
        return stream->Start(0) ? std::move(stream) : nullptr;
    }
    // Behind a stub. A ZIP archive's own contents (a stored LZH file) are
    // not taken for an LZH archive: the search ends where a ZIP begins.
    std::uint64_t limit = std::min(size, kLzhScanLimit);
    if (auto zip = FindZipStart(fd, size)) limit = std::min(limit, *zip);
    std::vector<unsigned char> window(static_cast<std::size_t>(std::min(size, limit + 4096)));
    window.resize(ReadAt(fd, 0, window.data(), window.size()));
    for (std::uint64_t pos = 1; pos < limit && pos < window.size(); ++pos) {
        if (window.size() - pos < 24) break;
        const unsigned char* p = window.data() + pos;
        if (p[2] != '-') continue;
        if (LooksLikeLzhHeader(p, window.size() - pos) && stream->Start(pos)) return stream;
    }
    return nullptr;
}

bool ArchiveStream::Recognises(const std::string& path, ArchiveFormat format) {
    auto stream = Open(path, format);
    if (!stream) return false;
    // The tar reader takes a run of zero bytes for an empty archive; by its
    // content alone, only an archive holding something is one.
    if (format == ArchiveFormat::Arc) return stream->pending_.has_value();
    if (format == ArchiveFormat::Zip) {
        // An LZH archive never passes for a ZIP because of a ZIP it stores.
        unsigned char head[64];
        std::size_t n = ReadAt(stream->fd_, 0, head, sizeof head);
        if (LooksLikeLzhHeader(head, n)) return false;
    }
    return true;
}

ArchiveStream::Step ArchiveStream::Next(StoredEntry& entry) {
    if (pending_) {
        entry = std::move(*pending_);
        pending_.reset();
        return Step::Entry;
    }
    if (finished_) return Step::End;
    Utf8LocaleScope scope;
    archive_entry* e = nullptr;
    int rc = api_->archive_read_next_header(reader_, &e);
    if (rc == ARCHIVE_OK || rc == ARCHIVE_WARN) {
        entry = DescribeEntry(*api_, e, format_);
        return Step::Entry;
    }
    finished_ = true;
    return rc == ARCHIVE_EOF ? Step::End : Step::Error;
}

bool ArchiveStream::CopyData(int fd, std::uint64_t declared, std::string& error) {
    return CopyDataTo(declared, error, [fd](const char* data, std::size_t size) {
        return WriteAll(fd, data, size);
    });
}

bool ArchiveStream::CopyData(std::string& out, std::uint64_t declared, std::string& error) {
    // Read straight into the text, one byte more than declared so that an
    // entry holding more shows.
    constexpr std::uint64_t kDirect = 1 << 20;
    if (declared >= kDirect) {
        out.clear();
        return CopyDataTo(declared, error, [&out](const char* data, std::size_t size) {
            out.append(data, size);
            return true;
        });
    }
    Utf8LocaleScope scope;
    out.resize(static_cast<std::size_t>(declared) + 1);
    std::size_t have = 0;
    for (;;) {
        la_ssize_t n = api_->archive_read_data(reader_, out.data() + have, out.size() - have);
        if (n == 0) break;
        if (n < 0) return DataFailed(error);
        have += static_cast<std::size_t>(n);
        if (have > declared) {
            error = "the entry holds more data than its header declares";
            return false;
        }
    }
    if (have != declared) {
        error = "the entry holds less data than its header declares";
        return false;
    }
    out.resize(have);
    return true;
}

// A read of an entry's data failed: the stream cannot go on after it.
bool ArchiveStream::DataFailed(std::string& error) {
    const char* why = api_->archive_error_string(reader_);
    error = why ? why : "the entry's data cannot be read";
    finished_ = true;
    return false;
}

bool ArchiveStream::CopyDataTo(std::uint64_t declared, std::string& error,
                               const std::function<bool(const char*, std::size_t)>& write) {
    Utf8LocaleScope scope;
    auto buffer = std::make_unique_for_overwrite<char[]>(kBlockSize);
    std::uint64_t written = 0;
    for (;;) {
        la_ssize_t n = api_->archive_read_data(reader_, buffer.get(), kBlockSize);
        if (n == 0) break;
        if (n < 0) return DataFailed(error);
        if (static_cast<std::uint64_t>(n) > declared - written) {
            error = "the entry holds more data than its header declares";
            return false;
        }
        if (!write(buffer.get(), static_cast<std::size_t>(n))) {
            error = std::string("cannot write: ") + std::strerror(errno);
            return false;
        }
        written += static_cast<std::uint64_t>(n);
    }
    if (written != declared) {
        error = "the entry holds less data than its header declares";
        return false;
    }
    return true;
}

}  // namespace nebu::platform
