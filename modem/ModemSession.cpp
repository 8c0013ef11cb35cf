#include "modem/ModemSession.h"

#include <utility>

#include "modem/ModemEngine.h"

namespace veltro {

ModemSession::ModemSession(Clock& clock, SerialLineFactory lines)
    : clock_(clock), lines_(std::move(lines)), worker_([this] { Run(); }) {}

ModemSession::~ModemSession() {
    Stop();
}

void ModemSession::Submit(Priority priority, Work work, Cancelled cancelled) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_ && !released_) {
            auto& queue = priority == Priority::User ? userJobs_ : backgroundJobs_;
            queue.push_back({Job::Kind::Work, std::move(work), std::move(cancelled), {}});
            wake_.notify_one();
            return;
        }
    }
    if (cancelled) {
        cancelled();
    }
}

void ModemSession::Open(Work start, Cancelled cancelled) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            released_ = false;
            userJobs_.push_back({Job::Kind::Open, std::move(start), std::move(cancelled), {}});
            wake_.notify_one();
            return;
        }
    }
    if (cancelled) {
        cancelled();
    }
}

void ModemSession::Release(std::function<void()> released) {
    std::deque<Job> cancelled;
    {
        std::lock_guard lock(mutex_);
        cancelled = TakeQueuedLocked();
        if (!stopping_) {
            released_ = true;
            interrupting_ = running_;
            userJobs_.push_back({Job::Kind::Release, {}, {}, std::move(released)});
            wake_.notify_one();
        }
    }
    CancelAll(cancelled);
}

void ModemSession::Stop() {
    std::deque<Job> cancelled;
    {
        std::lock_guard lock(mutex_);
        if (!worker_.joinable()) {
            return;
        }
        cancelled = TakeQueuedLocked();
        stopping_ = true;
        interrupting_ = true;
        wake_.notify_one();
    }
    CancelAll(cancelled);
    worker_.join();
    std::unique_ptr<ModemEngine> engine;
    {
        std::lock_guard lock(mutex_);
        engine = std::move(engine_);
    }
    if (engine) {
        engine->Release();
    }
}

std::deque<ModemSession::Job> ModemSession::TakeQueuedLocked() {
    std::deque<Job> taken = std::move(userJobs_);
    for (Job& job : backgroundJobs_) {
        taken.push_back(std::move(job));
    }
    userJobs_.clear();
    backgroundJobs_.clear();
    return taken;
}

void ModemSession::CancelAll(std::deque<Job>& jobs) {
    for (Job& job : jobs) {
        if (job.cancelled) {
            job.cancelled();
        }
    }
}

bool ModemSession::Idle() const {
    std::lock_guard lock(mutex_);
    return !running_ && userJobs_.empty() && backgroundJobs_.empty();
}

bool ModemSession::DeviceGone() const {
    std::lock_guard lock(mutex_);
    return engine_ && engine_->DeviceGone();
}

bool ModemSession::HasEngine() const {
    std::lock_guard lock(mutex_);
    return engine_ != nullptr;
}

void ModemSession::Run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] {
                return stopping_ || !userJobs_.empty() || !backgroundJobs_.empty();
            });
            if (stopping_) {
                return;
            }
            auto& queue = userJobs_.empty() ? backgroundJobs_ : userJobs_;
            job = std::move(queue.front());
            queue.pop_front();
            running_ = true;
        }
        RunJob(job);
        {
            std::lock_guard lock(mutex_);
            running_ = false;
        }
    }
}

void ModemSession::RunJob(Job& job) {
    switch (job.kind) {
        case Job::Kind::Open: {
            auto engine = std::make_unique<ModemEngine>(clock_, lines_);
            std::unique_ptr<ModemEngine> previous;
            {
                std::lock_guard lock(mutex_);
                previous = std::exchange(engine_, std::move(engine));
            }
            if (previous) {
                previous->Release();
            }
            job.work(*engine_);
            return;
        }
        case Job::Kind::Release: {
            std::unique_ptr<ModemEngine> engine;
            {
                std::lock_guard lock(mutex_);
                engine = std::move(engine_);
            }
            if (engine) {
                engine->ClearResponse();
                engine->Release();
            }
            interrupting_ = false;
            if (job.released) {
                job.released();
            }
            return;
        }
        case Job::Kind::Work:
            if (engine_) {
                job.work(*engine_);
            } else if (job.cancelled) {
                job.cancelled();
            }
            return;
    }
}

}  // namespace veltro
