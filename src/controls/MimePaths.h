#pragma once
// The local paths that dragged or copied data carries, as the file system's
// own bytes, in the order the data holds them.

#include <string>
#include <vector>

class QMimeData;

namespace nebu {

// The local files among the URIs (text/uri-list). A link to a web page or a
// remote share's URL names no folder NEBU could search.
std::vector<std::string> LocalFilePaths(const QMimeData* mime);

// What a paste offers: the local files among the URIs when there are any,
// otherwise one candidate per non-blank line of the plain text (a file: URI
// on a line stands for its path). The candidates are not checked.
std::vector<std::string> PastedPaths(const QMimeData* mime);

}  // namespace nebu
