#include "engine/NebuFileFunc.h"

#include "engine/NebuRecords.h"
#include "platform/FileReading.h"
#include "platform/SystemFolders.h"
#include "platform/UniqueFd.h"

namespace nebu {

TNebuFileFunc::TNebuFileFunc(const platform::LibraryLoader& loader)
    : catalogue_(loader),
      scanner_(stop_, failures_, catalogue_),
      remover_(failures_, identities_, catalogue_.Listings(), scanner_, logLine_),
      comparer_(failures_, identities_),
      extractor_(
          catalogue_, work_, identities_, comparer_, failures_, stop_, ArcAsUnit,
          [this](const std::string& text, MsgButtons buttons) { return Ask(text, buttons); }) {
    catalogue_.OnNotListed = [this](const std::string& path) { comparer_.NoteIfUnreadable(path); };
    catalogue_.OnDamaged = [this](const std::string& path) {
        const platform::UniqueFd fd(platform::OpenForReading(path));
        if (fd.valid()) {
            failures_.Note(FailureKind::ArchiveDamaged, path);
        } else {
            comparer_.NoteIfUnreadable(path);
        }
    };
    comparer_.OnGroupEnd = [this] { extractor_.EndGroup(); };
}

// Work folders still held (a job torn down without its end) go with the
// object.
TNebuFileFunc::~TNebuFileFunc() = default;

MsgAnswer TNebuFileFunc::Ask(const std::string& text, MsgButtons buttons) {
    // Without a host nobody can answer; going on is the answer that loses nothing.
    if (Host == nullptr) return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Yes;
    NebuHost* host = Host;
    const std::string caption = Caption;
    MsgAnswer answer = MsgAnswer::Ok;
    host->InvokeOnMainThread([&] { answer = host->ShowMessage(caption, text, buttons); });
    return answer;
}

bool TNebuFileFunc::CreateWorkFolders() {
    return CreateWorkFolder(0) && CreateWorkFolder(1);
}

bool TNebuFileFunc::CreateWorkFolder(int slot) {
    if (slot < 0 || slot > 1) return false;
    int error = 0;
    if (work_.Create(slot, error)) return true;
    Failures.Note(FailureKind::NoWorkFolders, platform::SystemTempFolder(), error);
    Ask("作業ディレクトリが作れません", MsgButtons::Ok);
    return false;
}

}  // namespace nebu
