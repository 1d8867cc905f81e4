#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

namespace nolvetta::form {

// Jobs on threads of their own, the newest replacing the one before: that
// one is asked to stop and left to end by itself, so that the window's
// thread never waits while a file is still being read. Whatever still runs
// is stopped and waited for when the window closes.
class Workers {
public:
    Workers() = default;
    ~Workers() { stopAll(); }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // Starts `job` after asking the latest to stop. `job` must not throw.
    void start(std::function<void(std::stop_token)> job) {
        stopLatest();
        // An ended thread is joined at once.
        std::erase_if(threads_, [](const Worker& worker) { return worker.ended->load(); });
        auto ended = std::make_shared<std::atomic_bool>(false);
        std::jthread thread([job = std::move(job), ended](std::stop_token stop) {
            job(stop);
            ended->store(true);
        });
        threads_.push_back({std::move(thread), std::move(ended)});
    }
    void stopLatest() {
        if (!threads_.empty()) {
            threads_.back().thread.request_stop();
        }
    }
    void stopAll() {
        for (Worker& worker : threads_) {
            worker.thread.request_stop();
        }
        threads_.clear();
    }

private:
    struct Worker {
        std::jthread thread;
        std::shared_ptr<std::atomic_bool> ended;
    };
    std::vector<Worker> threads_;
};

}  // namespace nolvetta::form
