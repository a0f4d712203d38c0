// DATA step speed: 1,000,000 observations of 10 numeric and 2 character variables read, three
// expressions computed and everything written, against SQLite doing the same work with
// INSERT INTO t2 SELECT ..., expressions FROM t1 in one transaction.
//
// Both sides run single-threaded and interleaved (each round runs both), each side's time is
// its best round, and the sums of the three computed columns are compared between the sides.
// Durability is alike: a data set is flushed when it is closed, SQLite commits with
// synchronous=FULL.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/bench_members.h"
#include "host/dataset.h"
#include "host/print.h"
#include "runtime/datastep/data_step.h"
#include "runtime/storage/libraries.h"

namespace {

constexpr int kObservations = 1000000;
constexpr int kNumeric = 10;
constexpr int kRounds = 3;

// The expressions both sides compute.
constexpr const char* kStep =
    "data benchlib.out; set benchlib.in;\n"
    "   a = n1 * 2 + n2;\n"
    "   b = n3 / (n4 + 1);\n"
    "   c = sqrt(n5) + n6 * n7 - n8;\n"
    "run;";
constexpr const char* kInsert =
    "INSERT INTO t2 SELECT n1, n2, n3, n4, n5, n6, n7, n8, n9, n10, id, cpty, n1 * 2 + n2, n3 / (n4 + 1), "
    "sqrt(n5) + n6 * n7 - n8 FROM t1";

struct Sums {
    double a = 0, b = 0, c = 0;
    long rows = 0;
};

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "bench_datastep: %s failed\n", what);
        std::exit(1);
    }
}

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void values(int i, double* num, char* id, char* cpty) {
    for (int j = 0; j < kNumeric; ++j) num[j] = i * (j + 1) + 0.5;
    std::snprintf(id, 9, "ID%06d", i % 1000000);
    std::snprintf(cpty, 17, "CPTY-%011d", i);
}

void write_input() {
    qor_open_request r = bench::open_request("IN", QOR_OPEN_OUTPUT);
    qor_dataset* ds = nullptr;
    check(xoopen(&ds, &r) == 0, "open IN");
    double num[kNumeric];
    char id[9], cpty[17];
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
    d.length = 8;
    d.name_length = static_cast<int16_t>(std::snprintf(d.name, sizeof d.name, "ID"));
    xvputd(put, &d, id, 8, nullptr);
    d.length = 16;
    d.name_length = static_cast<int16_t>(std::snprintf(d.name, sizeof d.name, "CPTY"));
    xvputd(put, &d, cpty, 16, nullptr);
    xvpute(put);
    qor_obs_request q{};
    q.dataset = ds;
    for (int i = 0; i < kObservations; ++i) {
        values(i, num, id, cpty);
        xyvput(put, 0);
        check(xoadd(&q) == 0, "add to IN");
    }
    xvputt(put);
    check(xoclose(ds, 0) == 0, "close IN");
}

Sums read_output() {
    qor_open_request r = bench::open_request("OUT", QOR_OPEN_INPUT);
    qor_dataset* ds = nullptr;
    check(xoopen(&ds, &r) == 0, "open OUT");
    int numbers[3];
    const char* names[3] = {"a", "b", "c"};
    for (int k = 0; k < 3; ++k) check(xvfind(ds, names[k], 1, &numbers[k], 0) == 0, "find a, b, c");
    Sums s;
    qor_obs_request q{};
    q.dataset = ds;
    while (xoget(&q, QOR_GET_NEXT) == 0) {
        double v[3];
        for (int k = 0; k < 3; ++k) xvget1f(ds, numbers[k], &v[k]);
        s.a += v[0];
        s.b += v[1];
        s.c += v[2];
        ++s.rows;
    }
    xoclose(ds, 0);
    return s;
}

void exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "bench_datastep: %s: %s\n", sql, error ? error : "?");
        std::exit(1);
    }
}

sqlite3* load_sqlite(const std::string& path) {
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "sqlite open");
    exec(db, "PRAGMA synchronous=FULL");
    exec(db, "CREATE TABLE t1(n1 REAL, n2 REAL, n3 REAL, n4 REAL, n5 REAL, n6 REAL, n7 REAL, n8 REAL, n9 REAL, "
             "n10 REAL, id TEXT, cpty TEXT)");
    exec(db, "BEGIN");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t1 VALUES(?,?,?,?,?,?,?,?,?,?,?,?)", -1, &st, nullptr);
    double num[kNumeric];
    char id[9], cpty[17];
    for (int i = 0; i < kObservations; ++i) {
        values(i, num, id, cpty);
        for (int j = 0; j < kNumeric; ++j) sqlite3_bind_double(st, j + 1, num[j]);
        sqlite3_bind_text(st, 11, id, 8, SQLITE_STATIC);
        sqlite3_bind_text(st, 12, cpty, 16, SQLITE_STATIC);
        check(sqlite3_step(st) == SQLITE_DONE, "sqlite insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    exec(db, "COMMIT");
    return db;
}

double sqlite_round(sqlite3* db, Sums* sums) {
    exec(db, "DROP TABLE IF EXISTS t2");
    exec(db, "CREATE TABLE t2(n1 REAL, n2 REAL, n3 REAL, n4 REAL, n5 REAL, n6 REAL, n7 REAL, n8 REAL, n9 REAL, "
             "n10 REAL, id TEXT, cpty TEXT, a REAL, b REAL, c REAL)");
    double start = now();
    exec(db, "BEGIN");
    exec(db, kInsert);
    exec(db, "COMMIT");
    double elapsed = now() - start;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT sum(a), sum(b), sum(c), count(*) FROM t2", -1, &st, nullptr);
    check(sqlite3_step(st) == SQLITE_ROW, "sqlite sums");
    sums->a = sqlite3_column_double(st, 0);
    sums->b = sqlite3_column_double(st, 1);
    sums->c = sqlite3_column_double(st, 2);
    sums->rows = sqlite3_column_int64(st, 3);
    sqlite3_finalize(st);
    return elapsed;
}

double datastep_round(Sums* sums) {
    double start = now();
    check(qor::runtime::run_data_step(kStep, 1) == 0, "the DATA step");
    double elapsed = now() - start;
    *sums = read_output();
    return elapsed;
}

bool close_enough(double x, double y) { return std::fabs(x - y) <= 1e-9 * std::max(std::fabs(x), std::fabs(y)); }

}  // namespace

int main() {
    std::string dir = std::filesystem::temp_directory_path() / ("qor_bench_step_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    check(qor::runtime::assign_library("benchlib", dir, "") == 0, "libname");
    write_input();
    sqlite3* db = load_sqlite(dir + "/bench.sqlite");
    double best_step = 1e30, best_sqlite = 1e30;
    Sums ours, theirs;
    for (int round = 0; round < kRounds; ++round) {
        best_step = std::min(best_step, datastep_round(&ours));
        best_sqlite = std::min(best_sqlite, sqlite_round(db, &theirs));
    }
    sqlite3_close(db);
    std::filesystem::remove_all(dir);
    bool same = ours.rows == theirs.rows && close_enough(ours.a, theirs.a) && close_enough(ours.b, theirs.b) &&
                close_enough(ours.c, theirs.c);
    std::printf("%d observations of %d numeric and 2 character variables, 3 expressions; best of %d interleaved "
                "rounds; SQLite %s\n",
                kObservations, kNumeric, kRounds, sqlite3_libversion());
    std::printf("DATA step                  %8.1f ms\n", 1e3 * best_step);
    std::printf("SQLite INSERT ... SELECT   %8.1f ms\n", 1e3 * best_sqlite);
    std::printf("sums a, b, c and rows %s (%.17g %.17g %.17g %ld)\n", same ? "agree" : "DIFFER", ours.a, ours.b, ours.c,
                ours.rows);
    std::printf("speed ratio DATA step / SQLite %.2f (above 1: the DATA step is faster)\n", best_sqlite / best_step);
    return same ? 0 : 1;
}
