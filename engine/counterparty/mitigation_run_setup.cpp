// What a mitigation run sets up before its pairs run: the types' methods resolved, the run's
// buffers with the container variables bound to them, and each input data set opened and its
// columns bound.
#include <cctype>
#include <cstring>
#include <string>

#include "common/memory/pool_memory.h"
#include "engine/compiler/dependencies.h"
#include "engine/compiler/use_entries.h"
#include "engine/counterparty/containers.h"
#include "engine/counterparty/mitigation_run.h"
#include "engine/model/paths/search_path.h"
#include "engine/model/variables/variable_record.h"
#include "host/print.h"

namespace {

constexpr int32_t kContainerActive = 55;
constexpr int32_t kMitigationMethod = 12;
constexpr int32_t kTwoDoubles = 16;

qor_pool* run_pool_of(RSKCON* con) { return con->kit_pool != nullptr ? con->kit_pool : con->current_pool; }

bool active(RSKCON* con) {
    return con != nullptr && con->mit_container != nullptr && con->mit_container_state == kContainerActive;
}

int32_t storage_bytes(const RSKVARIABLE* v) {
    if (v->value_class == 1) return 8;
    return v->storage_size > 0 ? static_cast<int32_t>(v->storage_size) : static_cast<int32_t>(v->length);
}

void* take(qor_pool* pool, int64_t bytes) {
    return bytes > 0 ? vmalcp_handler(pool, static_cast<size_t>(bytes), QOR_ALLOC_ZERO) : nullptr;
}

void give(qor_pool* pool, void* block, int64_t bytes) {
    if (block != nullptr && bytes > 0) vmfree_handler(pool, block, static_cast<size_t>(bytes), QOR_FREE_SIZED);
}

// Bytes of the run's buffers, in the order they are taken: rows (twice), vectors (twice),
// per-state values (twice). False on overflow.
struct MitSizes {
    int64_t rows, vector, values;
};
bool sizes_of(int32_t state_count, int32_t statelength, MitSizes* out) {
    const int64_t rows = static_cast<int64_t>(state_count) + 1;
    if (__builtin_mul_overflow(rows, static_cast<int64_t>(statelength), &out->rows)) return false;
    out->vector = statelength;
    out->values = rows * static_cast<int64_t>(sizeof(double));
    return true;
}

void give_back(RSKMITRUN* run) {
    qor_pool* pool = run->pool;
    MitSizes s{};
    if (sizes_of(run->state_count, run->statelength, &s)) {
        give(pool, run->mitigant_rows, s.rows);
        give(pool, run->exposure_rows, s.rows);
        give(pool, run->mitigant_record, s.vector);
        give(pool, run->exposure_vector, s.vector);
        give(pool, run->state_values, s.values);
        give(pool, run->exposure_values, s.values);
    }
    give(pool, run->input_blocks, run->input_bytes);
    give(pool, run->bound, static_cast<int64_t>(run->bound_count) * static_cast<int64_t>(sizeof(RSKVARIABLE*)));
    give(pool, run->saved_values, static_cast<int64_t>(run->bound_count) * static_cast<int64_t>(sizeof(void*)));
    vmfree_handler(pool, run, sizeof *run, QOR_FREE_SIZED);
}

RSKMITVAR* system_entry(const RSKMITIGATIONCON* container, const char* name) {
    hash_item* item = hash_query(container->system_variables, name);
    return item != nullptr ? static_cast<RSKMITVAR*>(item->value) : nullptr;
}

// Where an output variable lives: the four system outputs have fixed places, the others their
// offset in the exposure vector. Null when the offset leaves no room in the row.
void* output_place(RSKMITRUN* run, const RSKMITVAR* entry, const RSKVARIABLE* v) {
    if (std::strcmp(entry->name, "_EXPOSURE_") == 0) return run->exposure_vector;
    if (std::strcmp(entry->name, "_ADJEXPOSURE_") == 0) return run->exposure_vector + 8;
    if (std::strcmp(entry->name, "_MITIGANT_ADJVAL_") == 0) return run->mitigant_record + 8;
    // The state's value is copied in and out around each state, so the method reads one cell.
    if (std::strcmp(entry->name, "_MITIGANT_VAL_") == 0) return &run->mitigant_value;
    const int64_t end = static_cast<int64_t>(entry->offset) + storage_bytes(v);
    if (entry->offset < 0 || end > run->statelength) return nullptr;
    return run->exposure_vector + entry->offset;
}

void report_buffers(const char* reason) { xpmlog(598, 304, static_cast<int>(std::strlen(reason)), reason); }

}  // namespace

int rskrsvmitigation(RSKCON* con) {
    RSKMITIGATIONCON* container = active(con) ? con->mit_container : nullptr;
    if (container == nullptr || container->types == nullptr || enumerate_table(container->types) == nullptr) {
        xpmlog(598, 302);
        return 1;
    }
    for (hash_item* item = enumerate_table(container->types); item != nullptr; item = item->next) {
        auto* type = static_cast<RSKMITTYPE*>(item->value);
        if (type == nullptr) {
            xpmlog(598, 303);
            continue;
        }
        if (type->method == nullptr) continue;
        if (type->run_method == nullptr) {
            type->run_method = static_cast<RSKTYPEMETHOD*>(
                vmalcp_handler(con->current_pool, sizeof(RSKTYPEMETHOD), QOR_ALLOC_ZERO));
            if (type->run_method == nullptr) {
                xpmlog(598, 2797, static_cast<int>(sizeof(RSKTYPEMETHOD)), "mitigation method record");
                return 1;
            }
        }
        RSKTYPEMETHOD* record = type->run_method;
        std::memset(record, 0, sizeof *record);
        size_t n = std::strlen(type->method);
        if (n > static_cast<size_t>(kRskObjectNameCapacity)) n = kRskObjectNameCapacity;
        std::memcpy(record->name.buffer, type->method, n);
        record->name.name = RSKNAMEREC{static_cast<uint16_t>(kRskObjectNameCapacity), static_cast<uint16_t>(n),
                                       record->name.buffer};
        record->kind = kMitigationMethod;
        const RSKNAMEREC type_name{static_cast<uint16_t>(type->name_length), static_cast<uint16_t>(type->name_length),
                                   type->name};
        const int rc = rskrsvm(con, record, &type_name);
        if (rc != 0) return rc;
        // The method's own mitigation variables are bound by the container, not by the run; the
        // system and market variables it reads are the run's.
        for (RSKUSEENTRY* use = action_uses(&record->action); use != nullptr; use = use->next) {
            RSKVARIABLE* v = use->variable;
            if (v == nullptr) continue;
            if (v->kind == RSKVKIND_MITIGATION) {
                v->run_used = 0;
                v->use_mask = 0;
            } else if (v->kind == RSKVKIND_SYSTEM || v->kind == RSKVKIND_FACTOR) {
                v->run_used = 1;
                v->use_mask |= 1;
            }
        }
    }
    return 0;
}

int create_mit_buffer(RSKCON* con, int32_t states, int32_t statelength) {
    if (!active(con)) return 0;
    RSKMITIGATIONCON* container = con->mit_container;
    free_mit_buffer(con);
    MitSizes s{};
    // The exposure and adjusted exposure are the row's first two doubles.
    if (states < 0 || statelength < kTwoDoubles || !sizes_of(states + 1, statelength, &s)) {
        report_buffers("the value row cannot hold the exposure and its adjusted value");
        return 1;
    }
    qor_pool* pool = run_pool_of(con);
    auto* run = static_cast<RSKMITRUN*>(vmalcp_handler(pool, sizeof(RSKMITRUN), QOR_ALLOC_ZERO));
    if (run == nullptr) {
        report_buffers("out of memory");
        return 1;
    }
    run->pool = pool;
    run->state_count = states + 1;
    run->statelength = statelength;
    run->mitigant_rows = static_cast<uint8_t*>(take(pool, s.rows));
    run->exposure_rows = static_cast<uint8_t*>(take(pool, s.rows));
    run->mitigant_record = static_cast<uint8_t*>(take(pool, s.vector));
    run->exposure_vector = static_cast<uint8_t*>(take(pool, s.vector));
    run->state_values = static_cast<double*>(take(pool, s.values));
    run->exposure_values = static_cast<double*>(take(pool, s.values));
    int32_t count = 0;
    int64_t input_bytes = 0;
    for (hash_item* item = enumerate_table(container->variables); item != nullptr; item = item->next) {
        auto* entry = static_cast<RSKMITVAR*>(item->value);
        if (entry == nullptr || entry->variable == nullptr) continue;
        ++count;
        if (entry->role != RSKCPTYROLE_OUTPUT) input_bytes += (storage_bytes(entry->variable) + 7) / 8 * 8;
    }
    run->bound = static_cast<RSKVARIABLE**>(take(pool, static_cast<int64_t>(count) * static_cast<int64_t>(sizeof(RSKVARIABLE*))));
    run->saved_values = static_cast<void**>(take(pool, static_cast<int64_t>(count) * static_cast<int64_t>(sizeof(void*))));
    run->input_blocks = static_cast<uint8_t*>(take(pool, input_bytes));
    run->input_bytes = run->input_blocks != nullptr ? input_bytes : 0;
    run->bound_count = run->bound != nullptr && run->saved_values != nullptr ? count : 0;
    if (run->mitigant_rows == nullptr || run->exposure_rows == nullptr || run->mitigant_record == nullptr ||
        run->exposure_vector == nullptr || run->state_values == nullptr || run->exposure_values == nullptr ||
        (count > 0 && run->bound_count == 0) || (input_bytes > 0 && run->input_blocks == nullptr)) {
        give_back(run);
        report_buffers("out of memory");
        return 1;
    }
    // Bind every container variable; an output variable beyond the row refuses the run.
    int32_t k = 0;
    int64_t at = 0;
    for (hash_item* item = enumerate_table(container->variables); item != nullptr; item = item->next) {
        auto* entry = static_cast<RSKMITVAR*>(item->value);
        if (entry == nullptr || entry->variable == nullptr) continue;
        RSKVARIABLE* v = entry->variable;
        void* place;
        if (entry->role == RSKCPTYROLE_OUTPUT) {
            place = output_place(run, entry, v);
        } else {
            place = run->input_blocks + at;
            at += (storage_bytes(v) + 7) / 8 * 8;
        }
        if (place == nullptr) {
            for (int32_t j = 0; j < k; ++j) run->bound[j]->value = run->saved_values[j];
            give_back(run);
            std::string reason = "the output variable ";
            reason += entry->name;
            reason += " lies beyond the value row";
            report_buffers(reason.c_str());
            return 1;
        }
        run->bound[k] = v;
        run->saved_values[k] = v->value;
        ++k;
        v->value = place;
    }
    container->mitigant_value = system_entry(container, "_MITIGANT_VAL_");
    container->mitigant_adjusted = system_entry(container, "_MITIGANT_ADJVAL_");
    container->run = run;
    return 0;
}

int free_mit_buffer(RSKCON* con) {
    RSKMITIGATIONCON* container = con != nullptr ? con->mit_container : nullptr;
    if (container == nullptr || container->run == nullptr) return 0;
    RSKMITRUN* run = container->run;
    for (int32_t j = 0; j < run->bound_count; ++j) run->bound[j]->value = run->saved_values[j];
    if (container->current != nullptr) {
        delete_mit(run->pool, static_cast<RSKMIT*>(container->current));
        container->current = nullptr;
    }
    give_back(run);
    container->run = nullptr;
    return 0;
}

int open_mitigation_dataset(RSKCON* con, RSKMITDS* set) {
    if (set == nullptr || set->input == nullptr || set->input->member == nullptr) return 2;
    dataset* input = set->input;
    // The data set's library is resolved along the search paths, as a READ would.
    char spec[8 + 1 + 32 + 1];
    size_t n = 0;
    const char* libref = input->libref != nullptr ? input->libref : "WORK";
    for (size_t i = 0; i < 8 && libref[i] != 0 && libref[i] != ' '; ++i) spec[n++] = libref[i];
    const size_t libref_length = n;
    spec[n++] = '.';
    for (size_t i = 0; i < 32 && input->member[i] != 0; ++i) spec[n++] = input->member[i];
    spec[n] = '\0';
    const RSKNAMEREC key{static_cast<uint16_t>(n), static_cast<uint16_t>(n), spec};
    char resolved[9] = {};
    member_name member{};
    char path[QOR_PATH_MAX];
    if (rskpthg(con, &key, "DATASET ", 1, resolved, &member, path, 0) != 0) {
        xpmlog(598, 7738, static_cast<int>(libref_length), spec);
        return 1;
    }
    resolved[8] = '\0';
    if (input->open) close_dataset(input);
    set_mode(input, DATASET_READ);
    // Opened under the library found; the record keeps its own name afterwards.
    const char* own = input->libref;
    input->libref = resolved;
    const int rc = open_dataset(input);
    input->libref = own;
    if (rc != 0) return 2;
    set->current = 0;
    set->observations = input->observations > INT32_MAX ? INT32_MAX : static_cast<int32_t>(input->observations);
    return 0;
}

int close_mitigation_input(RSKMITDS* set) {
    if (set == nullptr || set->input == nullptr) return 2;
    // The observation record's get list belongs to this open of the input.
    release_obs_binding(static_cast<dataset_obs*>(set->observation));
    return close_dataset(set->input) == 0 ? 0 : 2;
}

dataset_obs* build_mit_input_obs(RSKCON* con, RSKMITDS* set) {
    RSKMITIGATIONCON* container = con->mit_container;
    qor_pool* pool = con->current_pool;
    dataset_obs* columns = get_obs_from_dataset(pool, set->input);
    if (columns == nullptr) {
        xpmlog(598, 7718, static_cast<int>(set->name_length), set->name);
        return nullptr;
    }
    if (!set->mapping_used) {
        for (dataset_var* c = columns->first; c != nullptr; c = c->next) {
            char upper[kRskObjectNameCapacity + 1];
            size_t n = 0;
            for (; c->name[n] != 0 && n < static_cast<size_t>(kRskObjectNameCapacity); ++n)
                upper[n] = static_cast<char>(std::toupper(static_cast<unsigned char>(c->name[n])));
            upper[n] = '\0';
            hash_item* known = hash_query(container->variables, upper);
            if (known == nullptr) {
                xpmlog(598, 313, static_cast<int>(n), upper);
                continue;
            }
            if (hash_query(set->columns, upper) != nullptr) continue;
            const auto* model = static_cast<const RSKMITVAR*>(known->value);
            RSKMITVAR* copy = new_mit_var(pool, upper, model->label, model->type, model->role, model->offset, model->variable);
            hash_item* item = copy != nullptr ? create_hash_item(pool, copy->name, copy) : nullptr;
            if (item == nullptr || hash_insert(set->columns, item) != HASH_INSERTED) {
                if (item != nullptr) del_hash_item(pool, item);
                if (copy != nullptr) delete_cpty_var(pool, copy);
                delete_dataset_obs(pool, columns);
                xpmlog(598, 7718, static_cast<int>(n), upper);
                return nullptr;
            }
            ++set->variable_count;
        }
    }
    if (set->observation != nullptr) {
        delete_dataset_obs(pool, static_cast<dataset_obs*>(set->observation));
        set->observation = nullptr;
    }
    // Each input column is bound by its storage: numbers as doubles, texts by their length; a
    // column whose data is of the other kind is refused.
    dataset_var* first = nullptr;
    dataset_var* last = nullptr;
    for (hash_item* item = enumerate_table(set->columns); item != nullptr; item = item->next) {
        auto* entry = static_cast<RSKMITVAR*>(item->value);
        if (entry == nullptr || entry->role == RSKCPTYROLE_OUTPUT || entry->variable == nullptr) continue;
        RSKVARIABLE* v = entry->variable;
        const bool numeric = v->value_class == 1;
        int data_type = 0;
        for (dataset_var* c = columns->first; c != nullptr; c = c->next) {
            size_t i = 0;
            while (c->name[i] != 0 && entry->alias[i] != 0 &&
                   std::toupper(static_cast<unsigned char>(c->name[i])) == static_cast<unsigned char>(entry->alias[i]))
                ++i;
            if (c->name[i] == 0 && entry->alias[i] == 0) data_type = c->type;
        }
        dataset_var* made = nullptr;
        if (data_type == 0 || (data_type == DATASET_TYPE_NUMERIC) == numeric)
            made = new_dataset_var(pool, entry->alias, v->value, storage_bytes(v),
                                   numeric ? DATASET_TYPE_NUMERIC : DATASET_TYPE_CHARACTER, last);
        if (made == nullptr || v->value == nullptr) {
            if (first != nullptr) delete_dataset_var(pool, first);
            delete_dataset_obs(pool, columns);
            xpmlog(598, 7718, static_cast<int>(entry->alias_length), entry->alias);
            return nullptr;
        }
        if (first == nullptr) first = made;
        last = made;
    }
    delete_dataset_obs(pool, columns);
    dataset_obs* obs = first != nullptr ? new_dataset_obs(pool, first, 1) : nullptr;
    if (obs == nullptr) {
        if (first != nullptr) delete_dataset_var(pool, first);
        xpmlog(598, 7718, static_cast<int>(set->name_length), set->name);
        return nullptr;
    }
    set->observation = obs;
    return obs;
}
