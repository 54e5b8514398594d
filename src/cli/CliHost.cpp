#include "cli/CliHost.h"

#include <chrono>
#include <istream>
#include <ostream>

#include "engine/NebuThread.h"

namespace nebu::cli {

namespace {
constexpr auto kPollInterval = std::chrono::milliseconds(200);

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
    std::size_t start = s.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : s.substr(start);
}
}  // namespace

CliHost::CliHost(std::istream& answers, std::ostream& prompt)
    : answers_(answers), prompt_(prompt), mainThread_(std::this_thread::get_id()) {}

void CliHost::InvokeOnMainThread(const std::function<void()>& call) {
    if (std::this_thread::get_id() == mainThread_) {
        call();
        return;
    }
    calls_.Invoke(call);
}

void CliHost::Drain(TNebu& job, const Callbacks& callbacks) {
    std::string line;
    while (job.LogQueue.Pop(line)) {
        if (callbacks.onLogLine) callbacks.onLogLine(line);
    }
    SamePairRec rec;
    while (job.SameQueue.Pop(rec)) {
        if (callbacks.onSamePair) callbacks.onSamePair(rec);
    }
}

void CliHost::RunJob(TNebu& job, const Callbacks& callbacks) {
    job.Stop = 0;
    job.FileFunc->Stop = 0;
    job.Phase = kPhaseScanSource;
    std::atomic<bool> workerEnded{false};
    TNebuThread worker(job, *this);
    worker.Start([this, &workerEnded] {
        workerEnded.store(true, std::memory_order_release);
        calls_.Wake();
    });
    auto nextTick = std::chrono::steady_clock::now() + kPollInterval;
    for (;;) {
        calls_.WaitForWork(nextTick);
        // Read before the calls are run: the worker posts nothing after it
        // has ended, so everything it posted is run below.
        const bool ended = workerEnded.load(std::memory_order_acquire);
        calls_.RunPosted();
        // Once the worker has returned nothing touches the job any more, so
        // the end is taken at once instead of on the second poll after it.
        if (ended) break;
        // A stop is taken at once, not at the next poll: the worker may be
        // about to delete something.
        const std::uint8_t phase = job.Phase;
        if (phase >= kPhaseScanSource && phase <= kPhaseCompare && callbacks.stopWanted &&
            callbacks.stopWanted()) {
            job.RequestStop();
        }
        if (std::chrono::steady_clock::now() < nextTick) continue;
        nextTick += kPollInterval;
        Drain(job, callbacks);
        if (callbacks.onTick) callbacks.onTick(job);
    }
    worker.Join();
    calls_.RunPosted();
    Drain(job, callbacks);
    if (callbacks.onTick) callbacks.onTick(job);
}

std::string CliHost::ReadAnswer() {
    std::string line;
    if (!std::getline(answers_, line)) return {};
    return Trimmed(line);
}

MsgAnswer CliHost::ShowMessage(const std::string& caption, const std::string& text,
                               MsgButtons buttons) {
    prompt_ << "[" << caption << "]\n" << text << "\n";
    for (;;) {
        switch (buttons) {
            case MsgButtons::Ok:
                prompt_ << "(Enter) " << std::flush;
                ReadAnswer();
                return MsgAnswer::Ok;
            case MsgButtons::YesNo:
                prompt_ << "はい/いいえ (y/n): " << std::flush;
                break;
            case MsgButtons::YesNoCancel:
                prompt_ << "はい/いいえ/キャンセル (y/n/c): " << std::flush;
                break;
        }
        if (!answers_) return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Cancel;
        const std::string a = ReadAnswer();
        if (a == "y" || a == "Y") return MsgAnswer::Yes;
        if (a == "n" || a == "N") return MsgAnswer::No;
        if (buttons == MsgButtons::YesNoCancel && (a == "c" || a == "C")) return MsgAnswer::Cancel;
    }
}

void CliHost::ShowDeleteChoice(DeleteChoice& dialog) {
    prompt_ << "以下のファイルは相互に比較している同じファイルです。\n"
            << "どちらのファイルを削除しますか？\n"
            << " 1: ﾌｧｲﾙ名：" << dialog.Fname1 << "  場所：" << dialog.Dname1 << "\n"
            << " 2: ﾌｧｲﾙ名：" << dialog.Fname2 << "  場所：" << dialog.Dname2 << "\n";
    for (;;) {
        prompt_ << "削除 (1/2), 削除しない (n), キャンセル (c): " << std::flush;
        // End of input answers the safe way: stop, delete nothing.
        if (!answers_) {
            dialog.DelResult = kDelCancel;
            return;
        }
        const std::string a = ReadAnswer();
        if (a == "1") {
            dialog.DelResult = kDelFirst;
            return;
        }
        if (a == "2") {
            dialog.DelResult = kDelSecond;
            return;
        }
        if (a == "n" || a == "N") {
            dialog.DelResult = kDelNeither;
            return;
        }
        if (a == "c" || a == "C") {
            dialog.DelResult = kDelCancel;
            return;
        }
    }
}

}  // namespace nebu::cli
