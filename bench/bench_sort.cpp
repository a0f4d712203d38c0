// PROC SORT of 1,000,000 observations by two keys (a number and an 8-byte text) against a
// reference that reads the same data set through the host data set services into records,
// sorts them with std::stable_sort and writes them back the same way: the same work, one
// thread each. The sides run interleaved (best of three rounds each) and their outputs are
// compared observation by observation.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_members.h"
#include "host/dataset.h"
#include "runtime/storage/libraries.h"
#include "runtime/submit/program_runner.h"

namespace {

constexpr int kObservations = 1000000;
constexpr int kOtherNumbers = 4;
constexpr int kRounds = 3;

struct Record {
    double k1;
    char k2[8];
    double other[kOtherNumbers];
    double tag;
};

void check(int rc, const char* what) {
    if (rc != 0) {
        std::fprintf(stderr, "bench_sort: %s failed (%d)\n", what, rc);
        std::exit(1);
    }
}

qor_var_desc describe(const char* name, int type, int length) {
    qor_var_desc d;
    xvnamei(&d);
    d.name_length = static_cast<int16_t>(std::snprintf(d.name, sizeof d.name, "%s", name));
    d.type = static_cast<int16_t>(type);
    d.length = length;
    return d;
}

// Binds a record's fields for writing (put) or reading (get by the same variable order).
void write_records(const char* member, const std::vector<Record>& records) {
    qor_open_request r = bench::open_request(member, QOR_OPEN_OUTPUT);
    qor_dataset* ds = nullptr;
    check(xoopen(&ds, &r), "open for output");
    qor_putlist* put = nullptr;
    check(xvputi(ds, 3 + kOtherNumbers, &put), "put list");
    Record buffer{};
    qor_var_desc d = describe("k1", QOR_VAR_NUMERIC, 8);
    check(xvputd(put, &d, &buffer.k1, 8, nullptr), "k1");
    d = describe("k2", QOR_VAR_CHARACTER, 8);
    check(xvputd(put, &d, buffer.k2, 8, nullptr), "k2");
    for (int j = 0; j < kOtherNumbers; ++j) {
        std::string name = "n" + std::to_string(j + 1);
        d = describe(name.c_str(), QOR_VAR_NUMERIC, 8);
        check(xvputd(put, &d, &buffer.other[j], 8, nullptr), "n");
    }
    d = describe("tag", QOR_VAR_NUMERIC, 8);
    check(xvputd(put, &d, &buffer.tag, 8, nullptr), "tag");
    check(xvpute(put), "put end");
    qor_obs_request q{};
    q.dataset = ds;
    for (const Record& rec : records) {
        buffer = rec;
        check(xyvput(put, 0), "put");
        check(xoadd(&q), "add");
    }
    xvputt(put);
    check(xoclose(ds, 0), "close");
}

std::vector<Record> read_records(const char* member) {
    qor_open_request r = bench::open_request(member, QOR_OPEN_INPUT);
    qor_dataset* ds = nullptr;
    check(xoopen(&ds, &r), "open for input");
    int64_t count = 0;
    xoinfo(ds, QOR_INFO_OBSERVATIONS, &count);
    qor_getlist* get = nullptr;
    check(xvgeti(ds, 3 + kOtherNumbers, &get), "get list");
    Record buffer{};
    check(xvgetd(get, 1, &buffer.k1, 8), "k1");
    check(xvgetd(get, 2, buffer.k2, 8), "k2");
    for (int j = 0; j < kOtherNumbers; ++j) check(xvgetd(get, 3 + j, &buffer.other[j], 8), "n");
    check(xvgetd(get, 3 + kOtherNumbers, &buffer.tag, 8), "tag");
    check(xvgete(get), "get end");
    std::vector<Record> out;
    out.reserve(static_cast<size_t>(count));
    qor_obs_request q{};
    q.dataset = ds;
    while (xoget(&q, QOR_GET_NEXT) == 0) {
        check(xyvget(get, 0), "get");
        out.push_back(buffer);
    }
    xvgett(get);
    xoclose(ds, 0);
    return out;
}

double seconds_of(void (*work)()) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void ours() {
    auto result = qor::runtime::run_program_text("proc sort data=benchlib.input out=benchlib.ours; by k1 k2; run;",
                                                 "bench");
    check(result.worst_code, "PROC SORT");
}

void reference() {
    std::vector<Record> records = read_records("INPUT");
    std::stable_sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
        if (a.k1 != b.k1) return a.k1 < b.k1;
        return std::memcmp(a.k2, b.k2, 8) < 0;
    });
    write_records("REFERENCE", records);
}

}  // namespace

int main() {
    std::string dir = std::filesystem::temp_directory_path() / ("qor_bench_sort_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    qor::runtime::assign_library("benchlib", dir, "");
    std::mt19937_64 random(2024);
    std::vector<Record> input(kObservations);
    for (int i = 0; i < kObservations; ++i) {
        Record& r = input[static_cast<size_t>(i)];
        r.k1 = static_cast<double>(random() % 1000);
        for (char& c : r.k2) c = static_cast<char>('A' + random() % 26);
        for (double& x : r.other) x = static_cast<double>(random() % 100000) / 7.0;
        r.tag = i;
    }
    write_records("INPUT", input);
    double best_ours = 1e30, best_reference = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        best_ours = std::min(best_ours, seconds_of(ours));
        best_reference = std::min(best_reference, seconds_of(reference));
    }
    std::vector<Record> a = read_records("OURS"), b = read_records("REFERENCE");
    bool same = a.size() == b.size() && a.size() == input.size();
    for (size_t i = 0; same && i < a.size(); ++i) same = a[i].tag == b[i].tag;
    std::filesystem::remove_all(dir);
    if (!same) {
        std::fprintf(stderr, "bench_sort: PROC SORT and std::stable_sort disagree\n");
        return 1;
    }
    std::printf("%d observations (%d numeric, 1 character variable), BY k1 k2; best of %d interleaved rounds\n",
                kObservations, 2 + kOtherNumbers, kRounds);
    std::printf("PROC SORT                          %8.1f ms\n", 1e3 * best_ours);
    std::printf("read + std::stable_sort + write    %8.1f ms\n", 1e3 * best_reference);
    std::printf("time ratio PROC SORT / reference   %8.2f (target at most 1.5)\n", best_ours / best_reference);
    return 0;
}
