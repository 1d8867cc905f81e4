#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

namespace nolvetta::win32 {

// Work for a window's thread, handed over from any thread: each task waits
// for the window to take the message that asks for it, and none is kept
// once the window is gone.
class PostedTasks {
public:
    static constexpr UINT Message = WM_APP;

    // From the window's creation to its WM_NCDESTROY.
    void attach(HWND window);
    void detach();

    void post(std::function<void()> task);
    // On Message: runs the tasks waiting, in turn, while `open` holds.
    void run(const std::function<bool()>& open);

private:
    std::mutex mutex_;
    HWND to_ = nullptr;
    std::deque<std::function<void()>> tasks_;
};

}  // namespace nolvetta::win32
