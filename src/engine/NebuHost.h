#pragma once
// The engine's one window onto its host (desktop window, command line, tests).

#include <functional>
#include <string>

namespace nebu {

enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Yes, No, Cancel };

// The answers to the delete-choice question. The values are the dialog's
// modal results, so that a dialog can end with one as its result code.
enum class DelAnswer {
    NotAsked = 0,
    DeleteFirst = 1,
    DeleteSecond = 6,
    DeleteNeither = 7,
    Cancel = 2,  // stops the whole job
};

// The delete-choice question's texts and the answer of its last showing.
struct DeleteChoice {
    std::string Fname1, Dname1, Fname2, Dname2;
    DelAnswer DelResult = DelAnswer::NotAsked;
};

class NebuHost {
  public:
    virtual ~NebuHost() = default;
    // Called on the worker: runs `call` on the main thread and returns only
    // after it has run there. A host without a worker may run it in place.
    virtual void InvokeOnMainThread(const std::function<void()>& call) = 0;
    // Main thread only (reached through InvokeOnMainThread).
    virtual MsgAnswer ShowMessage(const std::string& caption, const std::string& text,
                                  MsgButtons buttons) = 0;
    // Main thread only: shows the question modally and sets DelResult.
    virtual void ShowDeleteChoice(DeleteChoice& dialog) = 0;
    // True when the worker may push log lines and same-pairs straight into
    // the job's (locked) queues instead of a synchronous call for each: the
    // host drains them on its own schedule. Questions still go through
    // InvokeOnMainThread and wait for their answer.
    virtual bool QueueDirectly() const { return false; }
};

}  // namespace nebu
