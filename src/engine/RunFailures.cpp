#include "engine/RunFailures.h"

#include <cstring>

#include "engine/LogText.h"

namespace nebu {

std::string FailureText(const RunFailure& failure) {
    std::string text;
    switch (failure.kind) {
        case FailureKind::DeleteFailed:
            text = "削除できませんでした / could not delete: ";
            break;
        case FailureKind::ChangedNotDeleted:
            text =
                "比較の後に変わったので削除しませんでした / changed since compared, not deleted: ";
            break;
        case FailureKind::FolderUnreadable:
            text = "ディレクトリを読めませんでした / could not read folder: ";
            break;
        case FailureKind::NoWorkFolders:
            text = "作業ディレクトリが作れません / could not make work folders in: ";
            break;
        case FailureKind::FileUnreadable:
            text = "ファイルを読めませんでした / could not read file: ";
            break;
        case FailureKind::ExtractionFailed:
            text = "圧縮ファイルから取り出せませんでした / could not extract from archive: ";
            break;
        case FailureKind::FolderNotRemoved:
            text = "空のディレクトリを削除できませんでした / could not remove empty folder: ";
            break;
        case FailureKind::RunBroken:
            text = "処理を続けられませんでした / the run could not go on: ";
            break;
        case FailureKind::ArchiveDamaged:
            text =
                "圧縮ファイルが壊れているか読めない形式なので、そのままにしました / "
                "damaged or unsupported archive, left as it is: ";
            break;
        case FailureKind::JournalFailed:
            text =
                "削除の記録を書けないので削除しませんでした / "
                "the deletion journal cannot be written, not deleted: ";
            break;
    }
    text += failure.path;
    if (failure.error != 0) {
        text += " (";
        text += std::strerror(failure.error);
        text += ")";
    }
    return EscapeControlCharacters(text);
}

}  // namespace nebu
