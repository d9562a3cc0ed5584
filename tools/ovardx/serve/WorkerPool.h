#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <httplib.h>

namespace ovardx::serve {

// The server's workers: a fixed number of threads, each serving one
// connection at a time, and a bounded queue of accepted connections waiting
// for one. When the queue is full the accepting thread waits, so further
// clients wait in the kernel's backlog instead of piling up here.
// shutdown() serves what is queued, then joins the threads.
class WorkerPool final : public httplib::TaskQueue {
public:
    WorkerPool(int workers, int queueLimit);
    ~WorkerPool() override;
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void enqueue(std::function<void()> job) override;
    void shutdown() override;

private:
    void Work();

    const std::size_t queueLimit_;
    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable roomFree_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace ovardx::serve
