// Preparing a counterparty run: each type's method fetched, compiled and generated as an action
// of the run, the value vector and value buffer made and every counterparty variable bound to
// its storage.
#include <algorithm>
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/compiler/dependencies.h"
#include "engine/compiler/program_phases.h"
#include "engine/counterparty/counterparty_run.h"
#include "engine/counterparty/counterparty_storage.h"
#include "engine/model/variables/variable_record.h"
#include "engine/tables/method_records.h"
#include "host/print.h"

namespace {

constexpr int32_t kCounterpartyMethodKind = 11;
constexpr int32_t kDateReferenceCode = 232;
constexpr uint16_t kRunUses = 1;
constexpr uint16_t kDateColumn = 4;

bool container_active(const RSKCON* con) {
    return con->cpty_container != nullptr && con->cpty_container_state == RSKCON_CONTAINER_LOADED;
}

// The type's method record, made on first use; filled afresh for this run.
RSKTYPEMETHOD* fresh_method_record(RSKCON* con, RSKCPTYTYPE* type) {
    if (type->method_record == nullptr) {
        type->method_record =
            static_cast<RSKTYPEMETHOD*>(vmalcp_handler(con->current_pool, sizeof(RSKTYPEMETHOD), QOR_ALLOC_ZERO));
        if (type->method_record == nullptr) return nullptr;
    }
    RSKTYPEMETHOD* record = type->method_record;
    *record = RSKTYPEMETHOD{};
    const size_t length = std::min(std::strlen(type->method), static_cast<size_t>(kRskObjectNameCapacity));
    std::memcpy(record->name.buffer, type->method, length);
    record->name.name = RSKNAMEREC{kRskObjectNameCapacity, static_cast<uint16_t>(length), record->name.buffer};
    record->kind = kCounterpartyMethodKind;
    return record;
}

// The variables the compiled method reads or writes are used by the run.
void mark_method_variables(const RSKGENTRANS* method) {
    for (const RSKSYMENTRY* arg = method->arguments; arg != nullptr; arg = arg->next) {
        RSKVARIABLE* v = arg->variable;
        if (v == nullptr || (v->kind != 1 && v->kind != 2 && v->kind != RSKVKIND_COUNTERPARTY)) continue;
        v->run_used = 1;
        v->use_mask |= kRunUses;
        if (arg->type_code == kDateReferenceCode) v->use_mask |= kDateColumn;
    }
}

// Whether this run resolved the action (a record left from an earlier run is not generated).
bool in_run(const RSKCON* con, const RSKACTION* action) {
    const RSKRUNCOMPILE* run = con->run_compile;
    for (const RSKACTION* a = run != nullptr ? run->actions_first : nullptr; a != nullptr; a = a->next)
        if (a == action) return true;
    return false;
}

}  // namespace

int rskrsvcpty(RSKCON* con) {
    RSKCPTYCON* c = con->cpty_container;
    if (!container_active(con) || c->types == nullptr || c->types->item_count == 0) {
        xpmlog(598, 7700);
        return 1;
    }
    for (hash_item* item = enumerate_table(c->types); item != nullptr; item = item->next) {
        auto* type = static_cast<RSKCPTYTYPE*>(item->value);
        if (type == nullptr) {
            xpmlog(598, 7701);
            continue;
        }
        if (type->method == nullptr) continue;
        RSKTYPEMETHOD* record = fresh_method_record(con, type);
        if (record == nullptr) {
            xpmlog(598, 7702);
            return 1;
        }
        const RSKNAMEREC type_name{static_cast<uint16_t>(type->name_length), static_cast<uint16_t>(type->name_length),
                                   type->name};
        const int rc = rskrsvm(con, record, &type_name);
        // A method that is not there leaves the type without a compiled method: its
        // counterparties are reported and skipped when the run reaches them.
        if (record->method == nullptr) continue;
        if (rc != 0) return rc;
        mark_method_variables(record->method);
    }
    return 0;
}

int rskgencpty(RSKCON* con) {
    if (!container_active(con)) return 0;
    RSKCPTYCON* c = con->cpty_container;
    if (c->types == nullptr || c->types->item_count == 0) {
        xpmlog(598, 7700);
        return 1;
    }
    if (create_cpty_buffer(con) != 0) {
        xpmlog(598, 7702);
        return 1;
    }
    int rc = 0;
    for (hash_item* item = enumerate_table(c->types); item != nullptr; item = item->next) {
        auto* type = static_cast<RSKCPTYTYPE*>(item->value);
        if (type == nullptr) {
            xpmlog(598, 7701);
            return 1;
        }
        RSKTYPEMETHOD* record = type->method_record;
        if (record == nullptr || record->method == nullptr || !record->method->compiled ||
            !in_run(con, &record->action))
            continue;
        rc = std::max(rc, rskgact(con, &record->action, nullptr));
    }
    return rc;
}

int create_cpty_buffer(RSKCON* con) {
    RSKCPTYCON* c = con->cpty_container;
    if (c == nullptr) return 1;
    free_cpty_buffer(con);
    int32_t length = 0;
    if (cpty_state_length(c, &length) != 0) return 1;
    c->statelength = length;
    c->value_vector = vmalcp_handler(cpty_run_pool(con), static_cast<size_t>(std::max<int32_t>(length, 8)), QOR_ALLOC_ZERO);
    if (c->value_vector == nullptr || cpty_value_rows(con) != 0 || cpty_bind_variables(con) != 0) {
        free_cpty_buffer(con);
        return 1;
    }
    return 0;
}
