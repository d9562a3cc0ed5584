#include "tools/ovardx/serve/WorkerPool.h"

namespace ovardx::serve {

WorkerPool::WorkerPool(int workers, int queueLimit) : queueLimit_(static_cast<std::size_t>(queueLimit)) {
    threads_.reserve(static_cast<std::size_t>(workers));
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
}

WorkerPool::~WorkerPool() { shutdown(); }

void WorkerPool::enqueue(std::function<void()> job) {
    {
        std::unique_lock lock(mutex_);
        roomFree_.wait(lock, [this] { return jobs_.size() < queueLimit_ || stopping_; });
        jobs_.push_back(std::move(job));
    }
    jobReady_.notify_one();
}

void WorkerPool::shutdown() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ && threads_.empty()) return;
        stopping_ = true;
    }
    jobReady_.notify_all();
    roomFree_.notify_all();
    for (std::thread& thread : threads_) thread.join();
    threads_.clear();
}

void WorkerPool::Work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            jobReady_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        roomFree_.notify_one();
        // httplib's job serves a connection and closes its socket; it reports
        // its own errors through the handlers and never throws.
        job();
    }
}

}  // namespace ovardx::serve
