// The persistent worker threads of RT_run_parallel.
//
// Creating and joining a handful of threads for every parallel step is a
// fixed cost (thread stacks mapped and unmapped, the other processors
// interrupted to forget them) that a small design pays as often as a
// large one.  The workers here are started once and wait on a condition
// variable between steps.
//
// A step is posted under the pool's lock with a number of seats; a worker
// that wakes takes a seat (and with it its participant number) while any
// is left.  The caller works through the items with the workers; when it
// runs out of items it closes the remaining seats, so that a worker that
// wakes late does not join a finished step, and waits for the workers
// still inside the step.
//
// Every thread made here starts with the kill signals held back, which it
// keeps: a kill is taken by the thread that runs the program, where the
// steps that must not be cut short hold it (runtime/exit.h).
//
// The state the workers use is shared between them and the pool, so that
// a process that ends from inside a step (fn reached the program's exit)
// can leave the workers running to the end of the process without their
// state being destroyed under them.
#include "runtime/workers.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "runtime/exit.h"

namespace {

constexpr unsigned kMaxThreads = 8;

// One step: its items and the next one to take (taken in full order, as
// an item may wait on the state of one taken before it), and the first
// exception an item threw.
struct Step {
    std::size_t n;
    void (*call)(void*, std::size_t, unsigned);
    void* ctx;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error{};  // set by the participant that set failed
};

// Takes items until none is left.  An item that throws ends the taking
// for every participant (the items taken go on to their ends); the first
// exception is kept for the step's caller, who sees it once the
// participants have left the step.
void take_items(Step& step, unsigned self) {
    try {
        for (std::size_t i; (i = step.next.fetch_add(1)) < step.n;)
            step.call(step.ctx, i, self);
    } catch (...) {
        if (!step.failed.exchange(true)) step.error = std::current_exception();
        step.next.store(step.n);
    }
}

// Set on a worker for its whole life and on a caller while it works on
// its step: a step started there runs on the calling thread alone.
thread_local bool t_in_step = false;

// Set once the pool has been taken down at the process's end: later steps
// run on their callers.
std::atomic<bool> g_pool_gone{false};

// Set in a child made by fork from a process with workers (by the child's
// one thread, before it can start another).
bool g_forked_child = false;

struct Shared {
    std::mutex step_lock;  // held by the caller of the step the workers serve
    std::mutex m;          // guards what follows
    std::condition_variable wake;  // a step was posted, or stop
    std::condition_variable idle;  // the last worker left the step
    uint64_t posted = 0;           // count of steps posted so far
    bool stop = false;
    Step* step = nullptr;
    unsigned seats = 0;      // workers that may still join the step
    unsigned next_self = 1;  // participant number of the next to join
    unsigned inside = 0;     // workers working on the step
};

void serve(std::shared_ptr<Shared> s, uint64_t seen) {
    t_in_step = true;
    const RtCrashStack crash_stack;
    std::unique_lock<std::mutex> lock(s->m);
    for (;;) {
        s->wake.wait(lock, [&] { return s->stop || s->posted != seen; });
        if (s->stop) return;
        seen = s->posted;
        if (s->seats == 0) continue;
        --s->seats;
        const unsigned self = s->next_self++;
        ++s->inside;
        Step* step = s->step;
        lock.unlock();
        take_items(*step, self);
        lock.lock();
        if (--s->inside == 0) s->idle.notify_one();
    }
}

// The workers' handles and what they share.
struct Workers {
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    std::vector<std::thread> threads;  // changed only under step_lock
    bool cannot_start = false;
};

// Where a child made by fork keeps the parent's workers: held to its end,
// neither destroyed nor lost.
std::atomic<Workers*> g_parents_workers{nullptr};

class Pool {
public:
    Pool() {
        // A child made by fork has none of the workers: its steps run on
        // their callers, and its end leaves the parent's threads alone.
        ::pthread_atfork(nullptr, nullptr, [] { g_forked_child = true; });
    }

    ~Pool() {
        g_pool_gone = true;
        // In a child made by fork the thread handles are the parent's:
        // joining, detaching or destroying them would act on threads that
        // are not there.  They are kept, untouched, to the end.
        if (g_forked_child) {
            g_parents_workers = w_.release();
            return;
        }
        // The process is ending.  From inside a step (on a worker, or on a
        // caller whose fn ended the run) the workers may be waiting for an
        // item that will never be finished: they are left to the end of the
        // process, the shared state with them.
        if (t_in_step) {
            for (std::thread& t : w_->threads) t.detach();
            return;
        }
        Shared& s = *w_->shared;
        std::lock_guard<std::mutex> no_step(s.step_lock);
        {
            std::lock_guard<std::mutex> lock(s.m);
            s.stop = true;
        }
        s.wake.notify_all();
        for (std::thread& t : w_->threads) t.join();
    }

    // Runs step on the caller and up to helpers workers; false when the
    // workers are busy with another thread's step (nothing was run).
    bool run(Step& step, unsigned helpers) {
        // The caller holds the shared state too: a run that ends from
        // inside the step takes the pool down while the step goes on.
        const std::shared_ptr<Shared> s = w_->shared;
        std::unique_lock<std::mutex> own(s->step_lock, std::try_to_lock);
        if (!own.owns_lock()) return false;
        start(helpers);
        helpers = std::min<unsigned>(helpers, static_cast<unsigned>(w_->threads.size()));
        if (helpers > 0) {
            {
                std::lock_guard<std::mutex> lock(s->m);
                s->step = &step;
                s->seats = helpers;
                s->next_self = 1;
                ++s->posted;
            }
            for (unsigned k = 0; k < helpers; ++k) s->wake.notify_one();
        }
        t_in_step = true;
        take_items(step, 0);
        t_in_step = false;
        if (helpers > 0) {
            std::unique_lock<std::mutex> lock(s->m);
            s->seats = 0;
            s->idle.wait(lock, [&] { return s->inside == 0; });
            s->step = nullptr;
        }
        return true;
    }

private:
    // Starts workers until there are wanted of them; a thread that cannot
    // be had stops the starting for good (the steps make do with fewer).
    void start(unsigned wanted) {
        Workers& w = *w_;
        if (w.threads.capacity() < kMaxThreads) w.threads.reserve(kMaxThreads);
        const RtKillHold inherited;
        while (w.threads.size() < wanted && !w.cannot_start) {
            try {
                w.threads.emplace_back(serve, w.shared, w.shared->posted);
            } catch (const std::system_error&) {
                w.cannot_start = true;
            }
        }
    }

    std::unique_ptr<Workers> w_ = std::make_unique<Workers>();
};

// Runs the step where a nested or competing step must go, and where the
// pool is down: on the caller.
void run_here(Step& step) { take_items(step, 0); }

// A step spread over several threads.  An exception of an item stays in
// the step; one of the pool's own making (no memory for it or for a
// thread's state) reaches the caller.
void run_spread(Step& step, unsigned participants) {
    if (t_in_step || g_forked_child || g_pool_gone.load()) return run_here(step);
    static Pool pool;
    if (!pool.run(step, participants - 1)) run_here(step);
}

}  // namespace

// The machine's count is read once: the library reads it from a system
// file at each call.
unsigned RT_max_threads() {
    static const unsigned max = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
    return max;
}

void RT_run_items(std::size_t n, unsigned threads, void (*call)(void*, std::size_t, unsigned), void* ctx) {
    if (n == 0) return;
    const unsigned participants =
        static_cast<unsigned>(std::min<std::size_t>({n, threads == 0 ? 1u : threads, RT_max_threads()}));
    if (participants <= 1) {
        for (std::size_t i = 0; i < n; ++i) call(ctx, i, 0);
        return;
    }
    Step step{n, call, ctx, {0}, {false}, {}};
    run_spread(step, participants);
    if (step.error) std::rethrow_exception(step.error);
}

BackgroundJobs::~BackgroundJobs() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

void BackgroundJobs::serve() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
        cv_.wait(lock, [&] { return job_ || stop_; });
        if (!job_) return;
        lock.unlock();
        std::exception_ptr error;
        try {
            job_();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error && !error_) error_ = error;
        job_ = nullptr;
        cv_.notify_all();
    }
}

void BackgroundJobs::run(std::function<void()> job) {
    wait();
    if (!thread_.joinable() && !no_thread_) {
        try {
            const RtKillHold inherited;
            thread_ = std::thread([this] { serve(); });
        } catch (const std::system_error&) {
            no_thread_ = true;
        }
    }
    if (no_thread_) {
        job();
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_);
        job_ = std::move(job);
    }
    cv_.notify_all();
}

void BackgroundJobs::wait() {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [&] { return !job_; });
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}
