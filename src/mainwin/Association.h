#pragma once
// Settings files (*.neb) as a file type of the desktop, the freedesktop.org
// way and only in the user's own folders: a MIME package, the default
// application for the type in mimeapps.list, and, when no installed NEBU
// brings a desktop entry, one of the user's own that opens them with this
// executable. Removing the association undoes exactly what registering did
// and gives the type back the default the user had before.

#include <optional>
#include <string>

namespace nebu {

inline constexpr const char* kSettingsMimeType = "application/x-nebu-settings";
// The desktop file ID an installed NEBU brings.
inline constexpr const char* kInstalledDesktopId = "nebu.desktop";
// The file ID of the user's own entry, distinct from the installed one so
// that it never hides the installed program from the application menu.
inline constexpr const char* kUserDesktopId = "nebu-user.desktop";

struct AssociationPaths {
    std::string MimePackage;   // $XDG_DATA_HOME/mime/packages/nebu-settings.xml
    std::string UserEntry;     // $XDG_DATA_HOME/applications/nebu-user.desktop
    std::string MimeAppsList;  // $XDG_CONFIG_HOME/mimeapps.list
    // $XDG_CONFIG_HOME/nebu/association.conf: what registering changed, so
    // that removing can undo it.
    std::string Record;
};

// The paths for the current environment, read anew on every call.
AssociationPaths CurrentAssociationPaths();

// The installed NEBU's desktop entry (applications/nebu.desktop in the data
// folders), or empty when there is none. An entry an earlier registration
// wrote into the user's data folder does not count.
std::string InstalledDesktopEntry();

// Whether the type is registered: the MIME package file is there.
bool AssociationPresent();

// Writes the MIME package, the user's desktop entry when no installed one
// exists, the record and the default in mimeapps.list (again, when present),
// then lets the desktop's databases know. Returns the error naming the file
// that could not be written; the steps after it are skipped.
std::optional<std::string> RegisterAssociation(const std::string& executable);

// Puts back the default the type had before registering (when the default
// still names this program), deletes the desktop entry registering wrote,
// the MIME package and the record. Every other line of mimeapps.list stays.
// Missing pieces are no error.
std::optional<std::string> RemoveAssociation();

// The desktop entry's Exec value: the path quoted and escaped as desktop
// entries require, then %f.
std::string DesktopExecLine(const std::string& executable);

// The type's default in the [Default Applications] section of a
// mimeapps.list ("a.desktop;b.desktop;"), or nothing when it has none.
std::optional<std::string> MimeAppsDefault(const std::string& contents);

// mimeapps.list with the type's default set to `value` in place (added right
// after the section header when absent), or its line removed when `value` is
// empty; every other line kept as it was.
std::string SetMimeAppsDefault(const std::string& contents, const std::string& value);

}  // namespace nebu
