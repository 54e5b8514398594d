#pragma once
// Settings files (*.neb) as a file type of the desktop, the freedesktop.org
// way and only in the user's own folders: a MIME package, a desktop entry
// that opens them with this executable, and the default application for
// the type in mimeapps.list.

#include <optional>
#include <string>

namespace nebu {

inline constexpr const char* kSettingsMimeType = "application/x-nebu-settings";

struct AssociationPaths {
    std::string MimePackage;   // $XDG_DATA_HOME/mime/packages/nebu-settings.xml
    std::string DesktopEntry;  // $XDG_DATA_HOME/applications/nebu.desktop
    std::string MimeAppsList;  // $XDG_CONFIG_HOME/mimeapps.list
};

// The paths for the current environment, read anew on every call.
AssociationPaths CurrentAssociationPaths();

// Whether the type is registered: the MIME package file is there.
bool AssociationPresent();

// Writes the three files (again, when present) for `executable`, then lets
// the desktop's databases know. Returns the error naming the file that could
// not be written; the steps after it are skipped.
std::optional<std::string> RegisterAssociation(const std::string& executable);

// Deletes the MIME package and the desktop entry and takes this type's line
// out of mimeapps.list, leaving every other line. Missing pieces are no error.
std::optional<std::string> RemoveAssociation();

// The desktop entry's Exec value: the path quoted and escaped as desktop
// entries require, then %f.
std::string DesktopExecLine(const std::string& executable);

// mimeapps.list with this type's default set to `desktopId` (or its lines
// removed when `desktopId` is empty), every other line kept as it was.
std::string EditMimeAppsList(const std::string& contents, const std::string& desktopId);

}  // namespace nebu
