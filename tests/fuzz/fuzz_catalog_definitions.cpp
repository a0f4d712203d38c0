// Fuzz target: the input becomes the rows of a catalog data set of variables, instrument types
// or arrays (first byte), which the engine reads into a fresh control structure, rebuilds and
// lists. Nothing may crash, and afterwards every variable of the list is found by its name.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/model/control/startup.h"
#include "engine/model/datasets/catalog_datasets_api.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variable_record.h"
#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"
#include "host/dataset.h"
#include "host/kernel.h"
#include "host/missing.h"
#include "runtime/core/print_internal.h"
#include "runtime/core/step.h"
#include "runtime/storage/libraries.h"

namespace {

struct Column {
    const char* name;
    bool character;
    int length;
};

// The columns of each kind of data set; numeric fields are read with strtod.
const std::vector<Column> kLayouts[3] = {
    {{"NAME", true, 40}, {"KIND", true, 18}, {"TYPE", true, 18}, {"ROLE", true, 18}, {"LENGTH", false, 8},
     {"FORMAT", true, 18}, {"FORMATL", false, 8}, {"FORMATD", false, 8}, {"CURRENCY", true, 3},
     {"FROMCUR", true, 3}, {"MATURITY", false, 8}, {"MUNIT", true, 18}, {"MLEVEL", true, 18},
     {"REFNAME1", true, 32}, {"CATEGORY", true, 32}, {"SCALE", false, 8}, {"LABEL", true, 64}},
    {{"INSTTYPE", true, 32}, {"TYPE", true, 10}, {"CONTENT", true, 64}, {"CVALUE", true, 64}, {"NVALUE", false, 8}},
    {{"ARRAYNAM", true, 32}, {"TYPE", true, 16}, {"CONTENT", true, 64}},
};

bool setup() {
    static bool ready = [] {
        const std::string dir = std::filesystem::temp_directory_path() / ("qor_fuzz_defs_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        qor::runtime::assign_library("FUZZDEF", dir, "");
        qor_print_set_log_file("/dev/null");
        qor_print_set_print_file("/dev/null");
        return wiinstl((14 << 16) | 381, "TOLVANEA", 1) == 0 && wiinstl((14 << 16) | 383, "TOLVANEC", 1) == 0;
    }();
    return ready;
}

// Rows are lines, fields are separated by '|'; missing fields are blank.
std::vector<std::vector<std::string>> rows_of(const uint8_t* data, size_t size) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    for (size_t i = 0; i < size && rows.size() < 200; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\n') rows.emplace_back(1);
        else if (c == '|') rows.back().emplace_back();
        else rows.back().back().push_back(c);
    }
    return rows;
}

bool write_dataset(const std::vector<Column>& columns, const std::vector<std::vector<std::string>>& rows) {
    qor_open_request open{};
    std::memcpy(open.libref, "FUZZDEF ", 8);
    open.member.length = 4;
    std::memcpy(open.member.text, "defs", 4);
    std::memset(open.member_type, ' ', 8);
    open.mode = QOR_OPEN_OUTPUT;
    qor_dataset* ds = nullptr;
    if (xoopen(&ds, &open) != 0) return false;
    std::vector<double> numbers(columns.size());
    std::vector<std::string> texts(columns.size());
    qor_putlist* put = nullptr;
    int rc = xvputi(ds, static_cast<int>(columns.size()), &put);
    for (size_t c = 0; c < columns.size() && rc == 0; ++c) {
        qor_var_desc desc;
        xvnamei(&desc);
        std::strcpy(desc.name, columns[c].name);
        desc.name_length = static_cast<int16_t>(std::strlen(columns[c].name));
        desc.type = static_cast<int16_t>(columns[c].character ? QOR_VAR_CHARACTER : QOR_VAR_NUMERIC);
        desc.length = columns[c].character ? columns[c].length : 8;
        texts[c].assign(static_cast<size_t>(desc.length), ' ');
        rc = columns[c].character ? xvputd(put, &desc, texts[c].data(), desc.length, nullptr)
                                  : xvputd(put, &desc, &numbers[c], 8, nullptr);
    }
    if (rc == 0) rc = xvpute(put);
    qor_obs_request request{};
    request.dataset = ds;
    for (const auto& row : rows) {
        for (size_t c = 0; c < columns.size() && rc == 0; ++c) {
            const std::string field = c < row.size() ? row[c] : std::string();
            if (columns[c].character) {
                texts[c].assign(texts[c].size(), ' ');
                texts[c].replace(0, std::min(field.size(), texts[c].size()), field.substr(0, texts[c].size()));
            } else {
                numbers[c] = field.empty() ? qor::missing() : std::strtod(field.c_str(), nullptr);
            }
        }
        if (rc == 0) rc = xyvput(put, 0);
        if (rc == 0) rc = xoadd(&request);
    }
    xvputt(put);
    return xoclose(ds, rc == 0 ? 0 : 1) == 0 && rc == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || !setup()) return 0;
    const int kind = data[0] % 3;
    if (!write_dataset(kLayouts[kind], rows_of(data + 1, size - 1))) return 0;
    qor_step* step = qor::runtime::begin_step("ZOZU", "", 0, 1);
    RSKCON* con = nullptr;
    const int started = engine_routine<EngineSlot::rskinit>()(&con, 0, 0, 0);
    qor::runtime::end_step(step);
    if (started != 0 || con == nullptr) return 0;
    catalog_routine<CatalogSlot::rssenvt>()(con);
    using Reader = int (*)(RSKCON*, const char*, const char*, const char*);
    const Reader readers[3] = {engine_routine<EngineSlot::rskvarr>(), engine_routine<EngineSlot::rskclsr>(),
                               engine_routine<EngineSlot::rskaryr>()};
    readers[kind](con, "FUZZDEF", "defs", nullptr);
    engine_routine<EngineSlot::rsk0>()(con);
    engine_routine<EngineSlot::rskclbi>()(con);
    engine_routine<EngineSlot::rskvarp>()(con, nullptr, 0);
    engine_routine<EngineSlot::rskvarp>()(con, nullptr, 2);
    engine_routine<EngineSlot::rskclbp>()(con, 0);
    int listed = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        ++listed;
        if (engine_routine<EngineSlot::rskvar>()(con, &v->name.name) != v) __builtin_trap();
    }
    if (listed != con->variables_count) __builtin_trap();
    int types = 0;
    for (RSKINSTTYPE* t = con->memory_block->types_head; t != nullptr; t = t->next) ++types;
    if (types != con->memory_block->types_count) __builtin_trap();
    engine_routine<EngineSlot::rskterm>()(con);
    return 0;
}
