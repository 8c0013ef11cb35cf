#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "modem/Clock.h"
#include "modem/SerialLine.h"

namespace veltro {

class ModemEngine;

// The one owner of the card's line: its engine lives on the session's worker thread,
// and every dialogue with the modem is a job in the session's queue, run there one at
// a time. Nothing else holds the engine.
//
// A user's action (a dial, a key, a send) goes ahead of queued background steps (the
// polls, the inbox cycle's reads) but never interrupts the job that is running; long
// dialogues are split into jobs at the command boundaries the modem allows. A job that
// will never run (the line is let go, the session ends, there is no engine) gets its
// cancelled callback instead, once.
//
// Jobs and callbacks run on the worker thread, except the cancelled callbacks of queued
// jobs, which run on the thread that let the line go or stopped the session. Callers
// deliver results to their own thread themselves.
class ModemSession {
public:
    enum class Priority { User, Background };
    using Work = std::function<void(ModemEngine&)>;
    using Cancelled = std::function<void()>;

    ModemSession(Clock& clock, SerialLineFactory lines);
    ~ModemSession();

    ModemSession(const ModemSession&) = delete;
    ModemSession& operator=(const ModemSession&) = delete;

    // Queues work behind the jobs of its priority. Without an engine when its turn
    // comes, the job is cancelled.
    void Submit(Priority priority, Work work, Cancelled cancelled = {});
    // Queues, ahead of every background job: a new engine in place of any old one
    // (whose port is released), then start on it (finding and initialising the card).
    void Open(Work start, Cancelled cancelled = {});
    // Lets the line go: every queued job is cancelled now, the running one finishes
    // (a long wait in it sees Interrupting()), then the engine releases the port and
    // goes, and released runs on the worker. Jobs queued later are cancelled until
    // Open.
    void Release(std::function<void()> released);
    // Ends the worker: queued jobs are cancelled, the running one finishes, the port is
    // released. Returns once the worker has ended; the session takes no more jobs.
    void Stop();

    // True while a Release or Stop waits for the running job: a job that waits long
    // (a dial) stops waiting.
    bool Interrupting() const { return interrupting_.load(); }
    // Nothing queued and nothing running.
    bool Idle() const;
    // Whether the engine's device has gone (a card pulled out); false without engine.
    bool DeviceGone() const;
    bool HasEngine() const;
    Clock& GetClock() const { return clock_; }
    const SerialLineFactory& Lines() const { return lines_; }

private:
    struct Job {
        enum class Kind { Work, Open, Release } kind;
        Work work;
        Cancelled cancelled;
        std::function<void()> released;
    };

    void Run();
    void RunJob(Job& job);
    // Takes every queued job out under the lock; the caller cancels them unlocked.
    std::deque<Job> TakeQueuedLocked();
    static void CancelAll(std::deque<Job>& jobs);

    Clock& clock_;
    SerialLineFactory lines_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> userJobs_;
    std::deque<Job> backgroundJobs_;
    bool running_ = false;
    bool stopping_ = false;
    // Set by Release until the next Open: jobs are cancelled meanwhile.
    bool released_ = false;
    std::atomic<bool> interrupting_{false};
    std::unique_ptr<ModemEngine> engine_;
    std::thread worker_;
};

}  // namespace veltro
