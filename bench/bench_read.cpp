// READ of a "Simple" position data set into an instrument file against reading the same data set
// with the runtime's data set reader alone, in the same run; also what the file's bytes cost.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_engine.h"
#include "engine/files/instrument_file.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/variable_request.h"
#include "host/dataset.h"
#include "host/missing.h"
#include "runtime/storage/libraries.h"

namespace {

constexpr int kNumeric = 8, kIdLength = 12, kCharLength = 8;
constexpr int kRounds = 3;

std::string g_dir;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "bench_read: %s failed\n", what);
        std::exit(1);
    }
}

RSKNAMEREC name_of(const char* text) {
    return RSKNAMEREC{0, static_cast<uint16_t>(std::strlen(text)), const_cast<char*>(text)};
}

void declare(RSKCON* con, const char* name, uint32_t type, int length) {
    RSKVARDEF request{};
    request.name = name;
    request.name_length = -1;
    request.kind = 3;
    request.data_type = type;
    request.role = 201;
    request.length = length;
    request.maturity = qor::missing();
    request.maturity_unit = 4;
    request.scale = qor::missing();
    request.environment = con->current_environment;
    check(engine_routine<EngineSlot::rskvard>()(con, nullptr, &request) == 0, "variable definition");
}

qor_open_request request(int mode) {
    qor_open_request r{};
    std::memset(r.libref, ' ', sizeof r.libref);
    std::memcpy(r.libref, "BENCHRD", 7);
    r.member.length = 3;
    std::memcpy(r.member.text, "pos", 3);
    std::memset(r.member_type, ' ', sizeof r.member_type);
    r.mode = mode;
    return r;
}

// The positions: InstID "P" and 11 digits, n1..n8 from the number, c1 and c2 from its digits.
void write_positions(int count) {
    qor_open_request r = request(QOR_OPEN_OUTPUT);
    qor_dataset* ds = nullptr;
    check(xoopen(&ds, &r) == 0, "data set open for output");
    double num[kNumeric];
    char id[kIdLength + 1], c1[kCharLength + 1], c2[kCharLength + 1];
    qor_putlist* put = nullptr;
    xvputi(ds, kNumeric + 3, &put);
    qor_var_desc d;
    xvnamei(&d);
    d.type = QOR_VAR_CHARACTER;
    d.length = kIdLength;
    d.name_length = static_cast<int16_t>(std::snprintf(d.name, sizeof d.name, "InstID"));
    xvputd(put, &d, id, kIdLength, nullptr);
    for (int j = 0; j < kNumeric; ++j) {
        xvnamei(&d);
        d.name_length = static_cast<int16_t>(std::snprintf(d.name, sizeof d.name, "n%d", j + 1));
        xvputd(put, &d, &num[j], 8, nullptr);
    }
    for (int j = 0; j < 2; ++j) {
        xvnamei(&d);
        d.type = QOR_VAR_CHARACTER;
        d.length = kCharLength;
        d.name_length = static_cast<int16_t>(std::snprintf(d.name, sizeof d.name, "c%d", j + 1));
        xvputd(put, &d, j == 0 ? c1 : c2, kCharLength, nullptr);
    }
    xvpute(put);
    qor_obs_request q{};
    q.dataset = ds;
    for (int i = 0; i < count; ++i) {
        std::snprintf(id, sizeof id, "P%011d", i);
        for (int j = 0; j < kNumeric; ++j) num[j] = i * 0.25 + j;
        std::snprintf(c1, sizeof c1, "d%07d", i % 97);
        std::snprintf(c2, sizeof c2, "b%07d", i % 13);
        xyvput(put, 0);
        check(xoadd(&q) == 0, "data set add");
    }
    xvputt(put);
    check(xoclose(ds, 0) == 0, "data set close");
}

// The reference: every observation's identifier, eight numbers and two texts fetched through a
// get list, as a reader that does nothing else would. Answers the sum of the numbers.
double read_with_dataset_reader() {
    qor_open_request r = request(QOR_OPEN_INPUT);
    qor_dataset* ds = nullptr;
    check(xoopen(&ds, &r) == 0, "data set open for input");
    double num[kNumeric];
    char id[kIdLength], c1[kCharLength], c2[kCharLength];
    qor_getlist* get = nullptr;
    xvgeti(ds, kNumeric + 3, &get);
    xvgetd(get, 1, id, kIdLength);
    for (int j = 0; j < kNumeric; ++j) xvgetd(get, j + 2, &num[j], 8);
    xvgetd(get, kNumeric + 2, c1, kCharLength);
    xvgetd(get, kNumeric + 3, c2, kCharLength);
    xvgete(get);
    qor_obs_request q{};
    q.dataset = ds;
    double sum = 0;
    long characters = 0;
    while (xoget(&q, QOR_GET_NEXT) == 0) {
        xyvget(get, 0);
        for (double x : num) sum += x;
        characters += id[0] + c1[0] + c2[0];
    }
    benchmark::DoNotOptimize(characters);
    xvgett(get);
    xoclose(ds, 0);
    return sum;
}

// READ of the source into the instrument file "book": rskread's result.
int read_positions(RSKCON* con, RSKCATOBJ* source) {
    RSKNAMEREC out = name_of("book"), path = name_of(g_dir.c_str());
    return engine_routine<EngineSlot::rskread>()(con, source, &out, &path, nullptr, 0, "        ");
}

// Instruments in the file and the sum of their n1..n8, read back through the file routines.
double read_back(RSKCON* con, long* instruments) {
    RSKNAMEREC key = name_of("book");
    RSKCATOBJ* definition = engine_routine<EngineSlot::rsktdf>()(con, &key);
    check(definition != nullptr, "instrument file definition");
    std::vector<RSKVARIABLE*> numbers;
    for (int j = 0; j < kNumeric; ++j) {
        char name[8];
        std::snprintf(name, sizeof name, "n%d", j + 1);
        RSKNAMEREC v = name_of(name);
        numbers.push_back(engine_routine<EngineSlot::rskvar>()(con, &v));
    }
    // Value storage for the variables the run's storage gave and took back, for this read only.
    std::vector<std::vector<char>> texts;
    std::vector<RSKVARIABLE*> given;
    auto give = [&](RSKVARIABLE* v) {
        if (v == nullptr || v->value != nullptr) return;
        texts.emplace_back(std::max<size_t>(64, v->storage_size + v->length), ' ');
        v->value = texts.back().data();
        given.push_back(v);
    };
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) give(v);
    RSKSYSVARS* sv = con->system_variables;
    for (RSKVARIABLE* v : {sv->inst_type, sv->inst_id, sv->inst_source, sv->inst_number, sv->inst_total}) give(v);
    RSKTRANFILE file{};
    check(engine_routine<EngineSlot::rsktrao>()(con, &file, definition, 'I') == 0, "instrument file open");
    double sum = 0;
    *instruments = 0;
    RSKINSTTYPE* type = nullptr;
    while (engine_routine<EngineSlot::rsktra1>()(con, &file, &type) == 0) {
        ++*instruments;
        for (RSKVARIABLE* v : numbers) {
            double x = 0;
            std::memcpy(&x, v->value, sizeof x);
            sum += x;
        }
    }
    engine_routine<EngineSlot::rsktrac>()(con, &file);
    for (RSKVARIABLE* v : given) v->value = nullptr;
    return sum;
}

// Writes `bytes` to a scratch file with one write per megabyte.
void write_bytes(long bytes) {
    const std::string path = g_dir + "/plain.bin";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    check(fd >= 0, "scratch file open");
    std::vector<char> chunk(1 << 20, 'x');
    for (long left = bytes; left > 0;) {
        const size_t n = static_cast<size_t>(left < static_cast<long>(chunk.size()) ? left : static_cast<long>(chunk.size()));
        check(::write(fd, chunk.data(), n) == static_cast<ssize_t>(n), "scratch write");
        left -= static_cast<long>(n);
    }
    ::close(fd);
    std::filesystem::remove(path);
}

double seconds_of(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // The number of positions may be given as the first argument (1,000,000 by default).
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    check(count > 0, "position count");
    g_dir = (std::filesystem::temp_directory_path() / ("qor_bench_read_" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(g_dir);
    check(qor::runtime::assign_library("BENCHRD", g_dir, "V9") == 0, "library");
    write_positions(count);

    bench::EngineStep engine;
    RSKCON* con = engine.con;
    for (int j = 0; j < kNumeric; ++j) {
        char name[8];
        std::snprintf(name, sizeof name, "n%d", j + 1);
        declare(con, name, 1, 0);
    }
    declare(con, "c1", 2, kCharLength);
    declare(con, "c2", 2, kCharLength);
    RSKINSTTYPE* type = nullptr;
    check(engine_routine<EngineSlot::rskclsd>()(con, &type, "Bond", -1, "", -1, "", -1, 0, 0,
                                                con->current_environment) == 0,
          "type definition");
    for (const char* v : {"n1", "n2", "n3", "n4", "n5", "n6", "n7", "n8", "c1", "c2"})
        engine_routine<EngineSlot::rskclsv>()(con, type, v, -1);
    check(engine_routine<EngineSlot::rskclsi>()(con, type) == 0, "type");
    RSKNAMEREC ds_name = name_of("pos"), type_name = name_of("Bond"), member = name_of("BENCHRD.pos");
    RSKCATOBJ* dataset = nullptr;
    check(engine_routine<EngineSlot::rskdatd>()(con, &dataset, &ds_name, RSKDSFORMAT_SIMPLE, &type_name, &member,
                                                nullptr) == 0,
          "position data set definition");
    RSKNAMEREC source_name = name_of("src");
    RSKCATOBJ* source = nullptr;
    check(engine_routine<EngineSlot::rskposd>()(con, &source, &source_name, nullptr) == 0, "source");
    check(engine_routine<EngineSlot::rskpdsd>()(con, source, &ds_name) == 0, "source list");

    // The expected sum of n1..n8 over every position, in closed form.
    const double n = count;
    const double expected = kNumeric * 0.25 * n * (n - 1) / 2 + n * (kNumeric * (kNumeric - 1) / 2);
    double best_read = 0, best_reference = 0, best_plain = 0;
    long member_bytes = 0;
    for (int round = 0; round < kRounds; ++round) {
        double reference_sum = 0;
        const double reference = seconds_of([&] { reference_sum = read_with_dataset_reader(); });
        check(reference_sum == expected, "the reference's sum");
        int rc = 0;
        const double read = seconds_of([&] { rc = read_positions(con, source); });
        check(rc == 0, "READ");
        // The file is checked once: reading it back is no part of what is measured.
        long instruments = count;
        if (round == 0)
            check(read_back(con, &instruments) == expected && instruments == count, "the file's instruments");
        member_bytes = 0;
        for (const auto& entry : std::filesystem::directory_iterator(g_dir))
            if (entry.path().filename().string().rfind("book", 0) == 0 && entry.path().filename() != "bookinfo.qor7bput")
                member_bytes += static_cast<long>(entry.file_size());
        const double plain = seconds_of([&] { write_bytes(member_bytes); });
        if (round == 0 || read < best_read) best_read = read;
        if (round == 0 || reference < best_reference) best_reference = reference;
        if (round == 0 || plain < best_plain) best_plain = plain;
    }
    std::printf("%d positions of one type (12-character InstID, %d numeric and 2 character columns); best of %d "
                "rounds;\nthe file read back holds every position and the closed-form sum %.17g\n\n",
                count, kNumeric, kRounds, expected);
    std::printf("READ into the instrument file   %9.1f ms\n", 1e3 * best_read);
    std::printf("data set reader alone           %9.1f ms\n", 1e3 * best_reference);
    std::printf("READ / reader alone             %9.2f (target at most 2)\n", best_read / best_reference);
    std::printf("instrument member               %9.1f bytes per instrument\n",
                static_cast<double>(member_bytes) / count);
    std::printf("writing that many bytes, 1 MB a write %5.1f ms\n", 1e3 * best_plain);
    std::filesystem::remove_all(g_dir);
    return 0;
}
