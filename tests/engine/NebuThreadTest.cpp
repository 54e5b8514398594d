// The worker thread and its hand-offs, with a host whose main thread really is
// another thread: every call runs there while the worker waits, everything
// reported before the end is queued when the end is seen, and a stop asked
// for during a call takes effect once the call has returned.

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "JobTestSupport.h"
#include "engine/Nebu.h"
#include "engine/NebuHost.h"
#include "engine/NebuThread.h"

namespace nebu::test {
namespace {

// Runs posted calls on the thread that calls Serve, as a window's event loop
// would; answers every question with `answer`.
class ThreadedHost : public NebuHost {
  public:
    explicit ThreadedHost(TNebu& job) : job_(job) {}

    void InvokeOnMainThread(const std::function<void()>& call) override {
        std::unique_lock lock(mutex_);
        ++invoked;
        calls_.push_back(&call);
        const std::uint64_t ticket = ++posted_;
        wake_.notify_all();
        wake_.wait(lock, [&] { return done_ >= ticket; });
    }
    MsgAnswer ShowMessage(const std::string&, const std::string& text, MsgButtons) override {
        if (std::this_thread::get_id() != mainThread_) ++offMainThread;
        questions.push_back(text);
        if (onQuestion) onQuestion();
        return answer;
    }
    void ShowDeleteChoice(DeleteChoice& dialog) override {
        dialog.DelResult = DelAnswer::DeleteNeither;
    }
    bool QueueDirectly() const override { return direct; }

    // Serves calls until the worker reports its end, then drains the queues
    // once more, as the window's last poll does.
    void Serve() {
        mainThread_ = std::this_thread::get_id();
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return !calls_.empty() || ended_; });
            while (!calls_.empty()) {
                const std::function<void()>* call = calls_.front();
                calls_.pop_front();
                lock.unlock();
                if (std::this_thread::get_id() != mainThread_) ++offMainThread;
                (*call)();
                lock.lock();
                ++done_;
                wake_.notify_all();
            }
            if (ended_) break;
        }
        lock.unlock();
        std::string line;
        while (job_.LogQueue.Pop(line)) lines.push_back(line);
        SamePairRec rec;
        while (job_.SameQueue.Pop(rec)) pairs.push_back(rec);
    }
    void Ended() {
        std::lock_guard lock(mutex_);
        ended_ = true;
        wake_.notify_all();
    }

    MsgAnswer answer = MsgAnswer::Yes;
    bool direct = false;
    int invoked = 0;
    std::function<void()> onQuestion;
    std::vector<std::string> questions;
    std::vector<std::string> lines;
    std::vector<SamePairRec> pairs;
    int offMainThread = 0;

  private:
    TNebu& job_;
    std::thread::id mainThread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<const std::function<void()>*> calls_;
    std::uint64_t posted_ = 0;
    std::uint64_t done_ = 0;
    bool ended_ = false;
};

class NebuThreadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tree_.MakeDir("元");
        tree_.MakeDir("先");
        // Two pairs of one size, so that a second question would follow.
        std::uint32_t seed = 1;
        for (const char* name : {"一.txt", "二.txt"}) {
            const std::string content = RandomBytes(100, seed++);
            tree_.Write(std::string("元/") + name, content);
            tree_.Write(std::string("先/") + name, content);
        }
        SetUpJob(job_, {tree_ / "元"}, {tree_ / "先"});
    }

    // One run on a new worker, served from this thread.
    void RunOnWorker(ThreadedHost& host) {
        job_.Stop = 0;
        job_.FileFunc->Stop = 0;
        job_.Phase = kPhaseScanSource;
        std::atomic<bool> finishedOnWorker{false};
        TNebuThread worker(job_, host);
        const std::thread::id here = std::this_thread::get_id();
        worker.Start([&] {
            finishedOnWorker = std::this_thread::get_id() != here;
            host.Ended();
        });
        host.Serve();
        worker.Join();
        EXPECT_TRUE(finishedOnWorker);
        EXPECT_EQ(job_.Worker, nullptr);
    }

    TempTree tree_;
    TNebu job_;
};

TEST_F(NebuThreadTest, EverythingReportedReachesTheQueuesInOrderOnTheMainThread) {
    ThreadedHost host(job_);
    RunOnWorker(host);
    EXPECT_EQ(host.offMainThread, 0);
    EXPECT_EQ(job_.Phase, kPhaseFinished);
    ASSERT_GE(host.lines.size(), 4u);
    EXPECT_EQ(host.lines.front().rfind("処理開始（", 0), 0u);
    EXPECT_EQ(LinesContaining(host.lines, "が同じです").size(), 2u);
    EXPECT_EQ(host.lines[host.lines.size() - 2].rfind("処理終了（", 0), 0u);
    EXPECT_EQ(host.pairs.size(), 2u);

    // A second run gets a new worker and the same answer.
    ThreadedHost again(job_);
    RunOnWorker(again);
    EXPECT_EQ(LinesContaining(again.lines, "が同じです"),
              LinesContaining(host.lines, "が同じです"));
}

TEST_F(NebuThreadTest, AStopDuringAQuestionTakesEffectWhenItReturns) {
    job_.NoDelete = 0;
    job_.DelConfirm = 1;
    ThreadedHost host(job_);
    // The stop button pressed while the first question is open; the answer
    // given is still "yes", and the job acts on the stop only afterwards.
    host.onQuestion = [&] { job_.RequestStop(); };
    RunOnWorker(host);
    EXPECT_EQ(host.offMainThread, 0);
    EXPECT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(job_.Phase, kPhaseStopped);
    EXPECT_FALSE(LinesContaining(host.lines, "処理中止（").empty());
}

TEST_F(NebuThreadTest, AHostThatQueuesDirectlyGetsEveryLineAndPairWithoutACallEach) {
    ThreadedHost queued(job_);
    RunOnWorker(queued);

    ThreadedHost direct(job_);
    direct.direct = true;
    RunOnWorker(direct);
    EXPECT_EQ(direct.invoked, 0);
    EXPECT_GT(queued.invoked, 0);
    // Same lines in the same order (the time stamps aside), same pairs.
    ASSERT_EQ(direct.lines.size(), queued.lines.size());
    EXPECT_EQ(LinesContaining(direct.lines, "が同じです"),
              LinesContaining(queued.lines, "が同じです"));
    EXPECT_EQ(direct.lines.front().rfind("処理開始（", 0), 0u);
    EXPECT_EQ(direct.lines[direct.lines.size() - 2].rfind("処理終了（", 0), 0u);
    EXPECT_EQ(direct.pairs, queued.pairs);
}

TEST_F(NebuThreadTest, QuestionsStillWaitForTheMainThreadWhenLinesQueueDirectly) {
    job_.NoDelete = 0;
    job_.DelConfirm = 1;
    ThreadedHost host(job_);
    host.direct = true;
    host.answer = MsgAnswer::No;
    RunOnWorker(host);
    EXPECT_EQ(host.offMainThread, 0);
    EXPECT_EQ(host.questions.size(), 2u);
    EXPECT_EQ(host.invoked, 2);
    EXPECT_EQ(host.pairs.size(), 2u);
    EXPECT_EQ(job_.Phase, kPhaseFinished);
}

// A host whose delete question breaks down: the worker ends the job as a
// failed run, with nothing deleted, and the program lives on.
class BrokenDialogHost : public ScriptedHost {
  public:
    MsgAnswer ShowMessage(const std::string&, const std::string&, MsgButtons) override {
        throw std::runtime_error("dialog gone");
    }
};

TEST_F(NebuThreadTest, AnErrorThrownInTheRunEndsItAsAFailedRun) {
    job_.NoDelete = 0;
    job_.DelConfirm = 1;
    BrokenDialogHost host;
    host.job = &job_;
    TNebuThread worker(job_, host);
    worker.Execute();

    EXPECT_EQ(job_.Phase, kPhaseFinished);
    const std::vector<RunFailure> failures = job_.FileFunc->Failures.List();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].kind, FailureKind::RunBroken);
    EXPECT_EQ(failures[0].path, "dialog gone");
    std::string line;
    while (job_.LogQueue.Pop(line)) host.lines.push_back(line);
    EXPECT_EQ(host.lines.back(), FailureText(failures[0]));
    EXPECT_TRUE(std::filesystem::exists(tree_ / "先/一.txt"));
    EXPECT_TRUE(std::filesystem::exists(tree_ / "先/二.txt"));
}

}  // namespace
}  // namespace nebu::test
