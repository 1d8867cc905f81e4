#include "win32/posted_tasks.h"

namespace nolvetta::win32 {

void PostedTasks::attach(HWND window) {
    const std::lock_guard lock(mutex_);
    to_ = window;
}

void PostedTasks::detach() {
    const std::lock_guard lock(mutex_);
    to_ = nullptr;
    tasks_.clear();
}

void PostedTasks::post(std::function<void()> task) {
    const std::lock_guard lock(mutex_);
    if (to_ != nullptr) {
        tasks_.push_back(std::move(task));
        PostMessageW(to_, Message, 0, 0);
    }
}

void PostedTasks::run(const std::function<bool()>& open) {
    while (open()) {
        std::function<void()> task;
        {
            const std::lock_guard lock(mutex_);
            if (tasks_.empty()) {
                return;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

}  // namespace nolvetta::win32
