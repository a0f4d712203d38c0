// The compiler driver's overhead per market state: rskrcmp of a 40-action program (binding the
// structures, then the run) against cmpfrun on the same instance with the same run list. Both
// run single-threaded in the same process; their results are cross-checked.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bench_support.h"
#include "engine/compiler/compiler_driver.h"
#include "host/kernel.h"
#include "host/pool.h"
#include "runtime/core/print_internal.h"

namespace {

constexpr int kActions = 40;
constexpr int kStates = 200000;

struct Compiled {
    RSKCON con{};
    double x = 1.0;
    double values[kActions] = {};
    RSKACTION actions[kActions] = {};

    Compiled() {
        con.general_pool = xmpoolc(16384, 16384, 2);
        if (rskicmp(0, 0, &con, 1) != 0) fail("rskicmp");
        RSKCMPCON* h = con.compile_handle;
        cmp_session* program = h->compilation.program;
        bind(program, "X", &x);
        for (int a = 0; a < kActions; ++a) {
            std::string name = "V" + std::to_string(a);
            bind(program, name.c_str(), &values[a]);
            if (rsksact(&con, &actions[a], RSKBLK_MAIN) != 0) fail("rsksact");
            // A small pricing step per action: scale and shift its value by the market value.
            push(h, name + " = " + name + " * 0.5 + x * " + std::to_string(a + 1) + ";");
            push(h, "return;");
        }
        if (rskgcmp(&con) != 0) fail("rskgcmp");
        rskmact(&con, nullptr, RSKBLK_MAIN, 1, 0);
    }
    ~Compiled() {
        rskecmp(&con);
        xmpoold(con.general_pool);
    }
    static void fail(const char* what) {
        std::fprintf(stderr, "%s failed\n", what);
        std::exit(1);
    }
    static void bind(cmp_session* program, const char* name, double* cell) {
        cmp_symbol* symbol = cmpsymd(program, name, -1, 'v', 'n');
        if (symbol == nullptr || cmppdvb(program, symbol, cell) != 0) fail("binding");
    }
    static void push(RSKCMPCON* h, const std::string& statement) {
        if (rskpush(h, statement.c_str(), 0, 2) > 0) fail(statement.c_str());
    }
    void reset() { std::fill(values, values + kActions, 0.0); }
};

// Seconds for kStates runs of run(state).
template <class Run>
double seconds(Run run) {
    auto t0 = std::chrono::steady_clock::now();
    for (int s = 1; s <= kStates; ++s) run(s);
    return bench::seconds_since(t0);
}

void driver_ratio() {
    Compiled c;
    cmp_instance* instance = cmpinsb(c.con.compile_handle->compilation.program, 0);
    int failures = 0;
    auto through_driver = [&](int s) { failures += rskrcmp(&c.con, nullptr, s); };
    auto direct_run = [&](int s) { failures += cmpfrun(instance, s); };
    // Warm up (the program reaches its final tier), then alternate so that both see the same load.
    seconds(direct_run);
    double driver = 1e30, direct = 1e30;
    double check[kActions];
    for (int repeat = 0; repeat < 7; ++repeat) {
        c.reset();
        driver = std::min(driver, seconds(through_driver));
        std::copy(c.values, c.values + kActions, check);
        c.reset();
        direct = std::min(direct, seconds(direct_run));
    }
    if (failures != 0) Compiled::fail("a run");
    for (int a = 0; a < kActions; ++a)
        if (check[a] != c.values[a]) {
            std::fprintf(stderr, "the driver and the direct run disagree on V%d: %.17g %.17g\n", a, check[a],
                         c.values[a]);
            std::exit(1);
        }
    double per_state_driver = 1e9 * driver / kStates, per_state_direct = 1e9 * direct / kStates;
    std::printf("rskrcmp, %d actions: %.1f ns per state; cmpfrun on the same instance %.1f ns; ratio %.2f "
                "(target 1.2)\n",
                kActions, per_state_driver, per_state_direct, per_state_driver / per_state_direct);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    qor_print_set_log_file("/dev/null");
    driver_ratio();
    std::printf("%s\n", bench::machine_line().c_str());
    benchmark::Shutdown();
    return 0;
}
