#pragma once
// The files and folders a run makes for itself (work folders, extracted
// entries, spill files), and the descriptor operations the engine needs on
// them. Paths here are the run's own: nothing of the user's is touched.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>

namespace nebu::platform {

void CloseFile(int fd);
// The file is about to be read from start to end.
void AdviseSequential(int fd);
bool Rewind(int fd);
bool Truncate(int fd, std::int64_t size);
// Writes every byte at `offset` (EINTR retried, short writes continued).
bool WriteAllAt(int fd, const char* data, std::size_t size, std::int64_t offset);

// A folder only this user may enter; false with errno set.
bool MakePrivateFolder(const std::string& path);
// Created or cut to nothing, never through a link; -1 with errno set.
int OpenPrivateFile(const std::string& path);
// A read-write file in `folder` that has no name, so it goes with its last
// descriptor; -1 when none can be made.
int OpenUnnamedFile(const std::string& folder);
// Whether `path` still names the file open as `fd`.
bool StillNamedBy(int fd, const std::string& path);

// Removes every entry of `folder` but its sub-folders.
void RemoveFilesIn(const std::string& folder);
// The first regular file in `folder`, made readable and writable by its
// owner; empty when there is none.
std::string FirstRegularFileIn(const std::string& folder);

// (device, inode) of `dir` and of every folder above it, as the kernel
// resolves ".." from it, added to `chain`.
void AddFolderChain(const std::string& dir,
                    std::set<std::pair<std::uint64_t, std::uint64_t>>& chain);

// (device, inode) of what `path` names itself, a link not followed; false
// with errno set.
bool LinkDeviceInode(const std::string& path, std::pair<std::uint64_t, std::uint64_t>& key);

int ProcessId();

}  // namespace nebu::platform
