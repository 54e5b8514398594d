#include "platform/BuiltinArchiver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <utility>

#include "platform/ArchiveNames.h"
#include "platform/ArchiverCommand.h"
#include "platform/UniqueFd.h"

namespace nebu::platform::builtin {

namespace {

struct OpenedArchive {
    ArchiveFormat format;
    std::string path;
    std::unique_ptr<ArchiveStream> stream;
    std::string wildcard;
    bool searched = false;
};

// Handles are checked before use, so that a stale or foreign handle gets an
// error answer instead of a crash.
std::mutex handlesMutex;
std::unordered_set<OpenedArchive*> handles;

OpenedArchive* Lookup(ArchiveFormat format, HARC archive) {
    std::lock_guard lock(handlesMutex);
    auto it = handles.find(static_cast<OpenedArchive*>(archive));
    if (it == handles.end() || (*it)->format != format) return nullptr;
    return *it;
}

std::atomic<bool> backgroundMode[3];

const char* LibraryName(ArchiveFormat format) {
    switch (format) {
        case ArchiveFormat::Lzh:
            return "unlha32";
        case ArchiveFormat::Zip:
            return "UnZip32";
        case ArchiveFormat::Arc:
            break;
    }
    return "unarc32";
}

// Messages go into the caller's buffer, cut to its size on a character
// boundary and always terminated.
class Output {
  public:
    Output(ArchiveFormat format, char* buffer, std::uint32_t size)
        : format_(format), buffer_(buffer), size_(size) {}

    int Say(int result, const std::string& text) const {
        if (!buffer_ || size_ == 0) return result;
        std::string line = std::string(LibraryName(format_)) + ": " + text + "\n";
        std::size_t n = std::min<std::size_t>(line.size(), size_ - 1);
        while (n > 0 && n < line.size() && (static_cast<unsigned char>(line[n]) & 0xC0) == 0x80)
            --n;
        std::memcpy(buffer_, line.data(), n);
        buffer_[n] = '\0';
        return result;
    }

  private:
    ArchiveFormat format_;
    char* buffer_;
    std::uint32_t size_;
};

int Advance(OpenedArchive& opened, IndividualInfo* info) {
    StoredEntry entry;
    for (;;) {
        switch (opened.stream->Next(entry)) {
            case ArchiveStream::Step::End:
                return -1;
            case ArchiveStream::Step::Error:
                return kErrorArchive;
            case ArchiveStream::Step::Entry:
                break;
        }
        // Links and devices are not files with contents of their own;
        // like the directory scan, the listing never takes them.
        if (entry.type == StoredEntry::Other) continue;
        if (!WildcardMatches(opened.wildcard, entry.name)) continue;
        info->originalSize = entry.size;
        info->compressedSize = 0;
        info->fileName = std::move(entry.name);
        return 0;
    }
}

std::string FolderWithoutSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

}  // namespace

int RunCommand(ArchiveFormat format, const char* line, char* output, std::uint32_t outputSize) {
    Output out(format, output, outputSize);
    if (!line) return out.Say(kErrorCommand, "no command line");
    auto command = ParseExtractCommand(line, format);
    if (!command) return out.Say(kErrorCommand, std::string("cannot run the command: ") + line);
    const std::string& name = command->entryName;

    auto leaf = ExtractableLeafName(name);
    if (!leaf) return out.Say(kErrorUnsafe, "refusing the entry name \"" + name + "\"");

    // The folder itself must not be a link: everything lands inside it.
    UniqueFd folder(open(FolderWithoutSlash(command->folder).c_str(),
                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0) {
        return out.Say(kErrorFolder,
                       "cannot use the folder " + command->folder + ": " + std::strerror(errno));
    }

    auto stream = ArchiveStream::Open(command->archivePath, format);
    if (!stream) return out.Say(kErrorArchive, "cannot read the archive " + command->archivePath);

    StoredEntry entry;
    bool sawOther = false;
    for (;;) {
        auto step = stream->Next(entry);
        if (step == ArchiveStream::Step::Error) {
            return out.Say(kErrorArchive, "the archive " + command->archivePath + " is damaged");
        }
        if (step == ArchiveStream::Step::End) {
            return out.Say(sawOther ? kErrorUnsafe : kErrorNotFound,
                           sawOther ? "\"" + name + "\" is not a regular file"
                                    : "no entry \"" + name + "\" in " + command->archivePath);
        }
        if (entry.name != name) continue;
        if (entry.type == StoredEntry::File && entry.sizeKnown) break;
        sawOther = true;
    }

    UniqueFd file(openat(folder.get(), leaf->c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.get() < 0) {
        return out.Say(kErrorWrite,
                       "cannot create " + command->folder + *leaf + ": " + std::strerror(errno));
    }
    // Owner read and write whatever the umask says.
    fchmod(file.get(), 0600);
    std::string error;
    bool ok = stream->CopyData(file.get(), entry.size, error);
    if (close(file.release()) != 0 && ok) {
        ok = false;
        error = std::string("cannot write: ") + std::strerror(errno);
    }
    if (!ok) {
        unlinkat(folder.get(), leaf->c_str(), 0);
        return out.Say(kErrorWrite, "\"" + name + "\": " + error);
    }
    return out.Say(0, "extracted " + name);
}

HARC OpenArchive(ArchiveFormat format, const char* path, std::uint32_t) {
    if (!path) return nullptr;
    auto stream = ArchiveStream::Open(path, format);
    if (!stream) return nullptr;
    auto opened = std::make_unique<OpenedArchive>();
    opened->format = format;
    opened->path = path;
    opened->stream = std::move(stream);
    std::lock_guard lock(handlesMutex);
    handles.insert(opened.get());
    return opened.release();
}

int CloseArchive(ArchiveFormat format, HARC archive) {
    OpenedArchive* opened = nullptr;
    {
        std::lock_guard lock(handlesMutex);
        auto it = handles.find(static_cast<OpenedArchive*>(archive));
        if (it == handles.end() || (*it)->format != format) return kErrorHandle;
        opened = *it;
        handles.erase(it);
    }
    delete opened;
    return 0;
}

int FindFirst(ArchiveFormat format, HARC archive, const char* wildName, IndividualInfo* info) {
    OpenedArchive* opened = Lookup(format, archive);
    if (!opened || !info) return kErrorHandle;
    if (opened->searched) {
        // A second search starts over from the first entry.
        auto fresh = ArchiveStream::Open(opened->path, format);
        if (!fresh) return kErrorArchive;
        opened->stream = std::move(fresh);
    }
    opened->searched = true;
    opened->wildcard = wildName ? wildName : "";
    return Advance(*opened, info);
}

int FindNext(ArchiveFormat format, HARC archive, IndividualInfo* info) {
    OpenedArchive* opened = Lookup(format, archive);
    if (!opened || !info || !opened->searched) return kErrorHandle;
    return Advance(*opened, info);
}

bool CheckArchive(ArchiveFormat format, const char* path, int) {
    return path && ArchiveStream::Recognises(path, format);
}

bool SetBackGroundMode(ArchiveFormat format, bool background) {
    // Nothing runs in the background here; the setting is only remembered.
    backgroundMode[static_cast<int>(format)] = background;
    return true;
}

namespace {

template <ArchiveFormat F>
struct EntryPoints {
    static int Command(HWND, const char* line, char* output, std::uint32_t size) {
        return RunCommand(F, line, output, size);
    }
    static bool SetBackGround(bool background) { return SetBackGroundMode(F, background); }
    static HARC Open(HWND, const char* path, std::uint32_t mode) {
        return OpenArchive(F, path, mode);
    }
    static int Close(HARC archive) { return CloseArchive(F, archive); }
    static int First(HARC archive, const char* wildName, IndividualInfo* info) {
        return FindFirst(F, archive, wildName, info);
    }
    static int Next(HARC archive, IndividualInfo* info) { return FindNext(F, archive, info); }
    static std::uint16_t Version() { return kVersion; }
    static bool Check(const char* path, int mode) { return CheckArchive(F, path, mode); }

    // Typed first, so that a signature drifting from the interface does not compile.
    static std::vector<Symbol> Table(const std::string& prefix) {
        ArchiverCommandFn command = &Command;
        ArchiverSetBackGroundModeFn background = &SetBackGround;
        ArchiverOpenArchiveFn open = &Open;
        ArchiverCloseArchiveFn close = &Close;
        ArchiverFindFirstFn first = &First;
        ArchiverFindNextFn next = &Next;
        ArchiverGetVersionFn version = &Version;
        ArchiverCheckArchiveFn check = &Check;
        return {{prefix, reinterpret_cast<void*>(command)},
                {prefix + "SetBackGroundMode", reinterpret_cast<void*>(background)},
                {prefix + "OpenArchive", reinterpret_cast<void*>(open)},
                {prefix + "CloseArchive", reinterpret_cast<void*>(close)},
                {prefix + "FindFirst", reinterpret_cast<void*>(first)},
                {prefix + "FindNext", reinterpret_cast<void*>(next)},
                {prefix + "GetVersion", reinterpret_cast<void*>(version)},
                {prefix + "CheckArchive", reinterpret_cast<void*>(check)}};
    }
};

}  // namespace

const std::vector<Symbol>& LhaSymbols() {
    static const std::vector<Symbol> symbols = EntryPoints<ArchiveFormat::Lzh>::Table("Unlha");
    return symbols;
}

const std::vector<Symbol>& ZipSymbols() {
    static const std::vector<Symbol> symbols = EntryPoints<ArchiveFormat::Zip>::Table("UnZip");
    return symbols;
}

const std::vector<Symbol>& ArcSymbols() {
    static const std::vector<Symbol> symbols = EntryPoints<ArchiveFormat::Arc>::Table("UnArc");
    return symbols;
}

}  // namespace nebu::platform::builtin
