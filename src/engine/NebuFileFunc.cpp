#include "engine/NebuFileFunc.h"

#include "engine/NebuRecords.h"
#include "platform/ArchiverApi.h"

namespace nebu {

TNebuFileFunc::TNebuFileFunc()
    : lzh_(platform::kLhaLibraryName, "Unlha"), zip_(platform::kZipLibraryName, "UnZip") {
    // Each library stands on its own: one that fails leaves the other usable.
    LzhReady = lzh_.Load() ? 1 : 0;
    ZipReady = zip_.Load() ? 1 : 0;
    folders_.OnOpenFailed(
        [this](const std::string& path, int error) { NoteUnreadable(path, error); });
}

// The libraries release themselves with their members; work folders still
// held (a job torn down without its end) go with the object.
TNebuFileFunc::~TNebuFileFunc() {
    ReleaseWorkFolders();
}

ArchiverLibrary& TNebuFileFunc::LibraryForKind(std::uint8_t kind) {
    return kind == kKindLzh ? lzh_ : zip_;
}

MsgAnswer TNebuFileFunc::Ask(const std::string& text, MsgButtons buttons) {
    // Without a host nobody can answer; going on is the answer that loses nothing.
    if (Host == nullptr) return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Yes;
    NebuHost* host = Host;
    const std::string caption = Caption;
    MsgAnswer answer = MsgAnswer::Ok;
    host->InvokeOnMainThread([&] { answer = host->ShowMessage(caption, text, buttons); });
    return answer;
}

}  // namespace nebu
