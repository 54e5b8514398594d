#include "results/GuiHost.h"

#include <QApplication>
#include <QMessageBox>

#include "engine/Nebu.h"
#include "engine/NebuThread.h"
#include "results/NebuMessages.h"

namespace nebu {

GuiHost::GuiHost(QWidget* questionParent) : questionParent_(questionParent) {}

GuiHost::~GuiHost() {
    StopAndJoin();
}

void GuiHost::SetDeleteChoiceDialog(std::function<void(DeleteChoice&)> ask) {
    askDeleteChoice_ = std::move(ask);
}

void GuiHost::InvokeOnMainThread(const std::function<void()>& call) {
    std::unique_lock lock(mutex_);
    calls_.push_back(&call);
    const std::uint64_t ticket = ++posted_;
    // One queued wake-up at a time; whoever serves the queue first runs the
    // call (the wake-up, or StopAndJoin waiting for the worker).
    if (!wakePosted_) {
        wakePosted_ = true;
        QMetaObject::invokeMethod(this, &GuiHost::RunPendingCalls, Qt::QueuedConnection);
    }
    wake_.notify_all();
    wake_.wait(lock, [&] { return done_ >= ticket; });
}

// Runs every queued call in order, without the lock while a call runs (it
// may open a question), and wakes the worker waiting for each one.
void GuiHost::RunQueuedCalls(std::unique_lock<std::mutex>& lock) {
    while (!calls_.empty()) {
        const std::function<void()>* call = calls_.front();
        calls_.pop_front();
        lock.unlock();
        (*call)();
        lock.lock();
        ++done_;
        wake_.notify_all();
    }
}

void GuiHost::RunPendingCalls() {
    std::unique_lock lock(mutex_);
    wakePosted_ = false;
    RunQueuedCalls(lock);
    lock.unlock();
    if (stopDeferred_ && questionDepth_ == 0) FinishDeferredStop();
}

MsgAnswer GuiHost::ShowMessage(const std::string& caption, const std::string& text,
                               MsgButtons buttons) {
    if (cancelling_) return MsgAnswer::Cancel;
    ++questionDepth_;
    const MsgAnswer answer = AskNebuMessage(questionParent_, caption, text, buttons);
    --questionDepth_;
    // A stop while the box was open wins over whatever closed it.
    return cancelling_ ? MsgAnswer::Cancel : answer;
}

void GuiHost::ShowDeleteChoice(DeleteChoice& dialog) {
    if (cancelling_) {
        dialog.DelResult = DelAnswer::Cancel;
        return;
    }
    if (!askDeleteChoice_) {
        // Nobody to ask: delete nothing and go on.
        dialog.DelResult = DelAnswer::DeleteNeither;
        return;
    }
    ++questionDepth_;
    askDeleteChoice_(dialog);
    --questionDepth_;
    if (cancelling_) dialog.DelResult = DelAnswer::Cancel;
}

void GuiHost::Start(TNebu& job) {
    if (worker_) StopAndJoin();
    job_ = &job;
    {
        std::lock_guard lock(mutex_);
        workerEnded_ = false;
    }
    cancelling_ = false;
    stopDeferred_ = false;
    worker_ = std::make_unique<TNebuThread>(job, *this);
    worker_->Start([this] {
        {
            std::lock_guard lock(mutex_);
            workerEnded_ = true;
            wake_.notify_all();
        }
        emit WorkerEnded();
    });
}

bool GuiHost::WorkerExists() const {
    return worker_ != nullptr;
}

void GuiHost::Join() {
    if (worker_ && !stopDeferred_) ServeUntilJoined();
}

void GuiHost::ServeUntilJoined() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return !calls_.empty() || workerEnded_; });
        RunQueuedCalls(lock);
        if (workerEnded_) break;
    }
    lock.unlock();
    worker_->Join();
    worker_.reset();
}

void GuiHost::StopAndJoin(std::function<void()> afterJoin) {
    if (!worker_) {
        if (afterJoin) afterJoin();
        return;
    }
    job_->RequestStop();
    cancelling_ = true;
    if (questionDepth_ > 0) {
        stopDeferred_ = true;
        if (afterJoin) {
            afterDeferredJoin_ = [first = std::move(afterDeferredJoin_),
                                  then = std::move(afterJoin)] {
                if (first) first();
                then();
            };
        }
        // The open question is the active modal window; closing it lets its
        // call return, and the join follows from there.
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            box->done(QMessageBox::Cancel);
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        }
        return;
    }
    ServeUntilJoined();
    if (afterJoin) afterJoin();
}

void GuiHost::FinishDeferredStop() {
    stopDeferred_ = false;
    std::function<void()> afterJoin = std::move(afterDeferredJoin_);
    afterDeferredJoin_ = {};
    if (worker_) ServeUntilJoined();
    if (afterJoin) afterJoin();
}

}  // namespace nebu
