#pragma once
// What a file looked like when it was compared (or an archive when it was
// listed), so that a deletion can make sure nothing changed in between. The
// change time is part of it: a file rewritten in place can be given back its
// size and modification time (cp -p, touch -r), but no user tool can set the
// change time back.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace nebu::platform {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::int64_t ctimeNs = 0;
    // Equal when every field is, except that a change time this process
    // gave the file itself (RemoveNotingLinks) does not count as a change.
    bool operator==(const FileIdentity& other) const;
    bool SameFileAs(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
};

// lstat of a regular file; nullopt for anything else or when it is missing.
std::optional<FileIdentity> IdentityOfPath(const std::string& path);
std::optional<FileIdentity> IdentityOfDescriptor(int fd);

// Runs `remove` (an unlink or a move to the trash of `path`); when it
// succeeds and the file has other names, which keep its contents, the change
// time that the removal gave them is noted as this process's own doing.
// errno is as `remove` left it.
bool RemoveNotingLinks(const std::string& path, const std::function<bool()>& remove);

}  // namespace nebu::platform
