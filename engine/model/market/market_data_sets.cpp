// Market data set definitions: look-up in the input data set table, definition on a catalog
// object of kind 38, column mappings to risk factors, emptying and release to the free list.
#include "engine/model/market/market_data_sets.h"

#include <cstring>

#include "common/files/names.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/control/startup.h"
#include "engine/model/names/name_records.h"
#include "engine/model/paths/search_path.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kInputDsChunk = 10;
constexpr char kDefaultRowColumn[] = "_NAME_";

// Types whose data is a series in time: without an interval the reader detects it.
bool has_time_axis(uint32_t type) {
    return type == RSKMDSTYPE_TIMESERIES || type == RSKMDSTYPE_COVARIANCE || type == RSKMDSTYPE_CORRELATION;
}

void set_row_column(RSKINPUTDS* definition, const RSKNAMEREC* row_column) {
    const char* text = kDefaultRowColumn;
    int length = static_cast<int>(sizeof kDefaultRowColumn - 1);
    if (row_column != nullptr && row_column->text != nullptr && row_column->length > 0) {
        text = row_column->text;
        length = row_column->length > kRskColumnNameCapacity ? kRskColumnNameCapacity : row_column->length;
    }
    std::memcpy(definition->row_column, text, static_cast<size_t>(length));
    definition->row_column_length = static_cast<int16_t>(length);
}

}  // namespace

void rsk_no_interval(interval_spec* interval) {
    std::memset(static_cast<void*>(interval), 0, sizeof *interval);
    interval->kind = INTERVAL_KIND_UNKNOWN;
    interval->code = INTERVAL_NONE;
}

int rsk_is_no_interval(const interval_spec* interval) {
    return interval != nullptr && interval->kind == INTERVAL_KIND_UNKNOWN && interval->code == INTERVAL_NONE ? 1
                                                                                                           : 0;
}

RSKCATOBJ* rskids(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_INPUTDS], name));
}

int rskidsd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, uint32_t type, const interval_spec* interval,
            const RSKNAMEREC* row_column, const RSKNAMEREC* dataset, RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (name == nullptr || name->text == nullptr || name->length == 0) return 1;
    // The caller may pass the definition's own fields: copy them before it is emptied.
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);
    RSKPATHNAME new_dataset{};
    if (dataset != nullptr && dataset->text != nullptr && dataset->length > 0)
        rskpnam(con, &new_dataset, dataset->text, dataset->length);
    else
        rskpnam(con, &new_dataset, new_name.buffer, new_name.name.length);
    interval_spec new_interval{};
    if (interval != nullptr)
        new_interval = *interval;
    else if (has_time_axis(type))
        rsk_no_interval(&new_interval);
    RSKNAMEREC new_row{};
    char row_buffer[kRskColumnNameCapacity];
    if (row_column != nullptr && row_column->text != nullptr && row_column->length > 0) {
        new_row.length = row_column->length > kRskColumnNameCapacity ? kRskColumnNameCapacity : row_column->length;
        std::memcpy(row_buffer, row_column->text, new_row.length);
        new_row.text = row_buffer;
    }

    RSKCATOBJ* header = object;
    if (header == nullptr && (rssofid(con, &header, name, nullptr, RSKKIND_INPUTDS) != 0 || header == nullptr))
        return 1;
    auto* definition = static_cast<RSKINPUTDS*>(header->object);
    if (definition != nullptr) {
        rskidsc(con, definition);
    } else {
        definition = rsk_take_record(con, con->free_lists->input_datasets, kInputDsChunk,
                                     "market data set definitions");
        if (definition == nullptr) return 1;
        header->object = definition;
    }
    rskname(con, &definition->name, new_name.buffer, new_name.name.length);
    definition->type = type;
    definition->interval = new_interval;
    rskpnam(con, &definition->dataset, new_dataset.buffer, new_dataset.name.length);
    set_row_column(definition, &new_row);

    // A data set that is not there yet is reported, not refused: it may be made before a run.
    // Restoring from the catalog stays quiet.
    if (!con->catalog_loading) {
        char libref[8];
        member_name member{};
        char path[QOR_PATH_MAX];
        if (rskpthg(con, &definition->dataset.name, "DATASET ", 1, libref, &member, path, 0) != 0)
            xpmlog(598, 2410, static_cast<int>(definition->dataset.name.length), definition->dataset.buffer,
                   static_cast<int>(definition->name.name.length), definition->name.buffer);
    }
    if (out != nullptr) *out = header;
    return 0;
}

int rskidsa(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* risk_factor, const RSKNAMEREC* column) {
    if (object == nullptr || object->object == nullptr || risk_factor == nullptr || column == nullptr) return 1;
    auto* definition = static_cast<RSKINPUTDS*>(object->object);
    // The run's table of risk factors is rebuilt lazily: bring it up to date first. A table that
    // could not be rebuilt would refuse factors that exist.
    if (con->variables_pending) {
        con->variables_failed = rsk0(con) != 0 ? 1 : 0;
        con->variables_pending = 0;
    }
    if (con->variables_failed) {
        xpmlog(598, 1269);
        return 1;
    }
    if (rskvf(con, risk_factor) == nullptr) {
        xpmlog(598, 2402, static_cast<int>(risk_factor->length), risk_factor->text,
               static_cast<int>(definition->name.name.length), definition->name.buffer);
        return 1;
    }
    return rsk_map_append(con, &definition->mappings, risk_factor, column);
}

int rskidsc(RSKCON* con, RSKINPUTDS* definition) {
    if (definition == nullptr) return 0;
    rsk_map_clear(con, &definition->mappings);
    definition->dataset.name.length = 0;
    std::memset(static_cast<void*>(&definition->interval), 0, sizeof definition->interval);
    return 0;
}

int rskidsf(RSKCON* con, RSKINPUTDS* definition) {
    if (definition == nullptr) return 0;
    rskidsc(con, definition);
    std::memset(static_cast<void*>(definition), 0, sizeof *definition);
    rsk_give_free(con->free_lists->input_datasets, definition);
    return 0;
}

int rskids_locate(RSKCON* con, const RSKINPUTDS* definition, char* libref, char* member, int* member_length) {
    if (definition == nullptr || definition->dataset.name.length == 0) return 1;
    member_name found{};
    char path[QOR_PATH_MAX];
    int rc = rskpthg(con, &definition->dataset.name, "DATASET ", 1, libref, &found, path, 0);
    if (rc != 0) return rc;
    int kept = found.length < 0 ? 0 : (found.length > 32 ? 32 : found.length);
    if (member != nullptr) std::memcpy(member, found.text, static_cast<size_t>(kept));
    if (member_length != nullptr) *member_length = kept;
    return kept > 0 ? 0 : 1;
}
