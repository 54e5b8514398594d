#include "settings/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/Cp932.h"
#include "platform/FileWriting.h"
#include "platform/PathText.h"

namespace nebu {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && platform::CompareAsciiNoCase(a, b) == 0;
}

bool IsHeader(std::string_view line) {
    line = Trim(line);
    return !line.empty() && line.front() == '[';
}

std::string_view HeaderName(std::string_view line) {
    line = Trim(line);
    line.remove_prefix(1);
    return Trim(line.substr(0, line.find(']')));
}

std::vector<std::string_view> SplitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t nl = bytes.find('\n');
        std::string_view line = bytes.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (nl == std::string_view::npos) break;
        bytes.remove_prefix(nl + 1);
    }
    return lines;
}

std::string WriteError(const std::string& path, int err) {
    return "「" + path + "」に書き込めません。(" + std::strerror(err) + ")";
}

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string ReadError(const std::string& path, int err) {
    return "「" + path + "」を読み込めません。(" + std::strerror(err) + ")";
}

}  // namespace

void IniFile::Parse(std::string_view bytes) {
    lines_.clear();
    const bool bom = bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom;
    if (bom) bytes.remove_prefix(kUtf8Bom.size());
    // UTF-8 text often passes for Shift-JIS too (写真 does), while Shift-JIS
    // text with kana or kanji almost never passes for UTF-8: a file that is
    // UTF-8 throughout is taken as UTF-8.
    if (platform::IsValidUtf8(bytes)) {
        for (std::string_view line : SplitLines(bytes)) lines_.push_back({std::string(line)});
        return;
    }
    if (!bom) {
        if (auto whole = platform::Cp932ToUtf8(bytes)) {
            for (std::string_view line : SplitLines(*whole)) lines_.push_back({std::string(line)});
            return;
        }
    }
    // A file that does not decode as a whole is taken line by line, so that a
    // damaged line costs only itself.
    for (std::string_view line : SplitLines(bytes)) {
        if (bom && platform::IsValidUtf8(line)) {
            lines_.push_back({std::string(line)});
        } else if (auto text = platform::Cp932ToUtf8(line)) {
            lines_.push_back({std::move(*text)});
        } else if (platform::IsValidUtf8(line)) {
            lines_.push_back({std::string(line)});
        } else {
            lines_.push_back({std::string(line), true});
        }
    }
}

std::string IniFile::Utf8Text() const {
    std::string text;
    for (const Line& line : lines_) {
        if (line.raw) continue;
        text += line.text;
        text += '\n';
    }
    return text;
}

bool IsPlainUtf8(std::string_view bytes) {
    return bytes.substr(0, kUtf8Bom.size()) != kUtf8Bom && platform::IsValidUtf8(bytes);
}

bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return true;
        error = ReadError(path, errno);
        return false;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            error = ReadError(path, err);
            return false;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

bool IniFile::Load(const std::string& path, std::string& error) {
    lines_.clear();
    std::string bytes;
    if (!ReadFileBytes(path, bytes, error)) return false;
    Parse(bytes);
    return true;
}

std::size_t IniFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (!lines_[i].raw && IsHeader(lines_[i].text) &&
            SameName(HeaderName(lines_[i].text), section)) {
            return i;
        }
    }
    return std::string::npos;
}

std::size_t IniFile::FindKey(std::size_t header, std::string_view key) const {
    for (std::size_t i = header + 1; i < lines_.size() && !IsHeader(lines_[i].text); ++i) {
        if (lines_[i].raw) continue;
        const std::string_view line = lines_[i].text;
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && SameName(Trim(line.substr(0, eq)), key)) return i;
    }
    return std::string::npos;
}

std::size_t IniFile::SectionEnd(std::size_t header) const {
    std::size_t end = header + 1;
    for (std::size_t i = header + 1; i < lines_.size() && !IsHeader(lines_[i].text); ++i) {
        if (!Trim(lines_[i].text).empty()) end = i + 1;
    }
    return end;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    const std::size_t header = FindSection(section);
    if (header == std::string::npos) return std::nullopt;
    const std::size_t at = FindKey(header, key);
    if (at == std::string::npos) return std::nullopt;
    const std::string_view line = lines_[at].text;
    return std::string(Trim(line.substr(line.find('=') + 1)));
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    Line line{std::string(key) + "=" + std::string(value)};
    std::size_t header = FindSection(section);
    if (header == std::string::npos) {
        lines_.push_back({"[" + std::string(section) + "]"});
        lines_.push_back(std::move(line));
        return;
    }
    const std::size_t at = FindKey(header, key);
    if (at != std::string::npos) {
        lines_[at] = std::move(line);
        return;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)),
                  std::move(line));
}

std::string IniFile::Encode() const {
    std::string cp932;
    bool fits = true;
    for (const Line& line : lines_) {
        if (line.raw) {
            cp932 += line.text;
        } else if (auto bytes = platform::Utf8ToCp932(line.text)) {
            cp932 += *bytes;
        } else {
            fits = false;
            break;
        }
        cp932 += "\r\n";
    }
    // Shift-JIS bytes that happen to form valid UTF-8 (ﾃデ does) would be
    // read back as UTF-8; such a file is written as UTF-8 from the start.
    if (fits && (!platform::IsValidUtf8(cp932) || IsAscii(cp932))) return cp932;
    std::string utf8(kUtf8Bom);
    for (const Line& line : lines_) {
        utf8 += line.text;
        utf8 += "\r\n";
    }
    return utf8;
}

bool IniFile::Save(const std::string& path, std::string& error) const {
    return ReplaceFileContents(path, Encode(), error);
}

bool ReplaceFileContents(const std::string& path, const std::string& bytes, std::string& error) {
    int err = 0;
    if (platform::ReplaceFileContents(path, bytes, err)) return true;
    error = WriteError(path, err);
    return false;
}

}  // namespace nebu
