#pragma once
// A path chosen in a file dialog, as the bytes of the file system.

#include <QString>
#include <string>

namespace nebu {

// The bytes of the file (or, for a new file, its folder) that `path` names.
// Qt shows a name that is not UTF-8 (Shift-JIS bytes from another system)
// with stand-ins for the bytes it cannot read, which no longer name the
// file; such a component is found again among its folder's entries.
std::string LocalPathBytes(const QString& path);

}  // namespace nebu
