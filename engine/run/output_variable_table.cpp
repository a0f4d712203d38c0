// The run's output variables: the table of names (19 buckets) that the analyses and the base
// case fill, the base-case output variables (define_outvar0, getbaseOutVInfo) and their work area.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/project_run_support.h"

using namespace rskrun_support;

namespace {

// Case-blind hash of a name into the table's buckets.
int bucket_of(const char* name, int length) {
    uint32_t h = 0;
    for (int i = 0; i < length; ++i) h = h * 31u + static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(name[i])));
    return static_cast<int>(h % kRskOutVarBuckets);
}

bool same_name(const RSKOUTVAR* entry, const char* name, int length) {
    if (entry->name_length != length) return false;
    for (int i = 0; i < length; ++i)
        if (std::toupper(static_cast<unsigned char>(entry->name[i])) != std::toupper(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

RSKOUTVAR* find_output_variable(const RSKOUTVARTABLE* table, const char* name, int length) {
    for (RSKOUTVAR* e = table->buckets[bucket_of(name, length)]; e != nullptr; e = e->next)
        if (same_name(e, name, length)) return e;
    return nullptr;
}

// The work area grows by 16 entries; the old entries move over.
int grow_base_outv(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    const int32_t capacity = run->base_outv_capacity + kRskBaseOutvChunk;
    auto* area = static_cast<RSKBASEOUTV*>(
        run_alloc(con, sizeof(RSKBASEOUTV) * static_cast<size_t>(capacity), "base case output var work", RSKMEM_RESULTS));
    if (area == nullptr) return 1;
    if (run->base_outv != nullptr)
        std::memcpy(area, run->base_outv, sizeof(RSKBASEOUTV) * static_cast<size_t>(run->base_outv_count));
    run->base_outv = area;
    run->base_outv_capacity = capacity;
    return 0;
}

bool uses(const RSKVARIABLE* v) {
    return v->analysis_use != 0 || (v->dependencies.flags & (RSKDEP_USED_PRICE | RSKDEP_REF | RSKDEP_DEF)) != 0;
}

}  // namespace

int rskrun_add_output_variable(RSKCON* con, RSKVARIABLE* variable, const char* name, int length, int32_t offset) {
    RSKOUTVARTABLE* table = con->run_block->output_variables;
    if (table == nullptr || length < 1 || length > 32) return 1;
    if (find_output_variable(table, name, length) != nullptr) return 0;
    auto* entry = static_cast<RSKOUTVAR*>(run_alloc(con, sizeof(RSKOUTVAR), "output variable table", RSKMEM_RESULTS));
    if (entry == nullptr) return 1;
    entry->variable = variable;
    entry->element_offset = offset;
    entry->cell_offset = -1;
    entry->name_length = static_cast<int16_t>(length);
    std::memcpy(entry->name, name, static_cast<size_t>(length));
    const int b = bucket_of(name, length);
    entry->next = table->buckets[b];
    table->buckets[b] = entry;
    if (table->last != nullptr) table->last->next_in_order = entry;
    else table->first = entry;
    table->last = entry;
    ++table->count;
    return 0;
}

int rskrun_make_output_table(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    run->output_variables =
        static_cast<RSKOUTVARTABLE*>(run_alloc(con, sizeof(RSKOUTVARTABLE), "output variable table", RSKMEM_RESULTS));
    return run->output_variables != nullptr ? 0 : 1;
}

int getbaseOutVInfo(RSKCON* con, RSKVARIABLE* variable, int32_t name_length, const char* name, int32_t offset) {
    RSKRUNBLOCK* run = con->run_block;
    if (name_length > 32) {
        xpmlog(598, 5502, name_length, name, 32);
        return 1;
    }
    if (run->output_variables != nullptr && find_output_variable(run->output_variables, name, name_length) != nullptr)
        return 0;
    if (run->base_outv_count >= run->base_outv_capacity && grow_base_outv(con) != 0) return 1;
    RSKBASEOUTV& entry = run->base_outv[run->base_outv_count];
    entry.variable = variable;
    entry.offset = offset;
    entry.name_length = static_cast<int16_t>(name_length);
    std::memcpy(entry.name, name, static_cast<size_t>(name_length));
    ++run->base_outv_count;
    return rskrun_add_output_variable(con, variable, name, name_length, offset);
}

int define_outvar0(RSKCON* con) {
    RSKVARIABLE* cash = con->system_variables != nullptr ? con->system_variables->cash_flows : nullptr;
    if (cash != nullptr && rskrun_has_cash_flows(con) && cash->drop == 0 &&
        getbaseOutVInfo(con, cash, 4, "Cash", 0) != 0)
        return 1;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (v->kind != RSKVKIND_OUTPUT || v->value_class != 1 || v->drop != 0 || !uses(v)) continue;
        const int length = length_of(v->name);
        if (v->data_type != RSKDTYPE_ARRAY) {
            if (getbaseOutVInfo(con, v, length, text_of(v->name), 0) != 0) return 1;
            continue;
        }
        const int32_t elements = static_cast<int32_t>(v->element_count);
        for (int32_t k = 1; k <= elements; ++k) {
            char element[48];
            const int n = std::snprintf(element, sizeof element, "%.*s_%d", length, text_of(v->name), static_cast<int>(k));
            if (getbaseOutVInfo(con, v, n, element, (k - 1) * 8) != 0) return 1;
        }
    }
    return 0;
}
