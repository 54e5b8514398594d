#include "results/CsvFormat.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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
    // Not truncated on opening: the old contents go only once the new ones
    // are written, as the file is cut at the end of the write.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_DSYNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = platform::WriteAll(fd, bytes);
    if (ok && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    return ok;
}

}  // namespace nebu
