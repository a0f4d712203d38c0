// Speed of lagged values by age: rsklagv over a 20-point lag grid against the same binary
// search and linear interpolation written inline, single-threaded, over the same ages, with
// the results cross-checked. Prints the ratio measured in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_support.h"
#include "engine/model/lags/lags.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "host/missing.h"

namespace {

constexpr int kPoints = 20;
constexpr int kAges = 4096;
constexpr int kRounds = 2000;

// The same search and interpolation inline, on the same points and values.
inline double inline_lag(const double* t, const double* y, int n, double age) {
    if (age < 0 || age > t[n - 1]) return qor::missing();
    int lo = 0, hi = n - 1;
    while (lo <= hi) {
        int mid = lo + (hi - lo) / 2;
        if (t[mid] == age) return y[mid];
        if (t[mid] < age) lo = mid + 1; else hi = mid - 1;
    }
    // The interpolation propagates missing values, as every numeric routine of the engine does.
    if (qor::is_missing(y[hi]) || qor::is_missing(y[lo])) return qor::missing();
    return y[hi] + (age - t[hi]) * (y[lo] - y[hi]) / (t[lo] - t[hi]);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    // A control structure as far as rsklagv reads it: the run block's base date, _date_, and a
    // lagged risk factor on a grid of 20 points (0 and monthly ages to 19 months).
    RSKRUNBLOCK run{};
    run.base_date = 22000;
    double date = 22000;
    RSKVARIABLE date_variable{};
    date_variable.value = &date;
    date_variable.element_count = 1;
    RSKSYSVARS system{};
    system.date = &date_variable;
    RSKCON con{};
    con.run_block = &run;
    con.system_variables = &system;
    std::vector<double> times(kPoints), values(kPoints), previous(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        times[static_cast<size_t>(i)] = i / 12.0;
        values[static_cast<size_t>(i)] = 100 - 0.7 * i + 0.01 * i * i;
        previous[static_cast<size_t>(i)] = values[static_cast<size_t>(i)];
    }
    RSKTIMEGRID grid{};
    grid.count = kPoints - 1;
    grid.times = times.data();
    grid.times_allocated = kPoints;
    RSKVARIABLE factor{};
    factor.lag_grid = &grid;
    factor.value = values.data();
    factor.lag_previous = previous.data();
    factor.flags2 = RSKF2_LAG_GRID;

    std::vector<double> ages(kAges);
    for (int i = 0; i < kAges; ++i) ages[static_cast<size_t>(i)] = (i % 1900) / 1200.0 + 0.0001;   // in range, few exact hits

    const double ours = bench::best_seconds(kRounds / 100, [&] {
        for (int r = 0; r < 100; ++r)
            for (double age : ages) {
                double v;
                rsklagv(&con, &factor, 0, age, &v);
                benchmark::DoNotOptimize(v);
            }
    });
    const double reference = bench::best_seconds(kRounds / 100, [&] {
        for (int r = 0; r < 100; ++r)
            for (double age : ages) {
                double v = inline_lag(times.data(), values.data(), kPoints, age);
                benchmark::DoNotOptimize(v);
            }
    });
    for (double age : ages) {
        double v = 0;
        rsklagv(&con, &factor, 0, age, &v);
        const double w = inline_lag(times.data(), values.data(), kPoints, age);
        if (!(v == w || std::fabs(v - w) <= 1e-12 * std::fabs(w))) {
            std::fprintf(stderr, "rsklagv and the inline search disagree at %.6f: %.17g %.17g\n", age, v, w);
            return 1;
        }
    }
    const double calls = 100.0 * kAges;
    std::printf("rsklagv, %d-point lag grid: %.2f ns; inline search and interpolation %.2f ns; ratio %.2f "
                "(target 1.5)\n",
                kPoints, 1e9 * ours / calls, 1e9 * reference / calls, ours / reference);
    std::printf("%s\n", bench::machine_line().c_str());
    benchmark::Shutdown();
    return 0;
}
