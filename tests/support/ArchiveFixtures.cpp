#include "support/ArchiveFixtures.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <iconv.h>
#include <locale.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "support/TempTree.h"

extern char** environ;

namespace nebu::test {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what);
}

// Runs a tool in `cwd` with a fixed, locale-independent environment; the
// tool's own output is discarded. Returns the exit status, -1 when it could
// not be started or did not exit normally.
int RunTool(const std::vector<std::string>& argv, const std::string& cwd,
            const std::vector<std::string>& extraEnv) {
    std::vector<std::string> env = {"PATH=/usr/local/bin:/usr/bin:/bin", "LC_ALL=C.UTF-8"};
    if (const char* home = std::getenv("JAVA_HOME"))
        env.push_back(std::string("JAVA_HOME=") + home);
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ToolExists(const std::string& name) {
    for (const char* dir : {"/usr/local/bin/", "/usr/bin/", "/bin/"}) {
        if (::access((std::string(dir) + name).c_str(), X_OK) == 0) return true;
    }
    return false;
}

std::string TrimSlash(std::string name) {
    while (!name.empty() && name.back() == '/') name.pop_back();
    return name;
}

void PutLe16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void PutLe32(std::string& out, std::uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

std::uint32_t Crc32(const std::string& data) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char ch : data) crc = table[(crc ^ ch) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// CRC-16/ARC as LHA uses it for data and level-2 headers.
std::uint16_t Crc16(const std::string& data) {
    std::uint16_t crc = 0;
    for (unsigned char ch : data) {
        crc ^= ch;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    WriteFile(path, bytes);
}

}  // namespace

std::string ToCp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) Fail("iconv cannot convert to CP932");
    std::string out(utf8.size() * 2 + 8, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* o = out.data();
    size_t outLeft = out.size();
    size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) Fail("no CP932 form for " + utf8);
    out.resize(out.size() - outLeft);
    return out;
}

namespace {

// Writes the items through a writer `setUp` has chosen the format of.
void WriteWithLibarchive(const std::string& path, const std::vector<ArchiveItem>& items,
                         bool utf8Names, const std::function<void(archive*)>& setUp) {
    // The tar and 7z writers convert UTF-8 names through the thread's
    // locale, which under CI may not be UTF-8; raw bytes pass only without one.
    const locale_t utf8 =
        utf8Names ? newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0)) : locale_t{};
    const locale_t previous = utf8 ? uselocale(utf8) : static_cast<locale_t>(0);
    struct Restore {
        locale_t utf8, previous;
        ~Restore() {
            if (previous) uselocale(previous);
            if (utf8) freelocale(utf8);
        }
    } restore{utf8, previous};
    archive* a = archive_write_new();
    setUp(a);
    if (archive_write_open_filename(a, path.c_str()) != ARCHIVE_OK) {
        archive_write_free(a);
        Fail("cannot create " + path);
    }
    for (const auto& item : items) {
        archive_entry* e = archive_entry_new();
        std::string name = item.name;
        if (item.type == ArchiveItem::Directory && (name.empty() || name.back() != '/'))
            name += '/';
        if (utf8Names) {
            archive_entry_set_pathname_utf8(e, name.c_str());
        } else {
            archive_entry_copy_pathname(e, ToCp932(name).c_str());
        }
        switch (item.type) {
            case ArchiveItem::File:
                archive_entry_set_filetype(e, AE_IFREG);
                archive_entry_set_perm(e, 0644);
                archive_entry_set_size(e, static_cast<la_int64_t>(item.content.size()));
                break;
            case ArchiveItem::Directory:
                archive_entry_set_filetype(e, AE_IFDIR);
                archive_entry_set_perm(e, 0755);
                archive_entry_set_size(e, 0);
                break;
            case ArchiveItem::Symlink:
                archive_entry_set_filetype(e, AE_IFLNK);
                archive_entry_set_perm(e, 0777);
                archive_entry_copy_symlink(e, item.linkTarget.c_str());
                archive_entry_set_size(e, 0);
                break;
        }
        archive_entry_set_mtime(e, 1700000000, 0);
        bool ok = archive_write_header(a, e) == ARCHIVE_OK;
        if (ok && item.type == ArchiveItem::File && !item.content.empty()) {
            ok = archive_write_data(a, item.content.data(), item.content.size()) ==
                 static_cast<la_ssize_t>(item.content.size());
        }
        archive_entry_free(e);
        if (!ok) {
            std::string err = archive_error_string(a) ? archive_error_string(a) : "";
            archive_write_free(a);
            Fail("cannot write entry " + item.name + ": " + err);
        }
    }
    int rc = archive_write_close(a);
    archive_write_free(a);
    if (rc != ARCHIVE_OK) Fail("cannot finish " + path);
}

}  // namespace

void MakeZip(const std::string& path, const std::vector<ArchiveItem>& items, bool utf8Names) {
    WriteWithLibarchive(path, items, utf8Names, [utf8Names](archive* a) {
        archive_write_set_format_zip(a);
        if (utf8Names) archive_write_set_format_option(a, "zip", "hdrcharset", "UTF-8");
    });
}

void MakeEncryptedZip(const std::string& path, const std::vector<ArchiveItem>& items,
                      const std::string& passphrase) {
    WriteWithLibarchive(path, items, true, [&](archive* a) {
        archive_write_set_format_zip(a);
        archive_write_set_format_option(a, "zip", "hdrcharset", "UTF-8");
        if (archive_write_set_format_option(a, "zip", "encryption", "zipcrypt") != ARCHIVE_OK ||
            archive_write_set_passphrase(a, passphrase.c_str()) != ARCHIVE_OK) {
            Fail("libarchive cannot encrypt ZIP entries");
        }
    });
}

void MakeArc(const std::string& path, const std::vector<ArchiveItem>& items, ArcWriter writer,
             bool shiftJisNames) {
    WriteWithLibarchive(path, items, !shiftJisNames, [&](archive* a) {
        if (writer == ArcWriter::SevenZip) {
            archive_write_set_format_7zip(a);
            return;
        }
        if (shiftJisNames) {
            archive_write_set_format_gnutar(a);
        } else {
            archive_write_set_format_pax_restricted(a);
        }
        int rc = ARCHIVE_OK;
        switch (writer) {
            case ArcWriter::TarGz:
                rc = archive_write_add_filter_gzip(a);
                break;
            case ArcWriter::TarBz2:
                rc = archive_write_add_filter_bzip2(a);
                break;
            case ArcWriter::TarXz:
                rc = archive_write_add_filter_xz(a);
                break;
            case ArcWriter::TarZst:
                rc = archive_write_add_filter_zstd(a);
                break;
            default:
                break;
        }
        if (rc != ARCHIVE_OK) Fail("libarchive cannot compress " + path);
    });
}

void MakeRar4(const std::string& path, const std::vector<ArchiveItem>& items) {
    // Each block: CRC16 (the low half of the CRC-32 of the rest), then the rest.
    auto block = [](const std::string& rest) {
        std::string out;
        PutLe16(out, Crc32(rest) & 0xFFFF);
        return out + rest;
    };
    std::string bytes = "Rar!\x1a\x07";
    bytes.push_back('\0');
    std::string main;
    main.push_back('\x73');
    PutLe16(main, 0);   // flags
    PutLe16(main, 13);  // header size
    PutLe16(main, 0);
    PutLe32(main, 0);
    bytes += block(main);
    for (const auto& item : items) {
        if (item.type == ArchiveItem::Symlink) Fail("MakeRar4 writes files and folders only");
        const bool folder = item.type == ArchiveItem::Directory;
        const std::string name = TrimSlash(item.name);
        const std::string& data = folder ? std::string() : item.content;
        std::string head;
        head.push_back('\x74');
        PutLe16(head, 0x8000 | (folder ? 0x00E0 : 0));  // data follows; a folder
        PutLe16(head, static_cast<std::uint32_t>(32 + name.size()));
        PutLe32(head, static_cast<std::uint32_t>(data.size()));  // packed
        PutLe32(head, static_cast<std::uint32_t>(data.size()));  // unpacked
        head.push_back('\x03');                                  // Unix
        PutLe32(head, Crc32(data));
        PutLe32(head, 0x57A14E00);  // DOS date and time
        head.push_back('\x14');     // version 2.0
        head.push_back('\x30');     // stored
        PutLe16(head, static_cast<std::uint32_t>(name.size()));
        PutLe32(head, folder ? 040755u : 0100644u);
        head += name;
        bytes += block(head) + data;
    }
    std::string end;
    end.push_back('\x7B');
    PutLe16(end, 0x4000);
    PutLe16(end, 7);
    bytes += block(end);
    WriteBytes(path, bytes);
}

bool MakeZipWithTool(const std::string& zipPath, const std::string& dir,
                     const std::vector<std::string>& relativeFiles) {
    if (!ToolExists("zip")) return false;
    std::vector<std::string> argv = {"zip", "-q", "-X", zipPath};
    argv.insert(argv.end(), relativeFiles.begin(), relativeFiles.end());
    return RunTool(argv, dir, {}) == 0 && Exists(zipPath);
}

bool HaveLzhTool() {
    return ToolExists("jlha");
}

void MakeLzh(const std::string& path, const std::vector<ArchiveItem>& items, int method,
             LzhNames names) {
    if (method < 5 || method > 7) Fail("jlha writes -lh5-, -lh6- and -lh7- only");
    if (!HaveLzhTool()) Fail("jlha is not installed (package jlha-utils)");
    TempTree work;
    std::vector<std::string> args;
    for (const auto& item : items) {
        std::string name = TrimSlash(item.name);
        switch (item.type) {
            case ArchiveItem::File:
                work.Write(name, item.content);
                args.push_back(name);
                break;
            case ArchiveItem::Directory:
                work.MakeDir(name);
                break;
            case ArchiveItem::Symlink:
                Fail("jlha cannot store symbolic links; use MakeRawLzh");
        }
    }
    // A folder handed to jlha brings everything beneath it along, so only
    // folders without other items below them are named.
    for (const auto& item : items) {
        if (item.type != ArchiveItem::Directory) continue;
        std::string name = TrimSlash(item.name);
        bool hasChildren = false;
        for (const auto& other : items) {
            if (&other != &item && other.name.compare(0, name.size() + 1, name + "/") == 0) {
                hasChildren = true;
            }
        }
        if (!hasChildren) args.push_back(name);
    }
    if (args.empty()) Fail("jlha cannot write an archive without entries");
    // The archive is written next to the items, then moved, so that a
    // relative target path still works.
    std::string tmpArchive = work / "out.lzh";
    std::vector<std::string> argv = {"jlha", "ao" + std::to_string(method), tmpArchive};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string encoding = names == LzhNames::Cp932 ? "MS932" : "UTF-8";
    int rc = RunTool(argv, work.Path(), {"JAVA_TOOL_OPTIONS=-Dlha.encoding=" + encoding});
    if (rc != 0 || !Exists(tmpArchive)) Fail("jlha failed to write " + path);
    WriteBytes(path, ReadFile(tmpArchive));
}

std::string SfxStub(std::size_t size) {
    std::string stub = "MZ";
    if (size > stub.size()) stub += RandomBytes(size - stub.size(), 0x5F5);
    return stub;
}

void MakeSfx(const std::string& exePath, const std::string& archivePath, const std::string& stub) {
    std::string archive = ReadFile(archivePath);
    if (archive.empty()) Fail("cannot read " + archivePath);
    WriteBytes(exePath, stub + archive);
}

void MakeCorruptCopy(const std::string& source, const std::string& target, Damage damage) {
    std::string bytes = ReadFile(source);
    if (bytes.size() < 4) Fail("too short to damage: " + source);
    std::size_t half = bytes.size() / 2;
    if (damage == Damage::Truncate) {
        bytes.resize(half);
    } else {
        std::string noise = RandomBytes(bytes.size() - half, 0xBAD);
        bytes.replace(half, noise.size(), noise);
    }
    WriteBytes(target, bytes);
}

void MakeGarbage(const std::string& path, std::size_t size) {
    WriteBytes(path, RandomBytes(size, 0x6A5B));
}

void MakeRawZip(const std::string& path, const std::vector<RawZipEntry>& entries) {
    std::string out, central;
    for (const auto& entry : entries) {
        std::string payload;
        if (entry.deflate) {
            // A deflate stream made of stored blocks needs no compressor.
            std::size_t pos = 0;
            do {
                std::size_t n = std::min<std::size_t>(entry.data.size() - pos, 65535);
                bool last = pos + n == entry.data.size();
                payload.push_back(last ? 1 : 0);
                PutLe16(payload, static_cast<std::uint32_t>(n));
                PutLe16(payload, static_cast<std::uint32_t>(~n & 0xFFFF));
                payload.append(entry.data, pos, n);
                pos += n;
            } while (pos < entry.data.size());
        } else {
            payload = entry.data;
        }
        std::uint32_t crc = Crc32(entry.data);
        std::uint32_t declared =
            entry.declaredSize.value_or(static_cast<std::uint32_t>(entry.data.size()));
        std::uint32_t flags = entry.utf8Flag ? 0x0800 : 0;
        std::uint32_t method = entry.deflate ? 8 : 0;
        auto offset = static_cast<std::uint32_t>(out.size());

        PutLe32(out, 0x04034b50);
        PutLe16(out, 20);
        PutLe16(out, flags);
        PutLe16(out, method);
        PutLe16(out, 0x6000);  // time
        PutLe16(out, 0x5781);  // date (2023-12-01)
        PutLe32(out, crc);
        PutLe32(out, static_cast<std::uint32_t>(entry.deflate ? payload.size() : declared));
        PutLe32(out, declared);
        PutLe16(out, static_cast<std::uint32_t>(entry.name.size()));
        PutLe16(out, 0);
        out += entry.name;
        out += payload;

        PutLe32(central, 0x02014b50);
        PutLe16(central, (3u << 8) | 30);  // made by Unix
        PutLe16(central, 20);
        PutLe16(central, flags);
        PutLe16(central, method);
        PutLe16(central, 0x6000);
        PutLe16(central, 0x5781);
        PutLe32(central, crc);
        PutLe32(central, static_cast<std::uint32_t>(entry.deflate ? payload.size() : declared));
        PutLe32(central, declared);
        PutLe16(central, static_cast<std::uint32_t>(entry.name.size()));
        PutLe16(central, 0);  // extra
        PutLe16(central, 0);  // comment
        PutLe16(central, 0);  // disk
        PutLe16(central, 0);  // internal attributes
        PutLe32(central, entry.unixMode << 16);
        PutLe32(central, offset);
        central += entry.name;
    }
    auto cdOffset = static_cast<std::uint32_t>(out.size());
    out += central;
    PutLe32(out, 0x06054b50);
    PutLe16(out, 0);
    PutLe16(out, 0);
    PutLe16(out, static_cast<std::uint32_t>(entries.size()));
    PutLe16(out, static_cast<std::uint32_t>(entries.size()));
    PutLe32(out, static_cast<std::uint32_t>(central.size()));
    PutLe32(out, cdOffset);
    PutLe16(out, 0);
    WriteBytes(path, out);
}

namespace {

std::string LzhLevel0Header(const RawLzhEntry& entry, std::uint32_t declared) {
    if (entry.name.size() > 200) Fail("level-0 name too long");
    std::string h;
    h.push_back(0);  // size, filled below
    h.push_back(0);  // checksum, filled below
    h += entry.directory ? "-lhd-" : "-lh0-";
    PutLe32(h, static_cast<std::uint32_t>(entry.data.size()));
    PutLe32(h, declared);
    PutLe16(h, 0x6000);  // DOS time
    PutLe16(h, 0x5781);  // DOS date
    h.push_back(0x20);
    h.push_back(0);  // level
    h.push_back(static_cast<char>(entry.name.size()));
    h += entry.name;
    PutLe16(h, Crc16(entry.data));
    h[0] = static_cast<char>(h.size() - 2);
    unsigned sum = 0;
    for (std::size_t i = 2; i < h.size(); ++i) sum += static_cast<unsigned char>(h[i]);
    h[1] = static_cast<char>(sum & 0xFF);
    return h;
}

void PutExtension(std::string& h, unsigned type, const std::string& data) {
    PutLe16(h, static_cast<std::uint32_t>(3 + data.size()));
    h.push_back(static_cast<char>(type));
    h += data;
}

std::string LzhLevel2Header(const RawLzhEntry& entry, std::uint32_t declared) {
    std::string dir, file = entry.name;
    if (auto slash = entry.name.rfind('/'); slash != std::string::npos) {
        dir = entry.name.substr(0, slash + 1);
        file = entry.name.substr(slash + 1);
    }
    if (entry.directory) {
        dir = entry.name;
        if (!dir.empty() && dir.back() != '/') dir += '/';
        file.clear();
    }
    for (auto& c : dir) {
        if (c == '/') c = static_cast<char>(0xFF);
    }
    bool symlink = !entry.symlinkTarget.empty();
    if (symlink) file += "|" + entry.symlinkTarget;

    std::string h;
    PutLe16(h, 0);  // size, filled below
    h += entry.directory ? "-lhd-" : "-lh0-";
    PutLe32(h, static_cast<std::uint32_t>(entry.data.size()));
    PutLe32(h, declared);
    PutLe32(h, 1700000000);
    h.push_back(0x20);
    h.push_back(2);
    PutLe16(h, Crc16(entry.data));
    h.push_back('U');
    std::size_t crcAt = h.size() + 3;
    PutExtension(h, 0x00, std::string(2, '\0'));
    PutExtension(h, 0x01, file);
    if (!dir.empty()) PutExtension(h, 0x02, dir);
    if (symlink) {
        std::string mode;
        PutLe16(mode, 0120777);
        PutExtension(h, 0x50, mode);
    }
    PutLe16(h, 0);                               // end of extensions
    if ((h.size() & 0xFF) == 0) h.push_back(0);  // a low byte of 0 would read as the end mark
    h[0] = static_cast<char>(h.size() & 0xFF);
    h[1] = static_cast<char>((h.size() >> 8) & 0xFF);
    std::uint16_t crc = Crc16(h);
    h[crcAt] = static_cast<char>(crc & 0xFF);
    h[crcAt + 1] = static_cast<char>(crc >> 8);
    return h;
}

}  // namespace

void MakeRawLzh(const std::string& path, const std::vector<RawLzhEntry>& entries, int level) {
    if (level != 0 && level != 2) Fail("raw LZH writes header levels 0 and 2");
    std::string out;
    for (const auto& entry : entries) {
        if (level == 0 && !entry.symlinkTarget.empty()) Fail("level-0 symlinks are not written");
        std::uint32_t declared =
            entry.declaredSize.value_or(static_cast<std::uint32_t>(entry.data.size()));
        out += level == 0 ? LzhLevel0Header(entry, declared) : LzhLevel2Header(entry, declared);
        out += entry.data;
    }
    out.push_back(0);
    WriteBytes(path, out);
}

}  // namespace nebu::test
