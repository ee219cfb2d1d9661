#include "batch/batch_run.hpp"

#include <algorithm>

namespace kalvira {

namespace {

// Texts a thread takes at a time: few enough claims to keep the shared
// counter cold, small enough to share a short batch between threads.
constexpr std::size_t BLOCK = 16;

// No more threads than blocks: a short batch does not start idle threads.
unsigned thread_count(unsigned jobs, std::size_t texts) {
    const std::size_t blocks = (texts + BLOCK - 1) / BLOCK;
    return static_cast<unsigned>(std::min<std::size_t>(blocks, std::max(jobs, 1u)));
}

}  // namespace

BatchRun::BatchRun(BatchOperation op, BatchNotation notation, std::vector<std::string> texts, unsigned jobs,
                   bool check_wrap)
    : op_(op), notation_(notation), check_wrap_(check_wrap), texts_(std::move(texts)), outcomes_(texts_.size()) {
    try {
        for (unsigned i = thread_count(jobs, texts_.size()); i > 0; --i) {
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                ++running_;
            }
            threads_.emplace_back(&BatchRun::work, this);
        }
    } catch (...) {
        // A thread could not be started: stop the others and fail the call.
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            --running_;
        }
        stop();
        join();
        throw;
    }
}

BatchRun::~BatchRun() {
    stop();
    join();
}

void BatchRun::work() {
    const Cancellation cancel([this] { return stop_.load(std::memory_order_relaxed); });
    try {
        for (std::size_t start; (start = next_.fetch_add(BLOCK)) < texts_.size() && !stop_.load();) {
            const std::size_t end = std::min(start + BLOCK, texts_.size());
            for (std::size_t i = start; i < end && !stop_.load(std::memory_order_relaxed); ++i) {
                outcomes_[i] = run_text(op_, notation_, texts_[i], check_wrap_, cancel);
            }
        }
    } catch (const Cancelled&) {
        // stop() was called; results() reports it.
    } catch (...) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!fault_) {
            fault_ = std::current_exception();
        }
        stop_ = true;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    if (--running_ == 0) {
        finished_.notify_all();
    }
}

bool BatchRun::wait_for(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return finished_.wait_for(lock, timeout, [this] { return running_ == 0; });
}

void BatchRun::stop() { stop_ = true; }

void BatchRun::join() {
    for (std::thread& thread : threads_) {
        if (thread.joinable()) {
            thread.join();
        }
    }
}

std::vector<Outcome> BatchRun::results() {
    join();
    if (fault_) {
        std::rethrow_exception(fault_);
    }
    if (stop_) {
        throw Cancelled();
    }
    return std::move(outcomes_);
}

}  // namespace kalvira
