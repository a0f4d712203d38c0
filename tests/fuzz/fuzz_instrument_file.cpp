// Fuzz target: the input becomes the two members of an instrument file (the first two bytes say
// where the instrument member ends), which the engine opens, reads the information member of and
// reads instrument by instrument. Nothing may crash, hang or read past a buffer.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_values.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/value_cells.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"
#include "engine/tables/variable_request.h"
#include "host/kernel.h"
#include "host/missing.h"
#include "runtime/core/print_internal.h"
#include "runtime/core/step.h"

namespace {

struct Engine {
    RSKCON* con = nullptr;
    RSKCATOBJ* definition = nullptr;
    std::string data_path, info_path;
    std::vector<std::unique_ptr<std::vector<unsigned char>>> storage;
};

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
    engine_routine<EngineSlot::rskvard>()(con, nullptr, &request);
}

void define_type(RSKCON* con, const char* name, int cash_flows, int quadratic, std::initializer_list<const char*> vars) {
    RSKINSTTYPE* type = nullptr;
    engine_routine<EngineSlot::rskclsd>()(con, &type, name, -1, "", -1, "", -1, cash_flows, quadratic,
                                          con->current_environment);
    for (const char* v : vars) engine_routine<EngineSlot::rskclsv>()(con, type, v, -1);
    engine_routine<EngineSlot::rskclsi>()(con, type);
}

// Value storage for every variable, as a run's working storage gives it.
void give_storage(Engine& e, RSKVARIABLE* v) {
    if (v == nullptr || v->value != nullptr) return;
    size_t bytes = 64 + v->storage_size + v->length;
    if (v->storage_type == RSKSTORE_QUADRATIC || v->storage_type == RSKSTORE_CASH_FLOWS) {
        v->element_count = 4;
        bytes = v->storage_type == RSKSTORE_QUADRATIC ? tran_quad_storage(4) : tran_cash_storage(4);
    }
    e.storage.push_back(std::make_unique<std::vector<unsigned char>>(bytes, 0));
    v->value = e.storage.back()->data();
    rskvali(v);
}

Engine* setup() {
    static Engine* engine = [] {
        auto* e = new Engine;
        qor_print_set_log_file("/dev/null");
        qor_print_set_print_file("/dev/null");
        if (wiinstl((14 << 16) | 381, "TOLVANEA", 1) != 0 || wiinstl((14 << 16) | 383, "TOLVANEC", 1) != 0) return e;
        qor_step* step = qor::runtime::begin_step("ZOZU", "", 0, 1);
        engine_routine<EngineSlot::rskinit>()(&e->con, 0, 0, 0);
        qor::runtime::end_step(step);
        if (e->con == nullptr) return e;
        RSKCON* con = e->con;
        catalog_routine<CatalogSlot::rssenvt>()(con);
        // The variables and types of the seed (the member pair kept under tests/fixtures).
        declare(con, "strike", 1, 0);
        declare(con, "maturity", 1, 0);
        declare(con, "ccy", 10, 0);
        declare(con, "desk", 2, 8);
        define_type(con, "Call", 0, 0, {"strike", "maturity", "ccy", "desk"});
        define_type(con, "Quad", 0, 1, {"strike"});
        define_type(con, "Flows", 1, 0, {"ccy"});
        for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) give_storage(*e, v);
        RSKSYSVARS* sv = con->system_variables;
        if (sv != nullptr)
            for (RSKVARIABLE* v : {sv->inst_type, sv->inst_id, sv->inst_source, sv->inst_number, sv->inst_total,
                                   sv->quad_value, sv->cash_flows})
                give_storage(*e, v);
        const std::string dir = std::filesystem::temp_directory_path() / ("qor_fuzz_tran_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        RSKNAMEREC name{0, 4, const_cast<char*>("book")};
        RSKNAMEREC path{0, static_cast<uint16_t>(dir.size()), const_cast<char*>(dir.c_str())};
        if (engine_routine<EngineSlot::rsktdfd>()(con, &e->definition, &name, nullptr, &path, nullptr) != 0) return e;
        e->data_path = dir + "/book.qor7bput";
        e->info_path = dir + "/bookinfo.qor7bput";
        return e;
    }();
    return engine->definition != nullptr ? engine : nullptr;
}

void write_file(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Engine* e = setup();
    if (e == nullptr || size < 2) return 0;
    size_t split = static_cast<size_t>(data[0]) | static_cast<size_t>(data[1]) << 8;
    data += 2;
    size -= 2;
    if (split > size) split = size;
    write_file(e->data_path, data, split);
    write_file(e->info_path, data + split, size - split);
    RSKCON* con = e->con;
    con->run_block->transaction_internal_errors = 0;
    RSKTRANFILE file{};
    if (rsktrao(con, &file, e->definition, 'I') == 0) {
        rsktrir(con, &file, 1);
        rsktrip(con, &file);
        RSKINSTTYPE* type = nullptr;
        int rc = 0;
        for (int n = 0; n < 10000 && (rc = rsktra1(con, &file, &type)) == 0; ++n) rsktrap(con, &file, type);
        // After a failure every further read fails too.
        if (rc == 2 && rsktra1(con, &file, &type) != 2) __builtin_trap();
        rsktra0(con, &file, 1);
    }
    rsktrac(con, &file);
    return 0;
}
