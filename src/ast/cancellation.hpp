#pragma once

// Long walks poll a cancellation check every few thousand steps, so that a
// caller (the Python binding, which looks for Ctrl-C) can stop them. The
// core knows nothing of Python: the check is a plain callable.

#include <exception>
#include <functional>
#include <utility>

namespace kalvira {

// Thrown by Cancellation::poll when the check asks to stop. Whoever supplied
// the check knows why and reports it; the walk only unwinds.
class Cancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

class Cancellation {
public:
    // Never stops.
    Cancellation() = default;
    // Stops when should_stop returns true.
    explicit Cancellation(std::function<bool()> should_stop) : should_stop_(std::move(should_stop)) {}

    // Counts one step; every POLL_INTERVAL steps asks the check.
    void poll() const {
        if (--countdown_ == 0) {
            countdown_ = POLL_INTERVAL;
            if (should_stop_ && should_stop_()) {
                throw Cancelled();
            }
        }
    }

private:
    static constexpr unsigned POLL_INTERVAL = 4096;
    std::function<bool()> should_stop_;
    mutable unsigned countdown_ = POLL_INTERVAL;
};

}  // namespace kalvira
