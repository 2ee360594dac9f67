// A handler of the window written as a coroutine: it runs on the window's thread, and where it
// awaits the receiver it gives the thread back until the answer has come. GCC 12 miscompiles a
// co_await inside an if's condition: await into a variable first.
#pragma once

#include <coroutine>
#include <exception>
#include <functional>
#include <utility>

namespace tandrel {

class [[nodiscard]] Task {
public:
    struct promise_type;
    using Handle = std::coroutine_handle<promise_type>;

    struct promise_type {
        std::coroutine_handle<> awaiting; // the task that awaits this one
        std::function<void()> whenDone;   // for a task that nobody awaits

        Task get_return_object() { return Task(Handle::from_promise(*this)); }
        // Nothing runs before the task is started or awaited.
        std::suspend_always initial_suspend() noexcept { return {}; }
        auto final_suspend() noexcept {
            struct HandBack {
                bool await_ready() noexcept { return false; }
                std::coroutine_handle<> await_suspend(Handle self) noexcept {
                    promise_type& promise = self.promise();
                    if (promise.awaiting) {
                        return promise.awaiting;
                    }
                    if (promise.whenDone) {
                        promise.whenDone();
                    }
                    return std::noop_coroutine();
                }
                void await_resume() noexcept {}
            };
            return HandBack{};
        }
        void return_void() noexcept {}
        void unhandled_exception() noexcept { std::terminate(); }
    };

    Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    Task& operator=(Task&&) = delete;
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    // A task destroyed before its end is abandoned where it waits, with everything it holds.
    ~Task() {
        if (handle_) {
            handle_.destroy();
        }
    }

    // Runs a task that nobody awaits up to where it first waits; `whenDone` is called from inside
    // the task as it ends, so it must not destroy the task itself.
    void start(std::function<void()> whenDone) {
        handle_.promise().whenDone = std::move(whenDone);
        handle_.resume();
    }

    // Awaiting a task runs it to its end before the awaiting one goes on.
    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
        handle_.promise().awaiting = awaiting;
        return handle_;
    }
    void await_resume() const noexcept {}

private:
    explicit Task(Handle handle) : handle_(handle) {}
    Handle handle_;
};

} // namespace tandrel
