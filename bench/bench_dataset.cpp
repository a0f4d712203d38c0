// Data set write and read speed: 1,000,000 observations of 10 numeric and 2 character
// variables through the host data set services, against SQLite and CSV doing the same work.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "host/dataset.h"
#include "runtime/storage/libraries.h"

namespace {

constexpr int kObservations = 1000000;
constexpr int kNumeric = 10;
constexpr int kChar1 = 8, kChar2 = 16;

std::map<std::string, double> g_rate;   // observations per second, by benchmark name

std::string bench_dir() {
    static std::string dir = [] {
        std::string d = std::filesystem::temp_directory_path() / ("qor_bench_ds_" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        qor::runtime::assign_library("benchlib", d, "");
        return d;
    }();
    return dir;
}

// Right-aligned zero-padded decimal digits of value in width bytes.
inline void digits(char* to, int width, int value) {
    for (int k = width - 1; k >= 0; --k, value /= 10) to[k] = static_cast<char>('0' + value % 10);
}

// The values of observation i (cheap to make, so that the storage is what is measured).
inline void fill(int i, double* num, char* c1, char* c2) {
    for (int j = 0; j < kNumeric; ++j) num[j] = i * (j + 1) + 0.5;
    std::memcpy(c1, "ID", 2);
    digits(c1 + 2, 6, i % 1000000);
    c1[kChar1] = '\0';
    std::memcpy(c2, "CPTY-", 5);
    digits(c2 + 5, 11, i);
    c2[kChar2] = '\0';
}

// Times one benchmark loop and records its observation rate.
template <typename Work> void run(benchmark::State& state, const char* name, Work work) {
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        work();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    double rate = kObservations * static_cast<double>(state.iterations()) / seconds;
    state.counters["obs_per_s"] = rate;
    g_rate[name] = rate;
}

qor_open_request request(int mode) {
    qor_open_request r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.libref, "BENCHLIB", 8);
    r.member.length = 5;
    std::memcpy(r.member.text, "BENCH", 5);
    std::memcpy(r.member_type, "DATA    ", 8);
    r.mode = mode;
    return r;
}

void DatasetWrite(benchmark::State& state) {
    bench_dir();
    run(state, "dataset write", [] {
        qor_open_request r = request(QOR_OPEN_OUTPUT);
        qor_dataset* ds = nullptr;
        if (xoopen(&ds, &r) != 0) std::abort();
        double num[kNumeric];
        char c1[kChar1 + 1], c2[kChar2 + 1];
        qor_putlist* put = nullptr;
        xvputi(ds, kNumeric + 2, &put);
        for (int j = 0; j < kNumeric; ++j) {
            qor_var_desc d;
            xvnamei(&d);
            d.name_length = static_cast<int16_t>(std::snprintf(d.name, sizeof d.name, "N%d", j + 1));
            xvputd(put, &d, &num[j], 8, nullptr);
        }
        qor_var_desc d;
        xvnamei(&d);
        d.type = QOR_VAR_CHARACTER;
        d.length = kChar1;
        d.name_length = static_cast<int16_t>(std::snprintf(d.name, sizeof d.name, "ID"));
        xvputd(put, &d, c1, kChar1, nullptr);
        d.length = kChar2;
        d.name_length = static_cast<int16_t>(std::snprintf(d.name, sizeof d.name, "CPTY"));
        xvputd(put, &d, c2, kChar2, nullptr);
        xvpute(put);
        qor_obs_request q{};
        q.dataset = ds;
        for (int i = 0; i < kObservations; ++i) {
            fill(i, num, c1, c2);
            xyvput(put, 0);
            if (xoadd(&q) != 0) std::abort();
        }
        xvputt(put);
        if (xoclose(ds, 0) != 0) std::abort();
    });
}

void DatasetRead(benchmark::State& state) {
    run(state, "dataset read", [] {
        qor_open_request r = request(QOR_OPEN_INPUT);
        qor_dataset* ds = nullptr;
        if (xoopen(&ds, &r) != 0) std::abort();
        double num[kNumeric];
        char c1[kChar1], c2[kChar2];
        qor_getlist* get = nullptr;
        xvgeti(ds, kNumeric + 2, &get);
        for (int j = 0; j < kNumeric; ++j) xvgetd(get, j + 1, &num[j], 8);
        xvgetd(get, kNumeric + 1, c1, kChar1);
        xvgetd(get, kNumeric + 2, c2, kChar2);
        xvgete(get);
        qor_obs_request q{};
        q.dataset = ds;
        double sum = 0;
        int count = 0;
        while (xoget(&q, QOR_GET_NEXT) == 0) {
            xyvget(get, 0);
            sum += num[0] + num[9] + c1[7] + c2[15];
            ++count;
        }
        if (count != kObservations) std::abort();
        benchmark::DoNotOptimize(sum);
        xvgett(get);
        xoclose(ds, 0);
    });
}

void SqliteWrite(benchmark::State& state) {
    std::string path = bench_dir() + "/bench.sqlite";
    run(state, "sqlite write", [&] {
        std::filesystem::remove(path);
        sqlite3* db = nullptr;
        if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) std::abort();
        sqlite3_exec(db, "CREATE TABLE t(n1 REAL,n2 REAL,n3 REAL,n4 REAL,n5 REAL,n6 REAL,n7 REAL,n8 REAL,"
                         "n9 REAL,n10 REAL,id TEXT,cpty TEXT)", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO t VALUES(?,?,?,?,?,?,?,?,?,?,?,?)", -1, &insert, nullptr);
        double num[kNumeric];
        char c1[kChar1 + 1], c2[kChar2 + 1];
        for (int i = 0; i < kObservations; ++i) {
            fill(i, num, c1, c2);
            for (int j = 0; j < kNumeric; ++j) sqlite3_bind_double(insert, j + 1, num[j]);
            sqlite3_bind_text(insert, 11, c1, kChar1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 12, c2, kChar2, SQLITE_STATIC);
            if (sqlite3_step(insert) != SQLITE_DONE) std::abort();
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    });
}

void SqliteRead(benchmark::State& state) {
    std::string path = bench_dir() + "/bench.sqlite";
    run(state, "sqlite read", [&] {
        sqlite3* db = nullptr;
        if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) std::abort();
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM t", -1, &select, nullptr);
        double num[kNumeric];
        char c1[kChar1], c2[kChar2];
        double sum = 0;
        int count = 0;
        while (sqlite3_step(select) == SQLITE_ROW) {
            for (int j = 0; j < kNumeric; ++j) num[j] = sqlite3_column_double(select, j);
            std::memcpy(c1, sqlite3_column_text(select, 10), kChar1);
            std::memcpy(c2, sqlite3_column_text(select, 11), kChar2);
            sum += num[0] + num[9] + c1[7] + c2[15];
            ++count;
        }
        if (count != kObservations) std::abort();
        benchmark::DoNotOptimize(sum);
        sqlite3_finalize(select);
        sqlite3_close(db);
    });
}

void CsvWrite(benchmark::State& state) {
    std::string path = bench_dir() + "/bench.csv";
    run(state, "csv write", [&] {
        std::ofstream out(path, std::ios::trunc);
        out.precision(17);
        double num[kNumeric];
        char c1[kChar1 + 1], c2[kChar2 + 1];
        for (int i = 0; i < kObservations; ++i) {
            fill(i, num, c1, c2);
            for (int j = 0; j < kNumeric; ++j) out << num[j] << ',';
            out << c1 << ',' << c2 << '\n';
        }
    });
}

void CsvRead(benchmark::State& state) {
    std::string path = bench_dir() + "/bench.csv";
    run(state, "csv read", [&] {
        std::ifstream in(path);
        std::string line;
        double num[kNumeric];
        char c1[kChar1], c2[kChar2];
        double sum = 0;
        int count = 0;
        while (std::getline(in, line)) {
            const char* p = line.c_str();
            char* end = nullptr;
            for (int j = 0; j < kNumeric; ++j) { num[j] = std::strtod(p, &end); p = end + 1; }
            std::memcpy(c1, p, kChar1);
            std::memcpy(c2, p + kChar1 + 1, kChar2);
            sum += num[0] + num[9] + c1[7] + c2[15];
            ++count;
        }
        if (count != kObservations) std::abort();
        benchmark::DoNotOptimize(sum);
    });
}

BENCHMARK(DatasetWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(DatasetRead)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(SqliteWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SqliteRead)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(CsvWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(CsvRead)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto ratio = [](const char* ours, const char* theirs) {
        if (g_rate.count(ours) == 0 || g_rate.count(theirs) == 0) return;
        std::printf("%-14s %12.0f obs/s   %-13s %12.0f obs/s   ratio %6.2f\n", ours, g_rate[ours], theirs,
                    g_rate[theirs], g_rate[ours] / g_rate[theirs]);
    };
    std::printf("\nData set rates against the references (target: at least 5 x SQLite)\n");
    ratio("dataset write", "sqlite write");
    ratio("dataset read", "sqlite read");
    ratio("dataset write", "csv write");
    ratio("dataset read", "csv read");
    std::filesystem::remove_all(bench_dir());
    return 0;
}
