#include "results/CsvFormat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <initializer_list>

#include "platform/Cp932.h"
#include "platform/FileWriting.h"

namespace nebu {

namespace {

// A double quote inside a field is doubled, so that a name holding one (a
// legal character in Linux file names) cannot break the record apart.
std::string Record(std::initializer_list<const std::string*> fields) {
    std::string record;
    bool first = true;
    for (const std::string* field : fields) {
        record += first ? "\"" : "\",\"";
        first = false;
        for (char c : *field) {
            if (c == '"') record += '"';
            record += c;
        }
    }
    record += "\"\r\n";
    return record;
}

}  // namespace

std::string CsvFileName(const std::string& chosen) {
    return chosen.find('.') == std::string::npos ? chosen + ".csv" : chosen;
}

std::string CsvRecord(const SameRow& row) {
    return Record({&row.TargetName, &row.TargetFolder, &row.SourceName, &row.SourceFolder});
}

std::string CsvRecord(const DiffRow& row) {
    return Record({&row.TargetName, &row.TargetFolder, &row.TargetSize, &row.SourceName,
                   &row.SourceFolder, &row.SourceSize});
}

std::string EncodeCsv(std::string_view records) {
    if (auto cp932 = platform::Utf8ToCp932(records)) return std::move(*cp932);
    return "\xEF\xBB\xBF" + std::string(records);
}

bool WriteCsvFile(const std::string& path, std::string_view records) {
    const std::string bytes = EncodeCsv(records);
    // The new list is written whole beside the old one and only then takes
    // its name: a save that fails half-way leaves the old list as it was.
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return false;
    std::string temp = folder + "." + name + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    // A list saved over an older one keeps that file's permissions.
    struct stat old;
    const mode_t mode =
        ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? (old.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0 && platform::WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace nebu
