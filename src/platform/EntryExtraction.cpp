#include "platform/EntryExtraction.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "platform/ArchiveNames.h"
#include "platform/UniqueFd.h"

namespace nebu::platform {

namespace {

bool WriteOne(ArchiveStream& stream, int folder, const StoredEntry& entry, EntryToWrite& want) {
    if (entry.type != StoredEntry::File || !entry.sizeKnown) return false;
    if (entry.name != want.name || entry.size != want.size) return false;
    // The name rules of the library's own extraction: what it refuses is
    // refused here too.
    if (!ExtractableLeafName(entry.name)) return false;
    std::string error;
    if (want.toMemory) return stream.CopyData(want.data, entry.size, error);
    if (want.fileName.empty() || want.fileName.find('/') != std::string::npos) return false;
    const int fd = ::openat(folder, want.fileName.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    // Owner read and write whatever the umask says.
    ::fchmod(fd, 0600);
    bool ok = stream.CopyData(fd, entry.size, error);
    if (::close(fd) != 0) ok = false;
    if (!ok) ::unlinkat(folder, want.fileName.c_str(), 0);
    return ok;
}

void Unwrite(int folder, std::vector<EntryToWrite>& wanted) {
    for (EntryToWrite& want : wanted) {
        if (want.written && !want.toMemory) ::unlinkat(folder, want.fileName.c_str(), 0);
        want.written = false;
        want.data.clear();
    }
}

}  // namespace

void WriteEntries(const std::string& archivePath, ArchiveFormat format, const FileIdentity& listed,
                  const std::string& folder, std::vector<EntryToWrite>& wanted) {
    for (EntryToWrite& want : wanted) want.written = false;
    if (wanted.empty()) return;
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.get() < 0) return;
    auto stream = ArchiveStream::Open(archivePath, format);
    if (!stream || stream->Identity() != listed) return;

    std::size_t position = 0;
    std::size_t next = 0;
    StoredEntry entry;
    while (next < wanted.size() && stream->Next(entry) == ArchiveStream::Step::Entry) {
        if (entry.type == StoredEntry::Other) continue;
        // Positions never wanted twice, and never out of order.
        while (next < wanted.size() && wanted[next].position < position) ++next;
        if (next < wanted.size() && wanted[next].position == position) {
            wanted[next].written = WriteOne(*stream, dir.get(), entry, wanted[next]);
            ++next;
        }
        ++position;
    }
    // A file rewritten while it was read may have handed out half old, half
    // new entries.
    if (stream->Identity() != listed || IdentityOfPath(archivePath) != listed) {
        Unwrite(dir.get(), wanted);
    }
}

PassEnd VisitEntries(const std::string& archivePath, ArchiveFormat format,
                     const FileIdentity& listed, const EntryVisit& visit) {
    auto stream = ArchiveStream::Open(archivePath, format);
    if (!stream || stream->Identity() != listed) return PassEnd::Untrusted;
    PassEnd end = PassEnd::Complete;
    std::size_t position = 0;
    StoredEntry entry;
    for (;;) {
        const ArchiveStream::Step step = stream->Next(entry);
        if (step != ArchiveStream::Step::Entry) {
            if (step == ArchiveStream::Step::Error) end = PassEnd::Cut;
            break;
        }
        std::optional<std::size_t> at;
        if (entry.type != StoredEntry::Other) at = position++;
        if (!visit(at, entry, *stream)) {
            end = PassEnd::Cut;
            break;
        }
    }
    if (stream->Identity() != listed || IdentityOfPath(archivePath) != listed) {
        return PassEnd::Untrusted;
    }
    return end;
}

}  // namespace nebu::platform
