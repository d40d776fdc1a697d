#include "app/render_worker.h"

namespace korvel {

RenderWorker::RenderWorker() : thread_([this] { loop(); }) {}

RenderWorker::~RenderWorker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void RenderWorker::start(std::function<void()> job) {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return !busy_; });
    job_ = std::move(job);
    busy_ = true;
    lock.unlock();
    wake_.notify_one();
}

bool RenderWorker::busy() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return busy_;
}

void RenderWorker::waitIdle() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return !busy_; });
}

void RenderWorker::loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || busy_; });
        if (busy_) {
            std::function<void()> job = std::move(job_);
            job_ = nullptr;
            lock.unlock();
            job();
            job = nullptr;  // what the job holds goes before anyone hears it is done
            lock.lock();
            busy_ = false;
            idle_.notify_all();
            continue;
        }
        if (quit_) return;
    }
}

}  // namespace korvel
