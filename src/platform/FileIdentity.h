#pragma once
// What a file looked like when it was compared, so that a deletion can make
// sure neither side changed in between.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace nebu::platform {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileIdentity&) const = default;
    bool SameFileAs(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
};

// lstat of a regular file; nullopt for anything else or when it is missing.
std::optional<FileIdentity> IdentityOfPath(const std::string& path);
std::optional<FileIdentity> IdentityOfDescriptor(int fd);

}  // namespace nebu::platform
