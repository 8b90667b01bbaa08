#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "runtime/exit.h"
#include "runtime/workers.h"

namespace {

struct Spread {
    const char* name;
    std::size_t n;
    unsigned threads;
};

void PrintTo(const Spread& c, std::ostream* os) { *os << c.name; }

class WorkersSpread : public ::testing::TestWithParam<Spread> {};

// Every item is called once, and the participant numbers stay below the
// threads the step may use and are never shared by two threads in a step.
TEST_P(WorkersSpread, EachItemOnceAndParticipantsDistinct) {
    const Spread c = GetParam();
    for (int round = 0; round < 3; ++round) {
        std::vector<std::atomic<int>> calls(c.n);
        std::mutex m;
        std::vector<std::set<pid_t>> tids_of(std::max(1u, c.threads));
        std::atomic<bool> self_out_of_range{false};
        RT_run_parallel(c.n, c.threads, [&](std::size_t i, unsigned self) {
            calls[i].fetch_add(1);
            if (self >= std::max(1u, c.threads) || self >= c.n) {
                self_out_of_range = true;
                return;
            }
            std::lock_guard<std::mutex> lock(m);
            tids_of[self].insert(static_cast<pid_t>(::syscall(SYS_gettid)));
        });
        EXPECT_FALSE(self_out_of_range);
        for (std::size_t i = 0; i < c.n; ++i) ASSERT_EQ(calls[i].load(), 1) << "item " << i;
        std::set<pid_t> all;
        for (const auto& t : tids_of) {
            EXPECT_LE(t.size(), 1u);
            for (pid_t id : t) EXPECT_TRUE(all.insert(id).second) << "one thread under two numbers";
        }
        // The caller is participant 0 (the workers may have left it nothing).
        for (pid_t id : tids_of[0]) EXPECT_EQ(id, static_cast<pid_t>(::syscall(SYS_gettid)));
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, WorkersSpread,
                         ::testing::Values(Spread{"None", 0, 4}, Spread{"OneItem", 1, 8}, Spread{"ZeroThreads", 50, 0},
                                           Spread{"OneThread", 50, 1}, Spread{"FewItemsManyThreads", 3, 8},
                                           Spread{"ThreeThreads", 1000, 3}, Spread{"Many", 200000, 8},
                                           Spread{"AboveTheLimit", 5000, 64}),
                         [](const auto& info) { return std::string(info.param.name); });

// The workers are made once: many steps use no more threads than the
// limit in all (thread ids are not reused that soon).
TEST(Workers, ThreadsOutliveTheirStep) {
    std::mutex m;
    std::set<pid_t> tids;
    for (int step = 0; step < 50; ++step)
        RT_run_parallel(64, 8, [&](std::size_t, unsigned) {
            std::lock_guard<std::mutex> lock(m);
            tids.insert(static_cast<pid_t>(::syscall(SYS_gettid)));
        });
    EXPECT_LE(tids.size(), RT_max_threads());
}

// An item may wait for the one before it: items are taken in order, so
// the chain always finishes whatever the number of threads.
TEST(Workers, ItemWaitsForAnEarlierOne) {
    for (unsigned threads : {1u, 2u, 8u}) {
        constexpr std::size_t kItems = 2000;
        std::atomic<std::size_t> done{0};
        RT_run_parallel(kItems, threads, [&](std::size_t i, unsigned) {
            std::size_t d;
            while ((d = done.load()) != i) done.wait(d);
            done.store(i + 1);
            done.notify_all();
        });
        EXPECT_EQ(done.load(), kItems) << threads << " threads";
    }
}

// A step started from inside a step (on a worker or on the caller) runs
// there and finishes; so do steps started by two threads at once.
TEST(Workers, NestedAndCompetingStepsFinish) {
    std::atomic<std::size_t> inner{0};
    RT_run_parallel(16, 8, [&](std::size_t, unsigned) {
        RT_run_parallel(100, 8, [&](std::size_t, unsigned self) {
            EXPECT_EQ(self, 0u);
            inner.fetch_add(1);
        });
    });
    EXPECT_EQ(inner.load(), 1600u);

    std::atomic<std::size_t> total{0};
    auto steps = [&] {
        for (int k = 0; k < 200; ++k) RT_run_parallel(64, 8, [&](std::size_t, unsigned) { total.fetch_add(1); });
    };
    std::thread other(steps);
    steps();
    other.join();
    EXPECT_EQ(total.load(), 2u * 200 * 64);
}

// On one thread an exception reaches the caller, as a plain loop's would.
TEST(Workers, ExceptionOnOneThreadReachesTheCaller) {
    EXPECT_THROW(RT_run_parallel(10, 1, [](std::size_t i, unsigned) {
                     if (i == 3) throw std::runtime_error("item 3");
                 }),
                 std::runtime_error);
}

// An exception thrown on a worker (a std::bad_alloc, as memory that runs
// out there throws it) reaches the caller once the step is over, and the
// items not yet taken are not called.  The caller's items wait until a
// worker has thrown, so that the throw is a worker's.
TEST(Workers, ExceptionOnAWorkerReachesTheCaller) {
    if (RT_max_threads() < 2) GTEST_SKIP() << "one processor: no worker threads";
    constexpr std::size_t kItems = 100000;
    std::atomic<std::size_t> called{0};
    std::atomic<bool> thrown{false};
    EXPECT_THROW(RT_run_parallel(kItems, 8,
                                 [&](std::size_t, unsigned self) {
                                     called.fetch_add(1);
                                     if (self != 0) {
                                         thrown = true;
                                         throw std::bad_alloc();
                                     }
                                     const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                                     while (!thrown && std::chrono::steady_clock::now() < give_up)
                                         std::this_thread::yield();
                                 }),
                 std::bad_alloc);
    EXPECT_TRUE(thrown.load());
    EXPECT_LT(called.load(), kItems);
    // The workers serve the next step as before.
    std::atomic<std::size_t> sum{0};
    RT_run_parallel(1000, 8, [&](std::size_t i, unsigned) { sum.fetch_add(i); });
    EXPECT_EQ(sum.load(), 999u * 1000 / 2);
}

// The process ends through its one exit with the workers started: from
// the main thread between steps, from a worker and from the caller in
// the middle of a step (other workers still busy or waiting).
TEST(WorkersDeathTest, ExitWithWorkersStarted) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto busy_step = [](bool exit_on_caller) {
        const pid_t caller = static_cast<pid_t>(::syscall(SYS_gettid));
        std::atomic<bool> exiting{false};  // the exit is made by one thread
        RT_run_parallel(1000, 8, [&](std::size_t i, unsigned) {
            const bool on_caller = ::syscall(SYS_gettid) == caller;
            if (i >= 500 && on_caller == exit_on_caller && !exiting.exchange(true)) qdx_exit(7);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        });
        qdx_exit(9);  // every item done: the exit was not reached
    };
    EXPECT_EXIT(
        {
            RT_run_parallel(100, 8, [](std::size_t, unsigned) {});
            qdx_exit(5);
        },
        ::testing::ExitedWithCode(5), "");
    EXPECT_EXIT(busy_step(true), ::testing::ExitedWithCode(7), "");
    if (RT_max_threads() > 1) {
        EXPECT_EXIT(busy_step(false), ::testing::ExitedWithCode(7), "");
    }
}

// A child made by fork after the workers started has none of them: its
// steps run on it alone and its end does not wait for the parent's
// threads.
TEST(WorkersDeathTest, ForkedChildRunsStepsAlone) {
    GTEST_FLAG_SET(death_test_style, "fast");
    // Every worker takes part in one step before the fork, so that none is
    // still starting (a thread that starts holds the sanitizer allocator's
    // locks for a moment, and a child forked then would wait on them at
    // its end).
    const unsigned all = RT_max_threads();
    std::atomic<unsigned> arrived{0};
    RT_run_parallel(all, all, [&](std::size_t, unsigned) {
        arrived.fetch_add(1);
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (arrived.load() < all && std::chrono::steady_clock::now() < give_up) std::this_thread::yield();
    });
    EXPECT_EXIT(
        {
            std::atomic<std::size_t> sum{0};
            RT_run_parallel(1000, 8, [&](std::size_t i, unsigned) { sum.fetch_add(i); });
            qdx_exit(sum.load() == 999u * 1000 / 2 ? 3 : 4);
        },
        ::testing::ExitedWithCode(3), "");
}

// Jobs handed to the background run one after another, in their order, on
// a thread other than the caller's, and wait() returns once the last one
// has ended.
TEST(BackgroundJobs, RunInOrderBehindTheCaller) {
    std::vector<int> done;
    std::set<std::thread::id> ran_on;
    {
        BackgroundJobs jobs;
        for (int k = 0; k < 50; ++k)
            jobs.run([&done, &ran_on, k] {
                done.push_back(k);
                ran_on.insert(std::this_thread::get_id());
            });
        jobs.wait();
        ASSERT_EQ(done.size(), 50u);
        jobs.run([&done] { done.push_back(50); });
    }  // the end waits for the last job
    ASSERT_EQ(done.size(), 51u);
    for (int k = 0; k <= 50; ++k) EXPECT_EQ(done[static_cast<size_t>(k)], k);
    EXPECT_EQ(ran_on.count(std::this_thread::get_id()), 0u);
}

// A job that throws on the background thread hands the exception to the
// caller's next wait (or run), once; the jobs after it run as ever.
TEST(BackgroundJobs, ExceptionOfAJobReachesTheCaller) {
    BackgroundJobs jobs;
    jobs.run([] { throw std::bad_alloc(); });
    EXPECT_THROW(jobs.wait(), std::bad_alloc);
    EXPECT_NO_THROW(jobs.wait());
    bool ran = false;
    jobs.run([&ran] { ran = true; });
    jobs.wait();
    EXPECT_TRUE(ran);
}

}  // namespace
