#pragma once
// Real LZH and ZIP archives built at test time: libarchive and the Debian
// tools (jlha, zip) for ordinary archives, small hand-written encoders for
// the hostile ones no honest tool would produce. Every builder throws
// std::runtime_error when it cannot produce the archive.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nebu::test {

struct ArchiveItem {
    enum Type { File, Directory, Symlink };
    ArchiveItem(std::string name, std::string content = {}, Type type = File,
                std::string linkTarget = {})
        : name(std::move(name)),
          content(std::move(content)),
          type(type),
          linkTarget(std::move(linkTarget)) {}
    std::string name;  // UTF-8, "/" between folders; a directory may end in "/"
    std::string content;
    Type type = File;
    std::string linkTarget;  // Symlink only
};

// ZIP written by libarchive (deflate). utf8Names: names carry the UTF-8 flag;
// otherwise they are stored as raw CP932 bytes without the flag, as Japanese
// Windows archivers write them.
void MakeZip(const std::string& path, const std::vector<ArchiveItem>& items, bool utf8Names = true);

// 7z and tar archives written by libarchive. A 7z archive is solid (every
// entry in one LZMA stream); tar names are UTF-8 (pax) unless shiftJisNames
// stores them as raw CP932 bytes (GNU tar).
enum class ArcWriter { SevenZip, Tar, TarGz, TarBz2, TarXz, TarZst };
void MakeArc(const std::string& path, const std::vector<ArchiveItem>& items, ArcWriter writer,
             bool shiftJisNames = false);
// ZIP whose file entries are encrypted (ZipCrypto) with `passphrase`.
void MakeEncryptedZip(const std::string& path, const std::vector<ArchiveItem>& items,
                      const std::string& passphrase);
// RAR 4 written by hand (no free tool writes RAR): stored (method 0x30)
// files and folders, names as UTF-8 bytes.
void MakeRar4(const std::string& path, const std::vector<ArchiveItem>& items);

// ZIP written by Info-ZIP's zip, run inside `dir` on the given relative
// paths (a folder adds its own entry only; zipPath should be absolute).
// Names end up as UTF-8 bytes without the UTF-8 flag. False when the tool
// is missing or fails.
bool MakeZipWithTool(const std::string& zipPath, const std::string& dir,
                     const std::vector<std::string>& relativeFiles);

enum class LzhNames { Cp932, Utf8 };

// LZH written by the real archiver jlha, from a temporary folder holding the
// items. method 5, 6 or 7 chooses -lh5-/-lh6-/-lh7-; jlha falls back to
// -lh0- for data that does not shrink (short or random contents). Names are
// CP932 by default. jlha recurses into folders it is given, so a Directory
// item gets its own entry only when no other item lies beneath it. Symlink
// items are not supported (use MakeRawLzh).
void MakeLzh(const std::string& path, const std::vector<ArchiveItem>& items, int method = 5,
             LzhNames names = LzhNames::Cp932);
bool HaveLzhTool();

// Self-extracting stand-in: `stub` followed by the bytes of the archive.
std::string SfxStub(std::size_t size = 3000);  // "MZ" + deterministic bytes
void MakeSfx(const std::string& exePath, const std::string& archivePath,
             const std::string& stub = SfxStub());

// Damaged copies of a valid archive.
enum class Damage {
    Truncate,  // only the first half of the bytes
    Garble,    // the second half overwritten with pseudo-random bytes
};
void MakeCorruptCopy(const std::string& source, const std::string& target, Damage damage);
// A file that is no archive at all (pseudo-random bytes).
void MakeGarbage(const std::string& path, std::size_t size = 4096);

// Hand-written ZIP for hostile cases. Names are raw bytes.
struct RawZipEntry {
    RawZipEntry(std::string name, std::string data,
                std::optional<std::uint32_t> declaredSize = std::nullopt, bool deflate = false,
                bool utf8Flag = false, std::uint32_t unixMode = 0100644)
        : name(std::move(name)),
          data(std::move(data)),
          declaredSize(declaredSize),
          deflate(deflate),
          utf8Flag(utf8Flag),
          unixMode(unixMode) {}
    std::string name;
    std::string data;                           // the bytes the entry really holds
    std::optional<std::uint32_t> declaredSize;  // unpacked size in the headers; default data.size()
    bool deflate = false;                       // method 8 (stored deflate blocks) instead of 0
    bool utf8Flag = false;
    std::uint32_t unixMode = 0100644;  // 0120777 makes a symlink whose target is `data`
};
void MakeRawZip(const std::string& path, const std::vector<RawZipEntry>& entries);

// Hand-written LZH (-lh0-/-lhd-) for hostile cases and for header levels
// jlha does not write. Names are raw bytes; level 0 stores the whole path as
// the name, level 2 splits it into directory and file name.
struct RawLzhEntry {
    RawLzhEntry(std::string name, std::string data,
                std::optional<std::uint32_t> declaredSize = std::nullopt, bool directory = false,
                std::string symlinkTarget = {})
        : name(std::move(name)),
          data(std::move(data)),
          declaredSize(declaredSize),
          directory(directory),
          symlinkTarget(std::move(symlinkTarget)) {}
    std::string name;
    std::string data;
    std::optional<std::uint32_t> declaredSize;  // unpacked size in the header
    bool directory = false;
    std::string symlinkTarget;  // level 2 only: makes a Unix symlink entry
};
void MakeRawLzh(const std::string& path, const std::vector<RawLzhEntry>& entries, int level = 2);

// CP932 bytes of a UTF-8 text (throws when a character has no CP932 form).
std::string ToCp932(const std::string& utf8);

}  // namespace nebu::test
