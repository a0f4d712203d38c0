// Speed of an instrument filter: a three-term expression compiled once by rskpsfo and evaluated
// by rskpsfe over 1,000,000 records bound one after another, against the same predicate written
// in C++ over the same bound values. Single-threaded, the counts of kept records cross-checked,
// the ratio printed in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/bench_engine.h"
#include "bench/bench_support.h"
#include "engine/model/filters/instrument_filters.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"
#include "host/kernel.h"
#include "host/missing.h"
#include "runtime/core/print_internal.h"
#include "runtime/core/step.h"

namespace {

constexpr int kRecords = 1'000'000;
constexpr const char* kFilter = "notional > 1e6 and ccy = 'USD' and coupon < 0.05";

using Engine = bench::EngineStep;

// The records of a portfolio: a notional, a currency code and a coupon each.
struct Records {
    std::vector<double> notional, coupon;
    std::vector<char> ccy;   // 3 bytes per record
};

Records make_records() {
    Records r;
    r.notional.resize(kRecords);
    r.coupon.resize(kRecords);
    r.ccy.resize(3 * static_cast<size_t>(kRecords));
    const char* codes[] = {"USD", "EUR", "GBP", "USD"};
    unsigned state = 12345;
    for (int i = 0; i < kRecords; ++i) {
        state = state * 1103515245u + 12345u;
        r.notional[i] = (state >> 8) % 3'000'000;
        r.coupon[i] = ((state >> 4) % 100) / 1000.0;
        std::memcpy(&r.ccy[3 * static_cast<size_t>(i)], codes[(state >> 20) % 4], 3);
    }
    return r;
}

RSKVARIABLE* declare(RSKCON* con, const char* name, uint32_t type, int length) {
    RSKVARDEF request{};
    request.name = name;
    request.name_length = -1;
    request.kind = RSKVKIND_INSTRUMENT;
    request.data_type = type;
    request.role = 201;
    request.length = length;
    request.maturity = qor::missing();
    request.scale = qor::missing();
    RSKVARIABLE* v = nullptr;
    if (engine_routine<EngineSlot::rskvard>()(con, &v, &request) != 0 || v == nullptr) {
        std::fprintf(stderr, "cannot declare %s\n", name);
        std::exit(1);
    }
    return v;
}

// The values of the current record, where the variables' value storage points.
struct Bound {
    double notional = 0, coupon = 0;
    char ccy[3] = {' ', ' ', ' '};
    void bind(const Records& r, int i) {
        notional = r.notional[i];
        coupon = r.coupon[i];
        std::memcpy(ccy, &r.ccy[3 * static_cast<size_t>(i)], 3);
    }
};

// The reference: the same predicate in C++, reading the same bound values.
__attribute__((noinline)) bool predicate(const Bound* b) {
    return b->notional > 1e6 && std::memcmp(b->ccy, "USD", 3) == 0 && b->coupon < 0.05;
}

void filter_ratio(Engine& engine) {
    RSKCON* con = engine.con;
    static Bound bound;
    declare(con, "notional", 1, 8)->value = &bound.notional;
    declare(con, "ccy", 2, 3)->value = bound.ccy;
    declare(con, "coupon", 1, 8)->value = &bound.coupon;
    RSKINSTFILTER* filter = nullptr;
    if (engine_routine<EngineSlot::rskpsfo>()(con, kFilter, -1, &filter) != 0) {
        std::fprintf(stderr, "the filter does not compile\n");
        std::exit(1);
    }
    auto rskpsfe = engine_routine<EngineSlot::rskpsfe>();
    const Records records = make_records();

    long kept = 0, kept_reference = 0;
    double ours = bench::best_seconds(5, [&] {
        kept = 0;
        for (int i = 0; i < kRecords; ++i) {
            bound.bind(records, i);
            benchmark::ClobberMemory();
            kept += rskpsfe(filter) == 1;
        }
    });
    double reference = bench::best_seconds(5, [&] {
        kept_reference = 0;
        for (int i = 0; i < kRecords; ++i) {
            bound.bind(records, i);
            benchmark::ClobberMemory();
            kept_reference += predicate(&bound);
        }
    });
    engine_routine<EngineSlot::rskpsfc>()(filter);
    if (kept != kept_reference || kept == 0) {
        std::fprintf(stderr, "the filter and the reference disagree: %ld and %ld kept\n", kept, kept_reference);
        std::exit(1);
    }
    std::printf("rskpsfe, \"%s\" over %d records (%ld kept): %.1f ns per record; C++ predicate %.1f ns; "
                "ratio %.2f (target 10)\n",
                kFilter, kRecords, kept, 1e9 * ours / kRecords, 1e9 * reference / kRecords, ours / reference);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    {
        Engine engine;
        filter_ratio(engine);
    }
    std::printf("%s\n", bench::machine_line().c_str());
    benchmark::Shutdown();
    return 0;
}
