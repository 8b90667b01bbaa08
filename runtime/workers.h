// The worker threads every layer spreads large work over.
//
// A parallel step hands n numbered items to RT_run_parallel, which calls
// fn(i, self) once for each i in [0, n).  The calling thread takes items
// too, as participant 0; up to threads - 1 worker threads join it as
// participants 1, 2, ...  Items are taken in their order, one at a time,
// by whichever participant is free: an item may wait for an earlier one
// that another participant is still working on, never for a later one.
//
// The workers are started once, when a step first needs them (no more
// than RT_max_threads() - 1 of them), wait between steps without using
// the processor, and are joined when the process ends.  A step runs on
// the calling thread alone when
//   - it asks for one thread, or has one item;
//   - it is started from inside a step (from fn, on a worker or on the
//     step's caller), or while another thread's step holds the workers;
//   - no worker thread could be started.
// The result is the same either way; only the time differs.
//
// The workers, and the thread of BackgroundJobs, hold the kill signals
// back for their whole life: a kill is taken by the program's own thread
// (runtime/exit.h).
//
// An exception thrown by fn, on whichever thread, reaches the caller:
// the first one of a step ends the taking of items (the items already
// taken go on to their ends), and is rethrown on the calling thread once
// every participant has left the step.  An item that waits for an earlier
// one must therefore be let go also when that one throws.
#pragma once

#include <cstddef>
#include <type_traits>

// The most threads a step may use, the caller's among them: the
// machine's, at most 8.
unsigned RT_max_threads();

// Calls call(ctx, i, self) for each i in [0, n) on up to threads threads,
// as RT_run_parallel does, and returns when all calls have returned.
void RT_run_items(std::size_t n, unsigned threads, void (*call)(void* ctx, std::size_t i, unsigned self), void* ctx);

// Calls fn(i, self) for each i in [0, n) on up to threads threads (the
// calling one among them, as self 0) and returns when all calls have
// returned.  self is below min(threads, n) and no two participants of a
// step share it, so that fn may keep per-participant state in a table of
// that size.
template <class Fn>
void RT_run_parallel(std::size_t n, unsigned threads, Fn&& fn) {
    using F = std::remove_reference_t<Fn>;
    RT_run_items(
        n, threads, [](void* f, std::size_t i, unsigned self) { (*static_cast<F*>(f))(i, self); },
        const_cast<void*>(static_cast<const void*>(&fn)));
}

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

// One thread of its own that runs jobs behind the caller, one after
// another: a writer hands the buffer it filled over and fills the next
// meanwhile.  run() waits for the job before, so at most one is running
// or waiting.  The thread starts with the first job; where none can be
// started, every job runs at once on the caller.
class BackgroundJobs {
public:
    BackgroundJobs() = default;
    BackgroundJobs(const BackgroundJobs&) = delete;
    BackgroundJobs& operator=(const BackgroundJobs&) = delete;
    // Waits for the last job and ends the thread.
    ~BackgroundJobs();
    // Waits for the job before, then hands job to the thread.
    void run(std::function<void()> job);
    // Returns when the last job handed over has ended.  An exception that
    // a job threw on the thread is rethrown here (and by run, which
    // waits), once.
    void wait();

private:
    void serve();
    std::mutex m_;
    std::condition_variable cv_;
    std::function<void()> job_;  // the job handed over, empty when done
    std::exception_ptr error_;   // what a job threw, until the caller gets it
    bool stop_ = false;
    bool no_thread_ = false;  // no thread could be started: jobs run at once
    std::thread thread_;
};
