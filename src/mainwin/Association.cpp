#include "mainwin/Association.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "mainwin/IniFile.h"

namespace nebu {

namespace {

constexpr const char* kDesktopId = "nebu.desktop";
constexpr std::string_view kDefaultsHeader = "[Default Applications]";

std::string DataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString();
}

std::string ConfigFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString();
}

std::string MimePackageText() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" +
           std::string(kSettingsMimeType) +
           "\">\n"
           "    <comment>ﾈﾌﾞ設定ﾌｧｲﾙ</comment>\n"
           "    <icon name=\"application-x-nebu-settings\"/>\n"
           "    <glob pattern=\"*.neb\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string DesktopEntryText(const std::string& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Nebu for Win32\n"
           "Comment=Find files whose contents already exist in another folder\n"
           "Comment[ja]=比較元と同じ内容のファイルを比較先から探して削除します\n"
           "Exec=" +
           DesktopExecLine(executable) +
           "\n"
           "Icon=nebu\n"
           "Terminal=false\n"
           "NoDisplay=true\n"
           "MimeType=" +
           std::string(kSettingsMimeType) +
           ";\n"
           "Categories=Utility;FileTools;\n";
}

std::optional<std::string> MakeFolderFor(const std::string& file) {
    const QString folder = QFileInfo(QString::fromStdString(file)).absolutePath();
    if (QDir().mkpath(folder)) return std::nullopt;
    return "「" + file + "」を作れません";
}

std::optional<std::string> Write(const std::string& path, const std::string& bytes) {
    if (auto error = MakeFolderFor(path)) return error;
    std::string error;
    if (!ReplaceFileContents(path, bytes, error)) return error;
    return std::nullopt;
}

std::optional<std::string> Delete(const std::string& path) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return std::nullopt;
    return "「" + path + "」を削除できません。(" + std::strerror(errno) + ")";
}

std::optional<std::string> ReadText(const std::string& path, std::string& text) {
    QFile file(QString::fromStdString(path));
    if (!file.exists()) return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) return "「" + path + "」を読み込めません";
    text = file.readAll().toStdString();
    return std::nullopt;
}

// The desktop's caches learn about the new files; a desktop without these
// tools reads the files themselves.
void UpdateDatabases() {
    const QString data = QString::fromStdString(DataFolder());
    const QString mime = QStandardPaths::findExecutable("update-mime-database");
    if (!mime.isEmpty()) QProcess::execute(mime, {QDir(data).filePath("mime")});
    const QString desktop = QStandardPaths::findExecutable("update-desktop-database");
    if (!desktop.isEmpty()) QProcess::execute(desktop, {QDir(data).filePath("applications")});
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        lines.push_back(text.substr(0, nl));
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
    return lines;
}

std::string_view Trimmed(std::string_view line) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

bool IsOurLine(std::string_view line) {
    line = Trimmed(line);
    const std::size_t eq = line.find('=');
    return eq != std::string_view::npos && Trimmed(line.substr(0, eq)) == kSettingsMimeType;
}

}  // namespace

AssociationPaths CurrentAssociationPaths() {
    const QDir data(QString::fromStdString(DataFolder()));
    const QDir config(QString::fromStdString(ConfigFolder()));
    return {data.filePath("mime/packages/nebu-settings.xml").toStdString(),
            data.filePath("applications/nebu.desktop").toStdString(),
            config.filePath("mimeapps.list").toStdString()};
}

bool AssociationPresent() {
    return QFileInfo(QString::fromStdString(CurrentAssociationPaths().MimePackage)).isFile();
}

std::string DesktopExecLine(const std::string& executable) {
    // Inside the quotes a quote, backquote, dollar sign and backslash take a
    // backslash; the entry's own string escape then doubles every backslash,
    // and a percent sign is doubled as a field code would be.
    std::string quoted = "\"";
    for (char c : executable) {
        if (c == '"' || c == '`' || c == '$') {
            quoted += "\\\\";
            quoted += c;
        } else if (c == '\\') {
            quoted += "\\\\\\\\";
        } else if (c == '%') {
            quoted += "%%";
        } else {
            quoted += c;
        }
    }
    return quoted + "\" %f";
}

std::string EditMimeAppsList(const std::string& contents, const std::string& desktopId) {
    const bool registering = !desktopId.empty();
    const std::string ours = std::string(kSettingsMimeType) + "=" + desktopId + ";";
    std::string out;
    bool inDefaults = false;
    bool written = false;
    for (std::string_view line : Lines(contents)) {
        const std::string_view trimmed = Trimmed(line);
        if (!trimmed.empty() && trimmed.front() == '[') {
            inDefaults = trimmed == kDefaultsHeader;
        } else if (inDefaults && IsOurLine(line)) {
            // The default for the type is replaced when registering; when
            // removing, only a default that names this program goes, for
            // another one is the user's own choice. Added and removed
            // associations in other sections are always the user's.
            if (registering || line.find(kDesktopId) != std::string_view::npos) continue;
        }
        out += line;
        out += "\n";
        if (registering && inDefaults && !written && trimmed == kDefaultsHeader) {
            out += ours + "\n";
            written = true;
        }
    }
    if (registering && !written) out += std::string(kDefaultsHeader) + "\n" + ours + "\n";
    return out;
}

std::optional<std::string> RegisterAssociation(const std::string& executable) {
    const AssociationPaths paths = CurrentAssociationPaths();
    if (auto error = Write(paths.MimePackage, MimePackageText())) return error;
    if (auto error = Write(paths.DesktopEntry, DesktopEntryText(executable))) return error;
    std::string list;
    if (auto error = ReadText(paths.MimeAppsList, list)) return error;
    if (auto error = Write(paths.MimeAppsList, EditMimeAppsList(list, kDesktopId))) return error;
    UpdateDatabases();
    return std::nullopt;
}

std::optional<std::string> RemoveAssociation() {
    const AssociationPaths paths = CurrentAssociationPaths();
    if (auto error = Delete(paths.MimePackage)) return error;
    if (auto error = Delete(paths.DesktopEntry)) return error;
    std::string list;
    if (auto error = ReadText(paths.MimeAppsList, list)) return error;
    if (!list.empty()) {
        const std::string edited = EditMimeAppsList(list, "");
        if (edited != list) {
            if (auto error = Write(paths.MimeAppsList, edited)) return error;
        }
    }
    UpdateDatabases();
    return std::nullopt;
}

}  // namespace nebu
