#include "results/ChosenPath.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>
#include <QStringList>

namespace nebu {

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The entry of `folder` that Qt shows as `name`; empty when there is none.
std::string EntryShownAs(const std::string& folder, const QString& name) {
    DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (dir == nullptr) return {};
    std::string found;
    while (const dirent* entry = ::readdir(dir)) {
        if (QFile::decodeName(entry->d_name) == name) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

std::string LocalPathBytes(const QString& path) {
    const std::string direct = QFile::encodeName(path).toStdString();
    if (Exists(direct) || !path.startsWith('/') || !path.contains(QChar::ReplacementCharacter))
        return direct;
    std::string resolved;
    const QStringList parts = path.split('/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        std::string next = resolved + "/" + QFile::encodeName(part).toStdString();
        if (part.contains(QChar::ReplacementCharacter) && !Exists(next)) {
            if (std::string entry = EntryShownAs(resolved, part); !entry.empty())
                next = resolved + "/" + entry;
        }
        resolved = std::move(next);
    }
    return resolved;
}

}  // namespace nebu
