#pragma once
// The comma-separated export of the result lists: one record per row,
// every field in double quotes, CR LF after each record, no header. The
// file is Shift-JIS (CP932), or UTF-8 with a byte-order mark as a whole when
// a character would otherwise be lost.

#include <string>
#include <string_view>
#include <vector>

#include "report/DiffList.h"

namespace nebu {

inline constexpr const char* kCsvWriteFailedMessage = "ファイルの書き込みに失敗しました。";

// The chosen path with ".csv" appended when its file name holds no "." and
// it names no pipe or character device (/dev/stdout stays as it is).
std::string CsvFileName(const std::string& chosen);

// "target name","target folder","source name","source folder" CR LF (UTF-8).
std::string CsvRecord(const SameRow& row);
// The different-file row with its size columns, in column order:
// target name, folder, size, source name, folder, size.
std::string CsvRecord(const DiffRow& row);

// The file's bytes for the given UTF-8 records.
std::string EncodeCsv(std::string_view records);

// Replaces the file (created when missing) with the records, once they are
// written whole; nothing of an older, longer file remains. A link is
// followed to its target and kept; a pipe or terminal is written to
// directly. False when the list cannot be written, and the old file is then
// untouched; the caller shows kCsvWriteFailedMessage and ends the process.
bool WriteCsvFile(const std::string& path, std::string_view records);

// The same-file list for programs that read UTF-8 (--csv-utf8, the save
// dialog's second file type): always UTF-8 with a byte-order mark, and a
// header row of the list's column captions before the records.
std::string SameCsvHeader();
std::string EncodeSameCsvUtf8(std::string_view records);
bool WriteSameCsvUtf8File(const std::string& path, std::string_view records);

}  // namespace nebu
