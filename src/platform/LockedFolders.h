#pragma once
// Folders a process makes for itself and holds locked while it lives, with a
// mark naming it inside, so that another process never takes a live one for
// a leftover, and leftovers of processes that died can go.

#include <string>
#include <string_view>

namespace nebu::platform {

struct LockedFolder {
    std::string path;
    int lockFd = -1;  // -1 when it could not be locked (it then stays unmarked)
};

// Makes `path` (only this user may enter it) in one step; false with errno
// set when anything holds that name already (EEXIST) or it cannot be made.
bool MakeLockedFolder(const std::string& path, std::string_view markPrefix, LockedFolder& made);
// Removes a folder made above with whatever it holds up to `depth` levels,
// through descriptors only: a link inside is removed, never followed.
void RemoveLockedFolder(const LockedFolder& folder, int depth);
// Removes each folder in `parent` with a name `named` accepts that belongs
// to this user, holds the mark and is locked by no live process.
void RemoveAbandonedFolders(const std::string& parent, bool (*named)(std::string_view),
                            std::string_view markPrefix, int depth);

}  // namespace nebu::platform
