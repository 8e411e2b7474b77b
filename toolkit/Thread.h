// SPDX-License-Identifier: GPL-3.0-or-later
// A thread object in the toolkit's style: created suspended, started explicitly,
// with a terminated flag and a wait for its end that keeps the GUI thread serving.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace skyvane {

class TThread {
public:
    TThread() = default;
    // A derived class must call TerminateAndWait in its own destructor, so that the
    // body never runs on a half-destroyed object; this one only checks it was done.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts the body on a new thread. Once only.
    void Start();
    // Sets the terminated flag; the body is expected to look at it.
    void Terminate() { terminated_ = true; }
    // True after Terminate.
    bool Terminated() const { return terminated_; }
    // True once the body has returned (or thrown).
    bool Finished() const { return finished_; }
    // Waits until the body has returned. On the GUI thread the wait keeps running the
    // calls queued by Synchronize and SendAndRelease, so it cannot deadlock on them.
    void WaitFor();
    // Terminate, then WaitFor (when the thread was started).
    void TerminateAndWait();
    // The exception that ended the body, if any; nobody is told of it otherwise.
    std::exception_ptr FatalException() const { return fatal_; }
    // Lets go of a started thread that cannot be waited for here (the caller runs
    // inside something the thread waits for, or is the thread itself): the thread
    // frees itself once its body has returned, or is freed now if it has.
    static void FreeOnTerminate(std::unique_ptr<TThread> thread);

protected:
    // The thread's body.
    virtual void Execute() = 0;

private:
    void Run();

    std::thread thread_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::exception_ptr fatal_;
    std::mutex lifeMutex_;          // between the body's end and FreeOnTerminate
    bool bodyReturned_ = false;     // the body will not touch the object any more
    bool freeOnTerminate_ = false;  // the body's thread frees the object
};

}  // namespace skyvane
