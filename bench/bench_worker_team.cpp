// Cost of one call of the kit's worker team (one block per thread, the caller taking block 0)
// against a condition-variable hand-off to the same number of persistent threads, and against
// the kit's threads and waits made afresh for every call; the same blocks of work on each side,
// every block's count checked after the run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "host/kit.h"
#include "runtime/core/kit_internal.h"

namespace {

constexpr int kBlocks = 4;
constexpr long kCalls = 100000;

// A block's work: a short computation (about a hundred nanoseconds) and a count, on a line of
// its own.
struct alignas(128) Slot {
    long runs = 0;
    double sink = 0;
};

struct Work {
    Slot slots[kBlocks];
    int steps = 64;
};

void do_block(void* argument, int block) {
    auto* w = static_cast<Work*>(argument);
    Slot& s = w->slots[block];
    double x = 1.0 + block;
    for (int i = 0; i < w->steps; ++i) x = x * 1.0000001 + 1e-9;
    s.sink += x;
    ++s.runs;
}

bool all_ran(const Work& w, long calls) {
    for (const Slot& s : w.slots)
        if (s.runs != calls) return false;
    return true;
}

// The reference: persistent threads woken through one mutex and condition variable with a
// generation count, the last to finish waking the caller through a second one.
class ConditionHandOff {
public:
    explicit ConditionHandOff(int blocks) : blocks_(blocks) {
        for (int b = 1; b < blocks; ++b) threads_.emplace_back([this, b] { loop(b); });
    }
    ~ConditionHandOff() {
        {
            std::lock_guard<std::mutex> hold(lock_);
            stop_ = true;
            ++generation_;
        }
        wake_.notify_all();
        for (auto& t : threads_) t.join();
    }
    void run(qor_team_task task, void* argument) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            task_ = task;
            argument_ = argument;
            pending_ = blocks_ - 1;
            ++generation_;
        }
        wake_.notify_all();
        task(argument, 0);
        std::unique_lock<std::mutex> hold(lock_);
        done_.wait(hold, [this] { return pending_ == 0; });
    }

private:
    void loop(int block) {
        unsigned long seen = 0;
        for (;;) {
            qor_team_task task;
            void* argument;
            {
                std::unique_lock<std::mutex> hold(lock_);
                wake_.wait(hold, [&] { return generation_ != seen; });
                seen = generation_;
                if (stop_) return;
                task = task_;
                argument = argument_;
            }
            task(argument, block);
            std::lock_guard<std::mutex> hold(lock_);
            if (--pending_ == 0) done_.notify_one();
        }
    }
    int blocks_;
    std::mutex lock_;
    std::condition_variable wake_, done_;
    unsigned long generation_ = 0;
    int pending_ = 0;
    bool stop_ = false;
    qor_team_task task_ = nullptr;
    void* argument_ = nullptr;
    std::vector<std::thread> threads_;
};

// What a position cost before the team: a thread per block made, waited for and closed.
struct ThreadArgument {
    Work* work;
    int block;
};
void thread_block(void* argument) {
    auto* a = static_cast<ThreadArgument*>(argument);
    do_block(a->work, a->block);
}
void threads_per_call(qor_kit* kit, Work* work) {
    void* handles[kBlocks];
    ThreadArgument arguments[kBlocks];
    for (int b = 1; b < kBlocks; ++b) {
        arguments[b] = {work, b};
        kit->ops->create_thread(kit, thread_block, &arguments[b], &handles[b]);
    }
    do_block(work, 0);
    qor_waiter* waiter = kit->ops->current_waiter(kit);
    int index = -1;
    waiter->ops->wait(waiter, kBlocks - 1, handles + 1, &index, 1, 0);
    for (int b = 1; b < kBlocks; ++b) kit->ops->close_handle(kit, handles[b]);
}

double microseconds_per_call(long calls, double seconds) { return seconds * 1e6 / static_cast<double>(calls); }

void BM_TeamCall(benchmark::State& state) {
    qor_kit* kit = qor_runtime_kit();
    qor_team* team = nullptr;
    kit->ops->create_team(kit, kBlocks, &team);
    Work work;
    for (auto _ : state) kit->ops->run_team(kit, team, do_block, &work, kBlocks);
    kit->ops->close_team(kit, team);
}
BENCHMARK(BM_TeamCall);

void BM_ConditionHandOff(benchmark::State& state) {
    ConditionHandOff handoff(kBlocks);
    Work work;
    for (auto _ : state) handoff.run(do_block, &work);
}
BENCHMARK(BM_ConditionHandOff);

void print_ratio() {
    qor_kit* kit = qor_runtime_kit();
    qor_team* team = nullptr;
    if (kit->ops->create_team(kit, kBlocks, &team) != 0) {
        std::printf("no team could be made\n");
        return;
    }
    Work ours_work, reference_work, fresh_work;
    const double ours = bench::best_seconds(3, [&] {
        for (long i = 0; i < kCalls; ++i) kit->ops->run_team(kit, team, do_block, &ours_work, kBlocks);
    });
    kit->ops->close_team(kit, team);
    double reference = 0;
    {
        ConditionHandOff handoff(kBlocks);
        reference = bench::best_seconds(3, [&] {
            for (long i = 0; i < kCalls; ++i) handoff.run(do_block, &reference_work);
        });
    }
    constexpr long kFreshCalls = 2000;
    const double fresh = bench::best_seconds(3, [&] {
        for (long i = 0; i < kFreshCalls; ++i) threads_per_call(kit, &fresh_work);
    });
    const bool checked = all_ran(ours_work, 3 * kCalls) && all_ran(reference_work, 3 * kCalls) &&
                         all_ran(fresh_work, 3 * kFreshCalls);
    std::printf("%d blocks, %s\n", kBlocks, bench::machine_line().c_str());
    std::printf("team call %.2f us, condition-variable hand-off %.2f us, ratio %.2f\n",
                microseconds_per_call(kCalls, ours), microseconds_per_call(kCalls, reference), ours / reference);
    std::printf("threads made and waited for per call %.2f us, ratio of the team %.3f\n",
                microseconds_per_call(kFreshCalls, fresh),
                microseconds_per_call(kCalls, ours) / microseconds_per_call(kFreshCalls, fresh));
    std::printf("every block ran once per call: %s\n", checked ? "yes" : "NO");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    print_ratio();
    benchmark::Shutdown();
    return 0;
}
