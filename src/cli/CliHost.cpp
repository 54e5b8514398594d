#include "cli/CliHost.h"

#include <chrono>
#include <csignal>
#include <istream>
#include <ostream>

#include "engine/LogText.h"
#include "engine/NebuThread.h"

namespace nebu::cli {

namespace {
constexpr auto kPollInterval = std::chrono::milliseconds(200);
// A stop (Ctrl-C) is passed on this soon, not at the next poll: the job may
// be about to delete something.
constexpr auto kStopCheckInterval = std::chrono::milliseconds(20);

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
    std::size_t start = s.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : s.substr(start);
}
}  // namespace

CliHost::CliHost(std::istream& answers, std::ostream& prompt)
    : answers_(answers), prompt_(prompt) {}

void CliHost::InvokeOnMainThread(const std::function<void()>& call) {
    call();
    if (job_ == nullptr) return;
    // A Ctrl-C that came while a question was open counts before the job
    // acts on the answer.
    PassOnStop(*job_);
    // What the call queued is shown at once rather than at the next poll;
    // the queues are touched on this thread only.
    Drain(*job_);
}

void CliHost::PassOnStop(TNebu& job) {
    const std::uint8_t phase = job.Phase;
    if (phase >= kPhaseScanSource && phase <= kPhaseCompare && callbacks_->stopWanted &&
        callbacks_->stopWanted()) {
        job.RequestStop();
    }
}

void CliHost::InterruptQuestion() {
    if (!asking_ || !callbacks_->stopWanted || !callbacks_->stopWanted()) return;
    // Only a handled signal interrupts; an unhandled one would end the process.
    struct sigaction current {};
    if (::sigaction(SIGINT, nullptr, &current) != 0 || current.sa_handler == SIG_DFL ||
        current.sa_handler == SIG_IGN || (current.sa_flags & SA_RESTART) != 0) {
        return;
    }
    ::pthread_kill(jobThread_, SIGINT);
}

void CliHost::Drain(TNebu& job) {
    std::lock_guard lock(output_);
    std::string line;
    while (job.LogQueue.Pop(line)) {
        if (callbacks_->onLogLine) callbacks_->onLogLine(line);
    }
    SamePairRec rec;
    while (job.SameQueue.Pop(rec)) {
        if (callbacks_->onSamePair) callbacks_->onSamePair(rec);
    }
}

void CliHost::Tick(TNebu& job) {
    if (!callbacks_->onTick) return;
    // Skipped while a line is written or a question waits for its answer.
    std::unique_lock lock(output_, std::try_to_lock);
    if (lock.owns_lock()) callbacks_->onTick(job);
}

void CliHost::RunJob(TNebu& job, const Callbacks& callbacks) {
    job.Stop = 0;
    job.FileFunc->Stop = 0;
    job.Phase = kPhaseScanSource;
    job_ = &job;
    callbacks_ = &callbacks;
    tickerEnd_ = false;
    jobThread_ = ::pthread_self();
    std::thread ticker([this, &job] {
        // Stop signals are the job thread's: only there do they cut a
        // question's read short.
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, signal);
        ::pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
        auto nextTick = std::chrono::steady_clock::now() + kPollInterval;
        std::unique_lock lock(tickerMutex_);
        while (!tickerWake_.wait_for(lock, kStopCheckInterval, [this] { return tickerEnd_; })) {
            PassOnStop(job);
            InterruptQuestion();
            if (std::chrono::steady_clock::now() < nextTick) continue;
            nextTick += kPollInterval;
            Tick(job);
        }
    });
    // The thread object still carries every hand-off; it just runs here.
    TNebuThread runner(job, *this);
    runner.Execute();
    runner.Join();
    {
        std::lock_guard lock(tickerMutex_);
        tickerEnd_ = true;
    }
    tickerWake_.notify_one();
    ticker.join();
    Drain(job);
    if (callbacks.onTick) callbacks.onTick(job);
    job_ = nullptr;
    callbacks_ = nullptr;
}

std::string CliHost::ReadAnswer() {
    std::string line;
    asking_ = true;
    // A stop that came before the read began is not waited out.
    const bool read = !(callbacks_ && callbacks_->stopWanted && callbacks_->stopWanted()) &&
                      std::getline(answers_, line);
    asking_ = false;
    if (!read) {
        answers_.setstate(std::ios::failbit);
        return {};
    }
    return Trimmed(line);
}

MsgAnswer CliHost::ShowMessage(const std::string& caption, const std::string& text,
                               MsgButtons buttons) {
    std::lock_guard lock(output_);
    // A name in the question must not forge lines on the terminal; the
    // question's own line breaks stay.
    std::string shown;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (start > 0) shown += '\n';
        shown += EscapeControlCharacters(std::string_view(text).substr(start, end - start));
        start = end + 1;
    }
    prompt_ << "[" << caption << "]\n" << shown << "\n";
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
    std::lock_guard lock(output_);
    prompt_ << "以下のファイルは相互に比較している同じファイルです。\n"
            << "どちらのファイルを削除しますか？\n"
            << " 1: ﾌｧｲﾙ名：" << EscapeControlCharacters(dialog.Fname1) << "  場所："
            << EscapeControlCharacters(dialog.Dname1) << "\n"
            << " 2: ﾌｧｲﾙ名：" << EscapeControlCharacters(dialog.Fname2) << "  場所："
            << EscapeControlCharacters(dialog.Dname2) << "\n";
    for (;;) {
        prompt_ << "削除 (1/2), 削除しない (n), キャンセル (c): " << std::flush;
        // End of input answers the safe way: stop, delete nothing.
        if (!answers_) {
            dialog.DelResult = DelAnswer::Cancel;
            return;
        }
        const std::string a = ReadAnswer();
        if (a == "1") {
            dialog.DelResult = DelAnswer::DeleteFirst;
            return;
        }
        if (a == "2") {
            dialog.DelResult = DelAnswer::DeleteSecond;
            return;
        }
        if (a == "n" || a == "N") {
            dialog.DelResult = DelAnswer::DeleteNeither;
            return;
        }
        if (a == "c" || a == "C") {
            dialog.DelResult = DelAnswer::Cancel;
            return;
        }
    }
}

}  // namespace nebu::cli
