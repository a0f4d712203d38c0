// What the benchmarks share: wall and per-thread processor time of work started on several
// threads at once, and the line naming the cores and the load they were measured under.
#pragma once
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace bench {

inline double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The best wall time, in seconds, of `rounds` runs of work().
template <class Work>
double best_seconds(int rounds, Work work) {
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        work();
        best = std::min(best, seconds_since(t0));
    }
    return best;
}

inline double thread_cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// Seconds of one run of work(t) on `threads` threads started together: wall time until the
// last one ends, and the mean processor time of the threads (which time spent waiting for a
// core on a loaded machine does not inflate, while lines shared between threads do).
struct Timing {
    double wall = 1e30, cpu = 1e30;
    void keep_best(const Timing& t) {
        wall = std::min(wall, t.wall);
        cpu = std::min(cpu, t.cpu);
    }
};

template <class Work>
Timing seconds_on_threads(int threads, Work work) {
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<double> cpu(static_cast<size_t>(threads), 0.0);
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            ready.fetch_add(1);
            while (!go.load(std::memory_order_acquire)) std::this_thread::yield();
            double c0 = thread_cpu_seconds();
            work(t);
            cpu[static_cast<size_t>(t)] = thread_cpu_seconds() - c0;
        });
    while (ready.load() < threads) std::this_thread::yield();
    auto t0 = std::chrono::steady_clock::now();
    go.store(true, std::memory_order_release);
    for (auto& th : pool) th.join();
    Timing r;
    r.wall = seconds_since(t0);
    r.cpu = 0;
    for (double c : cpu) r.cpu += c / threads;
    return r;
}

// "8 cores, load average 0.12 0.30 0.25": the cores this process may run on (as nproc counts
// them) and the 1, 5 and 15-minute load averages, printed beside every figure of speed.
inline std::string machine_line() {
    cpu_set_t set;
    CPU_ZERO(&set);
    int cores = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set)
                                                           : static_cast<int>(std::thread::hardware_concurrency());
    double load[3] = {-1, -1, -1};
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3) load[0] = load[1] = load[2] = -1;
        std::fclose(f);
    }
    char line[96];
    std::snprintf(line, sizeof line, "%d cores, load average %.2f %.2f %.2f", cores, load[0], load[1], load[2]);
    return line;
}

}  // namespace bench
