// Speed of compiled methods against the same formulas in optimised C++ (an out-of-line
// reference in its own translation unit): a Black-Scholes call and a 20-cash-flow bond over
// precomputed market states, every state's result compared, ratios printed in the same run;
// the scaling of both on 4 threads; and the time to push 2,000 against 16,000 methods.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "tests/compiler/pricing_in_cpp.h"
#include "common/methods/methods_library.h"
#include "host/compiler.h"
#include "tests/compiler/pricing_methods.h"

namespace {

constexpr long kStates = 10000000;
constexpr int kThreads = 4;

using Formula = double (*)(const MarketState&, const Instrument&);

// The market states, made once before any timing: both sides read the same records.
const std::vector<MarketState>& states() {
    static const std::vector<MarketState> all = [] {
        std::vector<MarketState> v(static_cast<size_t>(kStates));
        for (long i = 0; i < kStates; ++i) v[static_cast<size_t>(i)] = state_of(i);
        return v;
    }();
    return all;
}

const Instrument kInstrument{100, 1.5, 2.5, 100};

// One compiled program with an instance per thread; rebinding to the next state is the store
// of its address into the instance's base vector, as the engine does.
struct Program {
    cmp_session* s = nullptr;
    int market = -1;
    std::vector<double*> result;
    Program(const char* method, const char* result_name, int blocks) {
        cmpints(&s, nullptr);
        methods_install_library(s);
        declare_pricing_structures(s);
        std::vector<std::string> prog = pricing_program();
        prog.push_back(std::string("runmethod ") + method + ";");
        for (const std::string& t : prog) cmpprss(s, t.c_str(), -1, nullptr, 0, nullptr, 0);
        cmpprss(s, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0);
        if (cmpgen(s, blocks) != 0) std::abort();
        market = cmpbasei(s, "_ZOZU_MKT_INST_", -1);
        int value = cmpbasei(s, "_ZOZU_VALUE_INST_", -1);
        for (int b = 0; b < blocks; ++b) {
            cmp_instance* in = cmpinsb(s, b);
            cmpbasev(in)[value] = const_cast<Instrument*>(&kInstrument);
            result.push_back(cmppdva(in, cmpsyms(s, result_name, -1)));
        }
    }
    ~Program() { cmpends(s); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
};

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// States from .. to - 1; the result of state i goes to out[i - from].
void run_compiled(Program& p, int block, long from, long to, double* out) {
    cmp_instance* in = cmpinsb(p.s, block);
    void** bases = cmpbasev(in);
    const MarketState* st = states().data();
    const double* result = p.result[static_cast<size_t>(block)];
    for (long i = from; i < to; ++i) {
        bases[p.market] = const_cast<MarketState*>(st + i);
        if (cmpfrun(in, static_cast<double>(i)) != 0) std::abort();
        out[i - from] = *result;
    }
}

void run_native(Formula f, long from, long to, double* out) {
    const MarketState* st = states().data();
    for (long i = from; i < to; ++i) out[i - from] = f(st[i], kInstrument);
}

// Every state's two results: identical bits, or the largest relative difference.
void compare_results(const char* what, const std::vector<double>& a, const std::vector<double>& b) {
    long identical = 0;
    double worst = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(double)) == 0) {
            ++identical;
            continue;
        }
        double d = std::fabs(a[i] - b[i]) / std::max(std::fabs(b[i]), 1e-300);
        worst = std::isnan(d) ? INFINITY : std::max(worst, d);
    }
    std::printf("%s: %ld of %zu states bit-identical, largest relative difference %.3g (%s)\n", what, identical,
                a.size(), worst, worst <= 1e-14 ? "agree" : "DIFFER");
}

// Both sides run in alternating slices of the same states, so that a change of machine load or
// clock during the run weighs on both alike.
constexpr long kSlices = 20;

void compare(benchmark::State& state, const char* method, const char* result, Formula native) {
    Program p(method, result, 1);
    std::vector<double> compiled(static_cast<size_t>(kStates)), reference(static_cast<size_t>(kStates));
    states();
    for (auto _ : state) {
        double tc = 0, tn = 0;
        for (long k = 0; k < kSlices; ++k) {
            long from = k * kStates / kSlices, to = (k + 1) * kStates / kSlices;
            auto t0 = std::chrono::steady_clock::now();
            run_compiled(p, 0, from, to, compiled.data() + from);
            tc += seconds_since(t0);
            t0 = std::chrono::steady_clock::now();
            run_native(native, from, to, reference.data() + from);
            tn += seconds_since(t0);
        }
        state.counters["compiled_states_per_s"] = kStates / tc;
        state.counters["cpp_states_per_s"] = kStates / tn;
        state.counters["ratio"] = tc / tn;
        std::printf("%s: compiled %.3g states/s, C++ %.3g states/s, ratio %.2f (target <= 1.3)\n", method,
                    kStates / tc, kStates / tn, tc / tn);
        compare_results(method, compiled, reference);
    }
}

double thread_cpu_seconds() {
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

// Scaling on 4 threads: each thread prices its own quarter of the states, against one thread
// pricing one quarter; 1.0 is linear. The best of five tries on each side.
void scaling(benchmark::State& state, const char* method, const char* result, Formula native) {
    Program p(method, result, kThreads);
    const long share = kStates / kThreads;
    std::vector<std::vector<double>> out(kThreads, std::vector<double>(static_cast<size_t>(share)));
    states();
    for (auto _ : state) {
        Timing c1, c4, n1, n4;
        for (int k = 0; k < 5; ++k) {
            c1.keep_best(seconds_on_threads(1, [&](int) { run_compiled(p, 0, 0, share, out[0].data()); }));
            n1.keep_best(seconds_on_threads(1, [&](int) { run_native(native, 0, share, out[0].data()); }));
            c4.keep_best(seconds_on_threads(kThreads, [&](int t) {
                run_compiled(p, t, t * share, (t + 1) * share, out[static_cast<size_t>(t)].data());
            }));
            n4.keep_best(seconds_on_threads(kThreads, [&](int t) {
                run_native(native, t * share, (t + 1) * share, out[static_cast<size_t>(t)].data());
            }));
        }
        state.counters["compiled_scaling"] = c1.wall / c4.wall;
        state.counters["cpp_scaling"] = n1.wall / n4.wall;
        double load[1] = {0};
        FILE* f = std::fopen("/proc/loadavg", "r");
        if (f) {
            if (std::fscanf(f, "%lf", &load[0]) != 1) load[0] = -1;
            std::fclose(f);
        }
        std::printf("%s on %d threads: compiled %.2f of linear, C++ %.2f of linear (per-thread processor time: "
                    "%.2f and %.2f) (%u cores, load average %.2f)\n",
                    method, kThreads, c1.wall / c4.wall, n1.wall / n4.wall, c1.cpu / c4.cpu, n1.cpu / n4.cpu,
                    std::thread::hardware_concurrency(), load[0]);
    }
}

// Pushing n methods (each one statement), ending the source and generating.
double seconds_to_push(int n) {
    auto t0 = std::chrono::steady_clock::now();
    cmp_session* s = nullptr;
    cmpints(&s, nullptr);
    char head[64], body[64], last[64];
    for (int i = 0; i < n; ++i) {
        std::snprintf(head, sizeof head, "method M%d;", i);
        std::snprintf(body, sizeof body, "x = %d;", i);
        for (const char* t : {static_cast<const char*>(head), static_cast<const char*>(body), "endmethod;"})
            if (cmpprss(s, t, -1, nullptr, 0, nullptr, 0) > 0) std::abort();
    }
    std::snprintf(last, sizeof last, "runmethod M%d;", n - 1);
    cmpprss(s, last, -1, nullptr, 0, nullptr, 0);
    cmpprss(s, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0);
    if (cmpgen(s, 1) != 0 || cmpfrun(cmpinsb(s, 0), 0) != 0 || *cmppdva(cmpinsb(s, 0), cmpsyms(s, "X", -1)) != n - 1)
        std::abort();
    cmpends(s);
    return seconds_since(t0);
}

void BM_MethodPush(benchmark::State& state) {
    for (auto _ : state) {
        double small = 1e30, large = 1e30;
        for (int k = 0; k < 3; ++k) {
            small = std::min(small, seconds_to_push(2000));
            large = std::min(large, seconds_to_push(16000));
        }
        state.counters["ratio_16000_to_2000"] = large / small;
        std::printf("push and generate: 2,000 methods %.3f s, 16,000 methods %.3f s, ratio %.1f (linear: 8)\n", small,
                    large, large / small);
    }
}

void BM_BlackScholes(benchmark::State& s) { compare(s, "black_scholes", "CALL_VALUE", baseline_black_scholes); }
void BM_Bond20(benchmark::State& s) { compare(s, "bond", "BOND_VALUE", baseline_bond); }
void BM_BlackScholesThreads(benchmark::State& s) { scaling(s, "black_scholes", "CALL_VALUE", baseline_black_scholes); }
void BM_Bond20Threads(benchmark::State& s) { scaling(s, "bond", "BOND_VALUE", baseline_bond); }

BENCHMARK(BM_BlackScholes)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Bond20)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_BlackScholesThreads)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_Bond20Threads)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_MethodPush)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
