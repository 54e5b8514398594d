#include "mainwin/SettingsStore.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTreeView>
#include <algorithm>
#include <utility>
#include <vector>

#include "settings/IniFile.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsValues.h"

namespace nebu {

namespace {

constexpr const char* kShozonKey = "shozon";
constexpr const char* kStateFileName = "nebu/NEBU for Win32.conf";

// The lists whose font the work-status window's font keys set.
constexpr const char* kListNames[] = {"MatchList", "DiffList", "NoList", "NoDiffList"};

class QSettingsValues : public SettingsTarget {
  public:
    explicit QSettingsValues(QSettings& settings) : settings_(settings) {}

    std::optional<std::string> Get(const std::string& key) const override {
        const QVariant value = settings_.value(QString::fromStdString(key));
        // A value edited into a list or other shape by hand is no text of ours.
        if (!value.isValid() || value.typeId() == QMetaType::QStringList ||
            !value.canConvert<QString>()) {
            return std::nullopt;
        }
        return value.toString().toStdString();
    }

    void Set(const std::string& key, const std::string& value, SettingKey::Kind kind) override {
        written_.emplace_back(key, value);
        const QString name = QString::fromStdString(key);
        if (kind == SettingKey::Kind::Integer) {
            if (auto number = ParseStoredInteger(value)) {
                settings_.setValue(name, *number);
                return;
            }
        }
        settings_.setValue(name, QString::fromStdString(value));
    }

    // Every key and value set through this object, in order.
    const std::vector<std::pair<std::string, std::string>>& Written() const { return written_; }

  private:
    QSettings& settings_;
    std::vector<std::pair<std::string, std::string>> written_;
};

// The state as QSettings can read it: a file that is not plain UTF-8 (a
// byte-order mark, Shift-JIS text) is given to it converted, as settings
// files are read. Empty when the file can be read as it is.
std::string ConvertedStateText(const std::string& path) {
    std::string bytes;
    std::string error;
    if (!ReadFileBytes(path, bytes, error) || bytes.empty() || IsPlainUtf8(bytes)) return {};
    IniFile ini;
    ini.Parse(bytes);
    return ini.Utf8Text();
}

// Whether the file now holds every value that was written. QSettings keeps
// only its first error, so a file it could not fully read (a damaged line)
// hides whether the write itself worked.
bool HoldsWrittenValues(const std::string& path, const QSettingsValues& written) {
    QSettings check(QString::fromStdString(path), QSettings::IniFormat);
    check.beginGroup(kSettingsSection);
    QSettingsValues values(check);
    for (const auto& [key, value] : written.Written()) {
        if (values.Get(key) != value) return false;
    }
    return check.status() == QSettings::NoError;
}

std::string WriteError(const std::string& path) {
    return "「" + path + "」に書き込めません";
}

std::int32_t Clamp(std::int32_t value, std::int32_t low, std::int32_t high) {
    return std::clamp(value, low, high);
}

}  // namespace

std::string StateFilePath() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(kStateFileName).toStdString();
}

void LoadFromRegistry(WindowSettings& settings, bool& shozon, std::vector<std::string>* missingDirs,
                      const std::string& path) {
    QString source = QString::fromStdString(path);
    QTemporaryFile converted;
    if (const std::string text = ConvertedStateText(path); !text.empty() && converted.open()) {
        converted.write(text.data(), static_cast<qint64>(text.size()));
        converted.close();
        source = converted.fileName();
    }
    QSettings store(source, QSettings::IniFormat);
    store.beginGroup(kSettingsSection);
    QSettingsValues values(store);
    shozon = false;
    if (auto mark = values.Get(kShozonKey)) shozon = ParseStoredInteger(*mark).value_or(0) != 0;
    if (!shozon) return;
    if (missingDirs != nullptr) *missingDirs = MissingDirectories(values);
    ReadSettingsKeys(settings, values, StateKeys(), StateReadOrder());
}

std::optional<std::string> SaveToRegistry(const WindowSettings& settings, bool shozon,
                                          const std::string& path) {
    // QSettings would take a folder in the way for a file it cannot open,
    // and report nothing.
    if (QFileInfo(QString::fromStdString(path)).isDir()) return WriteError(path);
    // Converted first, so that QSettings keeps the other keys' values whole.
    if (const std::string text = ConvertedStateText(path); !text.empty()) {
        std::string error;
        if (!ReplaceFileContents(path, text, error)) return WriteError(path);
    }
    QSettings store(QString::fromStdString(path), QSettings::IniFormat);
    store.beginGroup(kSettingsSection);
    QSettingsValues values(store);
    values.Set(kShozonKey, shozon ? "1" : "0", SettingKey::Kind::Flag);
    values.Set("Version", kSettingsVersion, SettingKey::Kind::Text);
    if (shozon) WriteSettingsKeys(settings, values, StateKeys());
    store.endGroup();
    store.sync();
    if (store.status() == QSettings::NoError || HoldsWrittenValues(path, values))
        return std::nullopt;
    return WriteError(path);
}

ResultsLayout ReadResultsLayout(const QWidget& shori, const ResultsLayout& fallback) {
    ResultsLayout layout = fallback;
    layout.ShoriWinHeight = shori.height();
    layout.ShoriWinWidth = shori.width();
    if (auto* same = shori.findChild<QTreeView*>("MatchList")) {
        const QFont font = same->font();
        layout.ShoriFontName = font.family().toStdString();
        if (font.pointSize() > 0) layout.ShoriFontSize = font.pointSize();
        for (int i = 0; i < 5 && i < same->header()->count(); ++i)
            layout.ShoriColWidth[static_cast<std::size_t>(i)] = same->header()->sectionSize(i);
    }
    if (auto* diff = shori.findChild<QTreeView*>("DiffList")) {
        for (int i = 0; i < 6 && i < diff->header()->count(); ++i)
            layout.DiffColWidth[static_cast<std::size_t>(i)] = diff->header()->sectionSize(i);
    }
    return layout;
}

void ApplyResultsLayout(QWidget& shori, const ResultsLayout& layout) {
    shori.resize(Clamp(layout.ShoriWinWidth, 100, 10000), Clamp(layout.ShoriWinHeight, 100, 10000));
    if (auto* same = shori.findChild<QTreeView*>("MatchList")) {
        for (int i = 0; i < 5 && i < same->header()->count(); ++i) {
            same->header()->resizeSection(
                i, Clamp(layout.ShoriColWidth[static_cast<std::size_t>(i)], 0, 10000));
        }
    }
    if (auto* diff = shori.findChild<QTreeView*>("DiffList")) {
        for (int i = 0; i < 6 && i < diff->header()->count(); ++i) {
            diff->header()->resizeSection(
                i, Clamp(layout.DiffColWidth[static_cast<std::size_t>(i)], 0, 10000));
        }
    }
    for (const char* name : kListNames) {
        auto* view = shori.findChild<QAbstractItemView*>(name);
        if (view == nullptr) continue;
        QFont font = view->font();
        if (!layout.ShoriFontName.empty())
            font.setFamily(QString::fromStdString(layout.ShoriFontName));
        font.setPointSize(Clamp(layout.ShoriFontSize, 1, 200));
        view->setFont(font);
    }
}

}  // namespace nebu
