#pragma once
// The comparison job: every setting of one run, the two file lists, the file
// functions, the phase and the queues the host drains.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/ByteProgress.h"
#include "engine/DirList.h"
#include "engine/NebuFileFunc.h"
#include "engine/NebuList.h"
#include "engine/Queues.h"
#include "engine/Side.h"

namespace nebu {

class TNebuThread;

enum Phase : std::uint8_t {
    kPhaseNone = 0,
    kPhaseScanSource = 1,
    kPhaseScanTarget = 2,
    kPhaseCompare = 3,
    kPhaseStopped = 4,
    kPhaseFinished = 5,
};

class TNebu {
  public:
    TNebu();
    ~TNebu();
    TNebu(const TNebu&) = delete;
    TNebu& operator=(const TNebu&) = delete;

    std::uint8_t SrcPlain = 1;
    std::atomic<std::uint8_t> Stop{0};
    std::unique_ptr<TNebuFileFunc> FileFunc;
    std::unique_ptr<TNebuList> SrcList;
    std::unique_ptr<TNebuList> DstList;
    TMsgStr DeletedArcs;
    std::uint8_t SrcSubDir = 0;
    std::uint8_t DstSubDir = 0;
    std::uint8_t SrcLzh = 0;
    std::uint8_t DstLzh = 0;
    std::uint8_t SrcZip = 0;
    std::uint8_t DstZip = 0;
    std::uint8_t SrcArc = 0;  // 7z, tar and RAR
    std::uint8_t DstArc = 0;
    std::uint8_t DelConfirm = 0;
    std::uint8_t DelEmptyDirs = 0;
    std::uint8_t NoDelete = 1;
    std::uint8_t ToRecycleBin = 0;
    std::uint8_t ArcByEntry = 0;
    // A side with archive contents that also compares its plain files: its
    // masks keep selecting plain files, and its archives are those its
    // archive mask selects. Runs as two passes: plain files, then archives.
    std::uint8_t SrcWithFiles = 0;
    std::uint8_t DstWithFiles = 0;
    std::string SrcArcMask;
    std::string DstArcMask;
    std::uint32_t SearchAttr = 0x31;
    std::int64_t SizeMax = 100000000;
    std::int64_t SizeMin = 1;
    TDirList SrcDirs;
    TDirList DstDirs;
    std::string SrcMask = "*;";
    std::string DstMask = "*;";
    std::string SrcIgnore;
    std::string DstIgnore;
    std::atomic<std::uint8_t> Phase{kPhaseNone};
    TMsgStr LogQueue;
    TSameList SameQueue;
    // The comparison's progress in bytes to read; read by the host's poll.
    ByteProgress Bytes;

    // Target archive -> the source files its entries were found in, so that a
    // whole archive is deleted only while every one of them is unchanged.
    std::map<std::string, std::vector<std::string>> FullArchiveSources;

    // The host of the run; set before the worker starts.
    NebuHost* Host = nullptr;
    // The worker of the run under way; its hand-off operations carry every
    // log line, pair and question.
    TNebuThread* Worker = nullptr;
    // Called on the worker for every pair once its fate is known, those
    // deleted during the job included (they are never handed over). A host
    // reads what it gathers here only after the run has ended.
    std::function<void(const SamePairRec&)> PairSettled;
    // Called on the worker as the source side's scan begins, so that a test
    // can act on a job it knows to be scanning.
    std::function<void()> SourceScanBegins;

    // The run, on the worker thread only.
    void Run();
    // Ends a run that threw `reason`: logged, finished, and counted as a
    // failure, so that it never looks like a clean run.
    void EndAsBroken(const std::string& reason);

    // Hand-off shortcuts used by the comparison modes.
    void Log(const std::string& line);
    // Lists the pair in the results; `fate` says why it is still there.
    void HandOver(const SamePairRec& rec, PairFate fate = PairFate::Listed);
    // A pair whose target (or, with `sourceSide`, source) this job deleted.
    void SettleDeleted(const SamePairRec& rec, bool sourceSide = false);
    MsgAnswer Ask(const std::string& text, MsgButtons buttons);
    DelAnswer AskDeleteChoice(DeleteChoice& choice);
    // Sets both stop requests (Cancel, or the host's stop button).
    void RequestStop();
    // Copies the file functions' stop request into the job's.
    void TakeFileFuncStop();

    // Date-time text of the log's first and closing lines.
    static std::string DateTimeText(std::int64_t epochSeconds);
    static std::string ElapsedText(std::int64_t seconds);

    // What one side takes part with in one pass of the run.
    struct SidePass {
        bool SubDir = false;
        bool Lzh = false;
        bool Zip = false;
        bool Arc = false;
        std::string Mask;
        std::string Ignore;
        bool Archives() const { return Lzh || Zip || Arc; }
        bool operator==(const SidePass&) const = default;
    };
    struct Pass {
        SidePass Src;
        SidePass Dst;
    };
    // The passes of the run: one, or, when a side compares its plain files
    // as well as its archives, the plain pass and then the archive pass.
    std::vector<Pass> Passes() const;

  private:
    SamePairRec Settled(const SamePairRec& rec, PairFate fate) const;
    ScanOptions SideScan(const SidePass& side) const;
    void ScanAndCompare();
    void RunPass(const Pass& pass);
    void CompareLists(const Pass& pass);
};

}  // namespace nebu
