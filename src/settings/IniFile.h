#pragma once
// An ini file read and updated the way the private-profile functions do it:
// section and key names without case, blanks around names and values
// ignored on reading, every other line of the file kept on writing.
//
// On disk the file is Shift-JIS (CP932) with CR LF; when a character cannot
// be held in CP932 the whole file is written as UTF-8 with a byte-order mark
// instead, so nothing is lost. Reading takes a file that is valid UTF-8
// throughout, or begins with a byte-order mark, as UTF-8, any other as
// Shift-JIS.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nebu {

class IniFile {
  public:
    // Reads `path`; a missing file gives an empty ini. On any other failure
    // returns false and leaves `error` naming the file.
    bool Load(const std::string& path, std::string& error);
    // Parses file bytes (either encoding).
    void Parse(std::string_view bytes);

    // The value of the first matching key of the first matching section,
    // without surrounding blanks (UTF-8); nothing when absent.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Replaces the key's line in place, or adds it after the section's last
    // line, or adds the section at the end.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // The lines as UTF-8 text, each ending in "\n"; lines that are neither
    // Shift-JIS nor UTF-8 are left out.
    std::string Utf8Text() const;

    // The file's bytes as they would be written.
    std::string Encode() const;
    // Replaces the file whole (through a temporary file beside it); on
    // failure the old file stays, returns false and leaves `error` naming it.
    bool Save(const std::string& path, std::string& error) const;

  private:
    struct Line {
        std::string text;  // UTF-8, or the file's own bytes when `raw`
        bool raw = false;  // bytes that are neither CP932 nor UTF-8, kept verbatim
    };
    // Index of the section's header line, or npos.
    std::size_t FindSection(std::string_view section) const;
    // Index of the key's line within the section that starts at `header`, or npos.
    std::size_t FindKey(std::size_t header, std::string_view key) const;
    // The line after the section's last line.
    std::size_t SectionEnd(std::size_t header) const;

    std::vector<Line> lines_;
};

// The whole file's bytes; a missing file gives none. On failure returns
// false and leaves `error` naming the file.
bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error);
// Valid UTF-8 without a byte-order mark: read as it is, not as Shift-JIS.
bool IsPlainUtf8(std::string_view bytes);

// Writes `bytes` as the whole file, the way IniFile::Save does: the old file
// (its mode, a link to it) stays until the new contents are complete, a
// FIFO or terminal is written to directly, and a file the user may not write
// is refused (platform::ReplaceFileContents). `error` names the file.
bool ReplaceFileContents(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace nebu
