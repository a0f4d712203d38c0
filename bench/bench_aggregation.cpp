// Speed of the aggregation engine: 1,000,000 positions over one hierarchy REGION (10) > DESK
// (100) > TRADER (1,000, numeric) fed with rskgrp0, rolled up with rskgrps, sorted and walked
// with rskgrp1, against SQLite in memory (prepared inserts in one transaction, then GROUP BY
// trader, desk and region and the total). Single-threaded both; the 1,111 sums are cross-checked.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "bench/bench_engine.h"
#include "bench/bench_support.h"
#include "engine/model/categories/categories.h"
#include "engine/model/variables/variables.h"
#include "engine/output/aggregation.h"
#include "engine/run/run_block.h"
#include "engine/tables/object_tables.h"
#include "host/missing.h"
#include "host/pool.h"

namespace {

constexpr int kPositions = 1000000;
constexpr int kTraders = 1000;

struct Position {
    char region[8];
    char desk[8];
    double trader;
    double value;
};

// Sums per cell, keyed by (region, desk, trader) with "" and -1 for totals.
using CellKey = std::tuple<std::string, std::string, double>;
using Sums = std::map<CellKey, double>;

std::vector<Position> make_book() {
    std::mt19937_64 random(42);
    std::vector<Position> book(kPositions);
    for (Position& p : book) {
        const int trader = static_cast<int>(random() % kTraders);
        char text[16];
        std::snprintf(text, sizeof text, "R%07d", trader / 100);
        std::memcpy(p.region, text, 8);
        std::snprintf(text, sizeof text, "D%07d", trader / 10);
        std::memcpy(p.desk, text, 8);
        p.trader = trader;
        p.value = static_cast<double>(random() % 2000001) / 100.0 - 10000.0;
    }
    return book;
}

// ---- the engine ----
struct EngineSide {
    RSKCON* con;
    RSKVARIABLE vars[3];
    char region[8], desk[8];
    double trader = 0;
    RSKCROSSCLASS* cross = nullptr;

    explicit EngineSide(RSKCON* c) : con(c) {
        const char* names[] = {"REGION", "DESK", "TRADER"};
        void* values[] = {region, desk, &trader};
        for (int i = 0; i < 3; ++i) {
            RSKVARIABLE& v = vars[i];
            std::memset(static_cast<void*>(&v), 0, sizeof v);
            engine_routine<EngineSlot::rskname>()(con, &v.name, names[i], -1);
            v.kind = RSKVKIND_INSTRUMENT;
            v.storage_type = i < 2 ? RSKSTORE_CHAR : RSKSTORE_DOUBLE;
            v.length = 8;
            v.value = values[i];
            engine_routine<EngineSlot::rsksymd>()(con, &con->current_tables->tables[RSKTAB_VARIABLES], &v.name.name, &v);
        }
        RSKNAMEREC name{0, 6, const_cast<char*>("BYDESK")};
        RSKCATOBJ* object = nullptr;
        engine_routine<EngineSlot::rskccsd>()(con, &object, &name, nullptr, nullptr);
        cross = static_cast<RSKCROSSCLASS*>(object->object);
        RSKHIERARCHY* h = nullptr;
        engine_routine<EngineSlot::rskccsa>()(con, cross, &h);
        for (const char* n : names) {
            RSKNAMEREC key{0, static_cast<uint16_t>(std::strlen(n)), const_cast<char*>(n)};
            engine_routine<EngineSlot::rskhier>()(con, cross, h, &key, 0);
        }
    }

    static int add(RSKCON*, void* argument, void* user_data) {
        *static_cast<double*>(user_data) += *static_cast<const double*>(argument);
        return 0;
    }
    static int roll(RSKCON*, void* target, void* source, int, int) {
        *static_cast<double*>(target) += *static_cast<const double*>(source);
        return 0;
    }

    // One whole run: build, feed, roll up, sort and walk; the sums come back in walk order.
    std::vector<double> run(const std::vector<Position>& book, RSKAGGCTL** out) {
        RSKRUNBLOCK* block = new RSKRUNBLOCK{};
        con->run_block = block;
        con->run_pool = xmpoolc(1 << 20, 1 << 20, 0);
        RSKAGGCTL* control = nullptr;
        if (rskgrpd(con, cross, nullptr, &control, sizeof(double)) != 0) std::abort();
        for (const Position& p : book) {
            std::memcpy(region, p.region, 8);
            std::memcpy(desk, p.desk, 8);
            trader = p.trader;
            double value = p.value;
            int32_t sequence;
            rskgrp0(con, control, add, &value, &sequence);
        }
        rskgrps(con, control, roll, nullptr, nullptr);
        rskgrp2(con, control);
        static std::vector<double>* sums;
        std::vector<double> result;
        result.reserve(static_cast<size_t>(control->cell_count));
        sums = &result;
        rskgrp1(con, control, [](RSKCON*, void* user_data) {
            sums->push_back(*static_cast<double*>(user_data));
            return 0;
        }, nullptr, nullptr, 1);
        *out = control;
        return result;
    }
    void finish() {
        xmpoold(con->run_pool);
        con->run_pool = nullptr;
        delete con->run_block;
        con->run_block = nullptr;
    }

    // The cells with their keys, for the cross-check.
    Sums keyed(RSKAGGCTL* control) {
        static Sums* out;
        static RSKAGGCTL* walking;
        Sums sums;
        out = &sums;
        walking = control;
        rskgrp1(con, control, [](RSKCON*, void* user_data) {
            const char* key = walking->key;
            auto text = [&](int i) {
                const RSKCCVAR* e = walking->variables[i];
                return key[e->offset] == '+' ? std::string() : std::string(key + e->offset, 8);
            };
            double t;
            std::memcpy(&t, key + walking->variables[2]->offset, 8);
            (*out)[{text(0), text(1), qor::is_missing(t) ? -1.0 : t}] = *static_cast<double*>(user_data);
            return 0;
        }, nullptr, nullptr, 1);
        return sums;
    }
};

// ---- SQLite ----
Sums sqlite_run(const std::vector<Position>& book) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, "CREATE TABLE pos(region TEXT, desk TEXT, trader REAL, value REAL)", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO pos VALUES(?,?,?,?)", -1, &insert, nullptr);
    for (const Position& p : book) {
        sqlite3_bind_text(insert, 1, p.region, 8, SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, p.desk, 8, SQLITE_STATIC);
        sqlite3_bind_double(insert, 3, p.trader);
        sqlite3_bind_double(insert, 4, p.value);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    Sums sums;
    const char* queries[] = {
        "SELECT region, desk, trader, sum(value) FROM pos GROUP BY trader, desk, region",
        "SELECT region, desk, NULL, sum(value) FROM pos GROUP BY desk, region",
        "SELECT region, NULL, NULL, sum(value) FROM pos GROUP BY region",
        "SELECT NULL, NULL, NULL, sum(value) FROM pos",
    };
    for (const char* q : queries) {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, q, -1, &s, nullptr);
        while (sqlite3_step(s) == SQLITE_ROW) {
            auto text = [&](int c) {
                const unsigned char* t = sqlite3_column_text(s, c);
                return t != nullptr ? std::string(reinterpret_cast<const char*>(t), 8) : std::string();
            };
            const double trader = sqlite3_column_type(s, 2) == SQLITE_NULL ? -1.0 : sqlite3_column_double(s, 2);
            sums[{text(0), text(1), trader}] = sqlite3_column_double(s, 3);
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return sums;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    const std::vector<Position> book = make_book();
    bench::EngineStep step;
    EngineSide engine(step.con);

    // Cross-check once: the same 1,111 sums within 1e-9 relative.
    RSKAGGCTL* control = nullptr;
    engine.run(book, &control);
    const Sums ours = engine.keyed(control);
    engine.finish();
    const Sums theirs = sqlite_run(book);
    if (ours.size() != 1111 || theirs.size() != 1111) {
        std::fprintf(stderr, "cell counts differ: %zu against %zu (1111 expected)\n", ours.size(), theirs.size());
        return 1;
    }
    for (const auto& [key, sum] : theirs) {
        auto it = ours.find(key);
        if (it == ours.end() || std::fabs(it->second - sum) > 1e-9 * std::max(1.0, std::fabs(sum))) {
            std::fprintf(stderr, "sums differ at %s/%s/%g\n", std::get<0>(key).c_str(), std::get<1>(key).c_str(),
                         std::get<2>(key));
            return 1;
        }
    }

    const double engine_seconds = bench::best_seconds(3, [&] {
        RSKAGGCTL* c = nullptr;
        benchmark::DoNotOptimize(engine.run(book, &c));
        engine.finish();
    });
    const double sqlite_seconds = bench::best_seconds(3, [&] { benchmark::DoNotOptimize(sqlite_run(book)); });
    std::printf("aggregation of %d positions into 1111 cells: engine %.3f s, SQLite in memory %.3f s, "
                "ratio %.2fx (target at least 3x)\n",
                kPositions, engine_seconds, sqlite_seconds, sqlite_seconds / engine_seconds);
    std::printf("%s\n", bench::machine_line().c_str());
    return 0;
}
