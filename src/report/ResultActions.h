#pragma once
// What the user does with the same-file list after a job: which commands are
// offered, which targets a deletion takes, whether each may still go, and
// the series of deletions itself. Free of the window, which only binds them.

#include <functional>
#include <string>
#include <vector>

#include "engine/NebuHost.h"
#include "engine/Remover.h"
#include "report/DiffList.h"

namespace nebu {

inline constexpr const char* kDeleteButtonInitialCaption = "削　　除";
inline constexpr const char* kDeleteButtonOneCaption = "削  除";
inline constexpr const char* kDeleteItemOneCaption = "削除";
inline constexpr const char* kDeleteSeveralCaption = "確認しながら削除";
inline constexpr const char* kDeleteAllQuestion = "選択されたファイルを一気に削除してよいですか？";
inline constexpr const char* kCsvFilter = "ｶﾝﾏ区切りファイル (*.csv)";
// The save dialog's second file type: the same list in UTF-8 with a header.
inline constexpr const char* kCsvUtf8Filter = "ｶﾝﾏ区切りファイル UTF-8 (*.csv)";
// Presses this close to the list's left edge land on the row's image.
inline constexpr int kImageColumnWidth = 16;

// The state of the list's commands; an empty caption leaves the control's
// caption as it is.
struct ActionState {
    bool Open = false;       // opnBtn, Open1
    bool Delete = false;     // delBtn, Delete1
    bool DeleteAll = false;  // alldelBtn enabled, AllDel shown
    bool Swap = false;       // DelChg
    bool Save = false;       // saveBtn
    std::string DeleteButtonCaption;
    std::string DeleteItemCaption;
};

// `firstSelectedImage` is the image of the first selected row in list order.
ActionState DecideActions(int selectedRows, int firstSelectedImage, bool resultActions,
                          std::size_t rowCount);

// The selected rows (indexes in list order) with each target file once.
std::vector<SameRow> CollectSelectedTargets(const std::vector<SameRow>& rows,
                                            const std::vector<int>& selected);

std::string TargetPath(const SameRow& row);
std::string DeleteQuestion(const std::string& path);
std::string DeletedLine(const std::string& path);

// Whether a row's target may be deleted now, and when not, which rows go.
struct RowCheck {
    bool Deletable = false;
    // RemoveRowsOf(DropName, DropFolder) when not deletable.
    std::string DropName;
    std::string DropFolder;
    // A log line when a file is kept because it changed; empty otherwise.
    std::string LogLine;
};

// `srcPlain`: the sources are files (else archive entries, whose archive
// counts, except in a row whose source folder is a folder: a plain file
// counts); `bytewise`: the pairs were compared byte for byte, so the two
// files must still be equal.
RowCheck CheckRowFiles(const SameRow& row, bool srcPlain, bool bytewise);

struct DeleteSeries {
    bool SrcPlain = true;
    bool Bytewise = true;
    // Asked per file (Yes/No/Cancel) when set; every target goes without
    // a question otherwise.
    std::function<MsgAnswer(const std::string& question)> Ask;
    // `kept` is the row's source, which the target equalled.
    std::function<bool(const std::string& path, const KeptCopy& kept)> Remove;
    // False ends the series (the log could not be written).
    std::function<bool(const std::string& line)> Log;
    std::function<void(const std::string& name, const std::string& folder)> RemoveRowsOf;
};

// Deletes the targets of `targets` in order: each is checked before it is
// asked about and again just before it goes. Returns the number deleted.
int DeleteTargets(const std::vector<SameRow>& targets, const DeleteSeries& series);

}  // namespace nebu
