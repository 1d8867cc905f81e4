#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace nolvetta::form {

// The questions, message boxes and pop-ups a window has open, and the work
// posted meanwhile. A toolkit's modal loop still runs posted work; kept
// until the last one closes, it never acts inside the handler that asked.
class Questions {
public:
    using Post = std::function<void(std::function<void()>)>;
    // `post`: the view's way onto the window's thread.
    explicit Questions(Post post) : post_(std::move(post)) {}

    // Shows a question or a pop-up through `show`, and gives its answer.
    template <typename Show>
    auto ask(Show&& show) {
        const Open open(*this);
        return show();
    }

    bool open() const { return open_ > 0; }

    // Posts `task`, from any thread, so that it waits while a question is open.
    void post(std::function<void()> task) {
        post_([this, task = std::move(task)]() mutable { run(std::move(task)); });
    }

private:
    class Open {
    public:
        explicit Open(Questions& questions) : questions_(questions) { ++questions_.open_; }
        ~Open() {
            if (--questions_.open_ == 0 && !questions_.waiting_.empty()) {
                questions_.release();
            }
        }
        Open(const Open&) = delete;
        Open& operator=(const Open&) = delete;

    private:
        Questions& questions_;
    };

    void run(std::function<void()> task) {
        if (open_ > 0) {
            waiting_.push_back(std::move(task));
        } else {
            task();
        }
    }
    // Posted again, it runs once the handler that asked has returned.
    void release() noexcept {
        try {
            post([this, tasks = std::exchange(waiting_, {})] {
                for (const std::function<void()>& task : tasks) {
                    run(task);
                }
            });
        } catch (...) {  // out of memory: the work is lost, not the window
        }
    }

    Post post_;
    unsigned open_ = 0;
    std::vector<std::function<void()>> waiting_;
};

}  // namespace nolvetta::form
