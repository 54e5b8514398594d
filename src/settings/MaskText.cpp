#include "settings/MaskText.h"

#include "platform/PathText.h"
#include "settings/Reactions.h"

namespace nebu {

std::string NormalizeMask(std::string_view field) {
    std::string text(field);
    text += ';';
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            // A multibyte character goes over whole: none of its bytes is a wildcard.
            const std::size_t len = platform::CharLength(text, i);
            result.append(text, i, len);
            i += len;
        } else if (byte == '*') {
            ++i;
            while (i < text.size() && (text[i] == '*' || text[i] == '?')) {
                if (text[i] == '?') result += '?';
                ++i;
            }
            result += '*';
        } else if (byte == ';') {
            result += ';';
            while (i < text.size() && text[i] == ';') ++i;
        } else {
            result += text[i];
            ++i;
        }
    }
    if (!result.empty() && result.front() == ';') result.erase(0, 1);
    if (result.empty() || result == "*.*;") result = "*;";
    return platform::AsciiUpper(result);
}

bool MaskTakesEveryName(std::string_view normalMask) {
    std::size_t pos = 0;
    while (pos < normalMask.size()) {
        std::size_t end = normalMask.find(';', pos);
        if (end == std::string_view::npos) end = normalMask.size();
        const std::string_view item = normalMask.substr(pos, end - pos);
        if (item == "*" || item == "?*" || item == "*.*") return true;
        pos = end + 1;
    }
    return false;
}

void SetArchiveMasks(WindowSettings& settings, int side) {
    SideSettings& s = settings.Side(side);
    s.MaskFieldsEnabled = false;
    if (s.LzhChk && s.ZipChk) {
        s.Fmask = "*.lzh;*.zip";
    } else if (s.LzhChk) {
        s.Fmask = "*.lzh";
    } else if (s.ZipChk) {
        s.Fmask = "*.zip";
    }
    s.noFmask.clear();
    if (s.LzhChk || s.ZipChk) {
        if (settings.ArcExeChk) s.Fmask += ";*.exe";
    } else {
        s.Fmask = "*.*";
        s.MaskFieldsEnabled = true;
    }
}

void CopySameConditions(WindowSettings& settings, int side) {
    if (!settings.CheckSame || settings.SameCopyInProgress) return;
    settings.SameCopyInProgress = true;
    const int other = OtherSide(side);
    // The receiving side gets what the giving side held when the copy began.
    const SideSettings from = settings.Side(side);
    SideSettings& to = settings.Side(other);
    to.Fmask = from.Fmask;
    to.noFmask = from.noFmask;
    SetTreeDirectory(settings, other, from.DirectoryListBox);
    SetSubDirChk(settings, other, from.SubDirChk);
    SetLzhChk(settings, other, from.LzhChk);
    SetZipChk(settings, other, from.ZipChk);
    to.DirListShown = from.DirListShown;
    to.DirListText = from.DirListText;
    settings.SameCopyInProgress = false;
}

void UpdateSearchAttr(WindowSettings& settings) {
    std::uint32_t attr = kBaseSearchAttr;
    if (settings.CheckHidden) attr |= kAttrHidden;
    if (settings.CheckSystem) attr |= kAttrSystem;
    settings.SearchAttr = attr;
    // Each tree rebuilds with the new attribute and reports a change.
    CopySameConditions(settings, 1);
    CopySameConditions(settings, 2);
}

}  // namespace nebu
