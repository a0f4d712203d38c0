// Reading counterparties: a data set's columns bound to the container's input variables, one
// observation made into a counterparty, a stored counterparty read back with its value block,
// and the check of a method's counterparty variables against a counterparty's type.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/counterparty/container_texts.h"
#include "engine/counterparty/containers.h"
#include "engine/counterparty/counterparty_run.h"
#include "engine/counterparty/counterparty_storage.h"
#include "engine/model/variables/variable_record.h"
#include "engine/tables/method_records.h"
#include "engine/compiler/compile_control.h"
#include "host/print.h"

namespace {

constexpr int kNameLimit = 32;

int text_length(const char* text) { return static_cast<int>(std::strlen(text)); }

// Upper-cased copy of at most kNameLimit characters, trailing blanks and NULs removed.
void upper_text(const char* text, int length, char out[kNameLimit + 1]) {
    int n = std::min(length, kNameLimit);
    int k = 0;
    for (int i = 0; i < n && text[i] != 0; ++i) out[k++] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    while (k > 0 && out[k - 1] == ' ') --k;
    out[k] = 0;
}

// The container variable a column feeds: COUNTERPARTYTYPE and COUNTERPARTYID are the two system
// variables under their long names.
const char* variable_for_column(const char* column) {
    if (std::strcmp(column, "COUNTERPARTYTYPE") == 0) return "CPTYTYPE";
    if (std::strcmp(column, "COUNTERPARTYID") == 0) return "CPTYID";
    return column;
}

RSKCPTYVAR* find_variable(const hash_table* table, const char* name) {
    const hash_item* item = table != nullptr ? hash_query(table, name) : nullptr;
    return item != nullptr ? static_cast<RSKCPTYVAR*>(item->value) : nullptr;
}

// Puts the column's entry in the column table (replacing one of that column); the data set's
// variable count grows only for a column it did not have. 0, or 1 when out of memory.
int bind_column(qor_pool* pool, RSKCPTYDS* set, const RSKCPTYVAR* variable, const char* column) {
    RSKCPTYVAR* entry = new_cpty_var(pool, variable->name, variable->label, variable->type, variable->role,
                                     variable->offset, variable->variable);
    if (entry == nullptr) return 1;
    char* alias = rsk_text_copy(pool, column);
    if (alias == nullptr) {
        delete_cpty_var(pool, entry);
        return 1;
    }
    rsk_text_free(pool, entry->alias);
    entry->alias = alias;
    entry->alias_length = static_cast<int16_t>(text_length(alias));
    hash_item* item = create_hash_item(pool, entry->alias, entry);
    if (item == nullptr) {
        delete_cpty_var(pool, entry);
        return 1;
    }
    if (hash_item* old = hash_remove(set->columns, column)) {
        delete_cpty_var(pool, static_cast<RSKCPTYVAR*>(old->value));
        del_hash_item(pool, old);
    } else {
        ++set->variable_count;
    }
    if (hash_insert(set->columns, item) != HASH_INSERTED) {
        del_hash_item(pool, item);
        delete_cpty_var(pool, entry);
        return 1;
    }
    return 0;
}

// Matches every column of the data set with the container's variable of its name.
int match_columns(RSKCON* con, RSKCPTYDS* set, const dataset_obs* columns) {
    RSKCPTYCON* c = con->cpty_container;
    for (const dataset_var* column = columns->first; column != nullptr; column = column->next) {
        char name[kNameLimit + 1];
        upper_text(column->name, text_length(column->name), name);
        const RSKCPTYVAR* variable = find_variable(c->variables, variable_for_column(name));
        if (variable == nullptr) {
            xpmlog(598, 7740, text_length(name), name, 12, "counterparty");
            continue;
        }
        if (bind_column(con->current_pool, set, variable, name) != 0) {
            xpmlog(598, 7718, text_length(name), name);
            return 1;
        }
    }
    return 0;
}

// The data set's column of that name, or null.
const dataset_var* find_column(const dataset_obs* columns, const char* name) {
    for (const dataset_var* column = columns->first; column != nullptr; column = column->next) {
        char upper[kNameLimit + 1];
        upper_text(column->name, text_length(column->name), upper);
        if (std::strcmp(upper, name) == 0) return column;
    }
    return nullptr;
}

// The column an entry reads and the name to read it by: its alias, or for the two system
// variables the long column name when the data set has that one instead (a definition keeps
// COUNTERPARTYID as CPTYID).
const dataset_var* entry_column(const dataset_obs* columns, const RSKCPTYVAR* v, const char** read_name) {
    *read_name = v->alias;
    if (const dataset_var* column = find_column(columns, v->alias)) return column;
    const char* long_name = std::strcmp(v->alias, "CPTYID") == 0     ? "COUNTERPARTYID"
                            : std::strcmp(v->alias, "CPTYTYPE") == 0 ? "COUNTERPARTYTYPE"
                                                                      : nullptr;
    if (long_name == nullptr) return nullptr;
    *read_name = long_name;
    return find_column(columns, long_name);
}

// The observation record over the column table's input variables, in the table's order: each
// bound by the storage of its variable, numbers as numbers and text as text.
dataset_obs* observation_record(RSKCON* con, RSKCPTYDS* set, const dataset_obs* columns) {
    qor_pool* pool = con->current_pool;
    dataset_var* first = nullptr;
    dataset_var* last = nullptr;
    for (const hash_item* item = enumerate_table(set->columns); item != nullptr; item = item->next) {
        const auto* v = static_cast<const RSKCPTYVAR*>(item->value);
        if (v == nullptr || v->role == RSKCPTYROLE_OUTPUT) continue;
        const char* read_name = nullptr;
        const dataset_var* column = entry_column(columns, v, &read_name);
        const bool numeric = cpty_numeric_storage(v);
        const bool matches = column != nullptr && (column->type == DATASET_TYPE_NUMERIC) == numeric;
        dataset_var* var = nullptr;
        if (matches && v->variable != nullptr && v->variable->value != nullptr)
            var = new_dataset_var(pool, read_name, v->variable->value, cpty_value_bytes(v),
                                  numeric ? DATASET_TYPE_NUMERIC : DATASET_TYPE_CHARACTER, last);
        if (var == nullptr) {
            xpmlog(598, 7718, static_cast<int>(v->alias_length), v->alias);
            if (first != nullptr) delete_dataset_var(pool, first);
            return nullptr;
        }
        if (first == nullptr) first = var;
        last = var;
    }
    dataset_obs* obs = new_dataset_obs(pool, first, 1);
    if (obs == nullptr && first != nullptr) delete_dataset_var(pool, first);
    return obs;
}

// At most kNameLimit bytes of a text variable's value, upper-cased, trailing blanks removed; false
// for a variable that has no text storage.
bool variable_text(const RSKCPTYCON* c, const char* name, char out[kNameLimit + 1]) {
    const RSKCPTYVAR* v = find_variable(c->variables, name);
    if (v == nullptr || v->variable == nullptr || v->variable->value == nullptr || cpty_numeric_storage(v)) return false;
    upper_text(static_cast<const char*>(v->variable->value), std::min(cpty_value_bytes(v), kNameLimit), out);
    return true;
}

}  // namespace

dataset_obs* build_input_obs(RSKCON* con, RSKCPTYDS* set) {
    dataset_obs* columns = get_obs_from_dataset(con->current_pool, set->input);
    if (columns == nullptr) {
        xpmlog(598, 7718, set->name_length, set->name);
        return nullptr;
    }
    dataset_obs* obs = nullptr;
    if (set->mapping_used || match_columns(con, set, columns) == 0) obs = observation_record(con, set, columns);
    delete_dataset_obs(con->current_pool, columns);
    if (obs != nullptr && set->observation != nullptr)
        delete_dataset_obs(con->current_pool, static_cast<dataset_obs*>(set->observation));
    if (obs != nullptr) set->observation = obs;
    return obs;
}

RSKCPTY* get_cpty(RSKCON* con, RSKCPTYDS* set, dataset_obs* observation) {
    const RSKCPTYCON* c = con->cpty_container;
    if (read_obs(set->input, observation) != 0) {
        xpmlog(598, 7713);
        return nullptr;
    }
    char type_name[kNameLimit + 1];
    if (!variable_text(c, "CPTYTYPE", type_name)) {
        xpmlog(598, 7714);
        return nullptr;
    }
    const hash_item* type = hash_query(c->types, type_name);
    if (type == nullptr || type->value == nullptr) {
        xpmlog(598, 7715);
        return nullptr;
    }
    char id[kNameLimit + 1];
    if (!variable_text(c, "CPTYID", id)) {
        xpmlog(598, 7716);
        return nullptr;
    }
    RSKCPTY* counterparty = new_cpty(con->current_pool, id, static_cast<RSKCPTYTYPE*>(type->value),
                                     static_cast<int32_t>(observation->number), set);
    if (counterparty == nullptr) xpmlog(598, 7717);
    return counterparty;
}

RSKCPTY* read_cpty(RSKCPTYCON* c, const char* identifier) {
    if (c == nullptr || identifier == nullptr) return nullptr;
    const hash_item* item = c->counterparties != nullptr ? hash_query(c->counterparties, identifier) : nullptr;
    if (item == nullptr) {
        if (c->unknown_identifiers++ < kRskCptyMessageCap) xpmlog(598, 7719, text_length(identifier), identifier);
        return nullptr;
    }
    auto* counterparty = static_cast<RSKCPTY*>(item->value);
    RSKCPTYDS* set = counterparty->dataset;
    auto* obs = static_cast<dataset_obs*>(set->observation);
    const int64_t block = static_cast<int64_t>(c->state_count) * c->statelength;
    if (obs == nullptr || c->value_buffer == nullptr) {
        xpmlog(598, 7713);
        return nullptr;
    }
    obs->number = counterparty->observation;
    if (read_obs(set->input, obs) != 0 ||
        utility_read(set->output, c->value_buffer, block, (counterparty->observation - 1) * block) != 0) {
        xpmlog(598, 7713);
        return nullptr;
    }
    // The position is priced in the base case first: its methods see the base-case row.
    std::memcpy(c->value_vector, c->value_buffer, static_cast<size_t>(c->statelength));
    return counterparty;
}

int cpty_compare_cptyvars_args(const RSKGENTRANS* method, const RSKCPTY* counterparty, const RSKCPTYCON* c) {
    if (method == nullptr || !method->compiled || c == nullptr) return 0;
    int rc = 0;
    for (const RSKSYMENTRY* arg = method->arguments; arg != nullptr; arg = arg->next) {
        if (arg->name == nullptr) continue;
        char name[kNameLimit + 1];
        upper_text(arg->name, arg->name_length, name);
        // System variables belong to every type.
        if (find_variable(c->variables, name) == nullptr || find_variable(c->system_variables, name) != nullptr)
            continue;
        const RSKCPTYTYPE* type = counterparty != nullptr ? counterparty->type : nullptr;
        if (type != nullptr && find_variable(type->variables, name) != nullptr) continue;
        rc = 1;
        if (type != nullptr)
            xpmlog(598, 7754, text_length(name), name, static_cast<int>(type->name_length), type->name,
                   static_cast<int>(method->name.name.length), method->name.name.text);
    }
    return rc;
}
