#include "report/CsvFormat.h"

#include <sys/stat.h>

#include <initializer_list>

#include "platform/Cp932.h"
#include "platform/FileWriting.h"
#include "platform/PathText.h"

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
    // /dev/stdout or a named pipe is where the list goes, extension or not.
    struct stat st;
    if (::stat(chosen.c_str(), &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)))
        return chosen;
    return platform::WithExtensionIfNone(chosen, ".csv");
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
    int err = 0;
    return platform::ReplaceFileContents(path, EncodeCsv(records), err);
}

std::string SameCsvHeader() {
    const std::string target = "比較先(削除対象)";
    const std::string folder = "ﾌｫﾙﾀﾞ名";
    const std::string source = "比較元";
    return Record({&target, &folder, &source, &folder});
}

std::string EncodeSameCsvUtf8(std::string_view records) {
    return "\xEF\xBB\xBF" + SameCsvHeader() + std::string(records);
}

bool WriteSameCsvUtf8File(const std::string& path, std::string_view records) {
    int err = 0;
    return platform::ReplaceFileContents(path, EncodeSameCsvUtf8(records), err);
}

}  // namespace nebu
