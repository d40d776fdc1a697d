// The thread that makes the window's pictures, so the window's events never wait for a drawing.
// It lives as long as the window: the text caches a render builds are kept per thread, and a
// thread started for each render would build them again every time.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace korvel {

class RenderWorker {
public:
    RenderWorker();
    ~RenderWorker();  // waits for the job under way
    RenderWorker(const RenderWorker&) = delete;
    RenderWorker& operator=(const RenderWorker&) = delete;

    // Runs `job` on the thread. Only one job at a time: the caller waits for idle first.
    void start(std::function<void()> job);
    bool busy() const;
    // Until the job under way (if any) has returned.
    void waitIdle();

private:
    void loop();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::function<void()> job_;
    bool busy_ = false;
    bool quit_ = false;
    std::thread thread_;
};

}  // namespace korvel
