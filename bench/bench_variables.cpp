// Speed of the run-time view of variables: the rebuild over 50,000 risk factors in five currencies
// with their reference maps against building std::unordered_map indexes of the same names and
// keys, and the value of a three-leg cross rate against a plain loop over the same values. Both
// print their ratio, measured in the same run, single-threaded, with the results cross-checked.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_engine.h"
#include "bench/bench_support.h"
#include "engine/model/fx/fx_matrix.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"
#include "host/kernel.h"
#include "host/missing.h"
#include "runtime/core/print_internal.h"
#include "runtime/core/step.h"

namespace {

constexpr int kFactors = 50000;
constexpr const char* kCurrencies[] = {"USD", "EUR", "GBP", "JPY", "CHF"};

using Engine = bench::EngineStep;

struct Factor {
    std::string name, map, key;
    int currency;
};

// Interest-rate risk factors: currency i % 5, maturity by index, and one reference pair each
// (map "TENOR_<currency>", key "Y<n>"), so every factor is in two maps.
std::vector<Factor> define_factors(RSKCON* con) {
    std::vector<Factor> factors;
    auto rskvard = engine_routine<EngineSlot::rskvard>();
    auto rskvara = engine_routine<EngineSlot::rskvara>();
    for (int i = 0; i < kFactors; ++i) {
        Factor f{"RF" + std::to_string(i), std::string("TENOR_") + kCurrencies[i % 5], "Y" + std::to_string(i / 5),
                 i % 5};
        RSKVARDEF request{};
        request.name = f.name.c_str();
        request.name_length = -1;
        request.kind = RSKVKIND_FACTOR;
        request.data_type = 1;
        request.role = 321;
        request.currency = kCurrencies[f.currency];
        request.currency_length = 3;
        request.maturity = 1 + i / 5;
        request.maturity_unit = 4;
        request.scale = qor::missing();
        RSKVARIABLE* v = nullptr;
        if (rskvard(con, &v, &request) != 0 ||
            rskvara(con, v, f.map.c_str(), -1, f.key.c_str(), -1) != 0) {
            std::fprintf(stderr, "definition of %s failed\n", f.name.c_str());
            std::exit(1);
        }
        factors.push_back(f);
    }
    return factors;
}

// The reference: the same indexes as standard containers, from the same definitions: a list of
// the factors, their names, and one map per reference-map name from key to factor.
struct Indexes {
    std::vector<const RSKVARIABLE*> factors;
    std::unordered_map<std::string, const RSKVARIABLE*> by_name;
    std::unordered_map<std::string, std::unordered_map<std::string, const RSKVARIABLE*>> maps;
};

void build_indexes(RSKCON* con, Indexes& out) {
    out.factors.clear();
    out.by_name.clear();
    out.maps.clear();
    for (const RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (v->kind != RSKVKIND_FACTOR) continue;
        out.factors.push_back(v);
        out.by_name.emplace(std::string(v->name.name.text, v->name.name.length), v);
        for (const RSKNAMECELL* c = v->reference_pairs_head; c != nullptr && c->next != nullptr; c = c->next->next)
            out.maps[std::string(c->name.name.text, c->name.name.length)].emplace(
                std::string(c->next->name.name.text, c->next->name.name.length), v);
    }
}

// Both sides must find every factor under its name and its pair.
void cross_check(RSKCON* con, const std::vector<Factor>& factors, const Indexes& indexes) {
    for (size_t i = 0; i < factors.size(); i += 997) {
        const Factor& f = factors[i];
        RSKNAMEREC name{0, static_cast<uint16_t>(f.name.size()), const_cast<char*>(f.name.c_str())};
        RSKNAMEREC map{0, static_cast<uint16_t>(f.map.size()), const_cast<char*>(f.map.c_str())};
        RSKNAMEREC key{0, static_cast<uint16_t>(f.key.size()), const_cast<char*>(f.key.c_str())};
        RSKVARIABLE* ours = rskvf(con, &name);
        RSKVARIABLE* reference = rskvar(con, &map);
        auto* table = reference != nullptr ? static_cast<RSKSYMTAB*>(reference->value) : nullptr;
        if (ours == nullptr || table == nullptr || rsksym(con, table, &key) != ours ||
            indexes.by_name.at(f.name) != ours || indexes.maps.at(f.map).at(f.key) != ours) {
            std::fprintf(stderr, "the rebuild and the reference disagree on %s\n", f.name.c_str());
            std::exit(1);
        }
    }
}

void rebuild_ratio(Engine& engine) {
    RSKCON* con = engine.con;
    std::vector<Factor> factors = define_factors(con);
    auto rskvar0 = engine_routine<EngineSlot::rskvar0>();
    if (rskvar0(con) != 0) {
        std::fprintf(stderr, "the rebuild failed\n");
        std::exit(1);
    }
    Indexes indexes;
    double ours = bench::best_seconds(5, [&] { rskvar0(con); });
    double reference = bench::best_seconds(5, [&] { build_indexes(con, indexes); });
    cross_check(con, factors, indexes);
    std::printf("rskvar0, %d risk factors in 5 currencies: %.1f ms; unordered_map indexes %.1f ms; ratio %.2f "
                "(target 3)\n",
                kFactors, 1e3 * ours, 1e3 * reference, ours / reference);
}

// A three-leg cross rate: CHF -> GBP -> EUR -> USD over three spot rates.
void cross_rate_ratio(Engine& engine) {
    RSKCON* con = engine.con;
    struct Spot {
        const char* name;
        const char* currency;
        const char* from;
        double value;
    };
    static double values[3];
    const Spot spots[] = {{"S_EURUSD", "USD", "EUR", 1.1}, {"S_GBPEUR", "EUR", "GBP", 1.15}, {"S_GBPCHF", "CHF", "GBP", 1.12}};
    auto rskvard = engine_routine<EngineSlot::rskvard>();
    for (int i = 0; i < 3; ++i) {
        RSKVARDEF request{};
        request.name = spots[i].name;
        request.name_length = -1;
        request.kind = RSKVKIND_FACTOR;
        request.data_type = 1;
        request.role = 441;
        request.currency = spots[i].currency;
        request.currency_length = 3;
        request.from_currency = spots[i].from;
        request.from_currency_length = 3;
        request.maturity = qor::missing();
        request.scale = qor::missing();
        RSKVARIABLE* v = nullptr;
        rskvard(con, &v, &request);
        values[i] = spots[i].value;
        if (v != nullptr) v->value = &values[i];
    }
    engine_routine<EngineSlot::rskvar0>()(con);
    const RSKFXENTRY* entry = rskfx2(con, "USD", "CHF");
    if (entry == nullptr || entry->state != RSKFX_CROSS) {
        std::fprintf(stderr, "no cross rate\n");
        std::exit(1);
    }
    // The reference: the same legs as plain pointers and marks, the same checks.
    const double* legs[kRskFxLegs] = {};
    bool inverted[kRskFxLegs] = {};
    for (int i = 0; i < kRskFxLegs; ++i) {
        legs[i] = entry->slots[i] != nullptr ? static_cast<const double*>(entry->slots[i]->value) : nullptr;
        inverted[i] = entry->inverted[i] != 0;
    }
    auto plain = [&] {
        double rate = 1.0;
        for (int i = 0; i < kRskFxLegs; ++i) {
            if (legs[i] == nullptr) continue;
            double v = *legs[i];
            if (qor::is_missing(v) || v == 0) return qor::missing();
            rate = inverted[i] ? rate / v : rate * v;
        }
        return rate;
    };
    constexpr int kCalls = 5'000'000;
    double sink = 0, check = 0;
    double ours = bench::best_seconds(5, [&] {
        for (int i = 0; i < kCalls; ++i) {
            double out;
            rskfxv(entry, &out);
            benchmark::DoNotOptimize(out);
            sink = out;
        }
    });
    double reference = bench::best_seconds(5, [&] {
        for (int i = 0; i < kCalls; ++i) {
            double out = plain();
            benchmark::DoNotOptimize(out);
            check = out;
        }
    });
    if (sink != check || std::fabs(sink - 1.15 * 1.1 / 1.12) > 1e-15) {
        std::fprintf(stderr, "cross rates disagree: %.17g %.17g\n", sink, check);
        std::exit(1);
    }
    std::printf("rskfxv, three-leg cross rate: %.2f ns; plain loop %.2f ns; ratio %.2f (target 1.5)\n",
                1e9 * ours / kCalls, 1e9 * reference / kCalls, ours / reference);
}


}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    {
        Engine engine;
        rebuild_ratio(engine);
        cross_rate_ratio(engine);
    }
    std::printf("%s\n", bench::machine_line().c_str());
    benchmark::Shutdown();
    return 0;
}
