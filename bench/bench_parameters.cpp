// Speed of loading a parameter matrix: a 2,000 x 200 Parameters data set read by rskpmx1 (rows
// and columns taken from the data, identifiers entered in the row map) against reading the
// same data set with the runtime's reader alone into a plain array, single-threaded, with the
// values cross-checked. Prints the ratio measured in the same run.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common/files/dataset.h"
#include "engine/model/control/entry_table.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/services/files.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"
#include "host/dataset.h"
#include "host/kernel.h"
#include "runtime/core/print_internal.h"
#include "runtime/core/step.h"
#include "runtime/storage/libraries.h"

namespace {

constexpr int kRows = 2000;
constexpr int kColumns = 200;
constexpr const char* kLibrary = "BENCHPM";
constexpr const char* kMember = "params";

double value_of(int row, int column) { return row * 1000.0 + column + 0.25; }

qor_open_request request_for(int mode) {
    qor_open_request open{};
    std::memset(open.libref, ' ', sizeof open.libref);
    std::memcpy(open.libref, kLibrary, std::strlen(kLibrary));
    open.member.length = static_cast<int16_t>(std::strlen(kMember));
    std::memcpy(open.member.text, kMember, std::strlen(kMember));
    std::memset(open.member_type, ' ', sizeof open.member_type);
    open.mode = mode;
    return open;
}

void write_data() {
    qor_open_request open = request_for(QOR_OPEN_OUTPUT);
    qor_dataset* ds = nullptr;
    qor_putlist* put = nullptr;
    std::vector<double> row(kColumns);
    char id[16];
    int rc = xoopen(&ds, &open);
    if (rc == 0) rc = xvputi(ds, kColumns + 1, &put);
    qor_var_desc desc;
    xvnamei(&desc);
    std::strcpy(desc.name, "id");
    desc.name_length = 2;
    desc.type = QOR_VAR_CHARACTER;
    desc.length = 16;
    if (rc == 0) rc = xvputd(put, &desc, id, 16, nullptr);
    for (int c = 0; c < kColumns && rc == 0; ++c) {
        xvnamei(&desc);
        desc.name_length = static_cast<int16_t>(std::snprintf(desc.name, sizeof desc.name, "c%d", c));
        rc = xvputd(put, &desc, &row[static_cast<size_t>(c)], 8, nullptr);
    }
    if (rc == 0) rc = xvpute(put);
    qor_obs_request obs{};
    obs.dataset = ds;
    for (int r = 0; r < kRows && rc == 0; ++r) {
        std::memset(id, ' ', sizeof id);
        std::memcpy(id, "row", 3);
        std::snprintf(id + 3, sizeof id - 3, "%d", r);
        for (int c = 0; c < kColumns; ++c) row[static_cast<size_t>(c)] = value_of(r, c);
        rc = xyvput(put, 0);
        if (rc == 0) rc = xoadd(&obs);
    }
    xvputt(put);
    if (rc != 0 || xoclose(ds, 0) != 0) {
        std::fprintf(stderr, "the data set cannot be written\n");
        std::exit(1);
    }
}

// The reference: the runtime's reader alone, the identifier and every column bound, each
// observation's values copied into a plain array.
void read_plainly(std::vector<double>& values, std::vector<std::string>& ids) {
    qor_open_request open = request_for(QOR_OPEN_INPUT);
    qor_dataset* ds = nullptr;
    if (xoopen(&ds, &open) != 0) std::exit(1);
    qor_getlist* get = nullptr;
    std::vector<double> row(kColumns);
    char id[16];
    xvgeti(ds, kColumns + 1, &get);
    xvgetd(get, 1, id, 16);
    for (int c = 0; c < kColumns; ++c) xvgetd(get, c + 2, &row[static_cast<size_t>(c)], 8);
    xvgete(get);
    qor_obs_request obs{};
    obs.dataset = ds;
    for (int r = 0; xoget(&obs, QOR_GET_NEXT) == 0; ++r) {
        xyvget(get, 0);
        ids[static_cast<size_t>(r)].assign(id, 16);
        std::memcpy(&values[static_cast<size_t>(r) * kColumns], row.data(), sizeof(double) * kColumns);
    }
    xvgett(get);
    xoclose(ds, 0);
}

// The market data set service as a run would use it: the definition's data set opened for input.
int open_market_data(RSKCON*, mds* md, int, RSKANALYSIS*, const RSKNAMECELL*, const interval_spec*,
                     const RSKVARLINK*) {
    static RSKINPUTDS definition;
    *md = mds{};
    md->definition = &definition;
    qor_open_request request{};
    std::memset(request.libref, ' ', sizeof request.libref);
    std::memcpy(request.libref, kLibrary, std::min<size_t>(std::strlen(kLibrary), 8));
    request.member.length = static_cast<int16_t>(std::strlen(kMember));
    std::memcpy(request.member.text, kMember, static_cast<size_t>(request.member.length));
    std::memset(request.member_type, ' ', sizeof request.member_type);
    request.mode = QOR_OPEN_INPUT;
    if (xoopen(&md->data, &request) != 0) return 3;
    md->open = 1;
    md->reader.dataset = md->data;
    return 0;
}
int close_market_data(RSKCON*, mds* md) {
    if (md->data != nullptr) xoclose(md->data, 0);
    md->data = nullptr;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    qor_print_set_log_file("/dev/null");
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("bench_parameters_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    if (wiinstl((14 << 16) | 381, "TOLVANEA", 1) != 0 || wiinstl((14 << 16) | 383, "TOLVANEC", 1) != 0 ||
        qor::runtime::assign_library(kLibrary, dir.string(), "V9") != 0) {
        std::fprintf(stderr, "the engine modules or the library cannot be set up\n");
        return 1;
    }
    write_data();
    qor_step* step = qor::runtime::begin_step("ZOZU", "", 0, 1);
    RSKCON* con = nullptr;
    engine_routine<EngineSlot::rskinit>()(&con, 0, 0, 0);
    catalog_routine<CatalogSlot::rssenvt>()(con);
    // The service in this program's table and in the published one.
    void** published = const_cast<void**>(wivget(381)->slots);
    if (published != rskatbl) rskatbl_fill();
    for (void** table : {published, static_cast<void**>(rskatbl)}) {
        table[147] = reinterpret_cast<void*>(&open_market_data);
        table[146] = reinterpret_cast<void*>(&close_market_data);
    }
    RSKNAMEREC name{0, 2, const_cast<char*>("pm")};
    RSKCATOBJ* object = nullptr;
    engine_routine<EngineSlot::rskpmxd>()(con, &object, &name, nullptr, &name, 0, nullptr);
    if (object == nullptr) return 1;
    auto* matrix = static_cast<RSKPARMATRIX*>(object->object);
    matrix->variable->parameter_use = RSKPMXUSE_ALWAYS;

    auto load = [&] {
        rskpmx_run_end(con);
        if (con->run_pool != nullptr) xmpoold(con->run_pool);
        con->run_pool = xmpoolc(1 << 20, 1 << 20, 0);
        if (rskpmx1(con, 0) != 0) {
            std::fprintf(stderr, "the matrix does not load\n");
            std::exit(1);
        }
    };
    std::vector<double> values(static_cast<size_t>(kRows) * kColumns);
    std::vector<std::string> ids(kRows);
    const double ours = bench::best_seconds(7, load);
    const double reference = bench::best_seconds(7, [&] { read_plainly(values, ids); });
    if (matrix->rows.count != kRows || matrix->columns.count != kColumns ||
        std::memcmp(matrix->values, values.data(), sizeof(double) * values.size()) != 0 ||
        matrix->values[static_cast<size_t>(kRows - 1) * kColumns + 7] != value_of(kRows - 1, 7)) {
        std::fprintf(stderr, "the matrix and the plain read disagree\n");
        return 1;
    }
    std::printf("rskpmx1, %d x %d Parameters data set: %.2f ms; the runtime's reader alone %.2f ms; ratio %.2f "
                "(target 1.5)\n",
                kRows, kColumns, 1e3 * ours, 1e3 * reference, ours / reference);
    std::printf("%s\n", bench::machine_line().c_str());
    rskpmx_run_end(con);
    xmpoold(con->run_pool);
    con->run_pool = nullptr;
    engine_routine<EngineSlot::rskterm>()(con);
    qor::runtime::end_step(step);
    std::filesystem::remove_all(dir);
    benchmark::Shutdown();
    return 0;
}
