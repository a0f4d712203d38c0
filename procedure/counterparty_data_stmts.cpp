// COUNTERPARTYDATA/CPTYDATA and MITIGATIONDATA/MITDATA: define an input data set of the
// container with the columns that feed its input variables, replacing one of the same name.
#include <cctype>
#include <cstring>

#include "common/files/dataset.h"
#include "common/files/names.h"
#include "common/files/utilfile.h"
#include "common/hash/hash_table.h"
#include "engine/tables/object_tables.h"
#include "host/files.h"
#include "host/missing.h"
#include "host/print.h"
#include "procedure/container_access.h"
#include "procedure/counterparty_containers.h"
#include "procedure/engine_calls.h"
#include "procedure/operand_lists.h"

namespace zozu {

namespace {

constexpr int kNameField = 1, kDataField = 4, kTypeField = 5, kVariablesField = 7, kWeightField = 8,
              kDfField = 9, kWdfField = 10, kCountField = 11;
constexpr int kDatasetTableSize = 100;

int length_of(const char* text) { return static_cast<int>(std::strlen(text)); }

// The columns of the data set under construction, whichever family.
struct DatasetUnderway {
    RSKCPTYDS* cpty = nullptr;
    RSKMITDS* mit = nullptr;
    hash_table* columns() const { return cpty != nullptr ? cpty->columns : mit->columns; }
};

// Adds a column for an input variable of the container: 0, 3 listed already, 1 on failure.
int add_column(RSKCON* con, const ContainerFamily& family, DatasetUnderway& set, const RSKCPTYVAR* variable,
               const char* column) {
    if (zozu::hash_query(set.columns(), column) != nullptr) return 3;
    RSKCPTYVAR* entry = family.counterparty
                            ? new_cpty_var(con->current_pool, variable->name, variable->label, variable->type,
                                           variable->role, variable->offset, variable->variable)
                            : new_mit_var(con->current_pool, variable->name, variable->label, variable->type,
                                          variable->role, variable->offset, variable->variable);
    if (entry == nullptr) return 1;
    if (insert_item(con, set.columns(), entry->alias, entry) != 0) {
        delete_cpty_var(con->current_pool, entry);
        return 1;
    }
    if (set.cpty != nullptr)
        ++set.cpty->variable_count;
    else
        ++set.mit->variable_count;
    return 0;
}

// The library reference and member of the data set: resolved along the search paths, or as
// written when it is not there yet (reported; the run resolves it again when it opens it).
bool locate_dataset(RSKCON* con, const OperandText& spec, const char* name, char libref[9], char member[33]) {
    char text[QOR_PATH_MAX] = {};
    const int n = spec.length < QOR_PATH_MAX - 1 ? spec.length : QOR_PATH_MAX - 1;
    std::memcpy(text, spec.text, static_cast<size_t>(n));
    RSKNAMEREC key{static_cast<uint16_t>(QOR_PATH_MAX), static_cast<uint16_t>(n), text};
    std::memset(libref, ' ', 8);
    libref[8] = '\0';
    member_name resolved{};
    char path[QOR_PATH_MAX] = {};
    if (rskpthg(con, &key, "DATASET ", 1, libref, &resolved, path, 0) == 0 && resolved.length > 0 &&
        resolved.length <= 32) {
        std::memcpy(member, resolved.text, static_cast<size_t>(resolved.length));
        member[resolved.length] = '\0';
        return true;
    }
    xpmlog(598, 1015, n, text, length_of(name), name);
    const char* dot = static_cast<const char*>(std::memchr(text, '.', static_cast<size_t>(n)));
    const int libref_length = dot != nullptr ? static_cast<int>(dot - text) : 4;
    const char* member_text = dot != nullptr ? dot + 1 : text;
    const int member_length = dot != nullptr ? n - libref_length - 1 : n;
    if (libref_length < 1 || libref_length > 8 || member_length < 1 || member_length > 32) return false;
    std::memset(libref, ' ', 8);
    std::memcpy(libref, dot != nullptr ? text : "WORK", static_cast<size_t>(libref_length));
    for (int i = 0; i < libref_length; ++i)
        libref[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(libref[i])));
    std::memcpy(member, member_text, static_cast<size_t>(member_length));
    member[member_length] = '\0';
    return true;
}

int data_stmt(RSKCON* con, statement_node* node, const ContainerFamily& family) {
    const char* statement = family.data_statement;
    ContainerView view = loaded_container(con, family, statement);
    if (view.container == nullptr) return 1;
    if (!ensure_table(con, view.datasets, kDatasetTableSize)) {
        xpmlog(598, 7737, length_of(family.word), family.word);
        return 1;
    }
    const OperandText name_text = operand_text(node, kNameField);
    char name[kContainerNameLimit + 1];
    const int name_length = upper_name(name_text.text, name_text.length, name);
    if (name_length == 0) {
        xpmlog(670, 1094, length_of(statement), statement);
        return 1;
    }
    // A position data set definition of that name would be read as positions and as this data set.
    RSKNAMEREC key{static_cast<uint16_t>(name_text.length), static_cast<uint16_t>(name_text.length),
                   const_cast<char*>(name_text.text)};
    if (con->current_tables != nullptr && rsksym(con, &con->current_tables->tables[RSKTAB_TDATA], &key) != nullptr) {
        xpmlog(598, 7736, name_length, name);
        return 1;
    }
    OperandText spec = operand_text(node, kDataField);
    if (spec.length == 0) spec = name_text;
    char libref[9], member[33];
    if (!locate_dataset(con, spec, name, libref, member)) return 1;

    DatasetUnderway set;
    // The data set record keeps its texts by address: they live as long as the record.
    char* libref_copy = copy_text(con, libref);
    char* member_copy = copy_text(con, member);
    dataset* input = libref_copy != nullptr && member_copy != nullptr
                         ? zozu::new_dataset(con->current_pool, libref_copy, member_copy, DATASET_READ)
                         : nullptr;
    if (family.counterparty) {
        utilfile* output =
            input != nullptr ? zozu::new_utilfile(con->current_pool, "WORK    ", member, UTILFILE_WRITE) : nullptr;
        set.cpty = output != nullptr ? new_cpty_ds(con->current_pool, name, input, output, kDatasetTableSize) : nullptr;
        if (set.cpty == nullptr && output != nullptr) zozu::delete_utilfile(con->current_pool, output);
    } else if (input != nullptr) {
        set.mit = new_mit_ds(con->current_pool, name, input, 0);
    }
    if (set.cpty == nullptr && set.mit == nullptr) {
        if (input != nullptr) zozu::delete_dataset(con->current_pool, input);
        for (char* text : {libref_copy, member_copy}) {
            if (text != nullptr)
                con->current_pool->release(con->current_pool, text, std::strlen(text) + 1, QOR_FREE_SIZED);
        }
        xpmlog(598, family.no_dataset, name_length, name);
        return 1;
    }
    // Weight and frequency options, kept for the run.
    const OperandText weight = operand_text(node, kWeightField);
    const double df = operand_number(node, kDfField, qor::make_missing());
    const double wdf = operand_number(node, kWdfField, qor::make_missing());
    const double count = operand_number(node, kCountField, qor::make_missing());
    int result = 0;
    if (set.cpty != nullptr) {
        set.cpty->df = df;
        set.cpty->wdf = wdf;
        set.cpty->n = count;
    } else {
        set.mit->df = df;
        set.mit->wdf = wdf;
        set.mit->n = count;
        const OperandText type_text = operand_text(node, kTypeField);
        if (type_text.length > 0) {
            char type_name[kContainerNameLimit + 1];
            const int type_length = upper_name(type_text.text, type_text.length, type_name);
            hash_item* type = *view.types != nullptr ? zozu::hash_query(*view.types, type_name) : nullptr;
            if (type == nullptr) {
                xpmlog(598, 7731, type_length, type_name, length_of(family.word), family.word, name_length, name);
                result = 1;
            } else {
                set.mit->type = static_cast<RSKMITTYPE*>(type->value);
            }
        }
    }
    if (weight.length > 0) {
        char weight_name[kContainerNameLimit + 1];
        upper_name(weight.text, weight.length, weight_name);
        (set.cpty != nullptr ? set.cpty->weight : set.mit->weight) = copy_text(con, weight_name);
    }

    // The listed columns first, each an input variable of the container.
    bool listed_any = false;
    NameCursor items(node, kVariablesField);
    OperandText item;
    while (items.next(&item)) {
        if (item.length == 0) continue;
        listed_any = true;
        char column[kContainerNameLimit + 1];
        int column_length = upper_name(item.text, item.length, column);
        if (family.counterparty) column_length = counterparty_id_name(column, column_length);
        hash_item* held = zozu::hash_query(*view.variables, column);
        if (held == nullptr || held->value == nullptr) {
            xpmlog(598, 7740, column_length, column, length_of(family.word), family.word);
            result = 1;
            continue;
        }
        const auto* variable = static_cast<const RSKCPTYVAR*>(held->value);
        if (variable->role == RSKCPTYROLE_OUTPUT) continue;   // computed by the methods, not read
        const int rc = add_column(con, family, set, variable, column);
        if (rc == 3) {
            xpmlog(598, 7739, column_length, column, name_length, name);
        } else if (rc != 0) {
            xpmlog(598, 7742, column_length, column, name_length, name);
            result = 1;
        }
    }
    // Then every other input variable of the container.
    for (hash_item* v = zozu::enumerate_table(*view.variables); v != nullptr; v = v->next) {
        const auto* variable = static_cast<const RSKCPTYVAR*>(v->value);
        if (variable == nullptr || variable->role == RSKCPTYROLE_OUTPUT) continue;
        const int rc = add_column(con, family, set, variable, variable->name);
        if (rc == 1) {
            xpmlog(598, 7742, length_of(variable->name), variable->name, name_length, name);
            result = 1;
        }
    }
    if (set.cpty != nullptr)
        set.cpty->mapping_used = listed_any ? 1 : 0;
    else
        set.mit->mapping_used = listed_any ? 1 : 0;

    // A data set of the same name gives way (its record stays in the environment's pool).
    const char* entry_key = set.cpty != nullptr ? set.cpty->name : set.mit->name;
    if (hash_item* old = zozu::hash_remove(*view.datasets, entry_key)) zozu::del_hash_item(con->current_pool, old);
    void* value = set.cpty != nullptr ? static_cast<void*>(set.cpty) : static_cast<void*>(set.mit);
    if (insert_item(con, *view.datasets, entry_key, value) != 0) {
        xpmlog(598, family.no_dataset, name_length, name);
        return 1;
    }
    return result;
}

}  // namespace

int cptydata_stmt(RSKCON* con, statement_node* node) { return data_stmt(con, node, kCounterpartyFamily); }
int mitdata_stmt(RSKCON* con, statement_node* node) { return data_stmt(con, node, kMitigationFamily); }

}  // namespace zozu
