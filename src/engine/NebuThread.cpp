#include "engine/NebuThread.h"

#include <exception>

#include "engine/Nebu.h"

namespace nebu {

TNebuThread::TNebuThread(TNebu& job, NebuHost& host) : job_(job), host_(host) {}

TNebuThread::~TNebuThread() {
    Join();
}

void TNebuThread::Start(std::function<void()> finished) {
    // The job reaches every hand-off through this object, so it is published
    // before the thread can make its first log call.
    job_.Worker = this;
    job_.Host = &host_;
    thread_ = std::thread([this, finished = std::move(finished)] {
        Execute();
        if (finished) finished();
    });
}

void TNebuThread::Execute() {
    job_.Worker = this;
    job_.Host = &host_;
    // An error the run could not handle ends this job, not the program: the
    // run has cleaned up behind itself, and the host sees a failed run.
    try {
        job_.Run();
    } catch (const std::exception& error) {
        job_.EndAsBroken(error.what());
    } catch (...) {
        job_.EndAsBroken("unknown error");
    }
}

void TNebuThread::Join() {
    if (thread_.joinable()) thread_.join();
    if (job_.Worker == this) job_.Worker = nullptr;
}

void TNebuThread::LogLine(const std::string& text) {
    // The job's last write is its phase, so a line pushed here is queued
    // before the host can see the end.
    if (host_.QueueDirectly()) {
        job_.LogQueue.Push(text);
        return;
    }
    Line = text;
    host_.InvokeOnMainThread([this] { job_.LogQueue.Push(Line); });
}

void TNebuThread::HandOverSamePair(const SamePairRec* rec) {
    if (host_.QueueDirectly()) {
        job_.SameQueue.Push(*rec);
        return;
    }
    Rec = rec;
    host_.InvokeOnMainThread([this] { job_.SameQueue.Push(*Rec); });
}

MsgAnswer TNebuThread::AskMessage(const std::string& caption, const std::string& text,
                                  MsgButtons buttons) {
    MsgAnswer answer = MsgAnswer::Cancel;
    host_.InvokeOnMainThread([&] { answer = host_.ShowMessage(caption, text, buttons); });
    return answer;
}

void TNebuThread::AskDeleteChoice(DeleteChoice& dialog) {
    host_.InvokeOnMainThread([&] { host_.ShowDeleteChoice(dialog); });
}

}  // namespace nebu
