#pragma once
// The engine's host on the desktop. The worker's synchronous calls (its
// questions) run on the Qt main thread from a locked task queue while the
// worker waits; log lines and same-pairs go straight into the job's locked
// queues, which the work-status window drains every 200 ms.

#include <QObject>
#include <QPointer>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "engine/NebuHost.h"

class QWidget;

namespace nebu {

class TNebu;
class TNebuThread;

class GuiHost : public QObject, public NebuHost {
    Q_OBJECT
  public:
    // Questions are shown over `questionParent`.
    explicit GuiHost(QWidget* questionParent);
    ~GuiHost() override;  // stops and joins a worker that is still there

    void InvokeOnMainThread(const std::function<void()>& call) override;
    MsgAnswer ShowMessage(const std::string& caption, const std::string& text,
                          MsgButtons buttons) override;
    void ShowDeleteChoice(DeleteChoice& dialog) override;
    bool QueueDirectly() const override { return true; }

    void SetDeleteChoiceDialog(std::function<void(DeleteChoice&)> ask);

    // Starts a worker on `job`; a previous worker is stopped and joined first.
    void Start(TNebu& job);
    // A worker exists that has not been joined yet.
    bool WorkerExists() const;
    // Waits for a worker whose run is ending (the job has written its last
    // phase), running any call it still makes, and joins it.
    void Join();
    // Requests a stop, closes an open question and answers it and every
    // coming one with Cancel, runs pending calls, and joins the worker; then
    // runs `afterJoin`. Called while one of this host's questions is open
    // (from inside its event loop) it cannot join before that question's
    // call has returned: it closes the question and the join, then
    // `afterJoin`, follow as soon as the call returns.
    void StopAndJoin(std::function<void()> afterJoin = {});

  signals:
    // Emitted on the worker thread once its run has returned; connect with
    // a queued connection.
    void WorkerEnded();

  private:
    void RunPendingCalls();
    void RunQueuedCalls(std::unique_lock<std::mutex>& lock);
    void ServeUntilJoined();
    void FinishDeferredStop();

    QPointer<QWidget> questionParent_;
    std::function<void(DeleteChoice&)> askDeleteChoice_;
    TNebu* job_ = nullptr;
    std::unique_ptr<TNebuThread> worker_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<const std::function<void()>*> calls_;
    std::uint64_t posted_ = 0;
    std::uint64_t done_ = 0;
    bool wakePosted_ = false;
    bool workerEnded_ = false;
    bool cancelling_ = false;  // main thread only, like the two below

    int questionDepth_ = 0;
    bool stopDeferred_ = false;
    std::function<void()> afterDeferredJoin_;
};

}  // namespace nebu
