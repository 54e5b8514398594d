#include "journal/Journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <random>

#include "journal/JsonText.h"

namespace nebu::journal {

namespace {

constexpr std::string_view kEventNames[] = {"deleted", "withdrawn", "restored"};

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' ? home : "";
}

void MakeFolders(const std::string& path) {
    for (std::size_t pos = path.find('/', 1); pos != std::string::npos;
         pos = path.find('/', pos + 1)) {
        ::mkdir(path.substr(0, pos).c_str(), 0700);
    }
    ::mkdir(path.c_str(), 0700);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string Folder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return std::string(state) + "/nebu";
    const std::string home = HomeFolder();
    return (home.empty() || home == "/" ? "" : home) + "/.local/state/nebu";
}

std::string FilePath() {
    return Folder() + "/deletions.jsonl";
}

std::string UtcTime(std::time_t when) {
    std::tm utc{};
    ::gmtime_r(&when, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string NewRunId(std::time_t when) {
    std::tm utc{};
    ::gmtime_r(&when, &utc);
    char text[48];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S-", &utc);
    std::random_device random;
    char tail[16];
    std::snprintf(tail, sizeof tail, "%08x", static_cast<unsigned>(random()));
    return std::string(text) + tail;
}

std::string EntryLine(const Entry& entry) {
    // Written by hand in a fixed order, since a run may write tens of
    // thousands; read back with the JSON library.
    std::string line;
    line.reserve(256 + 2 * entry.path.size() + entry.kept.size() + 2 * entry.trashFile.size());
    line += "{\"event\":\"";
    line += kEventNames[static_cast<int>(entry.event)];
    line += "\",\"run\":";
    json_text::AppendJsonString(line, json_text::ShownWithByteEscapes(entry.run));
    line += ",\"seq\":" + std::to_string(entry.seq) + ",\"time\":";
    json_text::AppendJsonString(line, json_text::ShownWithByteEscapes(entry.time));
    line += ',';
    json_text::AppendBytesMember(line, "path", entry.path);
    if (entry.event == Event::Deleted) {
        line += ',';
        json_text::AppendBytesMember(line, "kept", entry.kept);
        if (!entry.keptEntry.empty()) {
            line += ',';
            json_text::AppendBytesMember(line, "kept_entry", entry.keptEntry);
        }
        line += ",\"size\":" + std::to_string(entry.size);
        line += entry.ForGood() ? ",\"for_good\":true" : ",\"for_good\":false";
        if (!entry.ForGood()) {
            line += ',';
            json_text::AppendBytesMember(line, "trash_file", entry.trashFile);
            line += ',';
            json_text::AppendBytesMember(line, "trash_info", entry.trashInfo);
        }
    }
    line += "}\n";
    return line;
}

std::optional<Entry> ParseLine(std::string_view line) {
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (!object.is_object()) return std::nullopt;
    Entry entry;
    const auto event = object.find("event");
    if (event == object.end() || !event->is_string()) return std::nullopt;
    bool known = false;
    for (int i = 0; i < 3; ++i) {
        if (*event == kEventNames[i]) {
            entry.event = static_cast<Event>(i);
            known = true;
        }
    }
    const auto run = object.find("run");
    const auto seq = object.find("seq");
    const auto time = object.find("time");
    const std::optional<std::string> path = json_text::GetBytes(object, "path");
    if (!known || run == object.end() || !run->is_string() || seq == object.end() ||
        !seq->is_number_integer() || time == object.end() || !time->is_string() || !path) {
        return std::nullopt;
    }
    entry.run = run->get<std::string>();
    entry.seq = seq->get<std::int64_t>();
    entry.time = time->get<std::string>();
    entry.path = *path;
    if (entry.run.empty() || entry.path.empty()) return std::nullopt;
    if (entry.event != Event::Deleted) return entry;

    const std::optional<std::string> kept = json_text::GetBytes(object, "kept");
    const auto size = object.find("size");
    const auto forGood = object.find("for_good");
    if (!kept || size == object.end() || !size->is_number_integer() || forGood == object.end() ||
        !forGood->is_boolean()) {
        return std::nullopt;
    }
    entry.kept = *kept;
    entry.size = size->get<std::int64_t>();
    if (object.contains("kept_entry")) {
        const auto keptEntry = json_text::GetBytes(object, "kept_entry");
        if (!keptEntry) return std::nullopt;
        entry.keptEntry = *keptEntry;
    }
    if (!forGood->get<bool>()) {
        const auto file = json_text::GetBytes(object, "trash_file");
        const auto info = json_text::GetBytes(object, "trash_info");
        if (!file || !info || file->empty()) return std::nullopt;
        entry.trashFile = *file;
        entry.trashInfo = *info;
    }
    return entry;
}

Contents Read(const std::string& path) {
    Contents contents;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        contents.error = errno;
        return contents;
    }
    contents.found = true;
    std::string line;
    std::size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty()) continue;
        if (std::optional<Entry> entry = ParseLine(line)) {
            contents.entries.push_back(std::move(*entry));
        } else {
            contents.damagedLines.push_back(number);
            contents.damagedText.push_back(line);
        }
    }
    return contents;
}

bool Writer::Append(const Entry& entry) {
    if (!fd_.valid()) {
        MakeFolders(FolderOf(path_));
        platform::UniqueFd fd(
            ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!fd.valid()) {
            error_ = errno;
            return false;
        }
        fd_.reset(fd.release());
    }
    const std::string line = EntryLine(entry);
    // One write() per line: appends of other runs land between lines, never
    // inside one. A short write would leave half a line, which readers skip.
    ssize_t wrote;
    do {
        wrote = ::write(fd_.get(), line.data(), line.size());
    } while (wrote < 0 && errno == EINTR);
    if (wrote == static_cast<ssize_t>(line.size())) return true;
    error_ = wrote < 0 ? errno : EIO;
    // The rest of a cut line must not swallow the next one.
    if (wrote > 0) (void)!::write(fd_.get(), "\n", 1);
    return false;
}

}  // namespace nebu::journal
