#include "mainwin/Association.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "settings/IniFile.h"

namespace nebu {

namespace {

constexpr std::string_view kDefaultsHeader = "[Default Applications]";
constexpr const char* kRecordGroup = "Association";

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

// Hidden from the application menu: it only serves opening settings files
// with this executable.
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
    if (path.empty() || ::unlink(path.c_str()) == 0 || errno == ENOENT) return std::nullopt;
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

// The value of a "type=value" line for this type, or nothing.
std::optional<std::string_view> OurValue(std::string_view line) {
    line = Trimmed(line);
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || Trimmed(line.substr(0, eq)) != kSettingsMimeType)
        return std::nullopt;
    return Trimmed(line.substr(eq + 1));
}

// The first desktop ID of a default's value, the one a desktop uses.
std::string FirstId(std::string_view value) {
    return std::string(Trimmed(value.substr(0, value.find(';'))));
}

// What an earlier version of this program wrote under the installed entry's
// file ID; it hides the installed program and is not an installation.
bool IsOldRegistrationEntry(const std::string& path) {
    std::string text;
    if (ReadText(path, text) || text.empty()) return false;
    return text.find("\nNoDisplay=true\n") != std::string::npos &&
           text.find("\nName=Nebu for Win32\n") != std::string::npos &&
           text.find("\nMimeType=" + std::string(kSettingsMimeType) + ";\n") != std::string::npos;
}

std::string OldRegistrationEntry() {
    const std::string path = QDir(QString::fromStdString(DataFolder()))
                                 .filePath(QString("applications/") + kInstalledDesktopId)
                                 .toStdString();
    return IsOldRegistrationEntry(path) ? path : std::string();
}

// What registering changed, kept in a file of the program's own.
struct Record {
    bool Present = false;
    std::string DesktopId;       // the default registering set
    std::string UserEntry;       // the desktop entry it wrote, or empty
    std::string EarlierDefault;  // the type's default before, or empty
};

Record ReadRecord(const std::string& path) {
    Record record;
    if (!QFileInfo(QString::fromStdString(path)).isFile()) return record;
    QSettings store(QString::fromStdString(path), QSettings::IniFormat);
    store.beginGroup(kRecordGroup);
    record.Present = store.contains("DesktopId");
    record.DesktopId = store.value("DesktopId").toString().toStdString();
    record.UserEntry = store.value("UserEntry").toString().toStdString();
    record.EarlierDefault = store.value("EarlierDefault").toString().toStdString();
    return record;
}

std::optional<std::string> WriteRecord(const std::string& path, const Record& record) {
    const std::string error = "「" + path + "」に書き込めません";
    // QSettings would take a folder in the way for a file it cannot open,
    // and report nothing.
    if (QFileInfo(QString::fromStdString(path)).isDir()) return error;
    if (auto folderError = MakeFolderFor(path)) return folderError;
    QSettings store(QString::fromStdString(path), QSettings::IniFormat);
    store.beginGroup(kRecordGroup);
    store.setValue("DesktopId", QString::fromStdString(record.DesktopId));
    store.setValue("UserEntry", QString::fromStdString(record.UserEntry));
    store.setValue("EarlierDefault", QString::fromStdString(record.EarlierDefault));
    store.endGroup();
    store.sync();
    if (store.status() != QSettings::NoError) return error;
    return std::nullopt;
}

// Only an entry under the user entry's own file ID is ever deleted from a
// record, whatever the record file says.
std::optional<std::string> DeleteRecordedEntry(const std::string& path) {
    if (QFileInfo(QString::fromStdString(path)).fileName() != kUserDesktopId) return std::nullopt;
    return Delete(path);
}

}  // namespace

AssociationPaths CurrentAssociationPaths() {
    const QDir data(QString::fromStdString(DataFolder()));
    const QDir config(QString::fromStdString(ConfigFolder()));
    return {data.filePath("mime/packages/nebu-settings.xml").toStdString(),
            data.filePath(QString("applications/") + kUserDesktopId).toStdString(),
            config.filePath("mimeapps.list").toStdString(),
            config.filePath("nebu/association.conf").toStdString()};
}

std::string InstalledDesktopEntry() {
    const QString name = QString("applications/") + kInstalledDesktopId;
    for (const QString& folder :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo(path).isFile() && !IsOldRegistrationEntry(path.toStdString()))
            return path.toStdString();
    }
    return {};
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

std::optional<std::string> MimeAppsDefault(const std::string& contents) {
    bool inDefaults = false;
    for (std::string_view line : Lines(contents)) {
        const std::string_view trimmed = Trimmed(line);
        if (!trimmed.empty() && trimmed.front() == '[') {
            inDefaults = trimmed == kDefaultsHeader;
        } else if (inDefaults) {
            if (auto value = OurValue(line)) return std::string(*value);
        }
    }
    return std::nullopt;
}

std::string SetMimeAppsDefault(const std::string& contents, const std::string& value) {
    // In place when the type has a default, so that setting the earlier value
    // back gives the file as it was; further lines for the type would shadow
    // nothing and go. Added and removed associations in other sections are
    // always the user's.
    const std::string ours = std::string(kSettingsMimeType) + "=" + value + "\n";
    bool pending = !value.empty();
    const bool inPlace = MimeAppsDefault(contents).has_value();
    std::string out;
    bool inDefaults = false;
    for (std::string_view line : Lines(contents)) {
        const std::string_view trimmed = Trimmed(line);
        if (!trimmed.empty() && trimmed.front() == '[') {
            inDefaults = trimmed == kDefaultsHeader;
        } else if (inDefaults && OurValue(line)) {
            if (pending) out += ours;
            pending = false;
            continue;
        }
        out += line;
        out += "\n";
        if (pending && !inPlace && inDefaults && trimmed == kDefaultsHeader) {
            out += ours;
            pending = false;
        }
    }
    if (pending) out += std::string(kDefaultsHeader) + "\n" + ours;
    return out;
}

std::optional<std::string> RegisterAssociation(const std::string& executable) {
    const AssociationPaths paths = CurrentAssociationPaths();
    const Record before = ReadRecord(paths.Record);
    std::string list;
    if (auto error = ReadText(paths.MimeAppsList, list)) return error;
    if (auto error = Write(paths.MimePackage, MimePackageText())) return error;
    const std::string oldEntry = OldRegistrationEntry();
    if (auto error = Delete(oldEntry)) return error;

    Record now{true, kInstalledDesktopId, {}, {}};
    if (InstalledDesktopEntry().empty()) {
        now.DesktopId = kUserDesktopId;
        now.UserEntry = paths.UserEntry;
        if (auto error = Write(paths.UserEntry, DesktopEntryText(executable))) return error;
    }
    if (before.UserEntry != now.UserEntry) {
        if (auto error = DeleteRecordedEntry(before.UserEntry)) return error;
    }
    // Registering again keeps the default from before the first time, unless
    // the user has chosen another one since. An earlier version's default
    // went with its entry.
    const std::optional<std::string> current = MimeAppsDefault(list);
    const std::string first = current ? FirstId(*current) : std::string();
    const bool currentIsOurs = before.Present ? first == before.DesktopId || first == now.DesktopId
                                              : !oldEntry.empty() && first == kInstalledDesktopId;
    now.EarlierDefault = currentIsOurs ? before.EarlierDefault : current.value_or("");
    if (auto error = WriteRecord(paths.Record, now)) return error;
    if (auto error = Write(paths.MimeAppsList, SetMimeAppsDefault(list, now.DesktopId + ";")))
        return error;
    UpdateDatabases();
    return std::nullopt;
}

std::optional<std::string> RemoveAssociation() {
    const AssociationPaths paths = CurrentAssociationPaths();
    const Record record = ReadRecord(paths.Record);
    std::string list;
    if (auto error = ReadText(paths.MimeAppsList, list)) return error;
    // A default the user has chosen since registering is theirs and stays.
    // Without a record (a registration by an earlier version) either of the
    // program's own IDs is taken as its default.
    if (const auto current = MimeAppsDefault(list)) {
        const std::string first = FirstId(*current);
        const bool ours = record.Present ? first == record.DesktopId
                                         : first == kInstalledDesktopId || first == kUserDesktopId;
        if (ours) {
            const std::string edited = SetMimeAppsDefault(list, record.EarlierDefault);
            if (edited != list) {
                if (auto error = Write(paths.MimeAppsList, edited)) return error;
            }
        }
    }
    if (auto error = DeleteRecordedEntry(record.UserEntry)) return error;
    if (auto error = Delete(OldRegistrationEntry())) return error;
    if (auto error = Delete(paths.MimePackage)) return error;
    if (auto error = Delete(paths.Record)) return error;
    UpdateDatabases();
    return std::nullopt;
}

}  // namespace nebu
