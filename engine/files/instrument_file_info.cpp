// The information member of an instrument utility file: the types used and the value lists
// collected while writing, written by rsktriw, read back by rsktrir and printed by rsktrip.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/containers/value_set.h"
#include "engine/files/instrument_file.h"
#include "engine/files/instrument_file_internal.h"
#include "engine/files/instrument_file_messages.h"
#include "engine/files/instrument_values.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "host/catalog.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr uint32_t kRoleInstInfo9 = 9, kRoleInstInfo10 = 10;
constexpr uint8_t kListFlag = 0x04;
constexpr int kFactorKeyWidth = 32, kCurrencyKeyWidth = 3, kNumericWidth = 8;

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

// The width of the variable's list, or 0 when the variable keeps none.
int list_width(const RSKVARIABLE* v) {
    if (v->kind == RSKVKIND_REFERENCE) return kFactorKeyWidth;
    if (v->kind != RSKVKIND_SYSTEM && v->kind != RSKVKIND_INSTRUMENT) return 0;
    const bool listed = (v->role_flags & kListFlag) != 0 || v->role == kRoleInstInfo9 || v->role == kRoleInstInfo10 ||
                        v->storage_type == RSKSTORE_CUR_STR || v->storage_type == RSKSTORE_QUADRATIC ||
                        v->storage_type == RSKSTORE_CASH_FLOWS;
    if (!listed) return 0;
    switch (v->storage_type) {
    case RSKSTORE_DOUBLE: return kNumericWidth;
    case RSKSTORE_CHAR: return static_cast<int>(v->length);
    case RSKSTORE_CUR_STR: case RSKSTORE_CASH_FLOWS: return kCurrencyKeyWidth;
    case RSKSTORE_QUADRATIC: return kFactorKeyWidth;
    default: return 0;
    }
}

void forget_list(RSKVARIABLE* v) {
    if (v->value_list != nullptr) zvterm(v->value_list);
    v->value_list = nullptr;
}

// Copies a set's keys in ascending order.
void sorted_keys(const value_set* set, const qor_avl_node* node, char** out, int width) {
    if (node == nullptr) return;
    sorted_keys(set, node->left, out, width);
    std::memcpy(*out, reinterpret_cast<const char*>(node) + set->key_offset, static_cast<size_t>(width));
    *out += width;
    sorted_keys(set, node->right, out, width);
}

int write_record(RSKTRANFILE* file, const RSKTRANREC& record) {
    tran_pack_record(&record, file->record);
    int rc = xcwrite(file->information, file->record, kTranRecordBytes);
    if (rc != 0) {
        xprrlog(0, rc);
        return 2;
    }
    return 0;
}

RSKTRANREC info_record(const RSKTRANFILE* file, uint32_t type) {
    RSKTRANREC record{};
    record.type = type;
    record.fingerprint = file->expected_fingerprint;
    return record;
}

void name_into(RSKTRANNAME* out, const RSKOBJNAME& name) {
    out->length = static_cast<int16_t>(name_length(name));
    std::memcpy(out->text, name.buffer, static_cast<size_t>(out->length));
}

int out_of_memory(RSKCON* con, size_t bytes, const char* label) {
    xpmlog(598, 2797, static_cast<long>(bytes), label);
    con->error = 1;
    return 1;
}

}  // namespace

// ---- the used-type list and buffers ----

bool tran_type_used(const RSKTRANFILE* file, const RSKINSTTYPE* type) {
    for (int i = 0; i < file->types_used && file->used_types != nullptr; ++i)
        if (file->used_types[i] == type) return true;
    return false;
}

int tran_mark_type(RSKCON* con, RSKTRANFILE* file, RSKINSTTYPE* type) {
    if (file->types_used >= file->used_capacity) {
        const int32_t capacity = file->used_capacity == 0 ? 16 : file->used_capacity * 2;
        const size_t bytes = static_cast<size_t>(capacity) * sizeof(RSKINSTTYPE*);
        void* grown = xmalloc_labelled(con->general_pool, bytes, QOR_ALLOC_ZERO, "instrument types used");
        if (grown == nullptr) return out_of_memory(con, bytes, "instrument types used");
        if (file->used_types != nullptr) {
            std::memcpy(grown, file->used_types, static_cast<size_t>(file->types_used) * sizeof(RSKINSTTYPE*));
            con->general_pool->release(con->general_pool, file->used_types,
                                       static_cast<size_t>(file->used_capacity) * sizeof(RSKINSTTYPE*), QOR_FREE_SIZED);
        }
        file->used_types = static_cast<RSKINSTTYPE**>(grown);
        file->used_capacity = capacity;
    }
    file->used_types[file->types_used++] = type;
    return 0;
}

int tran_reserve(RSKCON* con, unsigned char** buffer, size_t* capacity, size_t bytes, const char* label) {
    if (bytes <= *capacity) return 0;
    qor_pool* pool = con->general_pool;
    auto* grown = static_cast<unsigned char*>(xmalloc_labelled(pool, bytes, QOR_ALLOC_ZERO, label));
    if (grown == nullptr) return out_of_memory(con, bytes, label);
    if (*buffer != nullptr) pool->release(pool, *buffer, *capacity, QOR_FREE_SIZED);
    *buffer = grown;
    *capacity = bytes;
    return 0;
}

void tran_release_buffers(RSKCON* con, RSKTRANFILE* file) {
    qor_pool* pool = con->general_pool;
    if (pool == nullptr) return;
    if (file->values != nullptr) pool->release(pool, file->values, file->values_capacity, QOR_FREE_SIZED);
    if (file->block != nullptr) pool->release(pool, file->block, file->block_capacity, QOR_FREE_SIZED);
    if (file->used_types != nullptr)
        pool->release(pool, file->used_types, static_cast<size_t>(file->used_capacity) * sizeof(RSKINSTTYPE*),
                      QOR_FREE_SIZED);
    file->values = file->block = nullptr;
    file->values_capacity = file->block_capacity = 0;
    file->used_types = nullptr;
    file->used_capacity = 0;
    free_duplicate_checks(con, file);
}

void tran_set_number(RSKCON* con, int which, double value) {
    RSKSYSVARS* sv = con->system_variables;
    if (sv == nullptr) return;
    RSKVARIABLE* v = which == RSKTNUM_NUMBER ? sv->inst_number : sv->inst_total;
    if (v != nullptr && v->value != nullptr) std::memcpy(v->value, &value, sizeof value);
}

double tran_get_number(RSKCON* con, int which) {
    RSKSYSVARS* sv = con->system_variables;
    RSKVARIABLE* v = sv == nullptr ? nullptr : which == RSKTNUM_NUMBER ? sv->inst_number : sv->inst_total;
    double value = 0;
    if (v != nullptr && v->value != nullptr) std::memcpy(&value, v->value, sizeof value);
    return value;
}

// ---- value lists while writing ----

int tran_lists_open(RSKCON* con, RSKTRANFILE* file) {
    file->value_lists = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        forget_list(v);
        const int width = list_width(v);
        if (width <= 0) continue;
        const int kind = v->storage_type == RSKSTORE_DOUBLE ? VSET_NUMERIC : VSET_CHARACTER;
        if (zvinit(&v->value_list, con->general_pool, kind, width, 0) != 0) {
            v->value_list = nullptr;
            return out_of_memory(con, sizeof(value_set), "instrument variable values");
        }
        file->value_lists += 1;
    }
    return 0;
}

int tran_list_add(RSKCON* con, RSKVARIABLE* v, const void* key) {
    if (v->value_list == nullptr) return 0;
    const int rc = zvadd(v->value_list, key);
    if (rc != VSET_OK && rc != VSET_PRESENT) return out_of_memory(con, 64, "instrument variable values");
    return 0;
}

int tran_lists_collect(RSKCON* con, RSKTRANFILE* file, RSKINSTTYPE* type) {
    (void)file;
    RSKSYSVARS* sv = con->system_variables;
    for (RSKVARLINK* link = type->resolved_head; link != nullptr; link = link->next) {
        RSKVARIABLE* v = link->variable;
        if (v == nullptr || v->value_list == nullptr || v->value == nullptr || v->storage_type == RSKSTORE_REF_STR)
            continue;
        if (v->storage_type == RSKSTORE_QUADRATIC || v->storage_type == RSKSTORE_CASH_FLOWS) continue;
        if (tran_list_add(con, v, v->value) != 0) return 1;
    }
    if (sv != nullptr && sv->inst_id != nullptr && sv->inst_id->value != nullptr &&
        tran_list_add(con, sv->inst_id, sv->inst_id->value) != 0)
        return 1;
    // Quadratic factor names and cash-flow currencies join the lists of their variables.
    const unsigned char* composite = nullptr;
    if (type->quadratic && sv != nullptr && sv->quad_value != nullptr && sv->quad_value->value_list != nullptr) {
        composite = static_cast<const unsigned char*>(sv->quad_value->value);
        const uint32_t n = tran_entries(sv->quad_value);
        for (uint32_t i = 0; i < n; ++i)
            if (tran_list_add(con, sv->quad_value, composite + 8 + i * kQuadFactorBytes) != 0) return 1;
    }
    if (type->cash_flows && sv != nullptr && sv->cash_flows != nullptr && sv->cash_flows->value_list != nullptr) {
        composite = static_cast<const unsigned char*>(sv->cash_flows->value);
        const uint32_t m = tran_entries(sv->cash_flows);
        for (uint32_t i = 0; i < m; ++i) {
            char code[3];
            for (int k = 0; k < 3; ++k) code[k] = static_cast<char>(std::toupper(composite[8 + 3 * i + k]));
            if (tran_list_add(con, sv->cash_flows, code) != 0) return 1;
        }
    }
    return 0;
}

int tran_output_setup(RSKCON* con, RSKTRANFILE* file) {
    file->types_used = 0;
    file->written = 0;
    if (tran_lists_open(con, file) != 0) return 1;
    return setup_duplicate_checks(con, file);
}

// ---- the information member ----

int rsktriw(RSKCON* con, RSKTRANFILE* file) {
    if (con == nullptr || file == nullptr || !file->open || file->mode != 'O' || file->information == nullptr)
        return 2;
    RSKTFILE* d = file->definition;
    int rc = write_headrec(con, file, file->information, 'I');
    for (int i = 0; rc == 0 && i < file->types_used; ++i) {
        const RSKINSTTYPE* type = file->used_types[i];
        RSKTRANREC record = info_record(file, RSKTREC_CLASS);
        uint32_t size = 0;
        tran_type_layout(con, type, &size, &record.checksum);
        name_into(&record.type_name, type->name);
        rc = write_record(file, record);
    }
    // The value lists: sorted now, each as count x width bytes after its record.
    uint64_t largest = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->value_list != nullptr) {
            const uint64_t bytes = static_cast<uint64_t>(zvcount(v->value_list)) * static_cast<uint32_t>(list_width(v));
            largest = std::max(largest, bytes);
        }
    if (rc == 0) {
        RSKTRANREC record = info_record(file, RSKTREC_BUFSIZE);
        record.value_length = static_cast<uint32_t>(largest);
        rc = write_record(file, record);
    }
    char* sorted = nullptr;
    if (rc == 0 && largest > 0) {
        sorted = static_cast<char*>(xmalloc_labelled(con->general_pool, largest, QOR_ALLOC_PLAIN, "instrument variable values"));
        if (sorted == nullptr) {
            xpmlog(598, 500);
            con->no_memory_reported = 1;
            rc = 1;
        }
    }
    int16_t lists = 0;
    for (RSKVARIABLE* v = con->variables_head; rc == 0 && v != nullptr; v = v->next) {
        if (v->value_list == nullptr) continue;
        const int count = zvcount(v->value_list);
        if (count <= 0) continue;
        const int width = list_width(v);
        char* at = sorted;
        sorted_keys(v->value_list, v->value_list->root, &at, width);
        RSKTRANREC record = info_record(file, RSKTREC_VALUES);
        name_into(&record.type_name, v->name);
        record.count = static_cast<uint32_t>(count);
        record.value_width = static_cast<int16_t>(width);
        record.value_length = static_cast<uint32_t>(count) * static_cast<uint32_t>(width);
        rc = write_record(file, record);
        if (rc == 0 && xcwrite(file->information, sorted, record.value_length) != 0) rc = 2;
        ++lists;
    }
    if (sorted != nullptr) con->general_pool->release(con->general_pool, sorted, largest, QOR_FREE_SIZED);
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) forget_list(v);
    if (rc != 0) return rc;
    // The counts go into the definition; then both members are committed, the information last.
    file->value_lists = lists;
    d->count1 = static_cast<uint32_t>(file->written);
    d->count2 = static_cast<uint32_t>(file->types_used);
    d->field = static_cast<uint16_t>(lists);
    // The header at the start of the information member carries the final value-list count.
    if (xcpoint(file->information, 0) != 0 || write_headrec(con, file, file->information, 'I') != 0) return 2;
    if (xcflush(file->instruments) != 0 || xcflush(file->information) != 0) return 2;
    return tran_commit(con, file);
}
