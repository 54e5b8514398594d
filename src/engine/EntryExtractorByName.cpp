// One archive entry at a time is extracted into a private work folder, so
// that it can be compared like a plain file and deleted right after.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/EntryExtractor.h"
#include "engine/NebuRecords.h"
#include "platform/ArchiverCommand.h"
#include "platform/PathOpen.h"
#include "platform/WorkFiles.h"

namespace nebu {

namespace {

constexpr std::size_t kOutputSize = 65536;
// The libraries' report of each command; nobody reads it, but every command
// gets one, and one process-wide buffer serves them all.
char g_output[kOutputSize];

// Only a folder named like the ones this program makes ("nb0XXXX.tmp") is
// ever emptied: a slot that pointed anywhere else by mistake must not cost
// the user a file.
bool LooksLikeWorkFolder(const std::string& folder) {
    std::string_view path = folder;
    while (!path.empty() && path.back() == '/') path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return name.size() > 6 && name.substr(0, 2) == "nb" && name.substr(name.size() - 4) == ".tmp";
}

// Whatever an earlier extraction left in the folder (a file its caller could
// not delete, the partial output of a failed command) must never be taken
// for the entry extracted now.
void EmptyWorkFolder(const std::string& folder) {
    if (!LooksLikeWorkFolder(folder)) return;
    platform::RemoveFilesIn(folder);
}

}  // namespace

std::string EntryExtractor::ExtractLzhEntry(const std::string& archivePath,
                                            const std::string& entryName, int slot) {
    return ExtractWith(kKindLzh, archivePath, entryName, slot);
}

std::string EntryExtractor::ExtractZipEntry(const std::string& archivePath,
                                            const std::string& entryName, int slot) {
    return ExtractWith(kKindZip, archivePath, entryName, slot);
}

std::string EntryExtractor::ExtractWith(std::uint8_t kind, const std::string& archivePath,
                                        const std::string& entryName, int slot) {
    if (entryName.empty()) return "";
    if (slot < 0 || slot >= kSlotCount || work_.Paths[slot].empty()) return "";
    ArchiverLibrary& library = catalogue_.Library(kind);
    if (!library.Ready() || library.Command == nullptr) return "";
    const std::string& folder = work_.Paths[slot];

    EmptyWorkFolder(folder);

    // The archive is the copy that is kept when a duplicate of one of its
    // entries is deleted; remember it as it was before it was read, so that a
    // change made from now on stops that deletion.
    if (const std::optional<platform::FileIdentity> archive =
            platform::IdentityOfPath(archivePath)) {
        identities_.Remember(archivePath, *archive);
    } else {
        identities_.Forget(archivePath);
    }

    std::string command(platform::ExtractOptions(FormatOfKind(kind)));
    command += platform::QuoteCommandPath(archivePath);
    command += ' ';
    command += platform::QuoteCommandPath(folder);
    command += " \"";
    command += entryName;
    command += '"';

    const int result = library.Command(nullptr, command.c_str(), g_output,
                                       static_cast<std::uint32_t>(kOutputSize));
    if (result != 0) {
        AskAfterFailedExtraction(archivePath);
        // What a failed command left behind (a truncated or corrupt file)
        // says nothing about the archive; comparing it could "find" a
        // duplicate that does not exist and delete it.
        EmptyWorkFolder(folder);
        return "";
    }
    return TakeExtractedFile(slot);
}

std::string EntryExtractor::TakeExtractedFile(int slot) {
    if (slot < 0 || slot >= kSlotCount || work_.Paths[slot].empty()) return "";
    return platform::FirstRegularFileIn(work_.Paths[slot]);
}
}  // namespace nebu
