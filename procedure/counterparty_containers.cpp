// Building the counterparty and mitigation containers for DECLARE: the container with its
// variable table and system variables, container variables and types, the reserved names, and
// loading a stored container from the environment chain's catalogs.
#include "procedure/counterparty_containers.h"

#include <cstring>
#include <string>

#include "common/hash/hash_table.h"
#include "engine/model/variables/variable_record.h"
#include "engine/tables/variable_request.h"
#include "host/missing.h"
#include "host/print.h"
#include "procedure/container_access.h"
#include "procedure/engine_calls.h"

namespace zozu {

namespace {

constexpr int kReadRight = 4;
constexpr int kDataTypeUnknown = 999;

const char* const kCptyReserved[] = {"_LGD_", "_PD_", "CPTYTYPE", "COUNTERPARTYTYPE", "COUNTERPARTYID", "CPTYID"};
const char* const kMitReserved[] = {"_EXPOSURE_", "_MITIGANT_VAL_", "_ADJEXPOSURE_", "_MITIGANT_ADJVAL_",
                                    "EXPOSUREID",  "MITIGANTID",     "MITIGATIONTYPE"};

int word_length(const char* word) { return static_cast<int>(std::strlen(word)); }

template <size_t N>
bool reserved(const char* const (&names)[N], const char* name, int length) {
    char upper[kContainerNameLimit + 1];
    upper_name(name, length, upper);
    for (const char* r : names)
        if (std::strcmp(r, upper) == 0) return true;
    return false;
}

// Role kind of a container variable by its role text.
int32_t role_kind(const char* role) {
    if (std::strcmp(role, "VAR") == 0) return RSKCPTYROLE_INPUT;
    if (std::strcmp(role, "NAME") == 0) return RSKCPTYROLE_NAME;
    return RSKCPTYROLE_OUTPUT;
}

// Value type of a container variable by the variable's data-type code.
int32_t value_type(int data_type) {
    switch (data_type) {
    case 1: return RSKCPTYVT_NUMERIC;
    case 2: return RSKCPTYVT_CHAR;
    case 3: case 4: return RSKCPTYVT_INTEGER;
    case 5: case 6: case 9: return RSKCPTYVT_OTHER;
    case 10: return RSKCPTYVT_DATE;
    default: return RSKCPTYVT_NONE;
    }
}

int add_container_var(RSKCON* con, const ContainerFamily& family, const char* name, int name_length,
                      const char* label, int label_length, const char* role, int role_length, int data_type,
                      RSKVARIABLE* variable) {
    if (con->current_pool == nullptr || variable == nullptr || name == nullptr) return 1;
    ContainerView v = container_view(con, family);
    if (v.container == nullptr || !ensure_table(con, v.variables, family.initial_variables)) return 1;
    char upper[kContainerNameLimit + 1];
    upper_name(name, name_length, upper);
    char role_text[kContainerNameLimit + 1];
    upper_name(role, role != nullptr ? role_length : 0, role_text);
    if (hash_item* held = zozu::hash_query(*v.variables, upper)) {
        // A variable declared again (after DELETE, say) is a new record: the entry follows it.
        static_cast<RSKCPTYVAR*>(held->value)->variable = variable;
        xpmlog(598, 7755, static_cast<int>(std::strlen(upper)), upper, word_length(family.word), family.word);
        return 0;
    }
    const int32_t kind = role_kind(role_text);
    const int32_t offset = kind == RSKCPTYROLE_OUTPUT ? *v.statelength : -1;
    const std::string label_text =
        label != nullptr && label_length > 0 ? std::string(label, static_cast<size_t>(label_length)) : "";
    const char* label_copy = label_text.empty() ? nullptr : label_text.c_str();
    RSKCPTYVAR* entry =
        family.counterparty
            ? new_cpty_var(con->current_pool, upper, label_copy, value_type(data_type), kind, offset, variable)
            : new_mit_var(con->current_pool, upper, label_copy, value_type(data_type), kind, offset, variable);
    if (entry == nullptr) return 1;
    if (insert_item(con, *v.variables, entry->name, entry) != 0) {
        delete_cpty_var(con->current_pool, entry);
        return 1;
    }
    if (kind == RSKCPTYROLE_OUTPUT) {
        *v.statelength += static_cast<int32_t>(variable->storage_size);
        *v.output_total += static_cast<int32_t>(variable->storage_size);
    }
    ++*v.variable_count;
    return 0;
}

// Defines one family's system variables of one table (input or output).
int add_system_vars(RSKCON* con, const ContainerFamily& family, int data_type_table, int variable_class,
                    const char* const* names, int count, bool input) {
    ContainerView v = container_view(con, family);
    if (v.container == nullptr || !ensure_table(con, v.system_variables, family.initial_variables) ||
        !ensure_table(con, v.variables, family.initial_variables))
        return 1;
    const char* type_text = input ? "CHAR" : "NUM";
    const char* role_text = input ? "VAR" : "COMPUTED";
    int result = 0;
    for (int i = 0; i < count; ++i) {
        const char* name = names[i];
        const int length = word_length(name);
        if (zozu::hash_query(*v.variables, name) != nullptr) continue;
        const int data_type = rskcddt(con, data_type_table, type_text, word_length(type_text));
        if (data_type == kDataTypeUnknown) {
            xpmlog(670, 1112, word_length(type_text), type_text);
            result = 1;
            continue;
        }
        const int role = rskcdva(con, variable_class, role_text, word_length(role_text));
        if (role == kDataTypeUnknown) {
            xpmlog(670, 1113, word_length(role_text), role_text);
            result = 1;
            continue;
        }
        // A variable the environment holds already (a container built again) is taken over.
        RSKNAMEREC key{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
        RSKVARIABLE* variable = rskvar(con, &key);
        if (variable == nullptr) {
            RSKVARDEF request{};
            request.name = name;
            request.name_length = static_cast<int16_t>(length);
            request.kind = static_cast<uint32_t>(variable_class);
            request.data_type = static_cast<uint32_t>(data_type);
            request.role = static_cast<uint32_t>(role);
            request.maturity = qor::make_missing();
            request.scale = qor::make_missing();
            request.environment = con->current_environment;
            if (rskvard(con, &variable, &request) != 0 || variable == nullptr) {
                xpmlog(670, 1114, 8, "variable", length, name);
                result = 1;
                continue;
            }
        }
        if (add_container_var(con, family, name, length, nullptr, 0, role_text, word_length(role_text), data_type,
                              variable) != 0) {
            result = 1;
            continue;
        }
        hash_item* held = zozu::hash_query(*v.variables, name);
        auto* entry = held != nullptr ? static_cast<RSKCPTYVAR*>(held->value) : nullptr;
        if (entry == nullptr || insert_item(con, *v.system_variables, entry->name, entry) == 1) result = 1;
    }
    return result;
}

// Moves the container's variables into a table sized for `count` more.
void widen_variable_table(RSKCON* con, const ContainerView& v, int initial, int count) {
    hash_table* old = *v.variables;
    if (old == nullptr) {
        *v.variables = zozu::new_hash_table(con->current_pool, initial + count);
        return;
    }
    hash_table* wider = zozu::new_hash_table(con->current_pool, static_cast<int>(old->item_count) + initial + count);
    if (wider == nullptr) return;     // the old table grows by itself
    while (hash_item* item = zozu::enumerate_table(old)) {
        hash_item* moved = zozu::hash_remove(old, item->key);
        if (moved == nullptr || zozu::hash_insert(wider, moved) != HASH_INSERTED) {
            if (moved != nullptr) zozu::del_hash_item(con->current_pool, moved);
        }
    }
    zozu::del_hash_table(con->current_pool, old);
    *v.variables = wider;
}

int initialize_con(RSKCON* con, const ContainerFamily& family, int count) {
    int32_t* state = family.counterparty ? &con->cpty_container_state : &con->mit_container_state;
    ContainerView v = container_view(con, family);
    if (v.container == nullptr) {
        if (family.counterparty)
            con->cpty_container = new_cpty_con(con->current_pool);
        else
            con->mit_container = new_mit_con(con->current_pool);
        v = container_view(con, family);
        if (v.container == nullptr) {
            xpmlog(598, 318, word_length(family.word), family.word);
            return 1;
        }
        *state = 0;
    }
    widen_variable_table(con, v, family.initial_variables, count > 0 ? count : 0);
    if (*v.variables == nullptr || !ensure_table(con, v.system_variables, family.initial_variables)) {
        xpmlog(598, 318, word_length(family.word), family.word);
        return 1;
    }
    // Until its system variables are all there the container is not usable (not loaded).
    if (add_system_vars(con, family, family.data_type_table, family.variable_class, family.outputs,
                        family.output_count, false) != 0 ||
        add_system_vars(con, family, family.data_type_table, family.variable_class, family.inputs,
                        family.input_count, true) != 0) {
        xpmlog(598, family.no_system_variables, word_length(family.word), family.word);
        return 1;
    }
    if (!family.counterparty) {
        RSKMITIGATIONCON* m = con->mit_container;
        auto find = [&](const char* name) {
            hash_item* item = zozu::hash_query(m->system_variables, name);
            return item != nullptr ? static_cast<RSKMITVAR*>(item->value) : nullptr;
        };
        m->exposure = find("_EXPOSURE_");
        m->mitigant_value = find("_MITIGANT_VAL_");
        m->adjusted_exposure = find("_ADJEXPOSURE_");
        m->mitigant_adjusted = find("_MITIGANT_ADJVAL_");
    }
    *state = RSKCON_CONTAINER_LOADED;
    return 0;
}

int load_environment(RSKCON* con, RSKENV* environment, bool counterparty) {
    if (environment == nullptr || con->current_pool == nullptr) return 0;
    RSKCATOBJ* descriptor =
        counterparty ? new_cpty_catdesc(con->current_pool) : new_mit_catdesc(con->current_pool);
    if (descriptor == nullptr) return 1;
    descriptor->environment = environment;
    void* loaded = rssofiq(con, descriptor, kReadRight);
    if (loaded == nullptr) return 1;
    if (counterparty) {
        con->cpty_container = static_cast<RSKCPTYCON*>(loaded);
        con->cpty_container_state = RSKCON_CONTAINER_LOADED;
    } else {
        con->mit_container = static_cast<RSKMITIGATIONCON*>(loaded);
        con->mit_container_state = RSKCON_CONTAINER_LOADED;
    }
    return 0;
}

// The environment and then the environments it inherits from, until one holds the container.
int load_env_tree(RSKCON* con, bool counterparty) {
    RSKENV* environment = con->current_environment;
    if (environment == nullptr) return 0;
    if (load_environment(con, environment, counterparty) == 0) return 0;
    for (RSKENVCELL* cell = environment->parents_head; cell != nullptr; cell = cell->next)
        if (load_environment(con, cell->environment, counterparty) == 0) return 0;
    return 1;
}

}  // namespace

bool cpty_system_variable(const char* name, int length) { return reserved(kCptyReserved, name, length); }
bool mit_system_variable(const char* name, int length) { return reserved(kMitReserved, name, length); }

int initialize_cpty_con(RSKCON* con, int count) { return initialize_con(con, kCounterpartyFamily, count); }
int initialize_mit_con(RSKCON* con, int count) { return initialize_con(con, kMitigationFamily, count); }

int con_add_cpty_var(RSKCON* con, const char* name, int name_length, const char* label, int label_length,
                     const char* role, int role_length, int data_type, RSKVARIABLE* variable) {
    return add_container_var(con, kCounterpartyFamily, name, name_length, label, label_length, role, role_length,
                             data_type, variable);
}
int con_add_mit_var(RSKCON* con, const char* name, int name_length, const char* label, int label_length,
                    const char* role, int role_length, int data_type, RSKVARIABLE* variable) {
    return add_container_var(con, kMitigationFamily, name, name_length, label, label_length, role, role_length,
                             data_type, variable);
}

int con_add_in_sys_vars(RSKCON* con, int data_type_table, int variable_class, const char* const* names, int count) {
    const ContainerFamily& family = variable_class == kMitigationFamily.variable_class ? kMitigationFamily
                                                                                      : kCounterpartyFamily;
    return add_system_vars(con, family, data_type_table, variable_class, names, count, true);
}
int con_add_out_sys_vars(RSKCON* con, int data_type_table, int variable_class, const char* const* names,
                         int count) {
    const ContainerFamily& family = variable_class == kMitigationFamily.variable_class ? kMitigationFamily
                                                                                      : kCounterpartyFamily;
    return add_system_vars(con, family, data_type_table, variable_class, names, count, false);
}

int con_add_cpty_type(RSKCON* con, RSKCPTYTYPE* type) {
    RSKCPTYCON* c = con->cpty_container;
    if (c == nullptr || type == nullptr || c->types == nullptr) return 1;
    if (hash_item* old = zozu::hash_remove(c->types, type->name)) {
        delete_cpty_type(con->current_pool, static_cast<RSKCPTYTYPE*>(old->value));
        zozu::del_hash_item(con->current_pool, old);
        --c->type_count;
    }
    if (insert_item(con, c->types, type->name, type) != 0) return 1;
    ++c->type_count;
    return 0;
}

int con_add_mit_type(RSKCON* con, RSKMITTYPE* type) {
    RSKMITIGATIONCON* m = con->mit_container;
    if (m == nullptr || type == nullptr || m->types == nullptr) return 1;
    // The entry table has no freeing entry for a mitigation type: the replaced type gives back
    // its variable table and leaves its record to the environment's pool.
    if (hash_item* old = zozu::hash_remove(m->types, type->name)) {
        auto* replaced = static_cast<RSKMITTYPE*>(old->value);
        if (replaced != nullptr && replaced->variables != nullptr) {
            zozu::del_hash_table(con->current_pool, replaced->variables);
            replaced->variables = nullptr;
        }
        zozu::del_hash_item(con->current_pool, old);
    }
    return insert_item(con, m->types, type->name, type) != 0 ? 1 : 0;
}

int cpty_load_environment(RSKCON* con, RSKENV* environment) { return load_environment(con, environment, true); }
int mit_load_environment(RSKCON* con, RSKENV* environment) { return load_environment(con, environment, false); }
int cpty_load_env_tree(RSKCON* con) { return load_env_tree(con, true); }
int mit_load_env_tree(RSKCON* con) { return load_env_tree(con, false); }

}  // namespace zozu
