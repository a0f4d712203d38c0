// The STATES view of a run (100,000 states over 10 analysis rows) opened through xoopen and
// read to the end, against SQLite running the same join on the same rows held in memory.
//
// Both sides run the join and hand over every joined row; ours also writes the rows to the
// view's transient data set and reads them back, as every reader of a view does. The sides run
// interleaved and each keeps its best round; both add up the same values, checked against each
// other and against the closed form. Single-threaded on both sides.
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_members.h"
#include "host/dataset.h"
#include "runtime/storage/libraries.h"
#include "runtime/submit/program_runner.h"

namespace {

constexpr int kStates = 100000;
constexpr int kAnalyses = 10;
constexpr int kFactors = 10;
constexpr int kRounds = 5;

struct Sums {
    double states = 0;
    double factor = 0;
    long long rows = 0;
};

double factor_value(int state, int f) { return 0.001 * ((state * 7 + f) % 1000); }
std::string analysis_name(int a) { return "factor_" + std::to_string(a); }

// A data set with numeric and 32-byte character columns, rows made by `fill`.
void write_members(const char* member, const std::vector<std::string>& numeric,
                   const std::vector<std::string>& character, int rows,
                   void (*fill)(int row, double* numbers, char (*texts)[32])) {
    qor_open_request r = bench::open_request(member, QOR_OPEN_OUTPUT, "DATA");
    qor_dataset* ds = nullptr;
    if (xoopen(&ds, &r) != 0) std::abort();
    qor_putlist* put = nullptr;
    xvputi(ds, static_cast<int>(numeric.size() + character.size()), &put);
    std::vector<double> numbers(numeric.size());
    std::vector<char[32]> texts(character.size());
    for (size_t i = 0; i < numeric.size(); ++i) {
        qor_var_desc d;
        xvnamei(&d);
        d.name_length = static_cast<int16_t>(numeric[i].size());
        std::memcpy(d.name, numeric[i].c_str(), numeric[i].size() + 1);
        xvputd(put, &d, &numbers[i], 8, nullptr);
    }
    for (size_t i = 0; i < character.size(); ++i) {
        qor_var_desc d;
        xvnamei(&d);
        d.type = QOR_VAR_CHARACTER;
        d.length = 32;
        d.name_length = static_cast<int16_t>(character[i].size());
        std::memcpy(d.name, character[i].c_str(), character[i].size() + 1);
        xvputd(put, &d, texts[i], 32, nullptr);
    }
    xvpute(put);
    for (int row = 0; row < rows; ++row) {
        fill(row, numbers.data(), texts.data());
        qor_obs_request obs{};
        obs.dataset = ds;
        xyvput(put, 0);
        if (xoadd(&obs) != 0) std::abort();
    }
    xvputt(put);
    if (xoclose(ds, 0) != 0) std::abort();
}

void set_text(char* field, const std::string& text) {
    std::memset(field, ' ', 32);
    std::memcpy(field, text.data(), text.size());
}

std::vector<std::string> factor_names() {
    std::vector<std::string> names;
    for (int f = 0; f < kFactors; ++f) names.push_back("rf" + std::to_string(f));
    return names;
}

void make_members() {
    write_members("states_a", {"AnalysisNumber", "AnalysisPart"}, {"AnalysisName", "Name", "Name2"},
                  kAnalyses, [](int row, double* n, char (*t)[32]) {
                      n[0] = row;
                      n[1] = 0;
                      set_text(t[0], "Analysis " + std::to_string(row));
                      set_text(t[1], analysis_name(row));
                      set_text(t[2], "");
                  });
    std::vector<std::string> numeric = {"StateNumber", "AnalysisNumber", "AnalysisPart"};
    for (const std::string& f : factor_names()) numeric.push_back(f);
    numeric.push_back("_date_");
    write_members("states_v", numeric, {"Name", "Name2"}, kStates, [](int row, double* n, char (*t)[32]) {
        n[0] = row + 1;
        n[1] = row % kAnalyses;
        n[2] = 0;
        for (int f = 0; f < kFactors; ++f) n[3 + f] = factor_value(row, f);
        n[3 + kFactors] = 21915;
        set_text(t[0], analysis_name(row % kAnalyses));
        set_text(t[1], "");
    });
}

std::string select_list() {
    std::string s = "select statenumber, a.analysisnumber, analysisname, a.analysispart,\n\ta.name, a.name2,\n";
    for (const std::string& f : factor_names()) s += "\t" + f + ",\n";
    return s + "\t_date_\n";
}
const char* kJoin =
    "where a.analysisnumber = v.analysisnumber AND\n\ta.name = v.name AND\n\ta.name2 = v.name2 AND\n"
    "\ta.analysispart = v.analysispart";

Sums read_view() {
    qor_open_request r = bench::open_request("states", QOR_OPEN_INPUT, "DATAVIEW");
    qor_dataset* ds = nullptr;
    if (xoopen(&ds, &r) != 0) std::abort();
    int state = 0, factor = 0;
    xvfind(ds, "StateNumber", -1, &state, 0);
    xvfind(ds, "rf3", -1, &factor, 0);
    Sums sums;
    qor_obs_request obs{};
    obs.dataset = ds;
    while (xoget(&obs, QOR_GET_NEXT) == 0) {
        double s = 0, x = 0;
        xvget1f(ds, state, &s);
        xvget1f(ds, factor, &x);
        sums.states += s;
        sums.factor += x;
        ++sums.rows;
    }
    xoclose(ds, 0);
    return sums;
}

// The same rows in SQLite tables of an in-memory database (not timed).
sqlite3* make_sqlite() {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    std::string v = "create table v(StateNumber real, AnalysisNumber real, AnalysisPart real";
    for (const std::string& f : factor_names()) v += ", " + f + " real";
    v += ", _date_ real, Name text, Name2 text)";
    sqlite3_exec(db, "create table a(AnalysisNumber real, AnalysisPart real, AnalysisName text, Name text, Name2 text)",
                 nullptr, nullptr, nullptr);
    sqlite3_exec(db, v.c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "insert into a values(?, 0, ?, ?, '')", -1, &st, nullptr);
    for (int a = 0; a < kAnalyses; ++a) {
        std::string label = "Analysis " + std::to_string(a), name = analysis_name(a);
        sqlite3_bind_double(st, 1, a);
        sqlite3_bind_text(st, 2, label.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    std::string insert = "insert into v values(?, ?, 0";
    for (int f = 0; f < kFactors; ++f) insert += ", ?";
    insert += ", 21915, ?, '')";
    sqlite3_prepare_v2(db, insert.c_str(), -1, &st, nullptr);
    for (int row = 0; row < kStates; ++row) {
        std::string name = analysis_name(row % kAnalyses);
        sqlite3_bind_double(st, 1, row + 1);
        sqlite3_bind_double(st, 2, row % kAnalyses);
        for (int f = 0; f < kFactors; ++f) sqlite3_bind_double(st, 3 + f, factor_value(row, f));
        sqlite3_bind_text(st, 3 + kFactors, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    return db;
}

Sums run_sqlite(sqlite3* db) {
    std::string sql = select_list() + "from a a, v v\n" + kJoin;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) std::abort();
    Sums sums;
    while (sqlite3_step(st) == SQLITE_ROW) {
        sums.states += sqlite3_column_double(st, 0);
        sums.factor += sqlite3_column_double(st, 6 + 3);
        ++sums.rows;
    }
    sqlite3_finalize(st);
    return sums;
}

template <typename F>
double seconds(F&& f, Sums* out) {
    auto start = std::chrono::steady_clock::now();
    *out = f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool same(const Sums& a, const Sums& b) {
    return a.rows == b.rows && a.states == b.states && std::abs(a.factor - b.factor) < 1e-6 * (1 + std::abs(a.factor));
}

}  // namespace

int main() {
    std::string dir = std::filesystem::temp_directory_path() / ("qor_bench_sql_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir + "/work");
    qor::runtime::assign_library("benchlib", dir, "");
    if (qor::runtime::library_directory("WORK").empty()) qor::runtime::assign_library("WORK", dir + "/work", "");
    make_members();
    std::string program = "proc sql;\n\tcreate view BENCHLIB.STATES as\n" + select_list() +
                          "from STATES_a a, STATES_v v\n" + kJoin + ";\nquit;\n";
    if (qor::runtime::run_program_text(program, "bench_sql").worst_code != 0) return 1;
    sqlite3* db = make_sqlite();

    Sums expected;
    for (int s = 0; s < kStates; ++s) {
        expected.states += s + 1;
        expected.factor += factor_value(s, 3);
    }
    expected.rows = kStates;
    double best_ours = 1e30, best_sqlite = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        Sums ours, theirs;
        best_ours = std::min(best_ours, seconds(read_view, &ours));
        best_sqlite = std::min(best_sqlite, seconds([db] { return run_sqlite(db); }, &theirs));
        if (!same(ours, expected) || !same(theirs, expected)) {
            std::printf("results differ: ours %lld rows, SQLite %lld rows, expected %lld\n", ours.rows,
                        theirs.rows, expected.rows);
            return 1;
        }
    }
    sqlite3_close(db);
    std::filesystem::remove_all(dir);
    std::printf("STATES view, %d states x %d analysis rows, best of %d rounds\n", kStates, kAnalyses, kRounds);
    std::printf("  qor view through xoopen : %8.1f ms\n", best_ours * 1e3);
    std::printf("  SQLite in memory        : %8.1f ms\n", best_sqlite * 1e3);
    std::printf("  ratio ours/SQLite       : %8.2f (target at most 2)\n", best_ours / best_sqlite);
    return 0;
}
