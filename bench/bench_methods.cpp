// Speed of compiled methods against the same formulas in optimised C++: a Black-Scholes call
// and a 20-cash-flow bond over market states, reporting states per second and the ratio.
#include <benchmark/benchmark.h>

#include <chrono>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "common/distributions/normal.h"
#include "common/methods/methods_library.h"
#include "host/compiler.h"
#include "tests/compiler/pricing_methods.h"

namespace {

constexpr long kStates = 10000000;

struct Program {
    cmp_session* s = nullptr;
    cmp_instance* in = nullptr;
    MarketState st{};
    Instrument inst{100, 1.5, 2.5, 100};
    double* result = nullptr;
    explicit Program(const char* method, const char* result_name) {
        cmpints(&s, nullptr);
        methods_install_library(s);
        declare_pricing_structures(s);
        std::vector<std::string> prog = pricing_program();
        prog.push_back(std::string("runmethod ") + method + ";");
        for (const std::string& t : prog) cmpprss(s, t.c_str(), -1, nullptr, 0, nullptr, 0);
        cmpprss(s, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0);
        if (cmpgen(s, 1) != 0) std::abort();
        in = cmpinsb(s, 0);
        cmpbasev(in)[cmpbasei(s, "_ZOZU_MKT_INST_", -1)] = &st;
        cmpbasev(in)[cmpbasei(s, "_ZOZU_VALUE_INST_", -1)] = &inst;
        result = cmppdva(in, cmpsyms(s, result_name, -1));
    }
    ~Program() { cmpends(s); }
};

double native_call(const MarketState& s, const Instrument& i) {
    double sq = std::sqrt(i.maturity);
    double d1 = (std::log(s.spot / i.strike) + (s.rate + 0.5 * s.vol * s.vol) * i.maturity) / (s.vol * sq);
    double d2 = d1 - s.vol * sq;
    return s.spot * zprbnrm(d1) - i.strike * std::exp(-s.rate * i.maturity) * zprbnrm(d2);
}

double native_bond(const MarketState& s, const Instrument& i) {
    double v = 0;
    for (int k = 1; k <= 20; ++k) v += i.coupon * std::exp(-s.rate * k * 0.5);
    return v + i.face * std::exp(-s.rate * 10);
}

// Both sides run in alternating slices of the same states, so that a change of machine load or
// clock during the run weighs on both alike and the ratio stays comparable between runs.
constexpr long kSlices = 20;

double seconds_compiled(Program& p, long from, long to, double& sum) {
    auto t0 = std::chrono::steady_clock::now();
    for (long i = from; i < to; ++i) {
        p.st = state_of(i);
        if (cmpfrun(p.in, static_cast<double>(i)) != 0) std::abort();
        sum += *p.result;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

template <class F>
double seconds_native(F f, long from, long to, double& sum) {
    Instrument inst{100, 1.5, 2.5, 100};
    auto t0 = std::chrono::steady_clock::now();
    for (long i = from; i < to; ++i) {
        sum += f(state_of(i), inst);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void compare(benchmark::State& state, const char* method, const char* result, double (*native)(const MarketState&, const Instrument&)) {
    Program p(method, result);
    for (auto _ : state) {
        double a = 0, b = 0, tc = 0, tn = 0;
        for (long k = 0; k < kSlices; ++k) {
            long from = k * kStates / kSlices, to = (k + 1) * kStates / kSlices;
            tc += seconds_compiled(p, from, to, a);
            tn += seconds_native(native, from, to, b);
        }
        state.counters["compiled_states_per_s"] = kStates / tc;
        state.counters["cpp_states_per_s"] = kStates / tn;
        state.counters["ratio"] = tc / tn;
        std::printf("%s: compiled %.3g states/s, C++ %.3g states/s, ratio %.2f (target <= 3), sums %s\n", method,
                    kStates / tc, kStates / tn, tc / tn, std::fabs(a - b) <= 1e-6 * std::fabs(b) ? "agree" : "DIFFER");
    }
}

void BM_BlackScholes(benchmark::State& s) { compare(s, "black_scholes", "CALL_VALUE", native_call); }
void BM_Bond20(benchmark::State& s) { compare(s, "bond", "BOND_VALUE", native_bond); }

BENCHMARK(BM_BlackScholes)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Bond20)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
