#pragma once
#include <string>
#include <string_view>

namespace nebu::platform {

// Where a trashed file went: its files/NAME and info/NAME.trashinfo, whole paths.
struct TrashPlace {
    std::string file;
    std::string info;
};

// Moves a file into the freedesktop.org trash ($XDG_DATA_HOME/Trash when it
// is on the file's mount, else that mount's .Trash/$UID or .Trash-$UID). True only when the file is
// no longer at its path. A file that cannot be trashed stays where it is; never unlinked instead.
bool MoveToTrash(const std::string& path, TrashPlace* place = nullptr);
// The same with the mount table given as the text of /proc/self/mountinfo:
// the trash is the one of the mount the path is reached through, so that the
// move is a rename within it.
bool MoveToTrash(const std::string& path, std::string_view mountinfo, TrashPlace* place = nullptr);

enum class PutBack { Done, OriginalTaken, TrashCopyGone, Failed };
// Moves a trashed file back to `original` by rename (never a copy: the trash
// is on the file's own mount), making missing folders on the way, then
// removes its .trashinfo. A name that is taken now is never replaced.
// *error holds the errno of a failure.
PutBack PutBackFromTrash(const TrashPlace& place, const std::string& original, int* error);

}  // namespace nebu::platform
