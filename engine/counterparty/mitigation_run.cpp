// The mitigation run: each observation of the input source's mitigation data sets pairs an
// exposure position with a mitigant position, and the type's method runs over every state.
#include <cctype>
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/dependencies.h"
#include "engine/compiler/use_entries.h"
#include "engine/counterparty/mitigation_run.h"
#include "engine/model/variables/variable_record.h"
#include "engine/tables/method_records.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kContainerActive = 55;
constexpr size_t kIdLimit = 32;
constexpr int32_t kNoteCap = 10;

RSKMITIGATIONCON* active_container(RSKCON* con) {
    return con != nullptr && con->mit_container != nullptr && con->mit_container_state == kContainerActive
               ? con->mit_container
               : nullptr;
}

// The value storage of a container system variable, or null.
RSKVARIABLE* system_variable(const RSKMITIGATIONCON* container, const char* name) {
    hash_item* item = hash_query(container->system_variables, name);
    auto* entry = item != nullptr ? static_cast<RSKMITVAR*>(item->value) : nullptr;
    return entry != nullptr && entry->variable != nullptr && entry->variable->value != nullptr ? entry->variable : nullptr;
}

// Bytes of an input variable's storage.
int32_t storage_bytes(const RSKVARIABLE* v) {
    if (v->value_class == 1) return 8;
    return v->storage_size > 0 ? static_cast<int32_t>(v->storage_size) : static_cast<int32_t>(v->length);
}

// An identifier from a text variable: at most min(storage, 32) bytes, trailing blanks and NULs
// removed, upper-cased. False when the variable is missing.
bool take_id(const RSKMITIGATIONCON* container, const char* name, char out[kIdLimit + 1]) {
    const RSKVARIABLE* v = system_variable(container, name);
    if (v == nullptr) return false;
    size_t n = static_cast<size_t>(storage_bytes(v));
    if (n > kIdLimit) n = kIdLimit;
    const auto* text = static_cast<const char*>(v->value);
    while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == 0)) --n;
    size_t start = 0;
    while (start < n && text[start] == ' ') ++start;
    size_t k = 0;
    for (size_t i = start; i < n; ++i) out[k++] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    out[k] = '\0';
    return true;
}

void clear_inputs(RSKMITIGATIONCON* container) {
    for (hash_item* item = enumerate_table(container->variables); item != nullptr; item = item->next) {
        auto* entry = static_cast<RSKMITVAR*>(item->value);
        RSKVARIABLE* v = entry != nullptr ? entry->variable : nullptr;
        if (v == nullptr || v->value == nullptr || entry->role == RSKCPTYROLE_OUTPUT) continue;
        if (v->value_class == 1) {
            const double missing = qor::missing();
            std::memcpy(v->value, &missing, sizeof missing);
        } else {
            std::memset(v->value, 0, static_cast<size_t>(storage_bytes(v)));
        }
    }
}

// Runs one block of the pair's method on the run's execution record: 0 or 1.
int run_block(RSKCON* con, RSKMITTYPE* type, int block) {
    RSKMITRUN* run = con->mit_container->run;
    RSKACTION* action = &type->run_method->action;
    if (run->record != nullptr && run->current_market != nullptr)
        run->record->market_vector = reinterpret_cast<double*>(run->current_market);
    rskmact(con, action, block, 1, 0);
    const int rc = rskrcmp(con, run->record, 0);
    rskmact(con, action, block, 0, 0);
    return rc == 0 ? 0 : 1;
}

bool has_compiled_method(const RSKMITTYPE* type) {
    return type != nullptr && type->run_method != nullptr && type->run_method->method != nullptr &&
           type->run_method->method->compiled != 0;
}

// The method's mitigation variables that the type does not hold: 598/317 each; 1 when any.
int mitigation_compare_vars_args(RSKMITIGATIONCON* container, RSKMITTYPE* type) {
    int rc = 0;
    const RSKOBJNAME& method = type->run_method->name;
    for (RSKUSEENTRY* use = action_uses(&type->run_method->action); use != nullptr; use = use->next) {
        const RSKVARIABLE* v = use->variable;
        if (v == nullptr || v->kind != RSKVKIND_MITIGATION) continue;
        char name[kRskObjectNameCapacity + 1];
        size_t n = v->name.name.length < kRskObjectNameCapacity ? v->name.name.length : kRskObjectNameCapacity;
        for (size_t i = 0; i < n; ++i) name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(v->name.name.text[i])));
        name[n] = '\0';
        if (hash_query(container->variables, name) == nullptr || hash_query(container->system_variables, name) != nullptr ||
            hash_query(type->variables, name) != nullptr)
            continue;
        xpmlog(598, 317, static_cast<int>(n), name, static_cast<int>(type->name_length), type->name,
               static_cast<int>(method.name.length), method.name.text);
        rc = 1;
    }
    return rc;
}

// A note for a skipped pair, the first ten of a run.
bool note_allowed(RSKMITRUN* run) { return run->messages++ < kNoteCap; }

}  // namespace

RSKMIT* new_mit(qor_pool* pool, RSKMITTYPE* type) {
    if (pool == nullptr) return nullptr;
    auto* m = static_cast<RSKMIT*>(vmalcp_handler(pool, sizeof(RSKMIT), QOR_ALLOC_ZERO));
    if (m != nullptr) m->type = type;
    return m;
}

int delete_mit(qor_pool* pool, RSKMIT* mitigation) {
    if (pool == nullptr) return 1;
    if (mitigation != nullptr) vmfree_handler(pool, mitigation, sizeof *mitigation, QOR_FREE_SIZED);
    return 0;
}

int get_mit(RSKCON* con, RSKMITDS* set, int64_t number) {
    RSKMITIGATIONCON* container = con->mit_container;
    RSKMITRUN* run = container->run;
    auto* obs = static_cast<dataset_obs*>(set->observation);
    obs->number = number;
    if (read_obs(set->input, obs) != 0) {
        xpmlog(598, 314, static_cast<int>(number));
        return 1;
    }
    char exposure[kIdLimit + 1], mitigant[kIdLimit + 1], type_name[kIdLimit + 1];
    static const char* const kIds[] = {"EXPOSUREID", "MITIGANTID", "MITIGATIONTYPE"};
    char* outs[] = {exposure, mitigant, type_name};
    for (int i = 0; i < 3; ++i)
        if (!take_id(container, kIds[i], outs[i])) {
            xpmlog(598, 315, static_cast<int>(std::strlen(kIds[i])), kIds[i]);
            return 1;
        }
    hash_item* found = hash_query(container->types, type_name);
    auto* type = found != nullptr ? static_cast<RSKMITTYPE*>(found->value) : nullptr;
    if (type == nullptr) {
        xpmlog(598, 315, static_cast<int>(std::strlen(type_name)), type_name);
        return 1;
    }
    auto* mit = static_cast<RSKMIT*>(container->current);
    if (mit == nullptr) {
        mit = new_mit(run->pool, type);
        if (mit == nullptr) {
            xpmlog(598, 316);
            return 1;
        }
        container->current = mit;
    }
    mit->type = type;
    mit->exposure = mit->mitigant = nullptr;
    std::memcpy(mit->exposure_id, exposure, sizeof exposure);
    std::memcpy(mit->mitigant_id, mitigant, sizeof mitigant);
    // A pair is run only when both positions are stored apart, the mitigant as a mitigant:
    // anything else would let one record's write-back overwrite the other's.
    RSKPOSITION* e = find_position(container, exposure);
    RSKPOSITION* m = find_position(container, mitigant);
    if (e == nullptr || m == nullptr) return 2;
    if (e == m || m->role != RSKPOS_MITIGANT || e->role == RSKPOS_MITIGANT) {
        if (note_allowed(run))
            xpslog("%%2zThe mitigation pair %s and %s is skipped: %s.", exposure, mitigant,
                   e == m ? "both name the same position"
                          : (m->role != RSKPOS_MITIGANT ? "the mitigant was priced as an exposure"
                                                        : "the exposure was priced as a mitigant"));
        return 2;
    }
    e->rows = run->exposure_rows;
    e->values = run->exposure_values;
    m->rows = run->mitigant_rows;
    m->values = run->state_values;
    if (read_position(container, exposure) == nullptr || read_position(container, mitigant) == nullptr) return 1;
    mit->exposure = e;
    mit->mitigant = m;
    return 0;
}

int mitigatestate(RSKCON* con, RSKMIT* mitigation, int32_t s) {
    RSKMITIGATIONCON* container = con->mit_container;
    RSKMITRUN* run = container->run;
    const size_t length = static_cast<size_t>(run->statelength);
    // The state's market vector: the base case for s = 1, else market state s - 1.
    if (run->current_market != nullptr && run->market_bytes > 0) {
        const uint8_t* from = s == 1 ? run->base_market
                                     : (run->state_markets != nullptr
                                            ? run->state_markets + static_cast<int64_t>(s - 2) * run->market_stride
                                            : nullptr);
        if (from != nullptr && from != run->current_market)
            std::memcpy(run->current_market, from, static_cast<size_t>(run->market_bytes));
    }
    uint8_t* exposure_row = run->exposure_rows + static_cast<int64_t>(s - 1) * run->statelength;
    uint8_t* mitigant_row = run->mitigant_rows + static_cast<int64_t>(s - 1) * run->statelength;
    std::memcpy(run->exposure_vector, exposure_row, length);
    std::memcpy(run->mitigant_record, mitigant_row, 16);
    double* state_value = &run->state_values[s - 1];

    // The mitigant's adjusted value is stored as a non-positive amount; the method sees it
    // positive. A missing value passes as it is.
    double stored;
    std::memcpy(&stored, run->mitigant_record + 8, sizeof stored);
    double adjusted = qor::is_missing(stored) ? stored : (stored <= 0.0 ? -stored : 0.0);
    run->mitigant_adjusted = adjusted;
    std::memcpy(run->mitigant_record + 8, &adjusted, sizeof adjusted);
    if (!qor::is_missing(*state_value) && *state_value == 0.0) *state_value = adjusted;
    run->mitigant_value = *state_value;

    // The base case is run as a base case (marker 1, indicator 1.0), every other state not.
    if (run->base_marker != nullptr) *run->base_marker = s == 1 ? 1 : 0;
    if (run->base_indicator != nullptr) *run->base_indicator = s == 1 ? 1.0 : 0.0;
    if (run_block(con, mitigation->type, RSKBLK_MAIN) != 0) return 1;

    double value;
    std::memcpy(&value, run->exposure_vector + 8, sizeof value);
    if (!qor::is_missing(value) && value < 0.0) {
        value = 0.0;
        std::memcpy(run->exposure_vector + 8, &value, sizeof value);
    }
    std::memcpy(&value, run->mitigant_record + 8, sizeof value);
    if (!qor::is_missing(value)) {
        // The output reports the adjusted value the method left, as a positive amount.
        run->mitigant_adjusted = value >= 0.0 ? value : 0.0;
        const double kept = value >= 0.0 ? -value : 0.0;
        std::memcpy(run->mitigant_record + 8, &kept, sizeof kept);
    } else {
        run->mitigant_adjusted = value;
    }
    *state_value = run->mitigant_value;
    std::memcpy(exposure_row, run->exposure_vector, length);
    std::memcpy(mitigant_row, run->mitigant_record, 16);
    return 0;
}

int write_mitigation_output(RSKCON* con) {
    RSKMITIGATIONCON* container = con->mit_container;
    auto* out = static_cast<RSKMITOUTDS*>(container->output_dataset);
    auto* mit = static_cast<RSKMIT*>(container->current);
    if (out == nullptr || out->observation == nullptr || mit == nullptr) return 0;
    RSKMITRUN* run = container->run;
    auto put_id = [&](char* to, const char* id) {
        std::memset(to, ' ', static_cast<size_t>(out->id_length));
        size_t n = std::strlen(id);
        if (n > static_cast<size_t>(out->id_length)) n = static_cast<size_t>(out->id_length);
        std::memcpy(to, id, n);
    };
    put_id(out->exposure_id, mit->exposure_id);
    put_id(out->mitigant_id, mit->mitigant_id);
    std::memcpy(&out->exposure, run->exposure_vector, sizeof(double));
    std::memcpy(&out->adjusted_exposure, run->exposure_vector + 8, sizeof(double));
    out->mitigant_value = run->mitigant_value;
    out->mitigant_adjusted = run->mitigant_adjusted;
    out->observation->number = out->observations + 1;
    if (write_obs(out->data, out->observation) != 0) {
        xpmlog(598, 301, 13, "ALLMITIGATION");
        return 1;
    }
    out->observations = out->data->observations;
    out->current = out->observation->number;
    return 0;
}

int exec_mits_in_dataset(RSKCON* con, RSKMITDS* set) {
    RSKMITIGATIONCON* container = con->mit_container;
    RSKMITRUN* run = container->run;
    if (build_mit_input_obs(con, set) == nullptr) return 1;
    for (int64_t n = 1; n <= set->observations; ++n) {
        set->current = static_cast<int32_t>(n);
        clear_inputs(container);
        const int got = get_mit(con, set, n);
        if (got == 1) {
            xpmlog(598, 307, static_cast<int>(n));
            return 1;
        }
        if (got == 2) continue;
        auto* mit = static_cast<RSKMIT*>(container->current);
        RSKMITTYPE* type = mit->type;
        if (!has_compiled_method(type)) {
            if (note_allowed(run)) xpmlog(598, 308, static_cast<int>(type->name_length), type->name);
            continue;
        }
        mitigation_compare_vars_args(container, type);   // reported; the pair still runs
        if (run_block(con, type, RSKBLK_INST_INIT) != 0) {
            xpmlog(598, 309, static_cast<int>(type->name_length), type->name);
            return 1;
        }
        for (int32_t s = 1; s <= run->state_count; ++s) {
            if (mitigatestate(con, mit, s) != 0) {
                xpmlog(598, 310, static_cast<int>(s - 1), static_cast<int>(type->name_length), type->name);
                return 1;
            }
            if (write_mitigation_output(con) != 0) return 1;
        }
        if (run_block(con, type, RSKBLK_INST_TERM) != 0) {
            xpmlog(598, 311, static_cast<int>(type->name_length), type->name);
            return 1;
        }
        if (write_position(container, mit->exposure) != 0 || write_position(container, mit->mitigant) != 0) return 1;
    }
    return 0;
}

int rskrunmitigation(RSKCON* con, const char* source) {
    RSKMITIGATIONCON* container = active_container(con);
    if (container == nullptr || container->input_sources == nullptr || source == nullptr) return 0;
    hash_item* item = hash_query(container->input_sources, source);
    auto* input = item != nullptr ? static_cast<RSKCPTYINSRC*>(item->value) : nullptr;
    if (input == nullptr || input->datasets == nullptr || enumerate_table(input->datasets) == nullptr) return 0;
    if (container->run == nullptr) {
        xpmlog(598, 304, 36, "the run has not made them for itself");
        return 1;
    }
    for (hash_item* d = enumerate_table(input->datasets); d != nullptr; d = d->next) {
        auto* set = static_cast<RSKMITDS*>(d->value);
        if (set == nullptr) continue;
        const int opened = open_mitigation_dataset(con, set);
        if (opened != 0) {
            xpmlog(598, 305, static_cast<int>(set->name_length), set->name);
            return 1;
        }
        // Each input is open for its own pass only: closed after it, also after a failure.
        const int executed = exec_mits_in_dataset(con, set);
        const int closed = close_mitigation_input(set);
        if (executed != 0) {
            xpmlog(598, 306, static_cast<int>(set->name_length), set->name);
            return 1;
        }
        if (closed != 0) return 1;
    }
    return 0;
}
