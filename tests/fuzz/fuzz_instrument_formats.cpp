// Fuzz target: the input becomes the rows of a position data set in the Sparse, Cash_Flow or
// Quadratic format (the first byte chooses), which READ turns into an instrument file that is then
// read back. Nothing may crash, hang or read past a buffer, and what is read back must fit the rows.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_values.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/value_cells.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"
#include "engine/tables/variable_request.h"
#include "host/dataset.h"
#include "host/kernel.h"
#include "host/missing.h"
#include "runtime/core/print_internal.h"
#include "runtime/core/step.h"
#include "runtime/storage/libraries.h"

namespace {

constexpr size_t kMostRows = 600;
constexpr size_t kRowBytes = 12;   // six choices of text, six numbers

struct Engine {
    RSKCON* con = nullptr;
    std::string dir;
    std::vector<std::unique_ptr<std::vector<unsigned char>>> storage;
};

RSKNAMEREC name_of(const char* text) {
    return RSKNAMEREC{0, static_cast<uint16_t>(std::strlen(text)), const_cast<char*>(text)};
}

void declare(RSKCON* con, const char* name, uint32_t kind, uint32_t type, uint32_t role, int length,
             const char* currency = nullptr) {
    RSKVARDEF request{};
    request.name = name;
    request.name_length = -1;
    request.kind = kind;
    request.data_type = type;
    request.role = role;
    request.length = length;
    request.maturity = kind == 2 ? 1 : qor::missing();
    request.maturity_unit = 4;
    request.scale = qor::missing();
    if (currency != nullptr) {
        request.currency = currency;
        request.currency_length = -1;
    }
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

// Value storage for every variable that has none, as a run's working storage gives it.
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

void give_storage_all(Engine& e) {
    RSKCON* con = e.con;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) give_storage(e, v);
    RSKSYSVARS* sv = con->system_variables;
    for (RSKVARIABLE* v : {sv->inst_type, sv->inst_id, sv->inst_source, sv->inst_number, sv->inst_total,
                           sv->counterparty_id, sv->quad_value, sv->cash_flows})
        give_storage(e, v);
}

Engine* setup() {
    static Engine* engine = [] {
        auto* e = new Engine;
        qor_print_set_log_file("/dev/null");
        qor_print_set_print_file("/dev/null");
        if (wiinstl((14 << 16) | 381, "TOLVANEA", 1) != 0 || wiinstl((14 << 16) | 383, "TOLVANEC", 1) != 0) return e;
        e->dir = std::filesystem::temp_directory_path() / ("qor_fuzz_formats_" + std::to_string(getpid()));
        std::filesystem::create_directories(e->dir);
        if (qor::runtime::assign_library("FUZZ", e->dir, "V9") != 0) return e;
        qor_step* step = qor::runtime::begin_step("ZOZU", "", 0, 1);
        engine_routine<EngineSlot::rskinit>()(&e->con, 0, 0, 0);
        qor::runtime::end_step(step);
        if (e->con == nullptr) return e;
        RSKCON* con = e->con;
        catalog_routine<CatalogSlot::rssenvt>()(con);
        declare(con, "strike", 3, 1, 201, 0);
        declare(con, "ccy", 3, 10, 201, 0);
        declare(con, "desk", 3, 2, 201, 8);
        declare(con, "usd1y", 2, 1, 321, 0, "USD");
        declare(con, "usd2y", 2, 1, 321, 0, "USD");
        define_type(con, "Call", 0, 0, {"strike", "ccy", "desk"});
        define_type(con, "Quad", 0, 1, {"strike"});
        define_type(con, "Flows", 1, 0, {"ccy"});
        give_storage_all(*e);
        return e;
    }();
    return engine->con != nullptr ? engine : nullptr;
}

// The columns every data set has: each format binds those it knows.
struct Column {
    const char* name;
    bool character;
    int length;
};
constexpr Column kColumns[] = {{"InstID", true, 8},   {"InstType", true, 8}, {"_Type_", true, 8},
                               {"_Name_", true, 8},   {"_NValue_", false, 8}, {"_CValue_", true, 8},
                               {"_CFCUR_", true, 4},  {"_CFDATE_", false, 8}, {"_CFAMNT_", false, 8},
                               {"strike", false, 8},  {"usd1y", false, 8},   {"usd2y", false, 8}};
constexpr size_t kColumnCount = sizeof kColumns / sizeof kColumns[0];

// One row's text and numbers, chosen by the input's bytes from small vocabularies so that rows
// often form groups, name known variables and hit each format's cases.
struct Row {
    std::string text[kColumnCount];
    double number[kColumnCount];
};

const char* pick(uint8_t byte, std::initializer_list<const char*> words) {
    return words.begin()[byte % words.size()];
}

Row make_row(const uint8_t* b) {
    Row r{};
    r.text[0] = pick(b[0], {"A", "B", "", "A", "C"});
    r.text[1] = pick(b[1], {"Call", "Quad", "Flows", "Nosuch", "quad", ""});
    r.text[2] = pick(b[2], {"VALUE", "DELTA", "GAMMA", "NUM", "CHAR", "gamma", "", "XYZ"});
    r.text[3] = pick(b[3], {"usd1y", "usd2y", "strike", "ccy", "desk", "", "nosuch"});
    r.text[5] = pick(b[4], {"EUR", "x", "", "longer-than"});
    r.text[6] = pick(b[5], {"USD", "eur", "US", "QQQ", "", " CHF"});
    const size_t numeric[] = {4, 7, 8, 9, 10, 11};
    for (size_t k = 0; k < 6; ++k) {
        const uint8_t v = b[6 + k];
        r.number[numeric[k]] = v % 7 == 0 ? qor::missing() : static_cast<double>(v) - 100;
    }
    return r;
}

int write_dataset(const std::vector<Row>& rows) {
    qor_open_request open{};
    std::memset(open.libref, ' ', sizeof open.libref);
    std::memcpy(open.libref, "FUZZ", 4);
    open.member.length = 3;
    std::memcpy(open.member.text, "pos", 3);
    std::memset(open.member_type, ' ', sizeof open.member_type);
    open.mode = QOR_OPEN_OUTPUT;
    qor_dataset* ds = nullptr;
    int rc = xoopen(&ds, &open);
    if (rc != 0) return rc;
    double numbers[kColumnCount] = {};
    char texts[kColumnCount][8];
    qor_putlist* put = nullptr;
    rc = xvputi(ds, static_cast<int>(kColumnCount), &put);
    for (size_t c = 0; c < kColumnCount && rc == 0; ++c) {
        qor_var_desc desc;
        xvnamei(&desc);
        std::strcpy(desc.name, kColumns[c].name);
        desc.name_length = static_cast<int16_t>(std::strlen(kColumns[c].name));
        desc.type = static_cast<int16_t>(kColumns[c].character ? QOR_VAR_CHARACTER : QOR_VAR_NUMERIC);
        desc.length = kColumns[c].length;
        rc = kColumns[c].character ? xvputd(put, &desc, texts[c], desc.length, nullptr)
                                   : xvputd(put, &desc, &numbers[c], 8, nullptr);
    }
    if (rc == 0) rc = xvpute(put);
    qor_obs_request request{};
    request.dataset = ds;
    for (const Row& row : rows) {
        for (size_t c = 0; c < kColumnCount; ++c) {
            if (kColumns[c].character) {
                std::memset(texts[c], ' ', sizeof texts[c]);
                std::memcpy(texts[c], row.text[c].data(), std::min(row.text[c].size(), sizeof texts[c]));
            } else {
                numbers[c] = row.number[c];
            }
        }
        if (rc == 0) rc = xyvput(put, 0);
        if (rc == 0) rc = xoadd(&request);
    }
    xvputt(put);
    if (rc != 0) {
        xoclose(ds, 1);
        return rc;
    }
    return xoclose(ds, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Engine* e = setup();
    if (e == nullptr || size < 1) return 0;
    static const uint32_t kFormats[] = {RSKDSFORMAT_SPARSE, RSKDSFORMAT_CASH_FLOW, RSKDSFORMAT_QUADRATIC};
    const uint32_t format = kFormats[data[0] % 3];
    std::vector<Row> rows;
    for (size_t at = 1; at + kRowBytes <= size && rows.size() < kMostRows; at += kRowBytes)
        rows.push_back(make_row(data + at));
    if (write_dataset(rows) != 0) return 0;

    RSKCON* con = e->con;
    give_storage_all(*e);
    RSKNAMEREC ds_name = name_of("pos"), type_name = name_of(""), member = name_of("FUZZ.pos");
    RSKCATOBJ* definition = nullptr;
    if (engine_routine<EngineSlot::rskdatd>()(con, &definition, &ds_name, format, &type_name, &member, nullptr) != 0)
        return 0;
    RSKNAMEREC source_name = name_of("src");
    RSKCATOBJ* source = nullptr;
    if (engine_routine<EngineSlot::rskposd>()(con, &source, &source_name, nullptr) != 0) return 0;
    engine_routine<EngineSlot::rskpdsd>()(con, source, &ds_name);
    RSKNAMEREC out = name_of("book");
    RSKNAMEREC path{0, static_cast<uint16_t>(e->dir.size()), const_cast<char*>(e->dir.c_str())};
    const int rc = engine_routine<EngineSlot::rskread>()(con, source, &out, &path, nullptr, 0, "        ");
    if (rc < -2) __builtin_trap();

    // What was written is read back: never more instruments than rows, never more flows than rows,
    // never more factors than the two declared.
    give_storage_all(*e);
    RSKCATOBJ* file_definition = engine_routine<EngineSlot::rsktdf>()(con, &out);
    if (rc > 0 || file_definition == nullptr) return 0;
    RSKTRANFILE file{};
    if (rsktrao(con, &file, file_definition, 'I') == 0 && rsktrir(con, &file, 1) == 0) {
        RSKINSTTYPE* type = nullptr;
        size_t instruments = 0;
        RSKSYSVARS* sv = con->system_variables;
        while (rsktra1(con, &file, &type) == 0) {
            if (++instruments > rows.size()) __builtin_trap();
            if (type->cash_flows && tran_entries(sv->cash_flows) > rows.size()) __builtin_trap();
            if (type->quadratic && tran_entries(sv->quad_value) > 2) __builtin_trap();
        }
    }
    rsktrac(con, &file);
    return 0;
}
