#include "engine/Nebu.h"

#include <cstdio>
#include <ctime>
#include <optional>

#include "engine/CompareModes.h"
#include "engine/GroupWalk.h"
#include "engine/LogText.h"
#include "engine/NebuThread.h"
#include "engine/PassLists.h"
#include "engine/SameChkList.h"
#include "engine/ScopeGuard.h"
#include "platform/FileIdentity.h"

namespace nebu {

namespace {

std::string JoinDirs(const TDirList& dirs) {
    std::string text;
    for (const auto& name : dirs.InAddedOrder()) {
        if (!text.empty()) text += ";";
        text += name;
    }
    return text;
}

bool SameDirsInOrder(TDirList& a, TDirList& b) {
    if (a.Count() != b.Count()) return false;
    std::string x, y;
    bool moreA = a.First(x);
    bool moreB = b.First(y);
    while (moreA && moreB) {
        if (x != y) return false;
        moreA = a.Next(x);
        moreB = b.Next(y);
    }
    return moreA == moreB;
}

}  // namespace

TNebu::TNebu()
    : FileFunc(std::make_unique<TNebuFileFunc>()),
      SrcList(std::make_unique<TNebuList>()),
      DstList(std::make_unique<TNebuList>()) {}

TNebu::~TNebu() {
    SrcList->Clear();
    DstList->Clear();
}

std::string TNebu::DateTimeText(std::int64_t epochSeconds) {
    std::time_t t = static_cast<std::time_t>(epochSeconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    if (tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0) {
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                      tm.tm_mday);
    } else {
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", tm.tm_year + 1900,
                      tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    }
    return buf;
}

std::string TNebu::ElapsedText(std::int64_t seconds) {
    if (seconds < 0) seconds = 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>((seconds / 3600) % 24),
                  static_cast<int>((seconds / 60) % 60), static_cast<int>(seconds % 60));
    return buf;
}

void TNebu::Log(const std::string& line) {
    // Every log line passes here: a name can forge no line downstream.
    const std::string shown = EscapeControlCharacters(line);
    if (Worker != nullptr) {
        Worker->LogLine(shown);
    } else {
        LogQueue.Push(shown);
    }
}

namespace {

bool IsListedArchive(const TNebuFileFunc& ff, const std::string& folder) {
    return ff.Listings().Find(folder) != nullptr;
}

// The file a side of a pair stands for: the archive for an entry, else the
// file itself.
std::string SideFile(const std::string& folder, const std::string& name, bool entry) {
    return entry ? folder : JoinPath(folder, name);
}

}  // namespace

SamePairRec TNebu::Settled(const SamePairRec& rec, PairFate fate) const {
    SamePairRec pair = rec;
    pair.entry1 = IsListedArchive(*FileFunc, rec.folder1);
    pair.entry2 = IsListedArchive(*FileFunc, rec.folder2);
    pair.fate = fate;
    return pair;
}

void TNebu::HandOver(const SamePairRec& rec, PairFate fate) {
    SamePairRec pair = Settled(rec, fate);
    // Every pair leaves with what its two files were when found equal, so
    // that deleting from the results later can tell whether they still are.
    // They are not stated again here: a file changed since its comparison
    // no longer has the recorded identity, which stops its deletion then.
    pair.identity1 = FileFunc->ComparedIdentity(SideFile(rec.folder1, rec.name1, pair.entry1));
    pair.identity2 = FileFunc->ComparedIdentity(SideFile(rec.folder2, rec.name2, pair.entry2));
    if (PairSettled) PairSettled(pair);
    if (Worker != nullptr) {
        Worker->HandOverSamePair(&pair);
    } else {
        SameQueue.Push(pair);
    }
}

void TNebu::SettleDeleted(const SamePairRec& rec, bool sourceSide) {
    if (!PairSettled) return;
    const bool trash = FileFunc->ToRecycleBin;
    const PairFate fate = sourceSide ? (trash ? PairFate::SourceTrashed : PairFate::SourceDeleted)
                                     : (trash ? PairFate::Trashed : PairFate::Deleted);
    PairSettled(Settled(rec, fate));
}

MsgAnswer TNebu::Ask(const std::string& text, MsgButtons buttons) {
    if (Worker != nullptr) return Worker->AskMessage(FileFunc->Caption, text, buttons);
    if (Host != nullptr) return Host->ShowMessage(FileFunc->Caption, text, buttons);
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No;
}

DelAnswer TNebu::AskDeleteChoice(DeleteChoice& choice) {
    if (Worker != nullptr) {
        Worker->AskDeleteChoice(choice);
    } else if (Host != nullptr) {
        Host->ShowDeleteChoice(choice);
    } else {
        choice.DelResult = DelAnswer::DeleteNeither;
    }
    return choice.DelResult;
}

void TNebu::RequestStop() {
    Stop = 1;
    FileFunc->Stop = true;
}

void TNebu::TakeFileFuncStop() {
    if (FileFunc->Stop) Stop = 1;
}

std::vector<TNebu::Pass> TNebu::Passes() const {
    const SidePass src{SrcSubDir == 1, SrcLzh == 1, SrcZip == 1, SrcArc == 1, SrcMask, SrcIgnore};
    const SidePass dst{DstSubDir == 1, DstLzh == 1, DstZip == 1, DstArc == 1, DstMask, DstIgnore};
    const bool srcBoth = SrcWithFiles && src.Archives();
    const bool dstBoth = DstWithFiles && dst.Archives();
    if (!srcBoth && !dstBoth) return {Pass{src, dst}};
    // Exactly the two jobs the option stands for: the sides' plain files as
    // if their archive boxes were off, then the archives as a job without
    // the option would take them.
    auto plainOf = [](SidePass side) {
        side.Lzh = side.Zip = side.Arc = false;
        return side;
    };
    auto archivesOf = [](SidePass side, const std::string& arcMask) {
        side.Mask = arcMask;
        side.Ignore.clear();
        return side;
    };
    return {Pass{srcBoth ? plainOf(src) : src, dstBoth ? plainOf(dst) : dst},
            Pass{srcBoth ? archivesOf(src, SrcArcMask) : src,
                 dstBoth ? archivesOf(dst, DstArcMask) : dst}};
}

void TNebu::CompareLists(const Pass& pass) {
    if (SrcList->Count() <= 0 || DstList->Count() <= 0) return;
    std::int64_t planned = 0;
    ForEachSharedSize(SrcList->Groups(), DstList->Groups(), [&](std::size_t i, std::size_t j) {
        planned += GroupBytes(SrcList->Groups()[i], DstList->Groups()[j]);
    });
    Bytes.AddPlanned(planned);
    const bool srcArchives = pass.Src.Archives();
    const bool dstArchives = pass.Dst.Archives();
    if (srcArchives && dstArchives) {
        if (ArcByEntry) {
            CompareArchiveEntries(*this);
        } else {
            ComparePlain(*this);
        }
    } else if (dstArchives) {
        CompareTargetArchives(*this);
    } else if (srcArchives) {
        CompareSourceArchives(*this);
        SrcPlain = 0;
    } else {
        ComparePlain(*this);
    }
}

ScanOptions TNebu::SideScan(const SidePass& side) const {
    ScanOptions options;
    options.SearchAttr = SearchAttr;
    options.SizeMax = SizeMax;
    options.SizeMin = SizeMin;
    options.SubDir = side.SubDir;
    options.Lzh = side.Lzh;
    options.Zip = side.Zip;
    options.Arc = side.Arc;
    options.Mask = side.Mask;
    options.Ignore = side.Ignore;
    options.WholeArchives = FileFunc->ArcAsUnit;
    return options;
}

void TNebu::ScanAndCompare() {
    Log("ディレクトリ｢" + JoinDirs(SrcDirs) + "｣と｢" + JoinDirs(DstDirs) + "｣を検索します。");
    SrcPlain = 1;
    const std::vector<Pass> passes = Passes();
    TNebuList earlierSrc;
    TNebuList earlierDst;
    for (std::size_t i = 0; i < passes.size() && Stop == 0; ++i) {
        if (i > 0) {
            // A pass scans afresh: what the one before deleted is gone.
            TakeOverMatches(earlierSrc, *SrcList);
            TakeOverMatches(earlierDst, *DstList);
            Phase = kPhaseScanSource;
        }
        if (passes.size() > 1) Log(i == 0 ? kPlainPassLine : kArchivePassLine);
        RunPass(passes[i]);
    }
    // The lists after the run hold every file of every pass, matched when
    // any pass found it, so that "different" means different in all of them.
    TakeOverMatches(*SrcList, earlierSrc);
    TakeOverMatches(*DstList, earlierDst);
}

void TNebu::RunPass(const Pass& pass) {
    TNebuFileFunc& ff = *FileFunc;
    ff.ArcAsUnit = pass.Src.Archives() && pass.Dst.Archives() && ArcByEntry == 0;
    SrcList->Clear();
    DstList->Clear();

    if (SourceScanBegins) SourceScanBegins();
    ff.ScanSide(SrcDirs, *SrcList, SideScan(pass.Src));
    if (Stop == 1) return;

    Log("比較元" + std::to_string(SrcList->Count()) + "件検索しました。");
    Phase = kPhaseScanTarget;
    // Identically set up sides are copied, not scanned a second time;
    // a target ignore mask of its own must still protect its files.
    if (pass.Src == pass.Dst && SameDirsInOrder(SrcDirs, DstDirs)) {
        NebuRec rec;
        for (bool more = SrcList->FirstFile(rec); more; more = SrcList->NextFile(rec)) {
            DstList->AddAppended(rec);
        }
    } else {
        ff.ScanSide(DstDirs, *DstList, SideScan(pass.Dst));
    }
    if (Stop == 1) return;

    Log("比較先" + std::to_string(DstList->Count()) + "件検索しました。");
    Phase = kPhaseCompare;
    CompareLists(pass);
}

void TNebu::Run() {
    TNebuFileFunc& ff = *FileFunc;
    ff.Host = Host;
    DeletedArcs.Clear();
    ff.ToRecycleBin = ToRecycleBin != 0;
    ff.ArcAsUnit = false;
    ff.ForgetIdentities();
    ff.Failures.Clear();
    Bytes.Reset();
    ff.Journal().BeginRun();
    Phase = kPhaseScanSource;
    const std::int64_t t0 = static_cast<std::int64_t>(std::time(nullptr));
    std::string closing;
    {
        // Shown in the log where it happened, in both programs; the log ends
        // with the run, so failures after it are only counted.
        ff.LogLine = [this](const std::string& line) { Log(line); };
        ff.Failures.LogTo(ff.LogLine);
        const ScopeGuard unhook([&ff] {
            ff.Failures.LogTo(nullptr);
            ff.LogLine = nullptr;
        });
        Log("処理開始（" + DateTimeText(t0) + "）");
        {
            // However the run ends, nothing it made or held stays behind.
            const ScopeGuard cleanUp([&ff] {
                ff.EndGroup();  // a stopped group may still hold extracted entries
                ff.RemoveExtractionCacheFolder();
                ff.RemoveWorkFolders();
                ff.ForgetIdentities();
                ff.Folders().Clear();
            });
            const bool archives = SrcLzh || SrcZip || SrcArc || DstLzh || DstZip || DstArc;
            if (!archives || ff.CreateWorkFolders()) ScanAndCompare();
        }
        if (Stop == 1) {
            closing = "処理中止";
        } else {
            // "削除しない" means nothing at all is removed, empty folders included.
            if (DelEmptyDirs == 1 && NoDelete == 0) {
                ff.RemoveEmptyTargetDirectories(DstDirs, SrcDirs, SideScan(Passes().back().Dst));
            }
            closing = "処理終了";
        }
    }
    const std::int64_t t1 = static_cast<std::int64_t>(std::time(nullptr));
    Log(closing + "（" + DateTimeText(t1) + "）");
    Log("処理時間は" + ElapsedText(t1 - t0) + "です");
    if (Stop != 1) Bytes.Complete();
    Phase = (Stop == 1) ? kPhaseStopped : kPhaseFinished;
}

void TNebu::EndAsBroken(const std::string& reason) {
    const RunFailure failure{FailureKind::RunBroken, reason};
    FileFunc->Failures.Note(failure.kind, failure.path);
    Log(FailureText(failure));
    Phase = kPhaseFinished;
}

}  // namespace nebu
