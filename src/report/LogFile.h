#pragma once
// The log file: every log line appended as it is shown, in Shift-JIS (CP932)
// with CR LF; the file is opened and closed for each line so that it is
// complete whenever the program stops.

#include <string>
#include <string_view>

namespace nebu {

inline constexpr const char* kLogWriteFailedMessage = "ログファイルの書き込みに失敗しました。";

// Appends one line (UTF-8; characters CP932 lacks become "?"), creating the
// file when missing. False when the file cannot be opened or written; the
// caller then shows kLogWriteFailedMessage and ends the process.
bool AppendLogFileLine(const std::string& path, std::string_view line);

}  // namespace nebu
