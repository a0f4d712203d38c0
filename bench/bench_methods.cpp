// Speed of compiled methods against the same formulas in optimised C++ (an out-of-line
// reference in its own translation unit): a Black-Scholes call and a 20-cash-flow bond over
// precomputed market states on both tiers (interpreter and machine code) in the same run, every
// state's result compared; the machine code's scaling on 1, 2, 4 and 8 threads; the time to
// compile a 100-method environment to machine code; and the time to push 2,000 against 16,000
// methods.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common/methods/methods_library.h"
#include "host/compiler.h"
#include "tests/compiler/pricing_in_cpp.h"
#include "tests/compiler/pricing_methods.h"

namespace {

using bench::seconds_since;

constexpr long kStates = 10000000;
constexpr int kMaxThreads = 8;

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

const char* tier_name(int tier) { return tier == CMP_TIER_NATIVE ? "native" : "VM"; }

// One compiled program on one tier with an instance per thread; rebinding to the next state is
// the store of its address into the instance's base vector, as the engine does.
struct Program {
    cmp_session* s = nullptr;
    int market = -1;
    int tier;
    std::vector<double*> result;
    Program(const char* method, const char* result_name, int blocks, int tier_wanted) : tier(tier_wanted) {
        cmpints(&s, nullptr);
        cmpopt2(s, CMP_OPTION_TIER, tier);
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

    // One run of every instance before timing (the native tier compiles at the first); false
    // when an instance is not on the tier asked for (the compiler's note says why).
    bool warm_up() {
        bool on_tier = true;
        for (size_t b = 0; b < result.size(); ++b) {
            cmp_instance* in = cmpinsb(s, static_cast<int>(b));
            cmpbasev(in)[market] = const_cast<MarketState*>(&states()[0]);
            if (cmpfrun(in, 0) != 0) std::abort();
            on_tier = on_tier && cmptier(in) == tier;
        }
        if (!on_tier) std::printf("NOTE: the %s tier is not available: the program runs on the VM\n", tier_name(tier));
        return on_tier;
    }
};

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

void run_cpp(Formula f, long from, long to, double* out) {
    const MarketState* st = states().data();
    for (long i = from; i < to; ++i) out[i - from] = f(st[i], kInstrument);
}

// Every state's two results: identical bits, or the largest relative difference.
void compare_results(const std::string& what, const std::vector<double>& a, const std::vector<double>& b) {
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
    std::printf("  %s: %ld of %zu states bit-identical, largest relative difference %.3g (%s)\n", what.c_str(),
                identical, a.size(), worst,
                identical == static_cast<long>(a.size()) ? "identical" : worst <= 1e-14 ? "agree" : "DIFFER");
}

// The three sides run in alternating slices of the same states, so that a change of machine load
// or clock during the run weighs on all alike.
constexpr long kSlices = 20;

void compare(benchmark::State& state, const char* method, const char* result, Formula cpp, double native_target) {
    Program vm(method, result, 1, CMP_TIER_VM), native(method, result, 1, CMP_TIER_NATIVE);
    vm.warm_up();
    bool native_ok = native.warm_up();
    const size_t n = static_cast<size_t>(kStates);
    std::vector<double> on_vm(n), on_native(n), reference(n);
    states();
    for (auto _ : state) {
        double tv = 0, tn = 0, tc = 0;
        for (long k = 0; k < kSlices; ++k) {
            long from = k * kStates / kSlices, to = (k + 1) * kStates / kSlices;
            auto t0 = std::chrono::steady_clock::now();
            run_compiled(vm, 0, from, to, on_vm.data() + from);
            tv += seconds_since(t0);
            t0 = std::chrono::steady_clock::now();
            run_compiled(native, 0, from, to, on_native.data() + from);
            tn += seconds_since(t0);
            t0 = std::chrono::steady_clock::now();
            run_cpp(cpp, from, to, reference.data() + from);
            tc += seconds_since(t0);
        }
        state.counters["vm_ratio"] = tv / tc;
        state.counters["native_ratio"] = tn / tc;
        std::printf("%s, %ld states, one thread (%s):\n", method, kStates, bench::machine_line().c_str());
        std::printf("  C++ %.3g states/s\n", kStates / tc);
        std::printf("  VM %.3g states/s, %.2f x the time of C++\n", kStates / tv, tv / tc);
        std::printf("  native %.3g states/s, %.2f x the time of C++ (target <= %.1f: %s)%s\n", kStates / tn, tn / tc,
                    native_target, tn / tc <= native_target ? "met" : "NOT MET",
                    native_ok ? "" : " [program stayed on the VM]");
        compare_results("VM against C++", on_vm, reference);
        compare_results("native against C++", on_native, reference);
        compare_results("native against VM", on_native, on_vm);
    }
}

// Scaling of the machine code: n threads each price a share of the states of the same size as
// the one thread does, so n times its throughput is linear (1.0). The best of seven tries for
// each count, the counts taken in turn; the C++ reference beside it shows what the machine
// itself allows.
void scaling(benchmark::State& state, const char* method, const char* result, Formula cpp) {
    Program p(method, result, kMaxThreads, CMP_TIER_NATIVE);
    bool native_ok = p.warm_up();
    const long share = kStates / kMaxThreads;
    std::vector<std::vector<double>> out(kMaxThreads, std::vector<double>(static_cast<size_t>(share)));
    states();
    const int counts[] = {1, 2, 4, 8};
    const double targets[] = {1.0, 0.0, 0.85, 0.75};
    for (auto _ : state) {
        bench::Timing compiled[4], reference[4];
        for (int k = 0; k < 7; ++k)
            for (int c = 0; c < 4; ++c) {
                compiled[c].keep_best(bench::seconds_on_threads(counts[c], [&](int t) {
                    run_compiled(p, t, t * share, (t + 1) * share, out[static_cast<size_t>(t)].data());
                }));
                reference[c].keep_best(bench::seconds_on_threads(counts[c], [&](int t) {
                    run_cpp(cpp, t * share, (t + 1) * share, out[static_cast<size_t>(t)].data());
                }));
            }
        std::printf("%s, native tier, %ld states per thread (%s)%s:\n", method, share, bench::machine_line().c_str(),
                    native_ok ? "" : " [program stayed on the VM]");
        for (int c = 0; c < 4; ++c) {
            double linear = compiled[0].wall / compiled[c].wall, cpp_linear = reference[0].wall / reference[c].wall;
            state.counters["native_scaling_" + std::to_string(counts[c])] = linear;
            std::printf("  %d thread%s: native %.3g states/s, %.2f of linear", counts[c], counts[c] > 1 ? "s" : "",
                        counts[c] * share / compiled[c].wall, linear);
            if (targets[c] > 0 && counts[c] > 1)
                std::printf(" (target >= %.2f on an idle machine: %s)", targets[c],
                            linear >= targets[c] ? "met" : "not met");
            std::printf("; C++ %.2f of linear; per-thread processor time %.2f and %.2f of one thread's\n", cpp_linear,
                        compiled[0].cpu / compiled[c].cpu, reference[0].cpu / reference[c].cpu);
        }
    }
}

// The generated glue of a 100-method environment: pricing-like methods of 10 to most_statements
// statements (the same environment every run) that read the members of a market structure, and a
// main program that runs one of them.
struct Market {
    double spot, rate, vol, dividend, fx, spread, hazard, recovery;
};
constexpr int kEnvironmentMethods = 100;

std::vector<std::string> environment_source(int most_statements) {
    unsigned seed = 12345;
    auto next = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    const char* members[] = {"spot", "rate", "vol", "dividend", "fx", "spread", "hazard", "recovery"};
    std::vector<std::string> src;
    char text[200];
    for (int m = 0; m < kEnvironmentMethods; ++m) {
        std::snprintf(text, sizeof text, "method p%d kind=price 'generated pricing method %d';", m, m);
        src.push_back(text);
        int count = 10 + static_cast<int>(next(static_cast<unsigned>(most_statements - 9)));
        for (int k = 0; k < count; ++k) {
            const char* a = members[next(8)];
            const char* b = members[next(8)];
            double c = 0.5 + 0.01 * next(100);
            int prev = k > 0 ? k - 1 : 0;
            switch (next(8)) {
                case 0: std::snprintf(text, sizeof text, "p%d_%d = %s * exp(-%s * %.2f);", m, k, a, b, c); break;
                case 1: std::snprintf(text, sizeof text, "p%d_%d = log(%s / %.2f) + %s;", m, k, a, c, b); break;
                case 2: std::snprintf(text, sizeof text, "p%d_%d = sqrt(%s * %.2f);", m, k, a, c); break;
                case 3: std::snprintf(text, sizeof text, "p%d_%d = probnorm(%s - %.2f);", m, k, a, c); break;
                case 4:   // IF and ELSE are two statements
                    std::snprintf(text, sizeof text, "if %s > %.2f then p%d_%d = %s;", a, c, m, k, b);
                    src.push_back(text);
                    std::snprintf(text, sizeof text, "else p%d_%d = %s * %.2f;", m, k, b, c);
                    break;
                default:
                    if (k == 0) std::snprintf(text, sizeof text, "p%d_%d = %s + %s;", m, k, a, b);
                    else std::snprintf(text, sizeof text, "p%d_%d = p%d_%d * %s + %.2f;", m, k, m, prev, a, c);
            }
            src.push_back(text);
        }
        std::snprintf(text, sizeof text, "p%d_value = p%d_%d + p%d_0;", m, m, count - 1, m);
        src.push_back(text);
        src.push_back("endmethod;");
    }
    src.push_back("runmethod p42;");
    return src;
}

struct CompileTimes {
    double generate = 0, compile = 0;
    size_t instructions = 0;
    bool native = false;
};

// One session of the environment on a tier: push and generate, then the first run, at which the
// native tier compiles the program, less the time of a second run.
CompileTimes compile_environment(const std::vector<std::string>& src, int tier) {
    static const Market market{100, 0.03, 0.2, 0.01, 1.1, 0.005, 0.02, 0.4};
    const cmp_member members[] = {{"SPOT", CMP_MEMBER_NUMBER, offsetof(Market, spot)},
                                  {"RATE", CMP_MEMBER_NUMBER, offsetof(Market, rate)},
                                  {"VOL", CMP_MEMBER_NUMBER, offsetof(Market, vol)},
                                  {"DIVIDEND", CMP_MEMBER_NUMBER, offsetof(Market, dividend)},
                                  {"FX", CMP_MEMBER_NUMBER, offsetof(Market, fx)},
                                  {"SPREAD", CMP_MEMBER_NUMBER, offsetof(Market, spread)},
                                  {"HAZARD", CMP_MEMBER_NUMBER, offsetof(Market, hazard)},
                                  {"RECOVERY", CMP_MEMBER_NUMBER, offsetof(Market, recovery)}};
    CompileTimes r;
    auto t0 = std::chrono::steady_clock::now();
    cmp_session* s = nullptr;
    cmpints(&s, nullptr);
    cmpopt2(s, CMP_OPTION_TIER, tier);
    methods_install_library(s);
    cmpinss(s, "_ZOZU_MKT_STRUCT_", -1, members, 8, sizeof(Market));
    cmpstri(s, "_ZOZU_MKT_STRUCT_", -1, "_ZOZU_MKT_INST_", -1, 1);
    for (const std::string& t : src)
        if (cmpprss(s, t.c_str(), -1, nullptr, 0, nullptr, 0) > 0) std::abort();
    if (cmpprss(s, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0) != CMP_COMPLETE || cmpgen(s, 1) != 0) std::abort();
    r.generate = seconds_since(t0);
    size_t counters[17];
    cmpmuse(s, counters);
    r.instructions = counters[1] / 16;   // instructions are 16 bytes
    cmp_instance* in = cmpinsb(s, 0);
    cmpbasev(in)[cmpbasei(s, "_ZOZU_MKT_INST_", -1)] = const_cast<Market*>(&market);
    t0 = std::chrono::steady_clock::now();
    if (cmpfrun(in, 0) != 0) std::abort();
    double first = seconds_since(t0);
    t0 = std::chrono::steady_clock::now();
    if (cmpfrun(in, 1) != 0) std::abort();
    r.compile = first - seconds_since(t0);
    r.native = cmptier(in) == CMP_TIER_NATIVE;
    if (!std::isfinite(*cmppdva(in, cmpsyms(s, "P42_VALUE", -1)))) std::abort();
    cmpends(s);
    return r;
}

// The native tier compiles programs of up to this many instructions; larger ones stay on the VM.
constexpr size_t kNativeInstructionLimit = 5000;

// Compile times of `sessions` sessions of one environment; false when it stayed on the VM.
bool report_compile_times(benchmark::State& state, const std::vector<std::string>& src, int most_statements) {
    constexpr int kSessions = 9;
    std::vector<double> compile, generate;
    CompileTimes last;
    for (int k = 0; k < kSessions; ++k) {
        last = compile_environment(src, CMP_TIER_NATIVE);
        if (!last.native) break;   // nothing compiles: no times to take
        compile.push_back(last.compile);
        generate.push_back(last.generate);
    }
    std::printf("compile latency, native tier, %d methods of 10 to %d statements (%zu source statements, %zu "
                "instructions), %d sessions (%s):\n",
                kEnvironmentMethods, most_statements, src.size(), last.instructions, kSessions,
                bench::machine_line().c_str());
    if (!last.native) {
        std::printf("  the program stays on the VM: above the %zu instructions the native tier compiles\n",
                    kNativeInstructionLimit);
        return false;
    }
    std::sort(compile.begin(), compile.end());
    std::sort(generate.begin(), generate.end());
    double median = compile[kSessions / 2], worst = compile.back();
    state.counters["compile_median_s"] = median;
    state.counters["compile_max_s"] = worst;
    std::printf("  per program: median %.1f ms, max %.1f ms; per method: median %.2f ms, max %.2f ms\n", 1e3 * median,
                1e3 * worst, 1e3 * median / kEnvironmentMethods, 1e3 * worst / kEnvironmentMethods);
    std::printf("  (push and generate, before compiling: median %.1f ms)\n", 1e3 * generate[kSessions / 2]);
    return true;
}

// The environment of methods of 10 to 30 statements; when it is too large for the native tier,
// also the largest one of 10 to n statements that it compiles.
void BM_CompileLatency(benchmark::State& state) {
    for (auto _ : state) {
        if (report_compile_times(state, environment_source(30), 30)) continue;
        for (int most = 29; most >= 10; --most) {
            std::vector<std::string> src = environment_source(most);
            if (compile_environment(src, CMP_TIER_VM).instructions > kNativeInstructionLimit) continue;
            report_compile_times(state, src, most);
            break;
        }
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

void BM_BlackScholes(benchmark::State& s) { compare(s, "black_scholes", "CALL_VALUE", baseline_black_scholes, 1.2); }
void BM_Bond20(benchmark::State& s) { compare(s, "bond", "BOND_VALUE", baseline_bond, 1.3); }
void BM_BlackScholesThreads(benchmark::State& s) { scaling(s, "black_scholes", "CALL_VALUE", baseline_black_scholes); }
void BM_Bond20Threads(benchmark::State& s) { scaling(s, "bond", "BOND_VALUE", baseline_bond); }

BENCHMARK(BM_BlackScholes)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Bond20)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_BlackScholesThreads)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_Bond20Threads)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_CompileLatency)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_MethodPush)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
