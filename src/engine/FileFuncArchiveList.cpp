#include <cstdint>
#include <limits>
#include <string_view>

#include "engine/NebuFileFunc.h"
#include "engine/NebuRecords.h"
#include "platform/ArchiverApi.h"

namespace nebu {

namespace {

// The last three characters against an upper-case kind name. ASCII bytes can
// never be part of a multibyte character, so a byte test is exact.
bool EndsWithNoCase(std::string_view path, std::string_view upperSuffix) {
    if (path.size() < upperSuffix.size()) return false;
    std::string_view tail = path.substr(path.size() - upperSuffix.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = tail[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != upperSuffix[i]) return false;
    }
    return true;
}

std::int64_t ClampSize(std::uint64_t size) {
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(size > kMax ? kMax : size);
}

std::int64_t AddClamped(std::int64_t a, std::int64_t b) {
    if (a > std::numeric_limits<std::int64_t>::max() - b) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return a + b;
}

}  // namespace

void TNebuFileFunc::DispatchArchive(const std::string& path, TNebuList& list) {
    if (EndsWithNoCase(path, "LZH")) {
        ListLzhArchive(path, list);
    } else if (EndsWithNoCase(path, "ZIP")) {
        ListZipArchive(path, list);
    } else if (Lzh == 1 && LzhReady == 1 && lzh_.Ready() && lzh_.CheckArchive(path.c_str(), 0)) {
        ListLzhArchive(path, list);
    } else if (Zip == 1 && ZipReady == 1 && zip_.Ready() && zip_.CheckArchive(path.c_str(), 0)) {
        ListZipArchive(path, list);
    }
}

void TNebuFileFunc::ListLzhArchive(const std::string& path, TNebuList& list) {
    if (LzhReady == 1 && lzh_.Ready()) ListArchive(lzh_, kKindLzh, path, list);
}

void TNebuFileFunc::ListZipArchive(const std::string& path, TNebuList& list) {
    if (ZipReady == 1 && zip_.Ready()) ListArchive(zip_, kKindZip, path, list);
}

void TNebuFileFunc::ListArchive(ArchiverLibrary& library, std::uint8_t kind,
                                const std::string& path, TNebuList& list) {
    platform::HARC archive =
        library.OpenArchive(nullptr, path.c_str(), platform::kOpenNoErrorMessages);
    if (archive == nullptr) return;

    const bool whole = ArcAsUnit == 1;
    _NebuRec rec;
    rec.Path = path;
    rec.Kind = kind;
    rec.Size = 0;

    platform::IndividualInfo info;
    for (int rc = library.FindFirst(archive, "*.*", &info); rc == 0;
         rc = library.FindNext(archive, &info)) {
        const std::string& name = info.fileName;
        if (!name.empty() && name.back() == '/') continue;  // a folder entry
        // A nameless entry would pose as a whole-archive record; it cannot be
        // extracted by name either, so it takes no part.
        if (name.empty()) continue;
        const std::int64_t size = ClampSize(info.originalSize);
        if (whole) {
            rec.Entries.Append(name, size);
            rec.Size = AddClamped(rec.Size, size);
        } else {
            rec.Entry = name;
            rec.Size = size;
            list.AddSorted(rec);
        }
    }
    library.CloseArchive(archive);

    if (whole) list.AddSorted(rec);
}

}  // namespace nebu
