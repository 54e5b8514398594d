#pragma once
// A host that answers the engine's questions from a script and records them,
// running every posted call in place (the job runs on the test's thread).

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/Nebu.h"
#include "engine/NebuHost.h"
#include "engine/NebuThread.h"

namespace nebu::test {

class ScriptedHost : public NebuHost {
  public:
    std::deque<MsgAnswer> messageAnswers;
    std::deque<DelAnswer> deleteChoices;
    std::vector<std::string> questions;  // every message text, in order
    std::vector<DeleteChoice> choicesShown;

    // When set, every log line is drained right after it is queued and shown
    // to onLine, so a test can act (say, request a stop) at a given point.
    TNebu* job = nullptr;
    std::vector<std::string> lines;
    std::vector<SamePairRec> pairs;
    std::function<void(const std::string&)> onLine;

    void InvokeOnMainThread(const std::function<void()>& call) override {
        call();
        if (job == nullptr) return;
        std::string line;
        while (job->LogQueue.Pop(line)) {
            lines.push_back(line);
            if (onLine) onLine(line);
        }
        SamePairRec rec;
        while (job->SameQueue.Pop(rec)) pairs.push_back(rec);
    }
    MsgAnswer ShowMessage(const std::string&, const std::string& text,
                          MsgButtons buttons) override {
        questions.push_back(text);
        if (messageAnswers.empty())
            return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No;
        MsgAnswer a = messageAnswers.front();
        messageAnswers.pop_front();
        return a;
    }
    void ShowDeleteChoice(DeleteChoice& dialog) override {
        choicesShown.push_back(dialog);
        dialog.DelResult = deleteChoices.empty() ? DelAnswer::DeleteNeither : deleteChoices.front();
        if (!deleteChoices.empty()) deleteChoices.pop_front();
    }
};

struct RunResult {
    std::vector<std::string> log;
    std::vector<SamePairRec> pairs;
};

// Runs the job on the calling thread through a worker object and drains
// both queues.
inline RunResult RunJob(TNebu& job, ScriptedHost& host) {
    job.Stop = 0;
    job.FileFunc->Stop = 0;
    host.job = &job;
    host.lines.clear();
    host.pairs.clear();
    TNebuThread worker(job, host);
    worker.Execute();
    worker.Join();
    host.job = nullptr;
    return RunResult{host.lines, host.pairs};
}

}  // namespace nebu::test
