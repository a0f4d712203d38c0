// The instrument side of a run's storage: the instrument record that holds the current and the
// previous instrument's values, each type's value record (size, fingerprint, field table), the
// instruments buffer a record is read into, and the per-type timing records.
#include <algorithm>
#include <cstring>

#include "engine/compiler/dependencies.h"
#include "engine/files/instrument_values.h"
#include "engine/model/control/startup.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/value_cells.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_storage.h"

namespace {

constexpr uint32_t kRoleInstValue = 40;
constexpr uint32_t kRoleComputed = 204;

size_t align8(size_t offset) { return (offset + 7) / 8 * 8; }

// Variables that never get a run address from a type's value record.
bool gets_no_address(const RSKVARIABLE* v) {
    return v->kind == RSKVKIND_REFERENCE || v->kind == RSKVKIND_PROJECT || v->kind == RSKVKIND_STATE ||
           v->role == kRoleInstValue || v->role == kRoleComputed;
}

bool in_instrument_record(const RSKVARIABLE* v, uint32_t kind) {
    if (v->kind != kind) return false;
    return v->storage_type != RSKSTORE_QUADRATIC && v->storage_type != RSKSTORE_CASH_FLOWS;
}

// The instrument record: instrument variables (without quadratic and cash-flow values), then
// reference variables, each on an 8-byte boundary. Answers its size.
size_t lay_out_instrument_record(RSKCON* con) {
    size_t offset = 0;
    for (uint32_t kind : {RSKVKIND_INSTRUMENT, RSKVKIND_REFERENCE})
        for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
            if (!in_instrument_record(v, kind)) continue;
            offset = align8(offset);
            v->run.record_offset = static_cast<int32_t>(offset);
            offset += v->storage_size;
        }
    return align8(offset);
}

int resolve_type_actions(RSKCON* con, RSKINSTTYPE* type) {
    if (type->run.actions_resolved) return 0;
    int rc = 0;
    RSKACTION& price = type->price;
    if (price.defined && price.kind == RSKACTION_METHOD_CALL && price.target != nullptr)
        rc = rskrsv5(con, type, &price);
    if (rc == 0) type->run.actions_resolved = 1;
    return rc;
}

}  // namespace

int get_class_size(RSKCON* con, RSKINSTTYPE* type) {
    int rc = resolve_type_actions(con, type);
    if (rc != 0) return rc;
    // The instrument file computes the same layout when it stores and checks a value record.
    uint32_t size = 0, fingerprint = 0;
    tran_type_layout(con, type, &size, &fingerprint);
    type->record_size = static_cast<int32_t>(size);
    type->run.fingerprint = fingerprint;
    return 0;
}

namespace {

// Gathers the value record's fields with bytes and gives their variables instrument-buffer
// addresses.
struct FieldCollector {
    RSKRUNBLOCK* run;
    RSKTYPEFIELD* fields;
    int32_t count;
};

void count_field(void* context, const RSKTYPESLOT* slot) {
    if (slot->bytes > 0) ++static_cast<FieldCollector*>(context)->count;
}

void collect_field(void* context, const RSKTYPESLOT* slot) {
    auto* c = static_cast<FieldCollector*>(context);
    if (slot->bytes == 0) return;
    RSKVARIABLE* v = slot->variable;
    if (v->run.record_address == nullptr && !gets_no_address(v))
        v->run.record_address = c->run->instruments_buffer + slot->offset;
    c->fields[c->count++] = RSKTYPEFIELD{v, static_cast<int32_t>(slot->offset), static_cast<int32_t>(slot->bytes),
                                         nullptr};
}

int give_value_storage(RSKCON* con, RSKVARIABLE* v, bool factors) {
    if (v == nullptr || v->value != nullptr || v->storage_size == 0) return 0;
    if (v->kind != RSKVKIND_SYSTEM && v->kind != RSKVKIND_INSTRUMENT && !(factors && v->kind == RSKVKIND_FACTOR))
        return 0;
    const size_t bytes = v->storage_size > 8 ? v->storage_size : 8;
    v->value = rskmem_alloc(con, bytes, "instrument variables", RSKMEM_INSTRUMENTS, 1);
    if (v->value == nullptr) return 1;
    v->pool_value = 1;
    rskvali(v);
    return 0;
}

}  // namespace

int assign_trans_addrs(RSKCON* con, RSKINSTTYPE* type) {
    FieldCollector collector{con->run_block, nullptr, 0};
    tran_type_slots(con, type, count_field, &collector);
    const int32_t count = collector.count;
    auto* fields = static_cast<RSKTYPEFIELD*>(
        rskmem_alloc(con, sizeof(RSKTYPEFIELD) * static_cast<size_t>(std::max(count, 1)), "instruments buffer",
                     RSKMEM_INSTRUMENTS, 1));
    if (fields == nullptr) return 1;
    collector.fields = fields;
    collector.count = 0;
    tran_type_slots(con, type, collect_field, &collector);
    type->run.fields = fields;
    type->run.field_count = count;
    return 0;
}

int rskmem1(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    const size_t record_bytes = std::max<size_t>(lay_out_instrument_record(con), 8);
    auto* records = static_cast<uint8_t*>(
        rskmem_alloc(con, 2 * record_bytes, "instrument variables", RSKMEM_INSTRUMENTS, 1));
    if (records == nullptr) return 1;
    run->instrument_record = records;
    run->previous_record = records + record_bytes;
    run->instrument_record_bytes = static_cast<int32_t>(record_bytes);
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->run.record_offset >= 0) v->run.record_address = records + v->run.record_offset;
    run->compile.value_vector = reinterpret_cast<double*>(records);
    run->compile.value_size = static_cast<int32_t>(record_bytes);

    RSKINSTTYPE* types = con->memory_block != nullptr ? con->memory_block->types_head : nullptr;
    int32_t largest = 0;
    run->type_count = 0;
    for (RSKINSTTYPE* t = types; t != nullptr; t = t->next) {
        t->run.number = run->type_count++;
        int rc = get_class_size(con, t);
        if (rc != 0) return rc;
        largest = std::max(largest, t->record_size);
    }
    const size_t buffer_bytes = std::max<size_t>(align8(static_cast<size_t>(largest)), 8);
    run->instruments_buffer = static_cast<uint8_t*>(
        rskmem_alloc(con, buffer_bytes, "instruments buffer", RSKMEM_INSTRUMENTS, 1));
    if (run->instruments_buffer == nullptr) return 1;
    run->instruments_buffer_bytes = static_cast<int32_t>(buffer_bytes);
    if (run->timing_counts) {
        const size_t bytes = sizeof(RSKTYPETIMING) * static_cast<size_t>(std::max(run->type_count, 1));
        run->timing = static_cast<RSKTYPETIMING*>(
            rskmem_alloc(con, bytes, "instruments timing counts", RSKMEM_INSTRUMENTS, 1));
        if (run->timing == nullptr) return 1;
        for (RSKINSTTYPE* t = types; t != nullptr; t = t->next) run->timing[t->run.number].type = t;
    }
    for (RSKINSTTYPE* t = types; t != nullptr; t = t->next)
        if (assign_trans_addrs(con, t) != 0) return 1;

    RSKSYSVARS* sys = con->system_variables;
    if (sys != nullptr) {
        // Their first sizes are the lengths the system variables are declared with.
        RSKVARIABLE* quad = sys->quad_value;
        if (quad != nullptr && rskmedg(con, quad, quad->length > 0 ? quad->length : kRskInitialFactors, RSKMEM_FIRST) != 0)
            return 1;
        RSKVARIABLE* flows = sys->cash_flows;
        if (flows != nullptr &&
            rskmecf(con, flows, flows->length > 0 ? flows->length : kRskInitialCashFlows, RSKMEM_FIRST) != 0)
            return 1;
        // The run's base date and the position's value, where no record holds them.
        if (sys->base_date != nullptr && sys->base_date->run.record_address == nullptr)
            sys->base_date->run.record_address = &run->base_date;
        if (sys->value != nullptr && sys->value->run.record_address == nullptr)
            sys->value->run.record_address = &run->position_value;
    }
    // Each type's fields are copied to wherever their variables' values now live.
    for (RSKINSTTYPE* t = types; t != nullptr; t = t->next)
        for (int32_t i = 0; i < t->run.field_count; ++i)
            t->run.fields[i].address = t->run.fields[i].variable->run.record_address;
    return 0;
}

int rskmem_value_storage(RSKCON* con, int factors) {
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (give_value_storage(con, v, factors != 0) != 0) return 1;
    if (con->memory_block != nullptr)
        for (RSKINSTTYPE* t = con->memory_block->types_head; t != nullptr; t = t->next)
            for (RSKVARLINK* link = t->resolved_head; link != nullptr; link = link->next)
                if (give_value_storage(con, link->variable, factors != 0) != 0) return 1;
    return 0;
}
