// Parameter matrix objects: look-up, definition on a catalog object of kind 21 with the
// parameter variable of the same name, clearing, release to the free list, listing, and the
// fetch of every matrix of the environment.
#include <cstring>
#include <initializer_list>

#include "common/memory/pool_memory.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/variables/variable_access.h"
#include "engine/model/variables/variable_texts.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kMatrixChunk = 10;
constexpr int kVariableChunk = 100;
constexpr uint32_t kParameterType = 70;

// Gives back a map's vectors when the definition took them from the current pool; a run's
// map goes with the run pool.
void free_map(RSKCON* con, RSKIDMAP* map) {
    if (map->allocated && !map->in_run_pool) {
        const size_t entries = sizeof(RSKIDENTRY) * static_cast<size_t>(map->count > 0 ? map->count : 1);
        vmfree_handler(con->current_pool, map->entries, entries, QOR_FREE_SIZED);
        vmfree_handler(con->current_pool, map->buckets, sizeof(RSKIDENTRY*) * map->bucket_count, QOR_FREE_SIZED);
    }
    std::memset(map, 0, sizeof *map);
}

// The parameter variable of the name: the existing one of kind 5, or a new one (*created set;
// the rebuild is then due, so that the "Parameter" map holds it). Null after a message.
RSKVARIABLE* parameter_variable(RSKCON* con, const RSKOBJNAME& name, bool* created) {
    *created = false;
    RSKVARIABLE* v = rskvar(con, &name.name);
    if (v != nullptr) {
        if (v->kind == RSKVKIND_PARMAT) return v;
        xpmlog(598, 1175, RSK_TEXT(kind_text(con, RSKVKIND_PARMAT)), RSK_NAME(name),
               RSK_TEXT(kind_text(con, v->kind)));
        return nullptr;
    }
    v = rsk_take_record(con, con->free_lists->variables, kVariableChunk, "variable record");
    if (v == nullptr) return nullptr;
    for (RSKOBJNAME* n : {&v->name, &v->lag_grid_name, &v->format_text, &v->reference1_name,
                          &v->reference2_name, &v->time_grid_name}) {
        n->name.text = n->buffer;
        n->name.capacity = kRskObjectNameCapacity;
    }
    rskname(con, &v->name, name.name.text, name.name.length);
    if (rsksymd(con, variable_table(con), &v->name.name, v) == RSKSYM_FAILED) {
        rsk_give_free(con->free_lists->variables, v);
        return nullptr;
    }
    v->kind = RSKVKIND_PARMAT;
    v->data_type = kParameterType;
    v->value_class = value_class_of(kParameterType);
    v->format_number = 99;
    v->creation = 12;
    v->origin = 1;
    v->environment = con->current_environment;
    append_variable(con, v);
    con->variables_pending = 1;
    con->environment_changed = 1;
    *created = true;
    return v;
}

// Takes back a parameter variable made for a definition that could not be completed.
void drop_variable(RSKCON* con, RSKVARIABLE* v) {
    rsksymf(con, variable_table(con), &v->name.name);
    unlink_variable(con, v);
    std::memset(static_cast<void*>(v), 0, sizeof *v);
    rsk_give_free(con->free_lists->variables, v);
}

bool is_market_data_definition(RSKCON* con, const RSKNAMEREC* name) {
    return rsksym(con, &con->current_tables->tables[RSKTAB_INPUTDS], name) != nullptr;
}

}  // namespace

RSKCATOBJ* rskpmx(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_PARMATRICES], name));
}

int rskpmxd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            const RSKNAMEREC* input_dataset, int linear_transformation, RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || name == nullptr || con->current_tables == nullptr) return 1;
    // The name may be the matrix's own: copy it before the matrix is cleared.
    RSKOBJNAME new_name{};
    if (rskname(con, &new_name, name->text, name->length) != 0) return 1;
    bool created = false;
    RSKVARIABLE* variable = parameter_variable(con, new_name, &created);
    if (variable == nullptr) return 1;

    RSKCATOBJ* header = object;
    if (header == nullptr &&
        (rssofid(con, &header, &new_name.name, description, RSKKIND_PARMATRIX) != 0 || header == nullptr)) {
        if (created) drop_variable(con, variable);
        return 1;
    }
    auto* matrix = static_cast<RSKPARMATRIX*>(header->object);
    if (matrix != nullptr) {
        rskpmxc(con, matrix);
    } else {
        matrix = rsk_take_record(con, con->free_lists->parameter_matrices, kMatrixChunk, "parameter matrix");
        if (matrix == nullptr) {
            if (created) drop_variable(con, variable);
            return 1;
        }
        header->object = matrix;
    }
    rskname(con, &matrix->name, new_name.buffer, new_name.name.length);
    matrix->input_dataset = RSKOBJNAME{};
    matrix->input_dataset.name.text = matrix->input_dataset.buffer;
    matrix->input_dataset.name.capacity = kRskObjectNameCapacity;
    if (input_dataset != nullptr && input_dataset->length > 0) {
        rskname(con, &matrix->input_dataset, input_dataset->text, input_dataset->length);
        if (!con->catalog_loading && !is_market_data_definition(con, &matrix->input_dataset.name))
            xpmlog(598, 2418, RSK_NAME(matrix->input_dataset), RSK_NAME(matrix->name));
    }
    matrix->linear_transformation = linear_transformation ? 1 : 0;
    matrix->variable = variable;
    variable->value = matrix;
    if (out != nullptr) *out = header;
    return 0;
}

void rskpmx_forget_run(RSKPARMATRIX* matrix) {
    for (RSKIDMAP* map : {&matrix->rows, &matrix->columns})
        if (map->in_run_pool) std::memset(map, 0, sizeof *map);
    matrix->storage = nullptr;
    matrix->storage_bytes = 0;
    matrix->column_vector = matrix->row_flags = matrix->values = nullptr;
    matrix->means = matrix->deviations = nullptr;
    matrix->row_variables = matrix->column_variables = nullptr;
    matrix->prepared = 0;
    matrix->run_pool = nullptr;
}

int rskpmxc(RSKCON* con, RSKPARMATRIX* matrix) {
    if (matrix == nullptr) return 0;
    rskpmx_forget_run(matrix);
    free_map(con, &matrix->rows);
    free_map(con, &matrix->columns);
    return 0;
}

int rskpmxf(RSKCON* con, RSKPARMATRIX* matrix) {
    if (matrix == nullptr) return 0;
    rskpmxc(con, matrix);
    // The parameter variable no longer reaches the record once it is free.
    if (matrix->variable != nullptr && matrix->variable->value == matrix) matrix->variable->value = nullptr;
    std::memset(static_cast<void*>(matrix), 0, sizeof *matrix);
    rsk_give_free(con->free_lists->parameter_matrices, matrix);
    return 0;
}

int rskpmxp(RSKCON*, RSKPARMATRIX* matrix) {
    if (matrix == nullptr) return 0;
    xpmout(598, 2270, RSK_NAME(matrix->name), RSK_NAME(matrix->input_dataset));
    if (matrix->linear_transformation) xpmout(598, 2274);
    if (matrix->rows.known && matrix->rows.allocated) {
        xpmout(598, 2271, matrix->rows.count);
        for (int i = 0; i < matrix->rows.count; ++i)
            xpmout(598, 2273, i + 1, static_cast<int>(matrix->rows.entries[i].length), matrix->rows.entries[i].identifier);
    }
    if (matrix->columns.known && matrix->columns.allocated) {
        xpmout(598, 2272, matrix->columns.count);
        for (int i = 0; i < matrix->columns.count; ++i)
            xpmout(598, 2273, i + 1, static_cast<int>(matrix->columns.entries[i].length),
                   matrix->columns.entries[i].identifier);
    }
    xpoflsh(0);
    return 0;
}

int rskpmx0(RSKCON* con) {
    if (con == nullptr || con->current_tables == nullptr) return 1;
    int result = 0;
    const RSKSYMTAB& table = con->current_tables->tables[RSKTAB_PARMATRICES];
    for (const RSKSYMBOL* symbol = table.list_head; symbol != nullptr; symbol = symbol->next_in_list)
        if (rssofiq(con, static_cast<RSKCATOBJ*>(symbol->object), 0) == nullptr) result = 1;
    return result;
}

int rskpmx_run_end(RSKCON* con) {
    if (con == nullptr || con->current_tables == nullptr) return 0;
    const RSKSYMTAB& table = con->current_tables->tables[RSKTAB_PARMATRICES];
    for (const RSKSYMBOL* symbol = table.list_head; symbol != nullptr; symbol = symbol->next_in_list) {
        const auto* header = static_cast<const RSKCATOBJ*>(symbol->object);
        if (header != nullptr && header->object != nullptr) rskpmx_forget_run(static_cast<RSKPARMATRIX*>(header->object));
    }
    return 0;
}
