#pragma once

// A batch of texts worked off by a few threads, which share nothing but the
// index of the next block to take and a stop flag. Trees are immutable and
// their counts atomic, and every core call keeps its own tables, so threads
// need no locks; each outcome lands in the slot of its text, so the results
// are in input order and the same for any number of threads.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "batch/outcome.hpp"

namespace kalvira {

class BatchRun {
public:
    // Starts `jobs` threads (at least one) over texts; check_wrap as in run_text.
    BatchRun(BatchOperation op, BatchNotation notation, std::vector<std::string> texts, unsigned jobs,
             bool check_wrap = true);
    // Stops the threads, if still running, and waits for them.
    ~BatchRun();
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    // Waits at most `timeout`; true once every thread has finished.
    bool wait_for(std::chrono::milliseconds timeout);
    // Asks the threads to stop; each polls the flag every few thousand steps.
    void stop();
    // Waits for every thread to finish.
    void join();
    // Waits for the threads, then returns the outcomes in input order.
    // Rethrows the first fault of a thread; throws Cancelled after stop().
    std::vector<Outcome> results();

private:
    void work();

    const BatchOperation op_;
    const BatchNotation notation_;
    const bool check_wrap_;
    const std::vector<std::string> texts_;
    std::vector<Outcome> outcomes_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stop_{false};

    std::mutex mutex_;
    std::condition_variable finished_;
    unsigned running_ = 0;
    std::exception_ptr fault_;
    std::vector<std::thread> threads_;
};

}  // namespace kalvira
