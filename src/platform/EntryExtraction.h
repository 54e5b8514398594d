#pragma once
// Several entries of one archive written out in a single pass over it, each
// chosen by its position, so that entries sharing a name stay apart and an
// archive of many entries is not read once per entry.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ArchiveStream.h"
#include "platform/FileIdentity.h"

namespace nebu::platform {

struct EntryToWrite {
    // Counted over the entries a listing reports: links, devices and
    // nameless entries are not counted, folders are.
    std::size_t position = 0;
    std::string name;        // the name listed there; the entry must still bear it
    std::uint64_t size = 0;  // the size listed there
    std::string fileName;    // plain name of the file to create in the folder,
    bool toMemory = false;   // or, when set, the bytes kept in `data` instead
    std::string data;
    bool written = false;
};

// Writes each wanted entry (ascending positions) into `folder` as a new
// file readable and writable by its owner, or into memory, and stops after
// the last. The
// archive must be the very file `listed` describes, before and after the
// pass; otherwise nothing counts as written and the files are removed. An
// entry that is no plain file, or whose name or size differ from the wanted
// ones, is not written.
void WriteEntries(const std::string& archivePath, ArchiveFormat format, const FileIdentity& listed,
                  const std::string& folder, std::vector<EntryToWrite>& wanted);

// One pass over an archive: `visit` sees every entry with the stream at its
// data, and its position as counted above (none for links, devices and
// nameless entries); it returns false to end the pass there.
using EntryVisit =
    std::function<bool(std::optional<std::size_t> position, const StoredEntry&, ArchiveStream&)>;
enum class PassEnd {
    Complete,   // every entry seen, no error
    Cut,        // ended early by `visit` or by an error
    Untrusted,  // not the very file `listed` describes, before or after: nothing read counts
};
PassEnd VisitEntries(const std::string& archivePath, ArchiveFormat format,
                     const FileIdentity& listed, const EntryVisit& visit);

}  // namespace nebu::platform
