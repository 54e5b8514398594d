#include "controls/MimePaths.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace nebu {

namespace {

std::string LocalPath(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    return QFile::encodeName(url.toLocalFile()).toStdString();
}

}  // namespace

std::vector<std::string> LocalFilePaths(const QMimeData* mime) {
    std::vector<std::string> paths;
    if (mime == nullptr || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls()) {
        std::string path = LocalPath(url);
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return paths;
}

std::vector<std::string> PastedPaths(const QMimeData* mime) {
    std::vector<std::string> paths = LocalFilePaths(mime);
    if (!paths.empty() || mime == nullptr || !mime->hasText()) return paths;
    // File managers put either bare paths or file: URIs in the plain text.
    for (const QString& line : mime->text().split('\n')) {
        const QString text = line.trimmed();
        if (text.isEmpty()) continue;
        std::string path = text.startsWith("file:") ? LocalPath(QUrl(text))
                                                    : QFile::encodeName(text).toStdString();
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return paths;
}

}  // namespace nebu
