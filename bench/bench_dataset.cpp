// Data set write and read speed: 1,000,000 observations of 10 numeric and 2 character
// variables through the host data set services, against SQLite and CSV doing the same work.
//
// The sides run interleaved (one round writes and reads with every side in turn), so that a
// change of machine load falls on all of them; each side's rate is its best round. Every read
// adds up the same values, checked against the closed form and between sides. Durability is the
// same everywhere: a data set is flushed to disk when it is closed, SQLite commits with
// synchronous=FULL, and the CSV file is flushed with fdatasync before it is closed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/dataset.h"
#include "runtime/storage/libraries.h"

namespace {

constexpr int kObservations = 1000000;
constexpr int kNumeric = 10;
constexpr int kChar1 = 8, kChar2 = 16;
constexpr int kRounds = 3;

// What a read adds up: the ten numbers of every observation, and the digit bytes of the two
// character values (so that the characters are really read).
struct Sums {
    double numbers = 0;
    long long characters = 0;
    long long observations = 0;
};

Sums g_expected;   // from the closed form

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

inline void add_up(Sums* s, const double* num, const char* c1, const char* c2) {
    for (int j = 0; j < kNumeric; ++j) s->numbers += num[j];
    s->characters += (c1[7] - '0') + (c2[15] - '0');
    ++s->observations;
}

// Sum over i < n of sum over j of (i (j + 1) + 0.5) = 55 n (n - 1) / 2 + 5 n; every partial sum
// is an integer or half-integer below 2^53, so the adding-up is exact in any order. The last
// digits of i % 10^6 and of i each give 45 per ten observations.
Sums closed_form(long long n) {
    Sums s;
    s.numbers = 55.0 * static_cast<double>(n * (n - 1) / 2) + 5.0 * static_cast<double>(n);
    s.characters = 2 * 45 * (n / 10);
    s.observations = n;
    return s;
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

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "bench_dataset: %s failed\n", what);
        std::exit(1);
    }
}

void dataset_write() {
    qor_open_request r = request(QOR_OPEN_OUTPUT);
    qor_dataset* ds = nullptr;
    check(xoopen(&ds, &r) == 0, "data set open for output");
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
        check(xoadd(&q) == 0, "data set add");
    }
    xvputt(put);
    check(xoclose(ds, 0) == 0, "data set close");
}

// Reads every observation through a get list; `mode` input, or update (which works on a copy
// of the member; the copy is abandoned at close, as nothing was changed).
Sums dataset_read(int mode) {
    qor_open_request r = request(mode);
    qor_dataset* ds = nullptr;
    check(xoopen(&ds, &r) == 0, "data set open for reading");
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
    Sums s;
    while (xoget(&q, QOR_GET_NEXT) == 0) {
        xyvget(get, 0);
        add_up(&s, num, c1, c2);
    }
    xvgett(get);
    xoclose(ds, mode == QOR_OPEN_UPDATE ? 1 : 0);
    return s;
}

const char* const kSqlitePragmas[] = {"PRAGMA journal_mode=DELETE", "PRAGMA synchronous=FULL",
                                      "PRAGMA page_size=4096", "PRAGMA cache_size=-2000"};

void sqlite_write() {
    std::string path = bench_dir() + "/bench.sqlite";
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "sqlite open");
    for (const char* pragma : kSqlitePragmas) sqlite3_exec(db, pragma, nullptr, nullptr, nullptr);
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
        check(sqlite3_step(insert) == SQLITE_DONE, "sqlite insert");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK, "sqlite commit");
    sqlite3_close(db);
}

Sums sqlite_read() {
    std::string path = bench_dir() + "/bench.sqlite";
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "sqlite open");
    for (const char* pragma : kSqlitePragmas) sqlite3_exec(db, pragma, nullptr, nullptr, nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM t", -1, &select, nullptr);
    double num[kNumeric];
    char c1[kChar1], c2[kChar2];
    Sums s;
    while (sqlite3_step(select) == SQLITE_ROW) {
        for (int j = 0; j < kNumeric; ++j) num[j] = sqlite3_column_double(select, j);
        std::memcpy(c1, sqlite3_column_text(select, 10), kChar1);
        std::memcpy(c2, sqlite3_column_text(select, 11), kChar2);
        add_up(&s, num, c1, c2);
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
    return s;
}

// The pragmas in force, as SQLite reports them.
void print_sqlite_settings() {
    std::string path = bench_dir() + "/bench.sqlite";
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return;
    for (const char* pragma : kSqlitePragmas) sqlite3_exec(db, pragma, nullptr, nullptr, nullptr);
    std::printf("SQLite %s:", sqlite3_libversion());
    for (const char* name : {"journal_mode", "synchronous", "page_size", "cache_size"}) {
        sqlite3_stmt* s = nullptr;
        std::string q = std::string("PRAGMA ") + name;
        sqlite3_prepare_v2(db, q.c_str(), -1, &s, nullptr);
        if (sqlite3_step(s) == SQLITE_ROW)
            std::printf(" %s=%s", name, reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        sqlite3_finalize(s);
    }
    std::printf(" (one transaction, prepared statement)\n");
    sqlite3_close(db);
}

// CSV through std::to_chars into a 1 MB buffer written with write(2).
void csv_write() {
    std::string path = bench_dir() + "/bench.csv";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(fd >= 0, "csv open");
    std::vector<char> buffer(1 << 20);
    size_t used = 0;
    auto drain = [&] {
        check(::write(fd, buffer.data(), used) == static_cast<ssize_t>(used), "csv write");
        used = 0;
    };
    double num[kNumeric];
    char c1[kChar1 + 1], c2[kChar2 + 1];
    for (int i = 0; i < kObservations; ++i) {
        if (buffer.size() - used < 512) drain();
        fill(i, num, c1, c2);
        char* p = buffer.data() + used;
        char* end = buffer.data() + buffer.size();
        for (int j = 0; j < kNumeric; ++j) {
            p = std::to_chars(p, end, num[j]).ptr;   // shortest form that reads back exactly
            *p++ = ',';
        }
        std::memcpy(p, c1, kChar1);
        p += kChar1;
        *p++ = ',';
        std::memcpy(p, c2, kChar2);
        p += kChar2;
        *p++ = '\n';
        used = static_cast<size_t>(p - buffer.data());
    }
    drain();
    check(::fdatasync(fd) == 0 && ::close(fd) == 0, "csv close");
}

// CSV read in 1 MB blocks, numbers through std::from_chars.
Sums csv_read() {
    std::string path = bench_dir() + "/bench.csv";
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    check(fd >= 0, "csv open");
    std::vector<char> buffer(1 << 20);
    size_t kept = 0;   // bytes of an unfinished line at the start of the buffer
    double num[kNumeric];
    char c1[kChar1], c2[kChar2];
    Sums s;
    for (;;) {
        ssize_t n = ::read(fd, buffer.data() + kept, buffer.size() - kept);
        check(n >= 0, "csv read");
        if (n == 0) break;
        const char* p = buffer.data();
        const char* end = buffer.data() + kept + static_cast<size_t>(n);
        for (;;) {
            const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            if (eol == nullptr) break;
            for (int j = 0; j < kNumeric; ++j) p = std::from_chars(p, eol, num[j]).ptr + 1;
            std::memcpy(c1, p, kChar1);
            std::memcpy(c2, p + kChar1 + 1, kChar2);
            add_up(&s, num, c1, c2);
            p = eol + 1;
        }
        kept = static_cast<size_t>(end - p);
        std::memmove(buffer.data(), p, kept);
    }
    ::close(fd);
    return s;
}

double seconds_of(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool same(const Sums& a, const Sums& b) {
    return a.numbers == b.numbers && a.characters == b.characters && a.observations == b.observations;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    bench_dir();
    g_expected = closed_form(kObservations);
    struct Side { const char* name; std::function<Sums()> work; bool reads; };
    const std::vector<Side> sides = {
        {"dataset write", [] { dataset_write(); return Sums{}; }, false},
        {"sqlite write", [] { sqlite_write(); return Sums{}; }, false},
        {"csv write", [] { csv_write(); return Sums{}; }, false},
        {"dataset read", [] { return dataset_read(QOR_OPEN_INPUT); }, true},
        {"update read", [] { return dataset_read(QOR_OPEN_UPDATE); }, true},
        {"sqlite read", sqlite_read, true},
        {"csv read", csv_read, true},
    };
    std::map<std::string, double> best;   // seconds of the fastest round, by side
    for (int round = 0; round < kRounds; ++round) {
        for (const Side& side : sides) {
            Sums got;
            double s = seconds_of([&] { got = side.work(); });
            benchmark::DoNotOptimize(got);
            if (side.reads && !same(got, g_expected)) {
                std::fprintf(stderr, "bench_dataset: %s added up %.17g / %lld over %lld observations, "
                             "expected %.17g / %lld over %lld\n", side.name, got.numbers, got.characters,
                             got.observations, g_expected.numbers, g_expected.characters,
                             g_expected.observations);
                return 1;
            }
            if (best.count(side.name) == 0 || s < best[side.name]) best[side.name] = s;
        }
    }
    print_sqlite_settings();
    std::printf("%d observations of %d numeric and 2 character variables; best of %d interleaved rounds;\n"
                "every read's sums equal the closed form (%.17g, %lld)\n\n",
                kObservations, kNumeric, kRounds, g_expected.numbers, g_expected.characters);
    for (const Side& side : sides)
        std::printf("%-14s %8.1f ms %14.0f obs/s\n", side.name, 1e3 * best[side.name],
                    kObservations / best[side.name]);
    auto ratio = [&](const char* ours, const char* theirs) {
        std::printf("%-14s / %-13s speed ratio %6.2f\n", ours, theirs, best[theirs] / best[ours]);
    };
    std::printf("\nRatios (above 1: the data set is faster)\n");
    ratio("dataset write", "sqlite write");
    ratio("dataset read", "sqlite read");
    ratio("update read", "sqlite read");
    ratio("update read", "dataset read");
    ratio("dataset write", "csv write");
    ratio("dataset read", "csv read");
    std::filesystem::remove_all(bench_dir());
    benchmark::Shutdown();
    return 0;
}
